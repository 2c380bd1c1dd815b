#pragma once
// The one image of the unit's parameter set: the device image (SetupBlock + TuningBlock, exactly
// as the bytes travel on the wire) and the SettingsMirror (one byte per configuration-file key).
//
// Everything about a byte is written once, in the three tables below: its wire position, its
// configuration key and section, its start value in the mirror, the range the user may give it,
// and which device byte a key stands for. The structs, the copies between device and mirror,
// the configuration file's key order, the byte names orqctl reports and the ranges the windows
// check are all derived from them.

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orq {

// clang-format off
// SetupBlock, in wire order: X(index, name). Index 31 (DeviceState) is the unit's own and never
// sent by the host. Bytes without a configuration key are named after their place.
#define ORQ_SETUP_BYTES(X)                                                                        \
    X(0, ServoAdjustCH1) X(1, ServoAdjustCH2) X(2, ServoAdjustCH3) X(3, TailPoint)                \
    X(4, SetupByte4) X(5, SetupByte5) X(6, ServoDirCH1) X(7, ServoDirCH2) X(8, ServoDirCH3)       \
    X(9, ServoDirCH4) X(10, SetupByte10) X(11, SetupByte11) X(12, TailLimitA) X(13, TailLimitB)   \
    X(14, AileronLimit) X(15, ElevatorLimit) X(16, YawDir) X(17, RollDir) X(18, PitchDir)         \
    X(19, ServoType) X(20, SetupByte20) X(21, SetupByte21) X(22, SetupByte22) X(23, SetupByte23)  \
    X(24, SetupByte24) X(25, SetupByte25) X(26, SetupByte26) X(27, SwashPlateType)                \
    X(28, SetupByte28) X(29, FixMode) X(30, OptimizationDir) X(31, DeviceState)

// TuningBlock, in wire order. SpinSpeed1..4 are what the main form calls pitch agility, roll
// agility, yaw rate left and yaw rate right.
#define ORQ_TUNING_BYTES(X)                                                                       \
    X(0, YawGain) X(1, TailGainP) X(2, TailGainI) X(3, TailGainD) X(4, TuningByte4)               \
    X(5, TuningByte5) X(6, RollGain) X(7, RollGainP) X(8, RollGainI) X(9, RollGainD)              \
    X(10, TuningByte10) X(11, TuningByte11) X(12, PitchGain) X(13, PitchGainP) X(14, PitchGainI)  \
    X(15, PitchGainD) X(16, TuningByte16) X(17, TuningByte17) X(18, Acc3) X(19, Acc4)             \
    X(20, Acc5) X(21, Acc6) X(22, Acc1) X(23, Acc2) X(24, TuningByte24) X(25, TuningByte25)       \
    X(26, TuningByte26) X(27, DeadBand3) X(28, DeadBand4) X(29, DeadBand1) X(30, DeadBand2)       \
    X(31, SpinSpeed3) X(32, SpinSpeed4) X(33, SpinSpeed1) X(34, SpinSpeed2) X(35, TuningByte35)   \
    X(36, TuningByte36) X(37, TuningByte37) X(38, TotalCoefficient) X(39, TuningByte39)           \
    X(40, TailCompsate1) X(41, TailCompsate2) X(42, TuningByte42) X(43, TuningByte43)             \
    X(44, TuningByte44) X(45, TuningByte45)

// The configuration keys in file order: X(section, key, start value, minimum, maximum, block,
// device byte). The range is what the windows let the user choose. A key stands for the device
// byte it names; it is that byte's keeper (the file's value goes to the unit) when the two share
// their name. The four section1 agility keys only follow their SpinSpeed bytes, whose keepers
// are the section3 keys of the same name; DefaulParameters stands for no byte and is read from
// files but never written.
#define ORQ_MIRROR_KEYS(X)                                                 \
    X(1, DefaulParameters, 0, -128, 127, None, None)                       \
    X(1, PitchAgility, 0, 15, 60, Tuning, SpinSpeed1)                      \
    X(1, PitchGain, 0, 10, 125, Tuning, PitchGain)                         \
    X(1, RollAgility, 0, 15, 60, Tuning, SpinSpeed2)                       \
    X(1, RollGain, 0, 10, 125, Tuning, RollGain)                           \
    X(1, YawAgility, 0, 15, 60, Tuning, SpinSpeed3)                        \
    X(1, YawRight, 0, 15, 60, Tuning, SpinSpeed4)                          \
    X(1, YawGain, 0, 10, 125, Tuning, YawGain)                             \
    X(2, FixMode, 0, 1, 3, Setup, FixMode)                                 \
    X(2, ServoType, 0, 0, 5, Setup, ServoType)                             \
    X(2, SwashPlateType, 0, 1, 5, Setup, SwashPlateType)                   \
    X(2, ServoDirCH1, 1, -1, 1, Setup, ServoDirCH1)                        \
    X(2, ServoDirCH2, 1, -1, 1, Setup, ServoDirCH2)                        \
    X(2, ServoDirCH3, 1, -1, 1, Setup, ServoDirCH3)                        \
    X(2, ServoDirCH4, 0, -1, 1, Setup, ServoDirCH4)                        \
    X(2, ServoAdjustCH1, 0, -124, 124, Setup, ServoAdjustCH1)              \
    X(2, ServoAdjustCH2, 0, -124, 124, Setup, ServoAdjustCH2)              \
    X(2, ServoAdjustCH3, 0, -124, 124, Setup, ServoAdjustCH3)              \
    X(2, AileronLimit, 20, 20, 125, Setup, AileronLimit)                   \
    X(2, ElevatorLimit, 20, 20, 125, Setup, ElevatorLimit)                 \
    X(2, TotalCoefficient, 0, -125, 125, Tuning, TotalCoefficient)         \
    X(2, PitchDir, 0, -1, 1, Setup, PitchDir)                              \
    X(2, RollDir, 0, -1, 1, Setup, RollDir)                                \
    X(2, YawDir, 0, -1, 1, Setup, YawDir)                                  \
    X(2, TailPoint, 0, -125, 125, Setup, TailPoint)                        \
    X(2, TailLimitA, 20, 20, 125, Setup, TailLimitA)                       \
    X(2, TailLimitB, 20, 20, 125, Setup, TailLimitB)                       \
    X(2, OptimizationDir, 1, -1, 1, Setup, OptimizationDir)                \
    X(3, Acc1, 7, 7, 125, Tuning, Acc1)                                    \
    X(3, Acc2, 7, 7, 125, Tuning, Acc2)                                    \
    X(3, Acc3, 7, 7, 125, Tuning, Acc3)                                    \
    X(3, Acc4, 7, 7, 125, Tuning, Acc4)                                    \
    X(3, Acc5, 7, 7, 125, Tuning, Acc5)                                    \
    X(3, Acc6, 7, 7, 125, Tuning, Acc6)                                    \
    X(3, DeadBand1, 0, 0, 125, Tuning, DeadBand1)                          \
    X(3, DeadBand2, 0, 0, 125, Tuning, DeadBand2)                          \
    X(3, DeadBand3, 0, 0, 125, Tuning, DeadBand3)                          \
    X(3, DeadBand4, 0, 0, 125, Tuning, DeadBand4)                          \
    X(3, PitchGainD, 0, 0, 125, Tuning, PitchGainD)                        \
    X(3, PitchGainI, 10, 10, 125, Tuning, PitchGainI)                      \
    X(3, PitchGainP, 10, 10, 125, Tuning, PitchGainP)                      \
    X(3, RollGainD, 0, 0, 125, Tuning, RollGainD)                          \
    X(3, RollGainI, 10, 10, 125, Tuning, RollGainI)                        \
    X(3, RollGainP, 10, 10, 125, Tuning, RollGainP)                        \
    X(3, SpinSpeed1, 15, 15, 60, Tuning, SpinSpeed1)                       \
    X(3, SpinSpeed2, 15, 15, 60, Tuning, SpinSpeed2)                       \
    X(3, SpinSpeed3, 15, 15, 60, Tuning, SpinSpeed3)                       \
    X(3, SpinSpeed4, 15, 15, 60, Tuning, SpinSpeed4)                       \
    X(3, TailCompsate1, 0, -125, 125, Tuning, TailCompsate1)               \
    X(3, TailCompsate2, 0, -125, 125, Tuning, TailCompsate2)               \
    X(3, TailGainD, 0, 0, 125, Tuning, TailGainD)                          \
    X(3, TailGainI, 10, 10, 125, Tuning, TailGainI)                        \
    X(3, TailGainP, 10, 10, 125, Tuning, TailGainP)
// clang-format on

#define ORQ_DEVICE_FIELD(index, name) int8_t name = 0;

struct SetupBlock {
    ORQ_SETUP_BYTES(ORQ_DEVICE_FIELD)

    static constexpr std::size_t kSize = 32;
    static constexpr std::size_t kSentSize = 31;  // indexes 0..30 travel in a parameter write

    std::span<int8_t, kSize> bytes() { return std::span<int8_t, kSize>(&ServoAdjustCH1, kSize); }
    std::span<const int8_t, kSize> bytes() const {
        return std::span<const int8_t, kSize>(&ServoAdjustCH1, kSize);
    }
    bool operator==(const SetupBlock&) const = default;
};

struct TuningBlock {
    ORQ_TUNING_BYTES(ORQ_DEVICE_FIELD)

    static constexpr std::size_t kSize = 46;

    std::span<int8_t, kSize> bytes() { return std::span<int8_t, kSize>(&YawGain, kSize); }
    std::span<const int8_t, kSize> bytes() const {
        return std::span<const int8_t, kSize>(&YawGain, kSize);
    }
    bool operator==(const TuningBlock&) const = default;
};
#undef ORQ_DEVICE_FIELD

// One byte per configuration-file key, in file order, at its start value. section3 is one
// contiguous run of 25 that the Advance Menu copies as a whole.
struct SettingsMirror {
#define ORQ_MIRROR_FIELD(section, key, initial, min, max, block, byte) int8_t key = initial;
    ORQ_MIRROR_KEYS(ORQ_MIRROR_FIELD)
#undef ORQ_MIRROR_FIELD

    static constexpr std::size_t kSection3Count = 25;
    std::span<int8_t, kSection3Count> section3() {
        return std::span<int8_t, kSection3Count>(&Acc1, kSection3Count);
    }
    std::span<const int8_t, kSection3Count> section3() const {
        return std::span<const int8_t, kSection3Count>(&Acc1, kSection3Count);
    }
    bool operator==(const SettingsMirror&) const = default;
};

// The image the whole program shares. A fresh block is the state right after start-up: device
// image all zero, mirror at its start values.
struct ParameterBlock {
    SetupBlock Setup;
    TuningBlock Tuning;
    SettingsMirror Mirror;
};

// The byte a value takes on the wire: its low 8 bits, as the system stores an int into a byte.
constexpr int8_t LowByte(int value) {
    return static_cast<int8_t>(static_cast<uint8_t>(value & 0xFF));
}

enum class Block : uint8_t { None, Setup, Tuning };

// One configuration key: a row of ORQ_MIRROR_KEYS.
struct MirrorKey {
    std::string_view section;  // "section1", "section2" or "section3"
    std::string_view key;
    int8_t SettingsMirror::*field;
    int8_t initial;
    int min, max;  // what the windows let the user choose
    Block block;   // where the device byte it stands for lives
    uint8_t index;
    bool keeper;   // the file's value is the one that goes to the unit (DeviceFromMirror)
    bool written;  // saved to files; every key but DefaulParameters
};

// The 53 keys in file order.
std::span<const MirrorKey> MirrorKeys();
// The row of a mirror field (every field has one).
const MirrorKey& MirrorKeyOf(int8_t SettingsMirror::*field);

// Names of the device bytes: the configuration key where the byte has one, else its place.
std::string_view SetupByteName(std::size_t index);
std::string_view TuningByteName(std::size_t index);

// The device byte a key stands for; nullptr for DefaulParameters.
int8_t* DeviceByte(ParameterBlock& block, const MirrorKey& key);
const int8_t* DeviceByte(const ParameterBlock& block, const MirrorKey& key);

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

// Each slider value and the section1 key it is saved under, in SliderValues order. The tuning
// byte the unit uses is the key's device byte.
struct SliderBinding {
    int SliderValues::*slider;
    int8_t SettingsMirror::*mirror;
};
inline constexpr SliderBinding kSliderBindings[] = {
    {&SliderValues::PitchAgility, &SettingsMirror::PitchAgility},
    {&SliderValues::PitchGain, &SettingsMirror::PitchGain},
    {&SliderValues::RollAgility, &SettingsMirror::RollAgility},
    {&SliderValues::RollGain, &SettingsMirror::RollGain},
    {&SliderValues::YawAgility, &SettingsMirror::YawAgility},
    {&SliderValues::YawRight, &SettingsMirror::YawRight},
    {&SliderValues::YawGain, &SettingsMirror::YawGain},
};

// Copies the device image into the mirror (every key that stands for a byte) and the seven
// slider values (the GUI then positions its sliders from `sliders`). DefaulParameters is left
// alone.
void MirrorFromDevice(ParameterBlock& block, SliderValues& sliders);

// The part of MirrorFromDevice that the TuningBlock feeds: every key standing for a tuning byte.
void MirrorFromTuning(const TuningBlock& tuning, SettingsMirror& mirror);

// Copies the mirror into the device image: every key into the byte it keeps. PitchAgility,
// RollAgility, YawAgility and YawRight are not used. Unnamed bytes and DeviceState keep their
// values.
void DeviceFromMirror(ParameterBlock& block);

// A device byte that the unit holds differently from what was sent.
struct ByteDifference {
    std::string name;  // configuration key where the byte has one, else its field name
    int sent;
    int held;
    bool operator==(const ByteDifference&) const = default;
};
// Compares what a parameter write carries: SetupBlock 0..30 and the whole TuningBlock. What a
// write sent against what the unit read back holds, byte for byte.
std::vector<ByteDifference> CompareWritten(const SetupBlock& sentSetup,
                                           const TuningBlock& sentTuning,
                                           const SetupBlock& heldSetup,
                                           const TuningBlock& heldTuning);

}  // namespace orq
