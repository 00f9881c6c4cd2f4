// Output files that appear whole or not at all.
#include "tools/quelm/output_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <vector>

#include "tools/quelm/cli.h"

namespace quelm_tool {

namespace {

[[noreturn]] void cannot_write(const std::string &path, int error) {
    failed("cannot write '" + path + "': " + std::strerror(error));
}

// Temporary files in the making, so that an interrupt removes them too.  A
// verb holds at most two (an OBJ and its MTL).
std::atomic<const char *> pending[2];

void remove_pending_and_die(int signal) {
    for (auto &name : pending)
        if (const char *temp = name.load()) unlink(temp);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void hold(const std::string &temp) {
    static const bool handled = [] {
        for (int s : {SIGINT, SIGTERM, SIGHUP}) std::signal(s, remove_pending_and_die);
        return true;
    }();
    (void)handled;
    for (auto &name : pending) {
        const char *none = nullptr;
        if (name.compare_exchange_strong(none, temp.c_str())) return;
    }
}

void release(const std::string &temp) {
    for (auto &name : pending) {
        const char *mine = temp.c_str();
        name.compare_exchange_strong(mine, nullptr);
    }
}

}  // namespace

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {
    namespace fs = std::filesystem;
    const fs::path target(path_);
    if (path_.empty() || !target.has_filename()) failed("'" + path_ + "' is not a file name");
    std::error_code ec;
    if (fs::is_directory(target, ec)) cannot_write(path_, EISDIR);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0) cannot_write(path_, errno);
    temp_ = name.data();
    hold(temp_);
    // mkstemp makes the file private; give it the mode a plain create would.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    stream_ = fdopen(fd, "wb");
    if (!stream_) {
        const int error = errno;
        close(fd);
        unlink(temp_.c_str());
        release(temp_);
        temp_.clear();
        cannot_write(path_, error);
    }
}

OutputFile::~OutputFile() {
    if (stream_) std::fclose(stream_);
    if (!temp_.empty()) {
        unlink(temp_.c_str());
        release(temp_);
    }
}

void OutputFile::commit() {
    const bool flushed = std::fflush(stream_) == 0 && !std::ferror(stream_);
    const int flush_error = errno;
    const bool closed = std::fclose(stream_) == 0;
    stream_ = nullptr;
    if (!flushed) cannot_write(path_, flush_error);
    if (!closed) cannot_write(path_, errno);
    if (std::rename(temp_.c_str(), path_.c_str()) != 0) cannot_write(path_, errno);
    release(temp_);
    temp_.clear();
}

}  // namespace quelm_tool
