#include <gtest/gtest.h>
#include <sys/eventfd.h>

#include <thread>

#include "link/FrameEnd.h"
#include "link/SerialLoop.h"
#include "link/UnitSession.h"
#include "serial/BlockBuffer.h"
#include "serial/SerialPort.h"
#include "support/Pty.h"
#include "support/SimPeer.h"

namespace orq {
namespace {

using namespace test;
using S = PortStep;
using Steps = std::vector<std::pair<PortStep, std::string>>;

const std::string kZeros(2 * 81, '0');
const std::string kProbeLine = "7f2f0a011e05107e0e" + kZeros;
// Command 10, sequence 2, ReplyMode 0: the request that follows a successful probe.
const std::string kPostConnectLine = "7f2f0a0200050d7e0e" + kZeros;

// A port reported by how it ended alone: passed over at once, or swept with the others; and one
// opened and probed by itself until `then`.
Steps Ended(const std::string& p, PortStep how) {
    return {{S::Probing, p}, {how, p}};
}
Steps Probed(const std::string& p, PortStep then) {
    return {{S::Probing, p}, {S::Opened, p}, {then, p}};
}
Steps operator+(Steps a, const Steps& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct ScanLog : ScanListener {
    Steps steps;
    std::vector<bool> finished;
    std::function<void(const ScanEvent&)> onStep;
    void OnPortStep(const ScanEvent& e) override {
        steps.emplace_back(e.step, e.port.path);
        if (onStep) onStep(e);
    }
    void OnScanFinished(bool connected) override { finished.push_back(connected); }
};

// A program's side: its unit session, driven by a loop as orqctl drives it.
struct Host {
    explicit Host(SearchStyle style) : session(style) {}
    UnitSession session;
    SerialLoop loop{session};
};

// The desktop program's search one port at a time, and orqctl's sweep over all at once.
class ConnectScanTest : public ::testing::Test {
protected:
    ConnectScanTest() {
        static_cast<void>(cli.session.Port().SetPassEnd(std::make_unique<FrameEnd>()));
    }

    static std::unique_ptr<SimPeer> StartSim(bool reply, UnitImage image = FactoryImage(),
                                             SimFaults faults = {}) {
        SimOptions options;
        options.faults = faults;
        auto sim = std::make_unique<SimPeer>(image, reply, options);
        EXPECT_TRUE(sim->Started());
        return sim;
    }
    // Each frame the unit heard, as hex.
    static std::vector<std::string> Heard(const SimPeer& unit) {
        std::vector<std::string> lines;
        for (const Frame& f : unit.Frames()) lines.push_back(Hex(f));
        return lines;
    }

    Host desk{SearchStyle::OneAtATime};
    Host cli{SearchStyle::AllAtOnce};
    UnitSession& session = desk.session;
    SerialLoop& loop = desk.loop;
    SerialPort& port = session.Port();
    const ParameterBlock& block = session.Block();
    ScanLog events;
};

// Both searches over the same ports. One that does not exist and one another program holds are
// passed over at once and never written to; the unit behind two silent ports is found, its
// parameters are in the image and shown, and the session goes on on its line. One port at a time
// probes each silent port eleven times and never reaches the port after the unit; the sweep
// probes every port at once, finds the unit in the first exchange and reports each port by how it
// ended once the ports before it have ended.
TEST_F(ConnectScanTest, BothSearchesFindTheUnitBehindSilentPortsAndLeaveTheOthersAlone) {
    UnitImage image = FactoryImage(3);
    image.Tuning.SpinSpeed1 = 47;
    image.Setup.ServoDirCH4 = 1;
    for (Host* host : {&desk, &cli}) {
        const bool sweep = host == &cli;
        SCOPED_TRACE(sweep ? "every port at once" : "one port at a time");
        auto silent1 = StartSim(false), silent2 = StartSim(false);
        auto unit = StartSim(true, image);
        auto after = StartSim(false), held = StartSim(true);
        SerialPort other;
        ASSERT_TRUE(other.OpenPort(1, held->Path()));
        const std::string missing = "/dev/orq-no-such-port", h = held->Path(),
                          s1 = silent1->Path(), s2 = silent2->Path(), u = unit->Path();
        UnitSession& s = host->session;
        ScanLog log;
        s.SetSearchListener(&log);
        ASSERT_EQ(host->loop.Search(PortsFromList(missing + ":" + h + ":" + s1 + ":" + s2 + ":" +
                                                  u + ":" + after->Path())),
                  ScanEnd::Connected);
        s.SetSearchListener(nullptr);
        const auto ended = [&](const std::string& p, PortStep then) {
            return sweep ? Ended(p, then) : Probed(p, then);
        };
        EXPECT_EQ(log.steps, Ended(missing, S::NotFound) + Ended(h, S::InUse) +
                                 ended(s1, S::NoAnswer) + ended(s2, S::NoAnswer) +
                                 ended(u, S::Answered));
        EXPECT_EQ(log.finished, std::vector<bool>{true});
        EXPECT_TRUE(s.Connected() && s.Port().IsOpen());
        EXPECT_EQ(std::pair(s.Port().PortNumber(), s.Port().PortName()), std::pair(5, u));
        EXPECT_EQ(s.Link().ReplyMode, kReplyModeNone);
        EXPECT_EQ(s.Block().Setup, image.Setup);
        EXPECT_EQ(s.Block().Tuning, image.Tuning);
        const SettingsMirror& m = s.Block().Mirror;
        EXPECT_EQ(std::tuple(m.PitchAgility, m.SpinSpeed1, m.ServoDirCH4), std::tuple(47, 47, 1));
        // The unit heard probes, then the follow-up request; a request of the session's own
        // reaches it and is answered through the session's port.
        ASSERT_TRUE(host->loop.WaitFor([&] { return s.Accumulator().Size() > 0; }, 2s));
        ASSERT_EQ(s.RequestParameters(), kFrameSize);
        ASSERT_TRUE(host->loop.WaitFor([&] { return Heard(*unit).size() >= 3; }, 2s));
        const auto heard = Heard(*unit);
        EXPECT_EQ(heard.back().substr(0, 8), "7f2f0a03");  // the third frame: sequence 3
        EXPECT_EQ(heard.at(heard.size() - 2), kPostConnectLine);
        for (std::size_t i = 0; i + 2 < heard.size(); ++i) EXPECT_EQ(heard[i], kProbeLine);
        // Elsewhere nothing but probes: eleven on each silent port probed by itself and none on
        // the port after the unit; some on every port the sweep probed.
        for (const SimPeer* p : {silent1.get(), silent2.get(), after.get()}) {
            if (sweep) {
                EXPECT_TRUE(Eventually([&] { return !Heard(*p).empty(); }));
            }
            const auto probes = Heard(*p);
            const std::size_t alone = p == after.get() ? 0 : 11;
            EXPECT_EQ(probes, std::vector<std::string>(sweep ? probes.size() : alone, kProbeLine));
        }
        EXPECT_TRUE(Heard(*held).empty()) << "a port in use must not be written to";
    }
}

// An answer that trickles in a byte at a time reaches the search over many read passes: each
// adds to what the passes before it brought.
TEST_F(ConnectScanTest, AnAnswerThatTricklesInOverManyPassesIsHeardWhole) {
    for (Host* host : {&desk, &cli}) {
        SCOPED_TRACE(host == &cli ? "every port at once" : "one port at a time");
        auto unit = StartSim(true, FactoryImage(), SimFaults{.drip = 2ms});
        ScanLog log;
        host->session.SetSearchListener(&log);
        EXPECT_EQ(host->loop.Search(PortsFromList(unit->Path())), ScanEnd::Connected);
        host->session.SetSearchListener(nullptr);
        EXPECT_EQ(log.steps.back(), std::pair(S::Answered, unit->Path()));
    }
}

// Timed at the far end of a bare line: the probe and ten repeats, paced, then a last wait.
TEST_F(ConnectScanTest, ASilentPortHearsElevenProbesTwoHundredMillisecondsApart) {
    Pty line;
    ASSERT_TRUE(line.ok());
    std::vector<Clock::time_point> heard;
    std::thread farEnd([&] {
        for (Bytes probe; (probe = line.host().Read(kFrameSize, 1s)).size() == kFrameSize;) {
            heard.push_back(Clock::now());
            EXPECT_EQ(Hex(probe), kProbeLine);
        }
    });
    const auto start = Clock::now();
    EXPECT_EQ(loop.Search(PortsFromList(line.path())), ScanEnd::NoUnit);
    const auto gaveUp = Clock::now() - start;
    farEnd.join();
    ASSERT_EQ(heard.size(), 11u);
    // Lower bounds only: a loaded machine may deliver late, never early.
    for (std::size_t i = 1; i < heard.size(); ++i) EXPECT_GE(heard[i] - heard[i - 1], 150ms) << i;
    EXPECT_GE(heard.back() - heard.front(), 1900ms);
    EXPECT_GE(gaveUp, 2190ms) << "the port is given up 200 ms after its last probe";
}

TEST_F(ConnectScanTest, ConnectingAgainFindsTheSameUnitDespiteWhatItSentMeanwhile) {
    auto unit = StartSim(true);
    const auto ports = PortsFromList(unit->Path());
    ASSERT_EQ(loop.Search(ports), ScanEnd::Connected);
    // The answer to the follow-up request reaches the accumulator; a further answer waits in the
    // port's own buffer. Neither answers the next scan's probe.
    ASSERT_TRUE(loop.WaitFor([&] { return session.Accumulator().Size() >= 90; }, 2s));
    ASSERT_EQ(session.RequestParameters(), kFrameSize);
    ASSERT_TRUE(Eventually([&] { return port.ReceiveSize() >= 90; }));
    session.SetSearchListener(&events);
    ASSERT_EQ(loop.Search(ports), ScanEnd::Connected);
    EXPECT_EQ(events.steps, Probed(unit->Path(), S::Answered));
    EXPECT_TRUE(session.Connected() && port.IsOpen());
    // A scan started while connected disconnects first: with nothing to try it ends disconnected.
    EXPECT_EQ(loop.Search({}), ScanEnd::NoUnit);
    EXPECT_FALSE(session.Connected() || port.IsOpen());
    EXPECT_EQ(events.finished, (std::vector<bool>{true, false}));
}

// From the listener itself, as a window closing in the middle of an event would, and from
// outside the loop while it waits for the silent port.
TEST_F(ConnectScanTest, CancellingMidScanClosesThePortAndLeavesTheRestUntried) {
    auto silent = StartSim(false);
    auto unit = StartSim(true);
    const auto ports = PortsFromList(silent->Path() + ":" + unit->Path());
    const int cancelFd = ::eventfd(0, EFD_CLOEXEC);
    ASSERT_GE(cancelFd, 0);
    for (bool fromOutside : {false, true}) {
        SCOPED_TRACE(fromOutside ? "cancelled from outside" : "cancelled by the listener");
        events = {};
        events.onStep = [&](const ScanEvent& e) {
            if (e.step != PortStep::Opened) return;
            EXPECT_TRUE(port.IsOpen());
            const uint64_t one = 1;
            if (fromOutside)
                EXPECT_EQ(::write(cancelFd, &one, sizeof one), 8);
            else
                session.CancelSearch();
        };
        session.SetSearchListener(&events);
        EXPECT_EQ(loop.Search(ports, fromOutside ? cancelFd : -1),
                  fromOutside ? ScanEnd::Cancelled : ScanEnd::NoUnit);
        EXPECT_FALSE(session.Searching() || port.IsOpen() || session.Connected());
        EXPECT_EQ(events.steps.back().first, PortStep::Opened);
        EXPECT_EQ(events.finished, std::vector<bool>{false});
    }
    ::close(cancelFd);
    EXPECT_TRUE(Heard(*unit).empty()) << "the unit was never probed";
}

TEST_F(ConnectScanTest, AnAdapterUnpluggedWhileProbedIsLeftForTheNextPort) {
    auto doomed = StartSim(false);
    auto unit = StartSim(true);
    const std::string d = doomed->Path(), u = unit->Path();
    events.onStep = [&](const ScanEvent& e) {
        if (e.step == PortStep::Opened && e.index == 0) doomed->Unplug();
    };
    session.SetSearchListener(&events);
    ASSERT_EQ(loop.Search(PortsFromList(d + ":" + u)), ScanEnd::Connected);
    EXPECT_EQ(events.steps, Probed(d, S::Removed) + Probed(u, S::Answered));
}

// Both searches take one rule for "the unit answered": noise before a valid answer does not hide
// it however much of it came first, and a reply that echoes another frame is no answer.
TEST_F(ConnectScanTest, BothSearchesFindTheAnswerBehindNoiseAndTakeNothingElse) {
    for (Host* host : {&desk, &cli}) {
        SCOPED_TRACE(host == &desk ? "one port at a time" : "every port at once");
        auto noisy = StartSim(true, FactoryImage(), {.noise = 1500, .seed = 7});
        auto stray = StartSim(true, FactoryImage(), {.corrupt = SimFaults::Corrupt::Echo});
        ScanLog log;
        host->session.SetSearchListener(&log);
        EXPECT_EQ(host->loop.Search(PortsFromList(stray->Path())), ScanEnd::NoUnit);
        ASSERT_FALSE(log.steps.empty());
        EXPECT_EQ(log.steps.back(), std::pair(S::NoValidAnswer, stray->Path()));
        EXPECT_EQ(host->loop.Search(PortsFromList(noisy->Path())), ScanEnd::Connected);
        host->session.SetSearchListener(nullptr);
    }
}

// Without a unit every port ends its own way, reported in order once the wait is over: a reply
// with a bad check or with another sequence echo is no answer, and changes nothing; an adapter
// pulled out during the sweep ends only its own port.
TEST_F(ConnectScanTest, ASweepWithoutAUnitSaysHowEachPortEnded) {
    UnitImage strayImage = FactoryImage();
    strayImage.Tuning.SpinSpeed1 = 99;
    auto garbled = StartSim(true, FactoryImage(), {.corrupt = SimFaults::Corrupt::Check});
    auto stray = StartSim(true, strayImage, {.corrupt = SimFaults::Corrupt::Echo});
    auto doomed = StartSim(false);
    auto silent = StartSim(false);
    const std::string g = garbled->Path(), st = stray->Path(), d = doomed->Path(),
                      si = silent->Path();
    const ParameterBlock before = cli.session.Block();
    cli.session.SetSearchListener(&events);
    std::thread unplug([&] {
        std::this_thread::sleep_for(300ms);
        doomed->Unplug();
    });
    EXPECT_EQ(cli.loop.Search(PortsFromList(g + ":" + st + ":" + d + ":" + si)), ScanEnd::NoUnit);
    unplug.join();
    EXPECT_EQ(events.steps, Ended(g, S::NoValidAnswer) + Ended(st, S::NoValidAnswer) +
                                Ended(d, S::Removed) + Ended(si, S::NoAnswer));
    EXPECT_EQ(events.finished, std::vector<bool>{false});
    EXPECT_FALSE(cli.session.Connected() || cli.session.Port().IsOpen());
    EXPECT_EQ(cli.session.Block().Tuning, before.Tuning);
    EXPECT_EQ(Heard(*silent), std::vector<std::string>(11, kProbeLine));
}

}  // namespace
}  // namespace orq
