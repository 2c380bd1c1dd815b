// The Advance Menu on a real port: what the unit hears is read from the pty's other end.

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <algorithm>
#include <array>

#include "support/GuiRig.h"
#include "view/AdvanceDlg.h"

using namespace orq;
using namespace orq::test;
using D = CAdvanceDlg;

namespace {

// The box and the TuningBlock byte of each section3 value, in mirror order; the block starts at
// frame byte 34.
constexpr std::array<int, 25> kBox = {1142, 1143, 1151, 1152, 1154, 1153, 1144, 1145, 1155,
                                      1156, 1141, 1140, 1139, 1138, 1137, 1136, 1146, 1147,
                                      1157, 1158, 1159, 1160, 1150, 1149, 1148};
constexpr std::array<int, 25> kTuningByte = {22, 23, 18, 19, 20, 21, 29, 30, 27, 28, 15, 14, 13,
                                             9,  8,  7,  33, 34, 31, 32, 40, 41, 3,  2,  1};
constexpr int kTuning = 34, kCommand = 80;

using Rig = PtyRig;

void Type(D& d, int id, const QString& text) {
    d.Controls().Edit(id)->setText(text);
}
void Click(D& d, int id) {
    QTest::mouseClick(d.Controls().Button(id), Qt::LeftButton);
}

}  // namespace

class AdvanceDlgTest : public QObject {
    Q_OBJECT
private slots:
    void okSendsTheRunInOneWrite();
    void badBoxesKeepTheDialogOpenAndCancelTouchesNothing();
    void tailCompensationTakesMinus125To125();
};

void AdvanceDlgTest::okSendsTheRunInOneWrite() {
    Rig r;
    QVERIFY(r.Open());
    const std::array<int8_t, 25> run = {8, 9,  10, 11, 12, 13, 1,  2,    3,   4, 5,  20, 21,
                                        6, 22, 23, 31, 32, 33, 34, -103, 104, 7, 24, 25};
    std::copy(run.begin(), run.end(), r.block.Mirror.section3().begin());
    // The main form's sliders have moved the unit's agility and yaw rates (TuningBlock 31..34)
    // since the mirror was filled: the unit keeps them, in the hidden boxes, clamped to 15..60
    // on OK as a unit may report them out of range.
    TuningBlock& t = r.block.Tuning;
    t.SpinSpeed3 = 51, t.SpinSpeed4 = -3, t.SpinSpeed1 = 70, t.SpinSpeed2 = 54;
    auto shown = run;
    shown[16] = 70, shown[17] = 54, shown[18] = 51, shown[19] = -3;  // SpinSpeed1..4
    auto sent = shown;
    sent[16] = 60, sent[19] = 15;
    t.YawGain = 77;
    const SettingsMirror mirror = r.block.Mirror;
    D dlg(r.services, {});
    dlg.show();
    QCOMPARE(r.skin.Log(), QStringList{"Apply -1 218"});
    QCOMPARE(r.skin.Windows()[0].data(), &dlg);
    for (std::size_t i = 0; i < run.size(); ++i)
        QCOMPARE(dlg.Controls().Edit(kBox[i])->text(), QString::number(shown[i]));
    for (int id : {1146, 1147, 1157, 1158}) QVERIFY(!dlg.Controls().Edit(id)->isVisible());
    Click(dlg, D::IDOK);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QVERIFY(r.messages.Texts().isEmpty());
    const Bytes frame = r.Listen(kFrameSize);
    QCOMPARE(frame.size(), kFrameSize);
    QCOMPARE(frame[kCommand], uint8_t(kCommandParameters));
    for (std::size_t i = 0; i < run.size(); ++i)
        QCOMPARE(frame[kTuning + kTuningByte[i]], uint8_t(sent[i]));
    QCOMPARE(frame[kTuning], uint8_t(77));
    QCOMPARE(r.block.Tuning.SpinSpeed1, int8_t(60));
    QVERIFY(r.block.Mirror == mirror);  // its SpinSpeed values included
}

void AdvanceDlgTest::badBoxesKeepTheDialogOpenAndCancelTouchesNothing() {
    Rig r;
    QVERIFY(r.Open());
    const ParameterBlock before = r.block;
    D dlg(r.services, {});
    dlg.show();
    auto refuses = [&](const char* message, int focusId) {
        Click(dlg, D::IDOK);
        return r.messages.Last() == message && dlg.isVisible() &&
               dlg.focusWidget() == dlg.Controls().Edit(focusId);
    };
    Type(dlg, D::IDC_ROLL_P, "5");
    QVERIFY(refuses("Please enter an integer between 10 and 125.", D::IDC_ROLL_P));
    // Acceleration comes later in the tab order but earlier in the exchange.
    Type(dlg, D::IDC_ACC1, "3");
    QVERIFY(refuses("Please enter an integer between 7 and 125.", D::IDC_ACC1));
    Type(dlg, D::IDC_ACC1, "40");
    Type(dlg, D::IDC_ROLL_P, "60");
    Type(dlg, D::IDC_ZERO_PITCH, "x");  // any integer will do, but an integer it must be
    QVERIFY(refuses("Please enter an integer.", D::IDC_ZERO_PITCH));
    QVERIFY(r.Listen().empty());
    QVERIFY(r.block.Mirror == before.Mirror && r.block.Tuning == before.Tuning);
    Type(dlg, D::IDC_ZERO_PITCH, "-99999");
    Click(dlg, D::IDCANCEL);
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
    QVERIFY(r.Listen().empty());
    QVERIFY(r.block.Mirror == before.Mirror && r.block.Tuning == before.Tuning);
    QCOMPARE(r.link.SequenceCounter, uint8_t(0));  // no frame was even built
}

void AdvanceDlgTest::tailCompensationTakesMinus125To125() {
    // Typed into the first box, then Enter in the second: OK is the default button. -126 is
    // refused in either box.
    const std::pair<int, int> cases[] = {{-125, 125}, {125, -125}, {-126, 0}, {0, -126}};
    for (const auto& [one, two] : cases) {
        Rig r;
        QVERIFY(r.Open());
        D dlg(r.services, {});
        dlg.show();
        Type(dlg, D::IDC_TAILCOMP1, QString::number(one));
        TypeAndEnter(dlg.Controls().Edit(D::IDC_TAILCOMP2), QString::number(two));
        const bool valid = one != -126 && two != -126;
        const Bytes frame = r.Listen(valid ? kFrameSize : 0);
        QCOMPARE(r.messages.Last(),
                 valid ? QString() : QString("Please enter an integer between -125 and 125."));
        QCOMPARE(frame.size(), valid ? kFrameSize : 0);
        if (valid)
            QCOMPARE(Bytes(frame.begin() + kTuning + 40, frame.begin() + kTuning + 42),
                     (Bytes{uint8_t(int8_t(one)), uint8_t(int8_t(two))}));
    }
}

QTEST_MAIN(AdvanceDlgTest)
#include "AdvanceDlgTest.moc"
