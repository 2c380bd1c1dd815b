#pragma once
// The About box, template 100.

#include <QDialog>

#include "framework/DialogTemplate.h"

namespace orq {

inline constexpr ControlSpec kControls100[] = {
    {kNoId, ControlKind::Picture, nullptr, 11, 14, 21, 20, kDefaultStyle, 128},
    {kNoId, ControlKind::Static, "ORQ 2.1 version", 40, 10, 130, 8},
    {kNoId, ControlKind::Static, "Flybarless gyro configurator.", 40, 25, 130, 8},
    {1, ControlKind::DefPushButton, "OK", 178, 7, 50, 14},
};
inline constexpr DialogTemplate kTemplate100{100, "About ORQ 2.1", 235, 55, kFontMainForm,
                                             kControls100};

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    const DialogControls& Controls() const { return controls_; }

private:
    DialogControls controls_;
};

}  // namespace orq
