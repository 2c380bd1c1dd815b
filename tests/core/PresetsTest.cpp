#include "protocol/Presets.h"

#include <gtest/gtest.h>

namespace orq {
namespace {

TEST(Presets, ButtonsImagesAndMessages) {
    const auto p = Presets();
    ASSERT_EQ(p.size(), 5u);
    EXPECT_EQ(p[0].name, "Beginner");
    EXPECT_EQ(p[0].buttonId, 1006);
    EXPECT_EQ(p[0].pngId, 244);
    EXPECT_EQ(p[1].message, "F-3C!");
    EXPECT_EQ(p[1].pngId, 243);
    EXPECT_EQ(InfoOf(Preset::Extreme3D).buttonId, 1019);
    EXPECT_EQ(InfoOf(Preset::Hard3D).message, "3D Hard!");
}

TEST(Presets, ApplyWritesTuningSlidersMirrorAndResetValues) {
    ParameterBlock b;
    b.Setup.ServoDirCH2 = -1;
    b.Tuning.TotalCoefficient = -30;
    b.Tuning.TuningByte44 = 9;
    const SettingsMirror mirrorBefore = b.Mirror;
    SliderValues s;
    ResetValues r;
    ApplyPreset(Preset::Hard3D, b, s, r);

    EXPECT_EQ(b.Tuning.RollGainI, 80);
    EXPECT_EQ(b.Tuning.DeadBand3, 60);
    EXPECT_EQ(b.Tuning.TuningByte35, 20);
    EXPECT_EQ(b.Tuning.TuningByte44, 0);
    EXPECT_EQ(b.Tuning.TotalCoefficient, -30);  // kept by all but 3D Extreme
    EXPECT_EQ(s, (SliderValues{45, 40, 45, 40, 40, 40, 100}));
    EXPECT_EQ(r, (ResetValues{45, 40, 45, 40, 40, 40, 100}));
    EXPECT_EQ(b.Mirror.PitchAgility, 45);
    EXPECT_EQ(b.Mirror.YawGain, 100);
    EXPECT_EQ(b.Mirror.SpinSpeed1, 45);
    EXPECT_EQ(b.Mirror.Acc2, 55);
    EXPECT_EQ(b.Mirror.TotalCoefficient, -30);
    // The setup side is never touched by a preset.
    EXPECT_EQ(b.Setup.ServoDirCH2, -1);
    EXPECT_EQ(b.Mirror.ServoDirCH2, mirrorBefore.ServoDirCH2);
    EXPECT_EQ(b.Mirror.TailLimitA, mirrorBefore.TailLimitA);
}

TEST(Presets, OnlyExtremeSetsTotalCoefficientAndItStays) {
    ParameterBlock b;
    SliderValues s;
    ResetValues r;
    ApplyPreset(Preset::Beginner, b, s, r);
    EXPECT_EQ(b.Tuning.TotalCoefficient, 0);
    ApplyPreset(Preset::Extreme3D, b, s, r);
    EXPECT_EQ(b.Tuning.TotalCoefficient, 70);
    ApplyPreset(Preset::Hard3D, b, s, r);
    EXPECT_EQ(b.Tuning.TotalCoefficient, 70);
    EXPECT_EQ(b.Mirror.TotalCoefficient, 70);
}

TEST(Presets, ResetButtonsReturnToStartThenToLastPreset) {
    ParameterBlock b;
    SliderValues s{60, 125, 60, 125, 60, 60, 125};
    ResetValues r;
    ResetMainRotor(b, s, r);
    EXPECT_EQ(s, (SliderValues{15, 10, 15, 10, 60, 60, 125}));
    ResetTailRotor(b, s, r);
    EXPECT_EQ(s, SliderValues{});
    EXPECT_EQ(b.Tuning.SpinSpeed3, 15);
    EXPECT_EQ(b.Mirror.YawGain, 10);

    ApplyPreset(Preset::Hard3D, b, s, r);
    s = SliderValues{20, 20, 20, 20, 20, 20, 20};
    ResetMainRotor(b, s, r);
    ResetTailRotor(b, s, r);
    EXPECT_EQ(s, (SliderValues{45, 40, 45, 40, 40, 40, 100}));
    EXPECT_EQ(b.Tuning.SpinSpeed1, 45);
    EXPECT_EQ(b.Tuning.SpinSpeed4, 40);
    EXPECT_EQ(b.Mirror.RollAgility, 45);
}

TEST(Presets, AllDataResetGivesFactoryValuesAndKeepsDeviceState) {
    ParameterBlock b;
    b.Setup.DeviceState = 42;
    b.Setup.ServoAdjustCH2 = 17;
    SliderValues s;
    AllDataReset(b, s);
    EXPECT_EQ(s, (SliderValues{35, 40, 35, 40, 35, 35, 100}));
    EXPECT_EQ(b.Setup.DeviceState, 42);
    EXPECT_EQ(b.Setup.ServoAdjustCH2, 0);
    EXPECT_EQ(b.Setup.ServoDirCH1, -1);
    EXPECT_EQ(b.Setup.ServoDirCH4, -1);
    EXPECT_EQ(b.Setup.OptimizationDir, -1);
    EXPECT_EQ(b.Setup.SwashPlateType, 2);
    EXPECT_EQ(b.Setup.SetupByte10, 1);
    EXPECT_EQ(b.Tuning.TotalCoefficient, 70);
    EXPECT_EQ(b.Tuning.TuningByte35, 10);
    EXPECT_EQ(b.Mirror.TotalCoefficient, 70);
    EXPECT_EQ(b.Mirror.ServoDirCH1, -1);
    EXPECT_EQ(b.Mirror.TailLimitA, 70);
    // The factory tuning is F-3C with TotalCoefficient 70.
    TuningBlock f3c = PresetTuning(Preset::F3C);
    f3c.TotalCoefficient = 70;
    EXPECT_EQ(FactoryTuning(), f3c);
}

}  // namespace
}  // namespace orq
