#pragma once
// Initialisation-file ("private profile") access: [section] headers and key=value lines.
//
// Lookup ignores the case of section and key names (ASCII only) and trims values of surrounding
// blanks; a missing file, section or key reads as empty text. Writing a key replaces its line in
// place, or appends it after the last key line of its section (so blank lines and comments that
// close the section stay where they are), or appends the section at the end of the file. Every
// other byte of the file stays as it was, line ends included; new lines take the line end the
// file already uses (the first one found), CRLF in a file that has none.
//
// A ProfileDocument holds the whole file in memory, so a caller that writes many keys reads the
// file once, edits the document, and writes it once.

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace orq {

enum class LineEnding { CrLf, Lf };

class ProfileDocument {
public:
    ProfileDocument() = default;  // an empty file
    explicit ProfileDocument(std::string_view text);

    // Value of the first matching key in the first matching section, trimmed; empty when absent.
    std::string Get(std::string_view section, std::string_view key) const;

    // Writes the key as "key=value". Refuses (false, document unchanged) anything that would not
    // read back as written: non-ASCII or control characters, an empty section or key, a section
    // holding ']', a key holding '=' or starting with '[' or ';', names with surrounding blanks.
    bool Set(std::string_view section, std::string_view key, std::string_view value);

    std::string Text() const;
    LineEnding Ending() const { return ending_; }

private:
    struct Line {
        std::string content;  // without its line end
        std::string end;      // "\r\n", "\n", or "" for a last line without one
        bool header = false;  // opens a section: every lookup walks the headers, so known once
    };
    std::size_t FindSection(std::string_view section) const;  // lines_.size() when missing
    std::size_t SectionEnd(std::size_t header) const;
    std::string_view NewLineEnd() const { return ending_ == LineEnding::CrLf ? "\r\n" : "\n"; }
    void TerminateLastLine();

    std::vector<Line> lines_;
    LineEnding ending_ = LineEnding::CrLf;
};

struct ProfileReadResult {
    ProfileDocument document;  // empty when the file does not exist or could not be read
    bool found = false;        // the file existed
    std::error_code error;     // set when the file exists but could not be read
};

// A missing file is not an error: it reads as an empty document with `found` false.
[[nodiscard]] ProfileReadResult ReadProfileFile(const std::filesystem::path& path);

// Replaces the file's content by the document's text. The text goes to a temporary file in the
// same folder first (with the old file's permission bits) and is renamed over the old file only
// once it is complete on disk, so a failure never leaves a half-written file behind. A symbolic
// link is followed and its target replaced. What is written through (below) gets the text
// directly; a folder is refused. Returns the failure, empty on success.
[[nodiscard]] std::error_code WriteProfileFile(const std::filesystem::path& path,
                                               const ProfileDocument& doc);

// True for what is not a file to replace but a stream to write into: a device (/dev/null, a
// terminal), a pipe or socket, and the process's own descriptors (/dev/stdout, /dev/fd/N).
// Such a target holds no sections to keep, so it is neither read first nor renamed over.
bool IsWrittenThrough(const std::filesystem::path& path);

// One-key conveniences with the classic private-profile signatures. Each reads (and writes) the
// whole file, so use ProfileDocument for more than one key.
std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    const std::filesystem::path& path);
std::error_code WritePrivateProfileString(std::string_view section, std::string_view key,
                                          std::string_view value,
                                          const std::filesystem::path& path);

}  // namespace orq
