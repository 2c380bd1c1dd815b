#pragma once
// One direction of the simulated unit's line as time: each byte is due once the line has carried
// it, right behind the byte before it. Holds no descriptor: SimUnit reads and writes, this says
// when.

#include <cstdint>
#include <deque>
#include <optional>

#include "sim/UnitModel.h"

namespace orq {

struct LineByte {
    uint8_t byte = 0;
    SimClock::time_point at{};      // when it is through the line
    bool unplug = false;            // instead of a byte: the adapter goes away here
    bool endsMonitorReply = false;  // once this is through, a whole monitor reply was sent
};

class LineQueue {
public:
    // How long one byte holds the line: a byte's time at 9600 baud 8N1 on a paced line, zero on
    // a line that carries everything at once.
    explicit LineQueue(SimClock::duration byteTime) : byteTime_(byteTime) {}

    // One byte on the line from `now`, `extra` later than the line's own pace; returns it so the
    // caller may mark it.
    LineByte& Push(uint8_t byte, SimClock::time_point now, SimClock::duration extra = {},
                   bool unplug = false);

    bool Empty() const { return bytes_.empty(); }
    bool Due(SimClock::time_point now) const { return !Empty() && bytes_.front().at <= now; }
    std::optional<SimClock::time_point> NextDue() const;
    // The bytes in line order; the caller takes them from the front.
    std::deque<LineByte>& Bytes() { return bytes_; }

private:
    SimClock::duration byteTime_;
    SimClock::time_point free_{};  // when the last byte queued is through
    std::deque<LineByte> bytes_;
};

// One byte on a 9600 baud 8N1 line: start bit, eight data bits, stop bit.
inline constexpr SimClock::duration kSimByteTime = std::chrono::duration_cast<SimClock::duration>(
    std::chrono::nanoseconds{10'000'000'000LL / 9600});

}  // namespace orq
