// orqctl against a hostile line and an unwell unit: every run ends, with the exit status and the
// one line a user can act on, and never hangs or writes to a port it no longer holds.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "support/Process.h"
#include "support/Pty.h"

namespace orq {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class Faults : public test::InTempDir {
protected:
    // An orq-sim with these faults; returns its terminal.
    std::string Sim(std::vector<std::string> faults) {
        faults.insert(faults.begin(), {ORQ_SIM, "--log", (dir_ / "unit.log").string()});
        sims_.push_back(std::make_unique<test::Child>(faults));
        return sims_.back()->ReadLine().value_or("");
    }
    test::RunResult Ctl(std::vector<std::string> args) {
        args.insert(args.begin(), {"XDG_DATA_HOME=" + (dir_ / "data").string(), ORQCTL});
        return test::Run(args, 20s);
    }
    std::string Good() {  // a configuration file read from a well unit
        const std::string unit = Sim({});
        const fs::path file = dir_ / "good.ini";
        EXPECT_EQ(Ctl({"read", "-p", unit, "-o", file.string()}).status, 0);
        return file.string();
    }
    static std::string LastLine(const std::string& text) {
        const std::size_t end = text.find_last_not_of('\n');
        if (end == std::string::npos) return "";
        const std::size_t start = text.rfind('\n', end);
        return text.substr(start == std::string::npos ? 0 : start + 1, end - start);
    }
    std::vector<std::unique_ptr<test::Child>> sims_;
};

TEST_F(Faults, NoiseSlicingAndADripStillConnectAndReadTheSameSet) {
    const std::string file = Good();
    for (const std::vector<std::string>& faults :
         {std::vector<std::string>{"--noise", "40", "--slice"},
          {"--slice", "--seed", "7"},
          {"--drip", "2"}}) {
        const std::string unit = Sim(faults);
        const test::RunResult r = Ctl({"read", "-p", unit});
        EXPECT_EQ(r.status, 0) << faults[0] << ": " << r.err;
        EXPECT_EQ(r.out, test::ReadFile(file)) << faults[0];
    }
}

TEST_F(Faults, UnplugMidWriteEndsWithAClearLine) {
    const std::string file = Good();
    // Replies: to the probe, the request after it, the write, and the read-back, cut halfway.
    const std::string unit = Sim({"--unplug-after", "4", "--mid-reply"});
    const test::RunResult write = Ctl({"write", "-p", unit, file});
    EXPECT_EQ(write.status, 1);
    EXPECT_EQ(LastLine(write.err), "orqctl: the unit went away before it answered (unplugged?)");
}

// What comes before the answer costs nothing; silence, or what comes instead of the answer, is
// no answer.
TEST_F(Faults, SilenceOrRepliesThatAreNoAnswerFindNoUnitButGarbageFirstDoesNotHide) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--no-reply"}, "no answer"},
        {{"--corrupt", "check"}, "no valid answer"},
        {{"--corrupt", "echo"}, "no valid answer"},
        {{"--corrupt", "kind"}, "no valid answer"}};
    for (const auto& [faults, said] : cases) {
        const std::string unit = Sim(faults);
        const test::RunResult r = Ctl({"read", "-p", unit});
        EXPECT_EQ(r.status, 2) << faults.back();
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "probing " + unit + " (1 of 1) … " + said + "\norqctl: no unit answered\n");
    }
    const std::string unit = Sim({"--garbage", "102400"});
    EXPECT_EQ(Ctl({"read", "-p", unit}).status, 0);
}

// A unit whose replies trickle in a byte at a time is still heard frame by frame: every monitor
// reply decoded whole.
TEST_F(Faults, ADripDuringTheMonitorStillShowsEveryReplyWhole) {
    const std::string unit = Sim({"--drip", "3", "--monitor-raw", "3900,3700,3800,3850,3000"});
    const test::RunResult monitor = Ctl({"monitor", "-p", unit, "--count", "4", "--raw"});
    EXPECT_EQ(monitor.status, 0) << monitor.err;
    const std::string line = "aileron=3900 elevator=3700 rudder=3800 pitch=3850 gain=3000\n";
    EXPECT_EQ(monitor.out, line + line + line + line);
}

// Of the adapters pulled out, a scout's during the search ends its own port only; the unit's,
// under the monitor, ends the session and is named.
TEST_F(Faults, OnlyTheUnitsOwnAdapterGoingAwayEndsTheSession) {
    const std::string doomed = Sim({"--unplug-after", "1", "--mid-reply"});  // gone at once
    const std::string unit = Sim({"--pace"});  // answers a frame's time later
    test::Child monitor({"ORQ_PORTS=" + doomed + ":" + unit,
                         "XDG_DATA_HOME=" + (dir_ / "data").string(), ORQCTL, "monitor"});
    ASSERT_TRUE(monitor.ReadLine(10s).has_value());
    sims_.back().reset();
    const test::RunResult r = monitor.Finish(20s);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "probing " + doomed + " (1 of 2) … gone (unplugged?)\nprobing " + unit +
                         " (2 of 2) … answered\norqctl: the unit went away (unplugged?)\n");
}

TEST_F(Faults, AUnitThatFallsSilentAfterConnectingIsNamedSo) {
    const std::string file = Good();
    const std::string unit = Sim({"--silent-after-first-reply"});
    const test::RunResult r = Ctl({"write", "-p", unit, file});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(LastLine(r.err), "orqctl: the unit did not answer the read-back");
}

}  // namespace
}  // namespace orq
