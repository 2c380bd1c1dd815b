#pragma once
// Values each shown by an upside-down slider and an edit box, as every window with sliders has
// them (the main form's seven, the wizard's travel, collective and tail pages). The window's
// message map hands the three events here and says what to store; the sequence is the same
// everywhere:
//   - a scroll (drag, click, keys, wheel) moves the value with the thumb and writes the boxes
//     out; reading them back then raises the range message for any box holding a value outside
//     its range. Nothing is sent.
//   - letting go of the slider: the window sends the value as it stands.
//   - Return in the box reads every box back (the range message for a value out of range), moves
//     the slider, brings the value into its range, lets the window store and send it, and shows
//     the value that was sent.
//
//     boxes_.Add({IDC_PITCH_GAIN_SLIDER, IDC_PITCH_GAIN_EDIT, 10, 125, 135}, values_.PitchGain);
//     void OnSliderScroll(int id) { boxes_.Scroll(id); }
//     void OnSliderRelease(int id) { if (auto i = boxes_.Released(id)) Send(*i); }
//     void OnEditReturn(int id) { boxes_.Commit(id, [&](std::size_t i) { Send(i); }); }

#include <QPointer>

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

#include "framework/DataExchange.h"
#include "framework/DialogTemplate.h"

namespace orq {

class SliderBoxes {
public:
    struct Box {
        int slider;
        int edit;
        int min, max;
        int base;  // position = base - value, so that the largest value sits at the top
    };
    // Called with the index of the value concerned, once it holds what is to be stored.
    using Store = std::function<void(std::size_t index)>;

    // The window owns the controls, the data exchange (whose bindings, made by the window in the
    // order the boxes are checked, cover these boxes) and this.
    SliderBoxes(QWidget* window, const DialogControls& controls, DataExchange& ddx)
        : window_(window), controls_(controls), ddx_(ddx) {}

    // Returns the value's index.
    std::size_t Add(const Box& box, int& value);
    std::size_t Count() const { return boxes_.size(); }
    const Box& At(std::size_t index) const { return boxes_[index].box; }
    int Value(std::size_t index) const { return *boxes_[index].value; }

    // The slider's position follows the value (an out-of-range value puts it at the nearer end).
    void ShowOnSlider(std::size_t index);
    void ShowAllOnSliders();

    // A scroll of `sliderId`: `store` runs once the value has followed the thumb, before the
    // boxes are written and read back. False when the id is none of these sliders'.
    bool Scroll(int sliderId, const Store& store = {});
    // The slider was let go of: the index of the value to send.
    std::optional<std::size_t> Released(int sliderId) const;
    // Return in `editId`: `store` runs once the value is in its range, before the boxes show it.
    // False when the id is none of these boxes' or the window went away while a message was up;
    // nothing of the window may be touched then.
    bool Commit(int editId, const Store& store);

private:
    struct Entry {
        Box box;
        int* value;
    };
    std::optional<std::size_t> BySlider(int id) const;
    std::optional<std::size_t> ByEdit(int id) const;

    QPointer<QWidget> window_;
    const DialogControls& controls_;
    DataExchange& ddx_;
    std::vector<Entry> boxes_;
};

}  // namespace orq
