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
}  // namespace

void MirrorFromDevice(ParameterBlock& b, SliderValues& s) {
    const TuningBlock& t = b.Tuning;
    const SetupBlock& u = b.Setup;
    SettingsMirror& m = b.Mirror;

    s.PitchAgility = t.SpinSpeed1;
    s.PitchGain = t.PitchGain;
    s.RollAgility = t.SpinSpeed2;
    s.RollGain = t.RollGain;
    s.YawAgility = t.SpinSpeed3;
    s.YawRight = t.SpinSpeed4;
    s.YawGain = t.YawGain;

    m.PitchAgility = Low(s.PitchAgility);
    m.PitchGain = Low(s.PitchGain);
    m.RollAgility = Low(s.RollAgility);
    m.RollGain = Low(s.RollGain);
    m.YawAgility = Low(s.YawAgility);
    m.YawRight = Low(s.YawRight);
    m.YawGain = Low(s.YawGain);

    m.FixMode = u.FixMode;
    m.ServoType = u.ServoType;
    m.SwashPlateType = u.SwashPlateType;
    m.ServoDirCH1 = u.ServoDirCH1;
    m.ServoDirCH2 = u.ServoDirCH2;
    m.ServoDirCH3 = u.ServoDirCH3;
    m.ServoDirCH4 = u.ServoDirCH4;
    m.ServoAdjustCH1 = u.ServoAdjustCH1;
    m.ServoAdjustCH2 = u.ServoAdjustCH2;
    m.ServoAdjustCH3 = u.ServoAdjustCH3;
    m.AileronLimit = u.AileronLimit;
    m.ElevatorLimit = u.ElevatorLimit;
    m.TotalCoefficient = t.TotalCoefficient;
    m.PitchDir = u.PitchDir;
    m.RollDir = u.RollDir;
    m.YawDir = u.YawDir;
    m.TailPoint = u.TailPoint;
    m.TailLimitA = u.TailLimitA;
    m.TailLimitB = u.TailLimitB;
    m.OptimizationDir = u.OptimizationDir;

    m.Acc1 = t.Acc1;
    m.Acc2 = t.Acc2;
    m.Acc3 = t.Acc3;
    m.Acc4 = t.Acc4;
    m.Acc5 = t.Acc5;
    m.Acc6 = t.Acc6;
    m.DeadBand1 = t.DeadBand1;
    m.DeadBand2 = t.DeadBand2;
    m.DeadBand3 = t.DeadBand3;
    m.DeadBand4 = t.DeadBand4;
    m.PitchGainD = t.PitchGainD;
    m.PitchGainI = t.PitchGainI;
    m.PitchGainP = t.PitchGainP;
    m.RollGainD = t.RollGainD;
    m.RollGainI = t.RollGainI;
    m.RollGainP = t.RollGainP;
    m.SpinSpeed1 = t.SpinSpeed1;
    m.SpinSpeed2 = t.SpinSpeed2;
    m.SpinSpeed3 = t.SpinSpeed3;
    m.SpinSpeed4 = t.SpinSpeed4;
    m.TailCompsate1 = t.TailCompsate1;
    m.TailCompsate2 = t.TailCompsate2;
    m.TailGainD = t.TailGainD;
    m.TailGainI = t.TailGainI;
    m.TailGainP = t.TailGainP;
}

void DeviceFromMirror(ParameterBlock& b) {
    const SettingsMirror& m = b.Mirror;
    SetupBlock& u = b.Setup;
    TuningBlock& t = b.Tuning;

    u.FixMode = m.FixMode;
    u.ServoType = m.ServoType;
    u.SwashPlateType = m.SwashPlateType;
    u.ServoDirCH1 = m.ServoDirCH1;
    u.ServoDirCH2 = m.ServoDirCH2;
    u.ServoDirCH3 = m.ServoDirCH3;
    u.ServoDirCH4 = m.ServoDirCH4;
    u.ServoAdjustCH1 = m.ServoAdjustCH1;
    u.ServoAdjustCH2 = m.ServoAdjustCH2;
    u.ServoAdjustCH3 = m.ServoAdjustCH3;
    u.AileronLimit = m.AileronLimit;
    u.ElevatorLimit = m.ElevatorLimit;
    t.TotalCoefficient = m.TotalCoefficient;
    u.PitchDir = m.PitchDir;
    u.RollDir = m.RollDir;
    u.YawDir = m.YawDir;
    u.TailPoint = m.TailPoint;
    u.TailLimitA = m.TailLimitA;
    u.TailLimitB = m.TailLimitB;
    u.OptimizationDir = m.OptimizationDir;

    t.Acc1 = m.Acc1;
    t.Acc2 = m.Acc2;
    t.Acc3 = m.Acc3;
    t.Acc4 = m.Acc4;
    t.Acc5 = m.Acc5;
    t.Acc6 = m.Acc6;
    t.DeadBand1 = m.DeadBand1;
    t.DeadBand2 = m.DeadBand2;
    t.DeadBand3 = m.DeadBand3;
    t.DeadBand4 = m.DeadBand4;
    t.PitchGainD = m.PitchGainD;
    t.PitchGainI = m.PitchGainI;
    t.PitchGainP = m.PitchGainP;
    t.RollGainD = m.RollGainD;
    t.RollGainI = m.RollGainI;
    t.RollGainP = m.RollGainP;
    t.SpinSpeed3 = m.SpinSpeed3;
    t.SpinSpeed4 = m.SpinSpeed4;
    t.SpinSpeed1 = m.SpinSpeed1;
    t.SpinSpeed2 = m.SpinSpeed2;
    t.TailCompsate1 = m.TailCompsate1;
    t.TailCompsate2 = m.TailCompsate2;
    t.TailGainD = m.TailGainD;
    t.TailGainI = m.TailGainI;
    t.TailGainP = m.TailGainP;

    t.YawGain = m.YawGain;
    t.PitchGain = m.PitchGain;
    t.RollGain = m.RollGain;
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
