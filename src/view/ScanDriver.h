#pragma once
// Runs the connection scan for the main form without holding the user-interface thread: a
// single-shot timer wakes it at the scan's next deadline, and the form hands it every batch of
// received bytes. Closing the form stops it where it stands.

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <cstdint>

#include "link/ConnectScan.h"

namespace orq {

struct AppServices;
class BlockBuffer;

struct ScanReport {
    bool connected = false;
    QString summary;  // one line per port tried: "/dev/ttyS4: no answer"
};

// The line the status bar's tooltip shows for a port the scan is done with.
QString PortOutcomeText(const PortInfo& port, PortStep step);

class ScanDriver : public QObject, private ScanListener {
    Q_OBJECT
public:
    ScanDriver(AppServices& services, BlockBuffer& accumulator, SliderValues& sliders,
               int32_t& connected, QObject* parent = nullptr);
    ~ScanDriver() override;

    // Lists the ports (ORQ_PORTS when set, else the system's) and starts with the first. The
    // end comes as `finished`, at once when there is no port at all.
    void Start();
    bool Running() const;
    // Abandons a running scan and closes the port it was trying; no `finished` follows.
    void Stop();
    // The form has moved received bytes into the accumulator.
    void OnReceived();
    // The port with this number went away (its adapter was unplugged).
    void OnPortRemoved(int32_t portNumber);

signals:
    void progress(int percent);
    void finished(const orq::ScanReport& report);

private:
    void OnPortStep(const ScanEvent& event) override;
    void OnScanFinished(bool connected) override;
    void OnTimeout();
    void Schedule();

    AppServices& services_;
    std::optional<ConnectScan> scan_;
    QTimer timer_;
    QStringList lines_;
};

}  // namespace orq
