#pragma once
// Runs the unit session's search for the main form without holding the user-interface thread: a
// single-shot timer wakes it at the search's next deadline; the form hands the session every
// batch of received bytes and then lets this reschedule. Closing the form stops it where it
// stands.

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <cstdint>

#include "link/UnitSession.h"

namespace orq {

struct ScanReport {
    bool connected = false;
    QString summary;  // one line per port tried: "/dev/ttyS4: no answer"
};

// The line the status bar's tooltip shows for a port the scan is done with.
QString PortOutcomeText(const PortInfo& port, PortStep step);

class ScanDriver : public QObject, private ScanListener {
    Q_OBJECT
public:
    explicit ScanDriver(UnitSession& session, QObject* parent = nullptr);
    ~ScanDriver() override;

    // Lists the ports (ORQ_PORTS when set, else the system's) and starts with the first. The
    // end comes as `finished`, at once when there is no port at all.
    void Start();
    bool Running() const;
    // Abandons a running scan and closes the port it was trying; no `finished` follows.
    void Stop();
    // The session has heard from the port: the search's next deadline may have moved.
    void Reschedule();

signals:
    void progress(int percent);
    void finished(const orq::ScanReport& report);

private:
    void OnPortStep(const ScanEvent& event) override;
    void OnScanFinished(bool connected) override;
    void OnTimeout();
    void Schedule();

    UnitSession& session_;
    QTimer timer_;
    QStringList lines_;
};

}  // namespace orq
