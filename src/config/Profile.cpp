#include "config/Profile.h"

#include <optional>

#include "config/SystemFiles.h"

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

}  // namespace

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
    FileRead read = ReadWholeFile(path);
    result.found = read.found;
    result.error = read.error;
    if (read.found && !read.error) result.document = ProfileDocument(read.text);
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
