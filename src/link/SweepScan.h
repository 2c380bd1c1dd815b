#pragma once
// orqctl's search: every candidate port is opened and probed at once, so the unit is found in one
// exchange however many silent ports stand before it.
//
// Each port is probed through a port object of the sweep's own (a scout) that reads the way the
// session's port does and posts to the session port's notify target. When one answers, its open
// device is handed to the session's port (SerialPort::TakeOver) and the connection is made there
// exactly as ConnectScan makes it; the other scouts are closed without another byte. Silent
// ports hear the probe as ConnectScan's do: kProbesPerPort times, kProbeInterval apart.
//
// Progress goes to the listener in the order of the list, each port's steps once the ports
// before it are settled; ports after the one that answered are never reported, as a scan one port
// at a time would not have reached them.

#include <memory>

#include "link/PortSearch.h"
#include "link/ProbeAnswer.h"

namespace orq {

class SweepScan final : public PortSearch {
public:
    explicit SweepScan(SearchParts parts) : p_(parts) {}
    SweepScan(const SweepScan&) = delete;
    SweepScan& operator=(const SweepScan&) = delete;
    ~SweepScan() override;

    void Start(std::vector<PortInfo> ports, Clock::time_point now) override;
    void OnReceive(int32_t portNumber, Clock::time_point now) override;
    void OnTimer(Clock::time_point now) override;
    void OnPortRemoved(int32_t portNumber, Clock::time_point now) override;
    std::optional<Clock::time_point> NextDeadline() const override;
    void Cancel() override;
    bool Scanning() const override { return scanning_; }

private:
    struct Scout {
        PortInfo info;
        std::unique_ptr<SerialPort> port;  // while it is being probed
        ProbeAnswer answer;
        std::optional<PortStep> end;  // how the port ended, once it has
    };

    Scout* Find(int32_t portNumber);
    // Looks through what has come on `s` for the answer; true when it is there, accepted into
    // the session's link state and block.
    bool Answer(Scout& s);
    void Close(Scout& s, PortStep end);
    void Win(Scout& s);
    void Finish(bool connected);
    // Reports the ports whose turn has come, in order.
    void Report();

    SearchParts p_;
    bool scanning_ = false;
    std::vector<Scout> scouts_;
    std::size_t reported_ = 0;  // ports reported so far, from the first
    std::optional<std::size_t> winner_;
    Frame probe_{};
    int probesSent_ = 0;
    Clock::time_point start_{};
    Clock::time_point nextProbe_{};
};

}  // namespace orq
