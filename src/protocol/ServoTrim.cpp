#include "protocol/ServoTrim.h"

#include <algorithm>
#include <cmath>

namespace orq {

std::optional<SwashMix> MixFor(int swashPlateType) {
    switch (swashPlateType) {
        case 2:
            return SwashMix{1.09375f, 0.625f, 1.25f, 1.0f};  // 120 CCPM
        case 3:
            return SwashMix{0.875f, 0.875f, 1.234f, 1.0f};  // 135 CCPM
        case 4:
            return SwashMix{0.8125f, 0.969f, 1.266f, 1.0f};  // 140 CCPM
        case 5:
            return SwashMix{1.25f, 0.0f, 1.25f, 1.0f};  // 90 CCPM
        default:
            return std::nullopt;
    }
}

void ServoTrim::Clamp() {
    for (int& t : trims_) t = std::clamp(t, -kLimit, kLimit);
}

void ServoTrim::Channel(int channel, int step, int direction) {
    if (channel < 0 || channel > 2) return;
    // Only the pressed channel: the others may hold what the unit reported beyond the limit, and
    // the user did not touch them.
    int& trim = trims_[static_cast<std::size_t>(channel)];
    if (direction == 1 || direction == -1) trim += step * direction;
    trim = std::clamp(trim, -kLimit, kLimit);
}

bool ServoTrim::Swash(SwashAxis axis, int step, int swashPlateType, std::array<int, 3> d) {
    const auto a = static_cast<std::size_t>(axis);
    if (swashPlateType == 1) {
        // The mechanical mixer: aileron moves CH1, elevator CH2, collective CH3.
        trims_[a] += step * d[a];
        Clamp();
        return true;
    }
    const std::optional<SwashMix> mix = MixFor(swashPlateType);
    if (!mix) return false;
    inputs_[a] += static_cast<float>(step);
    // Single precision throughout, truncated toward zero, as the unit's own arithmetic.
    const float A = inputs_[0], E = inputs_[1], C = inputs_[2];
    const auto trunc = [](float v) { return static_cast<int>(std::trunc(v)); };
    trims_[0] = trunc(mix->kc * C - mix->k1 * A + mix->k2 * E) * d[0];
    trims_[1] = trunc(mix->kc * C + mix->k1 * A + mix->k2 * E) * d[1];
    trims_[2] = trunc(mix->kc * C - mix->k3 * E) * d[2];
    Clamp();
    return true;
}

void ServoTrim::Clean() {
    trims_ = {};
    inputs_ = {};
}

}  // namespace orq
