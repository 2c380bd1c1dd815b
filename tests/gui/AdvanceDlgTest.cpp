// The Advance Menu against a real serial port on a pseudo-terminal: what the unit hears is read
// from the terminal's other end and checked byte by byte.

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <poll.h>

#include <algorithm>
#include <array>

#include "app/AppServices.h"
#include "app/Skin.h"
#include "framework/NotifyTarget.h"
#include "framework/TestServices.h"
#include "protocol/LinkFrame.h"
#include "protocol/ParameterBlock.h"
#include "serial/SerialPort.h"
#include "serial/TestSupport.h"
#include "view/AdvanceDlg.h"

using namespace orq;
using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

namespace {

// Tuning byte of each section3 value, in mirror order, and where it sits in a parameter write.
constexpr std::array<int, 25> kTuningByte = {22, 23, 18, 19, 20, 21, 29, 30, 27, 28, 15, 14, 13,
                                             9,  8,  7,  33, 34, 31, 32, 40, 41, 3,  2,  1};
constexpr int kTuningInFrame = 34, kCommandInFrame = 80;

struct Rig {
    test::Pty pty;
    ParameterBlock block;
    LinkState link;
    RecordingMessageBox messages;
    ScriptedFileDialog files;
    ScriptedModalRunner modal;
    RecordingSkin skin;
    WindowNotifier notifier;  // outlives the port's wait thread
    SerialPort port{SerialPort::kProgramOptions};
    AppServices services{block, link, &port, messages, files, modal, skin, notifier};

    bool Open() {
        return pty.ok() && port.OpenPort(1, pty.path()) && port.SetState(9600, 0, 8, 1) &&
               port.SetupPort() && port.StartThreads();
    }
    // What the unit hears: `expect` bytes, and then whatever else follows within a grace time.
    Bytes Heard(std::size_t expect = 0) {
        Bytes got;
        auto deadline = test::Clock::now() + (expect ? 2000ms : 300ms);
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - test::Clock::now());
            if (left.count() <= 0) break;
            pollfd p{pty.master(), POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
            uint8_t buf[256];
            const ssize_t n = ::read(pty.master(), buf, sizeof buf);
            if (n > 0) got.insert(got.end(), buf, buf + n);
            if (expect && got.size() >= expect) {
                expect = 0;
                deadline = test::Clock::now() + 200ms;
            }
        }
        return got;
    }
};

void Type(CAdvanceDlg& d, int id, const QString& text) {
    d.Controls().Edit(id)->setText(text);
}
void Click(CAdvanceDlg& d, int id) {
    QTest::mouseClick(d.Controls().Button(id), Qt::LeftButton);
}

// Stands in for the main form as the port's usual notify target.
class FormStandIn : public QObject {
public:
    int received = 0;

protected:
    void customEvent(QEvent* e) override { received += e->type() == kWindowMessageEvent; }
};

}  // namespace

class AdvanceDlgTest : public QObject {
    Q_OBJECT
private slots:
    void okSendsTheMirrorRunInOneWrite();
    void validationStopsAtTheFirstBoxInTableOrder();
    void tailCompensationBounds_data();
    void tailCompensationBounds();
    void cancelWritesAndSendsNothing();
    void hiddenAgilityOutsideItsRangeIsClamped();
    void enterInABoxIsOk();
    void skinAndNotifyTargetWhileOpen();
};

void AdvanceDlgTest::okSendsTheMirrorRunInOneWrite() {
    Rig r;
    QVERIFY(r.Open());
    const std::array<int8_t, 25> run = {8, 9,  10, 11, 12, 13, 1,  2,    3,   4, 5,  20, 21,
                                        6, 22, 23, 31, 32, 33, 34, -103, 104, 7, 24, 25};
    std::copy(run.begin(), run.end(), r.block.Mirror.section3().begin());
    // A main-form slider has moved since the mirror was filled: the unit gets the mirror's value.
    r.block.Tuning.SpinSpeed1 = r.block.Tuning.SpinSpeed3 = 50;
    r.block.Tuning.YawGain = 77;
    const SettingsMirror mirrorBefore = r.block.Mirror;

    CAdvanceDlg dlg(r.services, {});
    dlg.show();
    QCOMPARE(dlg.Controls().Edit(CAdvanceDlg::IDC_TAILCOMP1)->text(), QString("-103"));
    Click(dlg, 1);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QVERIFY(r.messages.Texts().isEmpty());

    const Bytes frame = r.Heard(kFrameSize);
    QCOMPARE(frame.size(), kFrameSize);
    QCOMPARE(frame[kCommandInFrame], uint8_t(kCommandParameters));
    for (std::size_t i = 0; i < run.size(); ++i)
        QCOMPARE(frame[kTuningInFrame + kTuningByte[i]], uint8_t(run[i]));
    // Bytes 65..68 carry SpinSpeed3, SpinSpeed4, SpinSpeed1, SpinSpeed2.
    QCOMPARE(Bytes(frame.begin() + 65, frame.begin() + 69), (Bytes{33, 34, 31, 32}));
    QCOMPARE(frame[kTuningInFrame], uint8_t(77));
    QVERIFY(r.block.Mirror == mirrorBefore);
    QCOMPARE(r.block.Tuning.SpinSpeed1, int8_t(31));
}

void AdvanceDlgTest::validationStopsAtTheFirstBoxInTableOrder() {
    Rig r;
    QVERIFY(r.Open());
    const ParameterBlock before = r.block;
    CAdvanceDlg dlg(r.services, {});
    dlg.show();
    auto refuses = [&](const char* message, int focusId) {
        Click(dlg, 1);
        return r.messages.Last() == message && dlg.isVisible() &&
               dlg.focusWidget() == dlg.Controls().Edit(focusId);
    };

    Type(dlg, CAdvanceDlg::IDC_ROLL_P, "5");
    QVERIFY(refuses("Please enter an integer between 10 and 125.", CAdvanceDlg::IDC_ROLL_P));
    // Acceleration comes later in the tab order but earlier in the exchange.
    Type(dlg, CAdvanceDlg::IDC_ACC1, "3");
    QVERIFY(refuses("Please enter an integer between 7 and 125.", CAdvanceDlg::IDC_ACC1));
    Type(dlg, CAdvanceDlg::IDC_ACC1, "fast");
    QVERIFY(refuses("Please enter an integer.", CAdvanceDlg::IDC_ACC1));
    Type(dlg, CAdvanceDlg::IDC_ACC1, "40");
    Type(dlg, CAdvanceDlg::IDC_ZERO_PITCH, "x");
    Type(dlg, CAdvanceDlg::IDC_ROLL_P, "60");
    QVERIFY(refuses("Please enter an integer.", CAdvanceDlg::IDC_ZERO_PITCH));
    QCOMPARE(r.messages.Texts().size(), 4);
    QVERIFY(r.Heard().empty());
    QVERIFY(r.block.Mirror == before.Mirror && r.block.Tuning == before.Tuning);

    Type(dlg, CAdvanceDlg::IDC_ZERO_PITCH, "-99999");  // any integer, used nowhere
    Click(dlg, 1);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(r.Heard(kFrameSize).size(), kFrameSize);
    QCOMPARE(r.block.Mirror.RollGainP, int8_t(60));
    QCOMPARE(r.block.Tuning.Acc1, int8_t(40));
}

void AdvanceDlgTest::tailCompensationBounds_data() {
    QTest::addColumn<int>("box");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("accepted");
    for (int box : {CAdvanceDlg::IDC_TAILCOMP1, CAdvanceDlg::IDC_TAILCOMP2}) {
        const QByteArray n = QByteArray::number(box);
        QTest::newRow(n + " -125") << box << -125 << true;
        QTest::newRow(n + " 125") << box << 125 << true;
        QTest::newRow(n + " -126") << box << -126 << false;
        QTest::newRow(n + " 126") << box << 126 << false;
    }
}

void AdvanceDlgTest::tailCompensationBounds() {
    QFETCH(int, box);
    QFETCH(int, value);
    QFETCH(bool, accepted);
    Rig r;
    QVERIFY(r.Open());
    CAdvanceDlg dlg(r.services, {});
    dlg.show();
    Type(dlg, box, QString::number(value));
    Click(dlg, 1);
    if (!accepted) {
        QCOMPARE(r.messages.Last(), QString("Please enter an integer between -125 and 125."));
        QVERIFY(r.Heard().empty());
        return;
    }
    const Bytes frame = r.Heard(kFrameSize);
    QCOMPARE(frame.size(), kFrameSize);
    const int byte = box == CAdvanceDlg::IDC_TAILCOMP1 ? 40 : 41;
    QCOMPARE(frame[kTuningInFrame + byte], uint8_t(int8_t(value)));
}

void AdvanceDlgTest::cancelWritesAndSendsNothing() {
    Rig r;
    QVERIFY(r.Open());
    const ParameterBlock before = r.block;
    CAdvanceDlg dlg(r.services, {});
    dlg.show();
    Type(dlg, CAdvanceDlg::IDC_YAW_P, "90");
    Type(dlg, CAdvanceDlg::IDC_DEADBAND3, "12");
    Click(dlg, 2);
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
    QVERIFY(!dlg.isVisible());
    QVERIFY(r.Heard().empty());
    QVERIFY(r.block.Mirror == before.Mirror && r.block.Tuning == before.Tuning);
    QCOMPARE(r.link.SequenceCounter, uint8_t(0));  // no frame was even built
}

void AdvanceDlgTest::hiddenAgilityOutsideItsRangeIsClamped() {
    Rig r;
    QVERIFY(r.Open());
    r.block.Mirror.SpinSpeed1 = 70;  // as a configuration file may carry them
    r.block.Mirror.SpinSpeed4 = -3;
    CAdvanceDlg dlg(r.services, {});
    dlg.show();
    for (int id : {1146, 1147, 1157, 1158}) QVERIFY(!dlg.Controls().Edit(id)->isVisible());
    Click(dlg, 1);
    QVERIFY(r.messages.Texts().isEmpty());
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    const Bytes frame = r.Heard(kFrameSize);
    QCOMPARE(frame.size(), kFrameSize);
    QCOMPARE(frame[kTuningInFrame + 33], uint8_t(60));
    QCOMPARE(frame[kTuningInFrame + 32], uint8_t(15));
    QCOMPARE(r.block.Mirror.SpinSpeed1, int8_t(60));
    QCOMPARE(r.block.Mirror.SpinSpeed4, int8_t(15));
}

void AdvanceDlgTest::enterInABoxIsOk() {
    Rig r;
    QVERIFY(r.Open());
    CAdvanceDlg dlg(r.services, {});
    dlg.show();
    QLineEdit* yawD = dlg.Controls().Edit(CAdvanceDlg::IDC_YAW_D);
    yawD->setFocus();
    yawD->selectAll();
    QTest::keyClicks(yawD, "33");
    QTest::keyClick(yawD, Qt::Key_Return);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    const Bytes frame = r.Heard(kFrameSize);
    QCOMPARE(frame.size(), kFrameSize);
    QCOMPARE(frame[kTuningInFrame + 3], uint8_t(33));
}

void AdvanceDlgTest::skinAndNotifyTargetWhileOpen() {
    Rig r;
    QVERIFY(r.Open());
    FormStandIn form;
    const auto formTarget = r.notifier.TargetFor(&form);
    r.port.SetNotifyTarget(formTarget);
    {
        CAdvanceDlg dlg(r.services, formTarget);
        dlg.show();
        QCOMPARE(r.skin.Log(), QStringList{"Apply -1 218"});
        QCOMPARE(r.skin.Calls()[0].window.data(), &dlg);

        QVERIFY(r.pty.Send(Bytes(10, 0x55)));
        QTRY_COMPARE(r.port.ReceiveSize(), 10u);
        // The port posts once the line has been quiet for its read interval (100 ms).
        QTest::qWait(400);
        QCOMPARE(form.received, 0);
        QCOMPARE(r.port.ReceiveSize(), 10u);
        Click(dlg, 2);
    }
    QVERIFY(r.pty.Send(Bytes(5, 0xAA)));
    QTRY_VERIFY(form.received > 0);
    QCOMPARE(r.port.ReceiveSize(), 15u);
}

QTEST_MAIN(AdvanceDlgTest)
#include "AdvanceDlgTest.moc"
