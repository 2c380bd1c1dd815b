#pragma once
// Private to the config room: the file-system calls that differ between systems (FilesPosix.cpp,
// FilesWindows.cpp). Everything above them works on std::filesystem::path.

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace orq {

struct FileRead {
    bool found = false;     // the file existed
    std::error_code error;  // set when it exists but could not be read (a folder, say)
    std::string text;
};
FileRead ReadWholeFile(const std::filesystem::path& path);

// The file's content replaced whole, never half: see WriteProfileFile.
std::error_code ReplaceFileContents(const std::filesystem::path& path, std::string_view bytes);

}  // namespace orq
