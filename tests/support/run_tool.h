// Runs a host program as a user runs it: in a fresh folder of the test's
// own, its standard output and error caught in files beside that folder.
#ifndef QUELM_TESTS_RUN_TOOL_H
#define QUELM_TESTS_RUN_TOOL_H

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace quelm_test {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;  // the exit status, or 128 + the signal
    std::string out, err;
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

// The arguments as a command line shows them, for messages.
inline std::string joined(const std::vector<std::string> &args) {
    std::string shown;
    for (const std::string &a : args) shown += " " + a;
    return shown;
}

class ToolTest : public ::testing::Test {
protected:
    explicit ToolTest(const char *path) : program(path) {}

    void SetUp() override {
        char pattern[] = "/tmp/quelm-tool-test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        top = pattern;
        dir = top / "work";
        fs::create_directory(dir);
    }
    void TearDown() override { fs::remove_all(top); }

    pid_t start(const std::vector<std::string> &args) const {
        const pid_t pid = fork();
        if (pid == 0) {
            if (chdir(dir.c_str()) != 0 || !freopen((top / "stdout").c_str(), "w", stdout) ||
                !freopen((top / "stderr").c_str(), "w", stderr))
                _exit(127);
            std::vector<char *> argv{const_cast<char *>(program)};
            for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
            argv.push_back(nullptr);
            execv(program, argv.data());
            _exit(127);
        }
        return pid;
    }

    Outcome run(const std::vector<std::string> &args) const {
        int wstatus = 0;
        waitpid(start(args), &wstatus, 0);
        return {WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus),
                slurp(top / "stdout"), slurp(top / "stderr")};
    }

    // What the program left in the folder, temporary files included.
    std::set<std::string> files() const {
        std::set<std::string> names;
        for (const auto &entry : fs::directory_iterator(dir))
            names.insert(entry.path().filename().string());
        return names;
    }

    const char *program;
    fs::path top, dir;
};

}  // namespace quelm_test

#endif
