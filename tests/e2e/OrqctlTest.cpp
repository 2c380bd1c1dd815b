#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <memory>
#include <sstream>

#include "cli/Orqctl.h"
#include "config/ConfigFile.h"
#include "config/Profile.h"
#include "protocol/Presets.h"
#include "support/Process.h"
#include "support/Pty.h"

namespace orq {
namespace {

using namespace std::chrono_literals;
using test::Lines;
namespace fs = std::filesystem;

// Byte `index` of a 180-digit log line.
int ByteOf(const std::string& line, std::size_t index) {
    return std::stoi(line.substr(2 * index, 2), nullptr, 16);
}

class Orqctl : public test::InTempDir {
protected:
    void TearDown() override { sims_.clear(), InTempDir::TearDown(); }
    // Starts an orq-sim logging to Log(name); returns its terminal.
    std::string Sim(const std::string& name, bool silent = false) {
        std::vector<std::string> argv{ORQ_SIM, "--log", Log(name).string()};
        if (silent) argv.push_back("--no-reply");
        sims_.push_back(std::make_unique<test::Child>(argv));
        const auto path = sims_.back()->ReadLine();
        EXPECT_TRUE(path.has_value()) << "orq-sim did not start";
        return path.value_or("");
    }
    fs::path Log(const std::string& name) const { return dir_ / (name + ".log"); }
    test::RunResult Ctl(std::vector<std::string> args, const std::string& ports) {
        args.insert(args.begin(), {"ORQ_PORTS=" + ports, ORQCTL});
        return test::Run(args);
    }
    std::vector<std::unique_ptr<test::Child>> sims_;
};

TEST_F(Orqctl, ReadThenWriteOfTheSameFileRoundTrips) {
    const std::string unit = Sim("unit");
    const fs::path file = dir_ / "unit.ini";
    const test::RunResult read = Ctl({"read", "-o", file.string()}, unit);
    ASSERT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(read.err, "probing " + unit + " (1 of 1) … answered\n");
    // Saved as the configurator saves right after connecting to a unit with its factory set.
    ParameterBlock factory;
    SliderValues sliders;
    AllDataReset(factory, sliders);
    const std::string text = test::ReadFile(file);
    EXPECT_EQ(text, RenderConfig(factory.Mirror, sliders));
    EXPECT_EQ(Ctl({"read"}, unit).out, text) << "standard output carries the same text";
    EXPECT_EQ(Ctl({"read", "-o", "-"}, unit).out, text) << "and so does -o -";
    // A device is written into, not renamed over.
    const test::RunResult toNull = Ctl({"read", "-o", "/dev/null"}, unit);
    EXPECT_EQ(toNull.status, 0) << toNull.err;
    EXPECT_EQ(toNull.out, "");

    const test::RunResult write = Ctl({"write", file.string()}, unit);
    EXPECT_EQ(write.status, 0) << write.err;
    // The wire ends with the write and its read-back (ReplyMode 30).
    const auto log = Lines(Log("unit"));
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(ByteOf(log[log.size() - 2], 80), 30) << "parameter write";
    EXPECT_EQ(log.back().substr(0, 18), "7f2f0a041e05157e0e");
}

// Also: a PitchAgility unlike SpinSpeed1 is not what travels; SpinSpeed1 is.
TEST_F(Orqctl, WriteOfAnEditedFileChangesExactlyTheEditedKeys) {
    const std::string unit = Sim("unit");
    const fs::path before = dir_ / "before.ini", edited = dir_ / "edited.ini";
    ASSERT_EQ(Ctl({"read", "-o", before.string()}, unit).status, 0);
    fs::copy_file(before, edited);
    for (auto [section, key, value] : {std::array<const char*, 3>{"section3", "Acc1", "50"},
                                       {"section2", "ServoDirCH4", "1"},
                                       {"section3", "TailCompsate2", "-125"},
                                       {"section1", "PitchAgility", "20"},
                                       {"section3", "SpinSpeed1", "50"}})
        ASSERT_FALSE(WritePrivateProfileString(section, key, value, edited));
    ASSERT_NE(test::ReadFile(edited), test::ReadFile(before));
    const test::RunResult write = Ctl({"write", edited.string(), "-p", unit}, "/dev/null");
    ASSERT_EQ(write.status, 0) << write.err;
    std::vector<std::string> writes;
    for (const std::string& line : Lines(Log("unit")))
        if (ByteOf(line, 80) == 30) writes.push_back(line);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(ByteOf(writes[0], 67), 50) << "TuningBlock index 33, SpinSpeed1";
    const fs::path after = dir_ / "after.ini";
    ASSERT_EQ(Ctl({"read", "-p", unit, "-o", after.string()}, "").status, 0);
    // PitchAgility reads back as SpinSpeed1, the value that was sent.
    ASSERT_FALSE(WritePrivateProfileString("section1", "PitchAgility", "50", edited));
    EXPECT_EQ(test::ReadFile(after), test::ReadFile(edited));
}

TEST_F(Orqctl, ReadWithOnlySilentPortsExitsTwo) {
    const std::string a = Sim("a", true), b = Sim("b", true);
    const test::RunResult r = Ctl({"read"}, a + ":" + b);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "probing " + a + " (1 of 2) … no answer\nprobing " + b +
                         " (2 of 2) … no answer\norqctl: no unit answered\n");
}

// The scan's wait itself fails (here on a cancel descriptor that is none): that is no missing
// unit, and the user hears why.
TEST_F(Orqctl, AWaitThatFailsExitsOneWithItsReason) {
    const std::string silent = Sim("silent", true);
    constexpr int kNoDescriptor = 4000;
    ASSERT_EQ(::fcntl(kNoDescriptor, F_GETFD), -1);
    std::ostringstream out, err;
    EXPECT_EQ(RunOrqctl({"read", "-p", silent}, out, err, kNoDescriptor), kExitFailure);
    EXPECT_THAT(
        err.str(),
        ::testing::EndsWith("orqctl: waiting for the port failed: " +
                            std::make_error_code(std::errc::bad_file_descriptor).message() + "\n"));
}

TEST_F(Orqctl, InvalidValuesAreRefusedBeforeAnythingIsSent) {
    const std::string unit = Sim("unit");
    const fs::path file = dir_ / "unit.ini";
    ASSERT_EQ(Ctl({"read", "-o", file.string()}, unit).status, 0);
    fs::remove(Log("unit"));
    ASSERT_FALSE(WritePrivateProfileString("section3", "Acc1", "300", file));
    ASSERT_FALSE(WritePrivateProfileString("section1", "PitchGain", "abc", file));
    const test::RunResult r = Ctl({"write", file.string()}, unit);
    EXPECT_EQ(r.status, 1);
    const std::string prefix = "orqctl: " + file.string() + ": ";
    EXPECT_EQ(r.err, prefix + "[section1] PitchGain=abc is not a value from -128 to 127\n" +
                         prefix + "[section3] Acc1=300 is not a value from -128 to 127\n");
    // Give a stray frame time to arrive: the sim logs what it hears at once.
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(fs::exists(Log("unit")));
}

TEST_F(Orqctl, PortsSaysWhatStandsInTheWay) {
    const std::string unit = Sim("unit");
    const test::RunResult r = Ctl({"ports"}, "/dev/orq-no-such-port:" + unit);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "1  /dev/orq-no-such-port  not found");
    // The simulated unit holds its own end of the terminal.
    EXPECT_NE(r.out.find("2  " + unit + "  in use by orq-sim (pid "), std::string::npos) << r.out;
}

TEST_F(Orqctl, EveryCommandHasHelpAndFailuresAreOneLine) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--help"}, {"ports", "--help"}, {"read", "--help"}, {"write", "--help"}}) {
        const test::RunResult r = Ctl(args, "");
        EXPECT_EQ(r.status, 0) << args[0];
        EXPECT_EQ(r.out.rfind("usage: orqctl", 0), 0u) << args[0];
    }
    const test::RunResult unknown = Ctl({"flash"}, "");
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.err, "orqctl: unknown command flash (try orqctl --help)\n");
    const test::RunResult missing = Ctl({"write", (dir_ / "none.ini").string()}, "");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "orqctl: " + (dir_ / "none.ini").string() + ": no such file\n");
}

TEST(OrqctlCompare, NamesEachDifferingByteWithBothValues) {
    SetupBlock setup, held;
    TuningBlock tuning, heldTuning;
    held.ServoDirCH4 = -1;
    held.DeviceState = 9;  // not part of a write
    heldTuning.SpinSpeed1 = 40;
    heldTuning.TuningByte45 = 3;
    const std::vector<ByteDifference> expected = {
        {"ServoDirCH4", 0, -1}, {"SpinSpeed1", 0, 40}, {"TuningByte45", 0, 3}};
    EXPECT_EQ(CompareWritten(setup, tuning, held, heldTuning), expected);
    EXPECT_TRUE(CompareWritten(setup, tuning, setup, tuning).empty());
}

}  // namespace
}  // namespace orq
