#pragma once
// The main form: the seven live tuning values with their upside-down sliders and edit boxes,
// the presets, the resets, the configuration-file commands, the firmware group, the Connect
// button with its port scan, the picture of the unit and the three link lamps.
//
// Every committed change goes into the parameter block and out to the unit at once, through the
// unit session; nothing on the form is disabled while no unit is connected (the send then writes
// nothing).

#include <QImage>
#include <QPointer>
#include <QRect>
#include <QString>

#include <array>
#include <filesystem>
#include <functional>
#include <future>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <span>

#include "config/Backups.h"
#include "framework/AppServices.h"
#include "framework/DataExchange.h"
#include "framework/DialogTemplate.h"
#include "framework/FormView.h"
#include "framework/MessageMap.h"
#include "framework/SliderBoxes.h"
#include "protocol/ParameterBlock.h"
#include "protocol/Presets.h"

class QLabel;
class QTimer;

namespace orq {

class UnitSession;
class WindowNotifyTarget;
class ScanDriver;
struct ScanReport;

// One live tuning value: its slider and edit box, and the section1 key it is saved under, whose
// row of the parameter table gives its range and the tuning byte the unit uses.
struct TuningControl {
    int slider;
    int edit;
    int8_t SettingsMirror::*mirror;
    const char* name;  // the caption a screen reader announces

    const MirrorKey& Key() const { return MirrorKeyOf(mirror); }
    int SliderValues::*Value() const;  // the form's own copy
    int Minimum() const { return Key().min; }
    int Maximum() const { return Key().max; }
    // The slider runs upside down: position = base - value, so the top is the largest value.
    int Base() const { return Minimum() + Maximum(); }
};

// In the order the edit boxes are read back and checked.
std::span<const TuningControl> TuningControls();

class CUARTView : public FormView {
    Q_OBJECT
public:
    // Image positions in client pixels (the pictures are drawn at their own size).
    static constexpr int kUnitPictureX = 765, kUnitPictureY = 350;
    static constexpr std::array<int, 3> kLampX = {820, 850, 880};
    static constexpr int kLampY = 15;
    static constexpr QRect kLampArea{820, 15, 90, 30};  // what a change of the flag repaints
    static constexpr int kUnitPicture = 170, kLampOff = 241, kLampOn = 242;

    CUARTView(AppServices& services, FrameStatus* frame, QWidget* parent = nullptr);
    ~CUARTView() override;

    // What the "Setup" button runs: the wizard, modally, over the form's window. The form knows
    // no wizard of its own; the composition root hands it one.
    using SetupRunner = std::function<void(QWidget* parent)>;
    void SetSetupRunner(SetupRunner run) { runSetup_ = std::move(run); }

    void OnInitialUpdate() override;
    bool OnCmdMsg(int commandId) override;
    void OnUpdateCommand(int commandId, CommandUI& ui) override;
    void OnClose() override;

    // The seven values follow the device image; sliders and boxes show them.
    void MirrorFromDevice();
    // Configuration files (the menu commands choose the path, then call these).
    void LoadConfigFile(const std::filesystem::path& path);
    void SaveConfigFile(const std::filesystem::path& path);

    const SliderValues& Values() const { return values_; }
    const ResetValues& Resets() const { return reset_; }
    const QString& UpgradePath() const { return upgradePath_; }
    bool Connected() const;
    bool Scanning() const;
    const DialogControls& Controls() const { return controls_; }

protected:
    void paintEvent(QPaintEvent* event) override;  // OnDraw
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void customEvent(QEvent* event) override;

private:
    static std::span<const MessageEntry<CUARTView>> GetMessageMap();

    // Slider and edit box handling.
    void OnSliderScroll(int sliderId);
    void OnSliderRelease(int sliderId);
    void CommitEdit(int editId);
    // The sliders of these controls (by slider id) follow their values.
    void MoveSliders(std::initializer_list<int> sliderIds);
    void Send();
    // The name of a step that puts `value` into the unit's byte of a tuning control.
    std::string StepName(const TuningControl& control, int value) const;

    // Buttons.
    void OnPreset(int buttonId);
    void OnResetMain();
    void OnResetTail();
    void OnAllDataReset();
    void OnSetup();
    void OnAdvance();
    void OnUpgradeOpen();
    void OnUpgrade();

    // Undo and Redo: the unit's set before or after a step goes out, and the form shows it.
    void OnEditUndo();
    void OnEditRedo();
    void StepThrough(bool back);
    // The seven values, sliders and boxes from the unit's set as the image holds it.
    void ShowUnitSet();

    // Menu commands.
    void OnFileOpen();
    void OnFileSave();
    void OnFileTransmit();
    void OnUnitHistory();
    void OnCompare();

    // The link.
    void ConnectScan();
    void OnScanProgress(int percent);
    void OnScanFinished(const ScanReport& report);
    void OnSerialReceive(int32_t portNumber, intptr_t);
    void OnSerialRemoved(int32_t portNumber, intptr_t);
    // Repaints the lamps after the connected flag may have changed (Undo and Redo follow it).
    void UpdateLamps();
    void ClosePortAndStopScan();
    // After a dialog that took the port's notifications: they come here again, and an unplug
    // the dialog heard is acted on.
    void TakeLineBack();
    void SetStatus(const QString& text);

    AppServices& s_;
    UnitSession& session_;
    FrameStatus* frame_;
    // The form's pictures (the unit, the lamps, the preset strips) decode on another core while
    // its controls are built; the initial update takes them.
    struct Pictures {
        std::optional<QImage> unit, lampOff, lampOn;
        std::array<QImage, 5> presets;  // in kPresetButtons order
    };
    static Pictures DecodePictures(qreal screenRatio);
    void TakePictures();
    std::future<Pictures> decoding_;
    std::array<QImage, 5> presetStrips_;
    DialogControls controls_;
    SliderValues values_;
    ResetValues reset_;
    DataExchange ddx_;
    SliderBoxes boxes_;  // the seven, in kTuning order
    std::optional<QImage> unitPicture_, lampOff_, lampOn_;
    QLabel* lamps_;  // draws nothing: the lamps for a screen reader, "Connected" or not
    QString upgradePath_;

    std::shared_ptr<WindowNotifyTarget> notifyTarget_;
    std::unique_ptr<ScanDriver> scan_;
    SetupRunner runSetup_;
    // What the form shows besides the set, before and after each preset step: the marked
    // button and the values the Reset buttons go back to. Undo and Redo put them back.
    struct PresetMarks {
        int selected;
        ResetValues resets;
    };
    PresetMarks Marks() const;
    void ShowMarks(const PresetMarks& marks);
    std::map<unsigned, std::pair<PresetMarks, PresetMarks>> presetSteps_;
    // The name of the configuration file opened last, for the Transmit step's name.
    QString openedName_;
    // The unit's sets, kept when it is found and before a file replaces them; a failure is said
    // once over the status bar.
    BackupKeeper backups_;
};

}  // namespace orq
