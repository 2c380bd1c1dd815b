#include "sim/SimUnit.h"

#include <gtest/gtest.h>

#include "protocol/LinkFrame.h"
#include "protocol/Presets.h"
#include "support/Frames.h"
#include "support/Pty.h"

namespace orq {
namespace {

using namespace test;

// A host frame exactly as the configurator sends it.
Bytes HostFrame(int command, uint8_t replyMode, uint8_t sequence, const ParameterBlock& block = {},
                uint8_t optimizationCheck = 0) {
    LinkState link;
    link.SequenceCounter = static_cast<uint8_t>(sequence - 1);
    link.ReplyMode = replyMode;
    link.OptimizationCheck = optimizationCheck;
    BuildFrame(link, block, command);
    return Bytes(link.TransmitFrame.begin(), link.TransmitFrame.end());
}

Bytes Body(const SetupBlock& s, const TuningBlock& t) {
    Bytes body(s.bytes().begin(), s.bytes().end());
    body.insert(body.end(), t.bytes().begin(), t.bytes().end());
    return body;
}

class SimUnitTest : public ::testing::Test {
protected:
    void StartUnit(bool pace = false, std::chrono::milliseconds monitorPeriod = 100ms,
                   SimFaults faults = {}) {
        host_.reset();
        unit_.reset();
        std::remove(log_.c_str());  // a crashed earlier run may have left one
        unit_ = std::make_unique<SimUnit>(SimOptions{.image = FactoryImage(5),
                                                     .logPath = log_,
                                                     .pace = pace,
                                                     .monitorPeriod = monitorPeriod,
                                                     .faults = faults});
        std::string error;
        ASSERT_TRUE(unit_->Start(error)) << error;
        host_ = std::make_unique<PtyHost>(unit_->DevicePath());
        ASSERT_TRUE(host_->ok());
    }
    void TearDown() override { std::remove(log_.c_str()); }

    // Per process: other build trees may run the same test at the same time.
    std::string log_ = ::testing::TempDir() + "orq-sim-test-" + std::to_string(::getpid()) + ".log";
    std::unique_ptr<SimUnit> unit_;
    std::unique_ptr<PtyHost> host_;
};

// Each host frame gets exactly its reply, on a plain and on a paced line; writes are stored
// (all but the DeviceState, which stays the unit's own) and every frame heard is logged.
TEST_F(SimUnitTest, AnswersEachFrameAndStoresWritesButNeverTheirDeviceState) {
    const UnitImage factory = FactoryImage(5);
    ParameterBlock sent;
    sent.Setup = FactorySetup();
    sent.Tuning = FactoryTuning();
    sent.Setup.ServoDirCH4 = -1;
    sent.Setup.OptimizationDir = 1;
    sent.Setup.DeviceState = 99;  // the host's copy; the wire carries 0 there
    sent.Tuning.SpinSpeed1 = 60;
    sent.Tuning.TailCompsate2 = -125;
    sent.Tuning.TuningByte45 = 7;
    SetupBlock stored = sent.Setup;
    stored.DeviceState = 5;
    ParameterBlock sentAgain = sent;
    sentAgain.Tuning.YawGain = 11;
    const struct {
        const char* name;
        Bytes frame, reply;
    } exchanges[] = {
        {"parameter request", HostFrame(kCommandRequest, kReplyModeParameters, 1),
         Reply(10, 30, 1, Body(factory.Setup, factory.Tuning))},
        {"write", HostFrame(kCommandParameters, kReplyModeNone, 42, sent), Reply(30, 20, 42)},
        {"read back", HostFrame(kCommandRequest, kReplyModeParameters, 43),
         Reply(10, 30, 43, Body(stored, sent.Tuning))},
        {"write asking back", HostFrame(kCommandParameters, kReplyModeParameters, 44, sentAgain),
         Reply(30, 30, 44, Body(stored, sentAgain.Tuning))},
        {"optimization check", HostFrame(kCommandOptimization, kReplyModeNone, 3, {}, 102),
         Reply(50, 20, 3)},
        {"plain request", HostFrame(kCommandRequest, kReplyModeNone, 5), Reply(10, 20, 5)},
    };
    for (bool pace : {false, true}) {
        StartUnit(pace);
        std::vector<std::string> heard;
        for (const auto& x : exchanges) {
            ASSERT_TRUE(host_->Write(x.frame));
            EXPECT_EQ(host_->Read(90), x.reply) << x.name << (pace ? ", paced" : "");
            heard.push_back(Hex(x.frame));
        }
        const UnitImage held = unit_->Image();
        EXPECT_EQ(held.Setup, stored);
        EXPECT_EQ(held.Tuning, sentAgain.Tuning);
        EXPECT_EQ(held.OptimizationCheck, 102);
        EXPECT_EQ(Lines(log_), heard);
    }
}

TEST_F(SimUnitTest, StreamsMonitorRepliesUntilAnotherReplyModeArrives) {
    StartUnit(false, 20ms);
    ASSERT_TRUE(host_->Write(HostFrame(kCommandRequest, kReplyModeMonitor, 9)));
    // Sticks sweep between 2740 and 4860: every value moves, none jumps.
    std::array<int, 5> previous{};
    std::array<bool, 5> moved{};
    for (int i = 0; i < 6; ++i) {
        const Bytes f = host_->Read(90);
        ASSERT_EQ(f.size(), 90u);
        // Kind 10, type 40, echo 9, five values, the DeviceState: the values are the only unknown.
        Bytes body(f.begin() + 5, f.begin() + 15);
        body.push_back(5);
        EXPECT_EQ(f, Reply(10, 40, 9, body));
        for (std::size_t k = 0; k < 5; ++k) {
            const int v = static_cast<int16_t>(f[5 + 2 * k] << 8 | f[6 + 2 * k]);
            EXPECT_TRUE(v >= 2740 && v <= 4860) << v;
            EXPECT_TRUE(i == 0 || std::abs(v - previous[k]) <= 200)
                << v << " after " << previous[k];
            moved[k] = moved[k] || (i > 0 && v != previous[k]);
            previous[k] = v;
        }
    }
    EXPECT_EQ(moved, (std::array<bool, 5>{true, true, true, true, true}));
    ASSERT_TRUE(host_->Write(HostFrame(kCommandRequest, kReplyModeNone, 10)));
    // Monitor frames already on their way may precede the acknowledgement; none may follow it.
    Bytes f;
    for (int i = 0; i < 5 && f != Reply(10, 20, 10); ++i) f = host_->Read(90);
    ASSERT_EQ(f, Reply(10, 20, 10));
    EXPECT_TRUE(host_->ReadFor(150ms).empty());
}

// The count is of replies whole on the line: one reply byte every 20 ms, and the first reply is
// far from whole when the unit stops. (How the count follows the stream ended from outside is
// SimProcessTest's, through the signal that ends it.)
TEST_F(SimUnitTest, CountsNoMonitorReplyCutOffByStop) {
    StartUnit(false, 100ms, SimFaults{.drip = 20ms});
    const uint32_t before = unit_->MonitorReplies();
    ASSERT_TRUE(host_->Write(HostFrame(kCommandRequest, kReplyModeMonitor, 11)));
    ASSERT_EQ(host_->Read(5).size(), 5u);
    unit_->Stop();
    EXPECT_EQ(unit_->MonitorReplies() - before, 0u);
}

// Frames are taken however the bytes are sliced; damaged ones are ignored, and the unit stays in
// step. Every frame heard is logged, damaged or not.
TEST_F(SimUnitTest, TakesFramesHoweverSlicedIgnoresDamagedOnesAndLogsEveryOne) {
    StartUnit();
    // Garbage first, then a frame in three pieces.
    const Bytes a = HostFrame(kCommandRequest, kReplyModeNone, 1);
    ASSERT_TRUE(host_->Write(Bytes{0x00, 0x7E, 0x0E, 0x55}));
    ASSERT_TRUE(host_->Write(std::span(a).first(4)));
    EXPECT_TRUE(host_->ReadFor(50ms).empty());
    ASSERT_TRUE(host_->Write(std::span(a).subspan(4, 36)));
    ASSERT_TRUE(host_->Write(std::span(a).subspan(40)));
    EXPECT_EQ(host_->Read(90), Reply(10, 20, 1));
    // Two frames in one write.
    Bytes two = HostFrame(kCommandRequest, kReplyModeNone, 2);
    const Bytes b = HostFrame(kCommandRequest, kReplyModeParameters, 3);
    two.insert(two.end(), b.begin(), b.end());
    ASSERT_TRUE(host_->Write(two));
    EXPECT_EQ(host_->Read(90), Reply(10, 20, 2));
    const UnitImage factory = FactoryImage(5);
    EXPECT_EQ(host_->Read(90), Reply(10, 30, 3, Body(factory.Setup, factory.Tuning)));
    // A frame without its padding is answered once the line is quiet.
    const Bytes c = HostFrame(kCommandRequest, kReplyModeNone, 6);
    ASSERT_TRUE(host_->Write(std::span(c).first(9)));
    EXPECT_EQ(host_->Read(90), Reply(10, 20, 6));

    Bytes badCheck = Framed({10, 1, 30, 5});
    badCheck[6] ^= 0x01;
    const Bytes badLength = Framed({10, 2, 30, 6});  // the check right, only the length wrong
    // A tuning value 0x7E followed by 0x0E ends the frame early: its check cannot match.
    ParameterBlock stray;
    stray.Tuning.YawGain = 0x7E;
    stray.Tuning.TailGainP = 0x0E;
    const Bytes strayTrailer = HostFrame(kCommandParameters, kReplyModeParameters, 3, stray);
    const Bytes unknown = Framed({20, 4, 0, 5});  // well framed, unknown command
    for (const Bytes& f : {badCheck, badLength, strayTrailer, unknown})
        ASSERT_TRUE(host_->Write(f));
    EXPECT_TRUE(host_->ReadFor(150ms).empty());
    EXPECT_EQ(unit_->Image().Tuning, FactoryTuning()) << "the damaged write was stored";
    const Bytes good = HostFrame(kCommandRequest, kReplyModeNone, 5);
    ASSERT_TRUE(host_->Write(good));
    EXPECT_EQ(host_->Read(90), Reply(10, 20, 5));
    EXPECT_EQ(Lines(log_), (std::vector<std::string>{Hex(a), Hex(std::span(two).first(90)), Hex(b),
                                                     Hex(std::span(c).first(9)), Hex(badCheck),
                                                     Hex(badLength), Hex(strayTrailer),
                                                     Hex(unknown), Hex(good)}));
}

}  // namespace
}  // namespace orq
