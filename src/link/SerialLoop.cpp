// The loop's part that is the same everywhere: what a notification does, and the search and the
// waits driven to their end. How it sleeps is in SerialLoopPosix.cpp and SerialLoopWindows.cpp.

#include "link/SerialLoop.h"

#include "link/SerialLoopTarget.h"

namespace orq {

SerialLoop::SerialLoop(UnitSession& session)
    : session_(session), target_(std::make_shared<Target>()) {
    session_.SetNotifyTarget(target_);
}

SerialLoop::~SerialLoop() {
    session_.SetNotifyTarget({});
}

SerialLoop::Pumped SerialLoop::Pump(std::optional<std::chrono::steady_clock::time_point> deadline,
                                    CancelHandle cancel) {
    switch (target_->Wait(deadline, cancel, error_)) {
        case Target::Woken::Failed:
            return Pumped::Failed;
        case Target::Woken::Cancelled:
            return Pumped::Cancelled;
        case Target::Woken::Timeout:
            return Pumped::Ready;
        case Target::Woken::Notes:
            break;
    }
    for (const Target::Note& note : target_->Take()) {
        const auto now = UnitSession::Clock::now();
        if (note.message == WM_SERIAL_RECEIVE) {
            session_.OnReceive(note.portNumber, now);
        } else if (note.message == WM_SERIAL_REMOVED) {
            // A sweep's scouts post here too: only the session's own port going away is Removed.
            if (session_.OnPortRemoved(note.portNumber, now)) removed_ = true;
        }
    }
    return Pumped::Ready;
}

ScanEnd SerialLoop::Search(std::vector<PortInfo> ports, CancelHandle cancel) {
    removed_ = false;
    error_.clear();
    session_.StartSearch(std::move(ports), UnitSession::Clock::now());
    ScanEnd end = ScanEnd::NoUnit;
    while (session_.Searching()) {
        const Pumped pumped = Pump(session_.NextDeadline(), cancel);
        if (pumped != Pumped::Ready) {
            session_.CancelSearch();
            end = pumped == Pumped::Cancelled ? ScanEnd::Cancelled : ScanEnd::Failed;
            break;
        }
        session_.OnTimer(UnitSession::Clock::now());
    }
    removed_ = false;
    return session_.Connected() ? ScanEnd::Connected : end;
}

SerialLoop::WaitEnd SerialLoop::Wait(const std::function<bool()>& done,
                                     std::chrono::milliseconds limit, CancelHandle cancel) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    error_.clear();
    while (!done()) {
        if (removed_) return WaitEnd::Removed;
        if (std::chrono::steady_clock::now() >= deadline) return WaitEnd::TimedOut;
        switch (Pump(deadline, cancel)) {
            case Pumped::Ready:
                break;
            case Pumped::Cancelled:
                return WaitEnd::Cancelled;
            case Pumped::Failed:
                return WaitEnd::Failed;
        }
    }
    return WaitEnd::Done;
}

}  // namespace orq
