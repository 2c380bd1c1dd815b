#include "link/ProbeAnswer.h"

namespace orq {

bool ProbeAnswer::Feed(std::span<const uint8_t> bytes, LinkState& link, ParameterBlock& block) {
    heard_ = heard_ || !bytes.empty();
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    bool answered = false;
    const std::size_t keep = ScanReplies(pending_, [&](std::span<const uint8_t> payload) {
        if (answered) return;
        LinkState tried = link;
        ParameterBlock image = block;
        std::copy(payload.begin(), payload.end(), tried.ReceivePayload.begin());
        tried.N = static_cast<uint8_t>(payload.size());
        if (AcceptFrame(tried, image) && !tried.AwaitingReply) {
            link = tried;
            block = image;
            answered = true;
        }
    });
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(keep));
    // A line that only ever brings garbage must not make us keep it all.
    if (pending_.size() > kKeep)
        pending_.erase(pending_.begin(), pending_.end() - static_cast<std::ptrdiff_t>(kKeep));
    return answered;
}

void ProbeAnswer::Clear() {
    pending_.clear();
    heard_ = false;
}

}  // namespace orq
