#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "cli/Orqctl.h"
#include "e2e/Process.h"

namespace orq {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Env = std::map<std::string, std::string>;

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> Lines(const fs::path& p) {
    std::ifstream in(p);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// key=value pairs of a configuration file, keyed "section/key".
std::map<std::string, std::string> Keys(const fs::path& p) {
    std::map<std::string, std::string> keys;
    std::string section;
    for (const std::string& line : Lines(p)) {
        if (line.size() > 2 && line.front() == '[') {
            section = line.substr(1, line.size() - 2);
        } else if (const auto eq = line.find('='); eq != std::string::npos) {
            keys[section + "/" + line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return keys;
}

void SetKey(const fs::path& p, const std::string& key, const std::string& value) {
    std::string text = ReadFile(p);
    const auto at = text.find("\n" + key + "=");
    ASSERT_NE(at, std::string::npos) << key;
    const auto end = text.find('\r', at + 1);
    text.replace(at + 1, end - at - 1, key + "=" + value);
    std::ofstream(p, std::ios::binary) << text;
}

// Byte `index` of a 180-digit log line.
int ByteOf(const std::string& line, std::size_t index) {
    return std::stoi(line.substr(2 * index, 2), nullptr, 16);
}

class Orqctl : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::path(::testing::TempDir()) /
               ("orqctl-e2e-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        sims_.clear();
        fs::remove_all(dir_);
    }

    // Starts an orq-sim; returns its terminal, logging to dir_/NAME.log.
    std::string Sim(const std::string& name, std::vector<std::string> extra = {}) {
        std::vector<std::string> argv = {ORQ_SIM, "--log", (dir_ / (name + ".log")).string()};
        argv.insert(argv.end(), extra.begin(), extra.end());
        sims_.push_back(std::make_unique<test::Child>(argv));
        const auto path = sims_.back()->ReadLine();
        EXPECT_TRUE(path.has_value()) << "orq-sim did not start";
        return path.value_or("");
    }
    fs::path Log(const std::string& name) const { return dir_ / (name + ".log"); }

    test::RunResult Ctl(std::vector<std::string> args, const std::string& ports) {
        args.insert(args.begin(), ORQCTL);
        return test::Run(args, Env{{"ORQ_PORTS", ports}}, 30s);
    }

    fs::path dir_;
    std::vector<std::unique_ptr<test::Child>> sims_;
};

TEST_F(Orqctl, ReadThenWriteOfTheSameFileRoundTrips) {
    const std::string unit = Sim("unit");
    const fs::path file = dir_ / "unit.ini";
    const test::RunResult read = Ctl({"read", "-o", file.string()}, unit);
    ASSERT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(read.err, "probing " + unit + " (1 of 1) … answered\n");

    // Saved as the configurator saves right after connecting: the unit's factory set, no
    // DefaulParameters, 52 keys.
    const auto keys = Keys(file);
    EXPECT_EQ(keys.size(), 52u);
    EXPECT_EQ(keys.count("section1/DefaulParameters"), 0u);
    EXPECT_EQ(keys.at("section1/PitchAgility"), "35");
    EXPECT_EQ(keys.at("section2/ServoDirCH1"), "-1");
    EXPECT_EQ(keys.at("section2/TotalCoefficient"), "70");
    EXPECT_EQ(keys.at("section3/Acc1"), "125");
    // Standard output carries the very same text.
    const test::RunResult toStdout = Ctl({"read"}, unit);
    ASSERT_EQ(toStdout.status, 0) << toStdout.err;
    EXPECT_EQ(toStdout.out, ReadFile(file));

    const test::RunResult write = Ctl({"write", file.string()}, unit);
    EXPECT_EQ(write.status, 0) << write.err;

    // On the wire: probe, the request after it, ..., then the write and the read-back.
    const auto log = Lines(Log("unit"));
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(log[0].substr(0, 18), "7f2f0a011e05107e0e");
    EXPECT_EQ(log[1].substr(0, 18), "7f2f0a0200050d7e0e");
    const std::string& sent = log[log.size() - 2];
    EXPECT_EQ(ByteOf(sent, 80), 30) << "parameter write";
    EXPECT_EQ(ByteOf(sent, 33), 0) << "DeviceState is never sent";
    EXPECT_EQ(log.back().substr(0, 18), "7f2f0a041e05157e0e") << "read-back with ReplyMode 30";
}

TEST_F(Orqctl, WriteOfAnEditedFileChangesExactlyTheEditedKeys) {
    const std::string unit = Sim("unit");
    const fs::path before = dir_ / "before.ini";
    ASSERT_EQ(Ctl({"read", "-o", before.string()}, unit).status, 0);
    const fs::path edited = dir_ / "edited.ini";
    fs::copy_file(before, edited);
    SetKey(edited, "Acc1", "50");
    SetKey(edited, "ServoDirCH4", "1");
    SetKey(edited, "TailCompsate2", "-125");

    const test::RunResult write = Ctl({"write", edited.string(), "-p", unit}, "/dev/null");
    ASSERT_EQ(write.status, 0) << write.err;

    const fs::path after = dir_ / "after.ini";
    ASSERT_EQ(Ctl({"read", "-p", unit, "-o", after.string()}, "").status, 0);
    auto expected = Keys(before);
    expected["section3/Acc1"] = "50";
    expected["section2/ServoDirCH4"] = "1";
    expected["section3/TailCompsate2"] = "-125";
    EXPECT_EQ(Keys(after), expected);
    EXPECT_NE(Keys(before), expected);
}

TEST_F(Orqctl, APitchAgilityUnlikeSpinSpeed1SendsSpinSpeed1) {
    const std::string unit = Sim("unit");
    const fs::path file = dir_ / "unit.ini";
    ASSERT_EQ(Ctl({"read", "-o", file.string()}, unit).status, 0);
    SetKey(file, "PitchAgility", "20");
    SetKey(file, "SpinSpeed1", "50");
    const test::RunResult write = Ctl({"write", file.string()}, unit);
    ASSERT_EQ(write.status, 0) << write.err;

    const auto log = Lines(Log("unit"));
    ASSERT_GE(log.size(), 2u);
    const std::string& sent = log[log.size() - 2];
    ASSERT_EQ(ByteOf(sent, 80), 30);
    EXPECT_EQ(ByteOf(sent, 67), 50) << "TuningBlock index 33";
}

TEST_F(Orqctl, ReadWithOnlySilentPortsExitsTwo) {
    const std::string a = Sim("a", {"--no-reply"});
    const std::string b = Sim("b", {"--no-reply"});
    const test::RunResult r = Ctl({"read"}, a + ":" + b);
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(r.err, "probing " + a + " (1 of 2) … no answer\nprobing " + b +
                         " (2 of 2) … no answer\norqctl: no unit answered\n");
}

TEST_F(Orqctl, InvalidValuesAreRefusedBeforeAnythingIsSent) {
    const std::string unit = Sim("unit");
    const fs::path file = dir_ / "unit.ini";
    ASSERT_EQ(Ctl({"read", "-o", file.string()}, unit).status, 0);
    fs::remove(Log("unit"));
    SetKey(file, "Acc1", "300");
    SetKey(file, "PitchGain", "abc");

    const test::RunResult r = Ctl({"write", file.string()}, unit);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "orqctl: " + file.string() +
                         ": [section1] PitchGain=abc is not a value from -128 to 127\n"
                         "orqctl: " +
                         file.string() + ": [section3] Acc1=300 is not a value from -128 to 127\n");
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
    for (const std::string command : {"--help", "ports", "read", "write"}) {
        std::vector<std::string> args = {command};
        if (command != "--help") args.push_back("--help");
        const test::RunResult r = Ctl(args, "");
        EXPECT_EQ(r.status, 0) << command;
        EXPECT_EQ(r.out.rfind("usage: orqctl", 0), 0u) << command;
    }
    const test::RunResult unknown = Ctl({"flash"}, "");
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.err, "orqctl: unknown command flash (try orqctl --help)\n");
    const test::RunResult missing = Ctl({"write", (dir_ / "none.ini").string()}, "");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "orqctl: " + (dir_ / "none.ini").string() + ": no such file\n");
}

TEST(OrqctlCompare, NamesEachDifferingByteWithBothValues) {
    SetupBlock setup;
    TuningBlock tuning;
    SetupBlock heldSetup = setup;
    TuningBlock heldTuning = tuning;
    heldSetup.ServoDirCH4 = -1;
    heldSetup.DeviceState = 9;  // not part of a write
    heldTuning.SpinSpeed1 = 40;
    heldTuning.TuningByte45 = 3;
    const std::vector<ByteDifference> expected = {
        {"ServoDirCH4", 0, -1}, {"SpinSpeed1", 0, 40}, {"TuningByte45", 0, 3}};
    EXPECT_EQ(CompareWritten(setup, tuning, heldSetup, heldTuning), expected);
    EXPECT_TRUE(CompareWritten(setup, tuning, setup, tuning).empty());
}

}  // namespace
}  // namespace orq
