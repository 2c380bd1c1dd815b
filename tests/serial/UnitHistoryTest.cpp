// Undo and Redo against a simulated unit: what the unit holds after each, read from the unit.

#include <gtest/gtest.h>

#include "link/SerialLoop.h"
#include "link/UnitHistory.h"
#include "link/UnitSession.h"
#include "serial/PortList.h"
#include "sim/SimUnit.h"

namespace orq {
namespace {

using namespace std::chrono_literals;

class UnitHistoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(sim.Start(error)) << error;
        ASSERT_EQ(loop.Search(PortsFromList(sim.DevicePath())), ScanEnd::Connected);
    }
    // The edit rule as the windows follow it, inside one change: `sends` writes of one set.
    const UnitHistory::Step* Edit(int8_t SettingsMirror::*key, int value, std::string name = {},
                                  int sends = 1) {
        UnitHistory::Change change(history, std::move(name));
        for (int i = 0; i < sends; ++i) static_cast<void>(session.ApplyEdit(key, value));
        return change.End();
    }
    // Waits until the unit holds `value` in the byte of `key`.
    bool UnitHolds(int8_t SettingsMirror::*key, int value) {
        return loop.WaitFor(
            [&] {
                ParameterBlock held;
                const UnitImage image = sim.Image();
                held.Setup = image.Setup;
                held.Tuning = image.Tuning;
                return *DeviceByte(held, MirrorKeyOf(key)) == value;
            },
            2s);
    }

    SimUnit sim{[] {
        SimOptions o;
        o.image = FactoryImage();
        return o;
    }()};
    UnitSession session;
    SerialLoop loop{session};
    UnitHistory history{session};
};

// Return sends one set twice: still one step. Undo sends the set before it and puts back the key
// it changed, not a key changed since without a send (a file opened, say); Redo goes forward.
TEST_F(UnitHistoryTest, UndoAndRedoSendTheWholeSetBeforeAndAfterAStep) {
    const int gain = session.Block().Tuning.PitchGain;
    ASSERT_NE(Edit(&SettingsMirror::PitchGain, 55, {}, 2), nullptr);
    EXPECT_EQ(history.NextUndo()->name, "PitchGain " + std::to_string(gain) + " \u2192 55");
    ASSERT_TRUE(UnitHolds(&SettingsMirror::PitchGain, 55));
    ASSERT_NE(Edit(&SettingsMirror::ServoDirCH2, -1, "Servo reverse CH2"), nullptr);
    session.Block().Mirror.Acc1 = 99;  // not sent: no step of its own

    const uint8_t sequence = session.Link().SequenceCounter;
    ASSERT_TRUE(history.Undo());
    EXPECT_EQ(session.Link().SequenceCounter, uint8_t(sequence + 1));  // one write
    EXPECT_TRUE(UnitHolds(&SettingsMirror::ServoDirCH2, 1));
    EXPECT_EQ(session.Block().Mirror.ServoDirCH2, 1);
    EXPECT_EQ(session.Block().Mirror.Acc1, 99);
    EXPECT_EQ(history.NextRedo()->name, "Servo reverse CH2");
    ASSERT_TRUE(history.Undo());
    EXPECT_TRUE(UnitHolds(&SettingsMirror::PitchGain, gain));
    EXPECT_FALSE(history.Undo());  // nothing left
    ASSERT_TRUE(history.Redo());
    EXPECT_TRUE(UnitHolds(&SettingsMirror::PitchGain, 55));
    EXPECT_EQ(session.Block().Mirror.PitchGain, 55);
    // A new change after an Undo: what was undone cannot come back.
    ASSERT_NE(Edit(&SettingsMirror::RollGain, 77, "Roll"), nullptr);
    EXPECT_EQ(history.NextRedo(), nullptr);
    EXPECT_EQ(history.NextUndo()->before.Tuning.PitchGain, 55);
}

TEST_F(UnitHistoryTest, NoStepWithoutAChangeOnTheUnitAndNoUndoWithoutTheUnit) {
    const int8_t gain = session.Block().Tuning.RollGain;
    EXPECT_EQ(Edit(&SettingsMirror::RollGain, gain), nullptr);  // the unit had it already
    {
        UnitHistory::Change change(history, "Advance Menu", true);
        session.Block().Tuning.RollGainP = 20;
        session.Block().Setup.DeviceState = 9;  // the unit's own byte: never sent
        static_cast<void>(session.SendParameters());
        ASSERT_NE(change.End(), nullptr);
    }
    EXPECT_EQ(history.NextUndo()->name,
              "Advance Menu RollGainP " +
                  std::to_string(history.NextUndo()->before.Tuning.RollGainP) + " \u2192 20");
    {
        UnitHistory::Change change(history, "preset", true);
        for (int8_t& b : session.Block().Tuning.bytes()) b = static_cast<int8_t>(b + 1);
        static_cast<void>(session.SendParameters());
    }
    EXPECT_EQ(history.NextUndo()->name, "preset 46 values");

    // Gone: the steps stay, but nothing is sent or changed.
    session.Close();
    const ParameterBlock image = session.Block();
    EXPECT_FALSE(history.CanUndo());
    EXPECT_FALSE(history.Undo());
    EXPECT_TRUE(session.Block().Tuning == image.Tuning);
    EXPECT_EQ(Edit(&SettingsMirror::YawGain, 33), nullptr);  // sent nowhere: no step
    int heard = 0;
    history.SetListener([&] { ++heard; });
    history.Clear();
    EXPECT_EQ(history.NextUndo(), nullptr);
    EXPECT_EQ(heard, 1);
}

}  // namespace
}  // namespace orq
