// The host tools under hostile invocations: every quelm verb and the
// viewer's command line with wrong, missing, out-of-range and contradictory
// options, absurd sizes, missing and corrupt palette and script files, and
// outputs that cannot be written (a missing folder, a read-only one, a file
// in the way, a full disk).  Each must end with one line on standard error
// naming the problem, a non-zero status and no signal, and leave no file
// behind, partial or temporary.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "tests/support/run_tool.h"

namespace fs = std::filesystem;

namespace {

constexpr int kUsage = 2;   // a bad command line
constexpr int kFailed = 1;  // a command that could not be done
constexpr uid_t kNobody = 65534;
constexpr rlim_t kSmallDisk = 2048;  // bytes a file may grow to on the "full disk"

struct Case {
    std::vector<std::string> args;  // "@in/" and "@ro/" name the input and read-only folders
    int status;
    std::string says;               // part of the message
    bool asNobody = false;          // run unprivileged, so that permissions hold even for root
    bool smallDisk = false;
    bool fullStdout = false;        // standard output on /dev/full
};

struct Outcome {
    int status = -1;
    int signal = 0;
    std::string out, err;
};

std::set<std::string> Names(const fs::path &dir) {
    std::set<std::string> names;
    for (const auto &entry : fs::directory_iterator(dir)) names.insert(entry.path().filename());
    return names;
}

void Write(const fs::path &path, const std::string &bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Le16(uint32_t v) { return {char(v & 0xFF), char((v >> 8) & 0xFF)}; }
std::string Le32(uint32_t v) { return Le16(v & 0xFFFF) + Le16(v >> 16); }

// A BMP file header and 40-byte info header announcing bits per pixel and
// colours; the caller appends what follows.
std::string BmpHead(uint32_t bits, uint32_t colours) {
    return "BM" + Le32(0) + Le32(0) + Le32(54) + Le32(40) + Le32(4) + Le32(4) + Le16(1) +
           Le16(bits) + Le32(0) + Le32(0) + Le32(0) + Le32(0) + Le32(colours) + Le32(0);
}

class BadInput : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/quelm-bad-input.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        top = pattern;
        work = top / "work";
        inputs = top / "inputs";
        readOnly = top / "read-only";
        fs::create_directories(work);
        fs::create_directories(inputs / "folder.pal");
        fs::create_directories(readOnly);
        MakeInputs();
        // An unprivileged run must reach everything but what is locked.
        for (const fs::path &p : {top, inputs, work}) fs::permissions(p, fs::perms::all);
        fs::permissions(readOnly, fs::perms::owner_read | fs::perms::owner_exec |
                                      fs::perms::group_read | fs::perms::group_exec |
                                      fs::perms::others_read | fs::perms::others_exec);
        inputNames = Names(inputs);
    }

    void TearDown() override {
        fs::permissions(readOnly, fs::perms::all);
        fs::remove_all(top);
    }

    void MakeInputs() {
        Write(inputs / "truncated.bmp", "BM" + Le32(70) + Le32(0));
        Write(inputs / "no_table.bmp", BmpHead(24, 0) + std::string(48, '\0'));
        Write(inputs / "huge_table.bmp", BmpHead(8, 100000) + std::string(64, '\1'));
        Write(inputs / "cut_table.bmp", BmpHead(8, 256) + std::string(40, '\2'));
        Write(inputs / "odd_header.bmp", "BM" + Le32(0) + Le32(0) + Le32(0) + Le32(20) +
                                             std::string(40, '\0'));
        Write(inputs / "version.pal", "JASC-PAL\r\n0200\r\n1\r\n1 2 3\r\n");
        Write(inputs / "short.pal", "JASC-PAL\n0100\n3\n1 2 3\n4 5 6\n");
        Write(inputs / "bright.pal", "JASC-PAL\n0100\n2\n1 2 3\n400 5 6\n");
        Write(inputs / "none.pal", "JASC-PAL\n0100\n0\n");
        Write(inputs / "count.pal", "JASC-PAL\n0100\n99999999999999999999\n");
        Write(inputs / "words.gpl", "GIMP Palette\nName: words\nred green blue\n");
        Write(inputs / "many.gpl", "GIMP Palette\n" + [] {
                  std::string lines;
                  for (int i = 0; i < 300; ++i) lines += "1 2 3\n";
                  return lines;
              }());
        Write(inputs / "empty.pal", "");
        std::string noise;
        for (int i = 0; i < 4096; ++i) noise += char((i * 2654435761u) >> 24);
        Write(inputs / "noise.pal", noise);
        Write(inputs / "locked.pal", "JASC-PAL\n0100\n1\n1 2 3\n");
        fs::permissions(inputs / "locked.pal", fs::perms::none);
        Write(inputs / "plain.txt", "a file where a folder should be\n");
        Write(inputs / "bad_command.txt", "wait 2\nbogus 1\n");
        Write(inputs / "bad_number.txt", "wait 99999999999999999999\n");
        Write(inputs / "small_window.txt", "resize 10 10\n");
        Write(inputs / "lost_screenshot.txt", "wait 1\nscreenshot missing/shot.png\n");
    }

    std::string Expand(const std::string &arg) const {
        std::string a = arg;
        for (const auto &[mark, dir] : {std::pair{"@in/", inputs}, std::pair{"@ro/", readOnly}})
            if (a.starts_with(mark)) a = (dir / a.substr(4)).string();
        return a;
    }

    Outcome Run(const std::string &program, const Case &c) const {
        const fs::path out = top / "stdout", err = top / "stderr";
        std::vector<std::string> args{program};
        for (const std::string &a : c.args) args.push_back(Expand(a));
        const pid_t pid = fork();
        if (pid == 0) {
            if (chdir(work.c_str()) != 0 ||
                !freopen(c.fullStdout ? "/dev/full" : out.c_str(), "w", stdout) ||
                !freopen(err.c_str(), "w", stderr))
                _exit(127);
            if (c.smallDisk) {
                // Writes past the limit fail with EFBIG instead of killing.
                std::signal(SIGXFSZ, SIG_IGN);
                const rlimit limit{kSmallDisk, kSmallDisk};
                if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(127);
            }
            if (c.asNobody && geteuid() == 0 &&
                (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0))
                _exit(127);
            std::vector<char *> argv;
            for (std::string &a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
        int wstatus = 0;
        waitpid(pid, &wstatus, 0);
        Outcome r;
        if (WIFEXITED(wstatus)) r.status = WEXITSTATUS(wstatus);
        if (WIFSIGNALED(wstatus)) r.signal = WTERMSIG(wstatus);
        r.out = quelm_test::slurp(out);
        r.err = quelm_test::slurp(err);
        return r;
    }

    // Runs each case and checks the outcome; prefix is how the program
    // starts its messages.
    void Expect(const std::string &program, const std::string &prefix,
                const std::vector<Case> &cases) {
        for (const Case &c : cases) {
            SCOPED_TRACE(prefix + quelm_test::joined(c.args));
            const Outcome r = Run(program, c);
            ASSERT_NE(r.status, 127) << "could not start: " << r.err;
            EXPECT_EQ(r.signal, 0) << "killed by signal " << r.signal << ": " << r.err;
            EXPECT_EQ(r.status, c.status) << r.err;
            EXPECT_EQ(r.out, "");
            EXPECT_TRUE(r.err.starts_with(prefix + ": ")) << r.err;
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
            EXPECT_TRUE(r.err.ends_with("\n")) << r.err;
            EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
            EXPECT_EQ(Names(work), std::set<std::string>{}) << "left in the working folder";
            EXPECT_EQ(Names(readOnly), std::set<std::string>{}) << "left in the read-only folder";
            EXPECT_EQ(Names(inputs), inputNames) << "left beside the inputs";
            for (const auto &entry : fs::directory_iterator(work)) fs::remove_all(entry.path());
        }
    }

    fs::path top, work, inputs, readOnly;
    std::set<std::string> inputNames;
};

// --------------------------------------------------------------- quelm

TEST_F(BadInput, QuelmRefusesBadOptionsOfEveryVerb) {
    Expect(QUELM_TOOL_PATH, "quelm",
           {
               {{"--bogus"}, kUsage, "unknown verb '--bogus'"},
               {{"model", "--stats", "--plan"}, kUsage, "--plan needs a value"},
               {{"model", "--obj"}, kUsage, "--obj needs a value"},
               {{"model", "--stats", "--no-lift=1"}, kUsage, "--no-lift takes no value"},
               {{"model", "--obj", "x.obj", "--plan", "0x"}, kUsage, "not a hexadecimal number"},
               {{"model", "--obj", "x.obj", "--plan", "0"}, kUsage, "no polygon"},
               {{"render", "-o"}, kUsage, "--output needs a value"},
               {{"render", "--"}, kUsage, "unexpected argument '--'"},
               {{"render", "-x"}, kUsage, "unexpected argument '-x'"},
               {{"render", "--=5"}, kUsage, "unknown option --"},
               {{"render", "--magnification", "inf"}, kUsage, "'inf' is not a number"},
               {{"render", "--magnification", "nan"}, kUsage, "'nan' is not a number"},
               {{"render", "--magnification", "1e-7"}, kUsage, "out of range"},
               {{"render", "--camera", "1e300,0,0"}, kUsage, "is not X,Y,Z"},
               {{"render", "--camera", "1,2,3,4"}, kUsage, "is not X,Y,Z"},
               {{"render", "--target", ",,"}, kUsage, "is not X,Y,Z"},
               {{"render", "--background", "-1"}, kUsage, "out of range"},
               {{"render", "--background", "99999999999999999999"}, kUsage, "out of range"},
               {{"render", "--format", "bmp", "-o", "x.png"}, kUsage, "contradicts"},
               {{"render", "--format=png", "-o", "x.BMP"}, kUsage, "contradicts"},
               {{"render", "--fit", "--magnification", "0.1"}, kUsage, "give one"},
               {{"render", "--magnification", "0.1", "--fit"}, kUsage, "give one"},
               {{"spin", "--frames", "99999999999999999999"}, kUsage, "out of range"},
               {{"spin", "--frames", "100001"}, kUsage, "out of range"},
               {{"spin", "--delay", "0"}, kUsage, "out of range"},
               {{"spin", "--camera-step", "3601"}, kUsage, "out of range"},
               {{"spin", "--camera-radius", "-1"}, kUsage, "out of range"},
               {{"spin", "--magnification", "0"}, kUsage, "out of range"},
               {{"camera", "--steps", "10000001"}, kUsage, "out of range"},
               {{"camera", "--mode"}, kUsage, "--mode needs a value"},
               {{"camera", "--mode", "99999999999"}, kUsage, "'99999999999' is not spin"},
               {{"camera", "--mode", "idle", "--target-step", "5"}, kUsage, "spin camera"},
               {{"camera", "-o", "x"}, kUsage, "unknown option --output"},
               {{"bench", "stray"}, kUsage, "unexpected argument 'stray'"},
               {{"bench", "--view", "nowhere"}, kUsage, "no view 'nowhere'"},
               {{"bench", "--loader", "both2"}, kUsage, "'both2' is not edge-driven"},
               {{"bench", "--frames", "0"}, kUsage, "out of range"},
               {{"bench", "--frames", "99999999999999999999"}, kUsage, "out of range"},
           });
}

TEST_F(BadInput, QuelmRefusesAbsurdPictureSizes) {
    std::vector<Case> cases;
    for (const char *verb : {"render", "spin", "bench"})
        for (const char *size : {"99999999999x1", "1x99999999999999999999", "16385x16384",
                                 "-1x10", "0x0"})
            cases.push_back({{verb, "--size", size}, kUsage, "each side must be 1 to 16384"});
    for (const char *size : {"10x10x10", "", "x", " 10x10", "1e3x10"})
        cases.push_back({{"render", "--size", size}, kUsage, "is not WIDTHxHEIGHT"});
    Expect(QUELM_TOOL_PATH, "quelm", cases);
}

TEST_F(BadInput, QuelmNamesTheFaultOfEachPaletteFile) {
    Expect(QUELM_TOOL_PATH, "quelm",
           {
               {{"render", "--palette", "@in/missing.pal"}, kFailed, "No such file"},
               {{"render", "--palette", "@in/truncated.bmp"}, kFailed, "truncated BMP file"},
               {{"render", "--palette", "@in/no_table.bmp"}, kFailed, "has no colour table"},
               {{"render", "--palette", "@in/huge_table.bmp"}, kFailed, "100000 entries"},
               {{"render", "--palette", "@in/cut_table.bmp"}, kFailed, "truncated BMP colour"},
               {{"render", "--palette", "@in/odd_header.bmp"}, kFailed, "unknown BMP header"},
               {{"render", "--palette", "@in/version.pal"}, kFailed, "bad JASC-PAL header"},
               {{"render", "--palette", "@in/none.pal"}, kFailed, "bad JASC-PAL header"},
               {{"render", "--palette", "@in/count.pal"}, kFailed, "bad JASC-PAL header"},
               {{"render", "--palette", "@in/short.pal"}, kFailed, "3 colours announced, 2"},
               {{"render", "--palette", "@in/bright.pal"}, kFailed, "line 5 is not a colour"},
               {{"render", "--palette", "@in/words.gpl"}, kFailed, "line 3 is not a colour"},
               {{"render", "--palette", "@in/many.gpl"}, kFailed, "more than 256 colours"},
               {{"render", "--palette", "@in/empty.pal"}, kFailed, "not a BMP, JASC-PAL or GIMP"},
               {{"render", "--palette", "@in/noise.pal"}, kFailed, "not a BMP, JASC-PAL or GIMP"},
               {{"render", "--palette", "@in/folder.pal"}, kFailed, "Is a directory"},
               {{"render", "--palette", "/dev/zero"}, kFailed, "larger than any palette file"},
               {{"render", "--palette", "@in/locked.pal"}, kFailed, "Permission denied", true},
               {{"spin", "--palette", "@in/truncated.bmp"}, kFailed, "truncated BMP file"},
               {{"model", "--obj", "x.obj", "--palette", "@in/words.gpl"}, kFailed,
                "not a colour"},
           });
}

TEST_F(BadInput, QuelmLeavesNothingWhereItCannotWrite) {
    const std::string longName(300, 'n');
    Expect(QUELM_TOOL_PATH, "quelm",
           {
               {{"render", "-o", "missing/x.png"}, kFailed, "No such file or directory"},
               {{"render", "-o", "@in/plain.txt/x.png"}, kFailed, "Not a directory"},
               {{"render", "--format", "png", "-o", ""}, kFailed, "'' is not a file name"},
               {{"render", "--format", "png", "-o", "x.png/"}, kFailed, "is not a file name"},
               {{"render", "-o", "x.png/"}, kUsage, "cannot tell the format"},
               {{"render", "-o", longName + ".png"}, kFailed, "File name too long"},
               {{"render", "-o", "@ro/x.png"}, kFailed, "Permission denied", true},
               {{"spin", "--frames", "2", "-o", "@ro/x.gif"}, kFailed, "Permission denied", true},
               {{"model", "--obj", "@ro/x.obj"}, kFailed, "Permission denied", true},
               {{"render", "--size", "400x300", "-o", "big.png"}, kFailed, "File too large",
                false, true},
               {{"render", "--size", "400x300", "-o", "big.bmp"}, kFailed, "File too large",
                false, true},
               {{"spin", "--size", "200x120", "--frames", "3", "-o", "big.gif"}, kFailed,
                "cannot write 'big.gif'", false, true},
               {{"model", "--obj", "big.obj"}, kFailed, "File too large", false, true},
               {{"model", "--stats"}, kFailed, "standard output: No space left", false, false,
                true},
               {{"camera", "--steps", "3"}, kFailed, "standard output: No space left", false,
                false, true},
               {{"bench", "--frames", "1", "--view", "overhead", "--size", "16x16"}, kFailed,
                "standard output: No space left", false, false, true},
           });
}

// -------------------------------------------------------------- viewer

TEST_F(BadInput, ViewerRefusesBadArgumentsAndFiles) {
    const std::string viewer = QUELM_VIEWER_PATH;
    if (viewer.empty()) GTEST_SKIP() << "quelm-viewer is not built here";
    Expect(viewer, "quelm-viewer",
           {
               {{"--bogus"}, kUsage, "unknown option --bogus"},
               {{"stray"}, kUsage, "unexpected argument 'stray'"},
               {{"--size", "63x100"}, kUsage, "each side must be 64 to 8192"},
               {{"--size", "8193x100"}, kUsage, "each side must be 64 to 8192"},
               {{"--scale", "9"}, kUsage, "out of range"},
               {{"--target-ms", "0"}, kUsage, "out of range"},
               {{"--simulate-ms", "nan"}, kUsage, "is not a number"},
               {{"--frames", "0"}, kUsage, "out of range"},
               {{"--frames", "99999999999999999999"}, kUsage, "out of range"},
               {{"--mode", "orbit"}, kUsage, "'orbit' is not idle, dolly or spin"},
               {{"--frames", "1", "--palette", "@in/truncated.bmp"}, kFailed,
                "truncated BMP file"},
               {{"--frames", "1", "--palette", "/dev/zero"}, kFailed,
                "larger than any palette file"},
               {{"--script", "@in/missing.txt"}, kFailed, "cannot read the script"},
               {{"--script", "@in/folder.pal"}, kFailed, "cannot read the script"},
               {{"--script", "@in/bad_command.txt"}, kFailed, "unknown command 'bogus'"},
               {{"--script", "@in/bad_number.txt"}, kFailed, "bad_number.txt:1: "},
               {{"--script", "@in/small_window.txt"}, kFailed, "out of range"},
               {{"--script", "@in/lost_screenshot.txt"}, kFailed, "missing/shot.png"},
               {{"--frames", "1", "--screenshot", "missing/shot.png"}, kFailed,
                "No such file or directory"},
               {{"--frames", "1", "--screenshot", "@ro/shot.png"}, kFailed,
                "Permission denied", true},
               {{"--frames", "1", "--size", "640x400", "--screenshot", "big.png"}, kFailed,
                "big.png", false, true},
           });
}

}  // namespace
