#pragma once
// The undo the field lacks: every parameter set the unit held before something changed it, kept
// as an ordinary configuration file in the user's data folder. The desktop program keeps one
// when it finds a unit, before it transmits a file, after a preset and All Data Reset, and
// around a set written back from its history; orqctl when it finds the unit and after every
// write, preset, reset and restore. A set identical to the newest one is not kept twice, and
// only the newest kKeep stay. A backup that cannot be written must never stop what the user
// asked for: callers report the error once and go on.

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "config/ConfigCheck.h"

namespace orq {

class BackupStore {
public:
    static constexpr std::size_t kKeep = 200;

    // $XDG_DATA_HOME/orq/backups, else ~/.local/share/orq/backups (on Windows
    // %LOCALAPPDATA%\orq\backups); empty when the system names no such folder.
    static std::filesystem::path DefaultFolder();

    explicit BackupStore(std::filesystem::path folder) : folder_(std::move(folder)) {}
    const std::filesystem::path& Folder() const { return folder_; }

    struct Kept {
        std::filesystem::path path;  // the new backup, or the newest one it equals
        bool stored = false;         // false when the newest already held this set
        std::error_code error;
    };
    // Keeps `text`, a configuration file's text, caused by `cause`: a word (found, write,
    // preset, reset, transmit, restore), or words joined by hyphens (before-restore,
    // preset-3d-hard); lower-case letters and digits.
    Kept Keep(std::string_view text, std::string_view cause,
              std::chrono::system_clock::time_point now = std::chrono::system_clock::now());

    struct Entry {
        unsigned id;       // rises with every backup kept; never reused
        std::string time;  // "2026-12-07 00:40:12" (UTC)
        std::string cause;
        std::filesystem::path path;
    };
    // Oldest first. A folder that does not exist holds none.
    std::vector<Entry> List() const;
    // By id, or the newest for "latest".
    std::optional<Entry> Find(std::string_view idOrLatest) const;

private:
    std::filesystem::path folder_;
};

// A kept set as a history shows it: the backup, its values, and what differs from the set kept
// before it.
struct KeptSet {
    BackupStore::Entry entry;
    SettingsMirror mirror;
    std::vector<KeyDifference> changes;  // from the set before it
    bool first = false;                  // the oldest kept: nothing before it
};
// Oldest first. A set with the same values as the one kept before it is not listed again, so
// every set but the first differs from the one before in some key.
std::vector<KeptSet> ListKeptSets(const BackupStore& store);

// "PitchGain 40->55, Acc1 125->100, and 3 more": the first `named` differences, `arrow` between
// the values.
std::string SummariseChanges(const std::vector<KeyDifference>& changes,
                             std::string_view arrow = "->", std::size_t named = 4);

// What a backup's cause tells a person: "found", "before Transmit", "after preset 3D Hard".
std::string CauseText(std::string_view cause);
// The cause of the set kept after a preset: "preset-3d-hard" for "3D Hard".
std::string PresetCause(std::string_view presetName);

// A program's backups: the unit's set as an image holds it, kept with its cause, and a failure
// said once, however often it recurs.
class BackupKeeper {
public:
    using Report = std::function<void(const std::filesystem::path& folder, std::error_code error)>;
    explicit BackupKeeper(Report report,
                          std::filesystem::path folder = BackupStore::DefaultFolder())
        : store_(std::move(folder)), report_(std::move(report)) {}

    void Keep(const ParameterBlock& image, const char* cause);
    const BackupStore& Store() const { return store_; }

private:
    BackupStore store_;
    Report report_;
    bool reported_ = false;
};

}  // namespace orq
