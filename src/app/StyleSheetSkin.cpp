#include "app/StyleSheetSkin.h"

#include <QApplication>
#include <QFile>
#include <QStyle>
#include <QWidget>

namespace orq {

namespace {
void Repolish(QWidget* w) {
    // Property selectors are matched when a widget is polished; a property set afterwards
    // takes effect only after a fresh polish. One not polished yet (not shown yet) has its
    // property matched when it is.
    if (!w->testAttribute(Qt::WA_WState_Polished)) return;
    w->style()->unpolish(w);
    w->style()->polish(w);
    w->update();
}
}  // namespace

void StyleSheetSkin::Start(const char* resourceName, const char* resourceType, int, int, int) {
    QFile sheet(QStringLiteral(":/%1/%2").arg(QLatin1String(resourceType),
                                              QLatin1String(resourceName)));
    // Without the skin block the program keeps the standard look.
    if (!sheet.open(QIODevice::ReadOnly)) return;
    app_.setStyleSheet(QString::fromUtf8(sheet.readAll()));
    started_ = true;
}

void StyleSheetSkin::Stop() {
    if (!started_) return;
    app_.setStyleSheet(QString());
    started_ = false;
}

void StyleSheetSkin::Apply(QWidget* window, int kind) {
    if (!window) return;
    window->setProperty("skinKind", kind);
    // Style sheets paint a plain widget's background only when asked to. A form or page inside a
    // window lies on the window's own background of the same colour: painting it again would
    // only cost time.
    if (kind == kSkinDialog && window->isWindow()) window->setAttribute(Qt::WA_StyledBackground);
    Repolish(window);
}

void StyleSheetSkin::SetSlider(QWidget* slider, int a, int, int, int, int, int) {
    if (!slider) return;
    slider->setProperty("skinKind", a);
    Repolish(slider);
}

}  // namespace orq
