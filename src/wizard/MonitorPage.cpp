#include "wizard/MonitorPage.h"

#include <QLabel>

#include <vector>

#include "framework/NotifyTarget.h"
#include "serial/SerialPort.h"
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

}  // namespace

CStep3::CStep3(AppServices& services, QWidget* parent)
    : SetupPage(services, kTemplate174, kPictures174, parent) {
    for (const Signal& s : kSignals) {
        if (auto* bar = controls_.Control<CLevelBar>(s.bar)) {
            bars_[s.channel] = bar;
            bar->setAccessibleName(QString::fromUtf8(s.name));
        }
        if (QLabel* label = controls_.Label(s.label))
            label->setAccessibleName(QStringLiteral("%1 value").arg(QString::fromUtf8(s.name)));
    }
}

void CStep3::OnInitPage() {
    monitorBuffer_.SetMinimumBlockSize(4096);
    for (CLevelBar* bar : bars_)
        if (bar) bar->SetRange(-kBarLimit, kBarLimit);
    for (CLevelBar* bar : bars_)
        if (bar) bar->SetPos(0);
}

void CStep3::customEvent(QEvent* event) {
    if (event->type() == kWindowMessageEvent) {
        const auto* m = static_cast<const WindowMessageEvent*>(event);
        if (m->message == WM_SERIAL_RECEIVE) OnSerialReceive(m->wParam, m->lParam);
        return;
    }
    SetupPage::customEvent(event);
}

void CStep3::OnSerialReceive(int32_t portNumber, intptr_t) {
    if (s_.port) receive_.OnSerialReceive(*s_.port, portNumber, monitorBuffer_);
    std::vector<uint8_t> run(monitorBuffer_.Size());
    run.resize(monitorBuffer_.Take(run.data(), static_cast<uint32_t>(run.size())));
    for (const MonitorSignal& m : stream_.Feed(run, s_.link, s_.block)) Show(m);
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
            label->setText(QString::number(m.value[c]));
        }
    }
    ++shown_;
    emit signalsShown(m);
}

}  // namespace orq
