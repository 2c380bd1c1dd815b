#pragma once
// The undo the field lacks: every parameter set the unit held before something changed it, kept
// as an ordinary configuration file in the user's data folder. The desktop program keeps one
// when it finds a unit and before it transmits a file; orqctl before every write, preset, reset
// and restore. A set identical to the newest one is not kept twice, and only the newest kKeep
// stay. A backup that cannot be written must never stop what the user asked for: callers report
// the error once and go on.

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

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
    // Keeps `text`, a configuration file's text, caused by `cause` (one word: found, write,
    // preset, reset, transmit, restore).
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

struct ParameterBlock;

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
