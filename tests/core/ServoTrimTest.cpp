#include "protocol/ServoTrim.h"

#include <gtest/gtest.h>

namespace orq {
namespace {

using Trims = std::array<int, 3>;
constexpr Trims kNormal = {1, 1, 1};
constexpr int k120 = 2, k90 = 5, kMechanical = 1;

TEST(ServoTrim, ChannelStepsFollowTheServoDirectionAndStopAt124) {
    ServoTrim t({0, 0, 0});
    for (int i = 0; i < 130; ++i) t.Channel(0, +1, 1);
    t.Channel(1, +1, -1);  // a reversed servo: up lowers the trim
    t.Channel(2, +1, 0);   // no direction: nothing moves
    EXPECT_EQ(t.Trims(), (Trims{124, -1, 0}));
    for (int i = 0; i < 300; ++i) t.Channel(1, -1, 1);
    EXPECT_EQ(t.Trims()[1], -124);
    // A unit may report trims beyond the limit: a channel button leaves the others as they are.
    ServoTrim reported({0, 126, -128});
    reported.Channel(0, +1, 1);
    EXPECT_EQ(reported.Trims(), (Trims{1, 126, -128}));
}

TEST(ServoTrim, CcpmMixesTheThreeInputsInSinglePrecision) {
    struct Case {
        int type;
        SwashAxis axis;
        int step;
        Trims want;
    };
    const Case cases[] = {
        {k120, SwashAxis::Collective, +5, {5, 5, 5}},
        {k120, SwashAxis::Aileron, +1, {-1, 1, 0}},   // trunc(-1.09375)
        {k120, SwashAxis::Elevator, +5, {3, 3, -6}},  // trunc(3.125), trunc(-6.25)
        {k90, SwashAxis::Elevator, +1, {0, 0, -1}},   // the side servos take no elevator
        {4, SwashAxis::Elevator, +1, {0, 0, -1}},     // 0.969 and -1.266
        {3, SwashAxis::Aileron, -5, {4, -4, 0}},      // -+4.375
    };
    for (const Case& c : cases) {
        ServoTrim t({9, 9, 9});  // replaced: a swash step recomputes all three
        EXPECT_TRUE(t.Swash(c.axis, c.step, c.type, kNormal));
        EXPECT_EQ(t.Trims(), c.want) << c.type << " " << int(c.axis);
    }
    ServoTrim reversed({0, 0, 0});
    reversed.Swash(SwashAxis::Collective, +5, k120, {1, -1, 1});
    EXPECT_EQ(reversed.Trims(), (Trims{5, -5, 5}));
}

TEST(ServoTrim, InputsAreNotLimitedWhileTheTrimsAre) {
    ServoTrim t({0, 0, 0});
    for (int i = 0; i < 30; ++i) t.Swash(SwashAxis::Collective, +5, k120, kNormal);
    EXPECT_EQ(t.Input(SwashAxis::Collective), 150.0f);
    EXPECT_EQ(t.Trims(), (Trims{124, 124, 124}));
    for (int i = 0; i < 5; ++i) t.Swash(SwashAxis::Collective, -5, k120, kNormal);
    EXPECT_EQ(t.Trims(), (Trims{124, 124, 124}));  // 125 still beyond the limit
    t.Swash(SwashAxis::Collective, -5, k120, kNormal);
    EXPECT_EQ(t.Trims(), (Trims{120, 120, 120}));
    // A channel step in between is discarded by the next swash step.
    t.Channel(0, +1, 1);
    EXPECT_EQ(t.Trims()[0], 121);
    t.Swash(SwashAxis::Aileron, +1, k120, kNormal);
    EXPECT_EQ(t.Trims(), (Trims{118, 121, 120}));  // trunc(120 -+ 1.09375)
    t.Clean();
    EXPECT_EQ(t.Trims(), (Trims{0, 0, 0}));
    EXPECT_EQ(t.Input(SwashAxis::Collective), 0.0f);
}

TEST(ServoTrim, MechanicalMixerMovesOneServoAndUnknownTypesNothing) {
    ServoTrim t({10, 20, 30});
    t.Swash(SwashAxis::Aileron, +5, kMechanical, {-1, 1, 1});
    t.Swash(SwashAxis::Elevator, -1, kMechanical, kNormal);
    t.Swash(SwashAxis::Collective, +1, kMechanical, kNormal);
    EXPECT_EQ(t.Trims(), (Trims{5, 19, 31}));
    EXPECT_EQ(t.Input(SwashAxis::Aileron), 0.0f);
    // A swash button brings all three within the limit, the two it does not move too.
    ServoTrim reported({0, 126, -128});
    reported.Swash(SwashAxis::Aileron, +1, kMechanical, kNormal);
    EXPECT_EQ(reported.Trims(), (Trims{1, 124, -124}));
    // A unit never set up (type 0): the user's trims stay, and the step says nothing changed.
    EXPECT_FALSE(t.Swash(SwashAxis::Collective, +5, 0, kNormal));
    EXPECT_EQ(t.Trims(), (Trims{5, 19, 31}));
}

}  // namespace
}  // namespace orq
