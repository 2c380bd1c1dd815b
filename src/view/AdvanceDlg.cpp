#include "view/AdvanceDlg.h"

#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <cstddef>

#include "framework/AppServices.h"
#include "framework/NotifyTarget.h"
#include "framework/Skin.h"
#include "link/UnitSession.h"
#include "protocol/ParameterBlock.h"

namespace orq {

namespace {

using C = CAdvanceDlg;
constexpr unsigned kHiddenEdit = kHidden | kNoTabStop;

// Template 248, "Advance Menu". Listing order is tab order; each caption sits just before its box.
constexpr ControlSpec kControls248[] = {
    {C::IDOK, ControlKind::DefPushButton, "OK", 390, 265, 50, 14},
    {C::IDCANCEL, ControlKind::PushButton, "Cancel", 10, 260, 50, 14},

    {kNoId, ControlKind::GroupBox, "Main Rotor", 5, 10, 210, 230},
    {kNoId, ControlKind::GroupBox, nullptr, 12, 22, 196, 88},
    {kNoId, ControlKind::GroupBox, nullptr, 12, 118, 196, 92},
    {kNoId, ControlKind::Static, "Roll P gain", 18, 37, 44, 10},
    {C::IDC_ROLL_P, ControlKind::Edit, nullptr, 64, 34, 40, 14},
    {kNoId, ControlKind::Static, "Roll I gain", 18, 61, 44, 10},
    {C::IDC_ROLL_I, ControlKind::Edit, nullptr, 64, 58, 40, 14},
    {kNoId, ControlKind::Static, "Roll D gain", 18, 85, 44, 10},
    {C::IDC_ROLL_D, ControlKind::Edit, nullptr, 64, 82, 40, 14},
    {kNoId, ControlKind::Static, "Pitch P gain", 110, 37, 54, 10},
    {C::IDC_PITCH_P, ControlKind::Edit, nullptr, 166, 34, 40, 14},
    {kNoId, ControlKind::Static, "Pitch I gain", 110, 61, 54, 10},
    {C::IDC_PITCH_I, ControlKind::Edit, nullptr, 166, 58, 40, 14},
    {kNoId, ControlKind::Static, "Pitch D gain", 110, 85, 54, 10},
    {C::IDC_PITCH_D, ControlKind::Edit, nullptr, 166, 82, 40, 14},
    {kNoId, ControlKind::Static, "Acceleration", 18, 142, 44, 10},
    {C::IDC_ACC1, ControlKind::Edit, nullptr, 64, 139, 40, 14},
    {kNoId, ControlKind::Static, "Deceleration", 18, 177, 44, 10},
    {C::IDC_ACC2, ControlKind::Edit, nullptr, 64, 174, 40, 14},
    {kNoId, ControlKind::Static, "RC dead band", 110, 142, 54, 10},
    {C::IDC_DEADBAND1, ControlKind::Edit, nullptr, 166, 139, 40, 14},
    {kNoId, ControlKind::Static, "Gyro dead band", 110, 177, 54, 10},
    {C::IDC_DEADBAND2, ControlKind::Edit, nullptr, 166, 174, 40, 14},

    // Never shown: the unit's agility and yaw rates belong to the main form's sliders, but they
    // travel with this run and are checked with it.
    {C::IDC_SPINSPEED1, ControlKind::Edit, nullptr, 80, 266, 40, 14, kHiddenEdit},
    {C::IDC_SPINSPEED2, ControlKind::Edit, nullptr, 125, 266, 40, 14, kHiddenEdit},

    {kNoId, ControlKind::GroupBox, "Tail Rotor", 220, 10, 240, 230},
    {kNoId, ControlKind::GroupBox, nullptr, 227, 22, 226, 88},
    {kNoId, ControlKind::GroupBox, nullptr, 227, 118, 226, 92},
    {kNoId, ControlKind::Static, "Yaw P gain", 233, 37, 54, 10},
    {C::IDC_YAW_P, ControlKind::Edit, nullptr, 289, 34, 40, 14},
    {kNoId, ControlKind::Static, "Yaw I gain", 233, 61, 54, 10},
    {C::IDC_YAW_I, ControlKind::Edit, nullptr, 289, 58, 40, 14},
    {kNoId, ControlKind::Static, "Yaw D gain", 233, 85, 54, 10},
    {C::IDC_YAW_D, ControlKind::Edit, nullptr, 289, 82, 40, 14},
    {kNoId, ControlKind::Static, "Acceleration L", 233, 129, 54, 10},
    {C::IDC_ACC3, ControlKind::Edit, nullptr, 289, 126, 40, 14},
    {kNoId, ControlKind::Static, "Acceleration R", 233, 151, 54, 10},
    {C::IDC_ACC4, ControlKind::Edit, nullptr, 289, 148, 40, 14},
    {kNoId, ControlKind::Static, "Deceleration L", 233, 173, 54, 10},
    {C::IDC_ACC6, ControlKind::Edit, nullptr, 289, 170, 40, 14},
    {kNoId, ControlKind::Static, "Deceleration R", 233, 195, 54, 10},
    {C::IDC_ACC5, ControlKind::Edit, nullptr, 289, 192, 40, 14},
    {kNoId, ControlKind::Static, "RC dead band", 338, 37, 64, 10},
    {C::IDC_DEADBAND3, ControlKind::Edit, nullptr, 404, 34, 40, 14},
    {kNoId, ControlKind::Static, "Gyro dead band", 338, 61, 64, 10},
    {C::IDC_DEADBAND4, ControlKind::Edit, nullptr, 404, 58, 40, 14},

    {C::IDC_SPINSPEED3, ControlKind::Edit, nullptr, 170, 266, 40, 14, kHiddenEdit},
    {C::IDC_SPINSPEED4, ControlKind::Edit, nullptr, 215, 266, 40, 14, kHiddenEdit},

    {kNoId, ControlKind::Static, "Tail compensate", 338, 129, 106, 10},
    {kNoId, ControlKind::Static, "Collective to tail", 338, 151, 64, 10},
    {C::IDC_TAILCOMP1, ControlKind::Edit, nullptr, 404, 148, 40, 14},
    {kNoId, ControlKind::Static, "Cyclic to tail", 338, 173, 64, 10},
    {C::IDC_TAILCOMP2, ControlKind::Edit, nullptr, 404, 170, 40, 14},
    {kNoId, ControlKind::Static, "Zero pitch", 228, 220, 34, 10},
    {C::IDC_ZERO_PITCH, ControlKind::Edit, nullptr, 264, 217, 40, 14},
    {C::IDC_RESET_ZERO, ControlKind::PushButton, "Reset zero", 307, 217, 50, 14},
};

constexpr DialogTemplate kTemplate248{
    CAdvanceDlg::kTemplateId, "Advance Menu", 467, 287, kFontAdvance, kControls248};

// One row per section3 value, in mirror order: that order is the order of the exchange, and so
// the order in which OK checks the boxes and reports the first bad one. The key's row of the
// parameter table gives the range and the tuning byte it travels in.
struct Row {
    int id;
    int8_t SettingsMirror::*mirror;
    const MirrorKey& Key() const { return MirrorKeyOf(mirror); }
};
constexpr Row kRows[] = {
    {C::IDC_ACC1, &SettingsMirror::Acc1},
    {C::IDC_ACC2, &SettingsMirror::Acc2},
    {C::IDC_ACC3, &SettingsMirror::Acc3},
    {C::IDC_ACC4, &SettingsMirror::Acc4},
    {C::IDC_ACC5, &SettingsMirror::Acc5},
    {C::IDC_ACC6, &SettingsMirror::Acc6},
    {C::IDC_DEADBAND1, &SettingsMirror::DeadBand1},
    {C::IDC_DEADBAND2, &SettingsMirror::DeadBand2},
    {C::IDC_DEADBAND3, &SettingsMirror::DeadBand3},
    {C::IDC_DEADBAND4, &SettingsMirror::DeadBand4},
    {C::IDC_PITCH_D, &SettingsMirror::PitchGainD},
    {C::IDC_PITCH_I, &SettingsMirror::PitchGainI},
    {C::IDC_PITCH_P, &SettingsMirror::PitchGainP},
    {C::IDC_ROLL_D, &SettingsMirror::RollGainD},
    {C::IDC_ROLL_I, &SettingsMirror::RollGainI},
    {C::IDC_ROLL_P, &SettingsMirror::RollGainP},
    {C::IDC_SPINSPEED1, &SettingsMirror::SpinSpeed1},
    {C::IDC_SPINSPEED2, &SettingsMirror::SpinSpeed2},
    {C::IDC_SPINSPEED3, &SettingsMirror::SpinSpeed3},
    {C::IDC_SPINSPEED4, &SettingsMirror::SpinSpeed4},
    {C::IDC_TAILCOMP1, &SettingsMirror::TailCompsate1},
    {C::IDC_TAILCOMP2, &SettingsMirror::TailCompsate2},
    {C::IDC_YAW_D, &SettingsMirror::TailGainD},
    {C::IDC_YAW_I, &SettingsMirror::TailGainI},
    {C::IDC_YAW_P, &SettingsMirror::TailGainP},
};
static_assert(std::size(kRows) == SettingsMirror::kSection3Count);
static_assert(std::size(kRows) + 1 == CAdvanceDlg::kValueCount);

// The agility and yaw-rate boxes nobody can see or edit.
constexpr int kHiddenIds[] = {C::IDC_SPINSPEED1, C::IDC_SPINSPEED2, C::IDC_SPINSPEED3,
                              C::IDC_SPINSPEED4};

// The hidden boxes carry what the unit has now, not the mirror: the main form's sliders change
// the unit's agility and yaw rates without touching the mirror, and a dialog that does not show
// them must not put an older value back on the unit. For the same reason OK leaves the mirror's
// SpinSpeed values alone.
constexpr bool Hidden(int id) {
    return std::find(std::begin(kHiddenIds), std::end(kHiddenIds), id) != std::end(kHiddenIds);
}

}  // namespace

std::span<const MessageEntry<CAdvanceDlg>> CAdvanceDlg::GetMessageMap() {
    static constexpr MessageEntry<CAdvanceDlg> kMap[] = {
        OnCommand(IDOK, &CAdvanceDlg::OnOK),  // also Enter in any box: OK is the default button
        OnCommand(IDCANCEL, &CAdvanceDlg::OnCancel),
        // "Reset zero" (1162) has no action yet. Statics need no colour handler: Qt draws
        // labels on the dialog's background already.
    };
    return kMap;
}

CAdvanceDlg::CAdvanceDlg(AppServices& services, std::weak_ptr<NotifyTarget> formTarget,
                         QWidget* parent)
    : QDialog(parent),
      services_(services),
      formTarget_(std::move(formTarget)),
      controls_(BuildDialog(kTemplate248, this)),
      ddx_(controls_, services.messages) {
    const ParameterBlock& block = services_.session.Block();
    for (std::size_t i = 0; i < std::size(kRows); ++i)
        values_[i] = Hidden(kRows[i].id) ? *DeviceByte(block, kRows[i].Key())
                                         : block.Mirror.*kRows[i].mirror;  // sign-extends
    values_[kValueCount - 1] = 0;                                          // zero pitch
    setFixedSize(controls_.Size());
    WireMessageMap(this, controls_, GetMessageMap());
    DoDataExchange();
}

CAdvanceDlg::~CAdvanceDlg() {
    ReleaseNotifications();
}

void CAdvanceDlg::DoDataExchange() {
    for (std::size_t i = 0; i < std::size(kRows); ++i)
        ddx_.Bind(kRows[i].id, values_[i], kRows[i].Key().min, kRows[i].Key().max);
    ddx_.Bind(IDC_ZERO_PITCH, values_[kValueCount - 1]);
}

void CAdvanceDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!initialised_) {
        initialised_ = true;
        OnInitDialog();
    }
}

void CAdvanceDlg::OnInitDialog() {
    ddx_.WriteOut();
    services_.skin.Apply(this, kSkinDialog);
    // From now until the dialog closes, the port's notifications come here and are left
    // unhandled: the bytes stay in the port's buffer for the form.
    ownTarget_ = services_.notifier.TargetFor(this);
    services_.session.SetNotifyTarget(ownTarget_);
}

void CAdvanceDlg::ClampHiddenBoxes() {
    // The unit may report an agility outside 15..60. Its box is hidden, so the user could never
    // correct it and OK would fail for good; bring it into range instead.
    for (const Row& row : kRows) {
        QLineEdit* edit = Hidden(row.id) ? controls_.Edit(row.id) : nullptr;
        if (!edit) continue;
        const std::optional<int> v = ParseInt(edit->text());
        const int min = row.Key().min, max = row.Key().max;
        if (v && (*v < min || *v > max)) edit->setText(QString::number(std::clamp(*v, min, max)));
    }
}

void CAdvanceDlg::OnOK() {
    ClampHiddenBoxes();
    if (!ddx_.ReadBack()) return;  // the message is shown, the focus is in the faulty box

    ParameterBlock& block = services_.session.Block();
    for (std::size_t i = 0; i < std::size(kRows); ++i)
        *DeviceByte(block, kRows[i].Key()) = LowByte(values_[i]);
    static_cast<void>(services_.session.SendParameters());
    for (std::size_t i = 0; i < std::size(kRows); ++i)
        if (!Hidden(kRows[i].id)) block.Mirror.*kRows[i].mirror = LowByte(values_[i]);
    accept();
}

void CAdvanceDlg::OnCancel() {
    reject();
}

void CAdvanceDlg::done(int result) {
    ReleaseNotifications();
    QDialog::done(result);
}

void CAdvanceDlg::ReleaseNotifications() {
    if (!ownTarget_) return;
    services_.session.SetNotifyTarget(formTarget_);
    ownTarget_.reset();
}

}  // namespace orq
