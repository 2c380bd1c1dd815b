#pragma once
// orqctl's way of finding the unit: every candidate port is opened and probed at once, so the
// unit is found in one exchange however many silent ports stand before it, and every byte that
// comes is looked through for the answer, so noise or a stray frame first does not cost the port.
// The desktop program keeps ConnectScan, one port at a time with the window's timing.
//
// Each port is probed through a port object of the sweep's own (a scout). When one answers, its
// open device is handed to the session's port (SerialPort::TakeOver) and the connection is made
// there exactly as ConnectScan makes it; the other scouts are closed without another byte.
// Silent ports hear the probe as ConnectScan's do: kProbesPerPort times, kProbeInterval apart.
//
// Driven like ConnectScan (SerialLoop::Sweep): OnReceive and OnPortRemoved with the number a
// scout's notification carries, OnTimer at NextDeadline(). Progress goes to the listener in the
// order of the list, each port's steps once the ports before it are settled; ports after the one
// that answered are never reported, as a scan one port at a time would not have reached them.

#include <memory>
#include <optional>
#include <vector>

#include "link/ConnectScan.h"
#include "serial/SerialNotify.h"

namespace orq {

class SweepScan {
public:
    using Clock = ConnectScan::Clock;

    explicit SweepScan(ConnectScan::Parts parts) : p_(parts) {}
    SweepScan(const SweepScan&) = delete;
    SweepScan& operator=(const SweepScan&) = delete;
    ~SweepScan();

    void SetListener(ScanListener* listener) { listener_ = listener; }

    // Closes the session's port and clears the connected flag, then opens and probes every port
    // in `ports` (whose numbers must differ). The scouts post to `notify`.
    void Start(std::vector<PortInfo> ports, std::weak_ptr<NotifyTarget> notify,
               Clock::time_point now);
    void OnReceive(int32_t portNumber, Clock::time_point now);
    void OnTimer(Clock::time_point now);
    void OnPortRemoved(int32_t portNumber, Clock::time_point now);
    std::optional<Clock::time_point> NextDeadline() const;
    void Cancel();

    bool Scanning() const { return scanning_; }
    bool Connected() const { return p_.connected != 0; }

private:
    struct Scout {
        PortInfo info;
        std::unique_ptr<SerialPort> port;  // while it is being probed
        std::vector<uint8_t> received;     // what came and may still hold the answer
        bool heard = false;                // bytes came, if no answer
        std::optional<PortStep> end;       // how the port ended, once it has
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

    ConnectScan::Parts p_;
    ScanListener* listener_ = nullptr;
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
