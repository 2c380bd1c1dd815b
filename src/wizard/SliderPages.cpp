#include "wizard/SliderPages.h"

#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>

#include <algorithm>

#include "framework/DialogTemplate.h"
#include "framework/ReturnCommits.h"
#include "framework/Skin.h"
#include "protocol/LinkFrame.h"
#include "serial/SerialPort.h"
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
      returns_(new ReturnCommits([this](int editId) { OnReturn(editId); }, this)) {
    for (const SliderValue& v : specs_) values_.push_back(services.block.Mirror.*v.key);
    for (int i : checkOrder) {
        const SliderValue& v = specs_[static_cast<std::size_t>(i)];
        ddx_.Bind(v.edit, values_[static_cast<std::size_t>(i)], MirrorKeyOf(v.key).min,
                  MirrorKeyOf(v.key).max);
    }
    for (std::size_t i = 0; i < specs_.size(); ++i) {
        const int index = static_cast<int>(i);
        const QString name = QString::fromUtf8(specs_[i].name);
        if (SliderControl* slider = controls_.Slider(specs_[i].slider)) {
            slider->setAccessibleName(name);
            connect(slider, &SliderControl::scrolled, this, [this, index] { OnScroll(index); });
            connect(slider, &SliderControl::releasedCapture, this,
                    [this, index] { OnRelease(index); });
        }
        if (QLineEdit* edit = controls_.Edit(specs_[i].edit)) {
            edit->setAccessibleName(name);
            returns_->Watch(edit);
        }
    }
}

int SliderPage::Base(const SliderValue& v) const {
    return v.scale == SliderScale::Travel ? MirrorKeyOf(v.key).min + MirrorKeyOf(v.key).max : 0;
}

int SliderPage::PositionFor(const SliderValue& v, int value) const {
    return Base(v) - value;
}

void SliderPage::OnInitPage() {
    ddx_.WriteOut();
    for (std::size_t i = 0; i < specs_.size(); ++i) {
        const SliderValue& v = specs_[i];
        SliderControl* slider = controls_.Slider(v.slider);
        if (!slider) continue;
        const MirrorKey& key = MirrorKeyOf(v.key);
        const int ticks = v.scale == SliderScale::Travel ? kTravelTicks : kCentredTicks;
        if (v.skinFirst) s_.skin.SetSlider(slider, kSkinSlider, 5, 1, 0, 0, 0);
        // A position, like the value it shows, runs from -max to -min for a centred slider.
        slider->setRange(PositionFor(v, key.max), PositionFor(v, key.min));
        slider->setTickInterval(ticks);
        slider->SetPos(PositionFor(v, values_[i]));
        if (!v.skinFirst) s_.skin.SetSlider(slider, kSkinSlider, 5, 1, 0, 0, 0);
    }
}

int SliderPage::IndexOfSlider(int id) const {
    for (std::size_t i = 0; i < specs_.size(); ++i)
        if (specs_[i].slider == id) return static_cast<int>(i);
    return -1;
}

int SliderPage::IndexOfEdit(int id) const {
    for (std::size_t i = 0; i < specs_.size(); ++i)
        if (specs_[i].edit == id) return static_cast<int>(i);
    return -1;
}

void SliderPage::OnScroll(int index) {
    const SliderValue& v = specs_[static_cast<std::size_t>(index)];
    int& value = values_[static_cast<std::size_t>(index)];
    value = Base(v) - controls_.Slider(v.slider)->value();
    s_.block.Mirror.*v.key = LowByte(value);
    ddx_.WriteOut();
    ddx_.ReadBack();  // last: the page may be gone once a message box has been up
}

void SliderPage::StoreDevice(int index) {
    const SliderValue& v = specs_[static_cast<std::size_t>(index)];
    *DeviceByte(s_.block, MirrorKeyOf(v.key)) = LowByte(values_[static_cast<std::size_t>(index)]);
}

void SliderPage::OnRelease(int index) {
    StoreDevice(index);
    SendParameters(s_.link, s_.block, s_.port);
}

void SliderPage::OnReturn(int editId) {
    const int index = IndexOfEdit(editId);
    if (index < 0) return;
    const QPointer<SliderPage> alive(this);
    ddx_.ReadBack();  // a faulty box has had its message; the value is clamped below anyway
    if (!alive) return;
    const SliderValue& v = specs_[static_cast<std::size_t>(index)];
    int& value = values_[static_cast<std::size_t>(index)];
    if (SliderControl* slider = controls_.Slider(v.slider)) slider->SetPos(PositionFor(v, value));
    value = std::clamp(value, MirrorKeyOf(v.key).min, MirrorKeyOf(v.key).max);
    StoreDevice(index);
    // The file copy follows too, as it does for a slider move: a configuration file saved later
    // must hold what the unit and the page show.
    s_.block.Mirror.*v.key = LowByte(value);
    SendParameters(s_.link, s_.block, s_.port);
    ddx_.WriteOut();
}

CStep10::CStep10(AppServices& services, QWidget* parent)
    : SliderPage(services, kTemplate213, kPictures213, kTravel, kTravelOrder, parent) {}

CStep11::CStep11(AppServices& services, QWidget* parent)
    : SliderPage(services, kTemplate215, {}, kCollective, kCollectiveOrder, parent),
      startPosition_(LoadPngResource(kStartPositionPicture215.resource)),
      measure_(LoadPngResource(kMeasurePicture215.resource)) {
    if (QPushButton* b = controls_.Button(IDC_STEP11_MEASURE))
        connect(b, &QPushButton::clicked, this, [this] { ShowPicture(-1); });
    if (QPushButton* b = controls_.Button(IDC_STEP11_START_POSITION))
        connect(b, &QPushButton::clicked, this, [this] { ShowPicture(1); });
}

void CStep11::ShowPicture(int state) {
    pictureState_ = state;
    // The picture leaving decides the area: both are the same size.
    const std::optional<QImage>& leaving = state == 1 ? measure_ : startPosition_;
    const QSize size = leaving ? leaving->size() : QSize();
    update(QRect(QPoint(kStartPositionPicture215.x, kStartPositionPicture215.y), size));
}

void CStep11::PaintChosenPictures(QPainter& p) {
    const PagePicture& at = kStartPositionPicture215;
    DrawPicture(p, pictureState_ == 1 ? startPosition_ : measure_, at.x, at.y);
}

CStep13::CStep13(AppServices& services, QWidget* parent)
    : SliderPage(services, kTemplate219, kPictures219, kTail, kTailOrder, parent),
      direction_(services.block.Mirror.ServoDirCH4) {
    if (QPushButton* b = controls_.Button(IDC_STEP13_TAIL_DIRECTION))
        connect(b, &QPushButton::clicked, this, [this] {
            direction_ = Flipped(direction_);
            ShowDirection();
            ApplyEdit(&SettingsMirror::ServoDirCH4, direction_);
        });
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
