#pragma once
// The fixed 90-byte frame the host and the unit exchange, and the link state every host frame
// carries. Nothing here blocks, retries or times out: callers that need an answer wait for it.

#include <array>
#include <cstdint>
#include <functional>
#include <span>

#include "protocol/ParameterBlock.h"

namespace orq {

inline constexpr std::size_t kFrameSize = 90;
inline constexpr std::size_t kReceivePayloadSize = 92;
inline constexpr uint8_t kHeader0 = 0x7F, kHeader1 = 0x2F;
inline constexpr uint8_t kTrailer0 = 0x7E, kTrailer1 = 0x0E;

enum Command : uint8_t { kCommandRequest = 10, kCommandParameters = 30, kCommandOptimization = 50 };
enum ReplyType : uint8_t { kReplyAck = 20, kReplyParameters = 30, kReplyMonitor = 40 };
inline constexpr uint8_t kReplyModeNone = 0, kReplyModeParameters = 30, kReplyModeMonitor = 40;
inline constexpr uint8_t kOptimizationStart = 102, kOptimizationStop = 0;

using Frame = std::array<uint8_t, kFrameSize>;

// Where built frames go. The serial port implements it; while it reports closed, frames are built
// but not written.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual bool IsOpen() const = 0;
    // Hands `count` bytes to the line; returns how many were accepted.
    [[nodiscard]] virtual uint32_t Write(const uint8_t* data, uint32_t count) = 0;
};

struct LinkState {
    uint8_t SequenceCounter = 0;
    uint8_t ReplyMode = kReplyModeNone;
    bool AwaitingReply = false;
    uint8_t OptimizationCheck = 0;
    Frame TransmitFrame{};
    std::array<uint8_t, kReceivePayloadSize> ReceivePayload{};
    uint8_t N = 0;  // length of the payload last found
};

// Incremental form of FindFrame: bytes may arrive in any slicing and the result is the same as
// scanning the whole run at once. A capture longer than the receive payload is dropped, never
// written past it.
class FrameScanner {
public:
    // Feeds one byte; true when it completed a frame, whose payload is then in `payload`/`n`.
    bool Feed(uint8_t b, std::array<uint8_t, kReceivePayloadSize>& payload, uint8_t& n);
    void Reset() { *this = FrameScanner{}; }

private:
    bool havePrev_ = false;
    uint8_t prev_ = 0;
    bool capturing_ = false;
    bool overflow_ = false;
    std::size_t index_ = 0;
};

// Builds the transmit frame for `command` (10, 30 or 50; anything else builds 10), advancing
// SequenceCounter first and setting AwaitingReply.
void BuildFrame(LinkState& link, const ParameterBlock& block, int command);

// BuildFrame, then all 90 bytes to `sink` when one is given and open. Returns how many bytes
// the sink took: 90, or fewer when the line is closed, gone or full; 0 without an open sink.
// The windows report nothing either way, as the unit's state shows the next time it is read;
// callers that can tell the user, like orqctl, compare the count.
uint32_t SendFrame(LinkState& link, const ParameterBlock& block, ByteSink* sink, int command);
inline uint32_t SendRequest(LinkState& l, const ParameterBlock& b, ByteSink* s) {
    return SendFrame(l, b, s, kCommandRequest);
}
inline uint32_t SendParameters(LinkState& l, const ParameterBlock& b, ByteSink* s) {
    return SendFrame(l, b, s, kCommandParameters);
}
inline uint32_t SendOptimizationCheck(LinkState& l, const ParameterBlock& b, ByteSink* s) {
    return SendFrame(l, b, s, kCommandOptimization);
}

// Searches `run` for a frame: the payload after the last header before the first trailer that
// follows it. True with ReceivePayload/N set when one was found.
[[nodiscard]] bool FindFrame(LinkState& link, std::span<const uint8_t> run);

// Validates the payload FindFrame left and applies it: check byte, length, kind 10 or 30; a
// matching sequence echo clears AwaitingReply; type 30 overwrites the device image, type 40
// DeviceState. Never touches the mirror. Returns whether the payload was a valid reply; most
// callers only look at AwaitingReply afterwards.
bool AcceptFrame(LinkState& link, ParameterBlock& block);

// The checks of AcceptFrame on a payload, without applying anything.
bool IsValidReply(std::span<const uint8_t> payload);

// Finds the valid replies in `bytes`, however the line sliced them. The frame has no escaping,
// so a reply's values may hold 7E 0E or 7F 2F: at each trailer the newest header whose run up to
// it checks out as a reply (IsValidReply) owns it, and runs that do not are read on to the next
// trailer. Calls `reply(payload)` for each, in order, and returns where the bytes still worth
// keeping begin: the oldest header whose frame may still come, or a last 0x7F;
// bytes.size() when nothing is.
std::size_t ScanReplies(std::span<const uint8_t> bytes,
                        const std::function<void(std::span<const uint8_t> payload)>& reply);

// XOR of `bytes`, as the check byte uses it.
uint8_t XorOf(std::span<const uint8_t> bytes);

}  // namespace orq
