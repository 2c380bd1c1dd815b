#include "wizard/MonitorPage.h"

#include <QLabel>

#include "framework/NotifyTarget.h"
#include "link/UnitSession.h"
#include "widgets/LevelBar.h"

namespace orq {

namespace {

struct Signal {
    MonitorChannel channel;
    int bar;
    int label;
    const char* name;
};
// In the order the bars are set.
constexpr Signal kSignals[] = {
    {kMonitorAileron, IDC_STEP3_AILERON_BAR, IDC_STEP3_AILERON_VALUE, "Aileron"},
    {kMonitorElevator, IDC_STEP3_ELEVATOR_BAR, IDC_STEP3_ELEVATOR_VALUE, "Elevator"},
    {kMonitorRudder, IDC_STEP3_RUDDER_BAR, IDC_STEP3_RUDDER_VALUE, "Rudder"},
    {kMonitorCollective, IDC_STEP3_COLLECTIVE_BAR, IDC_STEP3_COLLECTIVE_VALUE, "Collective pitch"},
    {kMonitorTailGain, IDC_STEP3_TAIL_GAIN_BAR, IDC_STEP3_TAIL_GAIN_VALUE, "Tail gain"},
};
static_assert(kSignals[kMonitorTailGain].channel == kMonitorTailGain);
// The labels follow in their own order.
constexpr MonitorChannel kLabelOrder[] = {kMonitorElevator, kMonitorCollective, kMonitorAileron,
                                          kMonitorRudder, kMonitorTailGain};
constexpr int kBarLimit = 125;

// The number, and for a screen reader the signal's name with it ("Aileron 42").
void ShowValue(QLabel& label, const Signal& s, const QString& number) {
    label.setText(number);
    label.setAccessibleName(QString::fromUtf8(s.name) + QLatin1Char(' ') + number);
}

}  // namespace

CStep3::CStep3(AppServices& services, QWidget* parent)
    : SetupPage(services, kTemplate174, kPictures174, parent) {
    for (const Signal& s : kSignals) {
        if (auto* bar = controls_.Control<CLevelBar>(s.bar)) {
            bars_[s.channel] = bar;
            bar->setAccessibleName(QString::fromUtf8(s.name));
        }
        if (QLabel* label = controls_.Label(s.label)) ShowValue(*label, s, label->text());
    }
    WireMessageMap(this, controls_, GetMessageMap());
}

std::span<const MessageEntry<CStep3>> CStep3::GetMessageMap() {
    static constexpr MessageEntry<CStep3> kMap[] = {
        OnMessage(WM_SERIAL_RECEIVE, &CStep3::OnSerialReceive),
    };
    return kMap;
}

void CStep3::OnInitPage() {
    for (CLevelBar* bar : bars_)
        if (bar) bar->SetRange(-kBarLimit, kBarLimit);
    for (CLevelBar* bar : bars_)
        if (bar) bar->SetPos(0);
}

void CStep3::customEvent(QEvent* event) {
    // The page takes the port's notifications while it is shown; only what the unit streams is
    // of interest here, and other messages are left as every page leaves them.
    if (!DispatchMessageEvent(this, GetMessageMap(), event)) SetupPage::customEvent(event);
}

void CStep3::OnSerialReceive(int32_t portNumber, intptr_t) {
    for (const MonitorSignal& m : session_.ReceiveMonitor(portNumber)) Show(m);
}

void CStep3::Show(const MonitorSignal& m) {
    // A value at or beyond the bar's end leaves the bar as it was; the label says the number.
    for (const Signal& s : kSignals)
        if (bars_[s.channel] && m.value[s.channel] < kBarLimit)
            bars_[s.channel]->SetPos(m.value[s.channel]);
    for (MonitorChannel c : kLabelOrder) {
        const Signal& s = kSignals[c];
        if (QLabel* label = controls_.Label(s.label)) {
            // The label is transparent: its old text goes with the page area below it.
            update(label->geometry());
            ShowValue(*label, s, QString::number(m.value[c]));
        }
    }
    ++shown_;
    emit signalsShown(m);
}

}  // namespace orq
