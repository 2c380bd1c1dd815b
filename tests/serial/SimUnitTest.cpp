#include "sim/SimUnit.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "protocol/LinkFrame.h"
#include "protocol/Presets.h"
#include "serial/PtyHost.h"

namespace orq {
namespace {

using test::Bytes;
using test::PtyHost;
using namespace std::chrono_literals;

Bytes AsBytes(const Frame& f) {
    return Bytes(f.begin(), f.end());
}

// A host frame exactly as the configurator sends it.
Bytes HostFrame(int command, uint8_t replyMode, uint8_t sequence, const ParameterBlock& block = {},
                uint8_t optimizationCheck = 0) {
    LinkState link;
    link.SequenceCounter = static_cast<uint8_t>(sequence - 1);
    link.ReplyMode = replyMode;
    link.OptimizationCheck = optimizationCheck;
    BuildFrame(link, block, command);
    return AsBytes(link.TransmitFrame);
}

// What a unit must answer, written out byte by byte: header, kind, type, echo, body, length,
// check, trailer, zeros to 90.
Bytes ExpectedReply(uint8_t kind, uint8_t type, uint8_t echo, const Bytes& body) {
    Bytes payload{kind, type, echo};
    payload.insert(payload.end(), body.begin(), body.end());
    payload.push_back(static_cast<uint8_t>(payload.size() + 2));
    uint8_t check = 0;
    for (uint8_t b : payload) check ^= b;
    payload.push_back(check);
    Bytes f{0x7F, 0x2F};
    f.insert(f.end(), payload.begin(), payload.end());
    f.push_back(0x7E);
    f.push_back(0x0E);
    f.resize(90, 0);
    return f;
}

Bytes ImageBody(const SetupBlock& s, const TuningBlock& t) {
    Bytes body;
    for (int8_t b : s.bytes()) body.push_back(static_cast<uint8_t>(b));
    for (int8_t b : t.bytes()) body.push_back(static_cast<uint8_t>(b));
    return body;
}

std::string Hex(const Bytes& bytes) {
    std::string s;
    char two[3];
    for (uint8_t b : bytes) {
        std::snprintf(two, sizeof two, "%02x", b);
        s += two;
    }
    return s;
}

std::vector<std::string> Lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class SimUnitTest : public ::testing::Test {
protected:
    void StartUnit(SimOptions options) {
        std::remove(log_.c_str());  // a crashed earlier run may have left one
        unit_ = std::make_unique<SimUnit>(std::move(options));
        std::string error;
        ASSERT_TRUE(unit_->Start(error)) << error;
        host_ = std::make_unique<PtyHost>(unit_->DevicePath());
        ASSERT_TRUE(host_->ok());
    }
    void StartUnit() { StartUnit(Options()); }

    SimOptions Options() {
        SimOptions o;
        o.image = FactoryImage(5);
        o.logPath = log_;
        return o;
    }

    void TearDown() override {
        host_.reset();
        unit_.reset();
        std::remove(log_.c_str());
    }

    std::string log_ = ::testing::TempDir() + "orq-sim-test-" +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".log";
    std::unique_ptr<SimUnit> unit_;
    std::unique_ptr<PtyHost> host_;
};

TEST_F(SimUnitTest, AnswersAParameterRequestWithItsWholeImage) {
    StartUnit();
    const Bytes probe = HostFrame(kCommandRequest, kReplyModeParameters, 1);
    ASSERT_TRUE(host_->Write(probe));
    const UnitImage factory = FactoryImage(5);
    EXPECT_EQ(host_->Read(90), ExpectedReply(10, 30, 1, ImageBody(factory.Setup, factory.Tuning)));

    // The host's own parser takes it as the answer to its probe.
    LinkState link;
    ParameterBlock block;
    link.SequenceCounter = 7;
    link.AwaitingReply = true;
    ASSERT_TRUE(host_->Write(HostFrame(kCommandRequest, kReplyModeParameters, 7)));
    const Bytes reply = host_->Read(90);
    ASSERT_TRUE(FindFrame(link, reply));
    AcceptFrame(link, block);
    EXPECT_FALSE(link.AwaitingReply);
    EXPECT_EQ(block.Setup, factory.Setup);
    EXPECT_EQ(block.Tuning, factory.Tuning);
    EXPECT_EQ(block.Setup.DeviceState, 5);
}

TEST_F(SimUnitTest, StoresAParameterWriteButNeverItsDeviceState) {
    StartUnit();
    ParameterBlock sent;
    sent.Setup = FactorySetup();
    sent.Tuning = FactoryTuning();
    sent.Setup.ServoDirCH4 = -1;
    sent.Setup.OptimizationDir = 1;
    sent.Setup.DeviceState = 99;  // the host's copy; the wire carries 0 there
    sent.Tuning.SpinSpeed1 = 60;
    sent.Tuning.TailCompsate2 = -125;
    sent.Tuning.TuningByte45 = 7;

    ASSERT_TRUE(host_->Write(HostFrame(kCommandParameters, kReplyModeNone, 42, sent)));
    EXPECT_EQ(host_->Read(90), ExpectedReply(30, 20, 42, {}));
    const UnitImage held = unit_->Image();
    SetupBlock expectedSetup = sent.Setup;
    expectedSetup.DeviceState = 5;
    EXPECT_EQ(held.Setup, expectedSetup);
    EXPECT_EQ(held.Tuning, sent.Tuning);

    // Read back, the unit reports what it stored.
    ASSERT_TRUE(host_->Write(HostFrame(kCommandRequest, kReplyModeParameters, 43)));
    EXPECT_EQ(host_->Read(90), ExpectedReply(10, 30, 43, ImageBody(expectedSetup, sent.Tuning)));

    // A write that asks for parameters back gets the values it just carried.
    sent.Tuning.YawGain = 11;
    ASSERT_TRUE(host_->Write(HostFrame(kCommandParameters, kReplyModeParameters, 44, sent)));
    EXPECT_EQ(host_->Read(90), ExpectedReply(30, 30, 44, ImageBody(expectedSetup, sent.Tuning)));
}

TEST_F(SimUnitTest, StoresTheOptimizationCheckByte) {
    StartUnit();
    ASSERT_TRUE(host_->Write(HostFrame(kCommandOptimization, kReplyModeNone, 3, {}, 102)));
    EXPECT_EQ(host_->Read(90), ExpectedReply(50, 20, 3, {}));
    EXPECT_EQ(unit_->Image().OptimizationCheck, 102);
    ASSERT_TRUE(host_->Write(HostFrame(kCommandOptimization, kReplyModeNone, 4, {}, 0)));
    EXPECT_EQ(host_->Read(90), ExpectedReply(50, 20, 4, {}));
    EXPECT_EQ(unit_->Image().OptimizationCheck, 0);
}

TEST_F(SimUnitTest, StreamsMonitorRepliesUntilAnotherReplyModeArrives) {
    SimOptions o = Options();
    o.monitorPeriod = 20ms;
    StartUnit(std::move(o));
    ASSERT_TRUE(host_->Write(HostFrame(kCommandRequest, kReplyModeMonitor, 9)));

    std::vector<std::array<int, 5>> values;
    for (int i = 0; i < 6; ++i) {
        const Bytes f = host_->Read(90);
        ASSERT_EQ(f.size(), 90u);
        // Header, kind 10, type 40, echo 9, ten value bytes, DeviceState, length 16, check.
        EXPECT_EQ(Bytes(f.begin(), f.begin() + 5), (Bytes{0x7F, 0x2F, 10, 40, 9}));
        EXPECT_EQ(f[15], 5) << "DeviceState";
        EXPECT_EQ(f[16], 16) << "length";
        uint8_t check = 0;
        for (std::size_t k = 2; k < 17; ++k) check ^= f[k];
        EXPECT_EQ(f[17], check);
        EXPECT_EQ(Bytes(f.begin() + 18, f.begin() + 20), (Bytes{0x7E, 0x0E}));
        EXPECT_EQ(Bytes(f.begin() + 20, f.end()), Bytes(70, 0));
        std::array<int, 5> v{};
        for (std::size_t k = 0; k < 5; ++k) {
            v[k] = static_cast<int16_t>(f[5 + 2 * k] << 8 | f[6 + 2 * k]);
            EXPECT_GE(v[k], 2740);
            EXPECT_LE(v[k], 4860);
        }
        values.push_back(v);
    }
    // Sticks sweep: every value moves, none jumps.
    for (std::size_t k = 0; k < 5; ++k) {
        bool moved = false;
        for (std::size_t i = 1; i < values.size(); ++i) {
            EXPECT_LE(std::abs(values[i][k] - values[i - 1][k]), 200);
            moved = moved || values[i][k] != values[i - 1][k];
        }
        EXPECT_TRUE(moved) << "signal " << k;
    }

    ASSERT_TRUE(host_->Write(HostFrame(kCommandRequest, kReplyModeNone, 10)));
    // Monitor frames already on their way may precede the acknowledgement; none may follow it.
    const Bytes ack = ExpectedReply(10, 20, 10, {});
    Bytes f;
    for (int i = 0; i < 5 && f != ack; ++i) f = host_->Read(90);
    ASSERT_EQ(f, ack);
    EXPECT_TRUE(host_->ReadFor(150ms).empty());
}

TEST_F(SimUnitTest, IgnoresDamagedFramesButLogsEveryFrameItHears) {
    StartUnit();
    Bytes badCheck = HostFrame(kCommandRequest, kReplyModeParameters, 1);
    badCheck[6] ^= 0x01;
    Bytes badLength = HostFrame(kCommandRequest, kReplyModeParameters, 2);
    badLength[5] = 6;
    badLength[6] ^= 5 ^ 6;  // keep the check right so only the length is wrong
    // A tuning value 0x7E followed by 0x0E ends the frame early: its check cannot match.
    ParameterBlock stray;
    stray.Tuning.YawGain = 0x7E;
    stray.Tuning.TailGainP = 0x0E;
    const Bytes strayTrailer = HostFrame(kCommandParameters, kReplyModeParameters, 3, stray);
    // A command the unit does not know, well framed.
    Bytes unknown = HostFrame(kCommandRequest, kReplyModeNone, 4);
    unknown[2] = 20;
    unknown[6] ^= 10 ^ 20;

    for (const Bytes& f : {badCheck, badLength, strayTrailer, unknown})
        ASSERT_TRUE(host_->Write(f));
    EXPECT_TRUE(host_->ReadFor(150ms).empty());
    EXPECT_EQ(unit_->Image().Tuning, FactoryTuning()) << "the damaged write was stored";

    // The unit is still in step: the next good frame is answered.
    const Bytes good = HostFrame(kCommandRequest, kReplyModeNone, 5);
    ASSERT_TRUE(host_->Write(good));
    EXPECT_EQ(host_->Read(90), ExpectedReply(10, 20, 5, {}));

    const std::vector<std::string> expected = {Hex(badCheck), Hex(badLength), Hex(strayTrailer),
                                               Hex(unknown), Hex(good)};
    EXPECT_EQ(Lines(log_), expected);
}

TEST_F(SimUnitTest, TakesFramesHoweverTheBytesAreSliced) {
    StartUnit();
    // Garbage first, then a frame in three pieces, then two frames in one write.
    const Bytes a = HostFrame(kCommandRequest, kReplyModeNone, 1);
    ASSERT_TRUE(host_->Write(Bytes{0x00, 0x7E, 0x0E, 0x55}));
    ASSERT_TRUE(host_->Write(Bytes(a.begin(), a.begin() + 4)));
    EXPECT_TRUE(host_->ReadFor(50ms).empty());
    ASSERT_TRUE(host_->Write(Bytes(a.begin() + 4, a.begin() + 40)));
    ASSERT_TRUE(host_->Write(Bytes(a.begin() + 40, a.end())));
    EXPECT_EQ(host_->Read(90), ExpectedReply(10, 20, 1, {}));

    Bytes two = HostFrame(kCommandRequest, kReplyModeNone, 2);
    const Bytes b = HostFrame(kCommandRequest, kReplyModeParameters, 3);
    two.insert(two.end(), b.begin(), b.end());
    ASSERT_TRUE(host_->Write(two));
    Bytes replies = ExpectedReply(10, 20, 2, {});
    const UnitImage factory = FactoryImage(5);
    const Bytes second = ExpectedReply(10, 30, 3, ImageBody(factory.Setup, factory.Tuning));
    replies.insert(replies.end(), second.begin(), second.end());
    EXPECT_EQ(host_->Read(180), replies);
    EXPECT_EQ(Lines(log_), (std::vector<std::string>{
                               Hex(a), Hex(Bytes(two.begin(), two.begin() + 90)), Hex(b)}));
}

TEST_F(SimUnitTest, AnswersAnUnpaddedFrameOnceTheLineIsQuiet) {
    StartUnit();
    const Bytes f = HostFrame(kCommandRequest, kReplyModeNone, 6);
    ASSERT_TRUE(host_->Write(Bytes(f.begin(), f.begin() + 9)));
    EXPECT_EQ(host_->Read(90), ExpectedReply(10, 20, 6, {}));
    EXPECT_EQ(Lines(log_), std::vector<std::string>{Hex(Bytes(f.begin(), f.begin() + 9))});
}

TEST_F(SimUnitTest, SilentUnitHearsButNeverAnswers) {
    SimOptions o = Options();
    o.reply = false;
    StartUnit(std::move(o));
    const Bytes probe = HostFrame(kCommandRequest, kReplyModeParameters, 1);
    ASSERT_TRUE(host_->Write(probe));
    ASSERT_TRUE(host_->Write(HostFrame(kCommandRequest, kReplyModeMonitor, 2)));
    EXPECT_TRUE(host_->ReadFor(300ms).empty());
    EXPECT_EQ(Lines(log_).size(), 2u);
}

TEST_F(SimUnitTest, UnitsInOneProcessAreIndependentAndStoppingHangsUpTheHost) {
    StartUnit();
    SimUnit other(SimOptions{FactoryImage(1), "", false, true, 100ms});
    std::string error;
    ASSERT_TRUE(other.Start(error)) << error;
    ASSERT_NE(other.DevicePath(), unit_->DevicePath());
    PtyHost otherHost(other.DevicePath());

    ParameterBlock sent;
    sent.Tuning.PitchGain = 77;
    ASSERT_TRUE(otherHost.Write(HostFrame(kCommandParameters, kReplyModeNone, 1, sent)));
    EXPECT_EQ(otherHost.Read(90), ExpectedReply(30, 20, 1, {}));
    EXPECT_EQ(other.Image().Tuning.PitchGain, 77);
    EXPECT_EQ(unit_->Image().Tuning, FactoryTuning());

    other.Stop();
    EXPECT_FALSE(other.Running());
    EXPECT_TRUE(otherHost.Read(1, 1s).empty());
    EXPECT_TRUE(otherHost.HungUp());

    // The first unit did not notice.
    ASSERT_TRUE(host_->Write(HostFrame(kCommandRequest, kReplyModeNone, 2)));
    EXPECT_EQ(host_->Read(90), ExpectedReply(10, 20, 2, {}));
}

TEST_F(SimUnitTest, APacedLineCarriesTheSameBytesInOrder) {
    SimOptions o = Options();
    o.pace = true;
    StartUnit(std::move(o));
    ParameterBlock sent;
    sent.Tuning.RollGain = 0x7F;
    Bytes both = HostFrame(kCommandParameters, kReplyModeNone, 1, sent);
    const Bytes probe = HostFrame(kCommandRequest, kReplyModeParameters, 2);
    both.insert(both.end(), probe.begin(), probe.end());
    ASSERT_TRUE(host_->Write(both));

    Bytes expected = ExpectedReply(30, 20, 1, {});
    TuningBlock tuning;
    tuning.RollGain = 0x7F;
    SetupBlock written;  // all zero as sent, with the unit's own DeviceState
    written.DeviceState = 5;
    const Bytes params = ExpectedReply(10, 30, 2, ImageBody(written, tuning));
    expected.insert(expected.end(), params.begin(), params.end());
    EXPECT_EQ(host_->Read(180), expected);
}

}  // namespace
}  // namespace orq
