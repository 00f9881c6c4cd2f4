// The quelm command line and quelm-viewer's, run as a user runs them: every
// verb once on good input, checked by what it wrote, and on each kind of
// bad input, which must end with one line naming the fault, the right exit
// status and nothing left behind; outputs that are devices, FIFOs, links
// and linked files; signals.
#include <fcntl.h>
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <thread>

#include "common/palette.h"
#include "tests/support/conformance.h"
#include "tests/support/run_tool.h"
#include "tools/quelm/image.h"

using namespace quelm_test;

namespace {

const std::string QUELM = QUELM_TOOL_PATH, VIEWER = QUELM_VIEWER_PATH;
constexpr int kUsage = 2, kFailed = 1;
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;  // the sanitizers need more address space than a limit leaves
#else
constexpr bool kSanitized = false;
#endif

class Tools : public ToolTest {
public:
    void SetUp() override {
        ToolTest::SetUp();
        in = top / "in";
        fs::create_directories(in / "read-only");
        const std::pair<const char *, std::string> inputs[] = {
            {"two.pal", "JASC-PAL\r\n0100\r\n2\r\n1 2 3\r\n4 5 6\r\n"},
            {"three.gpl", "GIMP Palette\nName: t\nColumns: 3\n# c\n255 0 0\tred\n0 255 0\n0 0 255"},
            {"truncated.bmp", "BM\x46\0\0\0\0\0\0\0"},
            {"no_table.bmp", std::string("BM\0\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\4\0\0\0\4\0\0\0"
                                         "\1\0\x18\0", 30) + std::string(60, '\0')},
            {"short.pal", "JASC-PAL\n0100\n3\n1 2 3\n4 5 6\n"},
            {"noise.pal", "\x01\x7f\xfe garbage"},
            {"bogus.txt", "wait 2\nbo\x01gus 1\n"},
            {"big_number.txt", "wait 99999999999999999999\n"},
            {"jpeg.txt", "screenshot x.jpg\n"},
            {"drags.txt", [] {
                 std::string s;
                 for (int i = 0; i < 20; ++i) s += "drag 0 0 1 1 1000000\n";
                 return s;
             }()},
            {"overflow.txt", "drag 0 0 65535 65535 90000\nnothing\n"},
            {"early.txt", "wait 2\npress OK\n"},
        };
        for (const auto &[name, bytes] : inputs)
            std::ofstream(in / name, std::ios::binary) << bytes;
        fs::permissions(in / "read-only", fs::perms::owner_read | fs::perms::owner_exec |
                                              fs::perms::others_read | fs::perms::others_exec);
    }
    void TearDown() override {
        fs::permissions(in / "read-only", fs::perms::all);
        ToolTest::TearDown();
    }

    quelm_tool::IndexedImage png(const std::string &name, quelm_tool::Palette *palette = nullptr) {
        quelm_tool::IndexedImage image;
        quelm_tool::Palette colours{};
        std::string error;
        EXPECT_TRUE(quelm_tool::read_png((dir / name).string(), image, colours, error)) << error;
        if (palette) *palette = colours;
        return image;
    }
    fs::path in;
};

int count_index(const quelm_tool::IndexedImage &image, int index) {
    return int(std::count(image.pixels.begin(), image.pixels.end(), uint8_t(index)));
}

// Lines of an OBJ file that start with `kind`, and whether every vertex
// coordinate is a whole number.
int obj_count(const std::string &obj, const std::string &kind) {
    int n = 0;
    for (const std::string &line : lines_of(obj)) n += line.starts_with(kind + " ");
    return n;
}
bool obj_whole(const std::string &obj) {
    for (const std::string &line : lines_of(obj))
        if (line.starts_with("v ") && line.find('.') != std::string::npos) return false;
    return true;
}

struct Row {
    const std::string &program;
    std::vector<std::string> args;  // "@/" stands for the folder of inputs
    int status;
    std::string says;               // part of standard error
    std::function<void(Tools &, const Outcome &)> check = {};
    Launch how = {};
};

TEST_F(Tools, EveryVerbOnGoodAndBadInput) {
    const std::string longest(251, 'n');
    const std::vector<Row> rows = {
        // ---------------------------------------------------------- good
        {QUELM, {"help", "spin"}, 0, "", [](Tools &, const Outcome &o) {
             EXPECT_TRUE(o.out.starts_with("usage: quelm spin [options]\n")) << o.out;
         }},
        {QUELM, {"render", "--help"}, 0, "", [](Tools &, const Outcome &o) {
             for (const char *says : {"smaller side, so that an inch shows", "(default 36",
                                      "straight above", "--quiet"})
                 EXPECT_NE(o.out.find(says), std::string::npos) << says;
         }},
        {QUELM, {"model", "--stats"}, 0, "", [](Tools &, const Outcome &o) {
             for (const char *says : {"polygons           1414", "vertices           3032",
                                      "edges              4047", "      54      482"})
                 EXPECT_NE(o.out.find(says), std::string::npos) << says;
         }},
        {QUELM, {"model", "--obj", "s.obj"}, 0, "wrote s.obj (1034 polygons, ",
         [](Tools &t, const Outcome &o) {
             EXPECT_NE(o.err.find("\nwrote s.mtl ("), std::string::npos) << o.err;
             const std::string obj = slurp(t.dir / "s.obj");
             EXPECT_EQ(obj_count(obj, "f"), 1034);
             EXPECT_NE(obj.find("\nmtllib s.mtl\n"), std::string::npos);
             EXPECT_FALSE(obj_whole(obj)) << "markings lifted above the turf";
             EXPECT_EQ(obj_count(slurp(t.dir / "s.mtl"), "newmtl"), 12);
         }},
        {QUELM, {"model", "--obj", "all", "--plan", "FF000", "--no-lift", "--quiet"}, 0, "",
         [](Tools &t, const Outcome &o) {
             EXPECT_EQ(o.err, "");
             const std::string obj = slurp(t.dir / "all");
             EXPECT_EQ(obj_count(obj, "f") + obj_count(obj, "l"), 1414);
             EXPECT_EQ(obj_count(obj, "l"), 142);
             EXPECT_TRUE(obj_whole(obj));
         }},
        {QUELM, {"render"}, 0, "wrote stadium.png (1280x800, ", [](Tools &t, const Outcome &) {
             quelm_tool::Palette palette{};
             const auto image = t.png("stadium.png", &palette);
             EXPECT_EQ(image.width, 1280);
             EXPECT_EQ(image.height, 800);
             EXPECT_EQ(palette, quelm_tool::default_palette());
             for (int material : {QUELM_MAT_SKY, QUELM_MAT_STANDS, QUELM_MAT_TURF,
                                  QUELM_MAT_TURF_ALT, QUELM_MAT_LINE, QUELM_MAT_NUMBER})
                 EXPECT_GT(count_index(image, material), 100) << "material " << material;
             EXPECT_EQ(count_index(image, 0), 0) << "no pixel left black";
         }},
        // A low camera: the ground's colour fills what the near plane cut away.
        {QUELM, {"render", "--size", "160x100", "--camera", "0,-2000,20", "--target", "0,0,20",
                 "--magnification", "0.05", "-o", "low.png"},
         0, "wrote low.png (160x100, ", [](Tools &t, const Outcome &) {
             const auto image = t.png("low.png");
             EXPECT_GT(count_index(image, QUELM_MAT_GROUND), 1000);
             EXPECT_EQ(count_index(image, 0), 0);
         }},
        {QUELM, {"render", "--size", "160x100", "--camera", "0,0,9000", "-o", "top.png"}, 0,
         "straight above", [](Tools &t, const Outcome &o) {
             EXPECT_NE(o.err.find("\nwrote top.png"), std::string::npos) << o.err;
             const auto image = t.png("top.png");
             // The whole field seen from above, its length upright.
             EXPECT_GT(count_index(image, QUELM_MAT_TURF) + count_index(image, QUELM_MAT_TURF_ALT),
                       300);
         }},
        {QUELM, {"render", "--size", "160x100", "--camera", "0,0,20000", "--fit", "-o", "f.png"},
         0, "wrote f.png", [](Tools &t, const Outcome &) {
             // The sky's walls, seen from above, just inside the picture.
             const auto image = t.png("f.png");
             EXPECT_GT(count_index(image, QUELM_MAT_SKY), 2000);
             const auto edge = [&](size_t row) {
                 return std::string(image.pixels.begin() + long(row * 160),
                                    image.pixels.begin() + long(row * 160 + 160));
             };
             EXPECT_EQ(edge(0), std::string(160, char(QUELM_MAT_GROUND)));
             EXPECT_EQ(edge(99), std::string(160, char(QUELM_MAT_GROUND)));
         }},
        {QUELM, {"render", "--size", "160x100", "--fit", "--background", "200", "-o", "f.png"},
         0, "wrote f.png", [](Tools &t, const Outcome &) {
             EXPECT_GT(count_index(t.png("f.png"), QUELM_MAT_STANDS), 500);
         }},
        {QUELM, {"render", "--size", "33x20", "--camera", "0,0,100", "--target", "0,1,9000",
                 "--magnification", "1", "-o", "up.img", "--format=bmp"},
         0, "wrote up.img (33x20, 2 KB)", [](Tools &t, const Outcome &) {
             const std::string bmp = slurp(t.dir / "up.img");
             ASSERT_EQ(bmp.size(), 54u + 1024u + 36u * 20u);  // rows padded to 36 bytes
             EXPECT_EQ(bmp.substr(0, 2), "BM");
             EXPECT_EQ(bmp.substr(18, 8), std::string("\x21\0\0\0\x14\0\0\0", 8));
             EXPECT_EQ(bmp[28], 8);
             for (size_t at = 54 + 1024; at < bmp.size(); at += 36)  // the roof fills it
                 EXPECT_EQ(bmp.substr(at, 33), std::string(33, char(QUELM_MAT_SKY)));
         }},
        {QUELM, {"render", "--size", "16x10", "-o", "-", "--format", "bmp"}, 0,
         "wrote standard output (16x10, ",
         [](Tools &, const Outcome &o) { EXPECT_TRUE(o.out.starts_with("BM")); }},
        {QUELM, {"render", "--size", "16x10", "-o", longest + ".png", "--palette", "@/two.pal"}, 0,
         "wrote nnn", [&](Tools &t, const Outcome &) {
             quelm_tool::Palette palette{};
             t.png(longest + ".png", &palette);
             EXPECT_EQ(palette[1], (quelm_tool::Rgb{4, 5, 6}));
             EXPECT_EQ(palette[2], quelm_tool::default_palette()[2]);
         }},
        {QUELM, {"render", "--size", "16x10", "-o", "g.png", "--palette", "@/three.gpl"}, 0, "",
         [](Tools &t, const Outcome &) {
             quelm_tool::Palette palette{};
             t.png("g.png", &palette);
             EXPECT_EQ(palette[2], (quelm_tool::Rgb{0, 0, 255}));
         }},
        {QUELM,
         {"spin", "--frames", "6", "--size", "48x30", "--delay", "7", "--camera-step", "600"},
         0, "wrote spin.gif (48x30, 6 frames, ", [](Tools &t, const Outcome &) {
             int error = 0;
             GifFileType *gif = DGifOpenFileName((t.dir / "spin.gif").c_str(), &error);
             ASSERT_NE(gif, nullptr) << GifErrorString(error);
             ASSERT_EQ(DGifSlurp(gif), GIF_OK);
             EXPECT_EQ(gif->SWidth, 48);
             ASSERT_EQ(gif->ImageCount, 6);
             GraphicsControlBlock control{};
             EXPECT_EQ(DGifSavedExtensionToGCB(gif, 5, &control), GIF_OK);
             EXPECT_EQ(control.DelayTime, 7);
             std::set<std::string> frames;
             for (int i = 0; i < 6; ++i)
                 frames.insert(std::string(reinterpret_cast<char *>(gif->SavedImages[i].RasterBits),
                                           48 * 30));
             EXPECT_EQ(frames.size(), 6u) << "60 degrees a step: six views";
             DGifCloseFile(gif, &error);
         }},
        {QUELM, {"camera", "--camera-step", "150", "--steps", "1"}, 0, "",
         [](Tools &, const Outcome &o) {
             for (const char *line : {"mode spin\n", "camera 2608 699 360\n", "target 540 0 72\n"})
                 EXPECT_NE(o.out.find(line), std::string::npos) << line << o.out;
         }},
        {QUELM, {"bench", "--size", "24x16", "--view", "far", "--frames", "2", "--json"}, 0, "",
         [](Tools &, const Outcome &o) {
             const conformance::Json doc = conformance::Json::parse(o.out);
             const conformance::Json &results = doc.at("results");
             ASSERT_EQ(results.size(), 2u) << "one result per loader";
             EXPECT_EQ(results.at(1).at("loader").get<std::string>(), "vertex");
             EXPECT_GT(results.at(0).at("complete_ms").get<double>(), 0);
             EXPECT_EQ(results.at(0).at("pan_fallbacks").get<int64_t>(), 0);
         }},
        {VIEWER, {"--frames", "3", "--size", "320x200", "--screenshot", "shot.png"}, 0, "",
         [](Tools &t, const Outcome &o) {
             EXPECT_NE(o.out.find("summary: frames=3 complete=1 rapid-pans=0 no-work=2 "),
                       std::string::npos) << o.out;
             EXPECT_TRUE(fs::exists(t.dir / "shot.png"));
         }},
        // ----------------------------------------------------------- bad
        {QUELM, {}, kUsage, "give a verb (see quelm --help)"},
        {QUELM, {"--bogus"}, kUsage, "unknown verb '--bogus'"},
        {QUELM, {"model"}, kUsage, "give --stats or --obj FILE"},
        {QUELM, {"model", "--stats", "--plan"}, kUsage, "--plan needs a value"},
        {QUELM, {"model", "--stats", "--no-lift=1"}, kUsage, "--no-lift takes no value"},
        {QUELM, {"model", "--obj", "x.obj", "--plan", "0x"}, kUsage, "not a hexadecimal number"},
        {QUELM, {"model", "--obj", "x.obj", "--plan", "0"}, kUsage, "no polygon"},
        {QUELM, {"model", "--obj", "x.mtl"}, kUsage, "use .obj"},
        {QUELM, {"model", "--obj", "-"}, kUsage, "--obj needs a file name"},
        {QUELM, {"render", "-x"}, kUsage, "unexpected argument '-x'"},
        {QUELM, {"render", "--magnification", "inf"}, kUsage, "'inf' is not a number"},
        {QUELM, {"render", "--magnification", "801"}, kUsage, "at most 800 for a 1280x800"},
        {QUELM, {"render", "--camera", "1e300,0,0"}, kUsage, "is not X,Y,Z"},
        {QUELM, {"render", "--camera", "5,5,5", "--target", "5,5,5"}, kUsage, "same point"},
        {QUELM, {"render", "--fit", "--camera", "0,0,100", "--target", "0,1,9000"}, kUsage,
         "--fit: part of the field lies behind the camera"},
        {QUELM, {"render", "--background", "256"}, kUsage, "out of range"},
        {QUELM, {"render", "--format", "bmp", "-o", "x.png"}, kUsage, "contradicts"},
        {QUELM, {"render", "-o", "out.gif"}, kUsage, "cannot tell the format"},
        {QUELM, {"render", "--fit", "--magnification", "0.1"}, kUsage, "give one"},
        {QUELM, {"render", "--reset", "1FFFFFFFF"}, kUsage, "does not fit in 32 bits"},
        {QUELM, {"render", "--size", "16385x16384"}, kUsage, "each side must be 1 to 16384"},
        {QUELM, {"render", "--size", "1e3x10"}, kUsage, "is not WIDTHxHEIGHT"},
        {QUELM, {"spin", "-o", "x.png"}, kUsage, "use .gif"},
        {QUELM, {"spin", "--frames", "12.5"}, kUsage, "not a whole number"},
        {QUELM, {"spin", "--camera-radius", "0", "--target-radius", "0", "--camera-height", "0"},
         kUsage, "puts the camera on the target"},
        {QUELM, {"camera", "--mode", "idle", "--target-step", "5"}, kUsage, "spin camera"},
        {QUELM, {"bench", "--view", "nowhere"}, kUsage, "no view 'nowhere'"},
        {QUELM, {"bench", "--loader", "both2"}, kUsage, "'both2' is not edge-driven"},
        {QUELM, {"render", "--palette", "@/missing.pal"}, kFailed, "No such file"},
        {QUELM, {"render", "--palette", "@/truncated.bmp"}, kFailed, "truncated BMP file"},
        {QUELM, {"render", "--palette", "@/no_table.bmp"}, kFailed, "has no colour table"},
        {QUELM, {"render", "--palette", "@/short.pal"}, kFailed, "3 colours announced, 2"},
        {QUELM, {"render", "--palette", "@/noise.pal"}, kFailed, "not a BMP, JASC-PAL or GIMP"},
        {QUELM, {"render", "--palette", "/dev/zero"}, kFailed, "larger than any palette file"},
        {QUELM, {"spin", "--palette", "@/"}, kFailed, "Is a directory"},
        {QUELM, {"render", "-o", "missing/x.png"}, kFailed, "No such file or directory"},
        {QUELM, {"render", "-o", "@/two.pal/x.png"}, kFailed, "Not a directory"},
        {QUELM, {"render", "--format", "png", "-o", "x.png/"}, kFailed, "is not a file name"},
        {QUELM, {"render", "--format", "png", "-o", "."}, kFailed, "Is a directory"},
        {QUELM, {"render", "-o", longest + "nnnnn.png"}, kFailed, "File name too long"},
        {QUELM, {"render", "-o", "@/read-only/x.png"}, kFailed, "Permission denied", {}, {true}},
        {QUELM, {"spin", "--frames", "2", "-o", "@/read-only/x.gif"}, kFailed,
         "Permission denied", {}, {true}},
        {QUELM, {"model", "--obj", "@/read-only/x.obj"}, kFailed, "Permission denied", {}, {true}},
        {QUELM, {"render", "--size", "400x300"}, kFailed, "File too large", {},
         {.file_limit = 2048}},
        {QUELM, {"spin", "--size", "200x120", "--frames", "3"}, kFailed, "File too large", {},
         {.file_limit = 2048}},
        {QUELM, {"model", "--obj", "big.obj"}, kFailed, "File too large", {}, {.file_limit = 2048}},
        {QUELM, {"model", "--stats"}, kFailed, "standard output: No space left", {},
         {.full_stdout = true}},
        {QUELM, {"render", "-o", "-"}, kFailed, "standard output: No space left", {},
         {.full_stdout = true}},
        {QUELM, {"render", "--size", "16384x16384"}, kFailed, "quelm: render: out of memory\n", {},
         {.memory_limit = 200 << 20}},
        {VIEWER, {"--bogus"}, kUsage, "unknown option --bogus"},
        {VIEWER, {"--size", "63x100"}, kUsage, "each side must be 64 to 8192"},
        {VIEWER, {"--mode", "orbit"}, kUsage, "'orbit' is not idle, dolly or spin"},
        {VIEWER, {"--background", "256"}, kUsage, "out of range"},
        {VIEWER, {"--frames", "1", "--screenshot", "x.jpg"}, kUsage, "screenshots are PNG"},
        {VIEWER, {}, kFailed,
         "quelm-viewer: no display (use --frames or --script for a headless run)\n",
         {}, {.unset = {"DISPLAY", "WAYLAND_DISPLAY"}, .env = {{"SDL_VIDEODRIVER", "dummy"}}}},
        {VIEWER, {"--frames", "1", "--palette", "/dev/zero"}, kFailed, "larger than any palette"},
        {VIEWER, {"--script", "@/missing.txt"}, kFailed, "cannot read the script"},
        {VIEWER, {"--script", "/dev/zero"}, kFailed, "larger than any script (1048576 bytes)"},
        {VIEWER, {"--script", "@/bogus.txt"}, kFailed,
         "bogus.txt:2: unknown command 'bo\\x01gus'\n"},
        {VIEWER, {"--script", "@/big_number.txt"}, kFailed, "big_number.txt:1: "},
        {VIEWER, {"--script", "@/jpeg.txt"}, kFailed, "jpeg.txt:1: screenshots are PNG"},
        {VIEWER, {"--script", "@/drags.txt"}, kFailed, "more than 100000 input events"},
        {VIEWER, {"--script", "@/overflow.txt"}, kFailed, "overflow.txt:2: unknown command"},
        {VIEWER, {"--script", "@/early.txt", "--size", "320x200"}, kFailed,
         "early.txt:2: no dialog is open"},
        {VIEWER, {"--frames", "1", "--screenshot", "@/read-only/s.png"}, kFailed,
         "Permission denied", {}, {true}},
        {VIEWER, {"--frames", "1", "--size", "640x400", "--screenshot", "big.png"}, kFailed,
         "big.png", {}, {.file_limit = 2048}},
    };
    const std::set<std::string> inputs = names_in(in);
    for (const Row &row : rows) {
        if ((row.how.memory_limit && kSanitized) || row.program.empty()) continue;
        std::vector<std::string> args;
        std::string shown = row.program.substr(row.program.rfind('/') + 1);
        for (const std::string &a : row.args) {
            args.push_back(a.starts_with("@/") ? (in / a.substr(2)).string() : a);
            shown += " " + a;
        }
        SCOPED_TRACE(shown);
        const Outcome o = run(row.program, args, row.how);
        EXPECT_EQ(o.status, row.status) << o.err;
        EXPECT_NE(o.err.find(row.says), std::string::npos) << o.err;
        if (row.status == 0) {
            if (row.check) row.check(*this, o);
        } else {
            const std::string name = row.program == QUELM ? "quelm: " : "quelm-viewer: ";
            EXPECT_TRUE(o.err.starts_with(name)) << o.err;
            EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
            EXPECT_EQ(o.out, "");
            EXPECT_EQ(files(), std::set<std::string>{}) << "left behind";
            EXPECT_EQ(names_in(in), inputs) << "left beside the inputs";
            EXPECT_TRUE(fs::is_empty(in / "read-only"));
        }
        for (const auto &entry : fs::directory_iterator(dir)) fs::remove_all(entry.path());
    }
}

// Outputs that are not new regular files: each stays what it was, with the
// picture's bytes behind it.  Made here, never in the real /dev.
TEST_F(Tools, OutputsThroughDevicesFifosLinksAndLinkedFiles) {
    const std::vector<std::string> render = {"render", "--size", "32x20", "--format", "png",
                                             "--quiet", "-o"};
    const auto render_to = [&](const std::string &target) {
        std::vector<std::string> args = render;
        args.push_back(target);
        return run(QUELM, args);
    };
    ASSERT_EQ(render_to("plain.png").status, 0);
    const std::string picture = slurp(dir / "plain.png");

    fs::create_directory(dir / "real");
    fs::create_symlink("real/linked.png", dir / "link.png");
    Outcome o = render_to("link.png");
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(fs::is_symlink(dir / "link.png"));
    EXPECT_EQ(slurp(dir / "real/linked.png"), picture);

    std::ofstream(dir / "private.png") << "old";
    fs::permissions(dir / "private.png", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_hard_link(dir / "private.png", dir / "twin.png");
    o = render_to("private.png");
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(fs::status(dir / "private.png").permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::hard_link_count(dir / "private.png"), 2u);
    EXPECT_EQ(slurp(dir / "twin.png"), picture);

    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    std::string heard;
    std::thread reader([&] { heard = slurp(dir / "fifo"); });
    o = render_to("fifo");
    close(open((dir / "fifo").c_str(), O_WRONLY | O_NONBLOCK));  // a reader still waiting ends
    reader.join();
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(fs::is_fifo(dir / "fifo"));
    EXPECT_EQ(heard, picture);

    if (geteuid() != 0) GTEST_SKIP() << "making a device node needs root";
    ASSERT_EQ(mknod((dir / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    ASSERT_EQ(mknod((dir / "full").c_str(), S_IFCHR | 0666, makedev(1, 7)), 0);
    EXPECT_EQ(render_to("null").status, 0);
    o = render_to("full");
    EXPECT_EQ(o.status, kFailed);
    EXPECT_NE(o.err.find("cannot write 'full': No space left"), std::string::npos) << o.err;
    for (const char *node : {"null", "full"}) {
        struct stat st {};
        ASSERT_EQ(stat((dir / node).c_str(), &st), 0);
        EXPECT_TRUE(S_ISCHR(st.st_mode)) << node;
        EXPECT_EQ(minor(st.st_rdev), std::string(node) == "null" ? 3u : 7u);
    }
}

// A signal leaves no temporary; one that was ignored stays ignored; the
// viewer quits in order on an interrupt after a screenshot.
TEST_F(Tools, Signals) {
    const std::vector<std::string> spin = {"spin", "--size", "320x200", "--frames", "100000"};
    pid_t pid = start(QUELM, spin);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    kill(pid, SIGTERM);
    EXPECT_EQ(finish(pid, 30).status, 128 + SIGTERM);
    EXPECT_EQ(files(), std::set<std::string>{});

    pid = start(QUELM, {"spin", "--size", "64x40", "--frames", "2000"}, {.ignore_hangup = true});
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    kill(pid, SIGHUP);
    Outcome o = finish(pid, 60);
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(files(), std::set<std::string>{"spin.gif"});

    std::ofstream(dir / "shot.txt") << "screenshot first.png\nwait 1000000\n";
    pid = start(VIEWER, {"--script", "shot.txt", "--size", "320x200"});
    EXPECT_TRUE(wait_for([&] { return fs::exists(dir / "first.png"); }, 60));
    kill(pid, SIGINT);
    o = finish(pid, 30);
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("summary: "), std::string::npos);
}

}  // namespace
