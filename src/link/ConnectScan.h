#pragma once
// The desktop program's search: each candidate port in turn, until a unit answers the probe.
// A port that cannot be opened costs no wait; a silent one hears the probe kProbesPerPort times,
// kProbeInterval apart (the first at once), and is given up kProbeInterval after the last. What
// the session's port receives is looked through as it comes (ProbeAnswer), with the window's
// receive timing: a pass ends after the line has been silent for 100 ms.
//
// The scan discards whatever was received before each probe: bytes left from an earlier
// connection would otherwise be examined against the new probe and could make the scan pass over
// the very unit it was connected to.

#include <deque>

#include "link/PortSearch.h"
#include "link/ProbeAnswer.h"

namespace orq {

class ConnectScan final : public PortSearch {
public:
    explicit ConnectScan(SearchParts parts) : p_(parts) {}
    ConnectScan(const ConnectScan&) = delete;
    ConnectScan& operator=(const ConnectScan&) = delete;

    void Start(std::vector<PortInfo> ports, Clock::time_point now) override;
    void OnReceive(int32_t portNumber, Clock::time_point now) override;
    void OnTimer(Clock::time_point now) override;
    void OnPortRemoved(int32_t portNumber, Clock::time_point now) override;
    std::optional<Clock::time_point> NextDeadline() const override;
    void Cancel() override;
    bool Scanning() const override { return scanning_; }

private:
    // Opens ports from index_ on until one can be probed; finishes the scan when none is left.
    void OpenNext(Clock::time_point now);
    void SendProbe();
    void EndPort(PortStep step, Clock::time_point now);
    void Finish(bool connected);
    void Emit(PortStep step);
    void Dispatch();

    SearchParts p_;
    bool scanning_ = false;
    std::vector<PortInfo> ports_;
    std::size_t index_ = 0;
    Frame probe_{};
    ProbeAnswer answer_;
    int probesSent_ = 0;
    Clock::time_point portStart_{};
    Clock::time_point nextProbe_{};

    struct Queued {
        bool finished;
        bool connected;
        ScanEvent event;
    };
    std::deque<Queued> events_;
    bool dispatching_ = false;
};

}  // namespace orq
