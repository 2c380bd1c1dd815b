// Connect against simulated units given in ORQ_PORTS: the scan with its progress and per-port
// report, the lamps, reconnecting, an unplugged adapter, and closing the window mid-scan.

#include <QProgressBar>
#include <QStatusBar>
#include <QtTest>

#include "ViewHarness.h"
#include "view/AdvanceDlg.h"

using namespace orq;
using namespace orq::test;

namespace {

constexpr int kScanMs = 10000;  // a silent port costs about 2 s

// The colour in the middle of each lamp: 'r', 'g' or '?'.
QString Lamps(CUARTView* view) {
    const QImage shot = view->grab().toImage();
    QString lamps;
    for (int x : CUARTView::kLampX) {
        const QColor c = shot.pixelColor(x + 14, CUARTView::kLampY + 14);
        lamps += c.red() > c.green() + 60 ? 'r' : c.green() > c.red() + 60 ? 'g' : '?';
    }
    return lamps;
}

QString StatusTip(const ViewHarness& h) {
    return h.frame->statusBar()->findChild<QWidget*>(QStringLiteral("statusPane0"))->toolTip();
}

UnitImage DistinctImage() {
    UnitImage image = FactoryImage(3);
    image.Tuning.SpinSpeed1 = 50;
    image.Tuning.RollGain = 77;
    return image;
}

}  // namespace

class MainFormLinkTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { qunsetenv("ORQ_PORTS"); }
    void connectFindsTheUnitBehindAbsentAndSilentPorts();
    void reconnectThenUnplug();
    void unplugDuringTheScanMovesOn();
    void closingDuringAScanStopsIt();
};

void MainFormLinkTest::connectFindsTheUnitBehindAbsentAndSilentPorts() {
    SimPeer silent(FactoryImage(), false), unit(DistinctImage());
    QVERIFY(silent.Started() && unit.Started());
    const std::string absent = "/dev/orq-test-no-such-port";
    qputenv("ORQ_PORTS",
            QByteArray::fromStdString(absent + ":" + silent.Path() + ":" + unit.Path()));
    ViewHarness h;
    QCOMPARE(Lamps(h.view), QStringLiteral("rrr"));
    QList<int> progress;
    connect(h.frame->ProgressBar(), &QProgressBar::valueChanged, this,
            [&](int v) { progress << v; });

    h.Click(IDC_CONNECT);
    QVERIFY(h.view->Scanning() && !h.Ctrl(IDC_CONNECT)->isEnabled());
    QVERIFY(!h.Ctrl(IDC_ADVANCE)->isEnabled());  // it would write to the port being probed
    // The form stays in use while the scan waits; what is changed meanwhile is not sent to the
    // port being probed, so the scan still recognises the unit's answer.
    h.Click(IDC_PRESET_F3C);
    QCOMPARE(h.messages.Last(), QStringLiteral("F-3C!"));

    QTRY_COMPARE_WITH_TIMEOUT(h.frame->StatusText(), QStringLiteral("Connected!"), kScanMs);
    QVERIFY(h.view->Connected() && h.Ctrl(IDC_CONNECT)->isEnabled() &&
            h.Ctrl(IDC_ADVANCE)->isEnabled());
    QCOMPARE(Lamps(h.view), QStringLiteral("ggg"));
    QCOMPARE(h.Edit(IDC_PITCH_AGILITY_EDIT)->text(), QStringLiteral("50"));
    QCOMPARE(h.Slider(IDC_ROLL_GAIN_SLIDER)->value(), 135 - 77);
    QCOMPARE(int(h.block.Mirror.RollGain), 77);

    QCOMPARE(h.frame->ProgressBar()->value(), 0);
    QVERIFY(std::any_of(progress.begin(), progress.end(), [](int v) { return v > 0 && v < 100; }));
    QCOMPARE(StatusTip(h).split('\n'),
             (QStringList{QString::fromStdString(absent + ": not found"),
                          QString::fromStdString(silent.Path() + ": no answer"),
                          QString::fromStdString(unit.Path() + ": connected")}));

    // The unit heard the probe, then the request that follows a connection; its answer to that
    // only collects in the form's accumulator.
    QTRY_COMPARE(unit.FrameCount(), std::size_t{2});
    const Frame probe{0x7F, 0x2F, 0x0A, 0x01, 0x1E, 0x05, 0x10, 0x7E, 0x0E};
    QVERIFY(unit.Frames()[0] == probe);
    QCOMPARE(unit.Frames()[1][4], uint8_t{0});  // ReplyMode back to 0
    QTRY_COMPARE(h.view->Accumulator().Size(), uint32_t{90});
    QCOMPARE(h.Edit(IDC_PITCH_AGILITY_EDIT)->text(), QStringLiteral("50"));

    // While the Advance Menu is up, replies wait in the port; the form collects them after.
    bool advance = false;
    uint32_t collectedMeanwhile = 0;
    h.modal.onRun = [&](QDialog& dialog) {
        advance = qobject_cast<CAdvanceDlg*>(&dialog) != nullptr;
        SendParameters(h.link, h.block, &h.port);
        QTest::qWait(500);
        collectedMeanwhile = h.view->Accumulator().Size() - 90;
        return int(QDialog::Rejected);
    };
    h.Click(IDC_ADVANCE);
    QVERIFY(advance);
    QCOMPARE(collectedMeanwhile, uint32_t{0});
    QCOMPARE(h.port.ReceiveSize(), uint32_t{90});
    // A late notification from another port number takes nothing; one from this port does.
    WindowMessageEvent late(WM_SERIAL_RECEIVE, h.port.PortNumber() + 1, 0);
    QCoreApplication::sendEvent(h.view, &late);
    QCOMPARE(h.view->Accumulator().Size(), uint32_t{90});
    WindowMessageEvent now(WM_SERIAL_RECEIVE, h.port.PortNumber(), 0);
    QCoreApplication::sendEvent(h.view, &now);
    QCOMPARE(h.view->Accumulator().Size(), uint32_t{2 * 90});
    h.TypeAndEnter(IDC_PITCH_GAIN_EDIT, "60");
    QTRY_COMPARE(h.view->Accumulator().Size(), uint32_t{4 * 90});
    QTRY_COMPARE(unit.FrameCount(), std::size_t{5});
    QCOMPARE(unit.Frames()[4][TuningByte(12)], uint8_t{60});
}

void MainFormLinkTest::reconnectThenUnplug() {
    SimPeer unit(DistinctImage());
    QVERIFY(unit.Started());
    qputenv("ORQ_PORTS", QByteArray::fromStdString(unit.Path()));
    ViewHarness h;
    h.Click(IDC_CONNECT);
    QTRY_COMPARE_WITH_TIMEOUT(h.frame->StatusText(), QStringLiteral("Connected!"), kScanMs);

    h.Click(IDC_CONNECT);  // while connected: let go first, then find the unit again
    QCOMPARE(h.frame->StatusText(), QStringLiteral("Not Connect!"));
    QCOMPARE(Lamps(h.view), QStringLiteral("rrr"));
    QTRY_COMPARE_WITH_TIMEOUT(h.frame->StatusText(), QStringLiteral("Connected!"), kScanMs);

    unit.Unplug();
    QTRY_COMPARE(h.frame->StatusText(), QStringLiteral("Not Connect!"));
    QVERIFY(!h.view->Connected() && !h.port.IsOpen());
    QCOMPARE(Lamps(h.view), QStringLiteral("rrr"));
    QVERIFY(StatusTip(h).contains(QLatin1String("unplugged")));
    h.TypeAndEnter(IDC_TAIL_GAIN_EDIT, "90");  // the form goes on without a unit
    QCOMPARE(int(h.block.Tuning.YawGain), 90);
}

void MainFormLinkTest::unplugDuringTheScanMovesOn() {
    SimPeer first(FactoryImage(), false), unit(DistinctImage());
    QVERIFY(first.Started() && unit.Started());
    qputenv("ORQ_PORTS", QByteArray::fromStdString(first.Path() + ":" + unit.Path()));
    ViewHarness h;
    h.Click(IDC_CONNECT);
    QTRY_VERIFY(h.port.IsOpen());
    const std::string gone = first.Path();
    first.Unplug();
    QTRY_COMPARE_WITH_TIMEOUT(h.frame->StatusText(), QStringLiteral("Connected!"), kScanMs);
    QCOMPARE(StatusTip(h).split('\n').value(0),
             QString::fromStdString(gone + ": gone (unplugged?)"));
}

void MainFormLinkTest::closingDuringAScanStopsIt() {
    SimPeer silent(FactoryImage(), false);
    QVERIFY(silent.Started());
    qputenv("ORQ_PORTS", QByteArray::fromStdString(silent.Path()));
    ViewHarness h;
    h.Click(IDC_CONNECT);
    QTRY_VERIFY(h.port.IsOpen());
    h.frame->close();
    QVERIFY(!h.port.IsOpen());
    h.app.ExitInstance(0);  // the frame and the form go
    QVERIFY(h.view.isNull());
    QTest::qWait(2500);  // past the port's wait: nothing may fire into the dead form
    QVERIFY(!h.port.IsOpen());
}

QTEST_MAIN(MainFormLinkTest)
#include "MainFormLinkTest.moc"
