#include "protocol/LinkFrame.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace orq {

uint8_t XorOf(std::span<const uint8_t> bytes) {
    uint8_t x = 0;
    for (uint8_t b : bytes) x ^= b;
    return x;
}

void BuildFrame(LinkState& link, const ParameterBlock& block, int command) {
    Frame& f = link.TransmitFrame;
    f.fill(0);
    f[0] = kHeader0;
    f[1] = kHeader1;

    std::size_t used = 9;  // L: bytes of the frame in use, trailer included
    switch (command) {
        case kCommandParameters:
            used = 87;
            std::memcpy(&f[2], block.Setup.bytes().data(), SetupBlock::kSentSize);
            // f[33] stays 0: DeviceState is the unit's own and never sent back in a write.
            std::memcpy(&f[34], block.Tuning.bytes().data(), TuningBlock::kSize);
            break;
        case kCommandOptimization:
            used = 16;
            f[3] = static_cast<uint8_t>(block.Setup.DeviceState);
            f[5] = link.OptimizationCheck;
            break;
        default:
            command = kCommandRequest;
            break;
    }

    f[used - 7] = static_cast<uint8_t>(command);
    ++link.SequenceCounter;  // wraps 255 -> 0
    f[used - 6] = link.SequenceCounter;
    f[used - 5] = link.ReplyMode;
    f[used - 4] = static_cast<uint8_t>(used - 4);
    f[used - 3] = XorOf(std::span<const uint8_t>(&f[2], used - 5));
    f[used - 2] = kTrailer0;
    f[used - 1] = kTrailer1;
    link.AwaitingReply = true;
}

uint32_t SendFrame(LinkState& link, const ParameterBlock& block, ByteSink* sink, int command) {
    BuildFrame(link, block, command);
    if (sink == nullptr || !sink->IsOpen()) return 0;
    return sink->Write(link.TransmitFrame.data(), static_cast<uint32_t>(kFrameSize));
}

bool FrameScanner::Feed(uint8_t b, std::array<uint8_t, kReceivePayloadSize>& payload, uint8_t& n) {
    const bool hadPrev = havePrev_;
    const uint8_t prev = prev_;
    havePrev_ = true;
    prev_ = b;
    if (!hadPrev) return false;

    if (prev == kHeader0 && b == kHeader1) {
        capturing_ = true;
        overflow_ = false;
        index_ = 0;
        return false;
    }
    if (!capturing_) return false;

    if (prev == kTrailer0 && b == kTrailer1) {
        capturing_ = false;
        // The 0x7E of the trailer was captured as the last byte; it is not payload.
        if (overflow_ || index_ == 0) return false;
        n = static_cast<uint8_t>(index_ - 1);
        return true;
    }
    // The trailer's 0x7E lands one past the payload, so a full 92-byte payload still fits.
    if (index_ < kReceivePayloadSize) {
        payload[index_] = b;
    } else if (index_ > kReceivePayloadSize) {
        overflow_ = true;
    }
    ++index_;
    return false;
}

bool FindFrame(LinkState& link, std::span<const uint8_t> run) {
    FrameScanner scanner;
    for (uint8_t b : run) {
        if (scanner.Feed(b, link.ReceivePayload, link.N)) return true;
    }
    return false;
}

bool IsValidReply(std::span<const uint8_t> p) {
    const std::size_t n = p.size();
    if (n < 2 || n > kReceivePayloadSize) return false;
    if (XorOf(p.first(n - 1)) != p[n - 1]) return false;
    if (p[n - 2] != n) return false;
    if (p[0] != kCommandRequest && p[0] != kCommandParameters) return false;
    // A reply too short to hold its body carries nothing trustworthy: reading it would apply
    // whatever an earlier frame left in the payload buffer.
    if (p[1] == kReplyParameters && n < 83) return false;
    if (p[1] == kReplyMonitor && n < 16) return false;
    return true;
}

bool AcceptFrame(LinkState& link, ParameterBlock& block) {
    const std::size_t n = link.N;
    const auto& p = link.ReceivePayload;
    if (n > kReceivePayloadSize || !IsValidReply(std::span(p.data(), n))) return false;

    if (p[2] == link.SequenceCounter) link.AwaitingReply = false;

    if (p[1] == kReplyParameters) {
        std::memcpy(block.Setup.bytes().data(), &p[3], SetupBlock::kSize);
        std::memcpy(block.Tuning.bytes().data(), &p[35], TuningBlock::kSize);
    } else if (p[1] == kReplyMonitor) {
        block.Setup.DeviceState = static_cast<int8_t>(p[13]);
    }
    return true;
}

std::size_t ScanReplies(std::span<const uint8_t> bytes,
                        const std::function<void(std::span<const uint8_t> payload)>& reply) {
    std::vector<std::size_t> starts;  // where a payload would begin: after each open header
    for (std::size_t i = 1; i < bytes.size(); ++i) {
        const uint8_t a = bytes[i - 1], b = bytes[i];
        if (a == kHeader0 && b == kHeader1) {
            starts.push_back(i + 1);
            continue;
        }
        if (a != kTrailer0 || b != kTrailer1) continue;
        for (auto it = starts.rbegin(); it != starts.rend(); ++it) {
            if (i - 1 < *it) continue;
            const std::size_t n = i - 1 - *it;
            if (n > kReceivePayloadSize) break;  // older headers are farther still
            const std::span<const uint8_t> payload = bytes.subspan(*it, n);
            if (!IsValidReply(payload)) continue;
            reply(payload);
            starts.clear();
            break;
        }
        std::erase_if(starts, [i](std::size_t s) { return i + 1 - s > kReceivePayloadSize + 2; });
    }
    if (!starts.empty()) return starts.front() - 2;  // the header itself
    if (!bytes.empty() && bytes.back() == kHeader0) return bytes.size() - 1;
    return bytes.size();
}

}  // namespace orq
