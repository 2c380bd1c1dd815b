#include "framework/DialogTemplate.h"

#include "framework/Accessible.h"
#include "framework/ResourceImage.h"
#include "framework/StaticLayer.h"

#include <QFile>
#include <QFontDatabase>
#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionSlider>
#include <QStylePainter>
#include <QTabWidget>
#include <QTreeWidget>

#include <algorithm>
#include <array>
#include <vector>

namespace orq {

namespace {

// The regular and the bold face: with the regular alone, a bold caption would be the regular
// outline thickened by the renderer instead of the bold face's own glyphs.
constexpr const char* kTahomaFaces[] = {"/usr/share/wine/fonts/tahoma.ttf",
                                        "/usr/share/wine/fonts/tahomabd.ttf"};
constexpr const char* kTahoma = "Tahoma";

Qt::Alignment HorizontalAlignment(unsigned style, Qt::Alignment fallback) {
    if (style & kTextCenter) return Qt::AlignHCenter;
    if (style & kTextRight) return Qt::AlignRight;
    if (style & kTextLeft) return Qt::AlignLeft;
    return fallback;
}

// A push button whose caption wraps onto as many lines as the button's width needs, centred.
class MultiLineButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter p(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        const QString caption = option.text;
        option.text.clear();
        p.drawControl(QStyle::CE_PushButton, option);
        const QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
        p.drawItemText(area.adjusted(2, 0, -2, 0), Qt::AlignCenter | Qt::TextWordWrap, palette(),
                       isEnabled(), caption, QPalette::ButtonText);
    }
};

// A static of a template. Its text is read whole, in whatever font the system has and on any
// screen: text that does not fit its rectangle on one line wraps inside it; where the rectangle
// is too low for the lines it grows downwards, as far as nothing else lies there, and a single
// line that can do neither takes the room beside it; and the first
// half of a sentence broken by hand over two statics, one under the other, becomes one paragraph
// with its second half over both rectangles. It fits itself again when it is shown, when its
// window changes size and when its text changes.
class StaticText : public QLabel {
public:
    using QLabel::QLabel;
    void SetTemplateRect(const QRect& r) {
        template_ = r;
        setGeometry(r);
    }
    const QRect& TemplateRect() const { return template_; }
    void SetContinuation(StaticText* next) { next_ = next; }

    void Fit() {
        QWidget* window = parentWidget();
        if (!window || template_.isEmpty()) return;
        fitted_ = text();
        QRect area = template_;
        QString whole = text();
        const QFontMetrics metrics(font());
        // Most statics are short: no glyph is wider than the widest, so no sentence to join.
        const bool shortText = metrics.maxWidth() * whole.size() <= area.width();
        if (next_ && (joined_ || (!shortText && !FitsIn(area, whole)))) {
            // The sentence goes on below: it flows on over the second half's rectangle.
            if (!joined_) {
                joined_ = true;
                whole += QLatin1Char(' ') + next_->text();
                next_->hide();
                fitted_ = whole;
                setText(whole);
            }
            area = template_.united(next_->TemplateRect());
        }
        // What lies beyond the window's edge cannot be seen.
        area.setRight(std::min(area.right(), window->width() - 1));
        const int lineWidth = LineWidth(whole);
        bool wrap = lineWidth > area.width();
        // Growing downwards keeps the width, so the text wraps the same way in any case.
        const QSize wrapped = wrap ? Wrapped(area.width(), whole) : QSize();
        if (wrap && wrapped.height() > area.height()) {
            const QRect grown(area.topLeft(), QSize(area.width(), wrapped.height()));
            if (RoomFor(grown, area))
                area = grown;
            else  // no room: a static a line high keeps to it rather than show a sliver below
                wrap = area.height() * 2 >= metrics.lineSpacing() * 3;
        }
        // Still wider than its place: a line that could neither wrap nor grow downwards, or a
        // word longer than a line (a caption beside a bar, in a font a little wider than the
        // template's). It takes the room beside it that it needs: on the side its alignment
        // leaves open, else on the other, else on both, where nothing else lies.
        const int width = wrap ? wrapped.width() : lineWidth;
        if (width > area.width())
            for (const QRect& wide : Widened(area, width - area.width()))
                if (window->rect().contains(wide) && RoomFor(wide, area)) {
                    area = wide;
                    break;
                }
        setWordWrap(wrap);
        setGeometry(area);
    }
    // Whether the text changed since it was fitted last.
    bool TextChanged() const { return text() != fitted_; }

protected:
    void showEvent(QShowEvent* event) override {
        Fit();
        QLabel::showEvent(event);
    }
    void changeEvent(QEvent* event) override {
        QLabel::changeEvent(event);
        // Polishing sets the font before the static is first shown, which fits it anyway.
        if (event->type() == QEvent::FontChange && isVisible()) Fit();
    }

private:
    // The text's size wrapped to `width`: wider where a word is longer than a line.
    QSize Wrapped(int width, const QString& text) const {
        return fontMetrics()
            .boundingRect(QRect(0, 0, width, 1 << 20), int(alignment()) | Qt::TextWordWrap, text)
            .size();
    }
    // The width the label draws the text in on one line: its advance, rounded as the drawing
    // rounds it (a font's hinted advances can add up to a pixel or two more than the sum).
    int LineWidth(const QString& text) const {
        return fontMetrics().boundingRect(QRect(0, 0, 1 << 20, 1 << 20), int(alignment()), text)
            .width();
    }
    std::array<QRect, 3> Widened(const QRect& area, int extra) const {
        const QRect right = area.adjusted(0, 0, extra, 0), left = area.adjusted(-extra, 0, 0, 0),
                    both = area.adjusted(-extra / 2, 0, extra - extra / 2, 0);
        if (alignment() & Qt::AlignHCenter) return {both, right, left};
        if (alignment() & Qt::AlignRight) return {left, right, both};
        return {right, left, both};
    }
    bool FitsIn(const QRect& r, const QString& text) const {
        return LineWidth(text) <= r.width() ||
               Wrapped(r.width(), text).height() <= r.height();
    }
    // Nothing the window shows lies where the static would grow, and it stays in the window.
    bool RoomFor(const QRect& grown, const QRect& now) const {
        const QWidget* window = parentWidget();
        if (grown.bottom() >= window->height()) return false;
        for (const QObject* o : window->children()) {
            const auto* w = qobject_cast<const QWidget*>(o);
            if (!w || w == this || w == next_ || !w->isVisibleTo(window) ||
                qobject_cast<const QGroupBox*>(w))
                continue;
            if (w->geometry().intersects(grown) && !w->geometry().intersects(now)) return false;
        }
        return true;
    }

    QRect template_;
    QString fitted_;
    StaticText* next_ = nullptr;
    bool joined_ = false;
};

// Fits a window's statics again when the window changes size, and those whose text changed when
// the window is asked to lay out again (a label asks that of its window when its text changes).
class StaticFitter : public QObject {
public:
    explicit StaticFitter(QWidget* window) : QObject(window) { window->installEventFilter(this); }
    void Add(StaticText* label) { statics_.push_back(label); }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        const bool resized = event->type() == QEvent::Resize;
        if (resized || event->type() == QEvent::LayoutRequest)
            for (StaticText* label : statics_)
                if (label && (resized || label->TextChanged())) label->Fit();
        return false;
    }

private:
    std::vector<QPointer<StaticText>> statics_;
};

// Whether a static at `below` may go on from the one at `above`: a line broken by hand, the
// next starting within a line below and overlapping it sideways.
bool GoesOnFrom(const QRect& above, const QRect& below, const QFontMetrics& metrics) {
    return below.top() >= above.bottom() && below.top() - above.bottom() <= metrics.lineSpacing() &&
           below.left() < above.right() && above.left() < below.right();
}

// A static that only shows a short text: no id to find it by, no style that changes it, no
// control after it that it names, and a text that stays on its one line. The layer paints it.
bool PaintedOnly(const DialogTemplate& tmpl, std::size_t i, const ControlFactories& factories,
                 const QFontMetrics& metrics) {
    const ControlSpec& c = tmpl.controls[i];
    if (c.kind != ControlKind::Static || c.id != kNoId || !c.text ||
        (c.style & (kDisabled | kHidden | kBorder)) || factories.byKind.count(ControlKind::Static))
        return false;
    if (i + 1 < tmpl.controls.size()) {
        const ControlKind next = tmpl.controls[i + 1].kind;
        if (next == ControlKind::Edit || next == ControlKind::SliderVert) return false;
    }
    const QRect r = DluToPixels(c.x, c.y, c.cx, c.cy, tmpl.font.units);
    // The second half of a line broken by hand stays a label: the first may run on into it.
    if (i > 0 && tmpl.controls[i - 1].kind == ControlKind::Static) {
        const ControlSpec& p = tmpl.controls[i - 1];
        if (GoesOnFrom(DluToPixels(p.x, p.y, p.cx, p.cy, tmpl.font.units), r, metrics))
            return false;
    }
    const QString text = QString::fromUtf8(c.text);
    return !text.contains(QLatin1Char('&')) && !text.contains(QLatin1Char('\n')) &&
           metrics.horizontalAdvance(text) <= r.width();
}

bool DefaultTabStop(ControlKind kind) {
    switch (kind) {
        case ControlKind::PushButton:
        case ControlKind::DefPushButton:
        case ControlKind::Edit:
        case ControlKind::SliderVert:
        case ControlKind::ImageButton:
        case ControlKind::IconButton:
        case ControlKind::TabControl:
        case ControlKind::ListView:
            return true;
        default:
            return false;
    }
}

QWidget* MakeControl(const ControlSpec& control, QWidget* parent,
                     const ControlFactories& factories) {
    const QString text = control.text ? QString::fromUtf8(control.text) : QString();
    if (const auto it = factories.byKind.find(control.kind);
        it != factories.byKind.end() && it->second) {
        if (QWidget* w = it->second(control, parent)) return w;
    }
    switch (control.kind) {
        case ControlKind::PushButton:
        case ControlKind::DefPushButton:
        case ControlKind::ImageButton: {
            auto* b = (control.style & kMultiLine) ? new MultiLineButton(text, parent)
                                                   : new QPushButton(text, parent);
            // Only the template's default button answers Enter; Qt would otherwise make
            // whichever push button has the focus the default.
            b->setAutoDefault(false);
            b->setDefault(control.kind == ControlKind::DefPushButton);
            return b;
        }
        case ControlKind::Edit: {
            auto* e = new QLineEdit(text, parent);
            e->setAlignment(HorizontalAlignment(control.style, Qt::AlignLeft) | Qt::AlignVCenter);
            e->setFrame(!(control.style & kNoBorder));
            e->setReadOnly(control.style & kReadOnly);
            if (control.style & kNumber)
                e->setValidator(new QRegularExpressionValidator(QRegularExpression("-?[0-9]*"), e));
            return e;
        }
        case ControlKind::Static: {
            auto* l = new StaticText(text, parent);
            l->setAlignment(HorizontalAlignment(control.style, Qt::AlignLeft) | Qt::AlignTop);
            if (control.style & kBorder) l->setFrameShape(QFrame::Box);
            return l;
        }
        case ControlKind::GroupBox:
            return new QGroupBox(text, parent);
        case ControlKind::SliderVert:
            return new SliderControl(parent);
        case ControlKind::TabControl:
            return new QTabWidget(parent);
        case ControlKind::ListView: {
            auto* list = new QTreeWidget(parent);
            list->setRootIsDecorated(false);
            list->setUniformRowHeights(true);
            list->setAllColumnsShowFocus(true);
            list->setSelectionMode(QAbstractItemView::SingleSelection);
            list->setEditTriggers(QAbstractItemView::NoEditTriggers);
            return list;
        }
        case ControlKind::Picture: {
            auto* l = new QLabel(parent);
            const QPixmap icon = QPixmap::fromImage(
                LoadResourceImage(QStringLiteral(":/ICON/%1.png").arg(control.resource)));
            if (!icon.isNull()) l->setPixmap(icon);
            l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            return l;
        }
        case ControlKind::IconButton:
            return new QPushButton(parent);
        case ControlKind::LevelBarVert:
        case ControlKind::LevelBarHorz:
            return new QWidget(parent);
        case ControlKind::Custom: {
            const auto it = factories.byId.find(control.id);
            if (it != factories.byId.end() && it->second) {
                if (QWidget* w = it->second(control, parent)) return w;
            }
            // A custom control nobody makes still takes its place, so the window's layout and
            // the id lookup keep working.
            return new QWidget(parent);
        }
    }
    return new QWidget(parent);
}

// A slider as a screen reader reads it: the value it stands for. Moving it from there is a move
// like one by the keyboard: the owner hears of it, the unit does not.
class SliderAccessible : public ValueAccessible {
public:
    explicit SliderAccessible(SliderControl* slider)
        : ValueAccessible(slider, QAccessible::Slider) {}
    QVariant currentValue() const override { return Slider()->ShownValue(); }
    QVariant minimumValue() const override { return Slider()->ShownMinimum(); }
    QVariant maximumValue() const override { return Slider()->ShownMaximum(); }
    void setCurrentValue(const QVariant& value) override {
        SliderControl* s = Slider();
        s->setSliderPosition(s->value() + s->ShownValue() - value.toInt());
        s->triggerAction(QAbstractSlider::SliderMove);
    }

private:
    SliderControl* Slider() const { return static_cast<SliderControl*>(widget()); }
};

QAccessibleInterface* SliderAccessibleFor(const QString& className, QObject* object) {
    if (className != QLatin1String(SliderControl::staticMetaObject.className())) return nullptr;
    return new SliderAccessible(static_cast<SliderControl*>(object));
}

}  // namespace

std::span<const char* const> TemplateFontFiles() {
    return kTahomaFaces;
}

bool LoadTemplateFonts() {
    if (QFontDatabase::families().contains(QLatin1String(kTahoma))) return true;
    bool loaded = false;
    for (const char* path : kTahomaFaces)
        if (QFile::exists(QLatin1String(path)))
            loaded = QFontDatabase::addApplicationFont(QLatin1String(path)) >= 0 || loaded;
    return loaded;
}

QFont TemplateQFont(const TemplateFont& font) {
    QFont f{QString::fromLatin1(kTahoma)};
    f.setStyleHint(QFont::SansSerif);
    // Points at the system's 96 dpi, rounded like the system rounds a template font's height.
    f.setPixelSize(MulDiv(font.pointSize, 96, 72));
    return f;
}

SliderControl::SliderControl(QWidget* parent) : QSlider(Qt::Vertical, parent) {
    QAccessible::installFactory(&SliderAccessibleFor);
    setRange(0, 100);
    setTickPosition(QSlider::TicksBothSides);
    setTickInterval(1);
    setSingleStep(1);
    // Smallest position at the top, as the templates' sliders have it; the owners turn
    // positions into values themselves.
    setInvertedAppearance(true);
    setInvertedControls(true);
    // actionTriggered comes for user actions only, before the slider takes the new position as
    // its value; take it first so that the handler reads it.
    connect(this, &QAbstractSlider::actionTriggered, this, [this](int) {
        setValue(sliderPosition());
        emit scrolled();
    });
}

void SliderControl::SetPos(int position) {
    const QSignalBlocker block(this);
    setValue(position);
}

void SliderControl::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) captured_ = true;
    QSlider::mousePressEvent(event);
}

void SliderControl::mouseReleaseEvent(QMouseEvent* event) {
    QSlider::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && captured_) {
        captured_ = false;
        // The end of tracking: the owner recomputes its value from where the thumb rests, so a
        // value that lies outside the slider's range (from a file) is brought to it before the
        // release commits it.
        emit scrolled();
        emit releasedCapture();
    }
}

void SliderControl::sliderChange(SliderChange change) {
    if (change == SliderRangeChange) setPageStep(std::max(1, (maximum() - minimum()) / 5));
    QSlider::sliderChange(change);
}

void SliderControl::paintEvent(QPaintEvent* event) {
    QSlider::paintEvent(event);
    // A style sheet that shapes the groove and handle makes Qt drop the tick marks; the
    // templates' sliders have them on both sides, so draw them here in that case.
    if (tickPosition() == NoTicks || tickInterval() <= 0 ||
        qstrcmp(style()->metaObject()->className(), "QStyleSheetStyle") != 0)
        return;
    QStyleOptionSlider opt;
    initStyleOption(&opt);
    const QRect groove =
        style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, this);
    const QRect handle =
        style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, this);
    const int span = groove.height() - handle.height();
    if (span <= 0) return;
    QPainter p(this);
    p.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    const int cx = groove.center().x();
    const int inner = 9, outer = 12;
    auto tick = [&](int v) {
        const int y =
            groove.top() + handle.height() / 2 +
            QStyle::sliderPositionFromValue(minimum(), maximum(), v, span, opt.upsideDown);
        p.drawLine(cx - outer, y, cx - inner, y);
        p.drawLine(cx + inner, y, cx + outer, y);
    };
    // Every interval from the minimum, and always both ends.
    for (int v = minimum(); v < maximum(); v += tickInterval()) tick(v);
    tick(maximum());
}

QWidget* DialogControls::Control(int id) const {
    const auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : it->data();
}
QPushButton* DialogControls::Button(int id) const {
    return Control<QPushButton>(id);
}
QLineEdit* DialogControls::Edit(int id) const {
    return Control<QLineEdit>(id);
}
SliderControl* DialogControls::Slider(int id) const {
    return Control<SliderControl>(id);
}
QLabel* DialogControls::Label(int id) const {
    return Control<QLabel>(id);
}
QTabWidget* DialogControls::Tab(int id) const {
    return Control<QTabWidget>(id);
}

DialogControls BuildDialog(const DialogTemplate& tmpl, QWidget* dialog,
                           const ControlFactories& factories) {
    DialogControls out;
    out.units_ = tmpl.font.units;
    out.size_ = DluToPixels(tmpl.cx, tmpl.cy, tmpl.font.units);

    dialog->setFont(TemplateQFont(tmpl.font));
    if (tmpl.caption) dialog->setWindowTitle(QString::fromUtf8(tmpl.caption));
    if (!out.size_.isEmpty()) dialog->resize(out.size_);

    QWidget* previousStop = nullptr;
    QLabel* caption = nullptr;    // a static just before an edit box or slider names it
    StaticText* above = nullptr;  // the static just before, when this one may go on from it
    StaticFitter* fitter = nullptr;
    StaticLayer* painted = nullptr;
    const QFontMetrics metrics(dialog->font());
    for (std::size_t i = 0; i < tmpl.controls.size(); ++i) {
        const ControlSpec& control = tmpl.controls[i];
        if (PaintedOnly(tmpl, i, factories, metrics)) {
            if (!painted) painted = new StaticLayer(dialog);
            painted->Add(
                {DluToPixels(control.x, control.y, control.cx, control.cy, tmpl.font.units),
                 QString::fromUtf8(control.text),
                 HorizontalAlignment(control.style, Qt::AlignLeft) | Qt::AlignTop});
            caption = nullptr;
            above = nullptr;
            continue;
        }
        QWidget* w = MakeControl(control, dialog, factories);
        if (caption &&
            (control.kind == ControlKind::Edit || control.kind == ControlKind::SliderVert))
            caption->setBuddy(w);
        caption = control.kind == ControlKind::Static && control.text ? qobject_cast<QLabel*>(w)
                                                                      : nullptr;
        w->setGeometry(DluToPixels(control.x, control.y, control.cx, control.cy, tmpl.font.units));
        if (auto* label = dynamic_cast<StaticText*>(w)) {
            label->SetTemplateRect(w->geometry());
            if (!fitter) fitter = new StaticFitter(dialog);
            fitter->Add(label);
            if (above && GoesOnFrom(above->TemplateRect(), w->geometry(), label->fontMetrics()))
                above->SetContinuation(label);
            above = label;
        } else {
            above = nullptr;
        }
        if (control.id != kNoId) {
            w->setProperty("ctrlId", control.id);
            w->setObjectName(QStringLiteral("ctrl%1").arg(control.id));
            out.byId_.insert(control.id, w);
        }
        w->setEnabled(!(control.style & kDisabled));
        const bool tabStop = (control.style & kTabStop) ||
                             (DefaultTabStop(control.kind) && !(control.style & kNoTabStop));
        if (!tabStop) {
            w->setFocusPolicy(Qt::NoFocus);
        } else if (w->focusPolicy() == Qt::NoFocus) {
            w->setFocusPolicy(Qt::StrongFocus);
        }
        // Statics and group boxes are labels only: clicks go through them to what lies below,
        // as they do on the system's dialogs.
        if (control.kind == ControlKind::Static || control.kind == ControlKind::GroupBox ||
            control.kind == ControlKind::Picture)
            w->setAttribute(Qt::WA_TransparentForMouseEvents);
        // Earlier entries lie above later ones, as in the system's templates; group boxes,
        // which come after their contents in some tables, must not cover them.
        w->lower();
        if (tabStop) {
            if (previousStop) QWidget::setTabOrder(previousStop, w);
            previousStop = w;
        }
        if (control.style & kHidden) w->hide();
        out.all_.append(w);
    }
    // The painted statics lie below every control, the group boxes too.
    if (painted) painted->lower();
    return out;
}

QWidget* FindControl(const QWidget* parent, int id) {
    const QString name = QStringLiteral("ctrl%1").arg(id);
    if (auto* w = parent->findChild<QWidget*>(name, Qt::FindDirectChildrenOnly)) return w;
    return parent->findChild<QWidget*>(name);
}

int ControlId(const QWidget* control) {
    const QVariant v = control ? control->property("ctrlId") : QVariant();
    return v.isValid() ? v.toInt() : kNoId;
}

}  // namespace orq
