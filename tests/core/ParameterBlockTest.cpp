#include "protocol/ParameterBlock.h"
#include "protocol/Presets.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace orq {
namespace {

const auto Ints = [](auto... v) { return std::vector<int>{int(v)...}; };

TEST(ParameterBlock, MirrorAndDeviceImageFollowEachOther) {
    ParameterBlock b;
    for (std::size_t i = 0; i < SetupBlock::kSize; ++i) b.Setup.bytes()[i] = int8_t(i + 1);
    for (std::size_t i = 0; i < TuningBlock::kSize; ++i) b.Tuning.bytes()[i] = int8_t(50 + i);
    b.Setup.ServoDirCH1 = -1;
    b.Mirror.DefaulParameters = 9;
    const ParameterBlock before = b;
    const TuningBlock& t = before.Tuning;
    SliderValues s;
    MirrorFromDevice(b, s);
    EXPECT_EQ(s, (SliderValues{t.SpinSpeed1, t.PitchGain, t.SpinSpeed2, t.RollGain, t.SpinSpeed3,
                               t.SpinSpeed4, t.YawGain}));
    const SettingsMirror& m = b.Mirror;
    const SetupBlock& u = before.Setup;
    EXPECT_EQ(Ints(m.DefaulParameters, m.PitchAgility, m.YawRight, m.SpinSpeed1, m.SpinSpeed3,
                   m.ServoDirCH1, m.OptimizationDir, m.TotalCoefficient, m.Acc3, m.DeadBand3,
                   m.TailGainP),
              Ints(9, t.SpinSpeed1, t.SpinSpeed4, t.SpinSpeed1, t.SpinSpeed3, -1, u.OptimizationDir,
                   t.TotalCoefficient, t.Acc3, t.DeadBand3, t.TailGainP));
    DeviceFromMirror(b);  // the round trip changes no byte
    EXPECT_EQ(b.Setup, before.Setup);
    EXPECT_EQ(b.Tuning, before.Tuning);

    // A spin speed's second name on the slider side does not travel (the configuration file
    // test holds every key's own byte); DeviceState is the unit's own, unnamed bytes keep theirs.
    std::tie(b.Mirror.PitchAgility, b.Mirror.SpinSpeed1, b.Setup.DeviceState,
             b.Tuning.TuningByte11) = std::tuple(50, 22, 5, 66);
    DeviceFromMirror(b);
    EXPECT_EQ(Ints(b.Tuning.SpinSpeed1, b.Setup.DeviceState, b.Tuning.TuningByte11),
              Ints(22, 5, 66));
}

TEST(Presets, ApplyAndTheResetButtons) {
    ParameterBlock b;
    SliderValues s{60, 125, 60, 125, 60, 60, 125};
    ResetValues r;
    ResetMainRotor(b, s, r);  // before any preset: the start values
    EXPECT_EQ(s, (SliderValues{15, 10, 15, 10, 60, 60, 125}));
    ResetTailRotor(b, s, r);
    EXPECT_EQ(s, SliderValues{});
    EXPECT_EQ(Ints(b.Tuning.SpinSpeed3, b.Mirror.YawGain), Ints(15, 10));

    b.Setup.ServoDirCH2 = -1;
    b.Tuning.TotalCoefficient = -30;
    b.Tuning.TuningByte44 = 9;
    const SettingsMirror before = b.Mirror;
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

    s = SliderValues{20, 20, 20, 20, 20, 20, 20};  // after a preset: its values
    ResetMainRotor(b, s, r);
    ResetTailRotor(b, s, r);
    EXPECT_EQ(s, (SliderValues{45, 40, 45, 40, 40, 40, 100}));
    EXPECT_EQ(Ints(t.SpinSpeed1, t.SpinSpeed4, m.RollAgility), Ints(45, 40, 45));

    ApplyPreset(Preset::Beginner, b, s, r);
    EXPECT_EQ(t.TotalCoefficient, -30);
    ApplyPreset(Preset::Extreme3D, b, s, r);
    EXPECT_EQ(t.TotalCoefficient, 70);
    ApplyPreset(Preset::Hard3D, b, s, r);
    EXPECT_EQ(Ints(t.TotalCoefficient, m.TotalCoefficient), Ints(70, 70));
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
    EXPECT_EQ(Ints(b.Tuning.TuningByte35, b.Mirror.TotalCoefficient, b.Mirror.ServoDirCH1,
                   b.Mirror.TailLimitA),
              Ints(10, 70, -1, 70));
    // The factory tuning is F-3C with TotalCoefficient 70.
    TuningBlock f3c = PresetTuning(Preset::F3C);
    f3c.TotalCoefficient = 70;
    EXPECT_EQ(FactoryTuning(), f3c);
    EXPECT_EQ(b.Tuning, f3c);
}

}  // namespace
}  // namespace orq
