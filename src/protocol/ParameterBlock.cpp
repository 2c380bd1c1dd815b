#include "protocol/ParameterBlock.h"

#include <cstddef>
#include <type_traits>

namespace orq {

// The wire depends on these layouts byte for byte.
static_assert(std::is_standard_layout_v<SetupBlock> && sizeof(SetupBlock) == SetupBlock::kSize);
static_assert(std::is_standard_layout_v<TuningBlock> && sizeof(TuningBlock) == TuningBlock::kSize);
static_assert(offsetof(SetupBlock, SwashPlateType) == 27 && offsetof(SetupBlock, DeviceState) == 31);
static_assert(offsetof(TuningBlock, SpinSpeed3) == 31 && offsetof(TuningBlock, TotalCoefficient) == 38);
static_assert(offsetof(SettingsMirror, TailGainP) - offsetof(SettingsMirror, Acc1) ==
              SettingsMirror::kSection3Count - 1);

namespace {

int8_t Low(int v) { return static_cast<int8_t>(static_cast<uint8_t>(v & 0xFF)); }

// section2 keys kept in SetupBlock, in file order (TotalCoefficient, the twentieth, lives in
// TuningBlock).
struct SetupBinding {
    int8_t SetupBlock::*setup;
    int8_t SettingsMirror::*mirror;
};
#define ORQ_BIND(name) SetupBinding{&SetupBlock::name, &SettingsMirror::name}
constexpr SetupBinding kSection2Setup[] = {
    ORQ_BIND(FixMode),        ORQ_BIND(ServoType),      ORQ_BIND(SwashPlateType),
    ORQ_BIND(ServoDirCH1),    ORQ_BIND(ServoDirCH2),    ORQ_BIND(ServoDirCH3),
    ORQ_BIND(ServoDirCH4),    ORQ_BIND(ServoAdjustCH1), ORQ_BIND(ServoAdjustCH2),
    ORQ_BIND(ServoAdjustCH3), ORQ_BIND(AileronLimit),   ORQ_BIND(ElevatorLimit),
    ORQ_BIND(PitchDir),       ORQ_BIND(RollDir),        ORQ_BIND(YawDir),
    ORQ_BIND(TailPoint),      ORQ_BIND(TailLimitA),     ORQ_BIND(TailLimitB),
    ORQ_BIND(OptimizationDir),
};
#undef ORQ_BIND

}  // namespace

void MirrorSection3FromTuning(const TuningBlock& t, SettingsMirror& m) {
    for (const TuningBinding& k : kSection3Bindings) m.*k.mirror = t.*k.tuning;
}

void MirrorFromDevice(ParameterBlock& b, SliderValues& s) {
    SettingsMirror& m = b.Mirror;
    for (const SliderBinding& k : kSliderBindings) {
        s.*k.slider = b.Tuning.*k.tuning;
        m.*k.mirror = Low(s.*k.slider);
    }
    for (const SetupBinding& k : kSection2Setup) m.*k.mirror = b.Setup.*k.setup;
    m.TotalCoefficient = b.Tuning.TotalCoefficient;
    MirrorSection3FromTuning(b.Tuning, m);
}

void DeviceFromMirror(ParameterBlock& b) {
    const SettingsMirror& m = b.Mirror;
    for (const SetupBinding& k : kSection2Setup) b.Setup.*k.setup = m.*k.mirror;
    b.Tuning.TotalCoefficient = m.TotalCoefficient;
    for (const TuningBinding& k : kSection3Bindings) b.Tuning.*k.tuning = m.*k.mirror;
    b.Tuning.YawGain = m.YawGain;
    b.Tuning.PitchGain = m.PitchGain;
    b.Tuning.RollGain = m.RollGain;
}

std::span<const MirrorKey> MirrorKeys() {
    using M = SettingsMirror;
#define ORQ_KEY(sec, name, written) MirrorKey{sec, #name, &M::name, written}
    static constexpr MirrorKey kKeys[] = {
        ORQ_KEY("section1", DefaulParameters, false),
        ORQ_KEY("section1", PitchAgility, true),
        ORQ_KEY("section1", PitchGain, true),
        ORQ_KEY("section1", RollAgility, true),
        ORQ_KEY("section1", RollGain, true),
        ORQ_KEY("section1", YawAgility, true),
        ORQ_KEY("section1", YawRight, true),
        ORQ_KEY("section1", YawGain, true),
        ORQ_KEY("section2", FixMode, true),
        ORQ_KEY("section2", ServoType, true),
        ORQ_KEY("section2", SwashPlateType, true),
        ORQ_KEY("section2", ServoDirCH1, true),
        ORQ_KEY("section2", ServoDirCH2, true),
        ORQ_KEY("section2", ServoDirCH3, true),
        ORQ_KEY("section2", ServoDirCH4, true),
        ORQ_KEY("section2", ServoAdjustCH1, true),
        ORQ_KEY("section2", ServoAdjustCH2, true),
        ORQ_KEY("section2", ServoAdjustCH3, true),
        ORQ_KEY("section2", AileronLimit, true),
        ORQ_KEY("section2", ElevatorLimit, true),
        ORQ_KEY("section2", TotalCoefficient, true),
        ORQ_KEY("section2", PitchDir, true),
        ORQ_KEY("section2", RollDir, true),
        ORQ_KEY("section2", YawDir, true),
        ORQ_KEY("section2", TailPoint, true),
        ORQ_KEY("section2", TailLimitA, true),
        ORQ_KEY("section2", TailLimitB, true),
        ORQ_KEY("section2", OptimizationDir, true),
        ORQ_KEY("section3", Acc1, true),
        ORQ_KEY("section3", Acc2, true),
        ORQ_KEY("section3", Acc3, true),
        ORQ_KEY("section3", Acc4, true),
        ORQ_KEY("section3", Acc5, true),
        ORQ_KEY("section3", Acc6, true),
        ORQ_KEY("section3", DeadBand1, true),
        ORQ_KEY("section3", DeadBand2, true),
        ORQ_KEY("section3", DeadBand3, true),
        ORQ_KEY("section3", DeadBand4, true),
        ORQ_KEY("section3", PitchGainD, true),
        ORQ_KEY("section3", PitchGainI, true),
        ORQ_KEY("section3", PitchGainP, true),
        ORQ_KEY("section3", RollGainD, true),
        ORQ_KEY("section3", RollGainI, true),
        ORQ_KEY("section3", RollGainP, true),
        ORQ_KEY("section3", SpinSpeed1, true),
        ORQ_KEY("section3", SpinSpeed2, true),
        ORQ_KEY("section3", SpinSpeed3, true),
        ORQ_KEY("section3", SpinSpeed4, true),
        ORQ_KEY("section3", TailCompsate1, true),
        ORQ_KEY("section3", TailCompsate2, true),
        ORQ_KEY("section3", TailGainD, true),
        ORQ_KEY("section3", TailGainI, true),
        ORQ_KEY("section3", TailGainP, true),
    };
#undef ORQ_KEY
    return kKeys;
}

}  // namespace orq
