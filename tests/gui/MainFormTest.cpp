// The main form without a scan: initial update, the seven live values, presets, resets,
// configuration files and the firmware group. Bytes are checked as the simulated unit heard them.

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QProgressBar>
#include <QRegularExpression>
#include <QStyleOptionSlider>
#include <QtTest>

#include "ViewHarness.h"
#include "config/ConfigFile.h"
#include "protocol/Presets.h"
#include "widgets/PngButton.h"

using namespace orq;
using namespace orq::test;
using Values = std::vector<int>;

namespace {

constexpr int kQuietMs = 300;  // time enough for a stray frame to reach the unit

QPoint HandleCentre(QSlider* s) {
    QStyleOptionSlider o;
    o.initFrom(s);
    o.orientation = s->orientation();
    o.minimum = s->minimum();
    o.maximum = s->maximum();
    o.sliderPosition = o.sliderValue = s->value();
    o.tickPosition = s->tickPosition();
    o.tickInterval = s->tickInterval();
    o.upsideDown = !s->invertedAppearance();
    return s->style()->subControlRect(QStyle::CC_Slider, &o, QStyle::SC_SliderHandle, s).center();
}

void Mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton b, Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), b, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void WriteFile(const QString& path, const QByteArray& text) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
}

QString ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
}

}  // namespace

class MainFormTest : public QObject {
    Q_OBJECT
private slots:
    void initialUpdateAndTabOrder();
    void draggingToTheTopSendsOneWriteOnRelease();
    void enterValidatesClampsAndCommitsPerKeyMessage();
    void keyboardSliderMovesSendNothing();
    void presetsKeepTotalCoefficientExceptExtreme();
    void resetsAndAllDataReset();
    void openThenTransmitSendsTheFileSpinSpeeds();
    void saving();
    void invalidValuesAreListed();
    void firmwareGroup();
};

void MainFormTest::initialUpdateAndTabOrder() {
    ViewHarness h;
    const QStringList skinned = {
        "Apply -1 218",   "Apply 1002 210", "Apply 1003 210", "Apply 1010 210", "Apply 1013 210",
        "Apply 1011 210", "Apply 1025 210", "Apply 1012 210", "Apply 1006 0",   "Apply 1007 0",
        "Apply 1008 0",   "Apply 1018 0",   "Apply 1019 0",   "Apply 1035 215"};
    QCOMPARE(h.skin.Log().filter(QRegularExpression("^Apply")), skinned);
    QCOMPARE(h.Slider(IDC_TAIL_GAIN_SLIDER)->maximum(), 125);
    QCOMPARE(h.Slider(IDC_TAIL_GAIN_SLIDER)->tickInterval(), 15);
    QCOMPARE(h.Slider(IDC_PITCH_AGILITY_SLIDER)->value(), 60);  // value 15 sits at the bottom
    QCOMPARE(h.Shown(), (Values{15, 15, 15, 10, 10, 10, 15}));
    QVERIFY(h.view->Controls().PngButton(IDC_PRESET_F3C)->HasImage());

    // Ctrl+N, through the frame's own action, runs it again.
    h.skin.Clear();
    h.Edit(IDC_ROLL_GAIN_EDIT)->setText("99");
    h.frame->findChild<QAction*>(QStringLiteral("cmd%1").arg(ID_FILE_NEW))->trigger();
    QCOMPARE(h.skin.Log(), skinned);
    QCOMPARE(h.Edit(IDC_ROLL_GAIN_EDIT)->text(), QStringLiteral("10"));

    const QList<int> tabOrder = {1000, 1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008,
                                 1009, 1010, 1011, 1012, 1013, 1014, 1015, 1016, 1017,
                                 1018, 1019, 1020, 1021, 1023, 1024, 1025, 1128, 1164};
    QList<int> order;
    for (QWidget* w = h.Ctrl(IDC_CONNECT); order.size() < tabOrder.size();
         w = w->nextInFocusChain())
        if (ControlId(w) != kNoId && (w->focusPolicy() & Qt::TabFocus)) order << ControlId(w);
    QCOMPARE(order, tabOrder);

    for (QWidget* w : h.view->Controls().All())
        QVERIFY2(ControlId(w) == kNoId || !w->accessibleName().isEmpty(),
                 qPrintable(w->objectName()));
    QCOMPARE(h.Edit(IDC_ROLL_AGILITY_EDIT)->accessibleName(), QStringLiteral("Roll Agility"));
    QCOMPARE(h.Edit(IDC_YAW_RIGHT_EDIT)->accessibleName(), QStringLiteral("Yaw rate R"));
    QCOMPARE(h.Edit(IDC_TAIL_GAIN_EDIT)->accessibleName(), QStringLiteral("Tail Gain"));
    QCOMPARE(h.Ctrl(IDC_PRESET_3D_EXTREME)->accessibleName(), QStringLiteral("3D Extreme"));
    QVERIFY(h.Ctrl(IDC_RESET_MAIN)->accessibleName() != h.Ctrl(IDC_RESET_TAIL)->accessibleName());
}

void MainFormTest::draggingToTheTopSendsOneWriteOnRelease() {
    SimPeer unit;
    ViewHarness h;
    QVERIFY(unit.Started() && h.OpenPortTo(unit.Path()));
    SliderControl* s = h.Slider(IDC_PITCH_AGILITY_SLIDER);
    const QPoint grab = HandleCentre(s), top(grab.x(), -40);
    const int8_t mirror = h.block.Mirror.PitchAgility;

    Mouse(s, QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
    Mouse(s, QEvent::MouseMove, top, Qt::NoButton, Qt::LeftButton);
    QCOMPARE(h.Edit(IDC_PITCH_AGILITY_EDIT)->text(), QStringLiteral("60"));
    QCOMPARE(h.link.SequenceCounter, uint8_t{0});  // nothing sent while held
    Mouse(s, QEvent::MouseButtonRelease, top, Qt::LeftButton, Qt::NoButton);

    QCOMPARE(int(h.block.Tuning.SpinSpeed1), 60);
    QCOMPARE(h.block.Mirror.PitchAgility, mirror);  // a slider leaves the file copy alone
    QTRY_COMPARE(unit.FrameCount(), std::size_t{1});
    QTest::qWait(kQuietMs);
    QCOMPARE(unit.FrameCount(), std::size_t{1});
    QCOMPARE(unit.Frames()[0][67], uint8_t{60});
}

void MainFormTest::enterValidatesClampsAndCommitsPerKeyMessage() {
    SimPeer unit;
    ViewHarness h;
    QVERIFY(unit.Started() && h.OpenPortTo(unit.Path()));
    h.TypeAndEnter(IDC_PITCH_AGILITY_EDIT, "70");
    QCOMPARE(h.messages.Texts(), QStringList{"Please enter an integer between 15 and 60."});
    QCOMPARE(h.Edit(IDC_PITCH_AGILITY_EDIT)->text(), QStringLiteral("60"));
    QCOMPARE(h.Slider(IDC_PITCH_AGILITY_SLIDER)->value(), 15);  // the top
    QCOMPARE(int(h.block.Tuning.SpinSpeed1), 60);
    QCOMPARE(int(h.block.Mirror.PitchAgility), 60);
    // Return goes down, then up: two keyboard messages, two commits, two writes.
    QTRY_COMPARE(unit.FrameCount(), std::size_t{2});
    QCOMPARE(unit.Frames()[1][67], uint8_t{60});

    h.messages.Clear();
    h.TypeAndEnter(IDC_ROLL_GAIN_EDIT, "5");
    QCOMPARE(h.messages.Texts(), QStringList{"Please enter an integer between 10 and 125."});
    QCOMPARE(h.Edit(IDC_ROLL_GAIN_EDIT)->text(), QStringLiteral("10"));
    QCOMPARE(h.Slider(IDC_ROLL_GAIN_SLIDER)->value(), 125);  // the bottom

    // Text that is no number: the value stays, and checking stops at that box, so a number
    // typed into a later box is not taken either.
    h.messages.Clear();
    h.Edit(IDC_PITCH_AGILITY_EDIT)->setText("4x");
    h.TypeAndEnter(IDC_TAIL_GAIN_EDIT, "77");
    QCOMPARE(h.messages.Texts().value(0), QStringLiteral("Please enter an integer."));
    QCOMPARE(h.Shown(), (Values{60, 15, 15, 10, 10, 10, 15}));
}

void MainFormTest::keyboardSliderMovesSendNothing() {
    SimPeer unit;
    ViewHarness h;
    QVERIFY(unit.Started() && h.OpenPortTo(unit.Path()));
    SliderControl* s = h.Slider(IDC_PITCH_GAIN_SLIDER);
    s->setFocus();
    QTest::keyClick(s, Qt::Key_Up);
    QTest::keyClick(s, Qt::Key_PageUp);
    QVERIFY(h.view->Values().PitchGain > 10);
    QCOMPARE(h.Edit(IDC_PITCH_GAIN_EDIT)->text(), QString::number(135 - s->value()));
    QTest::qWait(kQuietMs);
    QCOMPARE(unit.FrameCount(), std::size_t{0});
    QCOMPARE(int(h.block.Tuning.PitchGain), 0);
}

void MainFormTest::presetsKeepTotalCoefficientExceptExtreme() {
    SimPeer unit;
    ViewHarness h;
    QVERIFY(unit.Started() && h.OpenPortTo(unit.Path()));
    h.block.Tuning.TotalCoefficient = 33;
    h.block.Setup.ServoDirCH2 = -1;
    const SetupBlock setup = h.block.Setup;
    bool appliedBeforeBox = true;
    h.messages.onShow = [&](const QString&) { appliedBeforeBox = h.block.Tuning.SpinSpeed1 != 0; };

    h.Click(IDC_PRESET_3D_HARD);
    QVERIFY(!appliedBeforeBox);  // the message comes first
    TuningBlock hard = PresetTuning(Preset::Hard3D);
    hard.TotalCoefficient = 33;
    QVERIFY(h.block.Tuning == hard);
    QVERIFY(h.block.Setup == setup);
    QCOMPARE(h.Shown(), (Values{45, 45, 40, 40, 40, 100, 40}));
    QCOMPARE(h.Slider(IDC_PITCH_AGILITY_SLIDER)->value(), 75 - 45);
    QCOMPARE(int(h.block.Mirror.RollGainI), 80);
    for (const PresetInfo& p : Presets())
        QCOMPARE(h.view->Controls().PngButton(p.buttonId)->Selected(),
                 p.buttonId == IDC_PRESET_3D_HARD);
    QTRY_COMPARE(unit.FrameCount(), std::size_t{1});
    const Frame f = unit.Frames()[0];
    for (std::size_t i = 0; i < TuningBlock::kSize; ++i)
        QCOMPARE(int8_t(f[TuningByte(i)]), hard.bytes()[i]);
    QCOMPARE(int8_t(f[2 + 7]), int8_t{-1});  // the SetupBlock goes along unchanged

    h.Click(IDC_PRESET_3D_EXTREME);
    h.Click(IDC_PRESET_3D_HARD);
    QCOMPARE(h.messages.Texts(), (QStringList{"3D Hard!", "3D Extreme!", "3D Hard!"}));
    QCOMPARE(int(h.block.Tuning.TotalCoefficient), 70);
    QTRY_COMPARE(unit.FrameCount(), std::size_t{3});
    QCOMPARE(unit.Frames()[2][TuningByte(38)], uint8_t{70});
}

void MainFormTest::resetsAndAllDataReset() {
    SimPeer unit;
    ViewHarness h;
    QVERIFY(unit.Started() && h.OpenPortTo(unit.Path()));
    h.TypeAndEnter(IDC_PITCH_AGILITY_EDIT, "33");
    h.Click(IDC_RESET_MAIN);  // before any preset: the start values
    QCOMPARE(h.Shown(), (Values{15, 15, 15, 10, 10, 10, 15}));

    h.Click(IDC_PRESET_3D_HARD);
    for (const TuningControl& c : TuningControls())
        h.TypeAndEnter(c.edit, QString::number(c.minimum + 3));
    h.Click(IDC_RESET_MAIN);
    QCOMPARE(h.Shown(), (Values{45, 45, 18, 40, 40, 13, 18}));
    QCOMPARE(int(h.block.Mirror.PitchAgility), 45);
    h.Click(IDC_RESET_TAIL);
    QCOMPARE(h.Shown(), (Values{45, 45, 40, 40, 40, 100, 40}));
    QCOMPARE(int(h.block.Tuning.SpinSpeed4), 40);
    QCOMPARE(h.Slider(IDC_TAIL_GAIN_SLIDER)->value(), 35);
    QTRY_COMPARE(unit.FrameCount(), std::size_t{2 + 1 + 1 + 14 + 2});  // each Enter sends twice

    const ResetValues resets = h.view->Resets();
    h.block.Setup.DeviceState = 7;
    h.Click(IDC_ALL_DATA_RESET);
    QCOMPARE(h.Shown(), (Values{35, 35, 35, 40, 40, 100, 35}));
    QCOMPARE(int(h.block.Setup.ServoDirCH4), -1);
    QCOMPARE(int(h.block.Setup.OptimizationDir), -1);
    QCOMPARE(int(h.block.Setup.SwashPlateType), 2);
    QCOMPARE(int(h.block.Setup.DeviceState), 7);
    QCOMPARE(int(h.block.Mirror.ServoDirCH1), -1);
    QCOMPARE(h.view->Resets(), resets);
    QVERIFY(h.view->Controls().PngButton(IDC_PRESET_3D_HARD)->Selected());
    QTRY_COMPARE(unit.FrameCount(), std::size_t{21});
    const Frame f = unit.Frames().back();
    const SetupBlock factory = FactorySetup();
    for (std::size_t i = 0; i < SetupBlock::kSentSize; ++i)
        QCOMPARE(int8_t(f[2 + i]), factory.bytes()[i]);
    QCOMPARE(f[33], uint8_t{0});  // DeviceState is never sent
}

void MainFormTest::openThenTransmitSendsTheFileSpinSpeeds() {
    QTemporaryDir dir;
    const QString path = dir.filePath("set.ini");
    WriteFile(path,
              "[section1]\r\nPitchAgility=20\r\nPitchGain=50\r\nRollAgility=21\r\n"
              "[section2]\r\nTailLimitA=33\r\n"
              "[section3]\r\nSpinSpeed1=40\r\nSpinSpeed2=41\r\nSpinSpeed3=42\r\nSpinSpeed4=43\r\n");
    SimPeer unit;
    ViewHarness h;
    QVERIFY(unit.Started() && h.OpenPortTo(unit.Path()));

    h.files.Answer(FileDialogOutcome::Ok, path);
    h.Command(ID_FILE_OPEN);
    const FileDialogRequest& open = h.files.Requests().at(0);
    QCOMPARE(open.title, QStringLiteral("Select Config File"));
    QCOMPARE(open.filter, QStringLiteral("conif file (*.ini)|*.ini||"));
    QCOMPARE(open.options, unsigned(kPathMustExist | kFileMustExist | kHideReadOnly));
    QCOMPARE(h.Shown(), (Values{20, 21, 0, 50, 0, 0, 0}));
    QCOMPARE(h.Slider(IDC_PITCH_GAIN_SLIDER)->value(), 135 - 50);
    QCOMPARE(int(h.block.Tuning.SpinSpeed1), 0);  // loading fills the mirror only

    int progressAtBox = -1;
    h.messages.onShow = [&](const QString&) { progressAtBox = h.frame->ProgressBar()->value(); };
    h.Command(ID_FILE_TRANSMIT);
    QCOMPARE(h.messages.Texts(), QStringList{"The config file has been Transmitted to ORQ!"});
    QCOMPARE(progressAtBox, 100);
    QCOMPARE(h.frame->ProgressBar()->value(), 0);
    QTRY_COMPARE(unit.FrameCount(), std::size_t{1});
    const Frame f = unit.Frames()[0];
    QCOMPARE(f[TuningByte(33)], uint8_t{40});  // pitch agility from SpinSpeed1, not the slider's 20
    QCOMPARE(f[TuningByte(34)], uint8_t{41});
    QCOMPARE(f[TuningByte(31)], uint8_t{42});
    QCOMPARE(f[TuningByte(32)], uint8_t{43});
    QCOMPARE(f[2 + 12], uint8_t{33});
    QCOMPARE(h.Shown()[0], 20);  // the form keeps what Open put there
}

void MainFormTest::saving() {
    QTemporaryDir dir;
    ViewHarness h;
    h.files.Answer(FileDialogOutcome::Ok, dir.filePath("start.ini"));
    h.Command(ID_FILE_SAVE);
    const QString text = ReadFile(dir.filePath("start.ini"));
    QCOMPARE(text, QString::fromStdString(RenderConfig(SettingsMirror{}, SliderValues{})));
    for (const char* line : {"PitchAgility=15\r\n", "PitchGain=10\r\n", "SpinSpeed1=15\r\n",
                             "OptimizationDir=1\r\n", "Acc1=7\r\n"})
        QVERIFY2(text.contains(QLatin1String(line)), line);
    const FileDialogRequest& save = h.files.Requests().at(0);
    QCOMPARE(save.title, QStringLiteral("Save Config File"));
    QCOMPARE(save.filter, QStringLiteral("config file (*.ini)|*.ini||"));
    QCOMPARE(save.options, unsigned(kPathMustExist | kHideReadOnly));  // new files allowed
    QCOMPARE(save.defaultSuffix, QStringLiteral("ini"));

    // A new name without suffix gets ".ini"; an existing file keeps its other lines.
    h.TypeAndEnter(IDC_ROLL_AGILITY_EDIT, "44");
    h.files.Answer(FileDialogOutcome::Ok, dir.filePath("fresh"));
    h.Command(ID_FILE_SAVE);
    QVERIFY(ReadFile(dir.filePath("fresh.ini")).contains(QLatin1String("RollAgility=44\r\n")));
    WriteFile(dir.filePath("kept.ini"), "[notes]\r\nowner=me\r\n[section1]\r\nRollAgility=17\r\n");
    h.files.Answer(FileDialogOutcome::Ok, dir.filePath("kept.ini"));
    h.Command(ID_FILE_SAVE);
    QVERIFY(
        ReadFile(dir.filePath("kept.ini"))
            .startsWith(QLatin1String("[notes]\r\nowner=me\r\n[section1]\r\nRollAgility=44\r\n")));
    QVERIFY(h.messages.Texts().isEmpty());

    // Refused names, a failed dialog, a cancelled one, a save that fails.
    h.files.Answer(FileDialogOutcome::Ok, "a.in");
    h.Command(ID_FILE_SAVE);
    h.files.Answer(FileDialogOutcome::Failed);
    h.Command(ID_FILE_OPEN);
    h.files.Answer(FileDialogOutcome::Cancel);
    h.Command(ID_FILE_OPEN);
    QCOMPARE(h.messages.Texts(),
             (QStringList{"File name is too short!", "File name is too short!"}));
    h.files.Answer(FileDialogOutcome::Ok, dir.filePath("no-such-folder/set.ini"));
    h.Command(ID_FILE_SAVE);
    QCOMPARE(h.messages.Texts().size(), 3);
    QVERIFY(h.messages.Last().contains(QLatin1String("could not be saved")));
    QVERIFY(h.messages.Last().endsWith(QLatin1Char('!')));
}

void MainFormTest::invalidValuesAreListed() {
    QTemporaryDir dir;
    WriteFile(
        dir.filePath("bad.ini"),
        "[section1]\r\nPitchAgility=abc\r\nPitchGain=50\r\n[section3]\r\nAcc1=300\r\nAcc2=12\r\n");
    ViewHarness h;
    h.files.Answer(FileDialogOutcome::Ok, dir.filePath("bad.ini"));
    h.Command(ID_FILE_OPEN);
    QCOMPARE(h.messages.Texts().size(), 1);
    const QString text = h.messages.Last();
    QVERIFY2(text.contains(QLatin1String("[section1] PitchAgility = \"abc\"")), qPrintable(text));
    QVERIFY(text.contains(QLatin1String("[section3] Acc1 = \"300\"")));
    QVERIFY(!text.contains(QLatin1String("PitchGain")) && text.endsWith(QLatin1Char('!')));
    QCOMPARE(h.Edit(IDC_PITCH_GAIN_EDIT)->text(), QStringLiteral("50"));
    QCOMPARE(int(h.block.Mirror.Acc2), 12);
}

void MainFormTest::firmwareGroup() {
    QTemporaryDir dir;
    const QString hex = dir.filePath("first.hex");
    WriteFile(hex, ":00000001FF\r\n");
    ViewHarness h;
    h.Click(IDC_UPGRADE);
    QCOMPARE(h.messages.Texts(), QStringList{"Please open upgrade file!"});

    h.files.Answer(FileDialogOutcome::Ok, hex);
    h.Click(IDC_UPGRADE_OPEN);
    h.files.Answer(FileDialogOutcome::Cancel);
    h.Click(IDC_UPGRADE_OPEN);
    QCOMPARE(h.files.Requests().at(0).title, QStringLiteral("Select Hex File"));
    QCOMPARE(h.files.Requests().at(0).filter, QStringLiteral("Hex File|*.hex|"));
    h.Click(IDC_UPGRADE);
    QCOMPARE(h.view->UpgradePath(), hex);
    QCOMPARE(h.messages.Texts().size(), 1);  // readable: nothing to say

    QFile::remove(hex);
    h.Click(IDC_UPGRADE);
    h.files.Answer(FileDialogOutcome::Ok, dir.path());  // a folder is no firmware file
    h.Click(IDC_UPGRADE_OPEN);
    h.Click(IDC_UPGRADE);
    QCOMPARE(h.messages.Texts().size(), 3);
}

QTEST_MAIN(MainFormTest)
#include "MainFormTest.moc"
