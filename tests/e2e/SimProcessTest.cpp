#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <fstream>

#include "e2e/Process.h"
#include "protocol/LinkFrame.h"
#include "serial/PtyHost.h"

namespace orq {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using SimProcess = test::InTempDir;

// The reply of a simulated unit to one parameter request.
test::Bytes AskParameters(const std::string& terminal) {
    test::PtyHost host(terminal);
    LinkState state;
    state.ReplyMode = kReplyModeParameters;
    BuildFrame(state, ParameterBlock{}, kCommandRequest);
    EXPECT_TRUE(host.ok() && host.Write(state.TransmitFrame));
    return host.Read(90);
}

TEST_F(SimProcess, PrintsItsTerminalLinksItAndCleansUpOnSigterm) {
    const fs::path link = dir_ / "unit", log = dir_ / "frames.log";
    test::Child sim({ORQ_SIM, "--link", link.string(), "--log", log.string(), "--device-state", "200"});
    const auto device = sim.ReadLine();
    ASSERT_TRUE(device.has_value());
    EXPECT_EQ(device->rfind("/dev/pts/", 0), 0u) << *device;
    ASSERT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link).string(), *device);
    const test::Bytes reply = AskParameters(link.string());
    ASSERT_EQ(reply.size(), 90u);
    EXPECT_EQ(reply[2 + 3 + 31], 200) << "DeviceState in the parameter reply";

    ASSERT_EQ(::kill(sim.pid(), SIGTERM), 0);
    const test::RunResult r = sim.Finish(5s);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    std::ifstream in(log);
    std::string line;
    ASSERT_TRUE(std::getline(in, line));
    EXPECT_EQ(line.substr(0, 18), "7f2f0a011e05107e0e");
    EXPECT_EQ(line.size(), 180u);
}

TEST_F(SimProcess, StartsFromAConfigurationFileAsTransmitted) {
    const fs::path file = dir_ / "set.ini", bad = dir_ / "bad.ini";
    std::ofstream(file) << "[section1]\r\nPitchAgility=20\r\n[section2]\r\nServoDirCH4=-1\r\n"
                           "[section3]\r\nSpinSpeed1=50\r\n";
    test::Child sim({ORQ_SIM, "--params", file.string()});
    const auto device = sim.ReadLine();
    ASSERT_TRUE(device.has_value()) << sim.Finish(1s).err;
    const test::Bytes reply = AskParameters(*device);
    ASSERT_EQ(reply.size(), 90u);
    // Reply frame: SetupBlock from byte 5, TuningBlock from byte 37.
    EXPECT_EQ(reply[5 + 9], 0xFF) << "ServoDirCH4";
    EXPECT_EQ(reply[37 + 33], 50) << "SpinSpeed1 is sent, not PitchAgility";
    EXPECT_EQ(reply[37 + 22], 0) << "Acc1, missing from the file";
    EXPECT_EQ(reply[37 + 11], 9) << "an unnamed byte keeps its factory value";

    std::ofstream(bad) << "[section3]\nAcc1=300\n";
    const test::RunResult refused = test::Run({ORQ_SIM, "--params", bad.string()}, 5s);
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "orq-sim: " + bad.string() + ": [section3] Acc1=300 is not a value from -128 to 127\n");
}

TEST_F(SimProcess, RefusesBadArgumentsWithOneLine) {
    const test::RunResult help = test::Run({ORQ_SIM, "--help"}, 5s);
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: orq-sim"), std::string::npos);
    const test::RunResult period = test::Run({ORQ_SIM, "--monitor-period", "0"}, 5s);
    EXPECT_EQ(period.status, 1);
    EXPECT_EQ(period.err, "orq-sim: --monitor-period takes milliseconds from 1 to 60000\n");
    // A link path that is a real file is never overwritten.
    const fs::path file = dir_ / "precious";
    std::ofstream(file) << "keep";
    const test::RunResult clash = test::Run({ORQ_SIM, "--link", file.string()}, 5s);
    EXPECT_EQ(clash.status, 1);
    EXPECT_NE(clash.err.find("is not a symbolic link"), std::string::npos) << clash.err;
    std::string kept;
    std::ifstream(file) >> kept;
    EXPECT_EQ(kept, "keep");
}

}  // namespace
}  // namespace orq
