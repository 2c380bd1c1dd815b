#pragma once
// Private to the config room: the file-system calls that differ between systems (FilesPosix.cpp,
// FilesWindows.cpp). Everything above them works on std::filesystem::path.

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

namespace orq {

struct FileRead {
    bool found = false;     // the file existed
    std::error_code error;  // set when it exists but could not be read (a folder, say)
    std::string text;
};
FileRead ReadWholeFile(const std::filesystem::path& path);

// The file's content replaced whole, never half: see WriteProfileFile.
std::error_code ReplaceFileContents(const std::filesystem::path& path, std::string_view bytes);

// What replacing `path` replaces: a symbolic link's target, else the path itself.
inline std::error_code ReplacedFile(const std::filesystem::path& path,
                                    std::filesystem::path& target) {
    std::error_code ec;
    target = path;
    // A path that is not there yet is no link: only following one can fail.
    if (std::filesystem::is_symlink(path, ec))
        target = std::filesystem::canonical(path, ec);
    else
        ec.clear();
    return ec;
}

// Removes the temporary file a replacement writes first, unless it has been put in place.
class TempFileGuard {
public:
    explicit TempFileGuard(std::filesystem::path path) : path_(std::move(path)) {}
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;
    ~TempFileGuard() {
        std::error_code ignored;  // nothing to tell: the replacement has failed already
        if (!path_.empty()) std::filesystem::remove(path_, ignored);
    }
    void Release() { path_.clear(); }

private:
    std::filesystem::path path_;
};

}  // namespace orq
