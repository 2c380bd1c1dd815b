#include "sim/ReplyFaults.h"

#include <algorithm>

namespace orq {

namespace {

constexpr uint32_t kGarbageLimit = 100 * 1024;

// A reply as a failing unit might send it: the check byte, the echoed sequence number or the
// kind made wrong.
Frame Corrupted(Frame f, SimFaults::Corrupt corrupt) {
    LinkState link;
    if (corrupt == SimFaults::Corrupt::None || !FindFrame(link, f)) return f;
    const std::size_t n = link.N;  // payload from frame byte 2
    switch (corrupt) {
        case SimFaults::Corrupt::Check:
            f[2 + n - 1] ^= 0x5A;
            break;
        case SimFaults::Corrupt::Echo:
            f[4] ^= 0x80;
            break;
        case SimFaults::Corrupt::Kind:
            f[2] = 0x63;
            break;
        case SimFaults::Corrupt::None:
            break;
    }
    if (corrupt != SimFaults::Corrupt::Check)  // the check stays right for the changed bytes
        f[2 + n - 1] = XorOf(std::span<const uint8_t>(&f[2], n - 1));
    return f;
}

}  // namespace

LineByte& ReplyFaults::Put(LineQueue& line, uint8_t byte, SimClock::time_point now, bool unplug) {
    SimClock::duration pause{};
    if (faults_.slice && random_() % 5 == 0) pause = std::chrono::milliseconds(1 + random_() % 3);
    return line.Push(byte, now, pause, unplug);
}

void ReplyFaults::Queue(std::span<const Frame> replies, SimClock::time_point now, LineQueue& line) {
    const auto& unplugAt = faults_.unplugAfterReplies;
    for (const Frame& reply : replies) {
        if (faults_.silentAfterFirstReply && repliesQueued_ > 0) return;
        if (unplugAt && !faults_.midReply && repliesQueued_ >= *unplugAt) {
            Put(line, 0, now, true);  // after what is on its way
            return;
        }
        if (repliesQueued_ == 0)
            for (uint32_t i = 0; i < std::min(faults_.garbage, kGarbageLimit); ++i)
                Put(line, static_cast<uint8_t>(random_()), now);
        for (uint32_t i = 0; i < faults_.noise; ++i)
            Put(line, static_cast<uint8_t>(random_() & 0x7D), now);  // never 7E or 7F
        const Frame f = Corrupted(reply, faults_.corrupt);
        const bool monitor = reply[3] == kReplyMonitor;
        const bool cut = unplugAt && faults_.midReply && repliesQueued_ + 1 == *unplugAt;
        ++repliesQueued_;
        for (std::size_t i = 0; i < f.size(); ++i) {
            if (cut && i == f.size() / 2) {
                Put(line, 0, now, true);
                return;
            }
            Put(line, f[i], now).endsMonitorReply = monitor && i + 1 == f.size();
        }
    }
}

}  // namespace orq
