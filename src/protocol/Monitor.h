#pragma once
// The unit's monitor stream: while the host asks for it (ReplyMode 40) the unit sends, every
// period, a reply of type 40 with the five receiver inputs it sees. The Setup wizard's Monitor
// page and `orqctl monitor` show them; both decode them here.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "protocol/LinkFrame.h"
#include "protocol/ParameterBlock.h"

namespace orq {

// The five signals, in the order their raw values stand in the reply's payload.
enum MonitorChannel : std::size_t {
    kMonitorAileron,
    kMonitorElevator,
    kMonitorRudder,
    kMonitorCollective,
    kMonitorTailGain,
    kMonitorChannels
};

// The raw value of a centred stick.
inline constexpr int kMonitorCentre = 3800;

struct MonitorSignal {
    std::array<int16_t, kMonitorChannels> raw{};
    // What the user sees: (raw - 3800) x -2/21, truncated toward zero, within -128..127.
    std::array<int, kMonitorChannels> value{};
    bool operator==(const MonitorSignal&) const = default;
};

// (raw - 3800) x -0.09523809523809523 in double precision, truncated toward zero, and held as a
// signed byte. A raw value far beyond the stick's travel saturates at the nearer limit: taking the
// low byte instead would turn -129 into 127, the opposite end.
int MonitorDisplayValue(int raw);

// The five signals of a monitor reply's payload (high byte first, the high byte signed).
MonitorSignal DecodeMonitor(std::span<const uint8_t> payload);

// The stream as the host receives it, in whatever slices the line delivers. Bytes collect until
// at least a frame's 90 have come; then every complete frame among them is checked as any reply
// is (AcceptFrame) and each valid monitor reply that answers the current request is decoded, in
// order. What follows the last complete frame is kept for the next slice, so a frame split
// across two slices is read whole. A host that fell behind (a busy window) gets every reply
// that came meanwhile, none skipped; what is kept between slices never exceeds kKeep bytes,
// however long the line brings no frame.
class MonitorStream {
public:
    static constexpr std::size_t kKeep = 1024;

    // Adds one slice and returns the signals of the monitor replies it completed, oldest first.
    // Accepting a reply updates `link` (AwaitingReply) and `block` (DeviceState) as AcceptFrame
    // does for every reply.
    std::vector<MonitorSignal> Feed(std::span<const uint8_t> bytes, LinkState& link,
                                    ParameterBlock& block);

    std::size_t Buffered() const { return pending_.size(); }
    void Clear() { pending_.clear(); }

private:
    std::vector<uint8_t> pending_;
};

}  // namespace orq
