#pragma once
// A push button drawn from a PNG strip of four equal frames side by side: normal, hover,
// pressed, selected. The owner marks it selected to show the chosen one of several options;
// the artwork carries the caption, the button draws no text of its own.

#include <QAbstractButton>
#include <QImage>
#include <QPixmap>

namespace orq {

class CPngButton : public QAbstractButton {
    Q_OBJECT
public:
    enum Frame { kNormal = 0, kHover = 1, kPressed = 2, kSelected = 3 };

    explicit CPngButton(QWidget* parent = nullptr);

    // Loads the strip from the resources (type "PNG" normally) and sizes the button to one
    // frame, keeping its position. The first call takes the button's text as its tooltip (and
    // as its accessible name when the owner gave none); later calls keep that tooltip. A
    // missing resource leaves the button without image: it keeps its size and draws nothing.
    void SetImage(int id, const char* type = "PNG");
    // The same with the strip loaded already.
    void SetImage(const QImage& strip);

    void SetSelected(bool selected);
    bool Selected() const { return selected_; }
    bool Hover() const { return hover_; }
    bool HasImage() const { return !strip_.isNull(); }
    int FrameWidth() const { return frameWidth_; }
    int FrameHeight() const { return frameHeight_; }
    // The frame the next paint draws.
    Frame CurrentFrame() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QPixmap strip_;
    int frameWidth_ = 0;
    int frameHeight_ = 0;
    bool imageSetOnce_ = false;
    bool hover_ = false;
    bool keyboardFocus_ = false;
    bool selected_ = false;
};

}  // namespace orq
