#include "config/Backups.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <optional>

#include "support/Process.h"

namespace orq {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::system_clock;

class BackupsTest : public test::InTempDir {};

TEST_F(BackupsTest, KeepsEachNewSetOnceAndOnlyTheNewestTwoHundred) {
    BackupStore store(dir_ / "backups");
    EXPECT_TRUE(store.List().empty());
    const auto t0 = Clock::from_time_t(1796600000);
    EXPECT_TRUE(store.Keep("a\r\n", "found", t0).stored);
    const BackupStore::Kept again = store.Keep("a\r\n", "write", t0);
    EXPECT_FALSE(again.stored || again.error);  // the newest already holds it
    EXPECT_TRUE(store.Keep("b\r\n", "write", t0).stored);
    EXPECT_TRUE(store.Keep("a\r\n", "restore", t0).stored);  // only the newest counts
    const auto entries = store.List();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1].cause, "write");
    EXPECT_EQ(entries[1].time, "2026-12-06 23:33:20");
    EXPECT_EQ(store.Find("latest")->id, 3u);
    EXPECT_EQ(store.Find("2")->path, entries[1].path);
    EXPECT_FALSE(store.Find("9"));

    for (int i = 0; i < 210; ++i) store.Keep("set " + std::to_string(i), "write", t0);
    const auto kept = store.List();
    ASSERT_EQ(kept.size(), BackupStore::kKeep);
    EXPECT_EQ(kept.front().id, 14u);  // 213 kept in all, the oldest 13 gone
    EXPECT_EQ(kept.back().id, 213u);
}

// Sets a variable for one test and puts it back after.
struct Env {
    Env(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        ::setenv(name, value, 1);
    }
    ~Env() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }
    const char* name_;
    std::optional<std::string> old_;
};

TEST_F(BackupsTest, ThePlaceFollowsXdgAndAFailureIsReturned) {
    const Env home("HOME", "/home/pilot");
    Env data("XDG_DATA_HOME", "/data");
    EXPECT_EQ(BackupStore::DefaultFolder(), fs::path("/data/orq/backups"));
    ::setenv("XDG_DATA_HOME", "relative/is/ignored", 1);
    EXPECT_EQ(BackupStore::DefaultFolder(), fs::path("/home/pilot/.local/share/orq/backups"));
    std::ofstream(dir_ / "file") << "not a folder";
    BackupStore blocked(dir_ / "file" / "backups");
    const BackupStore::Kept k = blocked.Keep("a", "found");
    EXPECT_FALSE(k.stored);
    EXPECT_TRUE(k.error);
}

}  // namespace
}  // namespace orq
