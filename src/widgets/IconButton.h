#pragma once
// A small push button showing a 16 x 16 icon, for the Servo trim page's arrows. It draws its own
// face: the button colour, lightened while the pointer rests on it so that a row of tiny
// arrows shows which one a click will hit.

#include <QAbstractButton>
#include <QPixmap>

namespace orq {

class CIconButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit CIconButton(QWidget* parent = nullptr);

    // The icon resource ":/ICON/<id>.png", drawn centred at its own size.
    void SetIcon(int iconResource);
    // How much every colour component of the face rises under the pointer (none above 255).
    void SetHoverOffset(int offset) { hoverOffset_ = offset; }
    bool Hover() const { return hover_; }
    bool HasIcon() const { return !icon_.isNull(); }
    // The face colour the next paint uses.
    QColor FaceColor() const;

    QSize sizeHint() const override { return {20, 20}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QPixmap icon_;
    int hoverOffset_ = 0;
    bool hover_ = false;
};

}  // namespace orq
