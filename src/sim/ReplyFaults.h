#pragma once
// What a hostile line and an unwell unit make of the unit's replies (SimFaults): the bytes each
// reply becomes on the line, and the pauses of a sliced line between them.

#include <cstdint>
#include <random>
#include <span>

#include "protocol/LinkFrame.h"
#include "sim/LineQueue.h"
#include "sim/SimUnit.h"

namespace orq {

class ReplyFaults {
public:
    explicit ReplyFaults(const SimFaults& faults) : faults_(faults), random_(faults.seed) {}

    // Queues on `line` what `replies` become: a first burst of garbage and noise before them,
    // each corrupted as the faults say, cut or replaced by the unplug, or dropped once the unit
    // has fallen silent.
    void Queue(std::span<const Frame> replies, SimClock::time_point now, LineQueue& line);

private:
    LineByte& Put(LineQueue& line, uint8_t byte, SimClock::time_point now, bool unplug = false);

    const SimFaults faults_;
    // One stream for the random bytes and the pieces, drawn in line order, so that a seed always
    // gives the same line.
    std::mt19937 random_;
    uint32_t repliesQueued_ = 0;
};

}  // namespace orq
