// Configuration files as every system keeps them: a folder named in any script, a file replaced
// whole or not at all, a file that must not be replaced left alone.

#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <filesystem>
#include <string>

#include "config/ConfigFile.h"
#include "config/Paths.h"
#include "protocol/Presets.h"
#include "support/Files.h"

namespace orq {
namespace {

namespace fs = std::filesystem;

// Root may write a file its mode forbids; the program then may too, and nothing is refused.
bool MayWriteReadOnlyFiles() {
#ifdef _WIN32
    return false;
#else
    return ::geteuid() == 0;
#endif
}

class Files : public test::InTempDir {
protected:
    // A set that differs from the start values in every section.
    void SetUp() override {
        InTempDir::SetUp();
        AllDataReset(block_, sliders_);
        block_.Mirror.PitchGain = 77;
        block_.Mirror.ServoDirCH2 = -1;
        block_.Mirror.Acc1 = -128;
        sliders_.PitchAgility = 42;
    }
    ParameterBlock block_;
    SliderValues sliders_;
};

TEST_F(Files, ASetSavedInAFolderNamedInAnyScriptLoadsBackUnchanged) {
    const fs::path folder = dir_ / PathFromUtf8("Pilote Ångström 日本");
    ASSERT_TRUE(fs::create_directory(folder));
    const fs::path file = folder / PathFromUtf8("réglage ✈.ini");
    ASSERT_EQ(SaveConfig(file, block_.Mirror, sliders_), std::error_code{});
    EXPECT_EQ(Utf8Of(file.filename()), "réglage ✈.ini");

    SettingsMirror loaded;
    SliderValues loadedSliders;
    const LoadResult r = LoadConfig(file, loaded, loadedSliders);
    ASSERT_FALSE(r.error) << r.error.message();
    EXPECT_TRUE(r.found && r.invalid.empty());
    EXPECT_TRUE(loaded == block_.Mirror);
    EXPECT_EQ(loadedSliders.PitchAgility, 42);
    // Saved again over itself, the file holds the same text: nothing added, nothing lost.
    const std::string first = test::ReadFile(file);
    ASSERT_EQ(SaveConfig(file, loaded, loadedSliders), std::error_code{});
    EXPECT_EQ(test::ReadFile(file), first);
    // No temporary file stays behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST_F(Files, AFileThatMayNotBeReplacedIsLeftAsItWasAndTheFailureSaid) {
    const fs::path file = dir_ / "locked.ini";
    {
        std::ofstream out(file, std::ios::binary);
        out << "[section1]\r\nPitchGain=10\r\n[mine]\r\nnote=keep me\r\n";
    }
    const std::string before = test::ReadFile(file);
    if (!MayWriteReadOnlyFiles()) {
        fs::permissions(file, fs::perms::owner_write, fs::perm_options::remove);
        EXPECT_TRUE(SaveConfig(file, block_.Mirror, sliders_));
        fs::permissions(file, fs::perms::owner_write, fs::perm_options::add);
        EXPECT_EQ(test::ReadFile(file), before);
    }
    // A folder is no file to save into.
    EXPECT_TRUE(SaveConfig(dir_, block_.Mirror, sliders_));
    // Once it may be written, the keys change in place and the rest stays, line ends included.
    ASSERT_EQ(SaveConfig(file, block_.Mirror, sliders_), std::error_code{});
    const std::string after = test::ReadFile(file);
    EXPECT_NE(after.find("ServoDirCH2=-1\r\n"), std::string::npos);
    EXPECT_NE(after.find("[mine]\r\nnote=keep me\r\n"), std::string::npos);
}

}  // namespace
}  // namespace orq
