#include "framework/StaticLayer.h"

#include <QAccessibleWidget>
#include <QEvent>
#include <QPainter>
#include <QPointer>

namespace orq {

namespace {

// One text of the layer as a screen reader meets it.
class TextAccessible : public QAccessibleInterface {
public:
    TextAccessible(StaticLayer* layer, std::size_t index) : layer_(layer), index_(index) {}
    bool isValid() const override { return layer_ && index_ < layer_->Texts().size(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return layer_ ? layer_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(layer_.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override {
        return isValid() && t == QAccessible::Name ? layer_->Texts()[index_].text : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid()) return {};
        const QRect r = layer_->Texts()[index_].rect;
        return QRect(layer_->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::StaticText; }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.readOnly = true;
        return s;
    }

private:
    QPointer<StaticLayer> layer_;
    std::size_t index_;
};

// The layer holds no controls: its children are its texts.
class LayerAccessible : public QAccessibleWidget {
public:
    explicit LayerAccessible(StaticLayer* layer) : QAccessibleWidget(layer, QAccessible::Pane) {}
    ~LayerAccessible() override {
        for (QAccessibleInterface* t : texts_)
            if (t) QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(t));
    }
    int childCount() const override { return int(Layer()->Texts().size()); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= childCount()) return nullptr;
        texts_.resize(Layer()->Texts().size(), nullptr);
        QAccessibleInterface*& t = texts_[std::size_t(index)];
        if (!t) {
            t = new TextAccessible(Layer(), std::size_t(index));
            QAccessible::registerAccessibleInterface(t);
        }
        return t;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (std::size_t i = 0; i < texts_.size(); ++i)
            if (texts_[i] == child) return int(i);
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        for (int i = 0; i < childCount(); ++i)
            if (child(i)->rect().contains(x, y)) return child(i);
        return nullptr;
    }

private:
    StaticLayer* Layer() const { return static_cast<StaticLayer*>(widget()); }
    mutable std::vector<QAccessibleInterface*> texts_;
};

QAccessibleInterface* LayerAccessibleFor(const QString& className, QObject* object) {
    if (className != QLatin1String(StaticLayer::staticMetaObject.className())) return nullptr;
    return new LayerAccessible(static_cast<StaticLayer*>(object));
}

}  // namespace

StaticLayer::StaticLayer(QWidget* window) : QLabel(window) {
    QAccessible::installFactory(&LayerAccessibleFor);
    setObjectName(QStringLiteral("statics"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(window->rect());
    window->installEventFilter(this);
}

bool StaticLayer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QLabel::eventFilter(watched, event);
}

void StaticLayer::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    for (const Text& t : texts_)
        if (t.rect.intersects(event->rect())) p.drawText(t.rect, int(t.alignment), t.text);
}

}  // namespace orq
