#include "view/ScanDriver.h"

#include "framework/AppServices.h"

namespace orq {

namespace {
using Clock = ConnectScan::Clock;
}

QString PortOutcomeText(const PortInfo& port, PortStep step) {
    const QString path = QString::fromStdString(port.path);
    switch (step) {
        case PortStep::Answered:
            return QStringLiteral("%1: connected").arg(path);
        case PortStep::PermissionDenied:
            return QStringLiteral("%1: permission denied \u2014 add yourself to the dialout group")
                .arg(path);
        case PortStep::InUse:
            return QStringLiteral("%1: in use by another program").arg(path);
        default:
            return QStringLiteral("%1: %2").arg(path, QString::fromUtf8(PortStepText(step)));
    }
}

ScanDriver::ScanDriver(AppServices& services, BlockBuffer& accumulator, SliderValues& sliders,
                       int32_t& connected, QObject* parent)
    : QObject(parent), services_(services) {
    if (services.port)
        scan_.emplace(ConnectScan::Parts{*services.port, accumulator, services.link, services.block,
                                         sliders, connected});
    if (scan_) scan_->SetListener(this);
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &ScanDriver::OnTimeout);
}

ScanDriver::~ScanDriver() {
    Stop();
}

bool ScanDriver::Running() const {
    return scan_ && scan_->Scanning();
}

void ScanDriver::Start() {
    lines_.clear();
    if (!scan_) {
        OnScanFinished(false);
        return;
    }
    scan_->Start(ListPorts(OrqPortsFromEnvironment()), Clock::now());
    Schedule();
}

void ScanDriver::Stop() {
    timer_.stop();
    if (!Running()) return;
    scan_->SetListener(nullptr);
    scan_->Cancel();
    scan_->SetListener(this);
}

void ScanDriver::OnReceived() {
    if (!Running()) return;
    scan_->OnReceive(Clock::now());
    Schedule();
}

void ScanDriver::OnPortRemoved(int32_t portNumber) {
    if (!Running()) return;
    scan_->OnPortRemoved(portNumber, Clock::now());
    Schedule();
}

void ScanDriver::OnTimeout() {
    if (!Running()) return;
    scan_->OnTimer(Clock::now());
    Schedule();
}

void ScanDriver::Schedule() {
    const auto deadline = scan_ ? scan_->NextDeadline() : std::nullopt;
    if (!deadline) {
        timer_.stop();
        return;
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now());
    timer_.start(std::max<int>(0, static_cast<int>(wait.count())));
}

void ScanDriver::OnPortStep(const ScanEvent& event) {
    if (event.count == 0) return;
    const bool ended = EndsPort(event.step);
    if (ended) lines_ << PortOutcomeText(event.port, event.step);
    const std::size_t done = event.index + (ended ? 1 : 0);
    emit progress(static_cast<int>(done * 100 / event.count));
}

void ScanDriver::OnScanFinished(bool connected) {
    timer_.stop();
    ScanReport report;
    report.connected = connected;
    report.summary = lines_.isEmpty() ? QStringLiteral("No serial port found") : lines_.join('\n');
    emit finished(report);
}

}  // namespace orq
