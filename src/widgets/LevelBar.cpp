#include "widgets/LevelBar.h"

#include <QPainter>

#include <algorithm>

#include "widgets/PngResource.h"

namespace orq {

namespace {
QRect ToQRect(const BarRect& r) {
    return QRect(r.left, r.top, r.width, r.height);
}
}  // namespace

CLevelBar::CLevelBar(BarAxis axis, int bitmap, QWidget* parent) : QWidget(parent), axis_(axis) {
    if (const std::optional<QImage> image = LoadPngResource(bitmap, "BITMAP"))
        background_ = QPixmap::fromImage(*image);
    // Every pixel is painted: the background bitmap covers the whole control.
    setAttribute(Qt::WA_OpaquePaintEvent, !background_.isNull());
    setAccessibleDescription(QString::number(value_));
}

void CLevelBar::SetRange(int a, int b) {
    minimum_ = std::min(a, b);
    maximum_ = std::max(a, b);
}

int CLevelBar::SetPos(int value) {
    const int old = value_;
    value_ = std::clamp(value, minimum_, maximum_);
    // Screen readers and automated checks read the value here; the bar itself has no text.
    setAccessibleDescription(QString::number(value_));
    update(ToQRect(LevelBarInvalid(axis_, width(), height(), old, value_, maximum_)));
    return value_ == value ? 1 : 0;
}

void CLevelBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (!background_.isNull()) p.drawPixmap(rect(), background_);
    const BarRect fill = LevelBarFill(axis_, width(), height(), value_, maximum_);
    if (!fill.Empty()) p.fillRect(ToQRect(fill), QColor(value_ > 0 ? kPositive : kNegative));
}

}  // namespace orq
