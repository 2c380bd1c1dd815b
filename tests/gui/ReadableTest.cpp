// Every window as people meet it, against a simulated unit, on the screen's own scale and with
// two device pixels to a unit: each control a person works has a name (a button one of its own)
// and takes the keyboard, each value a person sees can be read over the accessibility interface
// (the live ones while they change), every text shows whole, and the pictures are drawn from
// renders for the screen.

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <tuple>

#include "app/Resources.h"
#include "app/UARTApp.h"
#include "support/GuiRig.h"
#include "view/AdvanceDlg.h"
#include "view/CompareDlg.h"
#include "view/MainFormTemplate.h"
#include "view/UARTView.h"
#include "view/UnitHistoryDlg.h"
#include "widgets/LevelBar.h"
#include "wizard/MonitorPage.h"
#include "wizard/SetupDlg.h"

#ifndef Q_OS_WIN
#include "support/SimPeer.h"
#endif

using namespace orq;
using namespace orq::test;

namespace {

// The unit every window meets: a simulated one of the test's own on a pseudo-terminal; on
// Windows, which has none, the one CTest offers there as a COM port (tests/windows/units.sh),
// named in ORQ_TEST_UNIT.
#ifdef Q_OS_WIN
struct TestUnit {
    std::string Path() const { return qEnvironmentVariable("ORQ_TEST_UNIT").toStdString(); }
};
#else
using TestUnit = SimPeer;
#endif

QAccessibleInterface* Reader(QObject* o) {
    return QAccessible::queryAccessibleInterface(o);
}

QString Named(QWidget* w) {
    return QStringLiteral("%1 %2 '%3'")
        .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName(),
             Reader(w)->text(QAccessible::Name));
}

// What a screen reader hears of an object: its name and its value.
QString Heard(QAccessibleInterface* a) {
    return a->text(QAccessible::Name) + QLatin1Char(' ') + a->text(QAccessible::Value);
}

// Parts Qt builds inside a control (a list's header and scroll bars, a tab strip's arrows):
// the control itself is what is checked.
bool InsideAControl(const QWidget* w, const QWidget* window) {
    for (const QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget())
        if (qobject_cast<const QAbstractItemView*>(p) || qobject_cast<const QTabBar*>(p) ||
            qobject_cast<const QAbstractScrollArea*>(p))
            return true;
    return false;
}

// Each text painted without a widget of its own (a template's short statics), with the widget
// that paints it, as the accessibility tree holds them.
void ForEachPaintedText(QWidget* window,
                        const std::function<void(QAccessibleInterface*, QWidget*)>& visit) {
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window)) continue;
        QAccessibleInterface* a = Reader(w);
        for (int i = 0; a && i < a->childCount(); ++i)
            if (QAccessibleInterface* c = a->child(i);
                c && !c->object() && c->role() == QAccessible::StaticText)
                visit(c, w);
    }
}

// Everything in `window` a screen reader user could not use or read, one line each.
QStringList Unreadable(QWidget* window) {
    QTest::qWait(1);  // lists lay out their rows from the event loop
    QStringList problems, buttons;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || InsideAControl(w, window)) continue;
        QAccessibleInterface* a = Reader(w);
        if (!a) {
            problems << "no interface: " + w->objectName();
            continue;
        }
        const QString heard = Heard(a);
        // The wizard's tab strip only shows where the user is: it takes neither mouse nor keys.
        const bool operable = qobject_cast<QAbstractButton*>(w) ||
                              qobject_cast<QAbstractSlider*>(w) || qobject_cast<QLineEdit*>(w) ||
                              qobject_cast<QAbstractItemView*>(w);
        if (operable && a->text(QAccessible::Name).trimmed().isEmpty())
            problems << "no name: " + Named(w);
        const auto* button = qobject_cast<QAbstractButton*>(w);
        // Two buttons that sound alike (Reset main and tail, a trim's up and down) are one.
        if (button && buttons.contains(a->text(QAccessible::Name)))
            problems << "name shared: " + Named(w);
        if (button) buttons << a->text(QAccessible::Name);
        const bool keyed = button && !button->shortcut().isEmpty();
        if (operable && w->isEnabled() && !(w->focusPolicy() & Qt::TabFocus) && !keyed)
            problems << "out of the keyboard's reach: " + Named(w);
        if (auto* label = qobject_cast<QLabel*>(w); label && !label->text().isEmpty()) {
            QString text = label->text();
            text.remove(QLatin1Char('&'));
            if (!heard.contains(text)) problems << "label unread: " + Named(w) + " shows " + text;
        }
        if (auto* bar = qobject_cast<CLevelBar*>(w)) {
            QAccessibleValueInterface* v = a->valueInterface();
            if (!v || v->currentValue().toInt() != bar->Pos() ||
                a->text(QAccessible::Name).isEmpty())
                problems << "level bar unread: " + Named(w);
        }
        if (auto* status = qobject_cast<QStatusBar*>(w);
            status && !heard.contains(status->currentMessage()))
            problems << "status message unread: " + status->currentMessage();
        if (auto* list = qobject_cast<QTreeWidget*>(w)) {
            QAccessibleTableInterface* table = a->tableInterface();
            for (int row = 0; row < list->topLevelItemCount(); ++row)
                for (int column = 0; column < list->columnCount(); ++column) {
                    QAccessibleInterface* cell = table ? table->cellAt(row, column) : nullptr;
                    const QString shown = list->topLevelItem(row)->text(column);
                    if (!cell || !Heard(cell).contains(shown))
                        problems << QStringLiteral("cell unread: %1 %2,%3 %4")
                                        .arg(Named(w))
                                        .arg(row)
                                        .arg(column)
                                        .arg(shown);
                }
        }
    }
    ForEachPaintedText(window, [&](QAccessibleInterface* text, QWidget* owner) {
        if (text->text(QAccessible::Name).isEmpty() || text->rect().isEmpty())
            problems << "painted text unread in " + owner->objectName();
    });
    return problems;
}

// Area of `w` that its window shows: its own rectangle, cut by every parent's.
QRect Shown(const QWidget* w, const QWidget* window) {
    QRect shown = w->rect();
    for (const QWidget* p = w; p != window && p->parentWidget(); p = p->parentWidget())
        shown &= p->parentWidget()->rect().translated(-w->mapTo(p->parentWidget(), QPoint()));
    return shown;
}

// Every text in `window` that its place does not show whole, one line each: statics, captions of
// buttons (those tall enough for two lines wrap) and titles of group boxes.
QStringList Clipped(QWidget* window) {
    QTest::qWait(1);  // statics fit themselves when shown
    QStringList clipped;
    const auto check = [&](const QWidget* w, const QString& text, QRect area, int flags) {
        const QRect needed = w->fontMetrics().boundingRect(
            QRect(area.topLeft(), QSize(area.width(), 1 << 20)), flags, text);
        if (needed.width() > area.width() || needed.height() > area.height())
            clipped << QStringLiteral("%1 '%2' needs %3 x %4, has %5 x %6")
                           .arg(w->objectName(), text)
                           .arg(needed.width())
                           .arg(needed.height())
                           .arg(area.width())
                           .arg(area.height());
    };
    for (const QLabel* l : window->findChildren<QLabel*>())
        if (l->isVisibleTo(window) && !l->text().isEmpty())
            check(l, l->text(), Shown(l, window),
                  int(l->alignment()) | (l->wordWrap() ? Qt::TextWordWrap : 0));
    for (const QPushButton* b : window->findChildren<QPushButton*>()) {
        if (!b->isVisibleTo(window) || b->text().isEmpty()) continue;
        QStyleOptionButton o;
        o.initFrom(b);
        const QRect area = b->style()->subElementRect(QStyle::SE_PushButtonContents, &o, b);
        const bool wraps = area.height() >= 2 * b->fontMetrics().lineSpacing();
        check(b, b->text(), wraps ? area.adjusted(2, 0, -2, 0) : area,
              Qt::AlignCenter | (wraps ? Qt::TextWordWrap : 0));
    }
    for (const QGroupBox* g : window->findChildren<QGroupBox*>()) {
        if (!g->isVisibleTo(window) || g->title().isEmpty()) continue;
        QStyleOptionGroupBox o;
        o.initFrom(g);
        o.text = g->title();
        o.subControls = QStyle::SC_GroupBoxLabel;
        check(g, g->title(),
              g->style()->subControlRect(QStyle::CC_GroupBox, &o, QStyle::SC_GroupBoxLabel, g),
              Qt::AlignLeft);
    }
    const QRect onScreen(window->mapToGlobal(QPoint()), window->size());
    ForEachPaintedText(window, [&](QAccessibleInterface* text, QWidget* owner) {
        const QRect shown = text->rect() & onScreen;
        check(owner, text->text(QAccessible::Name), shown.translated(-shown.topLeft()),
              Qt::AlignLeft);
    });
    return clipped;
}

struct Windows : ServiceRig {
    CUARTApp app{services};
    QPointer<CUARTView> view;
    Windows() {
        InitGuiResources();
        LoadTemplateFonts();
        QApplication::setFont(TemplateQFont(kFontMainForm));
        app.InitInstance([this](CMainFrame& f, AppServices& s) -> FormView* {
            view = new CUARTView(s, &f);
            view->SetSetupRunner([&s](QWidget* parent) { RunSetup(s, parent); });
            return view;
        });
        QCoreApplication::processEvents();
    }
    ~Windows() {
        if (CMainFrame* f = app.MainFrame()) f->close();
        app.ExitInstance(0);
    }
    CMainFrame* Frame() const { return app.MainFrame(); }
    void Click(int id) const { QTest::mouseClick(view->Controls().Control(id), Qt::LeftButton); }
    // Runs the window a command or button opens, with `inside` while it is up.
    void Open(const std::function<void(QDialog&)>& inside, const std::function<void()>& open) {
        modal.onRun = [inside](QDialog& d) {
            inside(d);
            return int(QDialog::Rejected);
        };
        open();
        modal.onRun = {};
    }
};

// Opens every window of the program in turn, against a simulated unit, and hands each to
// `look` with a name for it: the main window connected (with a notice in the status bar), the
// Advance Menu, About, the unit's history with a set chosen that differs from the unit's,
// Compare with a file holding a value out of range, and each page of the wizard (the Monitor
// page while the unit streams).
void WalkEveryWindow(const std::function<void(const QString&, QWidget*)>& look) {
    QTemporaryDir data, dir;
    qputenv("XDG_DATA_HOME", data.path().toUtf8());
    TestUnit unit;
    QVERIFY2(!unit.Path().empty(), "no unit to connect to");
    qputenv("ORQ_PORTS", QByteArray::fromStdString(unit.Path()));
    Windows w;
    w.Click(IDC_CONNECT);
    QTRY_COMPARE_WITH_TIMEOUT(w.Frame()->StatusText(), QStringLiteral("Connected!"), 10000);
    w.Frame()->ShowNotice(QStringLiteral("A notice"));
    look(QStringLiteral("main window"), w.Frame());
    const auto in = [&](const QString& name) {
        return [&look, name](QDialog& d) { look(name, &d); };
    };
    w.Open(in(QStringLiteral("Advance Menu")), [&] { w.Click(IDC_ADVANCE); });
    w.Open(in(QStringLiteral("About")), [&] { w.Frame()->RouteCommand(ID_APP_ABOUT); });
    w.Click(IDC_PRESET_3D_HARD);
    w.Open(
        [&](QDialog& d) {
            auto* list =
                qobject_cast<QTreeWidget*>(FindControl(&d, CUnitHistoryDlg::IDC_HISTORY_LIST));
            list->setCurrentItem(list->topLevelItem(1));
            look(QStringLiteral("Unit history"), &d);
        },
        [&] { w.Frame()->RouteCommand(ID_FILE_UNIT_HISTORY); });
    QFile file(dir.filePath("mine.ini"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[section3]\r\nAcc1=300\r\n");
    file.close();
    w.files.Answer(FileDialogOutcome::Ok, file.fileName());
    w.Open(in(QStringLiteral("Compare")), [&] { w.Frame()->RouteCommand(ID_FILE_COMPARE); });
    w.Open(
        [&](QDialog& d) {
            auto* wizard = qobject_cast<CSetupDlg*>(&d);
            for (int page = 1; page <= wizard->PageCount(); ++page) {
                if (page == CSetupDlg::kMonitorPage)
                    QTRY_VERIFY(qobject_cast<CStep3*>(wizard->Page(page))->RepliesShown() >= 3);
                look(QStringLiteral("Setup page %1").arg(page), wizard);
                qobject_cast<QAbstractButton*>(FindControl(wizard, IDC_SETUP_NEXT))->click();
            }
        },
        [&] { w.Click(IDC_SETUP); });
    // The lamps and the sliders of the main form, once more after all this.
    look(QStringLiteral("main window"), w.Frame());
    qunsetenv("ORQ_PORTS");
    qunsetenv("XDG_DATA_HOME");
}

}  // namespace

// Run at the screen's own scale and again with QT_SCALE_FACTOR=2.
class ReadableTest : public QObject {
    Q_OBJECT
private slots:
    void everyWindowNamesItsControlsAndReadsItsValues();
    void everyTextFitsItsPlace();
    void picturesAreDrawnFromTheRenderForTheScreen();
};

void ReadableTest::everyWindowNamesItsControlsAndReadsItsValues() {
    QStringList lamps;
    WalkEveryWindow([&](const QString& where, QWidget* window) {
        QStringList problems = Unreadable(window);
        QVERIFY2(problems.isEmpty(), qPrintable(where + ":\n" + problems.join('\n')));
        if (auto* view = window->findChild<CUARTView*>()) {
            lamps << Reader(view->findChild<QWidget*>(QStringLiteral("lamps")))
                         ->text(QAccessible::Name);
            // The sliders read as the value they show, not as their upside-down position.
            for (const TuningControl& c : TuningControls()) {
                QAccessibleInterface* slider = Reader(view->Controls().Slider(c.slider));
                QCOMPARE(slider->text(QAccessible::Value), view->Controls().Edit(c.edit)->text());
                QCOMPARE(slider->valueInterface()->currentValue().toString(),
                         view->Controls().Edit(c.edit)->text());
            }
        }
    });
    QCOMPARE(lamps, (QStringList{"Connected", "Connected"}));
}

void ReadableTest::everyTextFitsItsPlace() {
    WalkEveryWindow([](const QString& where, QWidget* window) {
        const QStringList clipped = Clipped(window);
        QVERIFY2(clipped.isEmpty(), qPrintable(where + ":\n" + clipped.join('\n')));
    });
}

// How many pixels of `shot` at `at` differ from `render` laid over the background there.
int Differing(const QImage& shot, QPoint at, QImage render) {
    QImage expected(render.size(), QImage::Format_ARGB32_Premultiplied);
    expected.fill(shot.pixelColor(at - QPoint(2, 2)));
    render.setDevicePixelRatio(1);
    QPainter(&expected).drawImage(0, 0, render);
    int differing = 0;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x) {
            const QColor a = expected.pixelColor(x, y), b = shot.pixelColor(at + QPoint(x, y));
            differing += std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                             std::abs(a.blue() - b.blue()) >
                         6;
        }
    return differing;
}

// The unit's picture and a preset button on the main form, pixel for pixel as their renders for
// this screen show them: at two device pixels to a unit the @2x renders, not the others scaled up.
void ReadableTest::picturesAreDrawnFromTheRenderForTheScreen() {
    Windows w;
    const QImage shot = w.view->grab().toImage();
    const qreal ratio = shot.devicePixelRatio();
    const QString suffix = ratio > 1 ? QStringLiteral("@2x.png") : QStringLiteral(".png");
    const QImage unit(":/PNG/170" + suffix), strip(":/PNG/244" + suffix);
    QCOMPARE(unit.size(), (QSizeF(150, 101) * ratio).toSize());
    const QPoint picture =
        (QPointF(CUARTView::kUnitPictureX, CUARTView::kUnitPictureY) * ratio).toPoint();
    // Beginner: the first of the overlapping preset buttons, which lies above the others.
    const QRect beginner = w.view->Controls().Control(IDC_PRESET_BEGINNER)->geometry();
    // Its first frame, but for the right edge, which the next button's frame covers.
    const QImage normal = strip.copy(0, 0, strip.width() / 4 * 9 / 10, strip.height());
    for (const auto& [name, at, render] :
         {std::tuple{"unit", picture, unit},
          std::tuple{"Beginner", (beginner.topLeft() * ratio), normal}}) {
        const int differing = Differing(shot, at, render);
        QVERIFY2(differing <= render.width() * render.height() / 100,
                 qPrintable(QStringLiteral("%1: %2 pixels differ").arg(name).arg(differing)));
    }
}

QTEST_MAIN(ReadableTest)
#include "ReadableTest.moc"
