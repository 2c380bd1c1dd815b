#pragma once
// The five preset tuning sets, the factory values, and the resets that touch no window.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "protocol/ParameterBlock.h"

namespace orq {

enum class Preset { Beginner, F3C, Soft3D, Hard3D, Extreme3D };

struct PresetInfo {
    Preset preset;
    std::string_view name;     // as printed on its button
    std::string_view message;  // shown before it is applied
};
// In the order of the enumeration.
std::span<const PresetInfo> Presets();
const PresetInfo& InfoOf(Preset preset);

// What the two Reset buttons return to: the start values, or those of the last preset applied.
// Order: pitch agility, pitch gain, roll agility, roll gain, yaw rate left, yaw rate right,
// tail gain.
struct ResetValues {
    int8_t PitchAgility = 15;
    int8_t PitchGain = 10;
    int8_t RollAgility = 15;
    int8_t RollGain = 10;
    int8_t YawAgility = 15;
    int8_t YawRight = 15;
    int8_t YawGain = 10;
    bool operator==(const ResetValues&) const = default;
};

// The tuning bytes a preset writes. TotalCoefficient is only meaningful for 3D Extreme; the other
// four keep the block's current value.
TuningBlock PresetTuning(Preset preset);
bool PresetSetsTotalCoefficient(Preset preset);

// Applies a preset to the block, the slider values and the reset values (everything but the
// message, the button selection and the send).
void ApplyPreset(Preset preset, ParameterBlock& block, SliderValues& sliders, ResetValues& reset);

// The factory device image (All Data Reset). DeviceState is not part of it.
SetupBlock FactorySetup();
TuningBlock FactoryTuning();

// All Data Reset without the window: factory values into SetupBlock 0..30 and the whole
// TuningBlock, mirror TotalCoefficient 70, then MirrorFromDevice.
void AllDataReset(ParameterBlock& block, SliderValues& sliders);

// The two Reset buttons: back to `reset` for the main-rotor (pitch and roll) or tail-rotor values,
// into the mirror, the slider values and the tuning bytes.
void ResetMainRotor(ParameterBlock& block, SliderValues& sliders, const ResetValues& reset);
void ResetTailRotor(ParameterBlock& block, SliderValues& sliders, const ResetValues& reset);

}  // namespace orq
