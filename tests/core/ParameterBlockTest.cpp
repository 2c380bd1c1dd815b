#include "protocol/ParameterBlock.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace orq {
namespace {

template <class... T>
std::vector<int> Ints(T... v) {
    return {int(v)...};
}

TEST(ParameterBlock, KeyTableCoversEveryMirrorByteInMemoryOrder) {
    const auto keys = MirrorKeys();
    ASSERT_EQ(keys.size(), sizeof(SettingsMirror));
    std::set<std::string_view> names;
    SettingsMirror m;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        names.insert(keys[i].key);
        // Table order is memory order, so a section is one run in the struct too.
        EXPECT_EQ(&(m.*keys[i].field), &m.DefaulParameters + i) << keys[i].key;
        EXPECT_EQ(keys[i].written, i != 0) << keys[i].key;
    }
    EXPECT_EQ(names.size(), keys.size());
    EXPECT_EQ(&m.section3()[0], &m.Acc1);
    EXPECT_EQ(&m.section3()[24], &m.TailGainP);
}

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
                   m.ServoDirCH1, m.OptimizationDir, m.TotalCoefficient, m.Acc3, m.DeadBand3, m.TailGainP),
              Ints(9, t.SpinSpeed1, t.SpinSpeed4, t.SpinSpeed1, t.SpinSpeed3, -1, u.OptimizationDir,
                   t.TotalCoefficient, t.Acc3, t.DeadBand3, t.TailGainP));
    DeviceFromMirror(b);  // the round trip changes no byte
    EXPECT_EQ(b.Setup, before.Setup);
    EXPECT_EQ(b.Tuning, before.Tuning);

    // Each spin speed has a second name on the slider side; the spin speed is what travels.
    SettingsMirror& w = b.Mirror;
    std::tie(w.PitchAgility, w.SpinSpeed1, w.RollAgility, w.SpinSpeed2) = std::tuple(50, 22, 51, 23);
    std::tie(w.YawAgility, w.SpinSpeed3, w.YawRight, w.SpinSpeed4) = std::tuple(52, 24, 53, 25);
    std::tie(w.YawGain, w.ServoDirCH4, b.Setup.DeviceState, b.Tuning.TuningByte11) = std::tuple(99, -1, 5, 66);
    DeviceFromMirror(b);
    const TuningBlock& d = b.Tuning;
    EXPECT_EQ(Ints(d.SpinSpeed1, d.SpinSpeed2, d.SpinSpeed3, d.SpinSpeed4, d.YawGain, b.Setup.ServoDirCH4),
              Ints(22, 23, 24, 25, 99, -1));
    // DeviceState is the unit's own; unnamed bytes keep their values.
    EXPECT_EQ(Ints(b.Setup.DeviceState, d.TuningByte11), Ints(5, 66));
}

}  // namespace
}  // namespace orq
