#include "protocol/Monitor.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/Frames.h"

namespace orq {
namespace {

using test::Bytes;

// A monitor reply as the unit sends it: the five raw values high byte first, then DeviceState.
Bytes Reply(std::array<int, 5> raw, uint8_t echo = 1, uint8_t type = kReplyMonitor) {
    Bytes body;
    for (int r : raw) body.insert(body.end(), {uint8_t(r >> 8 & 0xFF), uint8_t(r & 0xFF)});
    body.push_back(0);
    return test::Reply(10, type, echo, body);
}

TEST(Monitor, DisplayValuesTruncateTowardZeroAndSaturate) {
    // -129 held as a byte would be 127, the opposite end.
    const std::vector<std::pair<int, int>> cases = {
        {3800, 0},  {2740, 100},   {4860, -100}, {2488, 124},  {2487, 125},
        {3811, -1}, {3789, 1},     {5124, -126}, {5154, -128}, {5155, -128},
        {0, 127},   {-32768, 127}, {32767, -128}};
    for (const auto& [raw, shown] : cases) EXPECT_EQ(MonitorDisplayValue(raw), shown) << raw;
}

class MonitorStreamTest : public ::testing::Test {
protected:
    // The request that switched the stream on: sequence 1, waiting for its answer.
    void SetUp() override {
        link.SequenceCounter = 1;
        link.AwaitingReply = true;
    }
    std::vector<MonitorSignal> Feed(const Bytes& b) { return stream.Feed(b, link, block); }
    MonitorStream stream;
    LinkState link;
    ParameterBlock block;
};

TEST_F(MonitorStreamTest, DecodesEveryReplyInOrderWhateverTheSlicing) {
    const Bytes a = Reply({3800, 2488, 2487, 5155, 3789});
    const auto got = Feed(a);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].value, (std::array<int, 5>{0, 124, 125, -128, 1}));
    EXPECT_EQ(got[0].raw[3], 5155);
    EXPECT_FALSE(link.AwaitingReply);
    // Two replies cut at every place: each is shown once, in order, none half-read.
    const Bytes b = Reply({2740, 3800, 3800, 3800, 3800}),
                c = Reply({4860, 3800, 3800, 3800, 3800});
    Bytes both = b;
    both.insert(both.end(), c.begin(), c.end());
    for (std::size_t cut = 1; cut < both.size(); ++cut) {
        SCOPED_TRACE(cut);
        std::vector<MonitorSignal> shown = Feed(Bytes(both.begin(), both.begin() + cut));
        const auto rest = Feed(Bytes(both.begin() + cut, both.end()));
        shown.insert(shown.end(), rest.begin(), rest.end());
        ASSERT_EQ(shown.size(), 2u);
        EXPECT_EQ(shown[0].value[0], 100);
        EXPECT_EQ(shown[1].value[0], -100);
        EXPECT_LT(stream.Buffered(), kFrameSize);  // at most padding, dropped with what follows
        stream.Clear();
    }
}

TEST_F(MonitorStreamTest, ShowsNothingUntilAFrameHasComeOrFromAnythingButAValidAnswer) {
    const Bytes reply = Reply({2740, 3800, 3800, 3800, 3800});
    EXPECT_TRUE(Feed(Bytes(reply.begin(), reply.begin() + 89)).empty());  // 89 bytes: wait
    EXPECT_EQ(stream.Buffered(), 89u);
    stream.Clear();
    // An acknowledgement, a broken check, a reply to an older request: all pass unseen.
    EXPECT_TRUE(Feed(Reply({2740, 0, 0, 0, 0}, 1, kReplyAck)).empty());
    link.AwaitingReply = true;
    Bytes badCheck = Reply({2740, 0, 0, 0, 0});
    badCheck[17] ^= 0x01;  // its check byte
    EXPECT_TRUE(Feed(badCheck).empty());
    EXPECT_TRUE(Feed(Reply({2740, 0, 0, 0, 0}, 0)).empty());
    EXPECT_TRUE(link.AwaitingReply);
    EXPECT_EQ(Feed(reply).size(), 1u);
}

// A window that could not look for a while (a busy machine) still shows every reply, in order.
// The frame has no escaping: values whose bytes read 7E 0E (0x0B7E, then 3800 = 0x0ED8) or 7F 2F
// neither cut a reply short nor start a new one.
TEST_F(MonitorStreamTest, ABacklogIsShownWholeAndInOrderWhateverItsValues) {
    std::vector<std::array<int, 5>> sent = {{0x0B7E, 3800, 3800, 3800, 3800},
                                            {0x0A7F, 0x2F00, 3800, 3800, 3800}};
    for (int i = 0; i < 30; ++i) sent.push_back({3800 - 10 * i, 3800, 3800, 3800, 3800});
    Bytes backlog;
    for (const auto& raw : sent) {
        const Bytes r = Reply(raw);
        backlog.insert(backlog.end(), r.begin(), r.end());
    }
    const auto shown = Feed(backlog);
    ASSERT_EQ(shown.size(), sent.size());
    for (std::size_t i = 0; i < shown.size(); ++i) {
        EXPECT_EQ(shown[i].raw[0], sent[i][0]) << i;
        EXPECT_EQ(shown[i].raw[1], sent[i][1]) << i;
    }
    EXPECT_LT(stream.Buffered(), kFrameSize);
}

}  // namespace
}  // namespace orq
