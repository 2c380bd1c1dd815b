#pragma once
// The way back from what the program sent to the unit. Every change a window sends is one step
// that remembers the set before it and after it; Undo sends the whole set as it was before the
// newest step, Redo the set after the step undone last. The steps belong to the connection they
// were sent on: a new connection starts with none, and nothing is undone while no unit is
// connected.
//
//     {
//         orq::UnitHistory::Change change(history, "preset 3D Hard");
//         ApplyPreset(...);                 // the image changes
//         session.SendParameters();         // one or more writes
//     }                                     // one step, if the unit now holds another set
//     history.Undo();                       // the set before it goes out again
//
// A change names itself; what the menu shows is "Undo " and that name. A change that sent the
// set the unit already had, or sent nothing because no unit was there, leaves no step.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "protocol/ParameterBlock.h"

namespace orq {

class UnitSession;

class UnitHistory {
public:
    struct Step {
        unsigned id;       // rises with every step this history keeps; never reused
        std::string name;  // "PitchGain 40 → 55", "preset 3D Hard"
        ParameterBlock before, after;
    };

    explicit UnitHistory(UnitSession& session) : session_(session) {}
    UnitHistory(const UnitHistory&) = delete;
    UnitHistory& operator=(const UnitHistory&) = delete;

    // One change as the user makes it: whatever goes to the unit between its start and End is
    // one step. With `withValues` the name is followed by what changed ("Advance Menu RollGainP
    // 10 → 20" for one or two bytes, "Advance Menu 5 values" for more).
    class Change {
    public:
        Change(UnitHistory& history, std::string name, bool withValues = false);
        ~Change() { End(); }
        Change(const Change&) = delete;
        Change& operator=(const Change&) = delete;
        // Ends the change now; the step it left, if any.
        const Step* End();

    private:
        UnitHistory* history_;
        std::string name_;
        bool withValues_;
        bool connected_;
        ParameterBlock before_;
        const Step* kept_ = nullptr;
    };

    // The step Undo would take back, and the one Redo would send again; nullptr when there is
    // none. They are there whether or not a unit is connected.
    const Step* NextUndo() const { return undo_.empty() ? nullptr : &undo_.back(); }
    const Step* NextRedo() const { return redo_.empty() ? nullptr : &redo_.back(); }
    bool CanUndo() const { return NextUndo() && UnitHere(); }
    bool CanRedo() const { return NextRedo() && UnitHere(); }

    // Puts the set before the newest step into the image (the device bytes and the keys the
    // step changed) and sends it; the step moves to the redo side. Nothing changes, and false
    // comes back, when there is no step, no unit, or the write did not go out whole.
    bool Undo();
    // The same the other way: the set after the step undone last.
    bool Redo();
    // A new connection: the steps of the last one go.
    void Clear();

    // Hears of every change to the steps (kept, undone, redone, cleared).
    void SetListener(std::function<void()> changed) { changed_ = std::move(changed); }

    // What changed between two sets as the unit has them: "PitchGain 40 → 55", two such, or
    // "5 values"; empty when nothing the unit is sent differs.
    static std::string Describe(const ParameterBlock& before, const ParameterBlock& after);
    // Whether the unit would be sent anything different.
    static bool UnitDiffers(const ParameterBlock& a, const ParameterBlock& b);

private:
    bool UnitHere() const;
    const Step* Keep(std::string name, const ParameterBlock& before);
    // Moves the image from `from` to `to` and sends it; on a failed write the image goes back.
    bool Apply(const ParameterBlock& from, const ParameterBlock& to);
    void Changed() const {
        if (changed_) changed_();
    }

    UnitSession& session_;
    std::vector<Step> undo_, redo_;
    unsigned nextId_ = 1;
    std::function<void()> changed_;
};

}  // namespace orq
