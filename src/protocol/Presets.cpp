#include "protocol/Presets.h"

#include <cstring>

namespace orq {

namespace {

constexpr PresetInfo kPresets[] = {
    {Preset::Beginner, "Beginner", "Beginner!"},      {Preset::F3C, "F-3C", "F-3C!"},
    {Preset::Soft3D, "3D Soft", "3D Soft!"},          {Preset::Hard3D, "3D Hard", "3D Hard!"},
    {Preset::Extreme3D, "3D Extreme", "3D Extreme!"},
};

// Columns of the preset table by tuning byte; index 38 (TotalCoefficient) holds 70 where the
// preset sets it and is ignored elsewhere.
using Column = std::array<int8_t, TuningBlock::kSize>;
// clang-format off
constexpr Column kBeginner = {
     70, 80, 25, 25,  0,  0, 40, 80,120,  0,  0,  9, 40, 80,120,  0,  0,  9,125,125,
     20, 20,125, 40,125,125,125, 80,  4, 40,  4, 30, 30, 30, 30, 20, 20, 20, 70,  0,
      0,  0,  0,  0,  0,  0};
constexpr Column kF3C = {
    100, 80, 40, 25,  0,  0, 40, 80,120,  0,  0,  9, 40, 80,120,  0,  0,  9,100,100,
     25, 25,125, 40,125,125,125, 60,  4, 40,  4, 35, 35, 35, 35, 10, 20, 20, 70,  0,
      0,  0,  0,  0,  0,  0};
constexpr Column kSoft3D = {
    100, 80, 50, 30,  0,  0, 40, 80,100, 30,  0,  9, 40, 80,100, 30,  0,  9,125,125,
     25, 25,125, 55,125,125,125, 64,  4, 40,  4, 35, 35, 35, 35, 20, 20, 20, 70,  0,
      0,  0,  0,  0,  0,  0};
constexpr Column kHard3D = {
    100, 80, 50, 30,  0,  0, 40, 80, 80, 30,  0,  9, 40, 80, 80, 30,  0,  9,125,125,
     25, 25,125, 55,125,125,125, 60,  4, 40,  4, 40, 40, 45, 45, 20, 20, 20, 70,  0,
      0,  0,  0,  0,  0,  0};
constexpr Column kExtreme3D = {
    100, 80, 50, 30,  0,  0, 40, 80, 80, 30,  0,  9, 40, 80, 80, 30,  0,  9,125,125,
     35, 35,125, 55,125,125,125, 40,  4, 40,  4, 45, 45, 60, 60, 20, 20, 20, 70,  0,
      0,  0,  0,  0,  0,  0};
// clang-format on

// The reset value of each slider, in SliderValues order: the main rotor's four, then the
// tail rotor's three.
constexpr int8_t ResetValues::*kResetFields[] = {
    &ResetValues::PitchAgility, &ResetValues::PitchGain,  &ResetValues::RollAgility,
    &ResetValues::RollGain,     &ResetValues::YawAgility, &ResetValues::YawRight,
    &ResetValues::YawGain};
static_assert(std::size(kResetFields) == std::size(kSliderBindings));
constexpr std::size_t kTailFirst = 4;

// Sliders [first, last) back to their reset values: the form's copy, the file's and the unit's.
void ResetSliders(ParameterBlock& block, SliderValues& s, const ResetValues& r, std::size_t first,
                  std::size_t last) {
    for (std::size_t i = first; i < last; ++i) {
        const int8_t v = r.*kResetFields[i];
        s.*kSliderBindings[i].slider = v;
        block.Mirror.*kSliderBindings[i].mirror = v;
        *DeviceByte(block, MirrorKeyOf(kSliderBindings[i].mirror)) = v;
    }
}

TuningBlock FromColumn(const Column& c) {
    TuningBlock t;
    std::memcpy(t.bytes().data(), c.data(), c.size());
    return t;
}

}  // namespace

std::span<const PresetInfo> Presets() {
    return kPresets;
}

const PresetInfo& InfoOf(Preset preset) {
    return kPresets[static_cast<int>(preset)];
}

bool PresetSetsTotalCoefficient(Preset preset) {
    return preset == Preset::Extreme3D;
}

TuningBlock PresetTuning(Preset preset) {
    switch (preset) {
        case Preset::Beginner:
            return FromColumn(kBeginner);
        case Preset::F3C:
            return FromColumn(kF3C);
        case Preset::Soft3D:
            return FromColumn(kSoft3D);
        case Preset::Hard3D:
            return FromColumn(kHard3D);
        case Preset::Extreme3D:
            return FromColumn(kExtreme3D);
    }
    return FromColumn(kF3C);
}

void ApplyPreset(Preset preset, ParameterBlock& block, SliderValues& s, ResetValues& reset) {
    const int8_t keptCoefficient = block.Tuning.TotalCoefficient;
    block.Tuning = PresetTuning(preset);
    if (!PresetSetsTotalCoefficient(preset)) block.Tuning.TotalCoefficient = keptCoefficient;

    for (std::size_t i = 0; i < std::size(kSliderBindings); ++i) {
        const int8_t v = *DeviceByte(block, MirrorKeyOf(kSliderBindings[i].mirror));
        s.*kSliderBindings[i].slider = v;
        reset.*kResetFields[i] = v;
    }
    MirrorFromTuning(block.Tuning, block.Mirror);
}

SetupBlock FactorySetup() {
    SetupBlock u;
    u.ServoDirCH1 = -1;
    u.ServoDirCH2 = 1;
    u.ServoDirCH3 = 1;
    u.ServoDirCH4 = -1;
    u.SetupByte10 = 1;
    u.SetupByte11 = 1;
    u.TailLimitA = 70;
    u.TailLimitB = 70;
    u.AileronLimit = 80;
    u.ElevatorLimit = 80;
    u.YawDir = 1;
    u.RollDir = 1;
    u.PitchDir = 1;
    u.SwashPlateType = 2;
    u.FixMode = 1;
    u.OptimizationDir = -1;
    return u;
}

// The factory tuning equals the F-3C preset with TotalCoefficient 70.
TuningBlock FactoryTuning() {
    return FromColumn(kF3C);
}

void AllDataReset(ParameterBlock& block, SliderValues& sliders) {
    const int8_t deviceState = block.Setup.DeviceState;
    block.Setup = FactorySetup();
    block.Setup.DeviceState = deviceState;
    block.Tuning = FactoryTuning();
    block.Mirror.TotalCoefficient = 70;
    MirrorFromDevice(block, sliders);
}

void ResetMainRotor(ParameterBlock& block, SliderValues& s, const ResetValues& r) {
    ResetSliders(block, s, r, 0, kTailFirst);
}

void ResetTailRotor(ParameterBlock& block, SliderValues& s, const ResetValues& r) {
    ResetSliders(block, s, r, kTailFirst, std::size(kSliderBindings));
}

}  // namespace orq
