#pragma once
// Finding the unit: the candidate ports are probed until one answers the probe. Two ways share
// this interface and one rule for "the unit answered" (ProbeAnswer):
//   - ConnectScan, the desktop program's: port after port, the probe repeated kProbesPerPort
//     times kProbeInterval apart, each port given up kProbeInterval after its last probe;
//   - SweepScan, orqctl's: every port at once, with the same probes, so the unit is found in
//     one exchange however many silent ports stand before it.
//
// A search never waits by itself. Its driver (the main form's QTimer and its serial events, or a
// SerialLoop) calls OnReceive when a port has posted WM_SERIAL_RECEIVE and its bytes have been
// moved where the search looks (UnitSession does both), OnPortRemoved on WM_SERIAL_REMOVED, and
// OnTimer when the time NextDeadline() named has come.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "protocol/LinkFrame.h"
#include "protocol/ParameterBlock.h"
#include "serial/PortList.h"

namespace orq {

class BlockBuffer;
class SerialPort;

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
// True for the steps after which the search is done with the port.
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

// The session's objects a search works on, lent for as long as the search lives.
struct SearchParts {
    SerialPort& port;          // the session's one port: where the unit stays once found
    BlockBuffer& accumulator;  // where the session moves what its port receives
    LinkState& link;
    ParameterBlock& block;
    int32_t& connected;  // the connected flag: 1 while connected
};

class PortSearch {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kProbeInterval{200};
    static constexpr int kProbesPerPort = 11;  // the probe, then ten repeats
    static constexpr std::chrono::milliseconds kPortWait = kProbesPerPort * kProbeInterval;

    virtual ~PortSearch() = default;

    // Events go to `listener` (null: nobody listens), each once the search's state is settled: a
    // listener may call Cancel or Start from them.
    void SetListener(ScanListener* listener) { listener_ = listener; }

    // Closes the session's port and clears the connected flag, then searches `ports` (whose
    // numbers must differ) from the first.
    virtual void Start(std::vector<PortInfo> ports, Clock::time_point now) = 0;
    virtual void OnReceive(int32_t portNumber, Clock::time_point now) = 0;
    virtual void OnTimer(Clock::time_point now) = 0;
    // A port reported WM_SERIAL_REMOVED: no answer can come from it. A late report from a port
    // already left behind changes nothing.
    virtual void OnPortRemoved(int32_t portNumber, Clock::time_point now) = 0;
    // When OnTimer must next be called; nothing when the search is not running.
    virtual std::optional<Clock::time_point> NextDeadline() const = 0;
    // Stops a running search: the ports it holds are closed, the flag stays clear, and the
    // listener hears the end.
    virtual void Cancel() = 0;
    virtual bool Scanning() const = 0;

protected:
    ScanListener* Listener() const { return listener_; }

    // The probe: a parameter request with sequence number 1, built into the link state, which
    // then awaits its answer. Sent unchanged to every port of one search.
    static Frame PrepareProbe(LinkState& link, const ParameterBlock& block);
    // Opens `port` at 9600 8N1, discards whatever it held and starts its thread: Opened, or why
    // not (the port is closed again then).
    static PortStep OpenForProbe(SerialPort& port, const PortInfo& info);
    // The probe's answer has been accepted into the parts' link state and block, and the parts'
    // port is where it came from: connected, the reply stream set off, the mirror taken from
    // the unit.
    static void EnterConnected(const SearchParts& parts);

private:
    ScanListener* listener_ = nullptr;
};

}  // namespace orq
