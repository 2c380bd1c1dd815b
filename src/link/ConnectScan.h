#pragma once
// The connection scan: try each candidate port in turn until a unit answers the probe.
//
// It never waits by itself. The caller drives it with two kinds of call and keeps its own loop
// (the GUI a QTimer and its serial events, the tests and benches a SerialLoop):
//   - OnReceive, after the caller has moved the port's received bytes into the accumulator
//     (ReceiveHandler), so the scan can look at them;
//   - OnTimer, when the time NextDeadline() named has come.
// A port that cannot be opened costs no wait; a silent one hears the probe kProbesPerPort times,
// kProbeInterval apart (the first at once), and is given up kProbeInterval after the last.
//
// Unlike the loop this replaces, the scan discards whatever was received before each probe:
// bytes left from an earlier connection would otherwise be examined against the new probe and
// could make the scan pass over the very unit it was connected to.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "protocol/LinkFrame.h"
#include "protocol/ParameterBlock.h"
#include "serial/BlockBuffer.h"
#include "serial/PortList.h"
#include "serial/SerialPort.h"

namespace orq {

// What happened on one port, in the order it can happen.
enum class PortStep {
    Probing,           // about to open it
    Opened,            // open at 9600 8N1, probe sent: waiting for the answer
    NotFound,          // no such device
    PermissionDenied,  // the user may not open it (not in the dialout group)
    InUse,             // another program has it
    CannotOpen,        // any other reason it would not open
    CannotConfigure,   // opened, but the line settings or the wait thread failed
    NoAnswer,          // silent for the whole wait
    NoValidAnswer,     // bytes came, but not a reply to the probe
    Removed,           // the device went away while it was probed (adapter unplugged)
    Answered,          // a unit answered: connected on this port
};
const char* PortStepText(PortStep step);
// True for the steps after which the scan is done with the port.
bool EndsPort(PortStep step);

struct ScanEvent {
    PortStep step;
    std::size_t index;  // 0-based position of the port in the list
    std::size_t count;  // ports in the list
    PortInfo port;
};

class ScanListener {
public:
    virtual ~ScanListener() = default;
    virtual void OnPortStep(const ScanEvent& event) = 0;
    virtual void OnScanFinished(bool connected) = 0;
};

class ConnectScan {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kProbeInterval{200};
    static constexpr int kProbesPerPort = 11;  // the probe, then ten repeats
    static constexpr std::chrono::milliseconds kPortWait = kProbesPerPort * kProbeInterval;
    static constexpr uint32_t kExamineLimit = 1023;  // bytes looked at once 90 have come

    // The process-wide objects the scan works on; all must outlive it.
    struct Parts {
        SerialPort& port;
        BlockBuffer& accumulator;  // the main form's receive accumulator
        LinkState& link;
        ParameterBlock& block;
        SliderValues& sliders;
        int32_t& connected;  // the connected flag: 1 while connected
    };

    explicit ConnectScan(Parts parts) : p_(parts) {}

    // What every way of finding the unit shares (SweepScan too). The probe: a parameter request
    // with sequence number 1, built into the link state, which then awaits its answer.
    static Frame PrepareProbe(LinkState& link, const ParameterBlock& block);
    // Opens `port` at 9600 8N1, discards whatever it held and starts its thread: Opened, or why
    // not (the port is closed again then).
    static PortStep OpenForProbe(SerialPort& port, const PortInfo& info);
    // The probe's answer has been accepted into the parts' link state and block, and `port`
    // is where it came from: connected, the reply stream set off, the mirror taken from the unit.
    static void EnterConnected(const Parts& parts);
    ConnectScan(const ConnectScan&) = delete;
    ConnectScan& operator=(const ConnectScan&) = delete;

    // Events are delivered at the end of the call that caused them, when the scan's state is
    // settled; a listener may call Cancel or Start from them. Null: nobody listens.
    void SetListener(ScanListener* listener) { listener_ = listener; }

    // Closes any open port and clears the connected flag, then scans `ports` from the first.
    void Start(std::vector<PortInfo> ports, Clock::time_point now);
    void OnReceive(Clock::time_point now);
    void OnTimer(Clock::time_point now);
    // The port reported WM_SERIAL_REMOVED: no answer can come from it, so the scan goes on at
    // once. A late report from a port already left behind changes nothing.
    void OnPortRemoved(int32_t portNumber, Clock::time_point now);
    // When OnTimer must next be called; nothing when the scan is not running.
    std::optional<Clock::time_point> NextDeadline() const;
    // Stops a running scan: the port being probed is closed, the flag stays clear.
    void Cancel();

    bool Scanning() const { return scanning_; }
    bool Connected() const { return p_.connected != 0; }
    // The port being probed, while Scanning().
    std::size_t CurrentIndex() const { return index_; }

private:
    // Opens ports from index_ on until one can be probed; finishes the scan when none is left.
    void OpenNext(Clock::time_point now);
    PortStep TryOpen(const PortInfo& info);
    void SendProbe();
    // The probe was answered: connected on this port.
    void Answered();
    void EndPort(PortStep step, Clock::time_point now);
    void Finish(bool connected);
    void Emit(PortStep step);
    void Dispatch();

    Parts p_;
    ScanListener* listener_ = nullptr;

    bool scanning_ = false;
    std::vector<PortInfo> ports_;
    std::size_t index_ = 0;
    Frame probe_{};
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
