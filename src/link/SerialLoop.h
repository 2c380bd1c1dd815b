#pragma once
// The serial port's notifications for a program without a GUI event loop (orqctl, tests,
// benchmarks): the wait thread posts into a queue and wakes a poll() here, and this loop hands
// each notification to the session, as the main form does with its window messages.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <system_error>
#include <vector>

#include "link/UnitSession.h"

namespace orq {

// What ends a wait from outside (Ctrl+C): on POSIX a descriptor that turns readable, on Windows
// an event that is set; kNoCancel for none.
using CancelHandle = std::intptr_t;
inline constexpr CancelHandle kNoCancel = -1;

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

    // Runs the session's search over `ports` to its end. `cancel`, when given, cancels it as soon
    // as it fires.
    ScanEnd Search(std::vector<PortInfo> ports, CancelHandle cancel = kNoCancel);

    // Moves received bytes into the session's accumulator until `done()` holds (asked after each
    // move), `limit` has passed, the device has gone, `cancel` fires or the wait fails (then
    // Error() says why).
    enum class WaitEnd { Done, TimedOut, Removed, Cancelled, Failed };
    WaitEnd Wait(const std::function<bool()>& done, std::chrono::milliseconds limit,
                 CancelHandle cancel = kNoCancel);
    bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
        return Wait(done, limit) == WaitEnd::Done;
    }

    // The session's own device went away (WM_SERIAL_REMOVED).
    bool Removed() const { return removed_; }
    // Why the last Search or Wait could not wait any longer; empty when nothing failed.
    std::error_code Error() const { return error_; }

private:
    class Target;  // the system's way of waking the loop (SerialLoopPosix.cpp, ...Windows.cpp)
    enum class Pumped { Ready, Cancelled, Failed };
    // Waits until a notification, `cancel` or `deadline`, and hands the notifications on.
    Pumped Pump(std::optional<std::chrono::steady_clock::time_point> deadline, CancelHandle cancel);

    UnitSession& session_;
    std::shared_ptr<Target> target_;
    bool removed_ = false;
    std::error_code error_;
};

}  // namespace orq
