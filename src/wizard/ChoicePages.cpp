#include "wizard/ChoicePages.h"

#include <QPointer>

#include "framework/Services.h"
#include "widgets/PngButton.h"

namespace orq {

namespace {

constexpr Choice kDirections[] = {
    {IDC_STEP4_DIRECTION1, 1, 187, "Installation direction 1"},
    {IDC_STEP4_DIRECTION2, 2, 188, "Installation direction 2"},
    {IDC_STEP4_DIRECTION3, 3, 189, "Installation direction 3"},
};

constexpr Choice kServoTypes[] = {
    {IDC_STEP6_SERVO_TYPE0, 0, 231, "All the tail and swashplate servos are 1520us analog"},
    {IDC_STEP6_SERVO_TYPE1, 1, 232,
     "Tail servo is 1520us digital, swashplate servos are 1520us analog"},
    {IDC_STEP6_SERVO_TYPE2, 2, 233,
     "Tail servo is 1520us digital, swashplate servos are 1520us digital"},
    {IDC_STEP6_SERVO_TYPE3, 3, 234,
     "Tail servo is 760us digital, swashplate servos are 1520us analog"},
    {IDC_STEP6_SERVO_TYPE4, 4, 235,
     "Tail servo is 760us digital, swashplate servos are 1520us digital"},
    {IDC_STEP6_SERVO_TYPE5, 5, 236,
     "Tail servo is 960us digital, swashplate servos are 1520us digital"},
};

// The template texts ("MIX", "120CCPM", ...) name these buttons already.
constexpr Choice kSwashTypes[] = {
    {IDC_STEP7_MIX, 1, 191, nullptr},     {IDC_STEP7_CCPM120, 2, 192, nullptr},
    {IDC_STEP7_CCPM135, 3, 193, nullptr}, {IDC_STEP7_CCPM140, 4, 194, nullptr},
    {IDC_STEP7_CCPM90, 5, 195, nullptr},
};

}  // namespace

void SelectionGroup::Add(CPngButton* button, int value) {
    if (button) buttons_.emplace_back(button, value);
}

void SelectionGroup::Mark(int value) {
    const bool known = std::any_of(buttons_.begin(), buttons_.end(),
                                   [value](const auto& b) { return b.second == value; });
    if (!known) return;
    for (const auto& [button, v] : buttons_) button->SetSelected(v == value);
}

std::optional<int> SelectionGroup::ValueOf(const CPngButton* button) const {
    for (const auto& [b, v] : buttons_)
        if (b == button) return v;
    return std::nullopt;
}

ChoicePage::ChoicePage(AppServices& services, const DialogTemplate& tmpl,
                       std::span<const PagePicture> pictures, std::span<const Choice> choices,
                       int8_t SettingsMirror::*key, QWidget* parent)
    : SetupPage(services, tmpl, pictures, parent),
      choices_(choices),
      key_(key),
      value_(Mirror().*key) {
    for (const Choice& c : choices_) {
        auto* button = controls_.Control<CPngButton>(c.id);
        if (!button) continue;
        if (c.name) button->setAccessibleName(QString::fromUtf8(c.name));
        group_.Add(button, c.value);
    }
}

void ChoicePage::OnInitPage() {
    for (const Choice& c : choices_)
        if (auto* button = controls_.Control<CPngButton>(c.id)) button->SetImage(c.image);
    group_.Mark(value_);
}

void ChoicePage::OnClick(int id) {
    const auto value = group_.ValueOf(controls_.Control<CPngButton>(id));
    if (!value) return;
    const QPointer<ChoicePage> alive(this);
    BeforeChoice(*value);
    if (!alive) return;
    value_ = *value;
    group_.Mark(value_);
    // The step is called after the picture chosen, where it has a name.
    const CPngButton* chosen = controls_.Control<CPngButton>(id);
    ApplyEdit(key_, value_, chosen ? chosen->accessibleName().toStdString() : std::string());
}

CStep4::CStep4(AppServices& services, QWidget* parent)
    : ChoicePage(services, kTemplate175, {}, kDirections, &SettingsMirror::FixMode, parent) {
    WireMessageMap(this, controls_, GetMessageMap());
}

// The pages' maps are not constexpr: their handlers are the base page's, and the compiler will
// not convert such member pointers in a constant expression.
std::span<const MessageEntry<CStep4>> CStep4::GetMessageMap() {
    using P = CStep4;
    static const MessageEntry<P> kMap[] = {
        OnCommand<P>(IDC_STEP4_DIRECTION1, &P::OnClick),
        OnCommand<P>(IDC_STEP4_DIRECTION2, &P::OnClick),
        OnCommand<P>(IDC_STEP4_DIRECTION3, &P::OnClick),
    };
    return kMap;
}

void CStep4::BeforeChoice(int value) {
    s_.messages.Show(this, QStringLiteral("Direction %1").arg(value));
}

CStep6::CStep6(AppServices& services, QWidget* parent)
    : ChoicePage(services, kTemplate177, kPictures177, kServoTypes, &SettingsMirror::ServoType,
                 parent) {
    WireMessageMap(this, controls_, GetMessageMap());
}

std::span<const MessageEntry<CStep6>> CStep6::GetMessageMap() {
    using P = CStep6;
    static const MessageEntry<P> kMap[] = {
        OnCommand<P>(IDC_STEP6_SERVO_TYPE0, &P::OnClick),
        OnCommand<P>(IDC_STEP6_SERVO_TYPE1, &P::OnClick),
        OnCommand<P>(IDC_STEP6_SERVO_TYPE2, &P::OnClick),
        OnCommand<P>(IDC_STEP6_SERVO_TYPE3, &P::OnClick),
        OnCommand<P>(IDC_STEP6_SERVO_TYPE4, &P::OnClick),
        OnCommand<P>(IDC_STEP6_SERVO_TYPE5, &P::OnClick),
    };
    return kMap;
}

CStep7::CStep7(AppServices& services, QWidget* parent)
    : ChoicePage(services, kTemplate190, kPictures190, kSwashTypes, &SettingsMirror::SwashPlateType,
                 parent) {
    WireMessageMap(this, controls_, GetMessageMap());
}

std::span<const MessageEntry<CStep7>> CStep7::GetMessageMap() {
    using P = CStep7;
    static const MessageEntry<P> kMap[] = {
        OnCommand<P>(IDC_STEP7_MIX, &P::OnClick),     OnCommand<P>(IDC_STEP7_CCPM120, &P::OnClick),
        OnCommand<P>(IDC_STEP7_CCPM135, &P::OnClick), OnCommand<P>(IDC_STEP7_CCPM140, &P::OnClick),
        OnCommand<P>(IDC_STEP7_CCPM90, &P::OnClick),
    };
    return kMap;
}

}  // namespace orq
