#include "protocol/Monitor.h"

#include <algorithm>
#include <cmath>

namespace orq {

namespace {
// -2/21 as the nearest double: 2740 shows 100 (100.95 truncated), 4860 shows -100.
constexpr double kStepsPerRaw = -0.09523809523809523;
// Payload index of each signal's high byte, in MonitorChannel order.
constexpr std::size_t kRawAt[kMonitorChannels] = {3, 5, 7, 9, 11};
}  // namespace

int MonitorDisplayValue(int raw) {
    const double scaled = (raw - kMonitorCentre) * kStepsPerRaw;
    return static_cast<int>(std::clamp(std::trunc(scaled), -128.0, 127.0));
}

MonitorSignal DecodeMonitor(std::span<const uint8_t> payload) {
    MonitorSignal m;
    for (std::size_t c = 0; c < kMonitorChannels; ++c) {
        const std::size_t at = kRawAt[c];
        if (at + 1 >= payload.size()) break;
        const auto high = static_cast<int8_t>(payload[at]);
        m.raw[c] = static_cast<int16_t>(high * 256 + payload[at + 1]);
        m.value[c] = MonitorDisplayValue(m.raw[c]);
    }
    return m;
}

std::vector<MonitorSignal> MonitorStream::Feed(std::span<const uint8_t> bytes, LinkState& link,
                                               ParameterBlock& block) {
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    std::vector<MonitorSignal> shown;
    if (pending_.size() < kFrameSize) return shown;  // a frame's worth has not come yet

    const std::size_t keepFrom = ScanReplies(pending_, [&](std::span<const uint8_t> payload) {
        std::copy(payload.begin(), payload.end(), link.ReceivePayload.begin());
        link.N = static_cast<uint8_t>(payload.size());
        if (AcceptFrame(link, block) && payload[1] == kReplyMonitor && !link.AwaitingReply)
            shown.push_back(DecodeMonitor(payload));
    });
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(keepFrom));
    if (pending_.size() > kKeep)
        pending_.erase(pending_.begin(), pending_.end() - static_cast<std::ptrdiff_t>(kKeep));
    return shown;
}

}  // namespace orq
