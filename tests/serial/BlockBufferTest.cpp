#include "serial/BlockBuffer.h"

#include <gtest/gtest.h>

#include "support/Pty.h"

namespace orq {
namespace {

using test::Bytes;
using test::Pattern;
using namespace std::chrono_literals;
using Shapes = std::vector<BlockBuffer::BlockShape>;

Bytes TakeAll(BlockBuffer& b) {
    Bytes out(b.Size());
    out.resize(b.Take(out.data(), static_cast<uint32_t>(out.size())));
    return out;
}

TEST(BlockBuffer, AppendFillsTheTailThenOneBlockSizedForTheWholeCount) {
    BlockBuffer b(1024);
    Bytes all = Pattern(924, 1);
    const Bytes second = Pattern(3000, 2);
    b.Append(all.data(), 924);
    ASSERT_EQ(b.TailFree(), 100u);
    b.Append(second.data(), 3000);
    EXPECT_EQ(b.Size(), 3924u);
    EXPECT_EQ(b.Shapes(), (Shapes{{0, 1024, 1024}, {0, 2900, 3000}}));
    all.insert(all.end(), second.begin(), second.end());
    EXPECT_EQ(TakeAll(b), all);
}

TEST(BlockBuffer, TakeCrossesBlocksDiscardsAndReleasesEmptiedBlocks) {
    BlockBuffer b(16);
    const Bytes bytes = Pattern(100);
    b.Append(bytes.data(), 10);       // block 1: 16 bytes, 10 used
    b.Append(bytes.data() + 10, 90);  // 6 more in block 1, 84 in a block of 90
    Bytes out(100);
    EXPECT_EQ(b.Take(out.data(), 12), 12u);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 12), Bytes(bytes.begin(), bytes.begin() + 12));
    EXPECT_EQ(b.Take(nullptr, 8), 8u);  // discards the last 4 of block 1 and 4 of block 2
    EXPECT_EQ(b.Shapes(), (Shapes{{4, 84, 90}}));
    EXPECT_EQ(b.Size(), 80u);
    EXPECT_EQ(b.Take(out.data(), 40), 40u);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 40), Bytes(bytes.begin() + 20, bytes.begin() + 60));
    // Asking for more than there is takes what there is; the emptied block of 90 > 4 x 16 goes.
    EXPECT_EQ(b.Take(out.data(), 100), 40u);
    EXPECT_TRUE(b.Shapes().empty());
    EXPECT_EQ(b.Take(out.data(), 100), 0u);
}

TEST(BlockBuffer, SmallLastBlockIsKeptForReuse) {
    BlockBuffer b(16);
    const Bytes bytes = Pattern(64);
    b.Append(bytes.data(), 64);  // one block of 64 = 4 x minimum
    EXPECT_EQ(b.Take(nullptr, 64), 64u);
    EXPECT_EQ(b.Shapes(), (Shapes{{0, 0, 64}}));
    b.Append(bytes.data(), 30);  // reused from position 0, without a new block
    EXPECT_EQ(b.Shapes(), (Shapes{{0, 30, 64}}));
    // A block linked behind the kept, emptied one: its bytes are still found first.
    b.Take(nullptr, 30);
    std::copy(bytes.begin(), bytes.begin() + 5, b.Reserve(5));
    b.Commit(5);
    EXPECT_EQ(b.Shapes(), (Shapes{{0, 0, 64}, {0, 5, 16}}));
    ASSERT_EQ(b.Front().size(), 5u);
    EXPECT_EQ(b.Front()[4], bytes[4]);
    EXPECT_EQ(TakeAll(b), Bytes(bytes.begin(), bytes.begin() + 5));
    EXPECT_EQ(b.Shapes(), (Shapes{{0, 0, 16}}));
    b.Clear();
    EXPECT_TRUE(b.Shapes().empty() && b.Size() == 0 && b.TailSpace() == nullptr);
}

TEST(BlockBuffer, ProducerAndConsumerOnTwoThreadsKeepEveryByteInOrder) {
    BlockBuffer b(64);
    constexpr uint32_t kTotal = 300000;
    std::thread producer([&] {
        Bytes chunk;
        for (uint32_t sent = 0, step = 1; sent < kTotal;
             sent += static_cast<uint32_t>(chunk.size())) {
            chunk.resize(std::min(step, kTotal - sent));
            for (uint32_t i = 0; i < chunk.size(); ++i)
                chunk[i] = static_cast<uint8_t>((sent + i) % 251);
            const auto n = static_cast<uint32_t>(chunk.size());
            if (step % 3 == 0) {  // straight into reserved tail space, then committed
                std::lock_guard<std::recursive_mutex> g(b.Lock());
                if (b.TailFree() < n) b.Reserve(n);
                std::copy(chunk.begin(), chunk.end(), b.TailSpace());
                b.Commit(n);
            } else {
                b.Append(chunk.data(), n);
            }
            step = step % 700 + 1;
        }
    });
    Bytes out(1023);
    uint32_t received = 0;
    bool inOrder = true;
    for (const auto end = test::Clock::now() + 20s;
         received < kTotal && test::Clock::now() < end;) {
        const uint32_t n = b.Take(out.data(), static_cast<uint32_t>(out.size()));
        for (uint32_t i = 0; i < n; ++i) inOrder &= out[i] == (received + i) % 251;
        received += n;
        if (n == 0) std::this_thread::yield();
    }
    producer.join();
    EXPECT_EQ(received, kTotal);
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(b.Size(), 0u);
}

}  // namespace
}  // namespace orq
