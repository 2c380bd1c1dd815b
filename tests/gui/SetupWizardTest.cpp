// The Setup wizard on a real serial port: a pseudo-terminal whose far end the test reads as the
// unit would hear it (and writes as the unit would answer), or a simulated unit streaming at the
// line's own speed. Frames are checked byte by byte.

#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>

#include <memory>
#include <tuple>

#include "protocol/Monitor.h"
#include "sim/UnitModel.h"
#include "support/GuiRig.h"
#include "support/SimPeer.h"
#include "widgets/LevelBar.h"
#include "widgets/PngButton.h"
#include "widgets/PngResource.h"
#include "wizard/ChoicePages.h"
#include "wizard/DirectionPages.h"
#include "wizard/MonitorPage.h"
#include "wizard/SetupDlg.h"
#include "wizard/SliderPages.h"

using namespace orq;
using namespace orq::test;
using namespace std::chrono_literals;

namespace {

// Frame bytes of a host request (command 10) and of the check frame (command 50).
constexpr std::size_t kRequestCommand = 2, kRequestSequence = 3, kRequestReplyMode = 4;
constexpr std::size_t kCheckCommand = 9, kCheckValue = 5;
// Where the SetupBlock and the TuningBlock start in a parameter write, and the command after them.
constexpr std::size_t kSetup = 2, kTuning = 34, kCommand = 80;

struct Heard {
    std::vector<Frame> frames;
    // "request 40", "request 0", "write", "check 0": what each frame was, in order.
    QStringList Kinds() const {
        QStringList kinds;
        for (const Frame& f : frames) {
            if (f[kRequestCommand] == kCommandRequest && f[8] == kTrailer1)
                kinds << QStringLiteral("request %1").arg(f[kRequestReplyMode]);
            else if (f[kCheckCommand] == kCommandOptimization)
                kinds << QStringLiteral("check %1").arg(f[kCheckValue]);
            else if (f[80] == kCommandParameters)
                kinds << QStringLiteral("write");
            else
                kinds << QStringLiteral("?");
        }
        return kinds;
    }
};

struct Rig : PtyRig {
    std::unique_ptr<CSetupDlg> wizard;

    Rig() {
        block.Mirror.FixMode = 2;
        block.Mirror.ServoDirCH2 = 0;  // from a file: shows as reversed
    }
    // On the rig's own line, or on a simulated unit's.
    bool Start(const std::string& unit = {}) {
        if (!(unit.empty() ? Open() : OpenPort(unit))) return false;
        wizard = std::make_unique<CSetupDlg>(services);
        wizard->show();
        return QTest::qWaitForWindowExposed(wizard.get());
    }
    // The frames the unit heard since the last call: `count` of them, and nothing else after
    // (unless `more` may follow, for the next call to take).
    Heard Take(std::size_t count, bool more = false) {
        const Bytes got =
            more ? pty.host().Read(count * kFrameSize, 2s) : Listen(count * kFrameSize);
        Heard h;
        for (std::size_t at = 0; at + kFrameSize <= got.size(); at += kFrameSize)
            std::copy_n(got.begin() + static_cast<std::ptrdiff_t>(at), kFrameSize,
                        h.frames.emplace_back().begin());
        if (got.size() % kFrameSize) h.frames.emplace_back();  // a torn frame shows as "?"
        return h;
    }
    QWidget* Button(int id) const { return wizard->Controls().Control(id); }
    void Press(int id) const { QTest::mouseClick(Button(id), Qt::LeftButton); }
    void GoTo(int page) {
        while (wizard->CurrentPage() < page) Press(IDC_SETUP_NEXT);
    }
    template <class Page>
    Page* At(int n) const {
        return qobject_cast<Page*>(wizard->Page(n));
    }
    QWidget* OnPage(int n, int id) const { return wizard->Page(n)->Controls().Control(id); }
    void Click(int page, int id) const { QTest::mouseClick(OnPage(page, id), Qt::LeftButton); }
    void TypeAndEnter(int page, int id, const QString& text) const {
        test::TypeAndEnter(qobject_cast<QLineEdit*>(OnPage(page, id)), text);
    }
    void DragToTop(int page, int id) const {
        test::DragToTop(wizard->Page(page)->Controls().Slider(id));
    }
    // Walks to `page` and takes the requests the walk sent.
    void Reach(int page) {
        const int from = wizard->CurrentPage();
        GoTo(page);
        int requests = 0;
        for (int p = from + 1; p <= page; ++p) requests += (p >= 2 && p <= 4) ? 1 : 0;
        Take(static_cast<std::size_t>(requests));
    }
};

// A monitor reply of the unit's: kind 10, type 40, the echo, the five raw values high byte
// first, DeviceState, length, check and trailer, padded to the frame's 90 bytes.
Bytes MonitorReply(uint8_t echo, std::array<int, 5> raw) {
    Bytes f{kHeader0, kHeader1, kCommandRequest, kReplyMonitor, echo};
    for (int v : raw) f.insert(f.end(), {uint8_t((v >> 8) & 0xFF), uint8_t(v & 0xFF)});
    f.push_back(0);                               // DeviceState
    f.push_back(static_cast<uint8_t>(f.size()));  // kind..check: (size - 2) + 2
    f.push_back(XorOf(std::span(f).subspan(2)));
    f.insert(f.end(), {kTrailer0, kTrailer1});
    f.resize(kFrameSize);
    return f;
}

}  // namespace

class SetupWizardTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InitPngResources(); }
    void pagesStepInOrderInsideTheTabStrip();
    void enterNeverClosesEscapeCancelsAndTabsStayPut();
    void eachControlWritesItsOwnByteAndNoOther();
    void choicePagesMarkTheirValueAndTheInstallationAsksFirst();
    void servoReverseFollowsTheSwashplateType();
    void monitorShowsEachSignalOnItsLabelAndBar();
    void monitorKeepsUpWithTheStreamAtLineSpeed();
    void levelBarGeometry();
    void servoTrimStopsAt124AndMixesThroughTheSwashplate();
    void slidersSendOnReleaseAndReturnAndKeepTheMirror();
    void directionCaptionsShowAnyOtherValueAsReverse();
    void pirouetteCheckStartsFlipsAndEnds();
};

// Next and Prev step through the pages inside the tab strip, the Monitor page's stream on while
// it shows and off on either side of it, whichever way the wizard comes; Cancel ends the check and
// the stream.
void SetupWizardTest::pagesStepInOrderInsideTheTabStrip() {
    Rig r;
    QVERIFY(r.Start());
    QCOMPARE(r.wizard->PageCount(), 13);
    QVERIFY(r.Take(0).frames.empty());  // opening sends nothing
    auto* tabs = r.wizard->Controls().Control<QTabWidget>(IDC_SETUP_TAB);
    QCOMPARE(tabs->count(), 13);
    QCOMPARE(tabs->tabText(tabs->currentIndex()), QStringLiteral("Transmitter"));
    // Every page inside the tab strip's frame, below its titles.
    const QRect strip = tabs->geometry();
    QVERIFY(strip.contains(r.wizard->Page(5)->geometry()));
    QVERIFY(r.wizard->Page(5)->y() > strip.y() + tabs->tabBar()->height());
    const auto shows = [&](int page) {
        const QString at = QString::number(page);
        QVERIFY2(r.wizard->CurrentPage() == page && tabs->currentIndex() == page - 1,
                 qPrintable(at));
        for (int other = 1; other <= 13; ++other)
            QVERIFY2(r.wizard->Page(other)->isVisible() == (other == page), qPrintable(at));
        QVERIFY2(r.Button(IDC_SETUP_PREV)->isEnabled() == (page > 1) &&
                     r.Button(IDC_SETUP_NEXT)->isEnabled() == (page < 13) &&
                     r.Button(IDC_SETUP_FINISH)->isEnabled(),
                 qPrintable(at));
    };
    shows(1);
    for (int page = 2; page <= 13; ++page) {
        r.Press(IDC_SETUP_NEXT);
        shows(page);
    }
    QCOMPARE(tabs->tabText(tabs->currentIndex()), QStringLiteral("Pirouette optimization"));
    for (int page = 12; page >= 1; --page) {
        r.Press(IDC_SETUP_PREV);
        shows(page);
    }
    // Onto 2, 3 and 4 on the way there; onto 4, 3 and 2 on the way back.
    QCOMPARE(r.Take(6).Kinds(), (QStringList{"request 0", "request 40", "request 0", "request 0",
                                             "request 40", "request 0"}));
    r.Press(IDC_SETUP_CANCEL);
    QCOMPARE(r.Take(2).Kinds(), (QStringList{"check 0", "request 0"}));
    QCOMPARE(r.wizard->result(), int(QDialog::Rejected));
}

void SetupWizardTest::enterNeverClosesEscapeCancelsAndTabsStayPut() {
    Rig r;
    QVERIFY(r.Start());
    QTest::keyClick(r.wizard.get(), Qt::Key_Return);
    QTest::keyClick(r.Button(IDC_SETUP_NEXT), Qt::Key_Enter);
    QVERIFY(r.wizard->isVisible());
    QCOMPARE(r.wizard->CurrentPage(), 1);
    // A click on a title changes neither the tab nor the page.
    auto* tabs = r.wizard->Controls().Control<QTabWidget>(IDC_SETUP_TAB);
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(2).center());
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(r.wizard->CurrentPage(), 1);
    QVERIFY(r.Take(0).frames.empty());
    // Escape is Cancel: the same closing frames as Finish, without the message.
    QTest::keyClick(r.wizard.get(), Qt::Key_Escape);
    QCOMPARE(r.Take(2).Kinds(), (QStringList{"check 0", "request 0"}));
    QVERIFY(r.messages.Texts().isEmpty());
    QCOMPARE(r.wizard->result(), int(QDialog::Rejected));
}

// Every control of the wizard that changes a parameter, page by page: each writes the byte of its
// own key, and no other byte of the write changes. Places are the wire layout's; values follow
// from the rig's start (directions 1 but CH2's 0, FixMode 2, the rest 0) and the rows before.
void SetupWizardTest::eachControlWritesItsOwnByteAndNoOther() {
    enum How { Click, Drag, Enter };
    struct Row {
        int page, id;
        How how;
        std::size_t byte;
        int value;
        const char* typed = nullptr;
    };
    const Row rows[] = {
        {4, IDC_STEP4_DIRECTION1, Click, kSetup + 29, 1},  // FixMode
        {4, IDC_STEP4_DIRECTION3, Click, kSetup + 29, 3},
        {4, IDC_STEP4_DIRECTION2, Click, kSetup + 29, 2},
        {5, IDC_STEP6_SERVO_TYPE1, Click, kSetup + 19, 1},  // ServoType
        {5, IDC_STEP6_SERVO_TYPE2, Click, kSetup + 19, 2},
        {5, IDC_STEP6_SERVO_TYPE3, Click, kSetup + 19, 3},
        {5, IDC_STEP6_SERVO_TYPE4, Click, kSetup + 19, 4},
        {5, IDC_STEP6_SERVO_TYPE5, Click, kSetup + 19, 5},
        {5, IDC_STEP6_SERVO_TYPE0, Click, kSetup + 19, 0},
        {6, IDC_STEP7_CCPM120, Click, kSetup + 27, 2},  // SwashPlateType
        {6, IDC_STEP7_CCPM135, Click, kSetup + 27, 3},
        {6, IDC_STEP7_CCPM140, Click, kSetup + 27, 4},
        {6, IDC_STEP7_CCPM90, Click, kSetup + 27, 5},
        {6, IDC_STEP7_MIX, Click, kSetup + 27, 1},  // so that a swash button moves one servo
        {7, IDC_STEP8_CH1, Click, kSetup + 6, -1},  // ServoDirCH1..3
        {7, IDC_STEP8_CH2, Click, kSetup + 7, 1},
        {7, IDC_STEP8_CH3, Click, kSetup + 8, -1},
        {8, IDC_STEP9_CH1_UP, Click, kSetup + 0, -1},  // ServoAdjustCH1..3: CH1, CH3 reversed
        {8, IDC_STEP9_CH1_DOWN, Click, kSetup + 0, 0},
        {8, IDC_STEP9_CH2_UP, Click, kSetup + 1, 1},
        {8, IDC_STEP9_CH2_DOWN, Click, kSetup + 1, 0},
        {8, IDC_STEP9_CH3_UP, Click, kSetup + 2, -1},
        {8, IDC_STEP9_CH3_DOWN, Click, kSetup + 2, 0},
        {8, IDC_STEP9_AILERON_MINUS5, Click, kSetup + 0, 5},
        {8, IDC_STEP9_AILERON_MINUS1, Click, kSetup + 0, 6},
        {8, IDC_STEP9_AILERON_PLUS1, Click, kSetup + 0, 5},
        {8, IDC_STEP9_AILERON_PLUS5, Click, kSetup + 0, 0},
        {8, IDC_STEP9_ELEVATOR_MINUS5, Click, kSetup + 1, -5},
        {8, IDC_STEP9_ELEVATOR_MINUS1, Click, kSetup + 1, -6},
        {8, IDC_STEP9_ELEVATOR_PLUS1, Click, kSetup + 1, -5},
        {8, IDC_STEP9_ELEVATOR_PLUS5, Click, kSetup + 1, 0},
        {8, IDC_STEP9_COLLECTIVE_PLUS5, Click, kSetup + 2, -5},
        {8, IDC_STEP9_COLLECTIVE_PLUS1, Click, kSetup + 2, -6},
        {8, IDC_STEP9_COLLECTIVE_MINUS1, Click, kSetup + 2, -5},
        {8, IDC_STEP9_COLLECTIVE_MINUS5, Click, kSetup + 2, 0},
        {9, IDC_STEP10_AILERON_SLIDER, Drag, kSetup + 14, 125},  // AileronLimit
        {9, IDC_STEP10_AILERON_EDIT, Enter, kSetup + 14, 60, "60"},
        {9, IDC_STEP10_ELEVATOR_SLIDER, Drag, kSetup + 15, 125},  // ElevatorLimit
        {9, IDC_STEP10_ELEVATOR_EDIT, Enter, kSetup + 15, 60, "60"},
        {10, IDC_STEP11_COLLECTIVE_SLIDER, Drag, kTuning + 38, 125},  // TotalCoefficient
        {10, IDC_STEP11_COLLECTIVE_EDIT, Enter, kTuning + 38, -60, "-60"},
        {11, IDC_STEP13_TAIL_DIRECTION, Click, kSetup + 9, 1},  // ServoDirCH4
        {11, IDC_STEP13_TRIM_SLIDER, Drag, kSetup + 3, 125},    // TailPoint
        {11, IDC_STEP13_TRIM_EDIT, Enter, kSetup + 3, -60, "-60"},
        {11, IDC_STEP13_LIMIT_A_SLIDER, Drag, kSetup + 12, 125},  // TailLimitA
        {11, IDC_STEP13_LIMIT_A_EDIT, Enter, kSetup + 12, 60, "60"},
        {11, IDC_STEP13_LIMIT_B_SLIDER, Drag, kSetup + 13, 125},  // TailLimitB
        {11, IDC_STEP13_LIMIT_B_EDIT, Enter, kSetup + 13, 60, "60"},
        {12, IDC_STEP12_ROLL, Click, kSetup + 17, 1},   // RollDir
        {12, IDC_STEP12_PITCH, Click, kSetup + 18, 1},  // PitchDir
        {12, IDC_STEP12_YAW, Click, kSetup + 16, 1},    // YawDir
    };
    Rig r;
    QVERIFY(r.Start());
    Bytes held(kCommand - kSetup);  // the rig's device image is all zero
    for (const Row& row : rows) {
        const QString what = QStringLiteral("page %1, control %2").arg(row.page).arg(row.id);
        if (row.page != r.wizard->CurrentPage()) r.Reach(row.page);
        if (row.how == Click) r.Click(row.page, row.id);
        if (row.how == Drag) r.DragToTop(row.page, row.id);
        if (row.how == Enter) r.TypeAndEnter(row.page, row.id, QString::fromLatin1(row.typed));
        held[row.byte - kSetup] = uint8_t(row.value);
        const Heard heard = r.Take(row.how == Enter ? 2 : 1, true);  // Return: down and up
        QVERIFY2(heard.Kinds() == QStringList(row.how == Enter ? 2 : 1, "write"), qPrintable(what));
        for (const Frame& f : heard.frames)
            QVERIFY2(Bytes(f.begin() + kSetup, f.begin() + kCommand) == held, qPrintable(what));
    }
    QVERIFY(r.Take(0).frames.empty());
}

void SetupWizardTest::choicePagesMarkTheirValueAndTheInstallationAsksFirst() {
    Rig r;
    r.block.Mirror.SwashPlateType = 0;  // never configured: no type marked
    QVERIFY(r.Start());
    r.Reach(4);
    const auto marked = [&](int page) {
        QList<int> values;
        for (const auto& [button, value] : r.At<ChoicePage>(page)->Group().Buttons())
            if (button->Selected()) values << value;
        return values;
    };
    QCOMPARE(marked(4), QList<int>{2});
    // The box comes before anything changes or is sent.
    bool unchangedAtBox = false;
    r.messages.onShow = [&](const QString&) {
        unchangedAtBox =
            r.block.Setup.FixMode == 0 && marked(4) == QList<int>{2} && r.Take(0).frames.empty();
    };
    r.Click(4, IDC_STEP4_DIRECTION3);
    QCOMPARE(r.messages.Texts(), QStringList{"Direction 3"});
    QVERIFY(unchangedAtBox);
    QCOMPARE(marked(4), QList<int>{3});
    QCOMPARE(int(r.block.Mirror.FixMode), 3);
    // Clicking the marked button sends its value again.
    r.Click(4, IDC_STEP4_DIRECTION3);
    QCOMPARE(r.Take(2).Kinds(), (QStringList{"write", "write"}));
    r.Reach(6);
    QVERIFY(marked(6).isEmpty());
    r.Click(6, IDC_STEP7_CCPM90);
    QCOMPARE(marked(6), QList<int>{5});
}

void SetupWizardTest::servoReverseFollowsTheSwashplateType() {
    Rig r;
    QVERIFY(r.Start());
    r.GoTo(6);
    r.Click(6, IDC_STEP7_CCPM90);
    r.GoTo(7);
    auto* label = qobject_cast<QLabel*>(r.OnPage(7, IDC_STEP8_SWASH_TYPE));
    QCOMPARE(label->text(), QStringLiteral("Swashplate type:90 CCPM"));
    // The page paints the 90 CCPM swashplate where its picture goes.
    const QImage shown = r.wizard->Page(7)->grab().toImage();
    const QImage picture = LoadPngResource(199).value();
    int same = 0, opaque = 0;
    for (int y = 0; y < picture.height(); y += 7)
        for (int x = 0; x < picture.width(); x += 7)
            if (qAlpha(picture.pixel(x, y)) == 255) {
                ++opaque;
                same +=
                    shown.pixel(kSwashPlace197.x + x, kSwashPlace197.y + y) == picture.pixel(x, y);
            }
    QVERIFY2(opaque > 50 && same > opaque * 9 / 10,
             qPrintable(QString("%1 of %2").arg(same).arg(opaque)));
}

// Each reply once, each signal on its label and its bar: 124 reaches the bar, 125 only the label;
// -129 saturates at -128, and the bar stops at its end, -125.
void SetupWizardTest::monitorShowsEachSignalOnItsLabelAndBar() {
    Rig r;
    QVERIFY(r.Start());
    r.GoTo(3);
    const Heard asked = r.Take(2);
    QCOMPARE(asked.Kinds().last(), QStringLiteral("request 40"));
    const uint8_t echo = asked.frames.back()[kRequestSequence];
    auto* page = r.At<CStep3>(3);
    const std::pair<int, int> channels[] = {{IDC_STEP3_AILERON_VALUE, IDC_STEP3_AILERON_BAR},
                                            {IDC_STEP3_ELEVATOR_VALUE, IDC_STEP3_ELEVATOR_BAR},
                                            {IDC_STEP3_RUDDER_VALUE, IDC_STEP3_RUDDER_BAR},
                                            {IDC_STEP3_COLLECTIVE_VALUE, IDC_STEP3_COLLECTIVE_BAR},
                                            {IDC_STEP3_TAIL_GAIN_VALUE, IDC_STEP3_TAIL_GAIN_BAR}};
    const auto shown = [&] {
        QStringList s;
        for (const auto& [label, bar] : channels)
            s << page->Controls().Label(label)->text() + "/" +
                     QString::number(page->Controls().Control<CLevelBar>(bar)->Pos());
        return s;
    };
    QCOMPARE(shown(), QStringList(5, "0/0"));
    const auto send = [&](const Bytes& b) -> uint32_t {
        const uint32_t before = page->RepliesShown();
        if (!r.pty.Send(b)) return 99;
        QTest::qWait(300);  // a read pass ends after 100 ms of silence
        return page->RepliesShown() - before;
    };
    QCOMPARE(send(MonitorReply(echo, {2488, 2487, 3811, 3789, 5155})), 1u);
    QCOMPARE(shown(), (QStringList{"124/124", "125/0", "-1/-1", "1/1", "-128/-125"}));
    QCOMPARE(send(MonitorReply(echo, {3800, 3800, 3800, 3800, 3800})), 1u);
    QCOMPARE(shown(), QStringList(5, "0/0"));
}

void SetupWizardTest::monitorKeepsUpWithTheStreamAtLineSpeed() {
    // At the line's own pace, and from a unit whose replies trickle in a byte every 4 ms, so that
    // the line never falls silent long enough to end a read pass before its 500 ms are up.
    SimOptions paced;
    paced.pace = true;
    SimOptions dripping;
    dripping.faults.drip = std::chrono::milliseconds(4);
    for (const auto& [options, frames] : {std::pair{paced, 300u}, std::pair{dripping, 30u}}) {
        SimPeer unit(FactoryImage(), true, options);
        Rig r;
        QVERIFY(unit.Started() && r.OpenPort(unit.Path()));
        r.wizard = std::make_unique<CSetupDlg>(r.services);
        r.wizard->show();
        std::vector<MonitorSignal> seen;
        r.GoTo(2);
        auto* page = r.At<CStep3>(3);
        connect(page, &CStep3::signalsShown, page,
                [&](const MonitorSignal& m) { seen.push_back(m); });
        r.Press(IDC_SETUP_NEXT);
        QTRY_VERIFY_WITH_TIMEOUT(seen.size() >= frames, 60000);
        // Every reply, in the order the unit sent them: none lost, none read from the wrong place.
        for (std::size_t i = 0; i < seen.size(); ++i) {
            const MonitorRaw sent = MonitorSample(static_cast<uint32_t>(i));
            QVERIFY2(std::equal(sent.begin(), sent.end(), seen[i].raw.begin()),
                     qPrintable(QString::number(i)));
        }
        r.Press(IDC_SETUP_PREV);  // the stream stops
    }
}

void SetupWizardTest::levelBarGeometry() {
    const auto v = BarAxis::Vertical, h = BarAxis::Horizontal;
    // 10 x 60, range -125..125, half 30: 62 fills rows 15..29, columns 1..8.
    QCOMPARE(LevelBarFill(v, 10, 60, 62, 125), (BarRect{1, 15, 8, 15}));
    QCOMPARE(LevelBarFill(v, 10, 60, 125, 125), (BarRect{1, 0, 8, 31}));  // up to the border
    QCOMPARE(LevelBarFill(v, 10, 60, -125, 125), (BarRect{1, 30, 8, 31}));
    QVERIFY(LevelBarFill(v, 10, 60, 0, 125).Empty());
    QCOMPARE(LevelBarFill(h, 114, 16, 125, 125), (BarRect{0, 1, 58, 14}));  // to the left
    QCOMPARE(LevelBarFill(h, 114, 16, -125, 125), (BarRect{57, 1, 56, 14}));
    // -100 to -50 repaints from the new bar's end down: the old bar's lower part goes.
    const BarRect old = LevelBarFill(v, 10, 60, -100, 125), now = LevelBarFill(v, 10, 60, -50, 125);
    const BarRect dirty = LevelBarInvalid(v, 10, 60, -100, -50, 125);
    QCOMPARE(dirty.top, now.top + now.height);
    QCOMPARE(dirty.top + dirty.height, 60);
    QVERIFY(dirty.top < old.top + old.height);
    QCOMPARE(LevelBarInvalid(v, 10, 60, -20, 0, 125), (BarRect{0, 0, 10, 60}));
    QCOMPARE(LevelBarInvalid(h, 114, 16, -20, 30, 125), (BarRect{0, 0, 114, 16}));
    // The widget clamps and says so, and paints exactly the geometry's fill.
    CVertLevelBar bar;
    bar.resize(10, 60);
    bar.SetRange(125, -125);
    QCOMPARE(bar.Minimum(), -125);
    QCOMPARE(bar.SetPos(200), 0);
    QCOMPARE(bar.Pos(), 125);
    QCOMPARE(bar.SetPos(62), 1);
    const QImage shot = bar.grab().toImage();
    QCOMPARE(QColor(shot.pixel(4, 20)), QColor(255, 0, 255));
    QVERIFY(QColor(shot.pixel(4, 10)) != QColor(255, 0, 255));
    bar.SetPos(-30);
    QCOMPARE(QColor(bar.grab().toImage().pixel(4, 32)), QColor(0, 0, 255));
}

// The trims the unit holds are where the page starts, beyond what it ever sets: a channel button
// moves its own trim, up to 124, and sends the others as they are. The page keeps the swashplate's
// inputs between presses and reads the type and the directions at each: under 120 CCPM thirty
// collective +5 hold the trims at 124 while the input goes on, so that it takes six -5 to move
// them. Every press is a write, also one held at the limit. A unit never set up: the swash buttons
// keep the trims and send nothing; the channel buttons still work.
void SetupWizardTest::servoTrimStopsAt124AndMixesThroughTheSwashplate() {
    Rig r;
    SettingsMirror& m = r.block.Mirror;
    std::tie(m.ServoAdjustCH1, m.ServoAdjustCH2, m.ServoAdjustCH3) = std::tuple(123, 126, -128);
    m.SwashPlateType = 2;  // 120 CCPM
    QVERIFY(r.Start());
    r.Reach(8);
    QCOMPARE(qobject_cast<QLabel*>(r.OnPage(8, IDC_STEP9_SWASH_TYPE))->text(),
             QStringLiteral("Swashplate type:120 CCPM"));
    QCOMPARE(r.OnPage(8, IDC_STEP9_CH3_DOWN)->toolTip(), QStringLiteral("CH3"));
    const auto trims = [](const Frame& f) {
        return Bytes{f[kSetup], f[kSetup + 1], f[kSetup + 2]};
    };
    r.Click(8, IDC_STEP9_CH1_UP);
    r.Click(8, IDC_STEP9_CH1_UP);
    const Heard ups = r.Take(2);
    QCOMPARE(ups.Kinds(), QStringList(2, "write"));
    QCOMPARE(trims(ups.frames.at(0)), (Bytes{124, 126, 0x80}));
    QCOMPARE(trims(ups.frames.at(1)), (Bytes{124, 126, 0x80}));
    m.ServoDirCH2 = 1;  // the rig's 0 would hold CH2 at 0
    for (int i = 0; i < 30; ++i) r.Click(8, IDC_STEP9_COLLECTIVE_PLUS5);
    for (int i = 0; i < 6; ++i) r.Click(8, IDC_STEP9_COLLECTIVE_MINUS5);
    const Heard swash = r.Take(36);
    QCOMPARE(swash.Kinds(), QStringList(36, "write"));
    QCOMPARE(trims(swash.frames[29]), (Bytes{124, 124, 124}));
    QCOMPARE(trims(swash.frames[34]), (Bytes{124, 124, 124}));  // the input is 125
    QCOMPARE(trims(swash.frames[35]), (Bytes{120, 120, 120}));
    QCOMPARE(r.wizard->Page(8)->Controls().Control<CLevelBar>(IDC_STEP9_CH2_BAR)->Pos(), 120);
    r.Click(8, IDC_STEP9_CLEAN);
    QCOMPARE(trims(r.Take(1).frames.at(0)), (Bytes{0, 0, 0}));
    m.SwashPlateType = 0;
    r.Click(8, IDC_STEP9_COLLECTIVE_PLUS5);
    QVERIFY(r.Take(0).frames.empty());
    r.Click(8, IDC_STEP9_CH3_DOWN);
    QCOMPARE(trims(r.Take(1).frames.at(0)), (Bytes{0, 0, 0xFF}));
    QCOMPARE(int(m.ServoAdjustCH3), -1);
}

void SetupWizardTest::slidersSendOnReleaseAndReturnAndKeepTheMirror() {
    Rig r;
    r.block.Mirror.AileronLimit = 50;
    QVERIFY(r.Start());
    r.Reach(9);
    auto* aileron = r.wizard->Page(9)->Controls().Slider(IDC_STEP10_AILERON_SLIDER);
    QCOMPARE(aileron->value(), 145 - 50);
    // Dragged to the top: the box follows, one write goes on release.
    const QPoint grab = Thumb(aileron), top(grab.x(), -40);
    Mouse(aileron, QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
    Mouse(aileron, QEvent::MouseMove, top, Qt::NoButton, Qt::LeftButton);
    QCOMPARE(qobject_cast<QLineEdit*>(r.OnPage(9, IDC_STEP10_AILERON_EDIT))->text(),
             QStringLiteral("125"));
    QVERIFY(r.Take(0).frames.empty());
    Mouse(aileron, QEvent::MouseButtonRelease, top, Qt::LeftButton, Qt::NoButton);
    QCOMPARE(r.Take(1).Kinds(), QStringList{"write"});
    // Keys move the value and the mirror but send nothing.
    aileron->setFocus();
    QTest::keyClick(aileron, Qt::Key_Down);
    QCOMPARE(int(r.block.Mirror.AileronLimit), 124);
    QCOMPARE(int(r.block.Setup.AileronLimit), 125);
    QVERIFY(r.Take(0).frames.empty());
    // Return: the range message, then 20 sent (key down and key up) and kept in the mirror.
    r.TypeAndEnter(9, IDC_STEP10_AILERON_EDIT, QStringLiteral("10"));
    QCOMPARE(r.messages.Texts(), QStringList{"Please enter an integer between 20 and 125."});
    const Heard twenty = r.Take(2);
    QCOMPARE(twenty.Kinds(), (QStringList{"write", "write"}));
    QCOMPARE(twenty.frames[1][kSetup + 14], uint8_t{20});
    QCOMPARE(int(r.block.Mirror.AileronLimit), 20);
    QCOMPARE(aileron->value(), 125);  // the bottom
    // The collective page's pictures switch without a word to the unit.
    r.Reach(10);
    auto* collective = r.At<CStep11>(10);
    r.Click(10, IDC_STEP11_MEASURE);
    QCOMPARE(collective->PictureState(), -1);
    r.Click(10, IDC_STEP11_START_POSITION);
    QCOMPARE(collective->PictureState(), 1);
    QVERIFY(r.Take(0).frames.empty());
    // A centred value beyond its range goes to its end, the slider's top.
    r.Reach(11);
    r.TypeAndEnter(11, IDC_STEP13_TRIM_EDIT, QStringLiteral("200"));
    QCOMPARE(r.Take(2).frames.at(1)[kSetup + 3], uint8_t{125});  // TailPoint
    auto* trim = r.wizard->Page(11)->Controls().Slider(IDC_STEP13_TRIM_SLIDER);
    QCOMPARE(trim->value(), trim->minimum());
}

// 1 reads Normal; -1, and 0 from a file, read Reverse. A click makes Normal of anything but 1.
void SetupWizardTest::directionCaptionsShowAnyOtherValueAsReverse() {
    Rig r;
    r.block.Mirror.ServoDirCH4 = 0;
    r.block.Mirror.RollDir = 0;
    r.block.Mirror.YawDir = 1;
    QVERIFY(r.Start());
    const auto text = [&](int page, int id) {
        return qobject_cast<QPushButton*>(r.OnPage(page, id))->text();
    };
    r.GoTo(7);
    QCOMPARE(text(7, IDC_STEP8_CH2), QStringLiteral("CH2(Reverse)"));  // the rig's 0
    r.Click(7, IDC_STEP8_CH2);
    QCOMPARE(text(7, IDC_STEP8_CH2), QStringLiteral("CH2(Normal)"));
    r.GoTo(11);
    QCOMPARE(text(11, IDC_STEP13_TAIL_DIRECTION), QStringLiteral("Tail servo(Reverse)"));
    r.Click(11, IDC_STEP13_TAIL_DIRECTION);
    QCOMPARE(text(11, IDC_STEP13_TAIL_DIRECTION), QStringLiteral("Tail servo(Normal)"));
    r.GoTo(12);
    QCOMPARE(text(12, IDC_STEP12_YAW), QStringLiteral("Normal"));
    QCOMPARE(text(12, IDC_STEP12_ROLL), QStringLiteral("Reverse"));
    r.Click(12, IDC_STEP12_ROLL);
    r.Click(12, IDC_STEP12_ROLL);
    QCOMPARE(text(12, IDC_STEP12_ROLL), QStringLiteral("Reverse"));
    QCOMPARE(int(r.block.Mirror.RollDir), -1);
}

void SetupWizardTest::pirouetteCheckStartsFlipsAndEnds() {
    Rig r;
    QVERIFY(r.Start());
    r.Reach(13);
    auto* check = qobject_cast<QPushButton*>(r.OnPage(13, IDC_STEP14_CHECK));
    auto* direction = qobject_cast<QPushButton*>(r.OnPage(13, IDC_STEP14_DIRECTION));
    QVERIFY(!direction->isEnabled());  // only while the check runs
    check->click();
    QCOMPARE(check->text(), QStringLiteral("Quit check"));
    QVERIFY(direction->isEnabled());
    direction->click();
    QCOMPARE(direction->text(), QStringLiteral("Optimization direction(Reverse)"));
    check->click();
    const Heard run = r.Take(3);
    QCOMPARE(run.Kinds(), (QStringList{"check 102", "write", "check 0"}));
    QCOMPARE(run.frames[1][kSetup + 30], uint8_t{0xFF});  // OptimizationDir -1
    QVERIFY(!direction->isEnabled());
    // Finish during a running check: the message first, then the check ends on the unit and the
    // stream stops, then the dialog closes.
    check->click();
    r.Take(1);
    QStringList heardBeforeBox;
    r.messages.onShow = [&](const QString&) { heardBeforeBox = r.Take(0).Kinds(); };
    r.Press(IDC_SETUP_FINISH);
    QCOMPARE(r.messages.Texts(), QStringList{"Setup finished!"});
    QVERIFY(heardBeforeBox.isEmpty());
    QCOMPARE(r.Take(2).Kinds(), (QStringList{"check 0", "request 0"}));
    QCOMPARE(r.At<CStep14>(13)->DirectionCheckState(), 0);
    QCOMPARE(r.wizard->result(), int(QDialog::Accepted));
    QVERIFY(!r.wizard->isVisible());
}

QTEST_MAIN(SetupWizardTest)
#include "SetupWizardTest.moc"
