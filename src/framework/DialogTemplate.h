#pragma once
// Dialog templates as tables in code, and the builder that turns one into positioned Qt widgets.
//
// A window declares its template once, as constexpr data, in the order the controls are listed
// (that order is the keyboard tab order):
//
//     inline constexpr orq::ControlSpec kControls101[] = {
//         {1000, orq::ControlKind::PushButton, "Connect ORQ", 461, 30, 65, 19},
//         {1014, orq::ControlKind::Edit, nullptr, 35, 285, 33, 14, orq::kBorder |
//         orq::kTextCenter}, {orq::kNoId, orq::ControlKind::GroupBox, "Main rotor", 8, 95, 246,
//         246},
//         ...
//     };
//     inline constexpr orq::DialogTemplate kTemplate101{101, nullptr, 526, 341,
//                                                       orq::kFontMainForm, kControls101};
//
// and builds it on its own widget in the constructor:
//
//     controls_ = orq::BuildDialog(kTemplate101, this);
//     controls_.Edit(1014)->setText("15");
//
// Positions are dialog units. They become pixels with fixed base units per template font (the
// same on every machine), never with the metrics of whatever font the system substitutes, so
// that the fixed-pixel pictures the windows paint stay where their windows put them.

#include <QFont>
#include <QHash>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QSlider>
#include <QVector>

#include <functional>
#include <map>
#include <optional>
#include <span>

class QAbstractButton;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QWidget;

namespace orq {

// Statics and group boxes usually have no identifier. They are built like every other control
// but cannot be looked up.
inline constexpr int kNoId = -1;

enum class ControlKind {
    PushButton,     // QPushButton
    DefPushButton,  // QPushButton, the dialog's default button (Enter)
    Edit,           // QLineEdit
    Static,         // QLabel with text; wraps at the rectangle's width like a left static
    GroupBox,       // QGroupBox (frame with a caption); lies below the other controls
    SliderVert,     // SliderControl, vertical, ticks on both sides, smallest position at the top
    ImageButton,    // an image button (the widgets room makes it); a push button without a factory
    IconButton,     // a small button showing the icon resource `resource` (widgets room)
    LevelBarVert,   // a vertical centre-zero meter (widgets room); an empty widget without one
    LevelBarHorz,   // a horizontal centre-zero meter (widgets room)
    TabControl,     // QTabWidget; its pages are the owner's business
    Picture,        // QLabel showing the icon resource `resource` (":/ICON/<resource>.png")
    ListView,       // QTreeWidget in report style: rows of columns under a header; the owner
                    // names the columns
    Custom,         // made by the factory the owner hands to BuildDialog for this id
};

// Style bits. The defaults are those of the usual template entries: every control visible and
// enabled; push buttons, edits, sliders, image buttons and tab controls are tab stops, statics
// and group boxes are not; edit boxes are bordered and left-aligned, statics left-aligned.
enum ControlStyle : unsigned {
    kDefaultStyle = 0,
    kHidden = 1u << 0,  // created but never shown (template entry without the visible style)
    kDisabled = 1u << 1,
    kTextLeft = 1u << 2,
    kTextCenter = 1u << 3,
    kTextRight = 1u << 4,
    kBorder = 1u << 5,    // statics: a thin frame; edits are bordered anyway
    kNoBorder = 1u << 6,  // edits without frame
    kNoTabStop = 1u << 7,
    kTabStop = 1u << 8,   // statics/pictures that take focus (rare)
    kReadOnly = 1u << 9,  // edits
    kNumber = 1u << 10,   // edits that accept digits (and a leading minus) only
    kMultiLine = 1u << 11,  // push buttons whose caption wraps to the button's width
};

// Pixels per 4 horizontal and per 8 vertical dialog units.
struct BaseUnits {
    int x = 6;
    int y = 14;
};

// The template's font: the family is always Tahoma (or the system sans where it is missing);
// the size is in points at 96 dpi, turned into a pixel size so it does not follow the screen.
struct TemplateFont {
    int pointSize = 9;
    BaseUnits units;
};

inline constexpr TemplateFont kFontMainForm{9, {6, 14}};  // main form 101, About 100
inline constexpr TemplateFont kFontSetup{10, {7, 16}};    // Setup 171 and its pages
inline constexpr TemplateFont kFontAdvance{11, {8, 18}};  // Advance Menu 248

struct ControlSpec {
    int id = kNoId;
    ControlKind kind = ControlKind::Static;
    const char* text = nullptr;        // UTF-8; nullptr = no text
    int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
    unsigned style = kDefaultStyle;
    int resource = 0;  // Picture, IconButton: the icon resource id
};

struct DialogTemplate {
    int id = 0;
    const char* caption = nullptr;  // window title of a dialog; nullptr for forms and pages
    int cx = 0, cy = 0;             // dialog units
    TemplateFont font;
    std::span<const ControlSpec> controls;
};

// Rounds like the system's MulDiv: to nearest, halves away from zero.
constexpr int MulDiv(int a, int b, int c) {
    const long long p = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(p >= 0 ? (p + half) / c : -((-p + half) / c));
}

// Dialog units to pixels. Each edge is converted on its own, as the system's MapDialogRect
// does, so adjacent controls stay adjacent in pixels.
constexpr QRect DluToPixels(int x, int y, int cx, int cy, BaseUnits u) {
    const int left = MulDiv(x, u.x, 4), top = MulDiv(y, u.y, 8);
    const int right = MulDiv(x + cx, u.x, 4), bottom = MulDiv(y + cy, u.y, 8);
    return QRect(left, top, right - left, bottom - top);
}
inline QSize DluToPixels(int cx, int cy, BaseUnits u) {
    return QSize(MulDiv(cx, u.x, 4), MulDiv(cy, u.y, 8));
}

// Registers /usr/share/wine/fonts/tahoma.ttf and its bold face tahomabd.ttf with Qt when they
// are there (they have Tahoma's metrics, so captions fit the widths their templates give them).
// Call once after the QApplication is made; harmless to call again. Returns whether the
// "Tahoma" family is available afterwards.
bool LoadTemplateFonts();
// The files LoadTemplateFonts registers, for a start-up that hands them to the system's font
// configuration ahead of time (then the call only finds the family there).
std::span<const char* const> TemplateFontFiles();
QFont TemplateQFont(const TemplateFont& font);

// The vertical slider of the templates. Positions run like the system's trackbar: the smallest
// at the top, Up/PageUp move toward it. A click in the channel or PageUp/PageDown moves a fifth
// of the range, arrows and the wheel one position.
//
// Its notifications come in the system's order: `scrolled` for every user action (drag, click,
// keys, wheel) with the new position already taken, and once more when the mouse lets go (the
// end of tracking, which comes even when the thumb did not move); then `releasedCapture`.
// Keyboard moves produce no release.
class SliderControl : public QSlider {
    Q_OBJECT
public:
    explicit SliderControl(QWidget* parent = nullptr);
    // A position change that is not a scroll: no scroll handler runs.
    void SetPos(int position);
    // The owner's rule from position to value, value = base - position, so that a screen reader
    // reads the value the slider stands for. Without one it reads the position.
    void SetValueBase(int base) { base_ = base; }
    int ShownValue() const { return base_ ? *base_ - value() : value(); }
    int ShownMinimum() const { return base_ ? *base_ - maximum() : minimum(); }
    int ShownMaximum() const { return base_ ? *base_ - minimum() : maximum(); }

signals:
    void scrolled();
    void releasedCapture();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void sliderChange(SliderChange change) override;

private:
    bool captured_ = false;
    std::optional<int> base_;
};

// Makes a control for an entry. The framework knows the standard controls; the rooms above it
// hand in factories for their own (image buttons, level bars), by kind or by control id.
using ControlFactory = std::function<QWidget*(const ControlSpec& control, QWidget* parent)>;
struct ControlFactories {
    std::map<ControlKind, ControlFactory> byKind;
    std::map<int, ControlFactory> byId;  // ControlKind::Custom entries
};

// The controls a template produced, by id. The widgets belong to the parent they were built on;
// the lookups return nullptr for an id that is not there (or a control of another type).
class DialogControls {
public:
    QWidget* Control(int id) const;
    template <class W>
    W* Control(int id) const {
        return qobject_cast<W*>(Control(id));
    }
    QPushButton* Button(int id) const;
    QLineEdit* Edit(int id) const;
    SliderControl* Slider(int id) const;
    QLabel* Label(int id) const;
    QTabWidget* Tab(int id) const;

    // Every control, with or without id, in table order; the short statics a layer paints
    // (see BuildDialog) are no controls.
    const QVector<QPointer<QWidget>>& All() const { return all_; }
    // Pixel rectangle of a dialog-unit rectangle in this template's units.
    QRect Map(int x, int y, int cx, int cy) const { return DluToPixels(x, y, cx, cy, units_); }
    BaseUnits Units() const { return units_; }
    QSize Size() const { return size_; }

private:
    friend DialogControls BuildDialog(const DialogTemplate&, QWidget*, const ControlFactories&);
    QHash<int, QPointer<QWidget>> byId_;
    QVector<QPointer<QWidget>> all_;
    BaseUnits units_;
    QSize size_;
};

// Builds every control of `tmpl` as a child of `dialog`: positioned in pixels, font set, text,
// style and tab order applied. A static with text just before an edit box or a slider is its
// caption, as the system's screen readers take it: the control is read by that name. A static
// without id that only shows a short text is painted with the others like it by one layer below
// the controls (framework/StaticLayer) rather than made a label. Each control with an id
// carries the property "ctrlId" and the object name "ctrl<id>". The dialog gets the template's
// font and is resized to the template's size (not fixed: forms live inside frames); a caption
// becomes the window title.
DialogControls BuildDialog(const DialogTemplate& tmpl, QWidget* dialog,
                           const ControlFactories& factories = {});

// The control with this id among `parent`'s descendants (direct children first), for code that
// does not keep the DialogControls, and for tests.
QWidget* FindControl(const QWidget* parent, int id);
int ControlId(const QWidget* control);  // kNoId when it has none

}  // namespace orq
