#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/Frames.h"
#include "support/Process.h"
#include "support/Pty.h"

namespace orq {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using SimProcess = test::InTempDir;

TEST_F(SimProcess, StartsFromAFileLinksItsTerminalAndCleansUpOnSigterm) {
    const fs::path link = dir_ / "unit", file = dir_ / "set.ini";
    std::ofstream(file) << "[section1]\r\nPitchAgility=20\r\n[section2]\r\nServoDirCH4=-1\r\n"
                           "[section3]\r\nSpinSpeed1=50\r\n";
    test::Child sim(
        {ORQ_SIM, "--link", link.string(), "--device-state", "200", "--params", file.string()});
    const auto device = sim.ReadLine();
    ASSERT_TRUE(device.has_value()) << sim.Finish(1s).err;
    EXPECT_EQ(device->rfind("/dev/pts/", 0), 0u) << *device;
    ASSERT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link).string(), *device);

    test::PtyHost host(link.string());
    ASSERT_TRUE(host.ok() && host.Write(test::Framed({10, 1, 30, 5})));  // a parameter request
    const test::Bytes reply = host.Read(90);
    ASSERT_EQ(reply.size(), 90u);
    // Reply frame: SetupBlock from byte 5, TuningBlock from byte 37.
    EXPECT_EQ(reply[5 + 31], 200) << "DeviceState";
    EXPECT_EQ(reply[5 + 9], 0xFF) << "ServoDirCH4";
    EXPECT_EQ(reply[37 + 33], 50) << "SpinSpeed1 is sent, not PitchAgility";
    EXPECT_EQ(reply[37 + 22], 0) << "Acc1, missing from the file";
    EXPECT_EQ(reply[37 + 11], 9) << "an unnamed byte keeps its factory value";

    ASSERT_EQ(::kill(sim.pid(), SIGTERM), 0);
    const test::RunResult r = sim.Finish(5s);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
}

// How a run ends on a quiet line: SIGUSR1 ends the stream and the unit lives on; the count
// written on exit is what the host got.
TEST_F(SimProcess, EndsTheStreamOnSigusr1AndWritesTheRepliesSentOnExit) {
    const fs::path stats = dir_ / "stats";
    test::Child sim({ORQ_SIM, "--monitor-period", "20", "--stats", stats.string()});
    const auto device = sim.ReadLine();
    ASSERT_TRUE(device.has_value()) << sim.Finish(1s).err;
    test::PtyHost host(*device);
    ASSERT_TRUE(host.ok() && host.Write(test::Framed({10, 1, 40, 5})));  // the stream on
    ASSERT_EQ(host.Read(2 * 90).size(), 2u * 90);

    ASSERT_EQ(::kill(sim.pid(), SIGUSR1), 0);
    const std::size_t rest = host.ReadFor(300ms).size();
    EXPECT_TRUE(host.ReadFor(150ms).empty()) << "the stream went on";
    ASSERT_TRUE(host.Write(test::Framed({10, 2, 30, 5})));
    EXPECT_EQ(host.Read(90).size(), 90u) << "the unit no longer answers";

    ASSERT_EQ(::kill(sim.pid(), SIGTERM), 0);
    const test::RunResult r = sim.Finish(5s);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(rest % 90, 0u);
    EXPECT_EQ(test::ReadFile(stats),
              "monitor_replies_sent=" + std::to_string(2 + rest / 90) + "\n");
}

TEST_F(SimProcess, HelpAndRefusals) {
    const test::RunResult help = test::Run({ORQ_SIM, "--help"}, 5s);
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: orq-sim"), std::string::npos);
    const fs::path precious = dir_ / "precious", bad = dir_ / "bad.ini";
    const fs::path nowhere = dir_ / "missing" / "stats";
    std::ofstream(precious) << "keep";
    std::ofstream(bad) << "[section3]\nAcc1=300\n";
    const std::string invalid = ": [section3] Acc1=300 is not a value from -128 to 127\n";
    for (const auto& [args, err] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"--monitor-period", "0"}, "--monitor-period takes milliseconds from 1 to 60000\n"},
             {{"--params", bad}, bad.string() + invalid},
             {{"--stats", nowhere}, nowhere.string() + ": No such file or directory\n"},
             {{"--link", precious}, precious.string() + " exists and is not a symbolic link\n"}}) {
        std::vector<std::string> argv = {ORQ_SIM};
        argv.insert(argv.end(), args.begin(), args.end());
        const test::RunResult r = test::Run(argv, 5s);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_EQ(r.err, "orq-sim: " + err);
    }
    EXPECT_EQ(test::ReadFile(precious), "keep") << "a real file is never overwritten by the link";
}

}  // namespace
}  // namespace orq
