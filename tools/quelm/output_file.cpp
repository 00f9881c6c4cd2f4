// Where a tool's output goes.
#include "tools/quelm/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "tools/quelm/cli.h"

namespace quelm_tool {

namespace {

[[noreturn]] void cannot_write(const std::string &path, int error) {
    failed("cannot write '" + path + "': " + std::strerror(error));
}

std::string folder_of(const std::string &path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The path with symbolic links followed to what they name, which need not
// exist yet.
std::string follow_links(const std::string &path) {
    std::string at = path;
    for (int hops = 0;; ++hops) {
        struct stat st {};
        if (lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return at;
        if (hops == 40) cannot_write(path, ELOOP);
        std::vector<char> link(size_t(st.st_size > 0 ? st.st_size : 4096) + 1);
        const ssize_t n = readlink(at.c_str(), link.data(), link.size());
        if (n < 0) cannot_write(path, errno);
        std::string to(link.data(), size_t(n));
        if (!to.starts_with('/') && at.find('/') != std::string::npos)
            to = folder_of(at) + "/" + to;
        at = to;
    }
}

// Where the output will go, once checked to be writable.
std::string checked_target(const std::string &path) {
    if (path.empty() || path.back() == '/') failed("'" + path + "' is not a file name");
    const std::string target = follow_links(path);
    struct stat st {};
    if (stat(target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) cannot_write(path, EISDIR);
        if (access(target.c_str(), W_OK) != 0) cannot_write(path, errno);
        return target;
    }
    if (errno != ENOENT) cannot_write(path, errno);
    const std::string folder = folder_of(target);
    if (stat(folder.c_str(), &st) != 0) cannot_write(path, errno);
    if (!S_ISDIR(st.st_mode)) cannot_write(path, ENOTDIR);
    if (access(folder.c_str(), W_OK | X_OK) != 0) cannot_write(path, errno);
    const long longest = pathconf(folder.c_str(), _PC_NAME_MAX);
    if (longest > 0 && target.size() - target.rfind('/') - 1 > size_t(longest))
        cannot_write(path, ENAMETOOLONG);
    return target;
}

bool write_all(int fd, const char *bytes, size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        size -= size_t(n);
    }
    return true;
}

// Catchable signals wait while a temporary exists, whatever their handlers.
class HeldSignals {
public:
    HeldSignals() {
        sigset_t held;
        sigfillset(&held);
        for (int s : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGSYS})
            sigdelset(&held, s);
        sigprocmask(SIG_BLOCK, &held, &old_);
    }
    ~HeldSignals() { sigprocmask(SIG_SETMASK, &old_, nullptr); }
    HeldSignals(const HeldSignals &) = delete;
    HeldSignals &operator=(const HeldSignals &) = delete;

private:
    sigset_t old_;
};

// A temporary beside the target renamed over it, with the mode of a new file
// or, given one, the mode and owner of the file it replaces.  False, with
// errno set and nothing left, when it cannot be done.
bool replace(const std::string &target, const char *bytes, size_t size, const struct stat *old) {
    std::string name = folder_of(target) + "/.quelm-XXXXXX";
    const HeldSignals held;
    const int fd = mkstemp(name.data());
    if (fd < 0) return false;
    const mode_t mask = umask(0);
    umask(mask);
    bool ok = write_all(fd, bytes, size);
    if (ok && old) ok = fchown(fd, old->st_uid, old->st_gid) == 0;
    if (ok) ok = fchmod(fd, old ? old->st_mode & 07777 : 0666 & ~mask) == 0;
    ok = close(fd) == 0 && ok;
    if (ok) ok = rename(name.c_str(), target.c_str()) == 0;
    if (!ok) {
        const int error = errno;
        unlink(name.c_str());
        errno = error;
    }
    return ok;
}

// Writes over what the path names: a device or FIFO takes the bytes as a
// stream, a regular file is cut to their length.
bool write_through(const std::string &target, const char *bytes, size_t size, bool regular) {
    const int fd = open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = write_all(fd, bytes, size);
    if (ok && regular) ok = ftruncate(fd, off_t(size)) == 0;
    const int error = errno;
    ok = close(fd) == 0 && ok;
    if (!ok && errno == 0) errno = error;
    return ok;
}

}  // namespace

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {
    if (path_ != "-") target_ = checked_target(path_);
    stream_ = open_memstream(&buffer_, &size_);
    if (!stream_) throw std::bad_alloc();
}

OutputFile::~OutputFile() {
    if (stream_) std::fclose(stream_);
    std::free(buffer_);
}

size_t OutputFile::commit() {
    // Writes to memory fail only for want of it.
    const bool made = std::fflush(stream_) == 0 && !std::ferror(stream_);
    std::fclose(stream_);
    stream_ = nullptr;
    if (!made) throw std::bad_alloc();
    if (path_ == "-") {
        if (std::fwrite(buffer_, 1, size_, stdout) != size_ || std::fflush(stdout) != 0)
            failed(std::string("cannot write standard output: ") + std::strerror(errno));
        return size_;
    }
    errno = 0;
    struct stat st {};
    bool ok;
    if (stat(target_.c_str(), &st) != 0)
        ok = replace(target_, buffer_, size_, nullptr);
    else if (!S_ISREG(st.st_mode))
        ok = write_through(target_, buffer_, size_, false);
    else if (st.st_nlink == 1 && replace(target_, buffer_, size_, &st))
        ok = true;
    else  // other links must see the new bytes, and a file we may not replace takes them
        ok = (st.st_nlink > 1 || errno == EPERM || errno == EACCES) &&
             write_through(target_, buffer_, size_, true);
    if (!ok) cannot_write(path_, errno ? errno : EIO);
    return size_;
}

std::string extension_of(std::string_view path) {
    const size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return "";
    std::string ext(name.substr(dot));
    for (char &c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

void report_written(const std::string &path, size_t bytes, const std::string &detail) {
    const std::string size = bytes < 1024 ? std::to_string(bytes) + " bytes"
                                          : std::to_string((bytes + 512) / 1024) + " KB";
    std::fprintf(stderr, "wrote %s (%s%s)\n", path == "-" ? "standard output" : path.c_str(),
                 detail.empty() ? "" : (detail + ", ").c_str(), size.c_str());
}

}  // namespace quelm_tool
