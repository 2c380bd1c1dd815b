#pragma once
// The short texts of a template's statics that nobody looks up or changes (no id, one line, no
// control they caption), and its group boxes' frames, painted by one layer under the window's
// controls instead of a widget each. A window has dozens of them (the main form's tick labels
// alone are forty), and every widget is built, polished and painted on its own before the
// window first shows. The skin draws the frames as it draws a group box. A screen reader reads
// each text as a static text and each frame as a grouping of its own, with its place.

#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QString>
#include <QStyleOptionGroupBox>

#include <vector>

namespace orq {

// A label to the skin (its texts take the colour a label's text takes), painting its own.
class StaticLayer : public QLabel {
    Q_OBJECT
public:
    struct Text {
        QRect rect;  // in the window's pixels
        QString text;
        Qt::Alignment alignment;
    };

    struct Frame {
        QRect rect;  // in the window's pixels
        QString title;
    };

    // Covers `window` and follows its size.
    explicit StaticLayer(QWidget* window);

    void Add(Text text) { texts_.push_back(std::move(text)); }
    void AddFrame(Frame frame);
    const std::vector<Text>& Texts() const { return texts_; }
    const std::vector<Frame>& Frames() const { return frames_; }
    // Where the skin draws the title of frame `index`, in the window's pixels.
    QRect TitleRect(std::size_t index) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::vector<Text> texts_;
    std::vector<Frame> frames_;
    // Never shown: each frame is drawn as this box, given the frame's size and title.
    class FrameLook : public QGroupBox {
    public:
        using QGroupBox::QGroupBox;
        // What this box would hand the style, were it the frame.
        QStyleOptionGroupBox Option(const Frame& frame);
    };
    QPointer<FrameLook> look_;
};

}  // namespace orq
