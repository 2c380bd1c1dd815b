// Templates, message maps, data exchange, modal services and window notifications.

#include <QAccessible>
#include <QFile>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRawFont>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <array>
#include <map>
#include <numeric>
#include <thread>

#include "framework/DataExchange.h"
#include "framework/DialogTemplate.h"
#include "framework/MessageMap.h"
#include "framework/NotifyTarget.h"
#include "framework/Services.h"
#include "support/TestServices.h"

using namespace orq;
using namespace orq::test;

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
        unwired = ConnectMessageMap(this, controls_, GetMessageMap());
    }
    static std::span<const MessageEntry<TestForm>> GetMessageMap() {
        static constexpr MessageEntry<TestForm> kMap[] = {
            OnCommand(10, &TestForm::OnFirst),    OnMenu(57601, &TestForm::OnMenuCommand),
            OnVScroll(13, &TestForm::OnScroll),   OnReleasedCapture(13, &TestForm::OnRelease),
            OnEditReturn(12, &TestForm::OnEnter), OnMessage(1642, &TestForm::OnReceive),
        };
        return kMap;
    }
    // Mistakes a map can hold: an id the template lacks, and entries whose control is of another
    // kind (a scroll handler on a button, Return on a slider, a click on an edit box).
    static std::span<const MessageEntry<TestForm>> GetFaultyMap() {
        static constexpr MessageEntry<TestForm> kMap[] = {
            OnCommand(10, &TestForm::OnFirst),     OnCommand(99, &TestForm::OnFirst),
            OnVScroll(10, &TestForm::OnScroll),    OnEditReturn(13, &TestForm::OnEnter),
            OnCommand(11, &TestForm::OnFirst),     OnMenu(57601, &TestForm::OnMenuCommand),
            OnMessage(1642, &TestForm::OnReceive),
        };
        return kMap;
    }
    DialogControls controls_;
    DataExchange ddx_;
    std::vector<int> unwired;
    QStringList log;
    QVector<int> received;
    void OnFirst() { log << "first"; }
    void OnMenuCommand(int id) { log << QStringLiteral("menu %1").arg(id); }
    void OnScroll(int id) {
        log << QStringLiteral("scroll %1 %2").arg(id).arg(controls_.Slider(id)->value());
    }
    void OnRelease(int id) { log << QStringLiteral("release %1").arg(id); }
    void OnEnter(int id) { log << QStringLiteral("enter %1").arg(id); }
    void OnReceive(int32_t port, intptr_t param) {
        received << port;
        QCOMPARE(QThread::currentThread(), qApp->thread());
        QCOMPARE(param, intptr_t{0});
    }

protected:
    void customEvent(QEvent* e) override { DispatchMessageEvent(this, GetMessageMap(), e); }
};

}  // namespace

class FrameworkTest : public QObject {
    Q_OBJECT

private slots:
    void templateBuildsPositionedControlsFoundByIdInTabOrder();
    void templateFontDrawsBoldCaptionsFromItsBoldFace();
    void staticsWrapGrowJoinTheLineBelowOrArePainted();
    void aWordWiderThanItsStaticTakesTheRoomBeside();
    void messageMapRoutesClicksScrollsReleasesAndCommands();
    void integersAndFileFiltersAreParsedStrictly();
    void readBackStopsAtTheFirstFaultyBox();
    void messageBoxIsModalOkOnlyWithTheProgramCaption();
    void notificationsArriveInOrderAtTheTargetOfTheirTime();
};

// A text longer than its static's one line: joined with the static that continues it just
// below, grown into the room below it, or left to its line where an edit box lies below. A
// short one without id is painted, and read as it was.
void FrameworkTest::staticsWrapGrowJoinTheLineBelowOrArePainted() {
    static constexpr ControlSpec kNarrow[] = {
        {1, ControlKind::Static, "five words that run over", 2, 2, 40, 8},
        {2, ControlKind::Static, "and on", 6, 11, 40, 8},
        {3, ControlKind::Static, "alone with room below", 2, 40, 30, 8},
        {4, ControlKind::Static, "alone above a box", 2, 80, 30, 8},
        {5, ControlKind::Edit, nullptr, 2, 89, 30, 14},
        {kNoId, ControlKind::Static, "15", 40, 40, 16, 8},  // short: painted, read all the same
    };
    static constexpr DialogTemplate kWindow{901, nullptr, 60, 120, kFontMainForm, kNarrow};
    QWidget window;
    const DialogControls c = BuildDialog(kWindow, &window);
    const QRect first = c.Label(1)->geometry(), second = c.Label(2)->geometry();
    const QRect third = c.Label(3)->geometry(), fourth = c.Label(4)->geometry();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(c.Label(1)->text(), QStringLiteral("five words that run over and on"));
    QVERIFY(c.Label(1)->wordWrap() && !c.Label(2)->isVisible());
    QVERIFY(c.Label(1)->geometry().contains(first.united(second)));  // and below, as it needs
    QVERIFY(c.Label(3)->wordWrap() && c.Label(3)->height() > third.height());
    QCOMPARE(c.Label(3)->geometry().topLeft(), third.topLeft());
    QVERIFY(!c.Label(4)->wordWrap());
    QCOMPARE(c.Label(4)->geometry(), fourth);
    // A window narrower than its template: the text wraps inside what it shows.
    window.resize(35, window.height());
    QVERIFY(c.Label(3)->geometry().right() < 35);
    // A new text is fitted anew.
    c.Label(3)->setText(QStringLiteral("ok"));
    QTRY_VERIFY(!c.Label(3)->wordWrap());
    QVERIFY(std::none_of(c.All().begin(), c.All().end(), [](const QPointer<QWidget>& w) {
        const auto* l = qobject_cast<const QLabel*>(w.data());
        return l && l->text() == "15";
    }));
    QAccessibleInterface* statics =
        QAccessible::queryAccessibleInterface(window.findChild<QWidget*>("statics"));
    QCOMPARE(statics->childCount(), 1);
    QCOMPARE(statics->child(0)->text(QAccessible::Name), QStringLiteral("15"));
    QCOMPARE(statics->child(0)->rect(), QRect(window.mapToGlobal(c.Map(40, 40, 16, 8).topLeft()),
                                              c.Map(40, 40, 16, 8).size()));
}

// A caption a line high whose word is wider than its place (a font wider than the template's):
// it widens on the side its alignment leaves open, on the other where a box lies there, and
// keeps its place where boxes lie on both sides.
void FrameworkTest::aWordWiderThanItsStaticTakesTheRoomBeside() {
    static constexpr ControlSpec kBeside[] = {
        {1, ControlKind::Static, "Collective", 40, 10, 12, 8},
        {2, ControlKind::Static, "Collective", 40, 30, 12, 8, kTextRight},
        {3, ControlKind::Static, "Collective", 40, 50, 12, 8},
        {4, ControlKind::Edit, nullptr, 52, 50, 20, 8},
        {5, ControlKind::Static, "Collective", 40, 70, 12, 8},
        {6, ControlKind::Edit, nullptr, 18, 70, 22, 8},
        {7, ControlKind::Edit, nullptr, 52, 70, 20, 8},
    };
    static constexpr DialogTemplate kWindow{902, nullptr, 100, 90, kFontMainForm, kBeside};
    QWidget window;
    const DialogControls c = BuildDialog(kWindow, &window);
    std::map<int, QRect> placed;
    for (int id : {1, 2, 3, 5}) placed[id] = c.Label(id)->geometry();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const int needed = c.Label(1)->fontMetrics().boundingRect(c.Label(1)->text()).width();
    QVERIFY(needed > placed[1].width());  // else nothing here is tested
    for (int id : {1, 2, 3}) {
        QVERIFY2(c.Label(id)->width() >= needed, qPrintable(QString::number(id)));
        QCOMPARE(c.Label(id)->geometry().top(), placed[id].top());
        QCOMPARE(c.Label(id)->height(), placed[id].height());
    }
    QCOMPARE(c.Label(1)->geometry().left(), placed[1].left());
    QCOMPARE(c.Label(2)->geometry().right(), placed[2].right());
    QCOMPARE(c.Label(3)->geometry().right(), placed[3].right());
    QCOMPARE(c.Label(5)->geometry(), placed[5]);
}

void FrameworkTest::templateBuildsPositionedControlsFoundByIdInTabOrder() {
    // 461 * 6 / 4 = 691.5 → 692; right edge (461 + 65) * 6 / 4 = 789; bottom 49 * 14 / 8 → 86.
    QCOMPARE(DluToPixels(461, 30, 65, 19, {6, 14}), QRect(QPoint(692, 53), QPoint(788, 85)));
    QCOMPARE(MulDiv(-3, 6, 4), -5);  // -4.5 → -5, away from zero
    QCOMPARE(DluToPixels(529, 297, {7, 16}), QSize(926, 594));
    QWidget dialog;
    int made = 0;
    ControlFactories factories;
    factories.byId[17] = [&made](const ControlSpec&, QWidget* parent) {
        ++made;
        return new QLabel(QStringLiteral("custom"), parent);
    };
    // The image buttons belong to a room above: the framework makes what it is handed.
    factories.byKind[ControlKind::ImageButton] = [](const ControlSpec& s, QWidget* parent) {
        auto* b = new QToolButton(parent);
        b->setText(QString::fromUtf8(s.text));
        return b;
    };
    const DialogControls c = BuildDialog(kTemplate, &dialog, factories);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Test"));
    QCOMPARE(dialog.size(), QSize(789, 597));
    QCOMPARE(c.Control(12)->geometry(), QRect(53, 499, 49, 24));
    QCOMPARE(c.Edit(12)->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    QCOMPARE(c.Edit(11)->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    QCOMPARE(c.Slider(13)->orientation(), Qt::Vertical);
    QCOMPARE(c.Control<QToolButton>(14)->text(), QStringLiteral("Beginner"));
    QCOMPARE(made, 1);
    QCOMPARE(c.Label(17)->text(), QStringLiteral("custom"));
    QCOMPARE(FindControl(&dialog, 16), c.Control(16));
    QCOMPARE(ControlId(c.Control(16)), 16);
    QVERIFY(!c.Edit(10) && !c.Control(99) && !FindControl(&dialog, 99));
    // Controls without id exist all the same, in table order.
    QCOMPARE(c.All().size(), qsizetype(std::size(kControls)));
    QCOMPARE(qobject_cast<QLabel*>(c.All()[1].data())->text(), QStringLiteral("caption"));
    QCOMPARE(c.All()[1]->focusPolicy(), Qt::NoFocus);
    dialog.show();
    QVERIFY(!c.Edit(15)->isVisible() && c.Edit(11)->isVisible());
    QVERIFY(!c.Button(16)->isEnabled());
    QCOMPARE(c.Button(16)->font().pixelSize(), 12);  // Tahoma 9 at 96 dpi
    // Edits 12 and 11 go in table order although 11 is the smaller id; the hidden edit and the
    // disabled button keep their places, for Qt to pass over while they rest.
    QVector<int> order;
    for (QWidget* w = c.Control(10); order.size() < 7; w = w->nextInFocusChain())
        if ((w->focusPolicy() & Qt::TabFocus) && ControlId(w) != kNoId) order << ControlId(w);
    QCOMPARE(order, (QVector<int>{10, 12, 11, 13, 14, 15, 16}));
}

void FrameworkTest::templateFontDrawsBoldCaptionsFromItsBoldFace() {
#ifdef _WIN32
    QSKIP("Tahoma is the system's own font on Windows: nothing is loaded");
#endif
    const QString boldFace = QStringLiteral("/usr/share/wine/fonts/tahomabd.ttf");
    if (!QFile::exists(boldFace)) QSKIP("fonts-wine is not installed");
    QVERIFY(LoadTemplateFonts());
    QVERIFY(QFontDatabase::styles(QStringLiteral("Tahoma")).contains(QStringLiteral("Bold")));
    const QFont regular = TemplateQFont(kFontSetup);
    QFont bold = regular;
    bold.setBold(true);
    QCOMPARE(QRawFont::fromFont(regular).styleName(), QStringLiteral("Regular"));
    // Without the bold face Qt would still hand out a bold font: the regular one, thickened.
    const QRawFont drawn = QRawFont::fromFont(bold);
    QCOMPARE(drawn.familyName(), QStringLiteral("Tahoma"));
    QCOMPARE(drawn.styleName(), QStringLiteral("Bold"));
    // The same glyphs, as wide as the bold face's own: a caption fits where the template says.
    const QRawFont file(boldFace, bold.pixelSize());
    QVERIFY(file.isValid());
    const auto advances = [](const QRawFont& font) {
        return font.advancesForGlyphIndexes(font.glyphIndexesForString(QStringLiteral("Upgrade")));
    };
    QCOMPARE(advances(drawn), advances(file));
}

void FrameworkTest::messageMapRoutesClicksScrollsReleasesAndCommands() {
    RecordingMessageBox box;
    TestForm form(box);
    QVERIFY(form.unwired.empty());
    // A handler bound to an id with no control of its kind would never run: it is named.
    TestForm other(box);
    QCOMPARE(ConnectMessageMap(&other, other.controls_, TestForm::GetFaultyMap()),
             (std::vector<int>{99, 10, 13, 11}));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    // The group box listed last must not swallow the click.
    QPushButton* first = form.controls_.Button(10);
    QCOMPARE(form.childAt(first->geometry().center()), first);
    QTest::mouseClick(first, Qt::LeftButton);
    SliderControl* s = form.controls_.Slider(13);
    s->setRange(15, 60);
    QCOMPARE(s->pageStep(), 9);  // a fifth of the range
    s->SetPos(20);               // a programmatic move is not a scroll
    // Up moves toward the top, where the smallest position is; no release follows a key.
    s->setFocus();
    QTest::keyClick(s, Qt::Key_Up);
    QTest::keyClick(s, Qt::Key_Down);
    // Mouse on the channel: a page down and, on release, the end of tracking (a scroll at the
    // same place) and the released-capture notification.
    const QPoint low(s->width() / 2, s->height() - 3);
    QTest::mousePress(s, Qt::LeftButton, {}, low);
    QTest::mouseRelease(s, Qt::LeftButton, {}, low);
    form.controls_.Edit(12)->setFocus();
    QTest::keyClick(form.controls_.Edit(12), Qt::Key_Return);
    QVERIFY(DispatchCommand(&form, TestForm::GetMessageMap(), 57601));
    QVERIFY(!DispatchCommand(&form, TestForm::GetMessageMap(), 57603));
    // Return commits on the key going down and again on it coming up.
    QCOMPARE(form.log,
             (QStringList{"first", "scroll 13 19", "scroll 13 20", "scroll 13 29", "scroll 13 29",
                          "release 13", "enter 12", "enter 12", "menu 57601"}));
}

void FrameworkTest::integersAndFileFiltersAreParsedStrictly() {
    for (auto [text, value] :
         {std::pair{" 42 ", 42}, {"+7", 7}, {"-2147483648", INT_MIN}, {"2147483647", INT_MAX}})
        QCOMPARE(ParseInt(QString::fromLatin1(text)), std::optional<int>(value));
    for (const char* bad : {"", " ", "-", "12a", "1 2", "4.5", "0x10", "2147483648", "-2147483649",
                            "99999999999999999999"})
        QVERIFY2(!ParseInt(QString::fromLatin1(bad)), bad);
    QCOMPARE(QtFiltersFromSystemFilter("conif file (*.ini)|*.ini||"),
             QStringList{"conif file (*.ini)"});
    QCOMPARE(QtFiltersFromSystemFilter("Hex File|*.hex|"), QStringList{"Hex File (*.hex)"});
    QCOMPARE(QtFiltersFromSystemFilter("Pictures|*.png;*.bmp|All|*.*||"),
             (QStringList{"Pictures (*.png *.bmp)", "All (*.*)"}));
    QVERIFY(QtFiltersFromSystemFilter("").isEmpty());
}

void FrameworkTest::readBackStopsAtTheFirstFaultyBox() {
    // Bound in the order 12, 11 (both ranged), then the hidden 15 (integer only).
    RecordingMessageBox box;
    QWidget dialog;
    const DialogControls c = BuildDialog(kTemplate, &dialog);
    DataExchange ddx{c, box};
    int a = 30, b = 40, hidden = 7;
    ddx.Bind(12, a, 15, 60);
    ddx.Bind(11, b, 10, 125);
    ddx.Bind(15, hidden);
    hidden = 2147483647;
    ddx.WriteOut();
    QCOMPARE(c.Edit(15)->text(), QStringLiteral("2147483647"));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    struct Case {
        const char *a, *b, *hidden;
        const char* message;  // nullptr: all read
        int failed, wantA, wantB, wantHidden;
    };
    const Case cases[] = {
        // Not an integer: keeps its value; read before: stored; after: not read.
        {"45", "forty", "9", "Please enter an integer.", 11, 45, 40, 2147483647},
        // Out of range: stored as typed, the bounds named, later boxes not read.
        {"70", "5", "9", "Please enter an integer between 15 and 60.", 12, 70, 40, 2147483647},
        {"15", "5", "9", "Please enter an integer between 10 and 125.", 11, 15, 5, 2147483647},
        {"60", "125", "9", nullptr, kNoId, 60, 125, 9},
        {"15", "10", "", "Please enter an integer.", 15, 15, 10, 9},  // hidden takes part
    };
    for (const Case& k : cases) {
        const QString name = QStringLiteral("%1/%2/%3").arg(k.a, k.b, k.hidden);
        box.Clear();
        c.Edit(12)->setText(k.a);
        c.Edit(11)->setText(k.b);
        c.Edit(15)->setText(k.hidden);
        QVERIFY2(ddx.ReadBack() == !k.message, qPrintable(name));
        QCOMPARE(box.Texts(), k.message ? QStringList{k.message} : QStringList{});
        QCOMPARE(ddx.FailedId(), k.failed);
        QCOMPARE((std::array{a, b, hidden}), (std::array{k.wantA, k.wantB, k.wantHidden}));
        if (k.failed != kNoId && k.failed != 15) {
            QCOMPARE(dialog.focusWidget(), c.Edit(k.failed));
            QCOMPARE(c.Edit(k.failed)->selectedText(), c.Edit(k.failed)->text());
        }
    }
}

void FrameworkTest::messageBoxIsModalOkOnlyWithTheProgramCaption() {
    QWidget parent;
    parent.show();
    QString seen;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        seen = QStringLiteral("%1|%2|%3|%4")
                   .arg(box->windowTitle(), box->text())
                   .arg(int(box->isModal()))
                   .arg(box->buttons().size());
        box->button(QMessageBox::Ok)->click();
    });
    QtMessageBox().Show(&parent, QStringLiteral("Beginner!"));
    QCOMPARE(seen, QStringLiteral("ORQ 2.0|Beginner!|1|1"));
    QVERIFY(!QApplication::activeModalWidget());
}

void FrameworkTest::notificationsArriveInOrderAtTheTargetOfTheirTime() {
    RecordingMessageBox box;
    WindowNotifier notifier;
    auto gone = std::make_unique<TestForm>(box);
    TestForm form(box), page(box);
    auto goneTarget = notifier.TargetFor(gone.get());
    auto formTarget = notifier.TargetFor(&form);
    auto pageTarget = notifier.TargetFor(&page);  // the wizard shows a page
    constexpr int kCount = 2000;
    std::thread worker([&] {
        goneTarget->Post(1642, -1, 0);
        for (int i = 0; i < kCount; ++i) formTarget->Post(1642, i, 0);
        pageTarget->Post(1642, kCount, 0);
    });
    worker.join();
    QVERIFY(form.received.isEmpty());  // nothing is delivered on the posting thread
    gone.reset();                      // destroyed while its notification waits in the queue
    QTRY_COMPARE(page.received, QVector<int>{kCount});
    QVector<int> inOrder(kCount);
    std::iota(inOrder.begin(), inOrder.end(), 0);
    QCOMPARE(form.received, inOrder);
    // A new window at the same address must not inherit the old one's notifications.
    QVERIFY(notifier.TargetFor(&form)->Handle() == formTarget->Handle());
    QVERIFY(goneTarget->Handle() != formTarget->Handle());
}

QTEST_MAIN(FrameworkTest)
#include "FrameworkTest.moc"
