#include "widgets/PngButton.h"

#include <QColorSpace>
#include <QMouseEvent>
#include <QPainter>

#include "widgets/PngResource.h"

namespace orq {

CPngButton::CPngButton(QWidget* parent) : QAbstractButton(parent) {
    setMouseTracking(true);
    // Focus by keyboard only: a mouse click must not leave a focus mark over the artwork.
    setFocusPolicy(Qt::TabFocus);
}

void CPngButton::SetImage(int id, const char* type) {
    const std::optional<QImage> image = LoadPngResource(id, type);
    SetImage(image ? *image : QImage());
}

void CPngButton::SetImage(const QImage& picture) {
    QImage strip = picture;
    // Unlike plain pictures, the strips are colour-corrected to the screen's sRGB.
    if (strip.colorSpace().isValid() && strip.colorSpace() != QColorSpace::SRgb)
        strip.convertToColorSpace(QColorSpace::SRgb);
    strip_ = strip.isNull() ? QPixmap() : QPixmap::fromImage(strip);
    if (!strip_.isNull()) {
        const QSize units = strip_.deviceIndependentSize().toSize();
        frameWidth_ = units.width() / 4;
        frameHeight_ = units.height();
        // One frame, top-left corner kept.
        resize(frameWidth_, frameHeight_);
        // Every frame covers the whole button when the strip has no transparency: nothing
        // below needs painting first. Transparent artwork shows its parent through instead.
        setAttribute(Qt::WA_OpaquePaintEvent, !strip.hasAlphaChannel());
    } else {
        frameWidth_ = frameHeight_ = 0;
        setAttribute(Qt::WA_OpaquePaintEvent, false);
    }
    if (!imageSetOnce_) {
        imageSetOnce_ = true;
        setToolTip(text());
        if (accessibleName().isEmpty()) setAccessibleName(text());
    }
    update();
}

void CPngButton::SetSelected(bool selected) {
    selected_ = selected;
    update();
}

CPngButton::Frame CPngButton::CurrentFrame() const {
    if (isDown()) return kPressed;
    if (hover_) return kHover;
    if (selected_) return kSelected;
    return kNormal;
}

QSize CPngButton::sizeHint() const {
    return QSize(frameWidth_, frameHeight_);
}

void CPngButton::paintEvent(QPaintEvent*) {
    if (strip_.isNull() || frameWidth_ <= 0) return;
    QPainter p(this);
    // The source is in the strip's own pixels, twice as many a unit in an @2x render.
    const qreal ratio = strip_.devicePixelRatio();
    const QRectF source(CurrentFrame() * frameWidth_ * ratio, 0, frameWidth_ * ratio,
                        frameHeight_ * ratio);
    p.drawPixmap(QRectF(0, 0, frameWidth_, frameHeight_), strip_, source);
    if (keyboardFocus_ && hasFocus()) {
        // Reached with Tab: show where the focus is. Focus that comes with the window's
        // activation leaves the artwork untouched.
        p.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        p.drawRect(rect().adjusted(1, 1, -2, -2));
    }
}

void CPngButton::focusInEvent(QFocusEvent* event) {
    keyboardFocus_ =
        event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    QAbstractButton::focusInEvent(event);
}

void CPngButton::enterEvent(QEnterEvent* event) {
    hover_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CPngButton::leaveEvent(QEvent* event) {
    hover_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void CPngButton::mouseMoveEvent(QMouseEvent* event) {
    // A pointer already inside when the button appeared sends no enter; its first move counts.
    if (!hover_ && rect().contains(event->position().toPoint())) {
        hover_ = true;
        update();
    }
    QAbstractButton::mouseMoveEvent(event);
}

void CPngButton::mouseDoubleClickEvent(QMouseEvent* event) {
    // Quick repeated clicks each count: the second press of a double-click is a press.
    mousePressEvent(event);
}

}  // namespace orq
