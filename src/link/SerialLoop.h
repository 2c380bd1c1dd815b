#pragma once
// The serial port's notifications for a program without a GUI event loop (orqctl, tests,
// benchmarks): the wait thread posts into a queue and wakes a poll() here, and this loop hands
// each notification to the session, as the main form does with its window messages.

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <system_error>
#include <vector>

#include "link/UnitSession.h"

namespace orq {

// How a search ended.
enum class ScanEnd {
    Connected,  // a unit answered
    NoUnit,     // every port was tried
    Cancelled,  // the cancel descriptor turned readable
    Failed,     // waiting itself failed (Error() says why)
};

class SerialLoop {
public:
    // Becomes the session port's notify target for as long as it lives.
    explicit SerialLoop(UnitSession& session);
    ~SerialLoop();
    SerialLoop(const SerialLoop&) = delete;
    SerialLoop& operator=(const SerialLoop&) = delete;

    // Runs the session's search over `ports` to its end. `cancelFd`, when given, cancels it as
    // soon as it turns readable.
    ScanEnd Search(std::vector<PortInfo> ports, int cancelFd = -1);

    // Moves received bytes into the session's accumulator until `done()` holds (asked after each
    // move), `limit` has passed, the device has gone, `cancelFd` turns readable or the wait fails
    // (then Error() says why).
    enum class WaitEnd { Done, TimedOut, Removed, Cancelled, Failed };
    WaitEnd Wait(const std::function<bool()>& done, std::chrono::milliseconds limit,
                 int cancelFd = -1);
    bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
        return Wait(done, limit) == WaitEnd::Done;
    }

    // The session's own device went away (WM_SERIAL_REMOVED).
    bool Removed() const { return removed_; }
    // Why the last Search or Wait could not wait any longer; empty when nothing failed.
    std::error_code Error() const { return error_; }

private:
    class Target;
    enum class Pumped { Ready, Cancelled, Failed };
    // Waits until a notification, `cancelFd` or `deadline`, and hands the notifications on.
    Pumped Pump(std::optional<std::chrono::steady_clock::time_point> deadline, int cancelFd);

    UnitSession& session_;
    std::shared_ptr<Target> target_;
    bool removed_ = false;
    std::error_code error_;
};

}  // namespace orq
