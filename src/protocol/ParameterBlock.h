#pragma once
// The one image of the unit's parameter set: the device image (SetupBlock + TuningBlock, exactly
// as the bytes travel on the wire) and the SettingsMirror (one byte per configuration-file key).

#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>
#include <string_view>

namespace orq {

// 32 bytes in wire order. Index 31 (DeviceState) is never sent by the host.
struct SetupBlock {
    int8_t ServoAdjustCH1 = 0;   // 0
    int8_t ServoAdjustCH2 = 0;   // 1
    int8_t ServoAdjustCH3 = 0;   // 2
    int8_t TailPoint = 0;        // 3
    int8_t SetupByte4 = 0;       // 4
    int8_t SetupByte5 = 0;       // 5
    int8_t ServoDirCH1 = 0;      // 6
    int8_t ServoDirCH2 = 0;      // 7
    int8_t ServoDirCH3 = 0;      // 8
    int8_t ServoDirCH4 = 0;      // 9
    int8_t SetupByte10 = 0;      // 10
    int8_t SetupByte11 = 0;      // 11
    int8_t TailLimitA = 0;       // 12
    int8_t TailLimitB = 0;       // 13
    int8_t AileronLimit = 0;     // 14
    int8_t ElevatorLimit = 0;    // 15
    int8_t YawDir = 0;           // 16
    int8_t RollDir = 0;          // 17
    int8_t PitchDir = 0;         // 18
    int8_t ServoType = 0;        // 19
    int8_t SetupByte20 = 0;      // 20
    int8_t SetupByte21 = 0;      // 21
    int8_t SetupByte22 = 0;      // 22
    int8_t SetupByte23 = 0;      // 23
    int8_t SetupByte24 = 0;      // 24
    int8_t SetupByte25 = 0;      // 25
    int8_t SetupByte26 = 0;      // 26
    int8_t SwashPlateType = 0;   // 27
    int8_t SetupByte28 = 0;      // 28
    int8_t FixMode = 0;          // 29
    int8_t OptimizationDir = 0;  // 30
    int8_t DeviceState = 0;      // 31

    static constexpr std::size_t kSize = 32;
    static constexpr std::size_t kSentSize = 31;  // indexes 0..30 travel in a parameter write

    std::span<int8_t, kSize> bytes() { return std::span<int8_t, kSize>(&ServoAdjustCH1, kSize); }
    std::span<const int8_t, kSize> bytes() const {
        return std::span<const int8_t, kSize>(&ServoAdjustCH1, kSize);
    }
    bool operator==(const SetupBlock&) const = default;
};

// 46 bytes in wire order.
struct TuningBlock {
    int8_t YawGain = 0;           // 0
    int8_t TailGainP = 0;         // 1
    int8_t TailGainI = 0;         // 2
    int8_t TailGainD = 0;         // 3
    int8_t TuningByte4 = 0;       // 4
    int8_t TuningByte5 = 0;       // 5
    int8_t RollGain = 0;          // 6
    int8_t RollGainP = 0;         // 7
    int8_t RollGainI = 0;         // 8
    int8_t RollGainD = 0;         // 9
    int8_t TuningByte10 = 0;      // 10
    int8_t TuningByte11 = 0;      // 11
    int8_t PitchGain = 0;         // 12
    int8_t PitchGainP = 0;        // 13
    int8_t PitchGainI = 0;        // 14
    int8_t PitchGainD = 0;        // 15
    int8_t TuningByte16 = 0;      // 16
    int8_t TuningByte17 = 0;      // 17
    int8_t Acc3 = 0;              // 18
    int8_t Acc4 = 0;              // 19
    int8_t Acc5 = 0;              // 20
    int8_t Acc6 = 0;              // 21
    int8_t Acc1 = 0;              // 22
    int8_t Acc2 = 0;              // 23
    int8_t TuningByte24 = 0;      // 24
    int8_t TuningByte25 = 0;      // 25
    int8_t TuningByte26 = 0;      // 26
    int8_t DeadBand3 = 0;         // 27
    int8_t DeadBand4 = 0;         // 28
    int8_t DeadBand1 = 0;         // 29
    int8_t DeadBand2 = 0;         // 30
    int8_t SpinSpeed3 = 0;        // 31 yaw rate left  (main form: YawAgility)
    int8_t SpinSpeed4 = 0;        // 32 yaw rate right (main form: YawRight)
    int8_t SpinSpeed1 = 0;        // 33 pitch agility  (main form: PitchAgility)
    int8_t SpinSpeed2 = 0;        // 34 roll agility   (main form: RollAgility)
    int8_t TuningByte35 = 0;      // 35
    int8_t TuningByte36 = 0;      // 36
    int8_t TuningByte37 = 0;      // 37
    int8_t TotalCoefficient = 0;  // 38
    int8_t TuningByte39 = 0;      // 39
    int8_t TailCompsate1 = 0;     // 40
    int8_t TailCompsate2 = 0;     // 41
    int8_t TuningByte42 = 0;      // 42
    int8_t TuningByte43 = 0;      // 43
    int8_t TuningByte44 = 0;      // 44
    int8_t TuningByte45 = 0;      // 45

    static constexpr std::size_t kSize = 46;

    std::span<int8_t, kSize> bytes() { return std::span<int8_t, kSize>(&YawGain, kSize); }
    std::span<const int8_t, kSize> bytes() const {
        return std::span<const int8_t, kSize>(&YawGain, kSize);
    }
    bool operator==(const TuningBlock&) const = default;
};

// One byte per configuration-file key, in file order. section3 is one contiguous run of 25 that
// the Advance Menu copies as a whole.
struct SettingsMirror {
    // section1
    int8_t DefaulParameters = 0;
    int8_t PitchAgility = 0;
    int8_t PitchGain = 0;
    int8_t RollAgility = 0;
    int8_t RollGain = 0;
    int8_t YawAgility = 0;
    int8_t YawRight = 0;
    int8_t YawGain = 0;
    // section2
    int8_t FixMode = 0;
    int8_t ServoType = 0;
    int8_t SwashPlateType = 0;
    int8_t ServoDirCH1 = 1;
    int8_t ServoDirCH2 = 1;
    int8_t ServoDirCH3 = 1;
    int8_t ServoDirCH4 = 0;
    int8_t ServoAdjustCH1 = 0;
    int8_t ServoAdjustCH2 = 0;
    int8_t ServoAdjustCH3 = 0;
    int8_t AileronLimit = 20;
    int8_t ElevatorLimit = 20;
    int8_t TotalCoefficient = 0;
    int8_t PitchDir = 0;
    int8_t RollDir = 0;
    int8_t YawDir = 0;
    int8_t TailPoint = 0;
    int8_t TailLimitA = 20;
    int8_t TailLimitB = 20;
    int8_t OptimizationDir = 1;
    // section3
    int8_t Acc1 = 7;
    int8_t Acc2 = 7;
    int8_t Acc3 = 7;
    int8_t Acc4 = 7;
    int8_t Acc5 = 7;
    int8_t Acc6 = 7;
    int8_t DeadBand1 = 0;
    int8_t DeadBand2 = 0;
    int8_t DeadBand3 = 0;
    int8_t DeadBand4 = 0;
    int8_t PitchGainD = 0;
    int8_t PitchGainI = 10;
    int8_t PitchGainP = 10;
    int8_t RollGainD = 0;
    int8_t RollGainI = 10;
    int8_t RollGainP = 10;
    int8_t SpinSpeed1 = 15;
    int8_t SpinSpeed2 = 15;
    int8_t SpinSpeed3 = 15;
    int8_t SpinSpeed4 = 15;
    int8_t TailCompsate1 = 0;
    int8_t TailCompsate2 = 0;
    int8_t TailGainD = 0;
    int8_t TailGainI = 10;
    int8_t TailGainP = 10;

    static constexpr std::size_t kSection3Count = 25;
    std::span<int8_t, kSection3Count> section3() {
        return std::span<int8_t, kSection3Count>(&Acc1, kSection3Count);
    }
    std::span<const int8_t, kSection3Count> section3() const {
        return std::span<const int8_t, kSection3Count>(&Acc1, kSection3Count);
    }
    bool operator==(const SettingsMirror&) const = default;
};

// The main form's seven slider values, in the order the form's reset values use. They are the
// form's own copy: the core fills and reads them, the GUI shows them.
struct SliderValues {
    int PitchAgility = 15;
    int PitchGain = 10;
    int RollAgility = 15;
    int RollGain = 10;
    int YawAgility = 15;
    int YawRight = 15;
    int YawGain = 10;
    bool operator==(const SliderValues&) const = default;
};

// The seven slider values and the bytes behind each: the tuning byte the unit uses and the
// section1 mirror field of the configuration file, in SliderValues order.
struct SliderBinding {
    int SliderValues::*slider;
    int8_t TuningBlock::*tuning;
    int8_t SettingsMirror::*mirror;
};
inline constexpr SliderBinding kSliderBindings[] = {
    {&SliderValues::PitchAgility, &TuningBlock::SpinSpeed1, &SettingsMirror::PitchAgility},
    {&SliderValues::PitchGain, &TuningBlock::PitchGain, &SettingsMirror::PitchGain},
    {&SliderValues::RollAgility, &TuningBlock::SpinSpeed2, &SettingsMirror::RollAgility},
    {&SliderValues::RollGain, &TuningBlock::RollGain, &SettingsMirror::RollGain},
    {&SliderValues::YawAgility, &TuningBlock::SpinSpeed3, &SettingsMirror::YawAgility},
    {&SliderValues::YawRight, &TuningBlock::SpinSpeed4, &SettingsMirror::YawRight},
    {&SliderValues::YawGain, &TuningBlock::YawGain, &SettingsMirror::YawGain},
};

// The 25 section3 keys, in file order, and the tuning byte each one names. SpinSpeed1..4 are the
// bytes the main form calls pitch/roll agility and yaw rates.
struct TuningBinding {
    int8_t TuningBlock::*tuning;
    int8_t SettingsMirror::*mirror;
};
#define ORQ_BIND(name) TuningBinding{&TuningBlock::name, &SettingsMirror::name}
inline constexpr TuningBinding kSection3Bindings[] = {
    ORQ_BIND(Acc1),          ORQ_BIND(Acc2),          ORQ_BIND(Acc3),       ORQ_BIND(Acc4),
    ORQ_BIND(Acc5),          ORQ_BIND(Acc6),          ORQ_BIND(DeadBand1),  ORQ_BIND(DeadBand2),
    ORQ_BIND(DeadBand3),     ORQ_BIND(DeadBand4),     ORQ_BIND(PitchGainD), ORQ_BIND(PitchGainI),
    ORQ_BIND(PitchGainP),    ORQ_BIND(RollGainD),     ORQ_BIND(RollGainI),  ORQ_BIND(RollGainP),
    ORQ_BIND(SpinSpeed1),    ORQ_BIND(SpinSpeed2),    ORQ_BIND(SpinSpeed3), ORQ_BIND(SpinSpeed4),
    ORQ_BIND(TailCompsate1), ORQ_BIND(TailCompsate2), ORQ_BIND(TailGainD),  ORQ_BIND(TailGainI),
    ORQ_BIND(TailGainP),
};
#undef ORQ_BIND
static_assert(std::size(kSection3Bindings) == SettingsMirror::kSection3Count);

// The image the whole program shares. A fresh block is the state right after start-up: device
// image all zero, mirror at its initial values.
struct ParameterBlock {
    SetupBlock Setup;
    TuningBlock Tuning;
    SettingsMirror Mirror;
};

// Copies the device image into the mirror and the seven slider values (the GUI then positions its
// sliders from `sliders`). DefaulParameters is left alone.
void MirrorFromDevice(ParameterBlock& block, SliderValues& sliders);

// The section3 part of MirrorFromDevice: the 25 keys from their tuning bytes.
void MirrorSection3FromTuning(const TuningBlock& tuning, SettingsMirror& mirror);

// Copies the mirror into the device image. The four shared tuning bytes come from SpinSpeed1..4;
// PitchAgility, RollAgility, YawAgility and YawRight are not used. Unnamed bytes and DeviceState
// keep their values.
void DeviceFromMirror(ParameterBlock& block);

// One configuration-file key and the mirror byte behind it, in file order.
struct MirrorKey {
    std::string_view section;
    std::string_view key;
    int8_t SettingsMirror::*field;
    bool written;  // DefaulParameters is read on load but never saved
};
std::span<const MirrorKey> MirrorKeys();

}  // namespace orq
