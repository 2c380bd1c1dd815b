#include "framework/StaticLayer.h"

#include <QAccessibleWidget>
#include <QEvent>
#include <QPainter>
#include <QPointer>

namespace orq {

namespace {

// One text or frame of the layer as a screen reader meets it: the texts first, then the frames.
class PaintedAccessible : public QAccessibleInterface {
public:
    PaintedAccessible(StaticLayer* layer, std::size_t index) : layer_(layer), index_(index) {}
    bool isValid() const override {
        return layer_ && index_ < layer_->Texts().size() + layer_->Frames().size();
    }
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
        if (!isValid() || t != QAccessible::Name) return {};
        return IsText() ? layer_->Texts()[index_].text : Frame().title;
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid()) return {};
        const QRect r = IsText() ? layer_->Texts()[index_].rect : Frame().rect;
        return QRect(layer_->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override {
        return IsText() ? QAccessible::StaticText : QAccessible::Grouping;
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.readOnly = true;
        return s;
    }

private:
    bool IsText() const { return index_ < layer_->Texts().size(); }
    const StaticLayer::Frame& Frame() const {
        return layer_->Frames()[index_ - layer_->Texts().size()];
    }

    QPointer<StaticLayer> layer_;
    std::size_t index_;
};

// The layer holds no controls: its children are its texts and frames.
class LayerAccessible : public QAccessibleWidget {
public:
    explicit LayerAccessible(StaticLayer* layer) : QAccessibleWidget(layer, QAccessible::Pane) {}
    ~LayerAccessible() override {
        for (QAccessibleInterface* t : texts_)
            if (t) QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(t));
    }
    int childCount() const override {
        return int(Layer()->Texts().size() + Layer()->Frames().size());
    }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= childCount()) return nullptr;
        texts_.resize(std::size_t(childCount()), nullptr);
        QAccessibleInterface*& t = texts_[std::size_t(index)];
        if (!t) {
            t = new PaintedAccessible(Layer(), std::size_t(index));
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

void StaticLayer::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange && look_) look_->setFont(font());
    QLabel::changeEvent(event);
}

bool StaticLayer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QLabel::eventFilter(watched, event);
}

void StaticLayer::AddFrame(Frame frame) {
    if (!look_) {
        look_ = new FrameLook(this);
        look_->setObjectName(QStringLiteral("frameLook"));
        look_->hide();
        // Told, not inherited: under the application's style sheet the hidden box takes the
        // application's font, not the window's (a wizard page's titles came out a pixel small).
        look_->setFont(font());
    }
    frames_.push_back(std::move(frame));
}

QStyleOptionGroupBox StaticLayer::FrameLook::Option(const Frame& frame) {
    ensurePolished();  // the skin's palette and font, as a shown box has them
    setTitle(frame.title);
    resize(frame.rect.size());
    QStyleOptionGroupBox o;
    initStyleOption(&o);
    return o;
}

QRect StaticLayer::TitleRect(std::size_t index) const {
    const Frame& frame = frames_.at(index);
    const QStyleOptionGroupBox o = look_->Option(frame);
    return look_->style()
        ->subControlRect(QStyle::CC_GroupBox, &o, QStyle::SC_GroupBoxLabel, look_)
        .translated(frame.rect.topLeft());
}

void StaticLayer::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    for (const Text& t : texts_)
        if (t.rect.intersects(event->rect())) p.drawText(t.rect, int(t.alignment), t.text);
    // Above the texts and below every control, as the boxes lay when they were widgets; an
    // earlier box lies above a later one.
    for (std::size_t i = frames_.size(); i-- > 0;) {
        const Frame& frame = frames_[i];
        if (!frame.rect.intersects(event->rect())) continue;
        const QStyleOptionGroupBox o = look_->Option(frame);
        p.save();
        // Drawn where the box would lie, cut to it as the box's own painting is.
        p.translate(frame.rect.topLeft());
        p.setClipRect(o.rect, Qt::IntersectClip);
        p.setFont(look_->font());
        p.setPen(look_->palette().color(look_->foregroundRole()));
        look_->style()->drawComplexControl(QStyle::CC_GroupBox, &o, &p, look_);
        p.restore();
    }
}

}  // namespace orq
