#include "config/ConfigFile.h"
#include "config/Profile.h"
#include "protocol/LinkFrame.h"
#include "support/Files.h"
#include "support/Pty.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace orq {
namespace {

namespace fs = std::filesystem;

const auto Ints = [](auto... v) { return std::vector<int>{int(v)...}; };

// Lines separated by '|', each ended by CR LF.
std::string Crlf(std::string text) {
    for (std::size_t at; (at = text.find('|')) != std::string::npos;) text.replace(at, 1, "\r\n");
    return text + "\r\n";
}

// Write protection that holds for root too (who ignores permission bits): the immutable flag.
struct Unwritable {
    explicit Unwritable(fs::path p) : path(std::move(p)) {
        fs::permissions(path, fs::perms::owner_write, fs::perm_options::remove);
        Immutable(true);
    }
    ~Unwritable() {
        Immutable(false);
        fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
    }
    void Immutable(bool on) const {
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
        int flags = 0;
        if (::geteuid() == 0 && fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
        }
        if (fd >= 0) ::close(fd);
    }
    fs::path path;
};

class ConfigFileTest : public test::InTempDir {
protected:
    void Put(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }
    std::string Contents() const { return test::ReadFile(path_); }
    void SetUp() override { InTempDir::SetUp(), path_ = dir_ / "set.ini"; }
    fs::path path_;
    SettingsMirror mirror_;
    SliderValues sliders_;
};

// What a save right after start-up writes into an empty file: every key in file order.
const std::string kStartupFile = Crlf(
    "[section1]|PitchAgility=15|PitchGain=10|RollAgility=15|RollGain=10|YawAgility=15|"
    "YawRight=15|YawGain=10|[section2]|FixMode=0|ServoType=0|SwashPlateType=0|ServoDirCH1=1|"
    "ServoDirCH2=1|ServoDirCH3=1|ServoDirCH4=0|ServoAdjustCH1=0|ServoAdjustCH2=0|"
    "ServoAdjustCH3=0|AileronLimit=20|ElevatorLimit=20|TotalCoefficient=0|PitchDir=0|RollDir=0|"
    "YawDir=0|TailPoint=0|TailLimitA=20|TailLimitB=20|OptimizationDir=1|[section3]|Acc1=7|Acc2=7|"
    "Acc3=7|Acc4=7|Acc5=7|Acc6=7|DeadBand1=0|DeadBand2=0|DeadBand3=0|DeadBand4=0|PitchGainD=0|"
    "PitchGainI=10|PitchGainP=10|RollGainD=0|RollGainI=10|RollGainP=10|SpinSpeed1=15|"
    "SpinSpeed2=15|SpinSpeed3=15|SpinSpeed4=15|TailCompsate1=0|TailCompsate2=0|TailGainD=0|"
    "TailGainI=10|TailGainP=10");

// Every key its own value, and the write it makes: worked out by hand from the wire layout, so a
// byte moved or two keys crossed in the parameter table shows here.
const std::string kDistinctFile = Crlf(
    "[section1]|PitchAgility=-77|PitchGain=-40|RollAgility=-3|RollGain=34|YawAgility=71|"
    "YawRight=108|YawGain=-106|[section2]|FixMode=-69|ServoType=-32|SwashPlateType=5|"
    "ServoDirCH1=42|ServoDirCH2=79|ServoDirCH3=116|ServoDirCH4=-98|ServoAdjustCH1=-61|"
    "ServoAdjustCH2=-24|ServoAdjustCH3=13|AileronLimit=50|ElevatorLimit=87|TotalCoefficient=124|"
    "PitchDir=-90|RollDir=-53|YawDir=-16|TailPoint=21|TailLimitA=58|TailLimitB=95|"
    "OptimizationDir=-119|[section3]|Acc1=-82|Acc2=-45|Acc3=-8|Acc4=29|Acc5=66|Acc6=103|"
    "DeadBand1=-111|DeadBand2=-74|DeadBand3=-37|DeadBand4=0|PitchGainD=37|PitchGainI=74|"
    "PitchGainP=111|RollGainD=-103|RollGainI=-66|RollGainP=-29|SpinSpeed1=8|SpinSpeed2=45|"
    "SpinSpeed3=82|SpinSpeed4=119|TailCompsate1=-95|TailCompsate2=-58|TailGainD=-21|"
    "TailGainI=16|TailGainP=53");
constexpr const char* kDistinctWrite =
    "7f2fc3e80d1500002a4f749e00003a5f3257f0cba6e0000000000000000500bb8900963510eb000022e3be99"
    "0000d86f4a250000f81d4267aed3000000db0091b65277082d0000007c00a1c6000000001e010053867e0e00"
    "0000";

// A device or a pipe (orqctl read -o FILE in a shell pipeline) is neither read first nor replaced.
TEST_F(ConfigFileTest, SaveAfterStartUpWritesEveryKeyToAFileADeviceOrAPipe) {
    EXPECT_EQ(SaveConfig(path_, mirror_, sliders_), std::error_code{});
    EXPECT_EQ(Contents(), kStartupFile);
    EXPECT_EQ(RenderConfig(mirror_, sliders_), kStartupFile);
    EXPECT_EQ(SaveConfig("/dev/null", mirror_, sliders_), std::error_code{});
    const fs::path pipe = dir_ / "pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::string got;
    std::thread reader([&] { got = test::ReadFile(pipe); });
    EXPECT_EQ(SaveConfig(pipe, mirror_, sliders_), std::error_code{});
    reader.join();
    EXPECT_EQ(got, kStartupFile);
    EXPECT_TRUE(fs::is_fifo(pipe));
}

TEST(ConfigFile, EveryKeyOfAFileReachesItsOwnWireByteAndComesBackInFileOrder) {
    ParameterBlock b;
    SliderValues sliders;
    std::string text = kDistinctFile;  // DefaulParameters is read but never written back
    text.insert(text.find('\n') + 1, "DefaulParameters=9\r\n");
    EXPECT_TRUE(LoadConfig(ProfileDocument(text), b.Mirror, sliders).empty());
    EXPECT_EQ(b.Mirror.DefaulParameters, 9);
    DeviceFromMirror(b);
    LinkState link;
    BuildFrame(link, b, kCommandParameters);
    EXPECT_EQ(test::Hex(link.TransmitFrame), kDistinctWrite);
    EXPECT_EQ(RenderConfig(b.Mirror, sliders), kDistinctFile);
}

TEST_F(ConfigFileTest, SaveChangesOurKeysInPlaceAndKeepsEverythingElse) {
    Put(
        Crlf("; my heli|[Notes]|  rotor = 550 mm |[SECTION1]|DefaulParameters=3|"
             " pitchagility = 40 ||[section3]|Acc1=9|; end of tuning||[x]"));
    fs::permissions(path_, fs::perms(0640));
    sliders_.PitchAgility = 42;
    ASSERT_FALSE(SaveConfig(path_, mirror_, sliders_));
    const std::string text = Contents();
    EXPECT_EQ(text.substr(0, text.find("PitchGain=")),
              Crlf("; my heli|[Notes]|  rotor = 550 mm |[SECTION1]|DefaulParameters=3|"
                   "PitchAgility=42"));
    // New keys go after the section's last key line, before the comment and blank line.
    EXPECT_NE(text.find(Crlf("YawGain=10||[section3]|Acc1=7|Acc2=7")), std::string::npos);
    EXPECT_NE(text.find(Crlf("TailGainP=10|; end of tuning||[x]|[section2]")), std::string::npos);
    // The moved slider is saved as PitchAgility; SpinSpeed1 keeps the mirror's value.
    EXPECT_NE(text.find("\r\nSpinSpeed1=15\r\n"), std::string::npos);
    EXPECT_EQ(mirror_.PitchAgility, 42);
    EXPECT_EQ(fs::status(path_).permissions(), fs::perms(0640));

    Put("[section2]\nFixMode=2\n[other]\nk=v");
    ASSERT_FALSE(SaveConfig(path_, mirror_, sliders_));
    const std::string lf = Contents();
    EXPECT_EQ(lf.find('\r'), std::string::npos);
    EXPECT_EQ(lf.substr(0, 25), "[section2]\nFixMode=0\nServ");
    EXPECT_NE(lf.find("\n[other]\nk=v\n[section1]\nPitchAgility=42\n"), std::string::npos);
}

// Keys are found without regard to case or the blanks around a value, a missing key is zero, and
// a value that is no signed byte is reported and saturated.
TEST_F(ConfigFileTest, LoadFindsKeysWithoutRegardToCaseAndReportsValuesThatAreNoSignedByte) {
    Put(
        Crlf("[SECTION1]|pitchagility = 40 |PitchGain=200|YawGain=127abc|[section2]|FixMode=abc|"
             "TailPoint=-129|ServoType=|YawDir= -|[Section3]|SPINSPEED1=\t-1 |"
             "Acc1=99999999999999999999|Acc2=  +12|Acc3=-128"));
    const LoadResult r = LoadConfig(path_, mirror_, sliders_);
    EXPECT_TRUE(r.found && !r.error);
    // clang-format off
    const std::vector<InvalidValue> expected = {
        {"section1", "PitchGain", "200"}, {"section2", "FixMode", "abc"}, {"section2", "YawDir", "-"},
        {"section2", "TailPoint", "-129"}, {"section3", "Acc1", "99999999999999999999"}};
    // clang-format on
    EXPECT_EQ(r.invalid, expected);
    // Acc4 was 7 at start-up, RollGain 10.
    const SettingsMirror& m = mirror_;
    EXPECT_EQ(Ints(m.PitchAgility, sliders_.PitchAgility, uint8_t(m.SpinSpeed1), m.Acc4,
                   sliders_.RollGain, m.PitchGain, sliders_.PitchGain, m.YawGain, m.FixMode,
                   m.TailPoint, m.Acc1, m.Acc2, m.Acc3),
              Ints(40, 40, 0xFF, 0, 0, 127, 127, 127, 0, -128, 127, 12, -128));
    SettingsMirror none;
    const LoadResult missing = LoadConfig(dir_ / "absent.ini", none, sliders_);
    EXPECT_TRUE(!missing.found && !missing.error);
    for (const MirrorKey& k : MirrorKeys()) EXPECT_EQ(none.*k.field, 0) << k.key;
}

TEST_F(ConfigFileTest, FailedWritesAreReportedAndLeaveTheOldFile) {
    const std::string old = Crlf("[section1]|PitchAgility=40");
    Put(old);
    {
        Unwritable folder(dir_);
        if (::access(dir_.c_str(), W_OK) == 0)
            GTEST_SKIP() << "cannot make a folder read-only here";
        EXPECT_TRUE(SaveConfig(path_, mirror_, sliders_));
        EXPECT_TRUE(WritePrivateProfileString("section1", "PitchAgility", "1", path_));
    }
    EXPECT_EQ(Contents(), old);
    {
        Unwritable file(path_);
        EXPECT_TRUE(SaveConfig(path_, mirror_, sliders_));
    }
    EXPECT_EQ(Contents(), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 1);
    EXPECT_TRUE(SaveConfig(dir_ / "no-such-folder" / "a.ini", mirror_, sliders_));
    EXPECT_TRUE(LoadConfig(dir_, mirror_, sliders_).error);
}

TEST(ProfileDocument, WritesOnlyPrintableAsciiThatReadsBack) {
    ProfileDocument doc(std::string_view("[a]\nk=1\n"));
    const char* refused[][3] = {
        {"a", "k", "caf\xC3\xA9"}, {"a", "k", "1\r\n[b]"}, {"a", "k=x", "1"}, {"a", "", "1"},
        {"a]", "k", "1"},          {"a", ";k", "1"},       {"a", " k", "1"},  {"a", "k", " 1"}};
    for (const auto& [s, k, v] : refused)
        EXPECT_FALSE(doc.Set(s, k, v)) << s << "|" << k << "|" << v;
    EXPECT_EQ(doc.Text(), "[a]\nk=1\n");
    EXPECT_TRUE(doc.Set("A", "K", "-1"));
    EXPECT_TRUE(doc.Set("b", "x", "2"));
    EXPECT_EQ(doc.Text(), "[a]\nK=-1\n[b]\nx=2\n");
    EXPECT_EQ(doc.Get("b", "X"), "2");
    EXPECT_EQ(doc.Get("a", "x"), "");
}

TEST_F(ConfigFileTest, SingleKeyWriteCreatesAFileWithCrlfEnds) {
    EXPECT_EQ(GetPrivateProfileString("section1", "PitchGain", path_), "");
    EXPECT_FALSE(WritePrivateProfileString("section1", "PitchGain", "10", path_));
    EXPECT_FALSE(WritePrivateProfileString("section1", "RollGain", "11", path_));
    EXPECT_EQ(Contents(), Crlf("[section1]|PitchGain=10|RollGain=11"));
    // Through a link the linked file changes; the link stays a link.
    fs::create_symlink(path_, dir_ / "link.ini");
    EXPECT_FALSE(WritePrivateProfileString("section1", "RollGain", "12", dir_ / "link.ini"));
    EXPECT_TRUE(fs::is_symlink(dir_ / "link.ini"));
    EXPECT_EQ(GetPrivateProfileString("SECTION1", "rollgain", path_), "12");
}

}  // namespace
}  // namespace orq
