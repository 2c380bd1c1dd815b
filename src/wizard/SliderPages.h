#pragma once
// Pages with values set by a slider and an edit box: 9 "Swashplate travel", 10 "Collective
// pitch" and 11 "Tail setup". Each value follows the sliders' rule (SliderBoxes), with the file's
// copy kept as the value moves:
//   - scrolling moves the value and its key in the mirror, and sends nothing;
//   - letting go of the slider puts the value into the unit's byte and sends it;
//   - Return in the edit box reads the boxes (with the range message for a value out of range),
//     moves the slider, clamps, stores the value into the unit's byte and the mirror, sends,
//     and shows the clamped value.

#include <span>
#include <vector>

#include "framework/DataExchange.h"
#include "framework/SliderBoxes.h"
#include "wizard/SetupPage.h"

namespace orq {

// How a slider shows its value: travel limits 20..125 (position 145 - v, a tick every 15) or a
// centred value -125..125 (position -v, a tick every 50). The largest value sits at the top.
enum class SliderScale { Travel, Centred };

struct SliderValue {
    int slider;
    int edit;
    int8_t SettingsMirror::*key;
    SliderScale scale;
    const char* name;  // the caption, for screen readers
    bool skinFirst;    // the skin's slider setting before the range (else after the position)
};

class SliderPage : public SetupPage {
    Q_OBJECT
public:
    // `values` in the order the page sets its sliders up; `checkOrder` lists them (by index)
    // in the order the edit boxes are read back and checked.
    SliderPage(AppServices& services, const DialogTemplate& tmpl,
               std::span<const PagePicture> pictures, std::span<const SliderValue> values,
               std::span<const int> checkOrder, QWidget* parent);

    // The page's copy of each value, in `values` order.
    const std::vector<int>& Values() const { return values_; }

protected:
    void OnInitPage() override;
    // The pages' message maps name these for each of their sliders and boxes.
    void OnScroll(int sliderId);
    void OnRelease(int sliderId);
    void OnReturn(int editId);

private:
    // "Aileron travel 40 → 55": the value's caption, the unit's byte now and the value.
    std::string StepName(std::size_t i) const;

    std::span<const SliderValue> specs_;
    std::vector<int> values_;
    DataExchange ddx_;
    SliderBoxes boxes_;  // in `values` order
};

// Page 9, "Swashplate travel": how far the swashplate may tilt for aileron and elevator.
class CStep10 : public SliderPage {
    Q_OBJECT
public:
    CStep10(AppServices& services, QWidget* parent);

private:
    static std::span<const MessageEntry<CStep10>> GetMessageMap();
};

// Page 10, "Collective pitch": the collective's travel, its sign the direction. Two buttons
// switch between photographs of the rotor head at the start and the measured position; they
// send nothing.
class CStep11 : public SliderPage {
    Q_OBJECT
public:
    CStep11(AppServices& services, QWidget* parent);
    // 1: the start position (PNG 217); anything else: measuring (PNG 218).
    int PictureState() const { return pictureState_; }

protected:
    void PaintChosenPictures(QPainter& p) override;

private:
    static std::span<const MessageEntry<CStep11>> GetMessageMap();
    void OnMeasure();
    void OnStartPosition();
    void ShowPicture(int state);

    int pictureState_ = 1;
    std::optional<QImage> startPosition_, measure_;
};

// Page 11, "Tail setup": the tail servo's direction, trim and travel limits.
class CStep13 : public SliderPage {
    Q_OBJECT
public:
    CStep13(AppServices& services, QWidget* parent);
    int Direction() const { return direction_; }

protected:
    void OnInitPage() override;

private:
    static std::span<const MessageEntry<CStep13>> GetMessageMap();
    void OnTailDirection();
    void ShowDirection();
    int direction_;
};

}  // namespace orq
