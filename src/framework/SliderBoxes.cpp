#include "framework/SliderBoxes.h"

#include <algorithm>

namespace orq {

std::size_t SliderBoxes::Add(const Box& box, int& value) {
    if (SliderControl* slider = controls_.Slider(box.slider)) slider->SetValueBase(box.base);
    boxes_.push_back({box, &value});
    return boxes_.size() - 1;
}

std::optional<std::size_t> SliderBoxes::BySlider(int id) const {
    for (std::size_t i = 0; i < boxes_.size(); ++i)
        if (boxes_[i].box.slider == id) return i;
    return std::nullopt;
}

std::optional<std::size_t> SliderBoxes::ByEdit(int id) const {
    for (std::size_t i = 0; i < boxes_.size(); ++i)
        if (boxes_[i].box.edit == id) return i;
    return std::nullopt;
}

void SliderBoxes::ShowOnSlider(std::size_t index) {
    const Entry& e = boxes_[index];
    if (SliderControl* slider = controls_.Slider(e.box.slider))
        slider->SetPos(e.box.base - *e.value);
}

void SliderBoxes::ShowAllOnSliders() {
    for (std::size_t i = 0; i < boxes_.size(); ++i) ShowOnSlider(i);
}

bool SliderBoxes::Scroll(int sliderId, const Store& store) {
    const auto i = BySlider(sliderId);
    SliderControl* slider = i ? controls_.Slider(sliderId) : nullptr;
    if (!slider) return false;
    *boxes_[*i].value = boxes_[*i].box.base - slider->value();
    if (store) store(*i);
    ddx_.WriteOut();
    ddx_.ReadBack();  // last: the window may be gone once a message box has been up
    return true;
}

std::optional<std::size_t> SliderBoxes::Released(int sliderId) const {
    return BySlider(sliderId);
}

bool SliderBoxes::Commit(int editId, const Store& store) {
    const auto i = ByEdit(editId);
    if (!i) return false;
    const QPointer<QWidget> alive(window_);
    // A faulty box has had its message; the value is brought into range below anyway.
    ddx_.ReadBack();
    if (!alive) return false;
    ShowOnSlider(*i);
    const Box& box = boxes_[*i].box;
    int& value = *boxes_[*i].value;
    value = std::clamp(value, box.min, box.max);
    store(*i);
    ddx_.WriteOut();
    return true;
}

}  // namespace orq
