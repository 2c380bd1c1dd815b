#include "view/UARTView.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

#include "config/Paths.h"
#include "framework/Commands.h"
#include "framework/NotifyTarget.h"
#include "framework/ResourceImage.h"
#include "framework/Skin.h"
#include "link/UnitHistory.h"
#include "link/UnitSession.h"
#include "view/AdvanceDlg.h"
#include "view/MainFormTemplate.h"
#include "view/ScanDriver.h"
#include "view/UnitHistoryDlg.h"
#include "widgets/PngButton.h"
#include "widgets/PngResource.h"
#include "widgets/WidgetFactories.h"

namespace orq {

namespace {

// In the order the edit boxes are read back and checked.
constexpr TuningControl kTuning[] = {
    {IDC_PITCH_AGILITY_SLIDER, IDC_PITCH_AGILITY_EDIT, &SettingsMirror::PitchAgility,
     "Pitch Agility"},
    {IDC_ROLL_AGILITY_SLIDER, IDC_ROLL_AGILITY_EDIT, &SettingsMirror::RollAgility, "Roll Agility"},
    {IDC_YAW_LEFT_SLIDER, IDC_YAW_LEFT_EDIT, &SettingsMirror::YawAgility, "Yaw rate L"},
    {IDC_PITCH_GAIN_SLIDER, IDC_PITCH_GAIN_EDIT, &SettingsMirror::PitchGain, "Pitch Gain"},
    {IDC_ROLL_GAIN_SLIDER, IDC_ROLL_GAIN_EDIT, &SettingsMirror::RollGain, "Roll Gain"},
    {IDC_TAIL_GAIN_SLIDER, IDC_TAIL_GAIN_EDIT, &SettingsMirror::YawGain, "Tail Gain"},
    {IDC_YAW_RIGHT_SLIDER, IDC_YAW_RIGHT_EDIT, &SettingsMirror::YawRight, "Yaw rate R"},
};

// The order in which the initial update skins and positions the sliders.
constexpr int kSliderSetupOrder[] = {
    IDC_PITCH_AGILITY_SLIDER, IDC_PITCH_GAIN_SLIDER, IDC_ROLL_AGILITY_SLIDER, IDC_ROLL_GAIN_SLIDER,
    IDC_YAW_LEFT_SLIDER,      IDC_YAW_RIGHT_SLIDER,  IDC_TAIL_GAIN_SLIDER};
constexpr int kTickEvery = 15;

// Names for controls whose caption alone would be ambiguous to a screen reader.
struct ButtonName {
    int id;
    const char* name;
};
constexpr ButtonName kButtonNames[] = {
    {IDC_RESET_MAIN, "Reset main rotor"},
    {IDC_RESET_TAIL, "Reset tail rotor"},
    {IDC_UPGRADE_OPEN, "Open firmware file"},
    {IDC_UPGRADE, "Upgrade firmware"},
};

}  // namespace

int SliderValues::*TuningControl::Value() const {
    for (const SliderBinding& b : kSliderBindings)
        if (b.mirror == mirror) return b.slider;
    return nullptr;  // every control's key is a slider's
}

std::span<const TuningControl> TuningControls() {
    return kTuning;
}

std::span<const MessageEntry<CUARTView>> CUARTView::GetMessageMap() {
    using V = CUARTView;
    static constexpr MessageEntry<V> kMap[] = {
        OnCommand(IDC_CONNECT, &V::ConnectScan),
        OnCommand(IDC_SETUP, &V::OnSetup),
        OnCommand(IDC_ADVANCE, &V::OnAdvance),
        OnCommand(IDC_PRESET_BEGINNER, &V::OnPreset),
        OnCommand(IDC_PRESET_F3C, &V::OnPreset),
        OnCommand(IDC_PRESET_3D_SOFT, &V::OnPreset),
        OnCommand(IDC_PRESET_3D_HARD, &V::OnPreset),
        OnCommand(IDC_PRESET_3D_EXTREME, &V::OnPreset),
        OnCommand(IDC_RESET_MAIN, &V::OnResetMain),
        OnCommand(IDC_RESET_TAIL, &V::OnResetTail),
        OnCommand(IDC_ALL_DATA_RESET, &V::OnAllDataReset),
        OnCommand(IDC_UPGRADE_OPEN, &V::OnUpgradeOpen),
        OnCommand(IDC_UPGRADE, &V::OnUpgrade),
        OnMenu(ID_FILE_OPEN, &V::OnFileOpen),
        OnMenu(ID_FILE_SAVE, &V::OnFileSave),
        OnMenu(ID_FILE_TRANSMIT, &V::OnFileTransmit),
        OnMenu(ID_FILE_UNIT_HISTORY, &V::OnUnitHistory),
        OnMenu(ID_FILE_COMPARE, &V::OnCompare),
        OnMenu(ID_EDIT_UNDO, &V::OnEditUndo),
        OnMenu(ID_EDIT_REDO, &V::OnEditRedo),
        OnVScroll(IDC_ROLL_AGILITY_SLIDER, &V::OnSliderScroll),
        OnVScroll(IDC_ROLL_GAIN_SLIDER, &V::OnSliderScroll),
        OnVScroll(IDC_PITCH_AGILITY_SLIDER, &V::OnSliderScroll),
        OnVScroll(IDC_PITCH_GAIN_SLIDER, &V::OnSliderScroll),
        OnVScroll(IDC_YAW_LEFT_SLIDER, &V::OnSliderScroll),
        OnVScroll(IDC_YAW_RIGHT_SLIDER, &V::OnSliderScroll),
        OnVScroll(IDC_TAIL_GAIN_SLIDER, &V::OnSliderScroll),
        OnReleasedCapture(IDC_ROLL_AGILITY_SLIDER, &V::OnSliderRelease),
        OnReleasedCapture(IDC_ROLL_GAIN_SLIDER, &V::OnSliderRelease),
        OnReleasedCapture(IDC_PITCH_AGILITY_SLIDER, &V::OnSliderRelease),
        OnReleasedCapture(IDC_PITCH_GAIN_SLIDER, &V::OnSliderRelease),
        OnReleasedCapture(IDC_YAW_LEFT_SLIDER, &V::OnSliderRelease),
        OnReleasedCapture(IDC_YAW_RIGHT_SLIDER, &V::OnSliderRelease),
        OnReleasedCapture(IDC_TAIL_GAIN_SLIDER, &V::OnSliderRelease),
        OnEditReturn(IDC_ROLL_AGILITY_EDIT, &V::CommitEdit),
        OnEditReturn(IDC_ROLL_GAIN_EDIT, &V::CommitEdit),
        OnEditReturn(IDC_PITCH_AGILITY_EDIT, &V::CommitEdit),
        OnEditReturn(IDC_PITCH_GAIN_EDIT, &V::CommitEdit),
        OnEditReturn(IDC_YAW_LEFT_EDIT, &V::CommitEdit),
        OnEditReturn(IDC_YAW_RIGHT_EDIT, &V::CommitEdit),
        OnEditReturn(IDC_TAIL_GAIN_EDIT, &V::CommitEdit),
        OnMessage(WM_SERIAL_RECEIVE, &V::OnSerialReceive),
        OnMessage(WM_SERIAL_REMOVED, &V::OnSerialRemoved),
    };
    return kMap;
}

CUARTView::CUARTView(AppServices& services, FrameStatus* frame, QWidget* parent)
    : FormView(parent),
      s_(services),
      session_(services.session),
      frame_(frame),
      decoding_(std::async(std::launch::async, &CUARTView::DecodePictures, ScreenRatio())),
      controls_(BuildDialog(kTemplate101, this, WidgetFactories())),
      ddx_(controls_, services.messages),
      boxes_(this, controls_, ddx_),
      backups_([this](const std::filesystem::path& folder, std::error_code error) {
          if (frame_)
              frame_->ShowNotice(
                  QStringLiteral("No backup of the unit's set could be kept in %1 (%2)")
                      .arg(QString::fromStdString(Utf8Of(folder)),
                           QString::fromStdString(error.message())));
      }) {
    for (const TuningControl& c : kTuning) {
        ddx_.Bind(c.edit, values_.*c.Value(), c.Minimum(), c.Maximum());
        boxes_.Add({c.slider, c.edit, c.Minimum(), c.Maximum(), c.Base()}, values_.*c.Value());
    }
    WireMessageMap(this, controls_, GetMessageMap());
    session_.SetKeeper(
        [this](const ParameterBlock& image, const char* cause) { backups_.Keep(image, cause); });
    s_.history.SetListener([this] { emit commandStatesChanged(); });

    for (const TuningControl& c : kTuning) {
        if (QLineEdit* e = controls_.Edit(c.edit)) e->setAccessibleName(QString::fromUtf8(c.name));
        if (SliderControl* sl = controls_.Slider(c.slider))
            sl->setAccessibleName(QString::fromUtf8(c.name));
    }
    for (const PresetButton& p : kPresetButtons)
        if (QWidget* b = controls_.Control(p.id)) {
            const std::string_view name = InfoOf(p.preset).name;
            b->setAccessibleName(QString::fromUtf8(name.data(), qsizetype(name.size())));
        }
    for (const ButtonName& b : kButtonNames)
        if (QWidget* w = controls_.Control(b.id)) w->setAccessibleName(QString::fromUtf8(b.name));
    for (QWidget* w : controls_.All()) {
        if (w && w->accessibleName().isEmpty()) {
            if (auto* button = qobject_cast<QAbstractButton*>(w))
                w->setAccessibleName(button->text());
            else if (auto* label = qobject_cast<QLabel*>(w))
                w->setAccessibleName(label->text());
        }
    }

    lamps_ = new QLabel(this);
    lamps_->setObjectName(QStringLiteral("lamps"));
    lamps_->setGeometry(kLampArea);
    lamps_->setAttribute(Qt::WA_TransparentForMouseEvents);
    lamps_->setAccessibleDescription(QStringLiteral("Link lamps"));
    lamps_->setAccessibleName(QStringLiteral("Not connected"));

    scan_ = std::make_unique<ScanDriver>(session_);
    connect(scan_.get(), &ScanDriver::progress, this, &CUARTView::OnScanProgress);
    connect(scan_.get(), &ScanDriver::finished, this, &CUARTView::OnScanFinished);
}

CUARTView::Pictures CUARTView::DecodePictures(qreal screenRatio) {
    Pictures p;
    static_assert(std::tuple_size_v<decltype(p.presets)> == std::size(kPresetButtons));
    p.unit = LoadPngResource(kUnitPicture, "PNG", screenRatio);
    p.lampOff = LoadPngResource(kLampOff, "PNG", screenRatio);
    p.lampOn = LoadPngResource(kLampOn, "PNG", screenRatio);
    for (std::size_t i = 0; i < p.presets.size(); ++i)
        if (auto strip = LoadPngResource(kPresetButtons[i].png, "PNG", screenRatio))
            p.presets[i] = *strip;
    return p;
}

// The pictures are taken as late as they can be: when the form is first shown, after the
// window's controls are polished and laid out, which gives their decoding on the other core the
// time it needs; taken sooner, the form would wait for them.
void CUARTView::showEvent(QShowEvent* event) {
    TakePictures();
    FormView::showEvent(event);
}

void CUARTView::TakePictures() {
    if (!decoding_.valid()) return;
    Pictures p = decoding_.get();
    unitPicture_ = std::move(p.unit);
    lampOff_ = std::move(p.lampOff);
    lampOn_ = std::move(p.lampOn);
    presetStrips_ = std::move(p.presets);
    for (std::size_t i = 0; i < std::size(kPresetButtons); ++i)
        if (CPngButton* button = controls_.Control<CPngButton>(kPresetButtons[i].id))
            button->SetImage(presetStrips_[i]);
    // The pictures lie right of and below the template's own area; the form claims them too.
    QSize size = controls_.Size();
    if (lampOn_) {
        const int lampWidth = lampOn_->deviceIndependentSize().toSize().width();
        size.setWidth(std::max(size.width(), kLampX.back() + lampWidth));
    }
    if (unitPicture_) {
        const QSize picture = unitPicture_->deviceIndependentSize().toSize();
        size.setWidth(std::max(size.width(), kUnitPictureX + picture.width()));
        size.setHeight(std::max(size.height(), kUnitPictureY + picture.height()));
    }
    setMinimumSize(size);
}

CUARTView::~CUARTView() {
    ClosePortAndStopScan();
    session_.SetKeeper({});
    s_.history.SetListener({});
}

// ---------------------------------------------------------------------------------------------
// Initial update

void CUARTView::OnInitialUpdate() {
    ddx_.WriteOut();
    s_.skin.Apply(this, kSkinDialog);
    for (int id : kSliderSetupOrder) {
        SliderControl* slider = controls_.Slider(id);
        const auto c = std::find_if(std::begin(kTuning), std::end(kTuning),
                                    [id](const TuningControl& t) { return t.slider == id; });
        if (!slider || c == std::end(kTuning)) continue;
        s_.skin.Apply(slider, kSkinSlider);
        slider->setRange(c->Minimum(), c->Maximum());
        slider->setTickInterval(kTickEvery);
        // Steps as the system's trackbar has them: a unit per arrow, a fifth of the range per page.
        slider->setSingleStep(1);
        slider->setPageStep((c->Maximum() - c->Minimum()) / 5);
        MoveSliders({id});
    }
    for (std::size_t i = 0; i < std::size(kPresetButtons); ++i) {
        CPngButton* button = controls_.Control<CPngButton>(kPresetButtons[i].id);
        if (!button) continue;
        s_.skin.Apply(button, kSkinButton);
    }
    if (QWidget* label = controls_.Control(IDC_MAKER_LABEL)) s_.skin.Apply(label, kSkinLabel);

    session_.Accumulator().SetMinimumBlockSize(UnitSession::kAccumulatorBlock);
    // From here on this form receives what the port hears.
    notifyTarget_ = s_.notifier.TargetFor(this);
    session_.SetNotifyTarget(notifyTarget_);
}

bool CUARTView::OnCmdMsg(int commandId) {
    return DispatchCommand(this, GetMessageMap(), commandId);
}

// ---------------------------------------------------------------------------------------------
// Sliders and edit boxes

void CUARTView::MoveSliders(std::initializer_list<int> sliderIds) {
    for (std::size_t i = 0; i < boxes_.Count(); ++i)
        if (std::find(sliderIds.begin(), sliderIds.end(), boxes_.At(i).slider) != sliderIds.end())
            boxes_.ShowOnSlider(i);
}

void CUARTView::Send() {
    static_cast<void>(session_.SendParameters());
}

void CUARTView::OnSliderScroll(int sliderId) {
    // Nothing is sent until the mouse lets go; the box follows the thumb.
    boxes_.Scroll(sliderId);
}

std::string CUARTView::StepName(const TuningControl& control, int value) const {
    const MirrorKey& key = control.Key();
    return std::string(key.key) + " " + std::to_string(*DeviceByte(session_.Block(), key)) +
           " \u2192 " + std::to_string(LowByte(value));
}

void CUARTView::OnSliderRelease(int sliderId) {
    // Only the unit's copy changes; the file copy follows on Enter, presets and resets.
    if (const auto i = boxes_.Released(sliderId)) {
        UnitHistory::Change change(s_.history, StepName(kTuning[*i], boxes_.Value(*i)));
        static_cast<void>(session_.SetUnitValue(kTuning[*i].mirror, boxes_.Value(*i)));
    }
}

void CUARTView::CommitEdit(int editId) {
    const bool committed = boxes_.Commit(editId, [this](std::size_t i) {
        UnitHistory::Change change(s_.history, StepName(kTuning[i], boxes_.Value(i)));
        static_cast<void>(session_.ApplyEdit(kTuning[i].mirror, boxes_.Value(i)));
    });
    if (committed) update();
}

void CUARTView::ShowUnitSet() {
    for (const SliderBinding& b : kSliderBindings)
        values_.*b.slider = *DeviceByte(session_.Block(), MirrorKeyOf(b.mirror));
    boxes_.ShowAllOnSliders();
    ddx_.WriteOut();
    update();
}

// ---------------------------------------------------------------------------------------------
// Undo and Redo

void CUARTView::OnUpdateCommand(int commandId, CommandUI& ui) {
    if (commandId != ID_EDIT_UNDO && commandId != ID_EDIT_REDO) return;
    const bool back = commandId == ID_EDIT_UNDO;
    const UnitHistory::Step* step = back ? s_.history.NextUndo() : s_.history.NextRedo();
    const QString verb = back ? QStringLiteral("Undo") : QStringLiteral("Redo");
    ui.text = step ? verb + " " + QString::fromStdString(step->name) : verb;
    ui.enabled = back ? s_.history.CanUndo() : s_.history.CanRedo();
    if (ui.enabled) return;
    if (!session_.Connected())
        ui.reason =
            QStringLiteral("No unit connected: %1 works on the unit the changes were sent to")
                .arg(verb);
    else
        ui.reason = back ? QStringLiteral("Nothing to undo") : QStringLiteral("Nothing to redo");
}

void CUARTView::OnEditUndo() {
    StepThrough(true);
}

void CUARTView::OnEditRedo() {
    StepThrough(false);
}

void CUARTView::StepThrough(bool back) {
    const UnitHistory::Step* step = back ? s_.history.NextUndo() : s_.history.NextRedo();
    if (!step) return;
    const unsigned id = step->id;
    const QString name = QString::fromStdString(step->name);
    if (!(back ? s_.history.Undo() : s_.history.Redo())) {
        if (frame_)
            frame_->ShowNotice(
                QStringLiteral("%1 %2 could not be sent to ORQ")
                    .arg(back ? QStringLiteral("Undo") : QStringLiteral("Redo"), name));
        return;
    }
    if (const auto marks = presetSteps_.find(id); marks != presetSteps_.end())
        ShowMarks(back ? marks->second.first : marks->second.second);
    ShowUnitSet();
}

CUARTView::PresetMarks CUARTView::Marks() const {
    PresetMarks marks{kNoId, reset_};
    for (const PresetButton& p : kPresetButtons)
        if (const CPngButton* b = controls_.Control<CPngButton>(p.id); b && b->Selected())
            marks.selected = p.id;
    return marks;
}

void CUARTView::ShowMarks(const PresetMarks& marks) {
    reset_ = marks.resets;
    for (const PresetButton& p : kPresetButtons)
        if (CPngButton* b = controls_.Control<CPngButton>(p.id))
            b->SetSelected(p.id == marks.selected);
}

void CUARTView::MirrorFromDevice() {
    orq::MirrorFromDevice(session_.Block(), values_);
    boxes_.ShowAllOnSliders();
    ddx_.WriteOut();
    update();
}

// ---------------------------------------------------------------------------------------------
// Presets and resets

void CUARTView::OnPreset(int buttonId) {
    const auto pressed =
        std::find_if(std::begin(kPresetButtons), std::end(kPresetButtons),
                     [buttonId](const PresetButton& p) { return p.id == buttonId; });
    if (pressed == std::end(kPresetButtons)) return;
    const PresetInfo* info = &InfoOf(pressed->preset);
    const QPointer<CUARTView> alive(this);
    s_.messages.Show(this,
                     QString::fromUtf8(info->message.data(), qsizetype(info->message.size())));
    if (!alive) return;
    const PresetMarks before = Marks();
    UnitHistory::Change change(s_.history, "preset " + std::string(info->name));
    for (const PresetButton& p : kPresetButtons)
        if (CPngButton* b = controls_.Control<CPngButton>(p.id)) b->SetSelected(p.id == buttonId);
    ApplyPreset(info->preset, session_.Block(), values_, reset_);
    boxes_.ShowAllOnSliders();
    ddx_.WriteOut();
    Send();
    if (const UnitHistory::Step* step = change.End()) presetSteps_[step->id] = {before, Marks()};
    if (session_.Connected()) session_.KeepSet(PresetCause(info->name).c_str());
}

void CUARTView::OnResetMain() {
    UnitHistory::Change change(s_.history, "Reset main rotor");
    ResetMainRotor(session_.Block(), values_, reset_);
    MoveSliders({IDC_PITCH_AGILITY_SLIDER, IDC_PITCH_GAIN_SLIDER, IDC_ROLL_AGILITY_SLIDER,
                 IDC_ROLL_GAIN_SLIDER});
    ddx_.WriteOut();
    Send();
}

void CUARTView::OnResetTail() {
    UnitHistory::Change change(s_.history, "Reset tail rotor");
    ResetTailRotor(session_.Block(), values_, reset_);
    MoveSliders({IDC_YAW_LEFT_SLIDER, IDC_YAW_RIGHT_SLIDER, IDC_TAIL_GAIN_SLIDER});
    ddx_.WriteOut();
    Send();
}

void CUARTView::OnAllDataReset() {
    UnitHistory::Change change(s_.history, "All Data Reset");
    AllDataReset(session_.Block(), values_);
    boxes_.ShowAllOnSliders();
    ddx_.WriteOut();
    update();
    Send();
    if (session_.Connected()) session_.KeepSet("reset");
}

void CUARTView::OnAdvance() {
    // The dialog takes the port's notifications while it is up and hands them back to this
    // form when it closes; what it sends goes out on its OK.
    const QPointer<CUARTView> alive(this);
    {
        UnitHistory::Change change(s_.history, "Advance Menu", true);
        CAdvanceDlg dialog(s_, notifyTarget_, this);
        s_.modal.RunModal(dialog);
    }
    if (alive) TakeLineBack();
}

void CUARTView::OnUnitHistory() {
    const ParameterBlock before = session_.Block();
    const QPointer<CUARTView> alive(this);
    {
        CUnitHistoryDlg dialog(s_, values_, notifyTarget_, this);
        s_.modal.RunModal(dialog);
    }
    if (!alive) return;
    TakeLineBack();
    // A set written from the history is the unit's now: the form shows it.
    if (UnitHistory::UnitDiffers(before, session_.Block())) ShowUnitSet();
}

void CUARTView::OnSetup() {
    if (!runSetup_) return;
    const QPointer<CUARTView> alive(this);
    runSetup_(window());
    if (alive) TakeLineBack();
}

void CUARTView::TakeLineBack() {
    // The wizard leaves the port's notifications with the last page it showed; what the unit
    // sent meanwhile waits in the port's buffer for this form.
    session_.SetNotifyTarget(notifyTarget_);
    // An adapter pulled out while a dialog had the notifications was reported to the dialog,
    // which had no use for it: the form must still learn that the unit is gone.
    if (session_.LineGone()) OnSerialRemoved(session_.PortNumber(), 0);
}

// ---------------------------------------------------------------------------------------------
// Drawing and closing

void CUARTView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (unitPicture_) p.drawImage(QPoint(kUnitPictureX, kUnitPictureY), *unitPicture_);
    const std::optional<QImage>& lamp = session_.Connected() ? lampOn_ : lampOff_;
    if (lamp)
        for (int x : kLampX) p.drawImage(QPoint(x, kLampY), *lamp);
}

void CUARTView::OnClose() {
    ClosePortAndStopScan();
}

void CUARTView::closeEvent(QCloseEvent* event) {
    ClosePortAndStopScan();
    FormView::closeEvent(event);
}

void CUARTView::customEvent(QEvent* event) {
    if (!DispatchMessageEvent(this, GetMessageMap(), event)) FormView::customEvent(event);
}

}  // namespace orq
