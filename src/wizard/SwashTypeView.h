#pragma once
// The picture and the name of the swashplate type the mirror holds, for the pages that show
// where each servo sits (Servo reverse, Servo trim). The pictures are loaded once; which one
// shows is read when the page paints, since the type is chosen on another page.

#include <QImage>
#include <QPointer>

#include <array>
#include <optional>

#include "protocol/ParameterBlock.h"
#include "wizard/SetupTemplates.h"

class QLabel;
class QPainter;

namespace orq {

class SwashTypeView {
public:
    SwashTypeView(const SettingsMirror& mirror, QLabel* label, PicturePlace place);
    // The label names the type; a page calls it when it is shown and when it is set up.
    void ShowName() const;
    void Paint(QPainter& p) const;

private:
    const SettingsMirror& mirror_;
    QPointer<QLabel> label_;
    PicturePlace place_;
    std::array<std::optional<QImage>, std::size(kSwashChoices)> pictures_;
};

}  // namespace orq
