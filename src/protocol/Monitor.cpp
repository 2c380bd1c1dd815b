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
    if (pending_.size() > kKeep)
        pending_.erase(pending_.begin(), pending_.end() - static_cast<std::ptrdiff_t>(kKeep));
    std::vector<MonitorSignal> shown;
    if (pending_.size() < kFrameSize) return shown;  // a frame's worth has not come yet

    // Where a payload would begin: after each header since the last reply read. The frame has
    // no escaping, so a reply's values may hold 7E 0E or 7F 2F; at each trailer the newest
    // header whose run up to it checks out as a reply owns it, and runs that do not check out
    // are read further, to the next trailer.
    std::vector<std::size_t> starts;
    for (std::size_t i = 1; i < pending_.size(); ++i) {
        const uint8_t a = pending_[i - 1], b = pending_[i];
        if (a == kHeader0 && b == kHeader1) {
            starts.push_back(i + 1);
            continue;
        }
        if (a != kTrailer0 || b != kTrailer1) continue;
        for (auto it = starts.rbegin(); it != starts.rend(); ++it) {
            if (i - 1 < *it) continue;
            const std::size_t n = i - 1 - *it;
            if (n > kReceivePayloadSize) break;  // older headers are farther still
            std::copy_n(pending_.begin() + static_cast<std::ptrdiff_t>(*it), n,
                        link.ReceivePayload.begin());
            link.N = static_cast<uint8_t>(n);
            if (!AcceptFrame(link, block)) continue;
            if (link.ReceivePayload[1] == kReplyMonitor && !link.AwaitingReply)
                shown.push_back(DecodeMonitor(std::span(link.ReceivePayload.data(), n)));
            starts.clear();
            break;
        }
        std::erase_if(starts, [i](std::size_t s) { return i + 1 - s > kReceivePayloadSize + 2; });
    }
    // Keep the oldest frame still coming, header included, or a header's first byte.
    std::size_t keep = 0;
    if (!starts.empty())
        keep = pending_.size() - (starts.front() - 2);
    else if (pending_.back() == kHeader0)
        keep = 1;
    pending_.erase(pending_.begin(), pending_.end() - static_cast<std::ptrdiff_t>(keep));
    return shown;
}

}  // namespace orq
