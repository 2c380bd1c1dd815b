#include "widgets/IconButton.h"

#include <QPainter>
#include <QStyleOptionFocusRect>

#include <algorithm>

#include "widgets/PngResource.h"

namespace orq {

CIconButton::CIconButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::TabFocus);
}

void CIconButton::SetIcon(int iconResource) {
    const std::optional<QImage> image = LoadPngResource(iconResource, "ICON");
    icon_ = image ? QPixmap::fromImage(*image) : QPixmap();
    update();
}

QColor CIconButton::FaceColor() const {
    const QColor face = palette().color(QPalette::Button);
    if (!hover_ || hoverOffset_ == 0) return face;
    const auto up = [this](int c) { return std::clamp(c + hoverOffset_, 0, 255); };
    return QColor(up(face.red()), up(face.green()), up(face.blue()));
}

void CIconButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect();
    p.fillRect(r, FaceColor());
    p.setPen(palette().color(isDown() ? QPalette::Dark : QPalette::Mid));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    if (!icon_.isNull()) {
        const QSize units = icon_.deviceIndependentSize().toSize();
        QPoint at((width() - units.width()) / 2, (height() - units.height()) / 2);
        if (isDown()) at += QPoint(1, 1);  // pressed in
        p.drawPixmap(at, icon_);
    }
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = r.adjusted(2, 2, -2, -2);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
    }
}

void CIconButton::enterEvent(QEnterEvent* event) {
    hover_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CIconButton::leaveEvent(QEvent* event) {
    hover_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

}  // namespace orq
