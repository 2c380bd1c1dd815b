#pragma once
// The "Advance Menu": the expert values of the unit (P, I and D per axis, accelerations, dead
// bands, tail compensation), edited as the 25-value run section3 of the SettingsMirror.
//
// The main form opens it modally, over the main window, handing over its own notify target:
//
//     CAdvanceDlg dlg(services, notifyTarget_, window());
//     services.modal.RunModal(dlg);
//
// While it is shown the dialog is the port's notify target and leaves the notifications
// unhandled, so received bytes wait in the port's buffer; when it closes it hands the target
// back to `formTarget`, whose next WM_SERIAL_RECEIVE then collects them all.

#include <QDialog>

#include <array>
#include <memory>
#include <span>

#include "framework/DataExchange.h"
#include "framework/DialogTemplate.h"
#include "framework/MessageMap.h"

namespace orq {

struct AppServices;
class NotifyTarget;
class WindowNotifyTarget;

class CAdvanceDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 248;

    // Control ids of the template.
    enum : int {
        IDOK = 1,
        IDCANCEL = 2,
        IDC_ROLL_P = 1136,
        IDC_ROLL_I = 1137,
        IDC_ROLL_D = 1138,
        IDC_PITCH_P = 1139,
        IDC_PITCH_I = 1140,
        IDC_PITCH_D = 1141,
        IDC_ACC1 = 1142,
        IDC_ACC2 = 1143,
        IDC_DEADBAND1 = 1144,
        IDC_DEADBAND2 = 1145,
        IDC_SPINSPEED1 = 1146,
        IDC_SPINSPEED2 = 1147,
        IDC_YAW_P = 1148,
        IDC_YAW_I = 1149,
        IDC_YAW_D = 1150,
        IDC_ACC3 = 1151,
        IDC_ACC4 = 1152,
        IDC_ACC6 = 1153,
        IDC_ACC5 = 1154,
        IDC_DEADBAND3 = 1155,
        IDC_DEADBAND4 = 1156,
        IDC_SPINSPEED3 = 1157,
        IDC_SPINSPEED4 = 1158,
        IDC_TAILCOMP1 = 1159,
        IDC_TAILCOMP2 = 1160,
        IDC_ZERO_PITCH = 1161,
        IDC_RESET_ZERO = 1162,
    };
    // The 25 section3 values in their mirror order, then the zero pitch.
    static constexpr int kValueCount = 26;

    // Takes the 25 section3 values now (sign-extended): 21 from the mirror, the four hidden
    // agility and yaw rates from the unit's copy, the TuningBlock. `formTarget` is the
    // notify target the port gets back when the dialog closes.
    CAdvanceDlg(AppServices& services, std::weak_ptr<NotifyTarget> formTarget,
                QWidget* parent = nullptr);
    ~CAdvanceDlg() override;

    const DialogControls& Controls() const { return controls_; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    static std::span<const MessageEntry<CAdvanceDlg>> GetMessageMap();
    void DoDataExchange();
    void OnInitDialog();
    void OnOK();
    void OnCancel();
    void ClampHiddenBoxes();
    void ReleaseNotifications();

    AppServices& services_;
    std::weak_ptr<NotifyTarget> formTarget_;
    std::shared_ptr<WindowNotifyTarget> ownTarget_;

    std::array<int, kValueCount> values_{};
    DialogControls controls_;
    DataExchange ddx_;
    bool initialised_ = false;
};

}  // namespace orq
