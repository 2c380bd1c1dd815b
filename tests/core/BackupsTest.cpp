#include "config/Backups.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <optional>

#include "config/ConfigFile.h"
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

// What the history window and orqctl backups list: the differences from the set before, a set
// whose values repeat the one before (its text differs) left out, and the cause in words.
TEST_F(BackupsTest, KeptSetsSayWhatChangedSinceTheSetBeforeAndWhy) {
    BackupStore store(dir_ / "backups");
    SettingsMirror m;
    const SliderValues sliders;
    const auto keep = [&](std::string text, const char* cause) {
        ASSERT_TRUE(store.Keep(text, cause).stored);
    };
    keep(RenderConfig(m, sliders), "found");
    m.Acc1 = 100;
    m.ServoDirCH2 = -1;
    keep(RenderConfig(m, sliders), "preset-3d-hard");
    keep(RenderConfig(m, sliders) + "; a note\r\n", "before-restore");
    for (int8_t SettingsMirror::*k :
         {&SettingsMirror::Acc2, &SettingsMirror::Acc3, &SettingsMirror::Acc4,
          &SettingsMirror::Acc5, &SettingsMirror::Acc6})
        m.*k = 50;
    keep(RenderConfig(m, sliders), "transmit");

    const std::vector<KeptSet> sets = ListKeptSets(store);
    ASSERT_EQ(sets.size(), 3u);
    EXPECT_TRUE(sets[0].first);
    EXPECT_EQ(sets[1].entry.cause, "preset-3d-hard");
    EXPECT_EQ(SummariseChanges(sets[1].changes, "\u2192"),
              "ServoDirCH2 1\u2192-1, Acc1 7\u2192100");
    EXPECT_EQ(sets[2].entry.id, 4u);
    EXPECT_EQ(SummariseChanges(sets[2].changes),
              "Acc2 7->50, Acc3 7->50, Acc4 7->50, Acc5 7->50, and 1 more");
    EXPECT_EQ(CauseText(sets[1].entry.cause), "after preset 3D Hard");
    EXPECT_EQ(CauseText("write"), "after write");
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

TEST_F(BackupsTest, ThePlaceFollowsXdg) {
    const Env home("HOME", "/home/pilot");
    Env data("XDG_DATA_HOME", "/data");
    EXPECT_EQ(BackupStore::DefaultFolder(), fs::path("/data/orq/backups"));
    ::setenv("XDG_DATA_HOME", "relative/is/ignored", 1);
    EXPECT_EQ(BackupStore::DefaultFolder(), fs::path("/home/pilot/.local/share/orq/backups"));
}

}  // namespace
}  // namespace orq
