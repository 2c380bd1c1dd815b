// Every window as a screen reader meets it, against a simulated unit: each control a person works
// has a name and takes the keyboard, and each value a person sees can be read over the
// accessibility interface, the live ones while they change.

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include "app/Resources.h"
#include "app/UARTApp.h"
#include "support/GuiRig.h"
#include "support/SimPeer.h"
#include "view/AdvanceDlg.h"
#include "view/CompareDlg.h"
#include "view/MainFormTemplate.h"
#include "view/UARTView.h"
#include "view/UnitHistoryDlg.h"
#include "widgets/LevelBar.h"
#include "wizard/MonitorPage.h"
#include "wizard/SetupDlg.h"

using namespace orq;
using namespace orq::test;

namespace {

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

// Everything in `window` a screen reader user could not use or read, one line each.
QStringList Unreadable(QWidget* window) {
    QTest::qWait(1);  // lists lay out their rows from the event loop
    QStringList problems;
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
    return problems;
}

struct Windows : ServiceRig {
    CUARTApp app{services};
    QPointer<CUARTView> view;
    Windows() {
        InitGuiResources();
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

}  // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT
private slots:
    void everyWindowNamesItsControlsAndReadsItsValues();
};

void AccessibilityTest::everyWindowNamesItsControlsAndReadsItsValues() {
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toUtf8());
    SimPeer unit;
    qputenv("ORQ_PORTS", QByteArray::fromStdString(unit.Path()));
    Windows w;
    const auto lamps = [&] {
        QWidget* l = w.view->findChild<QWidget*>(QStringLiteral("lamps"));
        return l ? Reader(l)->text(QAccessible::Name) : QString();
    };
    QCOMPARE(lamps(), QStringLiteral("Not connected"));
    w.Click(IDC_CONNECT);
    QTRY_COMPARE_WITH_TIMEOUT(w.Frame()->StatusText(), QStringLiteral("Connected!"), 10000);
    QCOMPARE(lamps(), QStringLiteral("Connected"));
    w.Frame()->ShowNotice(QStringLiteral("A notice"));
    QCOMPARE(Unreadable(w.Frame()), QStringList());
    // The sliders read as the value they show, not as their upside-down position.
    for (const TuningControl& c : TuningControls()) {
        QAccessibleInterface* slider = Reader(w.view->Controls().Slider(c.slider));
        QCOMPARE(slider->text(QAccessible::Value), w.view->Controls().Edit(c.edit)->text());
        QCOMPARE(slider->valueInterface()->currentValue().toInt(),
                 w.view->Controls().Edit(c.edit)->text().toInt());
    }

    w.Open([](QDialog& d) { QCOMPARE(Unreadable(&d), QStringList()); },
           [&] { w.Click(IDC_ADVANCE); });
    w.Open([](QDialog& d) { QCOMPARE(Unreadable(&d), QStringList()); },
           [&] { w.Frame()->RouteCommand(ID_APP_ABOUT); });
    w.Click(IDC_PRESET_3D_HARD);  // a second set kept, so the history has a difference to show
    w.Open(
        [](QDialog& d) {
            auto* list = FindControl(&d, CUnitHistoryDlg::IDC_HISTORY_LIST);
            qobject_cast<QTreeWidget*>(list)->setCurrentItem(
                qobject_cast<QTreeWidget*>(list)->topLevelItem(1));
            QCOMPARE(Unreadable(&d), QStringList());
        },
        [&] { w.Frame()->RouteCommand(ID_FILE_UNIT_HISTORY); });
    QTemporaryDir dir;
    QFile file(dir.filePath("mine.ini"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[section3]\r\nAcc1=300\r\n");
    file.close();
    w.files.Answer(FileDialogOutcome::Ok, file.fileName());
    w.Open([](QDialog& d) { QCOMPARE(Unreadable(&d), QStringList()); },
           [&] { w.Frame()->RouteCommand(ID_FILE_COMPARE); });

    // The wizard, page by page; on the Monitor page while the unit streams.
    w.Open(
        [](QDialog& d) {
            auto* wizard = qobject_cast<CSetupDlg*>(&d);
            for (int page = 1; page <= wizard->PageCount(); ++page) {
                if (page == CSetupDlg::kMonitorPage) {
                    auto* monitor = qobject_cast<CStep3*>(wizard->Page(page));
                    QTRY_VERIFY(monitor->RepliesShown() >= 3);
                }
                QVERIFY2(Unreadable(wizard).isEmpty(),
                         qPrintable(QStringLiteral("page %1: ").arg(page) +
                                    Unreadable(wizard).join("\n")));
                qobject_cast<QAbstractButton*>(FindControl(wizard, IDC_SETUP_NEXT))->click();
            }
        },
        [&] { w.Click(IDC_SETUP); });
    qunsetenv("ORQ_PORTS");
    qunsetenv("XDG_DATA_HOME");
}

QTEST_MAIN(AccessibilityTest)
#include "AccessibilityTest.moc"
