// The main form's side of the link: the Connect button's port scan, the bytes the port hears,
// an adapter that goes away, and the lamps and status text that show all this.

#include "serial/SerialPort.h"
#include "view/CUARTView.h"
#include "view/MainFormTemplate.h"
#include "view/ScanDriver.h"

#include <QPushButton>

namespace orq {

namespace {
const QString kConnected = QStringLiteral("Connected!");
const QString kNotConnected = QStringLiteral("Not Connect!");

// Buttons that rest while a scan runs. The Advance Menu and the Setup wizard write to the port
// on their own; during a scan such a write would reach whatever device is being probed and move
// the sequence number the scan waits to see echoed.
constexpr int kRestDuringScan[] = {IDC_CONNECT, IDC_ADVANCE, IDC_SETUP};
}  // namespace

bool CUARTView::Scanning() const {
    return scan_ && scan_->Running();
}

void CUARTView::SetStatus(const QString& text) {
    if (frame_) frame_->SetStatusText(text);
}

void CUARTView::UpdateLamps() {
    update(kLampArea);
}

void CUARTView::ConnectScan() {
    if (Scanning()) return;
    for (int id : kRestDuringScan)
        if (QWidget* button = controls_.Control(id)) button->setEnabled(false);
    // A connected port is let go first (the scan closes it); the scan then starts again from
    // the first port.
    if (s_.port && s_.port->IsOpen()) SetStatus(kNotConnected);
    if (frame_) frame_->SetProgressPos(0);
    scan_->Start();  // clears the connected flag
    UpdateLamps();
}

void CUARTView::OnScanProgress(int percent) {
    if (frame_) frame_->SetProgressPos(percent);
}

void CUARTView::OnScanFinished(const ScanReport& report) {
    // The scan has set the flag and filled the block; the form shows both.
    UpdateLamps();
    if (report.connected) {
        MirrorFromDevice();
        KeepBackup("found");
    }
    SetStatus(report.connected ? kConnected : kNotConnected);
    if (frame_) {
        frame_->SetProgressPos(0);
        frame_->SetStatusToolTip(report.summary);
    }
    for (int id : kRestDuringScan)
        if (QWidget* button = controls_.Control(id)) button->setEnabled(true);
}

void CUARTView::OnSerialReceive(int32_t portNumber, intptr_t) {
    if (!s_.port) return;
    const ReceiveHandler::Moved moved =
        receive_.OnSerialReceive(*s_.port, portNumber, accumulator_);
    if (moved.bytes) scan_->OnReceived();
}

void CUARTView::OnSerialRemoved(int32_t portNumber, intptr_t) {
    if (!s_.port || portNumber != s_.port->PortNumber()) return;
    // A port that goes away while it is probed: the scan moves on to the next.
    if (Scanning()) {
        scan_->OnPortRemoved(portNumber);
        return;
    }
    const QString path = QString::fromStdString(s_.port->PortName());
    s_.port->ClosePort();
    connected_ = 0;
    UpdateLamps();
    SetStatus(kNotConnected);
    if (frame_) frame_->SetStatusToolTip(QStringLiteral("%1: the adapter was unplugged").arg(path));
}

void CUARTView::ClosePortAndStopScan() {
    if (scan_) scan_->Stop();
    if (s_.port) s_.port->ClosePort();
}

}  // namespace orq
