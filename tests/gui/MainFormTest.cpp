// The main form in its real frame against simulated units: bytes are checked as the unit heard.

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <tuple>

#include "app/Resources.h"
#include "app/UARTApp.h"
#include "config/Backups.h"
#include "config/ConfigFile.h"
#include "protocol/Presets.h"
#include "support/GuiRig.h"
#include "support/SimPeer.h"
#include "view/AdvanceDlg.h"
#include "view/CompareDlg.h"
#include "view/MainFormTemplate.h"
#include "view/UARTView.h"
#include "view/UnitHistoryDlg.h"
#include "widgets/PngButton.h"
#include "wizard/SetupDlg.h"
#include "wizard/SetupTemplates.h"

using namespace orq;
using namespace orq::test;
using Values = std::vector<int>;

namespace {

// Where the SetupBlock and the TuningBlock start in a parameter write, and the command after them.
constexpr std::size_t kSetup = 2, kTuning = 34, kCommand = 80;
constexpr int kQuietMs = 300;   // time enough for a stray frame to reach the unit
constexpr int kScanMs = 10000;  // a silent port costs about 2 s

// Bytes of a frame or a block, comparable and printed as such.
QByteArray Raw(const void* at, std::size_t size) {
    return QByteArray(static_cast<const char*>(at), qsizetype(size));
}

// What the seven boxes would show for these values, in the order the form checks them.
Values ShownOf(const SliderValues& v) {
    Values shown;
    for (const TuningControl& c : TuningControls()) shown.push_back(v.*c.Value());
    return shown;
}

struct ViewHarness : ServiceRig {
    CUARTApp app{services};
    CMainFrame* frame = nullptr;
    QPointer<CUARTView> view;
    ViewHarness() {
        InitGuiResources();
        app.InitInstance([this](CMainFrame& f, AppServices& s) -> FormView* {
            view = new CUARTView(s, &f);
            view->SetSetupRunner([&s](QWidget* parent) { RunSetup(s, parent); });
            return view;
        });
        frame = app.MainFrame();
        QCoreApplication::processEvents();  // places the progress bar
    }
    ~ViewHarness() {
        if (CMainFrame* f = app.MainFrame()) f->close();
        app.ExitInstance(0);
        port.ClosePort();
    }
    QWidget* Ctrl(int id) const { return view->Controls().Control(id); }
    QLineEdit* Edit(int id) const { return view->Controls().Edit(id); }
    SliderControl* Slider(int id) const { return view->Controls().Slider(id); }
    void Click(int id) const { QTest::mouseClick(Ctrl(id), Qt::LeftButton); }
    void Click(int id, QWidget* window) const {
        QTest::mouseClick(FindControl(window, id), Qt::LeftButton);
    }
    void Command(int id) const { frame->RouteCommand(id); }
    // Answers the file dialog that a button or a menu command is about to open.
    void Pick(int id, FileDialogOutcome outcome, const QString& path = {}) {
        files.Answer(outcome, path);
        Ctrl(id) ? Click(id) : Command(id);
    }
    bool OpenPortTo(const SimPeer& unit) { return unit.Started() && OpenPort(unit.Path()); }
    // What the status bar says and the three lamps show ('r', 'g' or '?' each).
    QString State() const { return frame->StatusText() + " " + Lamps(); }
    // Presses Connect and waits for the scan to find the unit.
    bool Connect() {
        Click(IDC_CONNECT);
        return QTest::qWaitFor([&] { return State() == "Connected! ggg"; }, kScanMs);
    }
    // Waits until the unit has heard every frame this port sent, then marks its count: what
    // follows counts only what the next step sends.
    void Mark(SimPeer& unit) const {
        QVERIFY(
            QTest::qWaitFor([&] { return unit.FrameCount() * kFrameSize == port.TotalWritten(); }));
        unit.Mark();
    }
    void TypeAndEnter(int editId, const QString& text) { test::TypeAndEnter(Edit(editId), text); }
    // Clicks `button`: the form shows and holds what `core` makes of the same state, and the
    // unit hears one write carrying both blocks as the core has them (the values are the core's,
    // tested there).
    template <class Core>
    void SendsAsTheCore(SimPeer& unit, int button, Core core) {
        ParameterBlock expected = block;
        SliderValues sliders = view->Values();
        ResetValues resets = view->Resets();
        core(expected, sliders, resets);
        Mark(unit);
        Click(button);
        QCOMPARE(Shown(), ShownOf(sliders));
        QVERIFY(block.Tuning == expected.Tuning && block.Mirror == expected.Mirror);
        QVERIFY(block.Setup == expected.Setup && view->Resets() == resets);
        QTRY_COMPARE(unit.CountSince(), std::size_t{1});
        const Frame f = unit.Since()[0];
        QCOMPARE(Raw(&f[kTuning], TuningBlock::kSize), Raw(&expected.Tuning, TuningBlock::kSize));
        QCOMPARE(Raw(&f[kSetup], SetupBlock::kSentSize),
                 Raw(&expected.Setup, SetupBlock::kSentSize));
    }
    // What the seven boxes show, in the order they are checked.
    std::vector<int> Shown() const {
        std::vector<int> v;
        for (const TuningControl& c : TuningControls()) v.push_back(Edit(c.edit)->text().toInt());
        return v;
    }
    // The colour in the middle of each lamp.
    QString Lamps() const {
        const QImage shot = view->grab().toImage();
        QString lamps;
        for (int x : CUARTView::kLampX) {
            const QColor c = shot.pixelColor(x + 14, CUARTView::kLampY + 14);
            lamps += c.red() > c.green() + 60 ? 'r' : c.green() > c.red() + 60 ? 'g' : '?';
        }
        return lamps;
    }
    QString StatusTip() const {
        return frame->statusBar()->findChild<QWidget*>(QStringLiteral("statusPane0"))->toolTip();
    }
};

void UsePorts(const std::string& ports) {
    qputenv("ORQ_PORTS", QByteArray::fromStdString(ports));
}

// Presses the wizard's buttons one after the other.
void Press(QDialog* wizard, std::initializer_list<int> ids) {
    for (int id : ids) qobject_cast<QPushButton*>(FindControl(wizard, id))->click();
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

// A file dialog request as one comparable value.
QStringList Asked(const FileDialogRequest& r) {
    return {QString::number(int(r.mode)), r.title, r.filter, r.defaultSuffix, r.initialName,
            QString::number(r.options)};
}

// The set a connection shows for a unit's image: its mirror and its slider values.
SettingsMirror MirrorOf(ParameterBlock image) {
    SliderValues sliders;
    MirrorFromDevice(image, sliders);
    return image.Mirror;
}
SliderValues SlidersOf(ParameterBlock image) {
    SliderValues sliders;
    MirrorFromDevice(image, sliders);
    return sliders;
}

UnitImage DistinctImage() {
    UnitImage image = FactoryImage(3);
    image.Tuning.SpinSpeed1 = 50;
    image.Tuning.RollGain = 77;
    return image;
}

}  // namespace

class MainFormTest : public QObject {
    Q_OBJECT
private slots:
    void initialUpdateShowsTheStartValuesAndSkinsEverySliderAndPreset();
    void eachSliderAndBoxWritesItsOwnByteAndNoOther();
    void eachPresetButtonSaysSoThenSendsItsOwnPreset();
    void resetsReturnToTheStartOrTheLastPresetsValues();
    void openedFileIsTransmittedAsItIsAndASliderSendsWhatItShows();
    void saveWritesEveryKeyAndOpenReportsValuesThatAreNoByte();
    void upgradeWantsAReadableFileFirst();
    void cleanup() { qunsetenv("ORQ_PORTS"); }
    void connectFindsTheUnitBehindAbsentGoneAndSilentPorts();
    void repliesWaitInThePortWhileTheAdvanceMenuIsUp();
    void closingDuringAScanStopsIt();
    void backupsKeepTheFoundSetAndTheOneATransmitReplaces();
    void unplugMidWriteOrUnderTheWizardEndsNotConnected();
    void aUnitThatComesBackOnItsNameIsFoundAgain();
    void undoAndRedoSendTheSetBeforeAndAfterEachChange();
    void unitHistoryFollowsTheFolderAndWritesAKeptSetBack();
    void compareShowsTheKeysThatDifferAndTheValuesOutOfRange();
};

// The start values shown, each slider and preset button in the skin's dress.
void MainFormTest::initialUpdateShowsTheStartValuesAndSkinsEverySliderAndPreset() {
    ViewHarness h;
    QStringList unskinned;
    for (QWidget* w : h.view->Controls().All()) {
        const int kind = qobject_cast<QSlider*>(w) ? 210 : qobject_cast<CPngButton*>(w) ? 0 : -1;
        if (kind >= 0 &&
            !h.skin.Log().contains(QStringLiteral("Apply %1 %2").arg(ControlId(w)).arg(kind)))
            unskinned << w->accessibleName();
    }
    QCOMPARE(unskinned, QStringList());
    QVERIFY(h.skin.Log().contains(QStringLiteral("Apply -1 218")));  // the form
    QCOMPARE(h.Slider(IDC_PITCH_AGILITY_SLIDER)->value(), 60);       // value 15 sits at the bottom
    QCOMPARE(h.Shown(), (Values{15, 15, 15, 10, 10, 10, 15}));
    QVERIFY(h.view->Controls().Control<CPngButton>(IDC_PRESET_F3C)->HasImage());
    // The preset buttons have no window text, so no tooltip: the artwork carries the name.
    QCOMPARE(h.Ctrl(IDC_PRESET_3D_EXTREME)->toolTip(), QString());
}

// Dragged to its top, each slider writes its own tuning byte and no other, and the file copy
// keeps its value; a value below the range typed into its box is named with the range and goes
// to the bottom, in the box, on the slider, in the file copy and to the unit, where Return sends
// it twice (key down and key up). The places are the wire layout's.
void MainFormTest::eachSliderAndBoxWritesItsOwnByteAndNoOther() {
    using M = SettingsMirror;
    struct Row {
        int slider, edit;
        int8_t M::*key;
        std::size_t byte;
        int bottom, top;
    };
    // The tuning bytes, in the rows' order: SpinSpeed1, PitchGain, SpinSpeed2, RollGain,
    // SpinSpeed3, SpinSpeed4, YawGain.
    const Row rows[] = {
        {IDC_PITCH_AGILITY_SLIDER, IDC_PITCH_AGILITY_EDIT, &M::PitchAgility, kTuning + 33, 15, 60},
        {IDC_PITCH_GAIN_SLIDER, IDC_PITCH_GAIN_EDIT, &M::PitchGain, kTuning + 12, 10, 125},
        {IDC_ROLL_AGILITY_SLIDER, IDC_ROLL_AGILITY_EDIT, &M::RollAgility, kTuning + 34, 15, 60},
        {IDC_ROLL_GAIN_SLIDER, IDC_ROLL_GAIN_EDIT, &M::RollGain, kTuning + 6, 10, 125},
        {IDC_YAW_LEFT_SLIDER, IDC_YAW_LEFT_EDIT, &M::YawAgility, kTuning + 31, 15, 60},
        {IDC_YAW_RIGHT_SLIDER, IDC_YAW_RIGHT_EDIT, &M::YawRight, kTuning + 32, 15, 60},
        {IDC_TAIL_GAIN_SLIDER, IDC_TAIL_GAIN_EDIT, &M::YawGain, kTuning + 0, 10, 125},
    };
    const QString range = QStringLiteral("Please enter an integer between %1 and %2.");
    SimPeer unit;
    ViewHarness h;
    QVERIFY(h.OpenPortTo(unit));
    Bytes held(kCommand - kSetup);  // nothing in the device image yet
    const auto heard = [&](std::size_t writes, const char* what) {
        QTRY_COMPARE(unit.CountSince(), writes);
        for (const Frame& f : unit.Since())
            QVERIFY2(Bytes(f.begin() + kSetup, f.begin() + kCommand) == held, what);
    };
    for (const Row& row : rows) {
        SliderControl* slider = h.Slider(row.slider);
        const int8_t kept = h.block.Mirror.*row.key;
        h.Mark(unit);
        DragToTop(slider);
        held[row.byte - kSetup] = uint8_t(row.top);
        heard(1, qPrintable(slider->accessibleName()));
        QCOMPARE(h.block.Mirror.*row.key, kept);
        h.Mark(unit);
        h.messages.Clear();
        h.TypeAndEnter(row.edit, "5");
        held[row.byte - kSetup] = uint8_t(row.bottom);
        heard(2, qPrintable(h.Edit(row.edit)->accessibleName()));
        QCOMPARE(h.messages.Texts(), QStringList{range.arg(row.bottom).arg(row.top)});
        QCOMPARE(h.Edit(row.edit)->text(), QString::number(row.bottom));
        QCOMPARE(slider->value(), slider->maximum());  // the bottom
        QCOMPARE(int(h.block.Mirror.*row.key), row.bottom);
    }
}

void MainFormTest::eachPresetButtonSaysSoThenSendsItsOwnPreset() {
    const std::tuple<int, Preset, QString> buttons[] = {
        {IDC_PRESET_BEGINNER, Preset::Beginner, "Beginner!"},
        {IDC_PRESET_3D_SOFT, Preset::Soft3D, "3D Soft!"},
        {IDC_PRESET_F3C, Preset::F3C, "F-3C!"},
        {IDC_PRESET_3D_EXTREME, Preset::Extreme3D, "3D Extreme!"},
        {IDC_PRESET_3D_HARD, Preset::Hard3D, "3D Hard!"},
    };
    SimPeer unit;
    ViewHarness h;
    QVERIFY(h.OpenPortTo(unit));
    h.block.Tuning.TotalCoefficient = 33;
    h.block.Setup.ServoDirCH2 = -1;  // the SetupBlock goes along unchanged
    for (const auto& [button, preset, message] : buttons) {
        bool appliedBeforeBox = true;
        const TuningBlock before = h.block.Tuning;
        h.messages.Clear();
        h.messages.onShow = [&](const QString&) { appliedBeforeBox = !(h.block.Tuning == before); };
        h.SendsAsTheCore(unit, button,
                         [p = preset](ParameterBlock& b, SliderValues& s, ResetValues& r) {
                             ApplyPreset(p, b, s, r);
                         });
        QCOMPARE(h.messages.Texts(), QStringList{message});
        QVERIFY(!appliedBeforeBox);
        for (const auto& [other, p, m] : buttons)
            QCOMPARE(h.view->Controls().Control<CPngButton>(other)->Selected(), other == button);
    }
}

// Before any preset the Reset buttons return to the start values; after one, to the preset's,
// main and tail rotor apart. All Data Reset keeps the mark, and never sends the DeviceState.
void MainFormTest::resetsReturnToTheStartOrTheLastPresetsValues() {
    SimPeer unit;
    ViewHarness h;
    QVERIFY(h.OpenPortTo(unit));
    h.TypeAndEnter(IDC_PITCH_AGILITY_EDIT, "33");
    h.SendsAsTheCore(unit, IDC_RESET_MAIN, ResetMainRotor);
    QCOMPARE(h.Shown()[0], 15);
    h.Click(IDC_PRESET_3D_HARD);
    for (const TuningControl& c : TuningControls())
        h.TypeAndEnter(c.edit, QString::number(c.Minimum() + 3));
    h.SendsAsTheCore(unit, IDC_RESET_MAIN, ResetMainRotor);
    h.SendsAsTheCore(unit, IDC_RESET_TAIL, ResetTailRotor);
    QCOMPARE(h.Shown()[0], 45);
    QCOMPARE(h.Slider(IDC_TAIL_GAIN_SLIDER)->value(), 135 - h.view->Values().YawGain);
    h.block.Setup.DeviceState = 7;
    h.SendsAsTheCore(unit, IDC_ALL_DATA_RESET,
                     [](ParameterBlock& b, SliderValues& s, ResetValues&) { AllDataReset(b, s); });
    QVERIFY(h.view->Controls().Control<CPngButton>(IDC_PRESET_3D_HARD)->Selected());
    QCOMPARE(unit.Since()[0][33], uint8_t{0});
}

namespace {
const QByteArray kOpened =
    "[section1]\r\nPitchAgility=20\r\nPitchGain=50\r\nRollAgility=21\r\nRollGain=10\r\n"
    "YawAgility=0\r\nYawRight=15\r\nYawGain=10\r\n[section2]\r\nTailLimitA=33\r\n"
    "[section3]\r\nSpinSpeed1=40\r\nSpinSpeed2=41\r\nSpinSpeed3=42\r\nSpinSpeed4=43\r\n";
}

// Transmit gives the unit the file's own values: pitch agility from SpinSpeed1, not the slider's
// 20, and TailLimitA in the SetupBlock; the progress bar is full while the message is up. Yaw
// rate L's 0 shows at the slider's end; letting go there commits what the slider shows.
void MainFormTest::openedFileIsTransmittedAsItIsAndASliderSendsWhatItShows() {
    QTemporaryDir dir;
    WriteFile(dir.filePath("set.ini"), kOpened);
    SimPeer unit;
    ViewHarness h;
    QVERIFY(h.OpenPortTo(unit));
    h.Pick(ID_FILE_OPEN, FileDialogOutcome::Ok, dir.filePath("set.ini"));
    QCOMPARE(Asked(h.files.Requests().at(0)),
             Asked({FileDialogMode::Open, "Select Config File", "conif file (*.ini)|*.ini||", "",
                    "", kPathMustExist | kFileMustExist | kHideReadOnly}));
    QCOMPARE(h.Shown(), (Values{20, 21, 0, 50, 10, 10, 15}));
    QCOMPARE(h.Slider(IDC_PITCH_GAIN_SLIDER)->value(), 135 - 50);
    QCOMPARE(int(h.block.Tuning.SpinSpeed1), 0);  // loading fills the mirror only
    QVERIFY(h.messages.Texts().isEmpty());
    int progressAtBox = -1;
    h.messages.onShow = [&](const QString&) { progressAtBox = h.frame->ProgressBar()->value(); };
    h.Mark(unit);
    h.Command(ID_FILE_TRANSMIT);
    QCOMPARE(h.messages.Texts(), QStringList{"The config file has been Transmitted to ORQ!"});
    QCOMPARE(progressAtBox, 100);
    QCOMPARE(h.frame->ProgressBar()->value(), 0);
    QTRY_COMPARE(unit.CountSince(), std::size_t{1});
    const Frame f = unit.Since()[0];
    QCOMPARE((QList<int>{f[kTuning + 33], f[kTuning + 34], f[kTuning + 31], f[kTuning + 32],
                         f[kSetup + 12]}),
             (QList<int>{40, 41, 42, 43, 33}));
    QCOMPARE(h.Shown()[0], 20);  // the form keeps what Open put there
    h.Mark(unit);
    SliderControl* s = h.Slider(IDC_YAW_LEFT_SLIDER);
    Mouse(s, QEvent::MouseButtonPress, Thumb(s), Qt::LeftButton, Qt::LeftButton);
    Mouse(s, QEvent::MouseButtonRelease, Thumb(s), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(h.Edit(IDC_YAW_LEFT_EDIT)->text(), QStringLiteral("15"));
    QTRY_COMPARE(unit.CountSince(), std::size_t{1});
    QCOMPARE(unit.Since()[0][kTuning + 31], uint8_t{15});
}

void MainFormTest::saveWritesEveryKeyAndOpenReportsValuesThatAreNoByte() {
    QTemporaryDir dir;
    ViewHarness h;
    h.Pick(ID_FILE_SAVE, FileDialogOutcome::Ok, dir.filePath("start.ini"));
    QCOMPARE(ReadFile(dir.filePath("start.ini")),
             QString::fromStdString(RenderConfig(SettingsMirror{}, SliderValues{})));
    QCOMPARE(Asked(h.files.Requests().at(0)),  // new files allowed
             Asked({FileDialogMode::Save, "Save Config File", "config file (*.ini)|*.ini||", "ini",
                    "", kPathMustExist | kHideReadOnly}));
    h.TypeAndEnter(IDC_ROLL_AGILITY_EDIT, "44");
    h.Pick(ID_FILE_SAVE, FileDialogOutcome::Ok, dir.filePath("fresh"));
    QVERIFY(ReadFile(dir.filePath("fresh.ini")).contains(QLatin1String("RollAgility=44\r\n")));
    QVERIFY(h.messages.Texts().isEmpty());
    // Refused names, a failed dialog, a cancelled one, a save that fails.
    h.Pick(ID_FILE_SAVE, FileDialogOutcome::Ok, "a.in");
    h.Pick(ID_FILE_OPEN, FileDialogOutcome::Failed);
    h.Pick(ID_FILE_OPEN, FileDialogOutcome::Cancel);
    h.Pick(ID_FILE_SAVE, FileDialogOutcome::Ok, dir.filePath("no-such-folder/set.ini"));
    QCOMPARE(h.messages.Texts().mid(0, 2), (QStringList(2, "File name is too short!")));
    QCOMPARE(h.messages.Texts().size(), 3);
    QVERIFY(h.messages.Last().contains("could not be saved") && h.messages.Last().endsWith('!'));
    // Opened, one message lists the values that are no byte; the others are taken.
    h.messages.Clear();
    WriteFile(dir.filePath("bad.ini"),
              "[section1]\r\nPitchAgility=abc\r\nPitchGain=50\r\n"
              "[section3]\r\nAcc1=300\r\nAcc2=12\r\n");
    h.Pick(ID_FILE_OPEN, FileDialogOutcome::Ok, dir.filePath("bad.ini"));
    QCOMPARE(h.messages.Texts(),
             QStringList{"These values in the config file are not numbers from -128 to 127:\n"
                         "[section1] PitchAgility = \"abc\"\n[section3] Acc1 = \"300\"\n"
                         "They were loaded as 0 or as the nearest limit!"});
    QCOMPARE(h.Edit(IDC_PITCH_GAIN_EDIT)->text(), QStringLiteral("50"));
    QCOMPARE(int(h.block.Mirror.Acc2), 12);
}

// Upgrade wants a file first; Open, Cancel keeps the first; a file gone or a folder is reported.
void MainFormTest::upgradeWantsAReadableFileFirst() {
    QTemporaryDir dir;
    ViewHarness h;
    const QString hex = dir.filePath("first.hex");
    WriteFile(hex, ":00000001FF\r\n");
    h.Click(IDC_UPGRADE);
    QCOMPARE(h.messages.Texts(), QStringList{"Please open upgrade file!"});
    h.Pick(IDC_UPGRADE_OPEN, FileDialogOutcome::Ok, hex);
    h.Pick(IDC_UPGRADE_OPEN, FileDialogOutcome::Cancel);
    QCOMPARE(Asked(h.files.Requests().last()).mid(1, 2),
             (QStringList{"Select Hex File", "Hex File|*.hex|"}));
    h.Click(IDC_UPGRADE);
    QCOMPARE(h.view->UpgradePath(), hex);
    QCOMPARE(h.messages.Texts().size(), 1);  // readable: nothing to say
    QFile::remove(hex);
    h.Click(IDC_UPGRADE);
    h.Pick(IDC_UPGRADE_OPEN, FileDialogOutcome::Ok, dir.path());
    h.Click(IDC_UPGRADE);
    QCOMPARE(h.messages.Texts().size(), 3);
}

void MainFormTest::connectFindsTheUnitBehindAbsentGoneAndSilentPorts() {
    // The doomed port is unplugged while it is probed: the scan moves on.
    SimPeer doomed(FactoryImage(), false), silent(FactoryImage(), false), unit(DistinctImage());
    QVERIFY(doomed.Started() && silent.Started() && unit.Started());
    const std::string absent = "/dev/orq-test-no-such-port", gone = doomed.Path();
    UsePorts(absent + ":" + gone + ":" + silent.Path() + ":" + unit.Path());
    ViewHarness h;
    QCOMPARE(h.Lamps(), QStringLiteral("rrr"));
    QList<int> progress;
    connect(h.frame->ProgressBar(), &QProgressBar::valueChanged, this,
            [&](int v) { progress << v; });
    h.Click(IDC_CONNECT);
    QVERIFY(h.view->Scanning() && !h.Ctrl(IDC_CONNECT)->isEnabled());
    // The Advance Menu and the wizard would write to the port being probed.
    QVERIFY(!h.Ctrl(IDC_ADVANCE)->isEnabled() && !h.Ctrl(IDC_SETUP)->isEnabled());
    // The form stays in use while the scan waits; what is changed meanwhile is not sent to the
    // port being probed, so the scan still recognises the unit's answer.
    h.Click(IDC_PRESET_F3C);
    QCOMPARE(h.messages.Last(), QStringLiteral("F-3C!"));
    QTRY_VERIFY(h.port.IsOpen());
    doomed.Unplug();
    QTRY_COMPARE_WITH_TIMEOUT(h.State(), QStringLiteral("Connected! ggg"), kScanMs);
    QVERIFY(h.view->Connected() && h.Ctrl(IDC_CONNECT)->isEnabled() &&
            h.Ctrl(IDC_ADVANCE)->isEnabled());
    QCOMPARE(h.Edit(IDC_PITCH_AGILITY_EDIT)->text(), QStringLiteral("50"));
    QCOMPARE(h.Slider(IDC_ROLL_GAIN_SLIDER)->value(), 135 - 77);
    QCOMPARE(int(h.block.Mirror.RollGain), 77);
    QCOMPARE(h.frame->ProgressBar()->value(), 0);
    QVERIFY(std::any_of(progress.begin(), progress.end(), [](int v) { return v > 0 && v < 100; }));
    QCOMPARE(h.StatusTip(),
             QString::fromStdString(absent + ": not found\n" + gone + ": gone (unplugged?)\n" +
                                    silent.Path() + ": no answer\n" + unit.Path() + ": connected"));
    // The unit heard the probe, then the request that follows a connection, with ReplyMode back
    // to 0; its answer to that only collects in the form's accumulator.
    QTRY_COMPARE(unit.CountSince(), std::size_t{2});  // counted from the unit's start
    QCOMPARE(unit.Since()[1][4], uint8_t{0});
    QTRY_COMPARE(h.session.Accumulator().Size(), uint32_t{90});
    QCOMPARE(h.Edit(IDC_PITCH_AGILITY_EDIT)->text(), QStringLiteral("50"));
}

// While the Advance Menu is up, replies wait in the port; the form collects them after. A late
// notification from another port number takes nothing.
void MainFormTest::repliesWaitInThePortWhileTheAdvanceMenuIsUp() {
    SimPeer unit;
    ViewHarness h;
    QVERIFY(h.OpenPortTo(unit));
    uint32_t collectedMeanwhile = 1;
    h.modal.onRun = [&](QDialog& dialog) {
        if (!qobject_cast<CAdvanceDlg*>(&dialog)) return int(QDialog::Accepted);
        static_cast<void>(h.session.SendParameters());
        QTest::qWait(500);
        collectedMeanwhile = h.session.Accumulator().Size();
        return int(QDialog::Rejected);
    };
    h.Click(IDC_ADVANCE);
    QCOMPARE(collectedMeanwhile, uint32_t{0});
    QCOMPARE(h.port.ReceiveSize(), uint32_t{90});
    const auto notify = [&](int32_t port) {
        WindowMessageEvent e(WM_SERIAL_RECEIVE, port, 0);
        QCoreApplication::sendEvent(h.view, &e);
        return h.session.Accumulator().Size();
    };
    QCOMPARE(notify(h.port.PortNumber() + 1), uint32_t{0});
    QCOMPARE(notify(h.port.PortNumber()), uint32_t{90});
    h.TypeAndEnter(IDC_PITCH_GAIN_EDIT, "60");  // answered: the answers come to the form
    QTRY_COMPARE(h.session.Accumulator().Size(), uint32_t{3 * 90});
}

void MainFormTest::closingDuringAScanStopsIt() {
    SimPeer silent(FactoryImage(), false);
    QVERIFY(silent.Started());
    UsePorts(silent.Path());
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

// Found and before Transmit, the unit's set is kept; a folder that cannot take it is said once in
// the status bar, and nothing the form shows or sends changes for it.
void MainFormTest::backupsKeepTheFoundSetAndTheOneATransmitReplaces() {
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toUtf8());
    const QString folder = data.filePath(QStringLiteral("orq/backups"));
    SimPeer unit(DistinctImage());
    UsePorts(unit.Path());
    {
        ViewHarness h;
        QVERIFY2(h.Connect(), qPrintable(h.State()));
        const QStringList found = QDir(folder).entryList(QDir::Files);
        QCOMPARE(found.size(), 1);
        QVERIFY(found[0].endsWith(QLatin1String("-found.ini")));
        QCOMPARE(ReadFile(folder + "/" + found[0]),
                 QString::fromStdString(RenderDevice(h.block)));  // the set as found
        h.TypeAndEnter(IDC_ROLL_GAIN_EDIT, "99");  // the unit now holds 99; the file another
        const ParameterBlock beforeTransmit = h.block;
        h.Command(ID_FILE_TRANSMIT);
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 2);
        QCOMPARE(ReadFile(folder + "/" + QDir(folder).entryList(QDir::Files).last()),
                 QString::fromStdString(RenderDevice(beforeTransmit)));
    }
    QDir(folder).removeRecursively();
    WriteFile(folder, {});  // a file where the folder should be
    ViewHarness h;
    const std::size_t heard = unit.FrameCount();
    QVERIFY2(h.Connect(), qPrintable(h.State()));
    QVERIFY(h.frame->statusBar()->currentMessage().startsWith(
        QLatin1String("No backup of the unit's set could be kept")));
    h.frame->statusBar()->clearMessage();
    QTRY_COMPARE(unit.FrameCount(), heard + 2);  // the probe and the request after it
    unit.Mark();
    h.Command(ID_FILE_TRANSMIT);
    QTRY_COMPARE(unit.CountSince(), std::size_t{1});  // the transmit went out all the same
    QVERIFY(h.frame->statusBar()->currentMessage().isEmpty());  // said once only
    qunsetenv("XDG_DATA_HOME");
}

namespace {
SimOptions WithFaults(SimFaults faults) {
    SimOptions o;
    o.faults = faults;
    return o;
}
}  // namespace

void MainFormTest::unplugMidWriteOrUnderTheWizardEndsNotConnected() {
    // Replies: to the probe, to the request after it, and the write's, cut halfway.
    SimPeer unit(FactoryImage(), true, WithFaults({.unplugAfterReplies = 3, .midReply = true}));
    UsePorts(unit.Path());
    ViewHarness h;
    QVERIFY2(h.Connect(), qPrintable(h.State()));
    h.TypeAndEnter(IDC_PITCH_GAIN_EDIT, "77");
    QTRY_COMPARE(h.State(), QStringLiteral("Not Connect! rrr"));
    QVERIFY(!h.port.IsOpen());
    // Gone while the wizard has the port's notifications: the form hears of it when the wizard
    // closes.
    SimPeer second;
    UsePorts(second.Path());
    QVERIFY2(h.Connect(), qPrintable(h.State()));
    QString meanwhile;
    h.modal.onRun = [&](QDialog& wizard) {
        Press(&wizard, {IDC_SETUP_NEXT, IDC_SETUP_NEXT});  // Monitor
        second.Unplug();
        QTest::qWait(300);
        meanwhile = h.State();
        Press(&wizard, {IDC_SETUP_CANCEL});
        return wizard.result();
    };
    h.Click(IDC_SETUP);
    QCOMPARE(meanwhile, QStringLiteral("Connected! ggg"));
    QCOMPARE(h.State(), QStringLiteral("Not Connect! rrr"));
}

// Connect while connected lets go first and finds the unit again. Unplugged, the form goes on
// without it, and a scan finds nothing; plugged in again on the same name (here a link, as
// /dev/ttyUSB0 or a udev name would be), Connect finds it there.
void MainFormTest::aUnitThatComesBackOnItsNameIsFoundAgain() {
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("orq"));
    auto first = std::make_unique<SimPeer>();
    QVERIFY(QFile::link(QString::fromStdString(first->Path()), link));
    UsePorts(link.toStdString());
    ViewHarness h;
    QVERIFY2(h.Connect(), qPrintable(h.State()));
    h.Click(IDC_CONNECT);
    QCOMPARE(h.State(), QStringLiteral("Not Connect! rrr"));
    QTRY_COMPARE_WITH_TIMEOUT(h.State(), QStringLiteral("Connected! ggg"), kScanMs);
    first.reset();  // unplugged
    QTRY_COMPARE(h.State(), QStringLiteral("Not Connect! rrr"));
    QVERIFY(!h.view->Connected() && !h.port.IsOpen());
    QVERIFY(h.StatusTip().contains(QLatin1String("unplugged")));
    h.TypeAndEnter(IDC_TAIL_GAIN_EDIT, "90");
    QCOMPARE(int(h.block.Tuning.YawGain), 90);
    // Nothing behind the name: the scan ends without a unit and the buttons work again.
    h.Click(IDC_CONNECT);
    QTRY_VERIFY_WITH_TIMEOUT(!h.view->Scanning(), kScanMs);
    QCOMPARE(h.State(), QStringLiteral("Not Connect! rrr"));
    QVERIFY(h.Ctrl(IDC_CONNECT)->isEnabled() && h.Ctrl(IDC_ADVANCE)->isEnabled() &&
            h.Ctrl(IDC_SETUP)->isEnabled());
    SimPeer back(DistinctImage());
    QFile::remove(link);
    QVERIFY(QFile::link(QString::fromStdString(back.Path()), link));
    QVERIFY2(h.Connect(), qPrintable(h.State()));
    QCOMPARE(h.Edit(IDC_PITCH_AGILITY_EDIT)->text(), QStringLiteral("50"));  // its own set
}

namespace {
// The Edit menu's item for a command, as the frame shows it.
QAction* EditItem(const ViewHarness& h, int id) {
    return h.frame->findChild<QAction*>(QStringLiteral("cmd%1").arg(id));
}
// The device bytes a frame carries against an image's.
bool Carries(const Frame& f, const ParameterBlock& b) {
    return Raw(&f[kTuning], TuningBlock::kSize) == Raw(&b.Tuning, TuningBlock::kSize) &&
           Raw(&f[2], SetupBlock::kSentSize) == Raw(&b.Setup, SetupBlock::kSentSize);
}
}  // namespace

// Each change is a step: Undo sends the set before it and the form shows that; Redo the set after.
void MainFormTest::undoAndRedoSendTheSetBeforeAndAfterEachChange() {
    QTemporaryDir dir;
    SimPeer unit;
    UsePorts(unit.Path());
    ViewHarness h;
    QAction* undo = EditItem(h, ID_EDIT_UNDO);
    QAction* redo = EditItem(h, ID_EDIT_REDO);
    QVERIFY(!undo->isEnabled() && undo->text() == "Undo" && !redo->isEnabled());
    QVERIFY2(h.Connect(), qPrintable(h.State()));
    h.frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(h.frame));
    const ParameterBlock found = h.block;
    ParameterBlock mine = found;
    mine.Tuning.Acc1 = 99;
    mine.Tuning.SpinSpeed1 = 44;
    WriteFile(dir.filePath("mine.ini"), QByteArray::fromStdString(RenderDevice(mine)));
    const QString shown = h.Edit(IDC_PITCH_AGILITY_EDIT)->text();
    // A slider let go at the top; Ctrl+Z with the slider in focus.
    SliderControl* s = h.Slider(IDC_PITCH_AGILITY_SLIDER);
    DragToTop(s);
    QCOMPARE(undo->text(), "Undo PitchAgility " + shown + " \u2192 60");
    const ParameterBlock moved = h.block;
    h.Mark(unit);
    s->setFocus();
    QTest::keyClick(s, Qt::Key_Z, Qt::ControlModifier);
    QTRY_COMPARE(unit.CountSince(), std::size_t{1});
    QVERIFY(Carries(unit.Since()[0], found));
    QCOMPARE(h.Edit(IDC_PITCH_AGILITY_EDIT)->text(), shown);
    QCOMPARE(s->value(), 75 - shown.toInt());
    QVERIFY(!undo->isEnabled() && redo->text() == "Redo PitchAgility " + shown + " \u2192 60");
    QTest::keyClick(s, Qt::Key_Y, Qt::ControlModifier);
    QTRY_COMPARE(unit.CountSince(), std::size_t{2});
    QVERIFY(Carries(unit.Since()[1], moved));
    QCOMPARE(h.Edit(IDC_PITCH_AGILITY_EDIT)->text(), QStringLiteral("60"));

    // In an edit box the keys undo and redo the box's own text, and nothing goes to the unit.
    h.Mark(unit);
    QLineEdit* box = h.Edit(IDC_ROLL_GAIN_EDIT);
    const QString typed = box->text();
    box->setFocus();
    QTest::keyClicks(box, "7");
    QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(box->text(), typed);
    QTest::keyClick(box, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(box->text(), typed + "7");
    QTest::keyClick(box, Qt::Key_Backspace, Qt::AltModifier);
    QCOMPARE(box->text(), typed);
    QTest::qWait(kQuietMs);
    QCOMPARE(unit.CountSince(), std::size_t{0});

    // A preset: the set and the marked button go back.
    h.Click(IDC_PRESET_3D_HARD);
    QCOMPARE(undo->text(), QStringLiteral("Undo preset 3D Hard"));
    h.Mark(unit);
    undo->trigger();
    QTRY_COMPARE(unit.CountSince(), std::size_t{1});
    QVERIFY(Carries(unit.Since()[0], moved));
    QVERIFY(!h.view->Controls().Control<CPngButton>(IDC_PRESET_3D_HARD)->Selected());
    redo->trigger();
    QVERIFY(h.view->Controls().Control<CPngButton>(IDC_PRESET_3D_HARD)->Selected());

    // Transmit names the file it sent.
    h.Pick(ID_FILE_OPEN, FileDialogOutcome::Ok, dir.filePath("mine.ini"));
    const ParameterBlock beforeTransmit = h.block;
    h.Command(ID_FILE_TRANSMIT);
    QCOMPARE(undo->text(), QStringLiteral("Undo Transmit mine.ini"));
    h.Mark(unit);
    undo->trigger();
    QTRY_COMPARE(unit.CountSince(), std::size_t{1});
    QVERIFY(Carries(unit.Since()[0], beforeTransmit));
    QCOMPARE(int(h.block.Mirror.Acc1), 99);  // the file opened stays opened

    // A Setup page's change, undone from the main window once the wizard has closed.
    h.modal.onRun = [&](QDialog& wizard) {
        for (int i = 0; i < 6; ++i) Press(&wizard, {IDC_SETUP_NEXT});
        Press(&wizard, {IDC_STEP8_CH2, IDC_SETUP_CANCEL});
        return wizard.result();
    };
    h.Click(IDC_SETUP);
    QCOMPARE(undo->text(), QStringLiteral("Undo Servo reverse CH2"));
    h.Mark(unit);
    undo->trigger();
    QTRY_COMPARE(unit.CountSince(), std::size_t{1});
    QCOMPARE(int8_t(unit.Since()[0][2 + 7]), found.Setup.ServoDirCH2);
    QCOMPARE(h.block.Mirror.ServoDirCH2, found.Setup.ServoDirCH2);

    // Unplugged: the items rest and say why; a new connection starts a history of its own.
    unit.Unplug();
    QTRY_COMPARE(h.State(), QStringLiteral("Not Connect! rrr"));
    QVERIFY(!undo->isEnabled() && undo->statusTip().startsWith("No unit connected"));
    h.frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(h.frame));
    QTest::keyClick(h.Slider(IDC_ROLL_GAIN_SLIDER), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(h.frame->statusBar()->currentMessage(), undo->statusTip());
    SimPeer second;
    UsePorts(second.Path());
    QVERIFY2(h.Connect(), qPrintable(h.State()));
    QVERIFY(!undo->isEnabled() && !redo->isEnabled() && undo->text() == "Undo");
}

namespace {
// The rows of a list view, each as its cells joined by '|'.
QStringList Rows(const QTreeWidget* list) {
    QStringList rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QStringList cells;
        for (int c = 0; c < list->columnCount(); ++c) cells << list->topLevelItem(i)->text(c);
        rows << cells.join('|');
    }
    return rows;
}
}  // namespace

// The kept sets with their causes and differences; one kept by orqctl while the window is up
// appears; an older one written back is what the unit holds, read back, with the unit's set kept
// before it; Save as writes it to a file; without a unit the window only browses and saves.
void MainFormTest::unitHistoryFollowsTheFolderAndWritesAKeptSetBack() {
    QTemporaryDir data, dir;
    qputenv("XDG_DATA_HOME", data.path().toUtf8());
    const BackupStore store(BackupStore::DefaultFolder());
    SimPeer unit;
    UsePorts(unit.Path());
    ViewHarness h;
    QVERIFY2(h.Connect(), qPrintable(h.State()));
    const ParameterBlock found = h.block;
    h.Click(IDC_PRESET_3D_HARD);
    const ParameterBlock hard = h.block;
    h.Mark(unit);
    h.messages.Clear();
    QStringList asked, causes;
    h.modal.onRun = [&](QDialog& d) {
        auto* history = qobject_cast<CUnitHistoryDlg*>(&d);
        auto* list = history->Controls().Control<QTreeWidget>(CUnitHistoryDlg::IDC_HISTORY_LIST);
        auto* diff = history->Controls().Control<QTreeWidget>(CUnitHistoryDlg::IDC_HISTORY_DIFF);
        const QStringList rows = Rows(list);
        [&] {
            QCOMPARE(rows.size(), 2);
            QVERIFY2(rows[0].contains("|after preset 3D Hard|PitchAgility "), qPrintable(rows[0]));
            QVERIFY(rows[1].endsWith("|found|the first kept"));
            QCOMPARE(diff->topLevelItemCount(), 0);  // the unit holds the newest
            // orqctl keeps a set meanwhile.
            ParameterBlock other = hard;
            other.Tuning.Acc1 = 33;
            BackupStore(BackupStore::DefaultFolder()).Keep(RenderDevice(other), "write");
            QTRY_COMPARE(list->topLevelItemCount(), 3);
            QVERIFY(Rows(list)[0].contains("|after write|Acc1 "));
            list->setCurrentItem(list->topLevelItem(2));  // found
            QVERIFY(hard.Tuning.Acc2 != found.Tuning.Acc2);
            QCOMPARE(Rows(diff).filter(QRegularExpression("^Acc2\\|")),
                     QStringList(QStringLiteral("Acc2|section3|%1|%2")
                                     .arg(hard.Tuning.Acc2)
                                     .arg(found.Tuning.Acc2)));
            h.Click(CUnitHistoryDlg::IDC_HISTORY_WRITE, history);
            QTRY_VERIFY(!history->ReadingBack());
            asked = h.messages.Texts();
            QVERIFY(Rows(list)[0].contains("|after restore|"));
            h.files.Answer(FileDialogOutcome::Ok, dir.filePath("kept"));
            h.Click(CUnitHistoryDlg::IDC_HISTORY_SAVE, history);
        }();
        return int(QDialog::Rejected);
    };
    h.Command(ID_FILE_UNIT_HISTORY);
    QCOMPARE(asked.size(), 2);
    QVERIFY2(asked[0].startsWith("Write the set kept ") &&
                 asked[0].contains(QStringLiteral(" (found) to ORQ? %1 keys will change")
                                       .arg(DiffMirrors(hard.Mirror, found.Mirror).size())),
             qPrintable(asked[0]));
    QVERIFY2(asked[1].startsWith("ORQ holds the set kept "), qPrintable(asked[1]));
    // The unit heard the write and the read-back request, and holds the set found (a kept set
    // is a configuration file: the bytes without a key keep what the unit had).
    QTRY_COMPARE(unit.CountSince(), std::size_t{2});
    ParameterBlock held;
    held.Setup = unit.Unit().Image().Setup;
    held.Tuning = unit.Unit().Image().Tuning;
    QVERIFY(Carries(unit.Since()[0], held));
    QVERIFY(MirrorOf(held) == MirrorOf(found));
    for (const BackupStore::Entry& e : store.List()) causes << QString::fromStdString(e.cause);
    QCOMPARE(causes,
             (QStringList{"found", "preset-3d-hard", "write", "before-restore", "restore"}));
    QVERIFY(ReadFile(QString::fromStdString(store.List()[3].path.string())) ==
            QString::fromStdString(RenderDevice(hard)));
    SettingsMirror saved;
    SliderValues sliders;
    QVERIFY(LoadConfig(dir.filePath("kept.ini").toStdString(), saved, sliders).found);
    QVERIFY(saved == MirrorOf(found));
    // The form shows the set written; it is one step of Undo.
    QCOMPARE(h.Shown(), ShownOf(SlidersOf(found)));
    QVERIFY(EditItem(h, ID_EDIT_UNDO)->text().startsWith("Undo restore "));

    unit.Unplug();
    QTRY_COMPARE(h.State(), QStringLiteral("Not Connect! rrr"));
    h.modal.onRun = [&](QDialog& d) {
        auto* history = qobject_cast<CUnitHistoryDlg*>(&d);
        [&] {
            QCOMPARE(history->Sets().size(), std::size_t{5});
            QVERIFY(!history->Controls().Control(CUnitHistoryDlg::IDC_HISTORY_WRITE)->isEnabled());
            QVERIFY(history->Controls().Control(CUnitHistoryDlg::IDC_HISTORY_SAVE)->isEnabled());
            QVERIFY(history->Controls()
                        .Label(CUnitHistoryDlg::IDC_HISTORY_DIFF_CAPTION)
                        ->text()
                        .startsWith("No unit connected"));
        }();
        return int(QDialog::Rejected);
    };
    h.Command(ID_FILE_UNIT_HISTORY);
    qunsetenv("XDG_DATA_HOME");
}

// Without a unit against what the form would save; with one against the unit's set. A value out
// of range is named and its key still compared.
void MainFormTest::compareShowsTheKeysThatDifferAndTheValuesOutOfRange() {
    QTemporaryDir dir;
    const QString file = dir.filePath("mine.ini");
    ViewHarness h;
    h.TypeAndEnter(IDC_PITCH_GAIN_EDIT, "30");
    h.Pick(ID_FILE_SAVE, FileDialogOutcome::Ok, file);
    // A slider moved by a key changes the form's value only: the form's set is what Save writes.
    h.Slider(IDC_PITCH_GAIN_SLIDER)->setFocus();
    QTest::keyClick(h.Slider(IDC_PITCH_GAIN_SLIDER), Qt::Key_Up);
    QVERIFY(!WritePrivateProfileString("section3", "Acc1", "300", file.toStdString()));
    QStringList rows, problems;
    QString caption, column;
    h.modal.onRun = [&](QDialog& d) {
        auto* compare = qobject_cast<CCompareDlg*>(&d);
        const auto* diff = compare->Controls().Control<QTreeWidget>(CCompareDlg::IDC_COMPARE_DIFF);
        rows = Rows(diff);
        column = diff->headerItem()->text(2);
        problems =
            Rows(compare->Controls().Control<QTreeWidget>(CCompareDlg::IDC_COMPARE_PROBLEMS));
        caption = compare->Controls().Label(CCompareDlg::IDC_COMPARE_CAPTION)->text();
        return int(QDialog::Rejected);
    };
    h.Pick(ID_FILE_COMPARE, FileDialogOutcome::Ok, file);
    QCOMPARE(rows, (QStringList{"PitchGain|section1|31|30", "Acc1|section3|7|127"}));
    QCOMPARE(column, QStringLiteral("Form"));
    // The form's start-up set has no installation and no swashplate type chosen yet.
    QCOMPARE(problems, (QStringList{"[section2] FixMode=0 is outside 1..3",
                                    "[section2] SwashPlateType=0 is outside 1..5",
                                    "[section3] Acc1=300 is outside 7..125"}));
    QVERIFY(h.messages.Texts().isEmpty());

    SimPeer unit;
    UsePorts(unit.Path());
    QVERIFY2(h.Connect(), qPrintable(h.State()));
    WriteFile(file, QByteArray::fromStdString(RenderDevice(h.block)));
    h.Pick(ID_FILE_COMPARE, FileDialogOutcome::Ok, file);
    QCOMPARE(rows, QStringList());
    QCOMPARE(caption, QStringLiteral("mine.ini holds the same values as the unit's set."));
    QCOMPARE(column, QStringLiteral("Unit"));
    h.Pick(ID_FILE_COMPARE, FileDialogOutcome::Ok, dir.filePath("gone.ini"));
    QVERIFY(h.messages.Last().contains("could not be read"));
}

QTEST_MAIN(MainFormTest)
#include "MainFormTest.moc"
