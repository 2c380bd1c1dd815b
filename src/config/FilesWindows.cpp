// The file-system calls of configuration files and backups on Windows, all wide-character so a
// folder named in any script works: a file replaced whole by a temporary file beside it, written
// through to the disk, then put in its place by ReplaceFileW (which keeps the old file's
// attributes and security) or MoveFileExW; devices and pipes written straight.

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <utility>

#include "config/Paths.h"
#include "config/Profile.h"
#include "config/SystemFiles.h"

namespace orq {

namespace fs = std::filesystem;

namespace {

std::error_code LastError() {
    return {static_cast<int>(::GetLastError()), std::system_category()};
}

class UniqueHandle {
public:
    explicit UniqueHandle(HANDLE h) : h_(h) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() {
        if (valid()) ::CloseHandle(h_);
    }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    HANDLE get() const { return h_; }
    // Closes now so that a failing close can be reported.
    std::error_code Close() {
        const HANDLE h = std::exchange(h_, INVALID_HANDLE_VALUE);
        return ::CloseHandle(h) ? std::error_code{} : LastError();
    }

private:
    HANDLE h_;
};

std::error_code WriteAll(HANDLE h, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD n = 0;
        const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        if (!::WriteFile(h, bytes.data(), ask, &n, nullptr)) return LastError();
        bytes.remove_prefix(n);
    }
    return {};
}

HANDLE CreateTempBeside(const fs::path& target, fs::path& tempPath) {
    std::random_device random;
    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(L".");
    for (int attempt = 0; attempt < 16; ++attempt) {
        tempPath = dir / (L"." + target.filename().wstring() + L"." +
                          std::to_wstring(static_cast<unsigned>(random())) + L"~");
        HANDLE h = ::CreateFileW(tempPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
        if (h != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_FILE_EXISTS) return h;
    }
    ::SetLastError(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
}

std::error_code WriteThrough(const fs::path& path, std::string_view bytes) {
    UniqueHandle h(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr));
    if (!h.valid()) return LastError();
    if (auto e = WriteAll(h.get(), bytes)) return e;
    return h.Close();
}

}  // namespace

std::error_code ReplaceFileContents(const fs::path& path, std::string_view bytes) {
    if (IsWrittenThrough(path)) return WriteThrough(path, bytes);
    fs::path target;
    if (const std::error_code ec = ReplacedFile(path, target)) return ec;
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    const bool existed = attributes != INVALID_FILE_ATTRIBUTES;
    if (!existed && ::GetLastError() != ERROR_FILE_NOT_FOUND) return LastError();
    if (existed) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            return std::make_error_code(std::errc::is_a_directory);
        // Replacing a read-only file would quietly defeat the protection.
        if (attributes & FILE_ATTRIBUTE_READONLY)
            return std::make_error_code(std::errc::permission_denied);
    }

    fs::path tempPath;
    UniqueHandle h(CreateTempBeside(target, tempPath));
    if (!h.valid()) return LastError();
    TempFileGuard guard(tempPath);
    if (auto e = WriteAll(h.get(), bytes)) return e;
    if (!::FlushFileBuffers(h.get())) return LastError();
    if (auto e = h.Close()) return e;
    bool placed = existed && ::ReplaceFileW(target.c_str(), tempPath.c_str(), nullptr,
                                            REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
    if (!placed)
        placed = ::MoveFileExW(tempPath.c_str(), target.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!placed) return LastError();
    guard.Release();
    return {};
}

bool IsWrittenThrough(const fs::path& path) {
    // A console, the null device, a pipe: what is not a file on a disk holds no sections to keep.
    UniqueHandle h(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return h.valid() && ::GetFileType(h.get()) != FILE_TYPE_DISK;
}

FileRead ReadWholeFile(const fs::path& path) {
    FileRead result;
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        result.found = true;
        result.error = std::make_error_code(std::errc::is_a_directory);
        return result;
    }
    UniqueHandle h(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr));
    if (!h.valid()) {
        const DWORD err = ::GetLastError();
        if (err != ERROR_FILE_NOT_FOUND && err != ERROR_PATH_NOT_FOUND) {
            result.found = true;
            result.error = {static_cast<int>(err), std::system_category()};
        }
        return result;
    }
    result.found = true;
    char buffer[8192];
    for (;;) {
        DWORD n = 0;
        if (!::ReadFile(h.get(), buffer, sizeof buffer, &n, nullptr)) {
            if (::GetLastError() == ERROR_BROKEN_PIPE) break;  // a pipe's end
            result.error = LastError();
            return result;
        }
        if (n == 0) break;
        result.text.append(buffer, n);
    }
    return result;
}

fs::path UserDataFolder() {
    const wchar_t* local = ::_wgetenv(L"LOCALAPPDATA");
    if (local && *local) return fs::path(local);
    return {};
}

}  // namespace orq
