#include "config/Backups.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>

#include "config/ConfigFile.h"
#include "config/Paths.h"
#include "config/Profile.h"
#include "protocol/Presets.h"

namespace orq {

namespace fs = std::filesystem;

namespace {

// "0007-20261207-004012-found.ini": id, UTC time, cause. The id leads so that names sort in the
// order the backups were kept, even when the clock steps back.
struct Name {
    unsigned id = 0;
    std::string stamp, cause;
};

std::optional<Name> ParseName(const std::string& file) {
    unsigned id = 0;
    char date[9] = {}, time[7] = {}, cause[65] = {};
    if (file.size() < 4 || file.substr(file.size() - 4) != ".ini") return std::nullopt;
    const std::string stem = file.substr(0, file.size() - 4);
    if (std::sscanf(stem.c_str(), "%u-%8[0-9]-%6[0-9]-%64[a-z0-9-]", &id, date, time, cause) != 4)
        return std::nullopt;
    return Name{id, std::string(date) + std::string(time), cause};
}

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string Readable(const std::string& stamp) {  // 20261207004012 -> 2026-12-07 00:40:12
    if (stamp.size() != 14) return stamp;
    return stamp.substr(0, 4) + "-" + stamp.substr(4, 2) + "-" + stamp.substr(6, 2) + " " +
           stamp.substr(8, 2) + ":" + stamp.substr(10, 2) + ":" + stamp.substr(12, 2);
}

}  // namespace

fs::path BackupStore::DefaultFolder() {
    const fs::path data = UserDataFolder();
    return data.empty() ? data : data / "orq" / "backups";
}

std::vector<BackupStore::Entry> BackupStore::List() const {
    std::vector<Entry> entries;
    std::error_code ec;
    for (const auto& file : fs::directory_iterator(folder_, ec)) {
        const auto name = ParseName(file.path().filename().string());
        if (name) entries.push_back({name->id, Readable(name->stamp), name->cause, file.path()});
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.id < b.id; });
    return entries;
}

std::optional<BackupStore::Entry> BackupStore::Find(std::string_view idOrLatest) const {
    const std::vector<Entry> entries = List();
    if (entries.empty()) return std::nullopt;
    if (idOrLatest == "latest") return entries.back();
    for (const Entry& e : entries)
        if (std::to_string(e.id) == idOrLatest) return e;
    return std::nullopt;
}

BackupStore::Kept BackupStore::Keep(std::string_view text, std::string_view cause,
                                    std::chrono::system_clock::time_point now) {
    Kept kept;
    if (folder_.empty()) {
        kept.error = std::make_error_code(std::errc::no_such_file_or_directory);
        return kept;
    }
    std::vector<Entry> entries = List();
    if (!entries.empty() && ReadAll(entries.back().path) == text) {
        kept.path = entries.back().path;
        return kept;
    }
    fs::create_directories(folder_, kept.error);
    if (kept.error) return kept;

    // UTC from the calendar of the standard library: the same on every system, no time zone.
    using namespace std::chrono;
    const auto day = floor<days>(now);
    const year_month_day date{day};
    const hh_mm_ss time{floor<seconds>(now - day)};
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02u%02u-%02ld%02ld%02ld", int(date.year()),
                  unsigned(date.month()), unsigned(date.day()), long(time.hours().count()),
                  long(time.minutes().count()), long(time.seconds().count()));
    const unsigned id = entries.empty() ? 1 : entries.back().id + 1;
    char name[96];
    std::snprintf(name, sizeof name, "%04u-%s-%.*s.ini", id, stamp, static_cast<int>(cause.size()),
                  cause.data());
    kept.path = folder_ / name;
    if ((kept.error = WriteProfileFile(kept.path, ProfileDocument(text)))) return kept;
    kept.stored = true;

    entries = List();
    for (std::size_t i = 0; i + kKeep < entries.size(); ++i) {
        std::error_code ignored;  // one that cannot go stays; the next backup tries again
        fs::remove(entries[i].path, ignored);
    }
    return kept;
}

std::vector<KeptSet> ListKeptSets(const BackupStore& store) {
    std::vector<KeptSet> sets;
    for (BackupStore::Entry& e : store.List()) {
        KeptSet k;
        SliderValues sliders;
        static_cast<void>(LoadConfig(e.path, k.mirror, sliders));
        k.first = sets.empty();
        if (!k.first) {
            k.changes = DiffMirrors(sets.back().mirror, k.mirror);
            if (k.changes.empty()) continue;
        }
        k.entry = std::move(e);
        sets.push_back(std::move(k));
    }
    return sets;
}

std::string SummariseChanges(const std::vector<KeyDifference>& changes, std::string_view arrow,
                             std::size_t named) {
    std::string text;
    for (std::size_t i = 0; i < changes.size() && i < named; ++i)
        text += (i ? ", " : "") + changes[i].key + " " + std::to_string(changes[i].a) +
                std::string(arrow) + std::to_string(changes[i].b);
    if (changes.size() > named) text += ", and " + std::to_string(changes.size() - named) + " more";
    return text;
}

std::string CauseText(std::string_view cause) {
    // Causes name what the program did; most backups hold the set after it.
    if (cause == "found") return "found";
    if (cause == "transmit") return "before Transmit";
    if (cause == "before-restore") return "before restore";
    for (const PresetInfo& p : Presets())
        if (cause == PresetCause(p.name)) return "after preset " + std::string(p.name);
    std::string words(cause);
    std::replace(words.begin(), words.end(), '-', ' ');
    return "after " + words;
}

std::string PresetCause(std::string_view presetName) {
    std::string cause = "preset-";
    for (const char c : presetName)
        cause += c == ' ' ? '-' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return cause;
}

void BackupKeeper::Keep(const ParameterBlock& image, const char* cause) {
    const BackupStore::Kept kept = store_.Keep(RenderDevice(image), cause);
    if (!kept.error || reported_) return;
    reported_ = true;
    if (report_) report_(store_.Folder(), kept.error);
}

}  // namespace orq
