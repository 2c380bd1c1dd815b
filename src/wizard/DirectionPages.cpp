#include "wizard/DirectionPages.h"

#include <QPushButton>

#include "link/UnitSession.h"

namespace orq {

namespace {

struct Axis {
    int button;
    int8_t SettingsMirror::*key;
};
// Roll, pitch, yaw; the captions are set pitch, roll, yaw.
constexpr Axis kAxes[3] = {{IDC_STEP12_ROLL, &SettingsMirror::RollDir},
                           {IDC_STEP12_PITCH, &SettingsMirror::PitchDir},
                           {IDC_STEP12_YAW, &SettingsMirror::YawDir}};
constexpr std::size_t kCaptionOrder[3] = {1, 0, 2};
constexpr const char* kAxisNames[3] = {"Roll direction", "Pitch direction", "Yaw direction"};

}  // namespace

CStep12::CStep12(AppServices& services, QWidget* parent)
    : SetupPage(services, kTemplate216, kPictures216, parent) {
    for (std::size_t i = 0; i < 3; ++i) {
        directions_[i] = Mirror().*kAxes[i].key;
        if (QPushButton* b = controls_.Button(kAxes[i].button))
            b->setAccessibleName(QString::fromUtf8(kAxisNames[i]));
    }
    WireMessageMap(this, controls_, GetMessageMap());
}

std::span<const MessageEntry<CStep12>> CStep12::GetMessageMap() {
    using P = CStep12;
    static constexpr MessageEntry<P> kMap[] = {
        OnCommand(IDC_STEP12_ROLL, &P::OnAxis),
        OnCommand(IDC_STEP12_PITCH, &P::OnAxis),
        OnCommand(IDC_STEP12_YAW, &P::OnAxis),
    };
    return kMap;
}

void CStep12::OnAxis(int buttonId) {
    for (std::size_t i = 0; i < 3; ++i) {
        if (kAxes[i].button != buttonId) continue;
        directions_[i] = Flipped(directions_[i]);
        ShowDirection(i);
        ApplyEdit(kAxes[i].key, directions_[i], std::string("Gyro dir ") + kAxisNames[i]);
    }
}

void CStep12::OnInitPage() {
    for (std::size_t i : kCaptionOrder) ShowDirection(i);
}

void CStep12::ShowDirection(std::size_t axis) {
    if (QPushButton* b = controls_.Button(kAxes[axis].button))
        b->setText(directions_[axis] == 1 ? QStringLiteral("Normal") : QStringLiteral("Reverse"));
}

CStep14::CStep14(AppServices& services, QWidget* parent)
    : SetupPage(services, kTemplate226, kPictures226, parent),
      direction_(Mirror().OptimizationDir) {
    WireMessageMap(this, controls_, GetMessageMap());
}

std::span<const MessageEntry<CStep14>> CStep14::GetMessageMap() {
    using P = CStep14;
    static constexpr MessageEntry<P> kMap[] = {
        OnCommand(IDC_STEP14_CHECK, &P::OnCheck),
        OnCommand(IDC_STEP14_DIRECTION, &P::OnDirection),
    };
    return kMap;
}

void CStep14::OnInitPage() {
    QPushButton* direction = controls_.Button(IDC_STEP14_DIRECTION);
    if (!direction) return;
    // A direction that is neither (0 from a file) keeps the template's caption.
    if (direction_ == 1) direction->setText(QStringLiteral("Optimization direction(Normal)"));
    if (direction_ == -1) direction->setText(QStringLiteral("Optimization direction(Reverse)"));
    direction->setEnabled(false);  // only while the check runs
}

void CStep14::OnCheck() {
    QPushButton* check = controls_.Button(IDC_STEP14_CHECK);
    QPushButton* direction = controls_.Button(IDC_STEP14_DIRECTION);
    if (checkState_ == kCheckIdle) {
        checkState_ = kCheckRunning;
        static_cast<void>(session_.StartPirouetteCheck());
        if (check) check->setText(QStringLiteral("Quit check"));
        if (direction) direction->setEnabled(true);
    } else if (checkState_ == kCheckRunning) {
        checkState_ = kCheckIdle;
        static_cast<void>(session_.EndPirouetteCheck());
        if (check) check->setText(QStringLiteral("Check optimization direction"));
        if (direction) direction->setEnabled(false);
    }
}

void CStep14::OnDirection() {
    direction_ = Flipped(direction_);
    if (QPushButton* b = controls_.Button(IDC_STEP14_DIRECTION))
        b->setText(direction_ == 1 ? QStringLiteral("Optimization direction(Normal)")
                                   : QStringLiteral("Optimization direction(Reverse)"));
    ApplyEdit(&SettingsMirror::OptimizationDir, direction_, "Optimization direction");
}

void CStep14::EndDirectionCheck() {
    checkState_ = kCheckIdle;
    static_cast<void>(session_.EndPirouetteCheck());
}

}  // namespace orq
