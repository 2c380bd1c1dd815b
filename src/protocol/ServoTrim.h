#pragma once
// The Servo trim page's arithmetic: three servo trims moved one channel at a time, or together
// through the swashplate's mixing, so that a collective, elevator or aileron step moves the
// swashplate as a whole whatever its geometry.

#include <array>
#include <optional>

namespace orq {

enum class SwashAxis { Aileron, Elevator, Collective };

// The mixing of a CCPM swashplate: how much of each swash input each servo takes. K2 is 0 on a
// 90 degree plate, whose two side servos do not move for the elevator.
struct SwashMix {
    float k1 = 0, k2 = 0, k3 = 0, kc = 0;
};
// The mix of SwashPlateType 2 to 5; nothing for the mechanical mixer (1) and unknown types.
std::optional<SwashMix> MixFor(int swashPlateType);

class ServoTrim {
public:
    static constexpr int kLimit = 124;  // a trim never goes beyond +-124

    // Starts from the trims the unit holds (CH1..CH3), with the swash inputs at 0.
    explicit ServoTrim(std::array<int, 3> trims) : trims_(trims) {}

    // One step of one channel (0..2) up (+1) or down (-1), in the servo's own direction: 1
    // normal, -1 reversed; any other direction leaves the trim as it is. Only that channel is
    // brought within the limit.
    void Channel(int channel, int step, int direction);

    // A swash button: `step` on `axis`. The mechanical mixer (type 1) moves the one servo of the
    // axis (aileron CH1, elevator CH2, collective CH3); a CCPM plate adds the step to the axis's
    // input and computes all three trims from the three inputs, replacing whatever the channel
    // buttons did. False, changing nothing, for a type outside 1..5: no mixing is known, and
    // mixing with none would zero the trims the user has. All three are brought within the limit.
    bool Swash(SwashAxis axis, int step, int swashPlateType, std::array<int, 3> directions);

    // Trims and inputs to 0.
    void Clean();

    const std::array<int, 3>& Trims() const { return trims_; }
    float Input(SwashAxis axis) const { return inputs_[static_cast<int>(axis)]; }

private:
    void Clamp();

    std::array<int, 3> trims_;
    std::array<float, 3> inputs_{};  // aileron, elevator, collective; never limited
};

}  // namespace orq
