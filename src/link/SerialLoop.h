#pragma once
// The serial port's notifications for a program without a GUI event loop (orqctl, tests,
// benchmarks): the wait thread posts into a queue and wakes a poll() here, and this loop does
// what the main form does on WM_SERIAL_RECEIVE and drives the connection scan.

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <system_error>
#include <vector>

#include "link/ConnectScan.h"
#include "link/ReceiveHandler.h"
#include "link/SweepScan.h"
#include "protocol/LinkFrame.h"
#include "protocol/ParameterBlock.h"
#include "serial/BlockBuffer.h"
#include "serial/SerialNotify.h"
#include "serial/SerialPort.h"

namespace orq {

// How a scan ended.
enum class ScanEnd {
    Connected,  // a unit answered
    NoUnit,     // every port was tried
    Cancelled,  // the cancel descriptor turned readable
    Failed,     // waiting itself failed (Error() says why)
};

class SerialLoop {
public:
    // Becomes the port's notify target for as long as it lives.
    SerialLoop(SerialPort& port, BlockBuffer& accumulator);
    ~SerialLoop();
    SerialLoop(const SerialLoop&) = delete;
    SerialLoop& operator=(const SerialLoop&) = delete;

    // Runs `scan` over `ports` to its end. `cancelFd`, when given, cancels the scan as soon as
    // it turns readable.
    ScanEnd Scan(ConnectScan& scan, std::vector<PortInfo> ports, int cancelFd = -1);
    // The same with every port probed at once (orqctl).
    ScanEnd Sweep(SweepScan& sweep, std::vector<PortInfo> ports, int cancelFd = -1);

    // Moves received bytes into the accumulator until `done()` holds (asked after each move),
    // `limit` has passed, the device has gone, `cancelFd` turns readable or the wait fails (then
    // Error() says why).
    enum class WaitEnd { Done, TimedOut, Removed, Cancelled, Failed };
    WaitEnd Wait(const std::function<bool()>& done, std::chrono::milliseconds limit,
                 int cancelFd = -1);
    bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
        return Wait(done, limit) == WaitEnd::Done;
    }

    // The device went away (WM_SERIAL_REMOVED).
    bool Removed() const { return removed_; }
    // Why the last Scan or WaitFor could not wait any longer; empty when nothing failed.
    std::error_code Error() const { return error_; }

private:
    class Target;
    enum class Pumped { Ready, Cancelled, Failed };
    // Waits until a notification, `cancelFd` or `deadline`, and handles the notifications.
    Pumped Pump(std::optional<std::chrono::steady_clock::time_point> deadline, int cancelFd);
    // Runs a started scan or sweep to its end, then drops the callbacks it installed.
    template <class Search>
    ScanEnd Finish(Search& search, int cancelFd);

    SerialPort& port_;
    BlockBuffer& accumulator_;
    ReceiveHandler receive_;
    std::shared_ptr<Target> target_;
    bool removed_ = false;
    std::error_code error_;
    std::function<void(int32_t portNumber)> onReceive_;
    std::function<void(int32_t portNumber)> onRemoved_;
};

// The configurator's process-wide objects as a program without a window owns them for one
// session (orqctl, the scan tests and bench): one port, the main form's accumulator, the link
// state and the parameter image, driven by a SerialLoop.
struct HostSession {
    SerialPort port{SerialPort::kProgramOptions};
    BlockBuffer accumulator{4096};
    LinkState link;
    ParameterBlock block;
    SliderValues sliders;
    int32_t connected = 0;
    SerialLoop loop{port, accumulator};
    ConnectScan scan{{port, accumulator, link, block, sliders, connected}};
    SweepScan sweep{{port, accumulator, link, block, sliders, connected}};
};

}  // namespace orq
