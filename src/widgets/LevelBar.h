#pragma once
// Centre-zero meters: a signed value as a bar growing from a centre line over a background
// bitmap stretched to the control (a white field, a dark border, a dark centre line). The Monitor
// page shows the receiver's sticks with them, the Servo trim page the three trims.

#include <QPixmap>
#include <QWidget>

#include "widgets/LevelBarGeometry.h"

namespace orq {

class CLevelBar : public QWidget {
    Q_OBJECT
public:
    static constexpr QRgb kPositive = 0xFF00FF;  // RGB (255, 0, 255)
    static constexpr QRgb kNegative = 0x0000FF;  // RGB (0, 0, 255)

    // Range -100..100 and value 0 until the owner says otherwise.
    CLevelBar(BarAxis axis, int bitmap, QWidget* parent = nullptr);

    // The smaller limit becomes the minimum. Nothing is redrawn.
    void SetRange(int a, int b);
    // Stores the value clamped into the range and repaints what changed; 1 when it was inside
    // the range, 0 when it was clamped.
    int SetPos(int value);
    int Pos() const { return value_; }
    int Minimum() const { return minimum_; }
    int Maximum() const { return maximum_; }
    BarAxis Axis() const { return axis_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    BarAxis axis_;
    int minimum_ = -100;
    int maximum_ = 100;
    int value_ = 0;
    QPixmap background_;
};

// Vertical: positive values grow upward (background bitmap 183).
class CVertLevelBar : public CLevelBar {
    Q_OBJECT
public:
    explicit CVertLevelBar(QWidget* parent = nullptr) : CLevelBar(BarAxis::Vertical, 183, parent) {}
};

// Horizontal: positive values grow to the left (background bitmap 184).
class CHorzLevelBar : public CLevelBar {
    Q_OBJECT
public:
    explicit CHorzLevelBar(QWidget* parent = nullptr)
        : CLevelBar(BarAxis::Horizontal, 184, parent) {}
};

}  // namespace orq
