// The file-system calls of configuration files and backups on POSIX: a file replaced whole by a
// temporary file beside it, synced and renamed over it; devices and pipes written straight.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "config/Paths.h"
#include "config/Profile.h"
#include "config/SystemFiles.h"

namespace orq {

namespace fs = std::filesystem;

namespace {

std::error_code LastError() {
    return {errno, std::generic_category()};
}

class UniqueFd {
public:
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    // Closes now so that a failing close (delayed write errors) can be reported.
    std::error_code Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0 ? std::error_code{} : LastError();
    }

private:
    int fd_;
};

std::error_code WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return LastError();
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return {};
}

// Creates a fresh file next to `target` that no one else uses. The mode 0666 lets the umask
// decide the permissions of a file that did not exist before, as any new file gets.
int CreateTempBeside(const fs::path& target, fs::path& tempPath) {
    std::random_device random;
    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    for (int attempt = 0; attempt < 16; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%08x~", static_cast<unsigned>(random()));
        std::string name = ".";
        name += target.filename().string();
        name += suffix;
        tempPath = dir / name;
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// Straight into what is already there: a device, a pipe, a descriptor of our own.
std::error_code WriteThrough(const fs::path& path, std::string_view bytes) {
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0) return LastError();
    if (auto e = WriteAll(fd.get(), bytes)) return e;
    return fd.Close();
}

}  // namespace

std::error_code ReplaceFileContents(const fs::path& path, std::string_view bytes) {
    if (IsWrittenThrough(path)) return WriteThrough(path, bytes);
    fs::path target;
    if (const std::error_code ec = ReplacedFile(path, target)) return ec;
    struct stat old {};
    const bool existed = ::stat(target.c_str(), &old) == 0;
    if (!existed && errno != ENOENT) return LastError();
    if (existed) {
        if (S_ISDIR(old.st_mode)) return std::make_error_code(std::errc::is_a_directory);
        // Renaming over a write-protected file would quietly defeat the protection.
        if (::access(target.c_str(), W_OK) != 0) return LastError();
    }

    fs::path tempPath;
    UniqueFd fd(CreateTempBeside(target, tempPath));
    if (fd.get() < 0) return LastError();
    TempFileGuard guard(tempPath);
    if (existed && ::fchmod(fd.get(), old.st_mode & 07777) != 0) return LastError();
    if (auto e = WriteAll(fd.get(), bytes)) return e;
    if (::fsync(fd.get()) != 0) return LastError();
    if (auto e = fd.Close()) return e;
    if (::rename(tempPath.c_str(), target.c_str()) != 0) return LastError();
    guard.Release();
    return {};
}

bool IsWrittenThrough(const fs::path& path) {
    // The process's own descriptors: renaming something over the file behind one would leave
    // whoever holds the descriptor (a shell redirection) with the old, empty file.
    const std::string p = path.lexically_normal().string();
    for (const char* own : {"/dev/stdout", "/dev/stderr", "/dev/fd/", "/proc/self/fd/"})
        if (p.rfind(own, 0) == 0) return true;
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

FileRead ReadWholeFile(const fs::path& path) {
    FileRead result;
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno != ENOENT) {
            result.found = true;
            result.error = LastError();
        }
        return result;
    }
    result.found = true;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        result.error = LastError();
        return result;
    }
    if (S_ISDIR(st.st_mode)) {
        result.error = std::make_error_code(std::errc::is_a_directory);
        return result;
    }
    if (S_ISREG(st.st_mode)) result.text.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            result.error = LastError();
            return result;
        }
        result.text.append(buffer, static_cast<std::size_t>(n));
    }
    return result;
}

fs::path UserDataFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && *data == '/') return fs::path(data);
    const char* home = std::getenv("HOME");
    if (home && *home) return fs::path(home) / ".local" / "share";
    return {};
}

}  // namespace orq
