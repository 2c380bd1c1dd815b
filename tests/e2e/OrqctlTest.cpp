#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <thread>

#include "cli/Doctor.h"
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
    // Starts an orq-sim logging to Log(name), with these options; returns its terminal.
    std::string Sim(const std::string& name, std::vector<std::string> options = {}) {
        std::vector<std::string> argv{ORQ_SIM, "--log", Log(name).string()};
        argv.insert(argv.end(), options.begin(), options.end());
        sims_.push_back(std::make_unique<test::Child>(argv));
        const auto path = sims_.back()->ReadLine();
        EXPECT_TRUE(path.has_value()) << "orq-sim did not start";
        return path.value_or("");
    }
    fs::path Log(const std::string& name) const { return dir_ / (name + ".log"); }
    // Backups go to a folder of the test's own.
    test::RunResult Ctl(std::vector<std::string> args, const std::string& ports) {
        args.insert(args.begin(),
                    {"ORQ_PORTS=" + ports, "XDG_DATA_HOME=" + Data().string(), ORQCTL});
        return test::Run(args);
    }
    fs::path Data() const { return dir_ / "data"; }
    std::vector<fs::path> Backups() const {
        std::vector<fs::path> files;
        std::error_code ec;
        for (const auto& f : fs::directory_iterator(Data() / "orq" / "backups", ec))
            files.push_back(f.path());
        std::sort(files.begin(), files.end());
        return files;
    }
    // The parameter writes (command 30) the unit heard, oldest first.
    std::vector<std::string> Writes(const std::string& name) const {
        std::vector<std::string> writes;
        for (const std::string& line : Lines(Log(name)))
            if (ByteOf(line, 80) == 30) writes.push_back(line);
        return writes;
    }
    std::vector<std::unique_ptr<test::Child>> sims_;
};

// A read saves what the configurator saves right after connecting to a unit with its factory
// set. A write of that file edited changes exactly the edited keys; a PitchAgility unlike
// SpinSpeed1 is not what travels, SpinSpeed1 is.
TEST_F(Orqctl, ReadSavesTheSetAndAWriteChangesExactlyTheEditedKeys) {
    const std::string unit = Sim("unit");
    const fs::path before = dir_ / "before.ini", edited = dir_ / "edited.ini";
    const test::RunResult read = Ctl({"read", "-o", before.string()}, unit);
    ASSERT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(read.err, "probing " + unit + " (1 of 1) … answered\n");
    ParameterBlock factory;
    SliderValues sliders;
    AllDataReset(factory, sliders);
    EXPECT_EQ(test::ReadFile(before), RenderConfig(factory.Mirror, sliders));
    EXPECT_EQ(Ctl({"read", "-o", "-"}, unit).out, test::ReadFile(before));
    // A device is written into, not renamed over.
    const test::RunResult toNull = Ctl({"read", "-o", "/dev/null"}, unit);
    EXPECT_EQ(toNull.status, 0) << toNull.err;
    EXPECT_EQ(toNull.out, "");

    fs::copy_file(before, edited);
    for (auto [section, key, value] : {std::array<const char*, 3>{"section3", "Acc1", "50"},
                                       {"section2", "ServoDirCH4", "1"},
                                       {"section3", "TailCompsate2", "-125"},
                                       {"section1", "PitchAgility", "20"},
                                       {"section3", "SpinSpeed1", "50"}})
        ASSERT_FALSE(WritePrivateProfileString(section, key, value, edited));
    const test::RunResult write = Ctl({"write", edited.string(), "-p", unit}, "/dev/null");
    ASSERT_EQ(write.status, 0) << write.err;
    const std::vector<std::string> writes = Writes("unit");
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(ByteOf(writes[0], 67), 50) << "TuningBlock index 33, SpinSpeed1";
    // The wire ends with the write's read-back (ReplyMode 30).
    EXPECT_EQ(Lines(Log("unit")).back().substr(0, 18), "7f2f0a041e05157e0e");
    const fs::path after = dir_ / "after.ini";
    ASSERT_EQ(Ctl({"read", "-p", unit, "-o", after.string()}, "").status, 0);
    // PitchAgility reads back as SpinSpeed1, the value that was sent.
    ASSERT_FALSE(WritePrivateProfileString("section1", "PitchAgility", "50", edited));
    EXPECT_EQ(test::ReadFile(after), test::ReadFile(edited));
}

// The scan's wait itself fails (here on a cancel descriptor that is none): that is no missing
// unit, and the user hears why.
TEST_F(Orqctl, AWaitThatFailsExitsOneWithItsReason) {
    const std::string silent = Sim("silent", {"--no-reply"});
    constexpr int kNoDescriptor = 4000;
    ASSERT_EQ(::fcntl(kNoDescriptor, F_GETFD), -1);
    std::ostringstream out, err;
    EXPECT_EQ(RunOrqctl({"read", "-p", silent}, out, err, kNoDescriptor), kExitFailure);
    EXPECT_THAT(
        err.str(),
        ::testing::EndsWith("orqctl: waiting for the port failed: " +
                            std::make_error_code(std::errc::bad_file_descriptor).message() + "\n"));
}

// The simulated unit holds its own end of the terminal: the port list and the doctor name it.
TEST_F(Orqctl, PortsAndDoctorSayWhatStandsInTheWay) {
    const std::string unit = Sim("unit");
    const test::RunResult r = Ctl({"ports"}, "/dev/orq-no-such-port:" + unit);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "1  /dev/orq-no-such-port  not found");
    EXPECT_NE(r.out.find("2  " + unit + "  in use by orq-sim (pid "), std::string::npos) << r.out;
    const test::RunResult doctor = Ctl({"doctor", unit}, "");
    EXPECT_EQ(doctor.status, 1);
    EXPECT_NE(doctor.out.find("problem: " + unit + " is held by orq-sim (pid "), std::string::npos)
        << doctor.out;
    EXPECT_NE(doctor.out.find("fix: close that program, or: kill "), std::string::npos);
}

TEST_F(Orqctl, EveryCommandHasHelpAndFailuresAreOneLine) {
    // The general help names every command; each has its own.
    const test::RunResult help = Ctl({"--help"}, "");
    EXPECT_EQ(help.status, 0);
    for (std::string command : {"ports", "read", "write", "preset", "reset", "monitor", "diff",
                                "check", "backups", "restore", "doctor"}) {
        EXPECT_NE(help.out.find("\n  " + command), std::string::npos) << command;
        const test::RunResult r = Ctl({command, "--help"}, "");
        EXPECT_EQ(r.status, 0) << command;
        EXPECT_EQ(r.out.rfind("usage: orqctl " + command, 0), 0u) << r.out;
    }
    const test::RunResult unknown = Ctl({"flash"}, "");
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.err, "orqctl: unknown command flash (try orqctl --help)\n");
    const test::RunResult missing = Ctl({"write", (dir_ / "none.ini").string()}, "");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "orqctl: " + (dir_ / "none.ini").string() + ": no such file\n");
    const test::RunResult badName = Ctl({"preset", "3d-wild"}, "");
    EXPECT_EQ(badName.status, 1);
    EXPECT_EQ(std::count(badName.err.begin(), badName.err.end(), '\n'), 1);
}

// The monitor decodes as the Monitor page does, and leaves the stream off whatever ends it.
TEST_F(Orqctl, MonitorShowsTheSignalsAndSwitchesTheStreamOffAfterwards) {
    const std::string unit = Sim("unit", {"--monitor-raw", "3800,2488,2487,5155,3811"});
    const test::RunResult r = Ctl({"monitor", "--count", "5"}, unit);
    ASSERT_EQ(r.status, 0) << r.err;
    std::string five;
    for (int i = 0; i < 5; ++i) five += "aileron=0 elevator=124 rudder=125 pitch=-128 gain=-1\n";
    EXPECT_EQ(r.out, five);
    // The last thing the unit heard: a request (command 10) with ReplyMode 0. So it is when
    // Ctrl+C ends the monitor.
    const auto endsOff = [&] {
        std::this_thread::sleep_for(100ms);
        const std::string last = Lines(Log("unit")).back();
        EXPECT_EQ(last.substr(0, 6), "7f2f0a");
        EXPECT_EQ(ByteOf(last, 4), 0) << last;
    };
    endsOff();
    test::Child endless(
        {"ORQ_PORTS=" + unit, "XDG_DATA_HOME=" + Data().string(), ORQCTL, "monitor"});
    ASSERT_TRUE(endless.ReadLine().has_value());
    ASSERT_EQ(::kill(endless.pid(), SIGINT), 0);
    EXPECT_EQ(endless.Finish().status, 0);
    endsOff();
}

// The same changes as the main window's buttons: the core's, sent, read back and checked. Every
// preset by its own name; the Reset buttons' values are the start values; `reset` alone is All
// Data Reset.
TEST_F(Orqctl, PresetAndResetSendWhatTheButtonsDo) {
    const std::string unit = Sim("unit");
    ParameterBlock block;
    SliderValues sliders;
    AllDataReset(block, sliders);  // the simulated unit starts from the factory set
    ResetValues resets;
    const ResetValues start;
    const auto preset = [&](Preset p) {
        return [&, p] { ApplyPreset(p, block, sliders, resets); };
    };
    const std::pair<std::vector<std::string>, std::function<void()>> commands[] = {
        {{"preset", "beginner"}, preset(Preset::Beginner)},
        {{"preset", "3d-soft"}, preset(Preset::Soft3D)},
        {{"preset", "f3c"}, preset(Preset::F3C)},
        {{"preset", "3d-extreme"}, preset(Preset::Extreme3D)},
        {{"preset", "3d-hard"}, preset(Preset::Hard3D)},
        {{"reset", "tail"}, [&] { ResetTailRotor(block, sliders, start); }},
        {{"reset", "main"}, [&] { ResetMainRotor(block, sliders, start); }},
        {{"reset"}, [&] { AllDataReset(block, sliders); }},
    };
    const auto hex = [](const TuningBlock& t) {
        return test::Hex(std::span(reinterpret_cast<const uint8_t*>(t.bytes().data()), 46));
    };
    for (const auto& [args, core] : commands) {
        const test::RunResult r = Ctl(args, unit);
        ASSERT_EQ(r.status, 0) << args.back() << ": " << r.err;
        core();
        EXPECT_EQ(Writes("unit").back().substr(2 * 34, 2 * 46), hex(block.Tuning)) << args.back();
    }
    EXPECT_EQ(Writes("unit").size(), std::size(commands));
}

// A file judged key by key: against the unit, against the ranges the configurator allows, and as
// signed bytes by a write, which then sends nothing.
TEST_F(Orqctl, DiffCheckAndWriteNameEachKeyTheyFault) {
    const std::string unit = Sim("unit");
    const fs::path file = dir_ / "unit.ini";
    ASSERT_EQ(Ctl({"read", "-o", file.string()}, unit).status, 0);
    EXPECT_EQ(Ctl({"diff", file.string(), file.string()}, "").status, 0);
    const test::RunResult same = Ctl({"diff", file.string(), "unit"}, unit);
    EXPECT_EQ(same.status, 0) << same.err;
    EXPECT_EQ(same.out, "");
    ASSERT_FALSE(WritePrivateProfileString("section2", "TailLimitA", "33", file));
    ASSERT_FALSE(WritePrivateProfileString("section3", "Acc1", "9", file));
    const test::RunResult differ = Ctl({"diff", "unit", file.string()}, unit);
    EXPECT_EQ(differ.status, 1);
    EXPECT_EQ(differ.out, "section2 TailLimitA: 70 -> 33\nsection3 Acc1: 125 -> 9\n");

    ASSERT_FALSE(WritePrivateProfileString("section2", "SwashPlateType", "0", file));
    ASSERT_FALSE(WritePrivateProfileString("section3", "DeadBand2", "-4", file));
    ASSERT_FALSE(WritePrivateProfileString("section1", "RollGain", "200", file));
    const test::RunResult check = Ctl({"check", file.string()}, "");
    EXPECT_EQ(check.status, 1);
    const std::string at = "orqctl: " + file.string() + ": ";
    EXPECT_EQ(check.err, at + "[section1] RollGain=200 is outside 10..125\n" + at +
                             "[section2] SwashPlateType=0 is outside 1..5\n" + at +
                             "[section3] DeadBand2=-4 is outside 0..125\n");

    fs::remove(Log("unit"));
    ASSERT_FALSE(WritePrivateProfileString("section3", "Acc1", "300", file));
    ASSERT_FALSE(WritePrivateProfileString("section1", "PitchGain", "abc", file));
    const test::RunResult write = Ctl({"write", file.string()}, unit);
    EXPECT_EQ(write.status, 1);
    const std::string bytes = " is not a value from -128 to 127\n";
    EXPECT_EQ(write.err, at + "[section1] PitchGain=abc" + bytes + at + "[section1] RollGain=200" +
                             bytes + at + "[section3] Acc1=300" + bytes);
    // Give a stray frame time to arrive: the sim logs what it hears at once.
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(fs::exists(Log("unit")));
}

// Each obstacle the doctor knows, staged in folders of the test's own, by the first two words of
// what it tells the user to do.
using Doctor = test::InTempDir;
TEST_F(Doctor, FindsEachObstacleAndSaysWhatHelps) {
    const fs::path port = dir_ / "ttyUSB0", proc = dir_ / "proc", root = dir_ / "root";
    for (const fs::path& d : {dir_ / "sys", proc / "812/fd", proc / "97", root / "usr/bin"})
        fs::create_directories(d);
    std::ofstream(port).put('x');
    struct stat owner {};
    ASSERT_EQ(::stat(port.c_str(), &owner), 0);
    bool mayOpen = true, inGroup = false, loggedInSince = false;
    DoctorSystem sys{
        .ports = {(dir_ / "sys").string(), (dir_ / "dev").string(),
                  [&](const std::string&) { return mayOpen; }},
        .proc = proc.string(),
        .root = root.string(),
        .sessionGroups =
            [&] { return loggedInSince ? std::vector{owner.st_gid} : std::vector<gid_t>{}; },
        .userInGroup = [&](gid_t gid) { return inGroup && gid == owner.st_gid; }};
    using Said = std::vector<std::string>;
    const auto fixes = [&](const std::optional<std::string>& path,
                           const std::optional<std::string>& orqPorts = std::nullopt) {
        Said said;
        for (const Finding& f : Diagnose(path, orqPorts, sys).findings)
            said.push_back(f.fix.substr(0, f.fix.find(' ', f.fix.find(' ') + 1)));
        return said;
    };
    EXPECT_EQ(fixes(port.string()), Said{});
    EXPECT_EQ(fixes((dir_ / "ttyUSB9").string()), Said{"plug the"});
    mayOpen = false;
    EXPECT_EQ(fixes(port.string()), Said{"sudo usermod"});
    inGroup = true;  // added to the group since this login
    EXPECT_EQ(fixes(port.string()), Said{"log out"});
    mayOpen = loggedInSince = true;
    std::ofstream(proc / "812/comm") << "minicom\n";
    fs::create_symlink(port, proc / "812/fd/3");
    std::ofstream(proc / "97/comm") << "ModemManager\n";
    std::ofstream(root / "usr/bin/brltty").put('x');
    const Said others{"close that", "sudo systemctl", "sudo apt"};
    EXPECT_EQ(fixes(port.string()), others);
    // Nothing plugged in is said when ports are searched for, not when they are named.
    EXPECT_EQ(fixes(std::nullopt, port.string()), others);
    EXPECT_EQ(fixes(std::nullopt).at(0), "plug it");
}

// Everything on the line, both ways, one frame a line.
TEST_F(Orqctl, TraceHoldsEveryFrameExchanged) {
    const std::string unit = Sim("unit");
    const fs::path trace = dir_ / "session.trace";
    ASSERT_EQ(Ctl({"preset", "f3c", "--trace", trace.string()}, unit).status, 0);
    std::vector<std::string> out, in;
    for (const std::string& line : Lines(trace)) {
        std::istringstream words(line);
        std::string time, direction, hex;
        words >> time >> direction >> hex;
        EXPECT_GT(std::stod(time), -1.0) << line;
        (direction == "out" ? out : in).push_back(hex);
    }
    EXPECT_EQ(out, Lines(Log("unit")));  // probe, request, write, read-back request
    ASSERT_EQ(in.size(), out.size());    // one reply to each
    EXPECT_EQ(in[2].substr(0, 10), "7f2f1e14" + out[2].substr(2 * 81, 2));  // the write's echo
}

// The undo: a set is kept when it is first seen and after every change, and put back at will.
TEST_F(Orqctl, BackupsKeepEachDistinctSetAndRestoreOnePutsItBack) {
    const std::string unit = Sim("unit");
    const fs::path edited = dir_ / "edited.ini";
    ASSERT_EQ(Ctl({"read", "-o", edited.string()}, unit).status, 0);
    EXPECT_EQ(Backups().size(), 1u);
    const std::string factory = test::ReadFile(Backups().front());
    ASSERT_FALSE(WritePrivateProfileString("section3", "Acc1", "50", edited));
    ASSERT_EQ(Ctl({"write", edited.string()}, unit).status, 0);
    EXPECT_EQ(Backups().size(), 2u);
    ASSERT_EQ(Ctl({"write", edited.string()}, unit).status, 0);
    EXPECT_EQ(Backups().size(), 2u) << "the same set again is not kept twice";
    const test::RunResult listing = Ctl({"backups"}, "");
    EXPECT_NE(listing.out.find("   2  "), std::string::npos) << listing.out;
    EXPECT_NE(listing.out.find("write     Acc1 125->50"), std::string::npos) << listing.out;

    const std::size_t before = Writes("unit").size();
    ASSERT_EQ(Ctl({"restore", "1"}, unit).status, 0);
    const std::string restored = Writes("unit").back();
    EXPECT_EQ(Writes("unit").size(), before + 1);
    ASSERT_EQ(Ctl({"read", "-o", (dir_ / "now.ini").string()}, unit).status, 0);
    EXPECT_EQ(test::ReadFile(dir_ / "now.ini"), factory) << "the first set, byte for byte";
    EXPECT_EQ(ByteOf(restored, 34 + 22), 125) << "Acc1 back to its factory value";
}

TEST_F(Orqctl, ABackupThatCannotBeKeptIsSaidOnceAndTheWriteGoesOn) {
    const std::string unit = Sim("unit");
    fs::create_directories(Data() / "orq");
    std::ofstream(Data() / "orq" / "backups") << "a file where the folder should be";
    const fs::path file = dir_ / "unit.ini";
    ASSERT_EQ(Ctl({"read", "-o", file.string()}, unit).status, 0);
    ASSERT_FALSE(WritePrivateProfileString("section2", "TailLimitB", "44", file));
    const test::RunResult r = Ctl({"write", file.string()}, unit);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 2) << r.err;  // progress, backup
    EXPECT_NE(r.err.find("orqctl: no backup kept in "), std::string::npos) << r.err;
    EXPECT_EQ(ByteOf(Writes("unit").back(), 2 + 13), 44);
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
