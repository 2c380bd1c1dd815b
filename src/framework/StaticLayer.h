#pragma once
// The short texts of a template's statics that nobody looks up or changes (no id, one line, no
// control they caption), painted by one layer under the window's controls instead of a label
// each. A window has dozens of them (the main form's tick labels alone are forty), and every
// label is a widget built, polished and painted on its own before the window first shows.
// A screen reader reads each text as a static text of its own, with its place.

#include <QLabel>
#include <QString>

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

    // Covers `window` and follows its size.
    explicit StaticLayer(QWidget* window);
    void Add(Text text) { texts_.push_back(std::move(text)); }
    const std::vector<Text>& Texts() const { return texts_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::vector<Text> texts_;
};

}  // namespace orq
