#include "wizard/ServoTrimPage.h"

#include <QPainter>
#include <QPushButton>

#include "link/UnitHistory.h"
#include "link/UnitSession.h"
#include "widgets/IconButton.h"
#include "widgets/LevelBar.h"

namespace orq {

namespace {

constexpr int kBarLimit = 125;
constexpr int kHoverOffset = 30;

constexpr int8_t SettingsMirror::*kTrimKeys[3] = {&SettingsMirror::ServoAdjustCH1,
                                                  &SettingsMirror::ServoAdjustCH2,
                                                  &SettingsMirror::ServoAdjustCH3};
constexpr int8_t SettingsMirror::*kDirectionKeys[3] = {
    &SettingsMirror::ServoDirCH1, &SettingsMirror::ServoDirCH2, &SettingsMirror::ServoDirCH3};
constexpr int kBars[3] = {IDC_STEP9_CH1_BAR, IDC_STEP9_CH2_BAR, IDC_STEP9_CH3_BAR};

struct ChannelButton {
    int id;
    int channel;
    int step;
    const char* tooltip;
    const char* name;
};
constexpr ChannelButton kChannelButtons[] = {
    {IDC_STEP9_CH1_UP, 0, +1, "CH1", "CH1 up"}, {IDC_STEP9_CH1_DOWN, 0, -1, "CH1", "CH1 down"},
    {IDC_STEP9_CH2_UP, 1, +1, "CH2", "CH2 up"}, {IDC_STEP9_CH2_DOWN, 1, -1, "CH2", "CH2 down"},
    {IDC_STEP9_CH3_UP, 2, +1, "CH3", "CH3 up"}, {IDC_STEP9_CH3_DOWN, 2, -1, "CH3", "CH3 down"},
};

struct SwashButton {
    int id;
    SwashAxis axis;
    int step;
    const char* name;
};
constexpr SwashButton kSwashButtons[] = {
    {IDC_STEP9_COLLECTIVE_PLUS5, SwashAxis::Collective, +5, "Collective +5"},
    {IDC_STEP9_COLLECTIVE_PLUS1, SwashAxis::Collective, +1, "Collective +1"},
    {IDC_STEP9_COLLECTIVE_MINUS1, SwashAxis::Collective, -1, "Collective -1"},
    {IDC_STEP9_COLLECTIVE_MINUS5, SwashAxis::Collective, -5, "Collective -5"},
    {IDC_STEP9_ELEVATOR_MINUS5, SwashAxis::Elevator, -5, "Elevator -5"},
    {IDC_STEP9_ELEVATOR_MINUS1, SwashAxis::Elevator, -1, "Elevator -1"},
    {IDC_STEP9_ELEVATOR_PLUS1, SwashAxis::Elevator, +1, "Elevator +1"},
    {IDC_STEP9_ELEVATOR_PLUS5, SwashAxis::Elevator, +5, "Elevator +5"},
    {IDC_STEP9_AILERON_MINUS5, SwashAxis::Aileron, -5, "Aileron -5"},
    {IDC_STEP9_AILERON_MINUS1, SwashAxis::Aileron, -1, "Aileron -1"},
    {IDC_STEP9_AILERON_PLUS1, SwashAxis::Aileron, +1, "Aileron +1"},
    {IDC_STEP9_AILERON_PLUS5, SwashAxis::Aileron, +5, "Aileron +5"},
};

std::array<int, 3> TrimsOf(const SettingsMirror& m) {
    return {m.ServoAdjustCH1, m.ServoAdjustCH2, m.ServoAdjustCH3};
}

}  // namespace

CStep9::CStep9(AppServices& services, QWidget* parent)
    : SetupPage(services, kTemplate204, {}, parent),
      trim_(TrimsOf(Mirror())),
      swash_(Mirror(), controls_.Label(IDC_STEP9_SWASH_TYPE), kSwashPlace204) {
    for (std::size_t i = 0; i < 3; ++i) {
        bars_[i] = controls_.Control<CLevelBar>(kBars[i]);
        if (bars_[i]) bars_[i]->setAccessibleName(QStringLiteral("Trim CH%1").arg(i + 1));
    }
    for (const ChannelButton& b : kChannelButtons)
        if (auto* button = controls_.Control<CIconButton>(b.id))
            button->setAccessibleName(QString::fromUtf8(b.name));
    for (const SwashButton& b : kSwashButtons)
        if (auto* button = controls_.Control<CIconButton>(b.id))
            button->setAccessibleName(QString::fromUtf8(b.name));
    WireMessageMap(this, controls_, GetMessageMap());
}

std::span<const MessageEntry<CStep9>> CStep9::GetMessageMap() {
    using P = CStep9;
    static constexpr MessageEntry<P> kMap[] = {
        OnCommand(IDC_STEP9_CH1_UP, &P::OnChannel),
        OnCommand(IDC_STEP9_CH1_DOWN, &P::OnChannel),
        OnCommand(IDC_STEP9_CH2_UP, &P::OnChannel),
        OnCommand(IDC_STEP9_CH2_DOWN, &P::OnChannel),
        OnCommand(IDC_STEP9_CH3_UP, &P::OnChannel),
        OnCommand(IDC_STEP9_CH3_DOWN, &P::OnChannel),
        OnCommand(IDC_STEP9_COLLECTIVE_PLUS5, &P::OnSwash),
        OnCommand(IDC_STEP9_COLLECTIVE_PLUS1, &P::OnSwash),
        OnCommand(IDC_STEP9_COLLECTIVE_MINUS1, &P::OnSwash),
        OnCommand(IDC_STEP9_COLLECTIVE_MINUS5, &P::OnSwash),
        OnCommand(IDC_STEP9_ELEVATOR_MINUS5, &P::OnSwash),
        OnCommand(IDC_STEP9_ELEVATOR_MINUS1, &P::OnSwash),
        OnCommand(IDC_STEP9_ELEVATOR_PLUS1, &P::OnSwash),
        OnCommand(IDC_STEP9_ELEVATOR_PLUS5, &P::OnSwash),
        OnCommand(IDC_STEP9_AILERON_MINUS5, &P::OnSwash),
        OnCommand(IDC_STEP9_AILERON_MINUS1, &P::OnSwash),
        OnCommand(IDC_STEP9_AILERON_PLUS1, &P::OnSwash),
        OnCommand(IDC_STEP9_AILERON_PLUS5, &P::OnSwash),
        OnCommand(IDC_STEP9_CLEAN, &P::OnClean),
    };
    return kMap;
}

void CStep9::OnInitPage() {
    for (CLevelBar* bar : bars_)
        if (bar) bar->SetRange(-kBarLimit, kBarLimit);
    for (std::size_t i = 0; i < 3; ++i)
        if (bars_[i]) bars_[i]->SetPos(trim_.Trims()[i]);
    for (const ChannelButton& b : kChannelButtons)
        if (auto* button = controls_.Control<CIconButton>(b.id)) {
            button->SetHoverOffset(kHoverOffset);
            button->setToolTip(QString::fromUtf8(b.tooltip));
        }
    for (const SwashButton& b : kSwashButtons)
        if (auto* button = controls_.Control<CIconButton>(b.id))
            button->SetHoverOffset(kHoverOffset);
    swash_.ShowName();
}

std::array<int, 3> CStep9::Directions() const {
    const SettingsMirror& m = Mirror();
    return {m.*kDirectionKeys[0], m.*kDirectionKeys[1], m.*kDirectionKeys[2]};
}

void CStep9::OnChannel(int buttonId) {
    for (const ChannelButton& b : kChannelButtons) {
        if (b.id != buttonId) continue;
        trim_.Channel(b.channel, b.step, Directions()[static_cast<std::size_t>(b.channel)]);
        FinishChange(QString::fromUtf8(b.name));
    }
}

void CStep9::OnSwash(int buttonId) {
    for (const SwashButton& b : kSwashButtons) {
        // With no swashplate type chosen there is no mixing to apply: the trims stay as they are.
        if (b.id == buttonId && trim_.Swash(b.axis, b.step, Mirror().SwashPlateType, Directions()))
            FinishChange(QString::fromUtf8(b.name));
    }
}

void CStep9::OnClean() {
    trim_.Clean();
    FinishChange(QStringLiteral("Clean"));
}

void CStep9::FinishChange(const QString& step) {
    UnitHistory::Change change(s_.history, "Servo trim " + step.toStdString());
    ParameterBlock& block = session_.Block();
    for (std::size_t i = 0; i < 3; ++i) {
        const int t = trim_.Trims()[i];
        if (bars_[i]) bars_[i]->SetPos(t);
        block.Mirror.*kTrimKeys[i] = LowByte(t);
        *DeviceByte(block, MirrorKeyOf(kTrimKeys[i])) = LowByte(t);
    }
    static_cast<void>(session_.SendParameters());
}

void CStep9::showEvent(QShowEvent* event) {
    swash_.ShowName();
    SetupPage::showEvent(event);
}

void CStep9::PaintChosenPictures(QPainter& p) {
    swash_.Paint(p);
}

}  // namespace orq
