#include "wizard/SliderPages.h"

#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>

#include <algorithm>

#include "framework/DialogTemplate.h"
#include "framework/Skin.h"
#include "link/UnitHistory.h"
#include "link/UnitSession.h"
#include "widgets/PngResource.h"

namespace orq {

namespace {

constexpr SliderValue kTravel[] = {
    {IDC_STEP10_AILERON_SLIDER, IDC_STEP10_AILERON_EDIT, &SettingsMirror::AileronLimit,
     SliderScale::Travel, "Aileron travel", true},
    {IDC_STEP10_ELEVATOR_SLIDER, IDC_STEP10_ELEVATOR_EDIT, &SettingsMirror::ElevatorLimit,
     SliderScale::Travel, "Elevator travel", true},
};
constexpr int kTravelOrder[] = {0, 1};

constexpr SliderValue kCollective[] = {
    {IDC_STEP11_COLLECTIVE_SLIDER, IDC_STEP11_COLLECTIVE_EDIT, &SettingsMirror::TotalCoefficient,
     SliderScale::Centred, "Collective pitch", false},
};
constexpr int kCollectiveOrder[] = {0};

constexpr SliderValue kTail[] = {
    {IDC_STEP13_TRIM_SLIDER, IDC_STEP13_TRIM_EDIT, &SettingsMirror::TailPoint, SliderScale::Centred,
     "Servo trim", false},
    {IDC_STEP13_LIMIT_A_SLIDER, IDC_STEP13_LIMIT_A_EDIT, &SettingsMirror::TailLimitA,
     SliderScale::Travel, "Tail limit A", true},
    {IDC_STEP13_LIMIT_B_SLIDER, IDC_STEP13_LIMIT_B_EDIT, &SettingsMirror::TailLimitB,
     SliderScale::Travel, "Tail limit B", true},
};
constexpr int kTailOrder[] = {1, 2, 0};  // boxes 1120, 1121, 1119

constexpr int kTravelTicks = 15, kCentredTicks = 50;

}  // namespace

SliderPage::SliderPage(AppServices& services, const DialogTemplate& tmpl,
                       std::span<const PagePicture> pictures, std::span<const SliderValue> values,
                       std::span<const int> checkOrder, QWidget* parent)
    : SetupPage(services, tmpl, pictures, parent),
      specs_(values),
      ddx_(controls_, services.messages),
      boxes_(this, controls_, ddx_) {
    for (const SliderValue& v : specs_) values_.push_back(Mirror().*v.key);
    for (int i : checkOrder) {
        const SliderValue& v = specs_[static_cast<std::size_t>(i)];
        ddx_.Bind(v.edit, values_[static_cast<std::size_t>(i)], MirrorKeyOf(v.key).min,
                  MirrorKeyOf(v.key).max);
    }
    for (std::size_t i = 0; i < specs_.size(); ++i) {
        const SliderValue& v = specs_[i];
        const MirrorKey& key = MirrorKeyOf(v.key);
        const int base = v.scale == SliderScale::Travel ? key.min + key.max : 0;
        boxes_.Add({v.slider, v.edit, key.min, key.max, base}, values_[i]);
        const QString name = QString::fromUtf8(v.name);
        if (SliderControl* slider = controls_.Slider(v.slider)) slider->setAccessibleName(name);
        if (QLineEdit* edit = controls_.Edit(v.edit)) edit->setAccessibleName(name);
    }
}

void SliderPage::OnInitPage() {
    ddx_.WriteOut();
    for (std::size_t i = 0; i < specs_.size(); ++i) {
        const SliderValue& v = specs_[i];
        SliderControl* slider = controls_.Slider(v.slider);
        if (!slider) continue;
        const SliderBoxes::Box& box = boxes_.At(i);
        const int ticks = v.scale == SliderScale::Travel ? kTravelTicks : kCentredTicks;
        if (v.skinFirst) s_.skin.SetSlider(slider, kSkinSlider, 5, 1, 0, 0, 0);
        // A position, like the value it shows, runs from -max to -min for a centred slider.
        slider->setRange(box.base - box.max, box.base - box.min);
        slider->setTickInterval(ticks);
        boxes_.ShowOnSlider(i);
        if (!v.skinFirst) s_.skin.SetSlider(slider, kSkinSlider, 5, 1, 0, 0, 0);
    }
}

void SliderPage::OnScroll(int sliderId) {
    boxes_.Scroll(sliderId, [this](std::size_t i) {
        session_.Block().Mirror.*specs_[i].key = LowByte(values_[i]);
    });
}

std::string SliderPage::StepName(std::size_t i) const {
    const MirrorKey& key = MirrorKeyOf(specs_[i].key);
    return std::string(specs_[i].name) + " " + std::to_string(*DeviceByte(session_.Block(), key)) +
           " \u2192 " + std::to_string(LowByte(values_[i]));
}

void SliderPage::OnRelease(int sliderId) {
    if (const auto i = boxes_.Released(sliderId)) {
        UnitHistory::Change change(s_.history, StepName(*i));
        static_cast<void>(session_.SetUnitValue(specs_[*i].key, values_[*i]));
    }
}

void SliderPage::OnReturn(int editId) {
    // The file copy follows too, as it does for a slider move: a configuration file saved later
    // must hold what the unit and the page show.
    boxes_.Commit(editId, [this](std::size_t i) {
        UnitHistory::Change change(s_.history, StepName(i));
        static_cast<void>(session_.ApplyEdit(specs_[i].key, values_[i]));
    });
}

CStep10::CStep10(AppServices& services, QWidget* parent)
    : SliderPage(services, kTemplate213, kPictures213, kTravel, kTravelOrder, parent) {
    WireMessageMap(this, controls_, GetMessageMap());
}

// The pages' maps are not constexpr: their handlers are the base page's, and the compiler will
// not convert such member pointers in a constant expression.
std::span<const MessageEntry<CStep10>> CStep10::GetMessageMap() {
    using P = CStep10;
    static const MessageEntry<P> kMap[] = {
        OnVScroll<P>(IDC_STEP10_AILERON_SLIDER, &P::OnScroll),
        OnReleasedCapture<P>(IDC_STEP10_AILERON_SLIDER, &P::OnRelease),
        OnEditReturn<P>(IDC_STEP10_AILERON_EDIT, &P::OnReturn),
        OnVScroll<P>(IDC_STEP10_ELEVATOR_SLIDER, &P::OnScroll),
        OnReleasedCapture<P>(IDC_STEP10_ELEVATOR_SLIDER, &P::OnRelease),
        OnEditReturn<P>(IDC_STEP10_ELEVATOR_EDIT, &P::OnReturn),
    };
    return kMap;
}

CStep11::CStep11(AppServices& services, QWidget* parent)
    : SliderPage(services, kTemplate215, {}, kCollective, kCollectiveOrder, parent),
      startPosition_(LoadPngResource(kStartPositionPicture215.resource)),
      measure_(LoadPngResource(kMeasurePicture215.resource)) {
    WireMessageMap(this, controls_, GetMessageMap());
}

std::span<const MessageEntry<CStep11>> CStep11::GetMessageMap() {
    using P = CStep11;
    static const MessageEntry<P> kMap[] = {
        OnVScroll<P>(IDC_STEP11_COLLECTIVE_SLIDER, &P::OnScroll),
        OnReleasedCapture<P>(IDC_STEP11_COLLECTIVE_SLIDER, &P::OnRelease),
        OnEditReturn<P>(IDC_STEP11_COLLECTIVE_EDIT, &P::OnReturn),
        OnCommand(IDC_STEP11_MEASURE, &P::OnMeasure),
        OnCommand(IDC_STEP11_START_POSITION, &P::OnStartPosition),
    };
    return kMap;
}

void CStep11::OnMeasure() {
    ShowPicture(-1);
}

void CStep11::OnStartPosition() {
    ShowPicture(1);
}

void CStep11::ShowPicture(int state) {
    pictureState_ = state;
    // The picture leaving decides the area: both are the same size.
    const std::optional<QImage>& leaving = state == 1 ? measure_ : startPosition_;
    const QSize size = leaving ? leaving->deviceIndependentSize().toSize() : QSize();
    update(QRect(QPoint(kStartPositionPicture215.x, kStartPositionPicture215.y), size));
}

void CStep11::PaintChosenPictures(QPainter& p) {
    const PagePicture& at = kStartPositionPicture215;
    DrawPicture(p, pictureState_ == 1 ? startPosition_ : measure_, at.x, at.y);
}

CStep13::CStep13(AppServices& services, QWidget* parent)
    : SliderPage(services, kTemplate219, kPictures219, kTail, kTailOrder, parent),
      direction_(Mirror().ServoDirCH4) {
    WireMessageMap(this, controls_, GetMessageMap());
}

std::span<const MessageEntry<CStep13>> CStep13::GetMessageMap() {
    using P = CStep13;
    static const MessageEntry<P> kMap[] = {
        OnVScroll<P>(IDC_STEP13_TRIM_SLIDER, &P::OnScroll),
        OnReleasedCapture<P>(IDC_STEP13_TRIM_SLIDER, &P::OnRelease),
        OnEditReturn<P>(IDC_STEP13_TRIM_EDIT, &P::OnReturn),
        OnVScroll<P>(IDC_STEP13_LIMIT_A_SLIDER, &P::OnScroll),
        OnReleasedCapture<P>(IDC_STEP13_LIMIT_A_SLIDER, &P::OnRelease),
        OnEditReturn<P>(IDC_STEP13_LIMIT_A_EDIT, &P::OnReturn),
        OnVScroll<P>(IDC_STEP13_LIMIT_B_SLIDER, &P::OnScroll),
        OnReleasedCapture<P>(IDC_STEP13_LIMIT_B_SLIDER, &P::OnRelease),
        OnEditReturn<P>(IDC_STEP13_LIMIT_B_EDIT, &P::OnReturn),
        OnCommand(IDC_STEP13_TAIL_DIRECTION, &P::OnTailDirection),
    };
    return kMap;
}

void CStep13::OnTailDirection() {
    direction_ = Flipped(direction_);
    ShowDirection();
    ApplyEdit(&SettingsMirror::ServoDirCH4, direction_, "Tail servo direction");
}

void CStep13::OnInitPage() {
    SliderPage::OnInitPage();
    ShowDirection();
}

void CStep13::ShowDirection() {
    if (QPushButton* b = controls_.Button(IDC_STEP13_TAIL_DIRECTION))
        b->setText(direction_ == 1 ? QStringLiteral("Tail servo(Normal)")
                                   : QStringLiteral("Tail servo(Reverse)"));
}

}  // namespace orq
