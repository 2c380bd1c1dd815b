// The application shell: start-up order, the frame, its commands, About, skin calls, no display.

#include <QAction>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QtTest>

#include <functional>

#include "app/MainFrame.h"
#include "app/Resources.h"
#include "app/StyleSheetSkin.h"
#include "app/UARTApp.h"
#include "framework/DialogTemplate.h"
#include "framework/Skin.h"
#include "support/GuiRig.h"

using namespace orq;
using namespace orq::test;

namespace {

// A form the way the main form plugs in: skins itself in its initial update, takes some commands.
class ProbeForm : public FormView {
public:
    ProbeForm(AppServices& s, QStringList& log) : services_(s), log_(log) {}
    void OnInitialUpdate() override {
        log_ << "initial update";
        services_.skin.Apply(this, kSkinDialog);
    }
    bool OnCmdMsg(int id) override {
        if (id == ID_FILE_OPEN || id == ID_APP_ABOUT) {
            log_ << QStringLiteral("form %1").arg(id);
            return id == ID_FILE_OPEN || takeAbout;
        }
        return false;
    }
    void OnClose() override {
        if (onClose) onClose();
    }
    bool takeAbout = false;
    std::function<void()> onClose;

private:
    AppServices& services_;
    QStringList& log_;
};

struct Shell : ServiceRig {
    CUARTApp app{services};
    QStringList log;
    ProbeForm* form = nullptr;
    bool Start() {
        return app.InitInstance([this](CMainFrame&, AppServices& s) {
            form = new ProbeForm(s, log);
            return form;
        });
    }
    CMainFrame& Frame() { return *app.MainFrame(); }
};

QAction* MenuCommand(CMainFrame& frame, int id) {
    return frame.findChild<QAction*>(QStringLiteral("cmd%1").arg(id));
}

}  // namespace

class AppTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { InitGuiResources(); }
    void frameHoldsTheFormAtAFixedSizeWithAProgressBar();
    void commandsReachTheFormFirstAndTheSkinStopsLast();
    void styleSheetSkinComesFromItsResource();
    void startWithoutADisplaySaysSoAndFails();
};

// The form's pixel layout fixes the frame's size; the progress bar covers the indicator pane; the
// program's icon comes once the window is drawn, in all its sizes.
void AppTest::frameHoldsTheFormAtAFixedSizeWithAProgressBar() {
    Shell s;
    QVERIFY(s.Start());
    CMainFrame& f = s.Frame();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QCOMPARE(f.minimumSize(), f.maximumSize());
    QVERIFY(!(f.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(f.centralWidget(), s.form);
    QCOMPARE(FindControl(&f, kStatusBarId), f.statusBar());
    QTRY_VERIFY(f.ProgressBar());
    QProgressBar* bar = f.ProgressBar();
    QCOMPARE(FindControl(f.statusBar(), kProgressBarId), bar);
    QVERIFY(bar->isVisible() && bar->maximum() == 100 && bar->value() == 0);
    const QRect pane = f.ProgressPane()->geometry();
    QVERIFY(pane.width() > 0 && pane.right() > f.statusBar()->width() - 50);  // at the right end
    QCOMPARE(bar->geometry(), QRect(QPoint(pane.left() - 300, pane.top()), pane.bottomRight()));
    QTRY_COMPARE(f.windowIcon().availableSizes(),
                 (QList<QSize>{{16, 16}, {32, 32}, {48, 48}, {256, 256}}));
    QVERIFY(!f.windowIcon().pixmap(256).isNull());
}

// The skin is up before the form wears it. A command's shortcut and its menu item end in the same
// place; Ctrl+N runs the initial update again; Ctrl+Z's command nobody handles. The form sees
// About first and lets it pass: the application shows the box, whose default button closes it; a
// form that takes the command keeps it from the application. Exit closes the form, and only then
// does the skin stop, once.
void AppTest::commandsReachTheFormFirstAndTheSkinStopsLast() {
    Shell s;
    QVERIFY(s.skin.Log().isEmpty());
    QVERIFY(s.Start());
    QCOMPARE(s.skin.Log().mid(0, 2),
             (QStringList{"Start IDR_MYTYPE1 MYTYPE 1 6 0", "Apply -1 218"}));
    QCOMPARE(s.skin.Windows().at(1).data(), s.form);
    CMainFrame& f = s.Frame();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    QTest::keyClick(&f, Qt::Key_O, Qt::ControlModifier);
    MenuCommand(f, ID_FILE_OPEN)->trigger();
    QTest::keyClick(&f, Qt::Key_N, Qt::ControlModifier);
    QVERIFY(!f.RouteCommand(57643));
    s.modal.onRun = [&](QDialog& d) {
        auto* ok = qobject_cast<QPushButton*>(FindControl(&d, 1));
        if (!ok || !ok->isDefault()) return -1;
        ok->click();
        return d.result();
    };
    MenuCommand(f, ID_APP_ABOUT)->trigger();
    QCOMPARE(s.modal.Runs(), 1);
    s.form->takeAbout = true;
    MenuCommand(f, ID_APP_ABOUT)->trigger();
    QCOMPARE(s.modal.Runs(), 1);
    s.form->onClose = [&] {
        s.log << QStringLiteral("closed, skin stops: %1").arg(s.skin.Log().count("Stop"));
    };
    MenuCommand(f, ID_APP_EXIT)->trigger();
    QVERIFY(!f.isVisible());
    QCOMPARE(s.log, (QStringList{"initial update", "form 57601", "form 57601", "initial update",
                                 "form 57664", "form 57664", "closed, skin stops: 0"}));
    QCOMPARE(s.skin.Log().count("Stop"), 1);
    QCOMPARE(s.skin.Log().last(), QStringLiteral("Stop"));
}

void AppTest::styleSheetSkinComesFromItsResource() {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    StyleSheetSkin skin(*app);
    skin.Start("NO_SUCH_SKIN", "MYTYPE", 1, 6, 0);
    QVERIFY(!skin.Started() && app->styleSheet().isEmpty());
    skin.Start("IDR_MYTYPE1", "MYTYPE", 1, 6, 0);
    QVERIFY(skin.Started() && app->styleSheet().contains(QStringLiteral("skinKind=\"218\"")));
    QWidget form;
    QSlider slider(&form);
    skin.Apply(&form, kSkinDialog);
    skin.SetSlider(&slider, 210, 5, 1, 0, 0, 0);
    QCOMPARE(form.property("skinKind").toInt(), 218);
    QCOMPARE(slider.property("skinKind").toInt(), 210);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    // The sheet paints the form's background in its own colour.
    QCOMPARE(QColor(form.grab().toImage().pixel(form.width() - 2, form.height() - 2)),
             QColor(0xee, 0xf1, 0xf4));
    skin.Stop();
    QVERIFY(app->styleSheet().isEmpty());
}

void AppTest::startWithoutADisplaySaysSoAndFails() {
    // No display named at all, and one named that nobody serves: one line each, no crash.
#ifdef _WIN32
    QSKIP("Windows always has its desktop to show the window on");
#endif
    for (const QString& display : {QString(), QStringLiteral(":4711")}) {
        QProcess orq;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        if (!display.isEmpty()) env.insert(QStringLiteral("DISPLAY"), display);
        orq.setProcessEnvironment(env);
        orq.start(QStringLiteral(ORQ_BINARY_DIR "/src/app/orq"), {});
        QVERIFY(orq.waitForFinished(20000));
        QVERIFY(orq.exitStatus() == QProcess::NormalExit && orq.exitCode() != 0);
        const QString err = QString::fromLocal8Bit(orq.readAllStandardError());
        QCOMPARE(err.count(QLatin1Char('\n')), 1);
        QVERIFY2(err.startsWith(QStringLiteral("orq: ")) && err.contains(QStringLiteral("display")),
                 qPrintable(err));
    }
}

QTEST_MAIN(AppTest)
#include "AppTest.moc"
