#include "widgets/WidgetFactories.h"

#include "widgets/IconButton.h"
#include "widgets/LevelBar.h"
#include "widgets/PngButton.h"

namespace orq {

ControlFactories WidgetFactories() {
    ControlFactories f;
    f.byKind[ControlKind::ImageButton] = [](const ControlSpec& control, QWidget* parent) {
        auto* b = new CPngButton(parent);
        // The owner gives it its strip with SetImage; the text becomes the tooltip then.
        if (control.text) b->setText(QString::fromUtf8(control.text));
        return b;
    };
    f.byKind[ControlKind::IconButton] = [](const ControlSpec& control, QWidget* parent) {
        auto* b = new CIconButton(parent);
        b->SetIcon(control.resource);
        return b;
    };
    f.byKind[ControlKind::LevelBarVert] = [](const ControlSpec&, QWidget* parent) {
        return new CVertLevelBar(parent);
    };
    f.byKind[ControlKind::LevelBarHorz] = [](const ControlSpec&, QWidget* parent) {
        return new CHorzLevelBar(parent);
    };
    return f;
}

}  // namespace orq
