// Runs a host program as a user runs it: in a fresh folder of the test's
// own, its standard output and error caught in files beside that folder,
// every wait bounded.
#ifndef QUELM_TESTS_RUN_TOOL_H
#define QUELM_TESTS_RUN_TOOL_H

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace quelm_test {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;  // the exit status, or 128 + the signal
    std::string out, err;
};

// How a run differs from a plain one.
struct Launch {
    bool as_nobody = false;         // unprivileged, so that permissions hold for root too
    rlim_t file_limit = 0;          // bytes a file may grow to: a "full disk"
    rlim_t memory_limit = 0;        // bytes of address space
    bool full_stdout = false;       // standard output on /dev/full
    bool ignore_hangup = false;     // as nohup starts it
    std::vector<std::string> unset{};  // environment variables removed
    std::vector<std::pair<std::string, std::string>> env{};
};

inline std::string slurp(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The names in a folder, temporary files included.
inline std::set<std::string> names_in(const fs::path &folder) {
    std::set<std::string> names;
    for (const auto &entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// Polls until `done` or the time is up; false on timeout.
inline bool wait_for(const std::function<bool()> &done, double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

class ToolTest : public ::testing::Test {
public:
    void SetUp() override {
        char pattern[] = "/tmp/quelm-tool-test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        top = pattern;
        dir = top / "work";
        fs::create_directory(dir);
        fs::permissions(top, fs::perms::all);
        fs::permissions(dir, fs::perms::all);
    }
    void TearDown() override { fs::remove_all(top); }

    pid_t start(const std::string &program, const std::vector<std::string> &args,
                const Launch &how = {}) const {
        const pid_t pid = fork();
        if (pid != 0) return pid;
        if (chdir(dir.c_str()) != 0 ||
            !freopen(how.full_stdout ? "/dev/full" : (top / "stdout").c_str(), "w", stdout) ||
            !freopen((top / "stderr").c_str(), "w", stderr))
            _exit(127);
        // Writes past the limit fail with EFBIG instead of killing.
        std::signal(SIGXFSZ, how.file_limit ? SIG_IGN : SIG_DFL);
        if (how.ignore_hangup) std::signal(SIGHUP, SIG_IGN);
        const rlimit files{how.file_limit, how.file_limit};
        const rlimit memory{how.memory_limit, how.memory_limit};
        if ((how.file_limit && setrlimit(RLIMIT_FSIZE, &files) != 0) ||
            (how.memory_limit && setrlimit(RLIMIT_AS, &memory) != 0))
            _exit(127);
        constexpr uid_t kNobody = 65534;
        if (how.as_nobody && geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0))
            _exit(127);
        for (const std::string &name : how.unset) unsetenv(name.c_str());
        for (const auto &[name, value] : how.env) setenv(name.c_str(), value.c_str(), 1);
        std::vector<char *> argv{const_cast<char *>(program.c_str())};
        for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }

    // Waits at most `seconds` for the program, then kills it and fails.
    Outcome finish(pid_t pid, double seconds = 60) const {
        int wstatus = 0;
        if (!wait_for([&] { return waitpid(pid, &wstatus, WNOHANG) == pid; }, seconds)) {
            ADD_FAILURE() << "still running after " << seconds << " s: killed";
            kill(pid, SIGKILL);
            waitpid(pid, &wstatus, 0);
        }
        return {WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus),
                slurp(top / "stdout"), slurp(top / "stderr")};
    }

    Outcome run(const std::string &program, const std::vector<std::string> &args,
                const Launch &how = {}) const {
        return finish(start(program, args, how));
    }

    // What the program left in its folder.
    std::set<std::string> files() const { return names_in(dir); }

    fs::path top, dir;
};

}  // namespace quelm_test

#endif
