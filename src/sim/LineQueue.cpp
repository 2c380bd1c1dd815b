#include "sim/LineQueue.h"

#include <algorithm>

namespace orq {

LineByte& LineQueue::Push(uint8_t byte, SimClock::time_point now, SimClock::duration extra,
                          bool unplug) {
    free_ = std::max(now, free_) + byteTime_ + extra;
    return bytes_.emplace_back(LineByte{byte, free_, unplug});
}

std::optional<SimClock::time_point> LineQueue::NextDue() const {
    if (Empty()) return std::nullopt;
    return bytes_.front().at;
}

}  // namespace orq
