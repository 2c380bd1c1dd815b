#include "protocol/ParameterBlock.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace orq {
namespace {

TEST(ParameterBlock, StartsWithZeroDeviceImageAndInitialMirror) {
    ParameterBlock b;
    for (int8_t v : b.Setup.bytes()) EXPECT_EQ(v, 0);
    for (int8_t v : b.Tuning.bytes()) EXPECT_EQ(v, 0);
    const SettingsMirror& m = b.Mirror;
    EXPECT_EQ(m.TailLimitA, 20);
    EXPECT_EQ(m.ElevatorLimit, 20);
    EXPECT_EQ(m.Acc6, 7);
    EXPECT_EQ(m.DeadBand4, 0);
    EXPECT_EQ(m.TailGainP, 10);
    EXPECT_EQ(m.SpinSpeed4, 15);
    EXPECT_EQ(m.OptimizationDir, 1);
    EXPECT_EQ(m.ServoDirCH3, 1);
    EXPECT_EQ(m.ServoDirCH4, 0);
    EXPECT_EQ(m.PitchAgility, 0);
    EXPECT_EQ(SliderValues{}, (SliderValues{15, 10, 15, 10, 15, 15, 10}));
}

TEST(ParameterBlock, KeyTableIsTheFileOrderAndCoversEveryMirrorByte) {
    const auto keys = MirrorKeys();
    ASSERT_EQ(keys.size(), sizeof(SettingsMirror));
    std::set<std::string> names;
    SettingsMirror m;
    int8_t* base = &m.DefaulParameters;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        names.insert(std::string(keys[i].key));
        // Table order is memory order, so a section is one run in the struct too.
        EXPECT_EQ(&(m.*keys[i].field), base + i) << keys[i].key;
    }
    EXPECT_EQ(names.size(), keys.size());
    EXPECT_EQ(keys[0].key, "DefaulParameters");
    EXPECT_FALSE(keys[0].written);
    EXPECT_EQ(keys[7].key, "YawGain");
    EXPECT_EQ(keys[8].section, "section2");
    EXPECT_EQ(keys[8].key, "FixMode");
    EXPECT_EQ(keys[27].key, "OptimizationDir");
    EXPECT_EQ(keys[28].section, "section3");
    EXPECT_EQ(keys[28].key, "Acc1");
    EXPECT_EQ(keys[52].key, "TailGainP");
    EXPECT_EQ(&m.section3()[0], &m.Acc1);
    EXPECT_EQ(&m.section3()[24], &m.TailGainP);
}

ParameterBlock Distinct() {
    ParameterBlock b;
    for (std::size_t i = 0; i < SetupBlock::kSize; ++i) b.Setup.bytes()[i] = int8_t(i + 1);
    for (std::size_t i = 0; i < TuningBlock::kSize; ++i) b.Tuning.bytes()[i] = int8_t(50 + i);
    b.Setup.ServoDirCH1 = -1;
    return b;
}

TEST(ParameterBlock, MirrorFromDeviceFollowsTheDeviceImage) {
    ParameterBlock b = Distinct();
    b.Mirror.DefaulParameters = 9;
    SliderValues s;
    MirrorFromDevice(b, s);
    const TuningBlock& t = b.Tuning;
    EXPECT_EQ(s, (SliderValues{t.SpinSpeed1, t.PitchGain, t.SpinSpeed2, t.RollGain, t.SpinSpeed3,
                               t.SpinSpeed4, t.YawGain}));
    const SettingsMirror& m = b.Mirror;
    EXPECT_EQ(m.DefaulParameters, 9);
    EXPECT_EQ(m.PitchAgility, t.SpinSpeed1);
    EXPECT_EQ(m.YawRight, t.SpinSpeed4);
    EXPECT_EQ(m.SpinSpeed1, t.SpinSpeed1);
    EXPECT_EQ(m.SpinSpeed3, t.SpinSpeed3);
    EXPECT_EQ(m.ServoDirCH1, -1);
    EXPECT_EQ(m.OptimizationDir, b.Setup.OptimizationDir);
    EXPECT_EQ(m.TotalCoefficient, t.TotalCoefficient);
    EXPECT_EQ(m.Acc3, t.Acc3);
    EXPECT_EQ(m.DeadBand3, t.DeadBand3);
    EXPECT_EQ(m.TailGainP, t.TailGainP);
}

TEST(ParameterBlock, DeviceFromMirrorTakesSpinSpeedsNotSliderNames) {
    ParameterBlock b = Distinct();
    const ParameterBlock before = b;
    SliderValues s;
    MirrorFromDevice(b, s);
    // Round trip through the mirror changes no named byte.
    DeviceFromMirror(b);
    EXPECT_EQ(b.Setup, before.Setup);
    EXPECT_EQ(b.Tuning, before.Tuning);

    b.Mirror.PitchAgility = 50;
    b.Mirror.SpinSpeed1 = 22;
    b.Mirror.RollAgility = 51;
    b.Mirror.SpinSpeed2 = 23;
    b.Mirror.YawAgility = 52;
    b.Mirror.SpinSpeed3 = 24;
    b.Mirror.YawRight = 53;
    b.Mirror.SpinSpeed4 = 25;
    b.Mirror.YawGain = 99;
    b.Mirror.ServoDirCH4 = -1;
    b.Setup.DeviceState = 5;
    b.Tuning.TuningByte11 = 66;
    DeviceFromMirror(b);
    EXPECT_EQ(b.Tuning.SpinSpeed1, 22);
    EXPECT_EQ(b.Tuning.SpinSpeed2, 23);
    EXPECT_EQ(b.Tuning.SpinSpeed3, 24);
    EXPECT_EQ(b.Tuning.SpinSpeed4, 25);
    EXPECT_EQ(b.Tuning.YawGain, 99);
    EXPECT_EQ(b.Setup.ServoDirCH4, -1);
    EXPECT_EQ(b.Setup.DeviceState, 5);      // the unit's own
    EXPECT_EQ(b.Tuning.TuningByte11, 66);   // unnamed bytes keep their values
}

}  // namespace
}  // namespace orq
