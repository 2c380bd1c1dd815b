#include "protocol/LinkFrame.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "support/Frames.h"

namespace orq {
namespace {

using test::Bytes;
using test::Framed;
using test::Reply;

// Collects what SendFrame writes, as a serial port would carry it.
struct RecordingSink : ByteSink {
    bool open = true;
    std::vector<Bytes> writes;
    bool IsOpen() const override { return open; }
    uint32_t Write(const uint8_t* data, uint32_t count) override {
        writes.emplace_back(data, data + count);
        return count;
    }
};

Bytes ParameterReply(uint8_t kind, uint8_t echo, const SetupBlock& s, const TuningBlock& t) {
    Bytes body(s.bytes().begin(), s.bytes().end());
    body.insert(body.end(), t.bytes().begin(), t.bytes().end());
    return Reply(kind, kReplyParameters, echo, body);
}

Bytes Sent(const LinkState& l) {
    return Bytes(l.TransmitFrame.begin(), l.TransmitFrame.end());
}

TEST(LinkFrame, ScanProbeIsExactlyTheNineKnownBytes) {
    LinkState link;
    link.ReplyMode = kReplyModeParameters;
    RecordingSink sink;
    SendRequest(link, ParameterBlock{}, &sink);
    Bytes probe{0x7F, 0x2F, 0x0A, 0x01, 0x1E, 0x05, 0x10, 0x7E, 0x0E};
    probe.resize(kFrameSize, 0);
    EXPECT_EQ(sink.writes, std::vector<Bytes>{probe});
    EXPECT_TRUE(link.AwaitingReply);
}

// The unit's own DeviceState never travels in a parameter write; the optimization check carries
// it, with the check byte.
TEST(LinkFrame, AWriteCarriesBothBlocksButTheDeviceStateOnlyTheCheckCarries) {
    LinkState link;
    ParameterBlock block;
    for (std::size_t i = 0; i < SetupBlock::kSize; ++i) block.Setup.bytes()[i] = int8_t(i + 1);
    for (std::size_t i = 0; i < TuningBlock::kSize; ++i) block.Tuning.bytes()[i] = int8_t(100 + i);
    block.Setup.ServoDirCH1 = -1;  // a reversed direction travels as 0xFF
    block.Setup.DeviceState = -3;
    link.SequenceCounter = 41;
    BuildFrame(link, block, kCommandParameters);
    Bytes want;
    for (std::size_t i = 0; i <= 30; ++i) want.push_back(i == 6 ? 0xFF : uint8_t(i + 1));
    want.push_back(0);
    for (std::size_t i = 0; i < 46; ++i) want.push_back(uint8_t(100 + i));
    want.insert(want.end(), {30, 42, 0, 83});
    EXPECT_EQ(Sent(link), Framed(want));
    link.OptimizationCheck = kOptimizationStart;
    link.ReplyMode = 40;
    BuildFrame(link, block, kCommandOptimization);
    EXPECT_EQ(Sent(link), Framed({0, 0xFD, 0, 102, 0, 0, 0, 50, 43, 40, 12}));
}

TEST(LinkFrame, ClosedOrMissingSinkStillBuildsAndArmsAndTheCounterWraps) {
    LinkState link;
    const auto& f = link.TransmitFrame;
    RecordingSink sink;
    sink.open = false;
    link.SequenceCounter = 254;
    SendParameters(link, ParameterBlock{}, &sink);
    EXPECT_EQ(f[81], 255);
    SendParameters(link, ParameterBlock{}, nullptr);
    EXPECT_EQ(f[81], 0);
    EXPECT_TRUE(sink.writes.empty());
    EXPECT_TRUE(link.AwaitingReply);
    // Before anything was edited, a write carries zeros in both blocks.
    EXPECT_EQ(Bytes(&f[2], &f[80]), Bytes(78, 0));
    BuildFrame(link, ParameterBlock{}, 77);  // an unknown command goes out as a request
    EXPECT_EQ(Bytes(&f[2], &f[4]), (Bytes{10, 1}));
}

// FindFrame over a whole run and FrameScanner one byte at a time must agree on every case.
std::optional<Bytes> FindWhole(const Bytes& run) {
    LinkState l;
    l.N = 17;
    if (FindFrame(l, run)) return Bytes(l.ReceivePayload.begin(), l.ReceivePayload.begin() + l.N);
    EXPECT_EQ(l.N, 17) << "a failed search keeps the previous length";
    return std::nullopt;
}
std::optional<Bytes> FindByteByByte(const Bytes& run) {
    FrameScanner s;
    std::array<uint8_t, kReceivePayloadSize> p{};
    uint8_t n = 0;
    for (uint8_t b : run)
        if (s.Feed(b, p, n)) return Bytes(p.begin(), p.begin() + n);
    return std::nullopt;
}

TEST(FindFrame, FramingRulesWholeAndByteByByte) {
    const Bytes payload{10, 20, 1, 0x33, 5, 0x1B};
    const auto run = [](Bytes head, std::size_t filler, Bytes tail) {
        head.insert(head.end(), filler, 0x11);
        head.insert(head.end(), tail.begin(), tail.end());
        return head;
    };
    const Bytes overlong = run({0x7F, 0x2F}, 300, {0x7E, 0x0E});
    const std::optional<Bytes> none;
    const std::pair<const char*, std::pair<Bytes, std::optional<Bytes>>> cases[] = {
        {"stray bytes around",
         {{1, 2, 0x7E, 0x7F, 0x2F, 10, 20, 1, 0x33, 5, 0x1B, 0x7E, 0x0E, 9, 9}, payload}},
        {"two headers before a trailer",
         {{0x7F, 0x2F, 1, 2, 3, 0x7F, 0x2F, 10, 20, 1, 0x33, 5, 0x1B, 0x7E, 0x0E}, payload}},
        {"0x7E without 0x0E", {{0x7F, 0x2F, 10, 20, 1, 0x33, 5, 0x1B, 0x7E}, none}},
        {"0x7E then something else",
         {{0x7F, 0x2F, 10, 0x7E, 0x01, 5, 0x7E, 0x0E}, Bytes{10, 0x7E, 0x01, 5}}},
        {"trailer before any header", {{0x7E, 0x0E, 0x7F, 0x2F, 4, 0x7E, 0x0E}, Bytes{4}}},
        {"empty payload", {{0x7F, 0x2F, 0x7E, 0x0E}, Bytes{}}},
        {"over-long run", {overlong, none}},
        {"92-byte payload fits", {run({0x7F, 0x2F}, 92, {0x7E, 0x0E}), Bytes(92, 0x11)}},
        {"93-byte payload", {run({0x7F, 0x2F}, 93, {0x7E, 0x0E}), none}},
        {"good frame after an over-long run",
         {run(overlong, 0, {0x7F, 0x2F, 3, 0x7E, 0x0E}), Bytes{3}}},
    };
    for (const auto& [what, c] : cases) {
        EXPECT_EQ(FindWhole(c.first), c.second) << what;
        EXPECT_EQ(FindByteByByte(c.first), c.second) << what << ", byte by byte";
    }
}

// A reply as the unit sends it, fed whole and one byte at a time after a parameter request.
TEST(AcceptFrame, RepliesAreAppliedOnlyWhenSound) {
    SetupBlock setup;
    TuningBlock tuning;
    for (std::size_t i = 0; i < SetupBlock::kSize; ++i) setup.bytes()[i] = int8_t(i * 3 - 40);
    for (std::size_t i = 0; i < TuningBlock::kSize; ++i) tuning.bytes()[i] = int8_t(i * 2 + 1);
    Bytes badCheck = ParameterReply(10, 1, setup, tuning), badLength = badCheck;
    badCheck[2 + 84] ^= 0x01;
    badLength[2 + 83] = 82;
    badLength[2 + 84] ^= 83 ^ 82;  // keep the check right so only the length is wrong
    TuningBlock trap = tuning;
    trap.TuningByte4 = 0x7E;
    trap.TuningByte5 = 0x0E;
    struct Case {
        const char* what;
        Bytes frame;
        bool awaiting, applied;
    };
    const Case cases[] = {
        {"matching reply", ParameterReply(10, 1, setup, tuning), false, true},
        {"kind 30, stale echo", ParameterReply(30, 0, setup, tuning), true, true},
        {"acknowledgement", Reply(10, kReplyAck, 1), false, false},
        {"bad check", badCheck, true, false},
        {"wrong length", badLength, true, false},
        {"kind 20", ParameterReply(20, 1, setup, tuning), true, false},
        {"0x7E 0x0E in the payload", ParameterReply(10, 1, setup, trap), true, false},
        {"too short for the blocks", Reply(10, kReplyParameters, 1, {9, 9}), true, false},
    };
    for (const Case& c : cases) {
        for (bool byteByByte : {false, true}) {
            LinkState link;
            ParameterBlock block;
            link.ReplyMode = kReplyModeParameters;
            BuildFrame(link, block, kCommandRequest);  // sequence 1, awaiting
            FrameScanner s;
            if (!byteByByte && FindFrame(link, c.frame)) AcceptFrame(link, block);
            for (uint8_t b : byteByByte ? c.frame : Bytes{})
                if (s.Feed(b, link.ReceivePayload, link.N)) AcceptFrame(link, block);
            const std::string what = std::string(c.what) + (byteByByte ? ", byte by byte" : "");
            EXPECT_EQ(link.AwaitingReply, c.awaiting) << what;
            EXPECT_EQ(block.Setup, c.applied ? setup : SetupBlock{}) << what;
            EXPECT_EQ(block.Tuning, c.applied ? tuning : TuningBlock{}) << what;
            EXPECT_EQ(block.Mirror, SettingsMirror{}) << what << ": the mirror is the caller's";
        }
    }
}

TEST(AcceptFrame, MonitorDeviceStateGoesOutInNextOptimizationCheck) {
    LinkState link;
    ParameterBlock block;
    BuildFrame(link, block, kCommandRequest);
    ASSERT_TRUE(FindFrame(link, Reply(10, kReplyMonitor, 1, {0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0xC8})));
    AcceptFrame(link, block);
    RecordingSink sink;
    SendOptimizationCheck(link, block, &sink);
    ASSERT_EQ(sink.writes.size(), 1u);
    EXPECT_EQ(sink.writes[0][3], 0xC8);
}

}  // namespace
}  // namespace orq
