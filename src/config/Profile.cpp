#include "config/Profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <optional>
#include <random>

namespace orq {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kBlanks = " \t\r\v\f";

std::string_view TrimLeft(std::string_view s) {
    const auto first = s.find_first_not_of(kBlanks);
    return first == std::string_view::npos ? std::string_view{} : s.substr(first);
}

std::string_view Trim(std::string_view s) {
    s = TrimLeft(s);
    return s.substr(0, s.find_last_not_of(kBlanks) + 1);
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}

// The name of the section a header line opens, or nothing for any other line.
std::optional<std::string_view> HeaderName(std::string_view line) {
    std::string_view t = TrimLeft(line);
    if (t.empty() || t.front() != '[') return std::nullopt;
    t.remove_prefix(1);
    return Trim(t.substr(0, t.find(']')));
}

// The key of a key line, or nothing for headers, comments, blank lines and lines without '='.
std::optional<std::string_view> KeyName(std::string_view line) {
    const std::string_view t = TrimLeft(line);
    if (t.empty() || t.front() == ';' || t.front() == '[') return std::nullopt;
    const auto eq = t.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return Trim(t.substr(0, eq));
}

bool IsPrintableAscii(std::string_view s) {
    for (char c : s) {
        if (c < 0x20 || c > 0x7E) return false;  // char may be signed: bytes >= 0x80 are < 0
    }
    return true;
}

bool IsCleanName(std::string_view s) {
    return !s.empty() && Trim(s) == s && IsPrintableAscii(s);
}

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

// Removes the temporary file unless it has been renamed into place.
class TempFileGuard {
public:
    explicit TempFileGuard(fs::path path) : path_(std::move(path)) {}
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;
    ~TempFileGuard() {
        if (!path_.empty()) ::unlink(path_.c_str());
    }
    void Release() { path_.clear(); }

private:
    fs::path path_;
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

std::error_code ReplaceFileContents(const fs::path& path, std::string_view bytes) {
    if (IsWrittenThrough(path)) return WriteThrough(path, bytes);
    fs::path target = path;
    std::error_code ec;
    if (fs::is_symlink(path, ec)) {
        target = fs::canonical(path, ec);
        if (ec) return ec;
    }
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

}  // namespace

bool IsWrittenThrough(const fs::path& path) {
    // The process's own descriptors: renaming something over the file behind one would leave
    // whoever holds the descriptor (a shell redirection) with the old, empty file.
    const std::string p = path.lexically_normal().string();
    for (const char* own : {"/dev/stdout", "/dev/stderr", "/dev/fd/", "/proc/self/fd/"})
        if (p.rfind(own, 0) == 0) return true;
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

ProfileDocument::ProfileDocument(std::string_view text) {
    bool endingSeen = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto nl = text.find('\n', pos);
        if (nl == std::string_view::npos) {
            lines_.push_back({std::string(text.substr(pos)), ""});
            break;
        }
        const bool cr = nl > pos && text[nl - 1] == '\r';
        lines_.push_back(
            {std::string(text.substr(pos, nl - pos - (cr ? 1 : 0))), cr ? "\r\n" : "\n"});
        if (!endingSeen) {
            ending_ = cr ? LineEnding::CrLf : LineEnding::Lf;
            endingSeen = true;
        }
        pos = nl + 1;
    }
    for (Line& l : lines_) l.header = HeaderName(l.content).has_value();
}

std::size_t ProfileDocument::FindSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (!lines_[i].header) continue;
        const auto name = HeaderName(lines_[i].content);
        if (name && EqualNoCase(*name, section)) return i;
    }
    return lines_.size();
}

std::size_t ProfileDocument::SectionEnd(std::size_t header) const {
    std::size_t i = header + 1;
    while (i < lines_.size() && !lines_[i].header) ++i;
    return i;
}

std::string ProfileDocument::Get(std::string_view section, std::string_view key) const {
    const std::size_t header = FindSection(section);
    if (header == lines_.size()) return {};
    const std::size_t end = SectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        const std::string_view line = lines_[i].content;
        const auto name = KeyName(line);
        if (name && EqualNoCase(*name, key))
            return std::string(Trim(line.substr(line.find('=') + 1)));
    }
    return {};
}

void ProfileDocument::TerminateLastLine() {
    if (!lines_.empty() && lines_.back().end.empty()) lines_.back().end = NewLineEnd();
}

bool ProfileDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    if (!IsCleanName(section) || section.find(']') != std::string_view::npos) return false;
    if (!IsCleanName(key) || key.find('=') != std::string_view::npos || key.front() == '[' ||
        key.front() == ';') {
        return false;
    }
    if (!IsPrintableAscii(value) || Trim(value) != value) return false;

    std::string line;
    line.reserve(key.size() + 1 + value.size());
    line.append(key).append("=").append(value);

    const std::size_t header = FindSection(section);
    if (header == lines_.size()) {
        TerminateLastLine();
        lines_.push_back({"[" + std::string(section) + "]", std::string(NewLineEnd()), true});
        lines_.push_back({std::move(line), std::string(NewLineEnd())});
        return true;
    }
    const std::size_t end = SectionEnd(header);
    std::size_t insertAt = header + 1;
    for (std::size_t i = header + 1; i < end; ++i) {
        const auto name = KeyName(lines_[i].content);
        if (!name) continue;
        if (EqualNoCase(*name, key)) {
            lines_[i].content = std::move(line);
            return true;
        }
        insertAt = i + 1;
    }
    Line& before = lines_[insertAt - 1];
    if (before.end.empty()) before.end = NewLineEnd();
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt),
                  Line{std::move(line), std::string(NewLineEnd())});
    return true;
}

std::string ProfileDocument::Text() const {
    std::size_t size = 0;
    for (const Line& l : lines_) size += l.content.size() + l.end.size();
    std::string text;
    text.reserve(size);
    for (const Line& l : lines_) text.append(l.content).append(l.end);
    return text;
}

ProfileReadResult ReadProfileFile(const fs::path& path) {
    ProfileReadResult result;
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
    std::string text;
    if (S_ISREG(st.st_mode)) text.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            result.error = LastError();
            return result;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    result.document = ProfileDocument(text);
    return result;
}

std::error_code WriteProfileFile(const fs::path& path, const ProfileDocument& doc) {
    return ReplaceFileContents(path, doc.Text());
}

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    const fs::path& path) {
    return ReadProfileFile(path).document.Get(section, key);
}

std::error_code WritePrivateProfileString(std::string_view section, std::string_view key,
                                          std::string_view value, const fs::path& path) {
    ProfileReadResult file = ReadProfileFile(path);
    if (file.error) return file.error;
    if (!file.document.Set(section, key, value)) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    return WriteProfileFile(path, file.document);
}

}  // namespace orq
