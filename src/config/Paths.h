#pragma once
// Paths inside the program are UTF-8 strings (what a command line, a dialog or a file name
// brings, converted once where it comes in). A path object made here names the same file on every
// system: on Windows the wide-character calls then reach folders named in any script.

#include <filesystem>
#include <string>
#include <string_view>

namespace orq {

inline std::filesystem::path PathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string Utf8Of(const std::filesystem::path& path) {
    const std::u8string u8 = path.u8string();
    return std::string(u8.begin(), u8.end());
}

// Where the program keeps what is the user's own (the backups): $XDG_DATA_HOME or
// ~/.local/share on Linux, %LOCALAPPDATA% on Windows; empty when the system names none.
std::filesystem::path UserDataFolder();

}  // namespace orq
