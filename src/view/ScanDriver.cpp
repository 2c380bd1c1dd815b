#include "view/ScanDriver.h"

namespace orq {

namespace {
using Clock = UnitSession::Clock;
}

QString PortOutcomeText(const PortInfo& port, PortStep step) {
    const QString path = QString::fromStdString(ShownName(port));
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

ScanDriver::ScanDriver(UnitSession& session, QObject* parent) : QObject(parent), session_(session) {
    session_.SetSearchListener(this);
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &ScanDriver::OnTimeout);
}

ScanDriver::~ScanDriver() {
    Stop();
    session_.SetSearchListener(nullptr);
}

bool ScanDriver::Running() const {
    return session_.Searching();
}

void ScanDriver::Start() {
    lines_.clear();
    session_.StartSearch(ListPorts(OrqPortsFromEnvironment()), Clock::now());
    Schedule();
}

void ScanDriver::Stop() {
    timer_.stop();
    if (Running()) session_.CancelSearch(true);
}

void ScanDriver::Reschedule() {
    if (Running()) Schedule();
}

void ScanDriver::OnTimeout() {
    if (!Running()) return;
    session_.OnTimer(Clock::now());
    Schedule();
}

void ScanDriver::Schedule() {
    const auto deadline = session_.NextDeadline();
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
