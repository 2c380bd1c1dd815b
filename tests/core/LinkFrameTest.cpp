#include "protocol/LinkFrame.h"

#include <gtest/gtest.h>

#include <vector>

namespace orq {
namespace {

using Bytes = std::vector<uint8_t>;

// Collects what SendFrame writes, as a serial port would carry it.
class RecordingSink : public ByteSink {
public:
    bool open = true;
    std::vector<Bytes> writes;
    bool IsOpen() const override { return open; }
    uint32_t Write(const uint8_t* data, uint32_t count) override {
        writes.emplace_back(data, data + count);
        return count;
    }
};

Bytes Padded(Bytes head) {
    head.resize(kFrameSize, 0);
    return head;
}

// A reply frame as a unit sends it: header, payload (+ length and check), trailer, zero padding.
Bytes Reply(Bytes body) {
    body.push_back(static_cast<uint8_t>(body.size() + 2));
    body.push_back(XorOf(body));
    Bytes f{kHeader0, kHeader1};
    f.insert(f.end(), body.begin(), body.end());
    f.push_back(kTrailer0);
    f.push_back(kTrailer1);
    return Padded(f);
}

Bytes ParameterReply(uint8_t kind, uint8_t echo, const SetupBlock& s, const TuningBlock& t) {
    Bytes body{kind, kReplyParameters, echo};
    for (int8_t b : s.bytes()) body.push_back(static_cast<uint8_t>(b));
    for (int8_t b : t.bytes()) body.push_back(static_cast<uint8_t>(b));
    return Reply(body);
}

Bytes Frame(const LinkState& l) { return Bytes(l.TransmitFrame.begin(), l.TransmitFrame.end()); }

TEST(LinkFrame, ScanProbeIsExactlyTheNineKnownBytes) {
    LinkState link;
    ParameterBlock block;
    link.ReplyMode = kReplyModeParameters;
    RecordingSink sink;
    SendRequest(link, block, &sink);
    const Bytes expected = Padded({0x7F, 0x2F, 0x0A, 0x01, 0x1E, 0x05, 0x10, 0x7E, 0x0E});
    ASSERT_EQ(sink.writes.size(), 1u);
    EXPECT_EQ(sink.writes[0], expected);
    EXPECT_TRUE(link.AwaitingReply);
}

TEST(LinkFrame, ParameterWriteCarriesBothBlocksInWireOrder) {
    LinkState link;
    ParameterBlock block;
    for (std::size_t i = 0; i < SetupBlock::kSize; ++i)
        block.Setup.bytes()[i] = static_cast<int8_t>(i + 1);
    for (std::size_t i = 0; i < TuningBlock::kSize; ++i)
        block.Tuning.bytes()[i] = static_cast<int8_t>(100 + i);
    block.Setup.ServoDirCH1 = -1;  // a reversed direction travels as 0xFF
    block.Setup.DeviceState = 77;  // never sent by the host
    link.SequenceCounter = 41;
    BuildFrame(link, block, kCommandParameters);
    const Bytes f = Frame(link);

    EXPECT_EQ(f[0], 0x7F);
    EXPECT_EQ(f[1], 0x2F);
    for (std::size_t i = 0; i <= 30; ++i) {
        const uint8_t want = i == 6 ? 0xFF : static_cast<uint8_t>(i + 1);
        EXPECT_EQ(f[2 + i], want) << "setup index " << i;
    }
    EXPECT_EQ(f[33], 0);
    for (std::size_t i = 0; i < 46; ++i) EXPECT_EQ(f[34 + i], 100 + i) << "tuning index " << i;
    EXPECT_EQ(f[80], 30);
    EXPECT_EQ(f[81], 42);
    EXPECT_EQ(f[82], 0);
    EXPECT_EQ(f[83], 83);
    uint8_t x = 0;
    for (std::size_t i = 2; i <= 83; ++i) x ^= f[i];
    EXPECT_EQ(f[84], x);
    EXPECT_EQ(f[85], 0x7E);
    EXPECT_EQ(f[86], 0x0E);
    EXPECT_EQ(f[87], 0);
    EXPECT_EQ(f[88], 0);
    EXPECT_EQ(f[89], 0);
}

TEST(LinkFrame, OptimizationCheckCarriesDeviceStateAndCheckByte) {
    LinkState link;
    ParameterBlock block;
    block.Setup.DeviceState = -3;
    link.OptimizationCheck = kOptimizationStart;
    link.ReplyMode = 40;
    BuildFrame(link, block, kCommandOptimization);
    const Bytes expectedHead{0x7F, 0x2F, 0, 0xFD, 0, 102, 0, 0, 0, 50, 1, 40, 12};
    const Bytes f = Frame(link);
    ASSERT_TRUE(std::equal(expectedHead.begin(), expectedHead.end(), f.begin()));
    EXPECT_EQ(f[13], XorOf(std::span<const uint8_t>(&f[2], 11)));
    EXPECT_EQ(f[14], 0x7E);
    EXPECT_EQ(f[15], 0x0E);
    EXPECT_TRUE(std::all_of(f.begin() + 16, f.end(), [](uint8_t b) { return b == 0; }));
}

TEST(LinkFrame, UnknownCommandBuildsARequestAndCounterWraps) {
    LinkState link;
    ParameterBlock block;
    link.SequenceCounter = 254;
    BuildFrame(link, block, 77);
    EXPECT_EQ(link.TransmitFrame[2], 10);
    EXPECT_EQ(link.TransmitFrame[3], 255);
    BuildFrame(link, block, kCommandRequest);
    EXPECT_EQ(link.TransmitFrame[3], 0);
    EXPECT_EQ(link.SequenceCounter, 0);
}

TEST(LinkFrame, ClosedOrMissingSinkStillBuildsAndArms) {
    LinkState link;
    ParameterBlock block;
    RecordingSink sink;
    sink.open = false;
    SendParameters(link, block, &sink);
    SendParameters(link, block, nullptr);
    EXPECT_TRUE(sink.writes.empty());
    EXPECT_EQ(link.SequenceCounter, 2);
    EXPECT_TRUE(link.AwaitingReply);
    // Before anything was edited, a write carries zeros in both blocks.
    for (std::size_t i = 2; i < 80; ++i) EXPECT_EQ(link.TransmitFrame[i], 0) << i;
}

// Runs FindFrame over a whole run and, separately, FrameScanner one byte at a time; both must
// agree on every case.
struct Found {
    bool found;
    Bytes payload;
};
Found FindWhole(const Bytes& run) {
    LinkState l;
    bool ok = FindFrame(l, run);
    return {ok, ok ? Bytes(l.ReceivePayload.begin(), l.ReceivePayload.begin() + l.N) : Bytes{}};
}
Found FindByteByByte(const Bytes& run) {
    FrameScanner s;
    std::array<uint8_t, kReceivePayloadSize> p{};
    uint8_t n = 0;
    for (uint8_t b : run)
        if (s.Feed(b, p, n)) return {true, Bytes(p.begin(), p.begin() + n)};
    return {false, {}};
}

TEST(FindFrame, FramingRulesWholeAndByteByByte) {
    const Bytes payload{10, 20, 1, 0x33, 5, 0x1B};
    struct Case {
        const char* what;
        Bytes run;
        bool found;
        Bytes payload;
    };
    const Case cases[] = {
        {"stray bytes around", {1, 2, 0x7E, 0x7F, 0x2F, 10, 20, 1, 0x33, 5, 0x1B, 0x7E, 0x0E, 9, 9},
         true, payload},
        {"two headers before a trailer", {0x7F, 0x2F, 1, 2, 3, 0x7F, 0x2F, 10, 20, 1, 0x33, 5, 0x1B,
                                          0x7E, 0x0E},
         true, payload},
        {"0x7E without 0x0E", {0x7F, 0x2F, 10, 20, 1, 0x33, 5, 0x1B, 0x7E}, false, {}},
        {"0x7E then something else", {0x7F, 0x2F, 10, 0x7E, 0x01, 5, 0x7E, 0x0E}, true,
         {10, 0x7E, 0x01, 5}},
        {"trailer before any header", {0x7E, 0x0E, 0x7F, 0x2F, 4, 0x7E, 0x0E}, true, {4}},
        {"empty payload", {0x7F, 0x2F, 0x7E, 0x0E}, true, {}},
    };
    for (const Case& c : cases) {
        for (auto finder : {FindWhole, FindByteByByte}) {
            Found f = finder(c.run);
            EXPECT_EQ(f.found, c.found) << c.what;
            if (c.found) {
                EXPECT_EQ(f.payload, c.payload) << c.what;
            }
        }
    }
}

TEST(FindFrame, OverlongRunIsNoFrameAndWritesNothingPastThePayload) {
    Bytes run{0x7F, 0x2F};
    for (int i = 0; i < 300; ++i) run.push_back(static_cast<uint8_t>(i % 100));
    run.push_back(0x7E);
    run.push_back(0x0E);
    EXPECT_FALSE(FindWhole(run).found);
    EXPECT_FALSE(FindByteByByte(run).found);

    // The longest payload that fits (92 bytes) is still a frame; one more byte is not.
    Bytes fits{0x7F, 0x2F};
    fits.insert(fits.end(), 92, 0x11);
    fits.push_back(0x7E);
    fits.push_back(0x0E);
    Found f = FindWhole(fits);
    EXPECT_TRUE(f.found);
    EXPECT_EQ(f.payload.size(), 92u);
    Bytes tooLong = fits;
    tooLong.insert(tooLong.begin() + 2, 0x11);
    EXPECT_FALSE(FindWhole(tooLong).found);

    // A good frame after an overlong run is still found.
    run.insert(run.end(), {0x7F, 0x2F, 3, 0x7E, 0x0E});
    EXPECT_EQ(FindWhole(run).payload, Bytes{3});
    EXPECT_EQ(FindByteByByte(run).payload, Bytes{3});
}

TEST(FindFrame, FailureKeepsPreviousLength) {
    LinkState l;
    l.N = 17;
    EXPECT_FALSE(FindFrame(l, Bytes{0x7F, 0x2F, 1, 2}));
    EXPECT_EQ(l.N, 17);
}

class AcceptFrameTest : public ::testing::Test {
protected:
    LinkState link;
    ParameterBlock block;
    SetupBlock unitSetup;
    TuningBlock unitTuning;

    void SetUp() override {
        for (std::size_t i = 0; i < SetupBlock::kSize; ++i)
            unitSetup.bytes()[i] = static_cast<int8_t>(i * 3 - 40);
        for (std::size_t i = 0; i < TuningBlock::kSize; ++i)
            unitTuning.bytes()[i] = static_cast<int8_t>(i * 2 + 1);
        link.ReplyMode = kReplyModeParameters;
        BuildFrame(link, block, kCommandRequest);  // sequence 1, awaiting
    }
    void Receive(const Bytes& run) {
        if (FindFrame(link, run)) AcceptFrame(link, block);
    }
};

TEST_F(AcceptFrameTest, MatchingParameterReplyIsAppliedAndClearsAwaiting) {
    Receive(ParameterReply(10, 1, unitSetup, unitTuning));
    EXPECT_FALSE(link.AwaitingReply);
    EXPECT_EQ(block.Setup, unitSetup);
    EXPECT_EQ(block.Tuning, unitTuning);
    EXPECT_EQ(block.Mirror, SettingsMirror{});  // the mirror is the caller's business
}

TEST_F(AcceptFrameTest, StaleEchoIsAppliedButLeavesAwaiting) {
    Receive(ParameterReply(30, 0, unitSetup, unitTuning));
    EXPECT_TRUE(link.AwaitingReply);
    EXPECT_EQ(block.Tuning, unitTuning);
}

TEST_F(AcceptFrameTest, FaultyFramesChangeNothing) {
    Bytes badCheck = ParameterReply(10, 1, unitSetup, unitTuning);
    badCheck[2 + 84] ^= 0x01;
    Bytes badLength = ParameterReply(10, 1, unitSetup, unitTuning);
    badLength[2 + 83] = 82;
    badLength[2 + 84] ^= 83 ^ 82;  // keep the check right so only the length is wrong
    Bytes badKind = ParameterReply(20, 1, unitSetup, unitTuning);
    // A value that forms 0x7E 0x0E cuts the frame short; the check then fails.
    TuningBlock trap = unitTuning;
    trap.TuningByte4 = 0x7E;
    trap.TuningByte5 = 0x0E;
    Bytes cut = ParameterReply(10, 1, unitSetup, trap);
    // A parameter reply too short to hold the blocks must not apply stale payload bytes.
    Bytes shortReply = Reply({10, kReplyParameters, 1, 9, 9});

    for (const Bytes* f : {&badCheck, &badLength, &badKind, &cut, &shortReply}) {
        Receive(*f);
        EXPECT_TRUE(link.AwaitingReply);
        EXPECT_EQ(block.Setup, SetupBlock{});
        EXPECT_EQ(block.Tuning, TuningBlock{});
    }
}

TEST_F(AcceptFrameTest, AcknowledgementOnlyClearsAwaiting) {
    Receive(Reply({10, kReplyAck, 1}));
    EXPECT_FALSE(link.AwaitingReply);
    EXPECT_EQ(block.Tuning, TuningBlock{});
}

TEST_F(AcceptFrameTest, MonitorDeviceStateGoesOutInNextOptimizationCheck) {
    Bytes body{10, kReplyMonitor, 1, 0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0xC8};
    Receive(Reply(body));
    EXPECT_EQ(block.Setup.DeviceState, static_cast<int8_t>(0xC8));
    RecordingSink sink;
    SendOptimizationCheck(link, block, &sink);
    ASSERT_EQ(sink.writes.size(), 1u);
    EXPECT_EQ(sink.writes[0][3], 0xC8);
    // ... and a parameter write does not carry it.
    SendParameters(link, block, &sink);
    EXPECT_EQ(sink.writes[1][33], 0);
}

TEST_F(AcceptFrameTest, ReplyArrivingOneByteAtATime) {
    const Bytes reply = ParameterReply(10, 1, unitSetup, unitTuning);
    FrameScanner scanner;
    bool done = false;
    for (uint8_t b : reply) {
        if (scanner.Feed(b, link.ReceivePayload, link.N)) {
            AcceptFrame(link, block);
            done = true;
        }
    }
    EXPECT_TRUE(done);
    EXPECT_FALSE(link.AwaitingReply);
    EXPECT_EQ(block.Tuning, unitTuning);
}

}  // namespace
}  // namespace orq
