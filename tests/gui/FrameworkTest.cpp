// Templates, message maps, data exchange, modal services and window notifications.

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <thread>

#include "framework/DataExchange.h"
#include "framework/DialogTemplate.h"
#include "framework/MessageMap.h"
#include "framework/NotifyTarget.h"
#include "framework/Services.h"
#include "framework/TestServices.h"
#include "serial/SerialPort.h"
#include "widgets/PngButton.h"

using namespace orq;

namespace {

constexpr ControlSpec kControls[] = {
    {10, ControlKind::PushButton, "First", 461, 30, 65, 19},
    {kNoId, ControlKind::Static, "caption", 3, 5, 40, 8},
    {12, ControlKind::Edit, nullptr, 35, 285, 33, 14, kTextCenter},
    {11, ControlKind::Edit, nullptr, 83, 285, 33, 14},
    {13, ControlKind::SliderVert, nullptr, 35, 135, 25, 149},
    {14, ControlKind::ImageButton, "Beginner", 10, 30, 55, 30},
    {15, ControlKind::Edit, nullptr, 1, 1, 40, 14, kHidden},
    {16, ControlKind::PushButton, "Off", 100, 1, 40, 14, kDisabled},
    {17, ControlKind::Custom, nullptr, 200, 10, 20, 20},
    {kNoId, ControlKind::GroupBox, "Main rotor", 0, 0, 526, 341},
};
constexpr DialogTemplate kTemplate{900, "Test", 526, 341, kFontMainForm, kControls};

// A window in the way the forms are written: a template, a message map, a data exchange.
class TestForm : public QWidget {
public:
    explicit TestForm(MessageBoxService& messages)
        : controls_(BuildDialog(kTemplate, this)), ddx_(controls_, messages) {
        unmatched = WireMessageMap(this, controls_, GetMessageMap());
    }
    static std::span<const MessageEntry<TestForm>> GetMessageMap() {
        static constexpr MessageEntry<TestForm> kMap[] = {
            OnCommand(10, &TestForm::OnFirst),
            OnCommand(57601, &TestForm::OnMenu),
            OnVScroll(13, &TestForm::OnScroll),
            OnReleasedCapture(13, &TestForm::OnRelease),
            OnEditEnter(12, &TestForm::OnEnter),
            OnMessage(1642, &TestForm::OnReceive),
            OnMessage(WM_SERIAL_REMOVED, &TestForm::OnRemoved),
        };
        return kMap;
    }
    DialogControls controls_;
    DataExchange ddx_;
    int unmatched = 0;
    QStringList log;
    QVector<int> received;
    int removed = 0;

    void OnFirst() { log << "first"; }
    void OnMenu(int id) { log << QStringLiteral("menu %1").arg(id); }
    void OnScroll(int id) { log << QStringLiteral("scroll %1 %2").arg(id).arg(controls_.Slider(id)->value()); }
    void OnRelease(int id) { log << QStringLiteral("release %1").arg(id); }
    void OnEnter(int id) { log << QStringLiteral("enter %1").arg(id); }
    void OnReceive(int32_t port, intptr_t param) {
        received << port;
        QCOMPARE(QThread::currentThread(), qApp->thread());
        QCOMPARE(param, intptr_t{0});
    }

    void OnRemoved(int32_t, intptr_t) { ++removed; }

protected:
    void customEvent(QEvent* e) override { DispatchMessageEvent(this, GetMessageMap(), e); }
};

}  // namespace

class FrameworkTest : public QObject {
    Q_OBJECT

private slots:
    void dialogUnitsRoundLikeTheSystem();
    void templateBuildsPositionedControlsFoundById();
    void tabOrderFollowsTheTable();
    void groupBoxListedLastDoesNotSwallowClicks();
    void messageMapRoutesClicksScrollsReleasesAndCommands();
    void parseIntAcceptsOnlyIntegers();
    void readBackStopsAtTheFirstFaultyBox();
    void readBackRangeFailureStoresTheValueAndNamesTheBounds();
    void writeOutShowsEveryValue();
    void messageBoxIsModalOkOnlyWithTheProgramCaption();
    void systemFiltersBecomeQtFilters();
    void scriptedServicesRecordAndAnswer();
    void notificationsFromAnotherThreadArriveInOrder();
    void notificationForADestroyedWindowIsSkipped();
    void notificationGoesToTheWindowThatWasTargetWhenPosted();
    void serialPortOnAPtyNotifiesTheWindow();
};

void FrameworkTest::dialogUnitsRoundLikeTheSystem() {
    // 461 * 6 / 4 = 691.5 → 692; right edge (461 + 65) * 6 / 4 = 789.
    const QRect r = DluToPixels(461, 30, 65, 19, {6, 14});
    QCOMPARE(r, QRect(QPoint(692, 53), QPoint(788, 85)));  // bottom (49 * 14 / 8 = 85.75 → 86) - 1
    QCOMPARE(MulDiv(-3, 6, 4), -5);                        // -4.5 → -5, away from zero
    QCOMPARE(DluToPixels(529, 297, {7, 16}), QSize(926, 594));
    QCOMPARE(DluToPixels(235, 55, {6, 14}), QSize(353, 96));
}

void FrameworkTest::templateBuildsPositionedControlsFoundById() {
    RecordingMessageBox box;
    QWidget dialog;
    int made = 0;
    QHash<int, ControlFactory> custom;
    custom.insert(17, [&made](const ControlSpec&, QWidget* parent) {
        ++made;
        return new QLabel(QStringLiteral("custom"), parent);
    });
    const DialogControls c = BuildDialog(kTemplate, &dialog, custom);

    QCOMPARE(dialog.windowTitle(), QStringLiteral("Test"));
    QCOMPARE(dialog.size(), QSize(789, 597));
    QCOMPARE(c.Control(10)->geometry(), DluToPixels(461, 30, 65, 19, {6, 14}));
    QCOMPARE(c.Control(12)->geometry(), QRect(53, 499, 49, 24));
    QCOMPARE(c.Edit(12)->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    QCOMPARE(c.Edit(11)->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    QVERIFY(c.Slider(13));
    QCOMPARE(c.Slider(13)->orientation(), Qt::Vertical);
    QVERIFY(c.PngButton(14));
    QCOMPARE(c.PngButton(14)->text(), QStringLiteral("Beginner"));
    QCOMPARE(made, 1);
    QCOMPARE(c.Label(17)->text(), QStringLiteral("custom"));

    // Every id can be found three ways; a wrong type or id gives nothing.
    QCOMPARE(FindControl(&dialog, 16), c.Control(16));
    QCOMPARE(c.Control(16)->objectName(), QStringLiteral("ctrl16"));
    QCOMPARE(ControlId(c.Control(16)), 16);
    QVERIFY(!c.Edit(10));
    QVERIFY(!c.Control(99));
    QVERIFY(!FindControl(&dialog, 99));

    // Controls without id exist all the same, in table order.
    QCOMPARE(c.All().size(), qsizetype(std::size(kControls)));
    QCOMPARE(qobject_cast<QLabel*>(c.All()[1].data())->text(), QStringLiteral("caption"));
    QCOMPARE(ControlId(c.All()[1]), kNoId);

    dialog.show();
    QVERIFY(!c.Edit(15)->isVisible());
    QVERIFY(c.Edit(11)->isVisible());
    QVERIFY(!c.Button(16)->isEnabled());
    QCOMPARE(c.Button(16)->font().pixelSize(), 12);  // Tahoma 9 at 96 dpi
}

void FrameworkTest::tabOrderFollowsTheTable() {
    QWidget dialog;
    const DialogControls c = BuildDialog(kTemplate, &dialog);
    // Edits 12 and 11 are listed in that order although 11 is the smaller id; the static,
    // the hidden edit, the disabled button and the group box are not reached by Tab.
    QVector<int> expected{10, 12, 11, 13, 14};
    QWidget* w = c.Control(10);
    QVector<int> order{ControlId(w)};
    for (int i = 0; i < 4; ++i) {
        do {
            w = w->nextInFocusChain();
        } while (w->focusPolicy() == Qt::NoFocus || !(w->focusPolicy() & Qt::TabFocus) ||
                 ControlId(w) == kNoId || ControlId(w) == 15 || ControlId(w) == 16);
        order << ControlId(w);
    }
    QCOMPARE(order, expected);
    QCOMPARE(c.All()[1]->focusPolicy(), Qt::NoFocus);
}

void FrameworkTest::groupBoxListedLastDoesNotSwallowClicks() {
    RecordingMessageBox box;
    TestForm form(box);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QPushButton* first = form.controls_.Button(10);
    QWidget* hit = form.childAt(first->geometry().center());
    QCOMPARE(hit, first);
}

void FrameworkTest::messageMapRoutesClicksScrollsReleasesAndCommands() {
    RecordingMessageBox box;
    TestForm form(box);
    QCOMPARE(form.unmatched, 0);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    QTest::mouseClick(form.controls_.Button(10), Qt::LeftButton);
    QCOMPARE(form.log, QStringList{"first"});

    // A programmatic move is not a scroll.
    SliderControl* s = form.controls_.Slider(13);
    s->setRange(15, 60);
    QCOMPARE(s->pageStep(), 9);  // a fifth of the range
    s->SetPos(20);
    QCOMPARE(form.log.size(), 1);

    // Keys: Up moves toward the top, where the smallest position is; the handler already
    // reads the new position; no release follows a key.
    s->setFocus();
    QTest::keyClick(s, Qt::Key_Up);
    QCOMPARE(s->value(), 19);
    QCOMPARE(form.log.last(), QStringLiteral("scroll 13 19"));
    QTest::keyClick(s, Qt::Key_Down);
    QCOMPARE(form.log.last(), QStringLiteral("scroll 13 20"));

    // Mouse on the channel: a scroll and, on release, the released-capture notification.
    form.log.clear();
    QTest::mousePress(s, Qt::LeftButton, {}, QPoint(s->width() / 2, s->height() - 3));
    QTest::mouseRelease(s, Qt::LeftButton, {}, QPoint(s->width() / 2, s->height() - 3));
    QVERIFY(!form.log.isEmpty());
    QVERIFY(form.log.first().startsWith(QStringLiteral("scroll 13 ")));
    QCOMPARE(form.log.last(), QStringLiteral("release 13"));
    QCOMPARE(form.log.count(QStringLiteral("release 13")), 1);
    QCOMPARE(s->value(), 29);  // one page toward the bottom, where the largest positions are

    form.log.clear();
    form.controls_.Edit(12)->setFocus();
    QTest::keyClick(form.controls_.Edit(12), Qt::Key_Return);
    QCOMPARE(form.log, QStringList{"enter 12"});

    QVERIFY(DispatchCommand(&form, TestForm::GetMessageMap(), 57601));
    QVERIFY(!DispatchCommand(&form, TestForm::GetMessageMap(), 57603));
    QCOMPARE(form.log.last(), QStringLiteral("menu 57601"));
}

void FrameworkTest::parseIntAcceptsOnlyIntegers() {
    QCOMPARE(ParseInt(" 42 "), std::optional<int>(42));
    QCOMPARE(ParseInt("-125"), std::optional<int>(-125));
    QCOMPARE(ParseInt("+7"), std::optional<int>(7));
    QCOMPARE(ParseInt("-2147483648"), std::optional<int>(INT_MIN));
    QCOMPARE(ParseInt("2147483647"), std::optional<int>(INT_MAX));
    for (const char* bad : {"", " ", "-", "12a", "1 2", "4.5", "0x10", "2147483648",
                            "-2147483649", "99999999999999999999"})
        QVERIFY2(!ParseInt(QString::fromLatin1(bad)), bad);
}

// Three boxes bound in the order 12, 11 (both ranged), then the hidden 15 (integer only).
struct ExchangeFixture {
    RecordingMessageBox box;
    QWidget dialog;
    DialogControls c = BuildDialog(kTemplate, &dialog);
    DataExchange ddx{c, box};
    int a = 30, b = 40, hidden = 7;
    ExchangeFixture() {
        ddx.Bind(12, a, 15, 60);
        ddx.Bind(11, b, 10, 125);
        ddx.Bind(15, hidden);
        ddx.WriteOut();
        dialog.show();
    }
};

void FrameworkTest::readBackStopsAtTheFirstFaultyBox() {
    ExchangeFixture f;
    QVERIFY(QTest::qWaitForWindowExposed(&f.dialog));
    f.c.Edit(12)->setText("45");
    f.c.Edit(11)->setText("forty");
    f.c.Edit(15)->setText("9");
    QVERIFY(!f.ddx.ReadBack());
    QCOMPARE(f.box.Texts(), QStringList{"Please enter an integer."});
    QCOMPARE(f.ddx.FailedId(), 11);
    QCOMPARE(f.a, 45);      // read before the faulty box: stored
    QCOMPARE(f.b, 40);      // not an integer: keeps its value
    QCOMPARE(f.hidden, 7);  // after it: not read
    QCOMPARE(f.dialog.focusWidget(), f.c.Edit(11));
    QCOMPARE(f.c.Edit(11)->selectedText(), QStringLiteral("forty"));

    f.c.Edit(11)->setText("50");
    QVERIFY(f.ddx.ReadBack());
    QCOMPARE(f.ddx.FailedId(), kNoId);
    QCOMPARE(f.b, 50);
    QCOMPARE(f.hidden, 9);
    QCOMPARE(f.box.Texts().size(), 1);

    // A hidden box takes part like the others.
    f.c.Edit(15)->setText("");
    QVERIFY(!f.ddx.ReadBack());
    QCOMPARE(f.ddx.FailedId(), 15);
}

void FrameworkTest::readBackRangeFailureStoresTheValueAndNamesTheBounds() {
    ExchangeFixture f;
    f.c.Edit(12)->setText("70");
    f.c.Edit(11)->setText("5");
    QVERIFY(!f.ddx.ReadBack());
    QCOMPARE(f.box.Texts(), QStringList{"Please enter an integer between 15 and 60."});
    QCOMPARE(f.a, 70);  // stored as typed
    QCOMPARE(f.b, 40);  // later box not read
    QCOMPARE(f.dialog.focusWidget(), f.c.Edit(12));

    f.c.Edit(12)->setText("15");
    QVERIFY(!f.ddx.ReadBack());
    QCOMPARE(f.box.Last(), QStringLiteral("Please enter an integer between 10 and 125."));
    QCOMPARE(f.a, 15);
    QCOMPARE(f.b, 5);
    QCOMPARE(f.dialog.focusWidget(), f.c.Edit(11));

    // Both bounds are inside the range.
    f.c.Edit(11)->setText("125");
    QVERIFY(f.ddx.ReadBack());
}

void FrameworkTest::writeOutShowsEveryValue() {
    ExchangeFixture f;
    f.a = -5;
    f.hidden = 2147483647;
    f.ddx.WriteOut();
    QCOMPARE(f.c.Edit(12)->text(), QStringLiteral("-5"));
    QCOMPARE(f.c.Edit(11)->text(), QStringLiteral("40"));
    QCOMPARE(f.c.Edit(15)->text(), QStringLiteral("2147483647"));
}

void FrameworkTest::messageBoxIsModalOkOnlyWithTheProgramCaption() {
    QWidget parent;
    parent.show();
    QString caption, text;
    QStringList buttons;
    bool modal = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        caption = box->windowTitle();
        text = box->text();
        modal = box->isModal();
        for (QAbstractButton* b : box->buttons()) buttons << b->text();
        box->button(QMessageBox::Ok)->click();
    });
    QtMessageBox messages;
    messages.Show(&parent, QStringLiteral("Beginner!"));
    QCOMPARE(caption, QStringLiteral("ORQ 2.0"));
    QCOMPARE(text, QStringLiteral("Beginner!"));
    QVERIFY(modal);
    QCOMPARE(buttons.size(), 1);
    QVERIFY(!QApplication::activeModalWidget());
}

void FrameworkTest::systemFiltersBecomeQtFilters() {
    QCOMPARE(QtFiltersFromSystemFilter("conif file (*.ini)|*.ini||"),
             QStringList{"conif file (*.ini)"});
    QCOMPARE(QtFiltersFromSystemFilter("Hex File|*.hex|"), QStringList{"Hex File (*.hex)"});
    QCOMPARE(QtFiltersFromSystemFilter("Pictures|*.png;*.bmp|All|*.*||"),
             (QStringList{"Pictures (*.png *.bmp)", "All (*.*)"}));
    QVERIFY(QtFiltersFromSystemFilter("").isEmpty());
}

void FrameworkTest::scriptedServicesRecordAndAnswer() {
    ScriptedFileDialog files;
    files.Answer(FileDialogOutcome::Ok, "/tmp/a.ini");
    FileDialogRequest r;
    r.title = "Select Config File";
    QCOMPARE(files.Run(nullptr, r).path, QStringLiteral("/tmp/a.ini"));
    const FileDialogResult second = files.Run(nullptr, r);
    QCOMPARE(second.outcome, FileDialogOutcome::Cancel);  // script used up
    QCOMPARE(files.Requests().size(), 2);
    QCOMPARE(files.Requests()[0].title, QStringLiteral("Select Config File"));

    ScriptedModalRunner modal;
    QDialog dlg;
    bool visibleDuringRun = false;
    modal.onRun = [&](QDialog& d) {
        visibleDuringRun = d.isVisible();
        return int(QDialog::Accepted);
    };
    QCOMPARE(modal.RunModal(dlg), int(QDialog::Accepted));
    QVERIFY(visibleDuringRun);
    QVERIFY(!dlg.isVisible());
    QCOMPARE(modal.Runs(), 1);
}

void FrameworkTest::notificationsFromAnotherThreadArriveInOrder() {
    RecordingMessageBox box;
    WindowNotifier notifier;
    TestForm form(box);
    std::shared_ptr<WindowNotifyTarget> target = notifier.TargetFor(&form);
    constexpr int kCount = 2000;
    std::thread worker([target] {
        for (int i = 0; i < kCount; ++i) target->Post(1642, i, 0);
    });
    worker.join();
    QVERIFY(form.received.isEmpty());  // nothing is delivered on the posting thread
    QTRY_COMPARE(form.received.size(), kCount);
    for (int i = 0; i < kCount; ++i) QCOMPARE(form.received[i], i);
}

void FrameworkTest::notificationForADestroyedWindowIsSkipped() {
    RecordingMessageBox box;
    WindowNotifier notifier;
    auto form = std::make_unique<TestForm>(box);
    TestForm other(box);
    auto gone = notifier.TargetFor(form.get());
    auto alive = notifier.TargetFor(&other);
    std::thread worker([gone, alive] {
        gone->Post(1642, 1, 0);
        alive->Post(1642, 2, 0);
    });
    worker.join();
    form.reset();  // destroyed while its notification waits in the queue
    QTRY_COMPARE(other.received, QVector<int>{2});
    // A new window at the same address must not inherit the old one's notifications.
    auto again = notifier.TargetFor(&other);
    QCOMPARE(again->Handle(), alive->Handle());
    QVERIFY(again->Handle() != gone->Handle());
}

void FrameworkTest::notificationGoesToTheWindowThatWasTargetWhenPosted() {
    RecordingMessageBox box;
    WindowNotifier notifier;
    TestForm main(box), page(box);
    std::shared_ptr<WindowNotifyTarget> current = notifier.TargetFor(&main);
    current->Post(1642, 1, 0);
    current = notifier.TargetFor(&page);  // the wizard shows a page
    current->Post(1642, 2, 0);
    QTRY_COMPARE(page.received, QVector<int>{2});
    QCOMPARE(main.received, QVector<int>{1});
}

void FrameworkTest::serialPortOnAPtyNotifiesTheWindow() {
    int master = -1, slave = -1;
    char name[128] = {};
    QCOMPARE(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    termios raw{};
    ::tcgetattr(master, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(master, TCSANOW, &raw);
    ::close(slave);  // the port opens it by name

    RecordingMessageBox box;
    WindowNotifier notifier;  // before the port: it must outlive the wait thread
    TestForm form(box);
    {
        SerialPort port(SerialPort::kProgramOptions);
        const std::shared_ptr<WindowNotifyTarget> target = notifier.TargetFor(&form);
        port.SetNotifyTarget(target);
        QVERIFY(port.OpenPort(3, name));
        QVERIFY(port.SetState(9600, 0, 8, 1));
        QVERIFY(port.SetupPort());
        QVERIFY(port.StartThreads());

        const uint8_t bytes[] = {0x7F, 0x2F, 0x01, 0x7E, 0x0E};
        QCOMPARE(::write(master, bytes, sizeof bytes), ssize_t(sizeof bytes));
        QTRY_VERIFY(!form.received.isEmpty());
        QCOMPARE(form.received.first(), 3);  // the port number
        QTRY_COMPARE(port.ReceiveSize(), uint32_t(sizeof bytes));

        ::close(master);  // the unit goes away
        QTRY_COMPARE(form.removed, 1);
        port.ClosePort();
    }
}

QTEST_MAIN(FrameworkTest)
#include "FrameworkTest.moc"
