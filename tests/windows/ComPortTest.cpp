// The serial port, port discovery and the unit session on Windows, with the system's own calls,
// against simulated units on pseudo-terminals that wine offers as COM ports: COM7 answers, COM8
// pulls itself out once it has answered twice (tests/windows/units.sh starts them).

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "link/SerialLoop.h"
#include "link/UnitSession.h"
#include "protocol/LinkFrame.h"
#include "serial/BlockBuffer.h"
#include "serial/PortList.h"
#include "serial/SerialPort.h"
#include "support/Notes.h"

namespace orq {
namespace {

using namespace test;

const PortInfo* Named(const std::vector<PortInfo>& ports, const std::string& name) {
    const auto it =
        std::find_if(ports.begin(), ports.end(), [&](const PortInfo& p) { return p.name == name; });
    return it == ports.end() ? nullptr : &*it;
}

// The CPU time this process has used, user and kernel.
double CpuSeconds() {
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto seconds = [](const FILETIME& f) {
        return static_cast<double>((uint64_t{f.dwHighDateTime} << 32) | f.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

// wine shows itself through an export of its own; Windows has none.
bool UnderWine() {
    return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// A parameter request with the given sequence number, as the program builds it.
Frame Request(uint8_t sequence, LinkState& link) {
    link.SequenceCounter = static_cast<uint8_t>(sequence - 1);
    link.ReplyMode = kReplyModeParameters;
    BuildFrame(link, ParameterBlock{}, kCommandRequest);
    return link.TransmitFrame;
}

class ComPort : public ::testing::Test {
protected:
    void SetUp() override { port.SetNotifyTarget(recorder); }
    bool Open(SerialPort& p, int32_t number) {
        return p.OpenPort(number, "COM" + std::to_string(number)) && p.SetState(9600, 0, 8, 1) &&
               p.SetupPort() && p.StartThreads();
    }
    std::shared_ptr<Recorder> recorder = std::make_shared<Recorder>();
    SerialPort port;
};

TEST_F(ComPort, DiscoveryFindsThePortsInTheRegistryByTheirNumbers) {
    const std::vector<PortInfo> ports = DiscoverPorts();
    for (int n : {7, 8, 9}) {
        const PortInfo* p = Named(ports, "COM" + std::to_string(n));
        ASSERT_NE(p, nullptr) << "COM" << n << " is not listed";
        EXPECT_EQ(p->number, n);
        EXPECT_EQ(p->path, "\\\\.\\COM" + std::to_string(n));
        EXPECT_EQ(ShownName(*p), "COM" + std::to_string(n));
        EXPECT_TRUE(PortPresent(*p));
    }
    // ORQ_PORTS names ports with ';' between them, with or without the device namespace.
    const std::vector<PortInfo> named = PortsFromList("COM9;\\\\.\\COM7");
    ASSERT_EQ(named.size(), 2u);
    EXPECT_EQ(std::pair(named[0].name, named[0].path),
              std::pair(std::string("COM9"), std::string("COM9")));
    EXPECT_EQ(std::pair(named[1].name, ShownName(named[1])),
              std::pair(std::string("COM7"), std::string("COM7")));
    EXPECT_FALSE(PortPresent(PortsFromList("COM42").front()));
}

TEST_F(ComPort, APortOpensForOneProgramAndAnswersTheProbeInOnePass) {
    ASSERT_TRUE(Open(port, 7)) << OpenErrorText(port.LastOpenError());
    // Exclusive by nature on Windows: another handle on the port is refused, "in use". wine
    // opens the terminal behind the port as often as it is asked, so there it cannot be seen.
    SerialPort other;
    if (!UnderWine()) {
        EXPECT_FALSE(other.OpenPort(7, "\\\\.\\COM7"));
        EXPECT_EQ(other.LastOpenError(), OpenError::InUse);
    }
    EXPECT_FALSE(other.OpenPort(42, "COM42"));
    EXPECT_EQ(other.LastOpenError(), OpenError::NotFound);

    LinkState link;
    const Frame probe = Request(1, link);
    ASSERT_EQ(port.Write(probe.data(), static_cast<uint32_t>(probe.size())), kFrameSize);
    ASSERT_TRUE(recorder->WaitFor(WM_SERIAL_RECEIVE, 1));
    ASSERT_TRUE(Eventually([&] { return port.ReceiveSize() >= kFrameSize; }));
    // The reply came whole in one pass, ended by the line falling silent: one notification.
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(recorder->Count(WM_SERIAL_RECEIVE), 1u);
    EXPECT_EQ(port.ReceiveSize(), kFrameSize);
    std::array<uint8_t, kFrameSize> reply{};
    ASSERT_EQ(port.Read(reply.data(), kFrameSize), kFrameSize);
    ParameterBlock block;
    ASSERT_TRUE(FindFrame(link, reply));
    EXPECT_TRUE(AcceptFrame(link, block));
    EXPECT_FALSE(link.AwaitingReply) << "the reply echoes the probe's sequence number";
    for (const Note& n : recorder->Notes()) EXPECT_EQ(n.port, 7);
    EXPECT_EQ(port.TotalWritten(), kFrameSize);

    port.ClosePort();
    EXPECT_FALSE(port.IsOpen() || port.ThreadsRunning());
    EXPECT_TRUE(other.OpenPort(7, "COM7")) << "closing lets the port go";
}

TEST_F(ComPort, BothSearchesFindTheUnitOnItsComPort) {
    for (SearchStyle style : {SearchStyle::OneAtATime, SearchStyle::AllAtOnce}) {
        UnitSession session(style);
        SerialLoop loop(session);
        EXPECT_EQ(loop.Search(PortsFromList("COM42;COM7")), ScanEnd::Connected);
        EXPECT_TRUE(session.Connected());
        EXPECT_EQ(session.Port().PortName(), "COM7");
        // The set the unit answered with is the factory set it starts from.
        EXPECT_EQ(session.Block().Mirror.PitchGain, 40);
        session.Close();
    }
}

TEST_F(ComPort, AnAdapterPulledOutIsReportedOnceAndNothingSpins) {
    ASSERT_TRUE(Open(port, 8)) << OpenErrorText(port.LastOpenError());
    LinkState link;
    for (uint8_t sequence = 1; sequence <= 3; ++sequence) {
        const Frame f = Request(sequence, link);
        static_cast<void>(port.Write(f.data(), static_cast<uint32_t>(f.size())));
        std::this_thread::sleep_for(300ms);
    }
    // The unit answered twice and then went, as an adapter pulled out does.
    ASSERT_TRUE(recorder->WaitFor(WM_SERIAL_REMOVED, 1, 10s));
    EXPECT_TRUE(!port.IsOpen() && port.HungUp());
    EXPECT_TRUE(Eventually([&] { return !port.ThreadsRunning(); }));
    EXPECT_EQ(port.ReceiveSize(), 2 * kFrameSize) << "what came before it went stays";
    const double before = CpuSeconds();
    std::this_thread::sleep_for(1s);
    EXPECT_LT(CpuSeconds() - before, 0.2);
    EXPECT_EQ(recorder->Count(WM_SERIAL_REMOVED), 1u);
    EXPECT_EQ(port.Write(Pattern(3).data(), 3), 0u);
    port.ClosePort();
}

}  // namespace
}  // namespace orq
