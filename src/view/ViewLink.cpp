// The main form's side of the link: the Connect button's port scan, the bytes the port hears,
// an adapter that goes away, and the lamps and status text that show all this.

#include <QLabel>
#include <QPushButton>

#include "link/UnitHistory.h"
#include "link/UnitSession.h"
#include "view/MainFormTemplate.h"
#include "view/ScanDriver.h"
#include "view/UARTView.h"

namespace orq {

namespace {
const QString kConnected = QStringLiteral("Connected!");
const QString kNotConnected = QStringLiteral("Not Connect!");

// Buttons that rest while a scan runs. The Advance Menu and the Setup wizard take the port's
// notifications while they are up, and the scan would not hear its answer.
constexpr int kRestDuringScan[] = {IDC_CONNECT, IDC_ADVANCE, IDC_SETUP};
}  // namespace

bool CUARTView::Scanning() const {
    return session_.Searching();
}

bool CUARTView::Connected() const {
    return session_.Connected();
}

void CUARTView::SetStatus(const QString& text) {
    if (frame_) frame_->SetStatusText(text);
}

void CUARTView::UpdateLamps() {
    update(kLampArea);
    lamps_->setAccessibleName(session_.Connected() ? QStringLiteral("Connected")
                                                   : QStringLiteral("Not connected"));
    emit commandStatesChanged();
}

void CUARTView::ConnectScan() {
    if (Scanning()) return;
    for (int id : kRestDuringScan)
        if (QWidget* button = controls_.Control(id)) button->setEnabled(false);
    // A connected port is let go first (the scan closes it); the scan then starts again from
    // the first port.
    if (session_.Connected()) SetStatus(kNotConnected);
    if (frame_) frame_->SetProgressPos(0);
    // A new connection starts a new history: the steps belong to the unit they were sent to.
    s_.history.Clear();
    presetSteps_.clear();
    scan_->Start();  // clears the connected flag
    UpdateLamps();
}

void CUARTView::OnScanProgress(int percent) {
    if (frame_) frame_->SetProgressPos(percent);
}

void CUARTView::OnScanFinished(const ScanReport& report) {
    // The session has set the flag, filled the block and kept the set; the form shows them.
    UpdateLamps();
    if (report.connected) MirrorFromDevice();
    SetStatus(report.connected ? kConnected : kNotConnected);
    if (frame_) {
        frame_->SetProgressPos(0);
        frame_->SetStatusToolTip(report.summary);
    }
    for (int id : kRestDuringScan)
        if (QWidget* button = controls_.Control(id)) button->setEnabled(true);
}

void CUARTView::OnSerialReceive(int32_t portNumber, intptr_t) {
    session_.OnReceive(portNumber, UnitSession::Clock::now());
    scan_->Reschedule();
}

void CUARTView::OnSerialRemoved(int32_t portNumber, intptr_t) {
    // A port that goes away while it is probed: the scan moves on to the next.
    if (!session_.OnPortRemoved(portNumber, UnitSession::Clock::now())) {
        scan_->Reschedule();
        return;
    }
    UpdateLamps();
    SetStatus(kNotConnected);
    if (frame_)
        frame_->SetStatusToolTip(QStringLiteral("%1: the adapter was unplugged")
                                     .arg(QString::fromStdString(ShownName(session_.PortName()))));
}

void CUARTView::ClosePortAndStopScan() {
    if (scan_) scan_->Stop();
    session_.Close();
}

}  // namespace orq
