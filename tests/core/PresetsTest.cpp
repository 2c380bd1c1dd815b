#include "protocol/Presets.h"

#include <gtest/gtest.h>

#include <vector>

namespace orq {
namespace {

template <class... T>
std::vector<int> Ints(T... v) {
    return {int(v)...};
}

TEST(Presets, ApplyWritesTuningSlidersMirrorAndResetValues) {
    ParameterBlock b;
    b.Setup.ServoDirCH2 = -1;
    b.Tuning.TotalCoefficient = -30;
    b.Tuning.TuningByte44 = 9;
    const SettingsMirror before = b.Mirror;
    SliderValues s;
    ResetValues r;
    ApplyPreset(Preset::Hard3D, b, s, r);
    const TuningBlock& t = b.Tuning;
    const SettingsMirror& m = b.Mirror;
    EXPECT_EQ(Ints(t.RollGainI, t.DeadBand3, t.TuningByte35, t.TuningByte44), Ints(80, 60, 20, 0));
    EXPECT_EQ(s, (SliderValues{45, 40, 45, 40, 40, 40, 100}));
    EXPECT_EQ(r, (ResetValues{45, 40, 45, 40, 40, 40, 100}));
    EXPECT_EQ(Ints(m.PitchAgility, m.YawGain, m.SpinSpeed1, m.Acc2), Ints(45, 100, 45, 55));
    // TotalCoefficient is kept by all but 3D Extreme; the setup side is never touched.
    EXPECT_EQ(Ints(t.TotalCoefficient, m.TotalCoefficient), Ints(-30, -30));
    EXPECT_EQ(b.Setup.ServoDirCH2, -1);
    EXPECT_EQ(Ints(m.ServoDirCH2, m.TailLimitA), Ints(before.ServoDirCH2, before.TailLimitA));
    ApplyPreset(Preset::Beginner, b, s, r);
    EXPECT_EQ(t.TotalCoefficient, -30);
    ApplyPreset(Preset::Extreme3D, b, s, r);
    EXPECT_EQ(t.TotalCoefficient, 70);
    ApplyPreset(Preset::Hard3D, b, s, r);
    EXPECT_EQ(Ints(t.TotalCoefficient, m.TotalCoefficient), Ints(70, 70));
}

TEST(Presets, ResetButtonsReturnToStartThenToLastPreset) {
    ParameterBlock b;
    SliderValues s{60, 125, 60, 125, 60, 60, 125};
    ResetValues r;
    ResetMainRotor(b, s, r);
    EXPECT_EQ(s, (SliderValues{15, 10, 15, 10, 60, 60, 125}));
    ResetTailRotor(b, s, r);
    EXPECT_EQ(s, SliderValues{});
    EXPECT_EQ(Ints(b.Tuning.SpinSpeed3, b.Mirror.YawGain), Ints(15, 10));

    ApplyPreset(Preset::Hard3D, b, s, r);
    s = SliderValues{20, 20, 20, 20, 20, 20, 20};
    ResetMainRotor(b, s, r);
    ResetTailRotor(b, s, r);
    EXPECT_EQ(s, (SliderValues{45, 40, 45, 40, 40, 40, 100}));
    EXPECT_EQ(Ints(b.Tuning.SpinSpeed1, b.Tuning.SpinSpeed4, b.Mirror.RollAgility), Ints(45, 40, 45));
}

TEST(Presets, AllDataResetGivesFactoryValuesAndKeepsDeviceState) {
    ParameterBlock b;
    b.Setup.DeviceState = 42;
    b.Setup.ServoAdjustCH2 = 17;
    SliderValues s;
    AllDataReset(b, s);
    const SetupBlock& u = b.Setup;
    EXPECT_EQ(s, (SliderValues{35, 40, 35, 40, 35, 35, 100}));
    EXPECT_EQ(Ints(u.DeviceState, u.ServoAdjustCH2, u.ServoDirCH1, u.ServoDirCH4, u.OptimizationDir,
                   u.SwashPlateType, u.SetupByte10),
              Ints(42, 0, -1, -1, -1, 2, 1));
    EXPECT_EQ(Ints(b.Tuning.TuningByte35, b.Mirror.TotalCoefficient, b.Mirror.ServoDirCH1, b.Mirror.TailLimitA),
              Ints(10, 70, -1, 70));
    // The factory tuning is F-3C with TotalCoefficient 70.
    TuningBlock f3c = PresetTuning(Preset::F3C);
    f3c.TotalCoefficient = 70;
    EXPECT_EQ(FactoryTuning(), f3c);
    EXPECT_EQ(b.Tuning, f3c);
}

}  // namespace
}  // namespace orq
