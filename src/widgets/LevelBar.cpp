#include "widgets/LevelBar.h"

#include <QPainter>

#include <algorithm>

#include "framework/Accessible.h"
#include "widgets/PngResource.h"

namespace orq {

namespace {
QRect ToQRect(const BarRect& r) {
    return QRect(r.left, r.top, r.width, r.height);
}

// A meter reads as its value within its range; a person cannot move it.
class LevelBarAccessible : public ValueAccessible {
public:
    explicit LevelBarAccessible(CLevelBar* bar) : ValueAccessible(bar, QAccessible::ProgressBar) {}
    QVariant currentValue() const override { return Bar()->Pos(); }
    QVariant minimumValue() const override { return Bar()->Minimum(); }
    QVariant maximumValue() const override { return Bar()->Maximum(); }
    void setCurrentValue(const QVariant&) override {}

private:
    CLevelBar* Bar() const { return static_cast<CLevelBar*>(widget()); }
};

QAccessibleInterface* LevelBarAccessibleFor(const QString& className, QObject* object) {
    if (className != QLatin1String(CLevelBar::staticMetaObject.className())) return nullptr;
    return new LevelBarAccessible(static_cast<CLevelBar*>(object));
}
}  // namespace

CLevelBar::CLevelBar(BarAxis axis, int bitmap, QWidget* parent) : QWidget(parent), axis_(axis) {
    QAccessible::installFactory(&LevelBarAccessibleFor);
    if (const std::optional<QImage> image = LoadPngResource(bitmap, "BITMAP"))
        background_ = QPixmap::fromImage(*image);
    // Every pixel is painted: the background bitmap covers the whole control.
    setAttribute(Qt::WA_OpaquePaintEvent, !background_.isNull());
}

void CLevelBar::SetRange(int a, int b) {
    minimum_ = std::min(a, b);
    maximum_ = std::max(a, b);
}

int CLevelBar::SetPos(int value) {
    const int old = value_;
    value_ = std::clamp(value, minimum_, maximum_);
    if (value_ != old) {
        QAccessibleValueChangeEvent changed(this, value_);
        QAccessible::updateAccessibility(&changed);
    }
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
