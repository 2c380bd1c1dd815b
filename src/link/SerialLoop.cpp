#include "link/SerialLoop.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

namespace orq {

// Posted from the wait thread: queue, then one eventfd write to wake the loop.
class SerialLoop::Target : public NotifyTarget {
public:
    struct Note {
        uint32_t message;
        int32_t portNumber;
    };

    Target() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~Target() override {
        if (fd_ >= 0) ::close(fd_);
    }
    int fd() const { return fd_; }

    void Post(uint32_t message, int32_t portNumber, intptr_t) override {
        bool wake = false;
        {
            std::lock_guard lock(lock_);
            wake = notes_.empty();
            notes_.push_back({message, portNumber});
        }
        // Notes already waiting have woken the loop, and it takes every note when it wakes: under
        // a fast stream that saves a system call on each side for every pass.
        if (wake) {
            const uint64_t one = 1;
            [[maybe_unused]] const ssize_t w = ::write(fd_, &one, sizeof one);
        }
    }

    std::vector<Note> Take() {
        uint64_t count = 0;
        [[maybe_unused]] const ssize_t r = ::read(fd_, &count, sizeof count);
        std::lock_guard lock(lock_);
        std::vector<Note> taken;
        taken.swap(notes_);
        return taken;
    }

private:
    int fd_;
    std::mutex lock_;
    std::vector<Note> notes_;
};

SerialLoop::SerialLoop(UnitSession& session)
    : session_(session), target_(std::make_shared<Target>()) {
    session_.SetNotifyTarget(target_);
}

SerialLoop::~SerialLoop() {
    session_.SetNotifyTarget({});
}

SerialLoop::Pumped SerialLoop::Pump(std::optional<std::chrono::steady_clock::time_point> deadline,
                                    int cancelFd) {
    int timeout = -1;
    if (deadline) {
        const auto left = *deadline - std::chrono::steady_clock::now();
        // Round up: waking a millisecond early would only mean another pass.
        const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
        timeout = static_cast<int>(std::max<decltype(ms)>(0, ms));
    }
    pollfd fds[2] = {{target_->fd(), POLLIN, 0}, {cancelFd, POLLIN, 0}};
    const int ready = ::poll(fds, cancelFd >= 0 ? 2 : 1, timeout);
    if (ready < 0 && errno != EINTR) {
        error_ = std::error_code(errno, std::system_category());
        return Pumped::Failed;
    }
    // A cancel descriptor that is not one (closed, or in error) cancels nothing: it fails.
    if (cancelFd >= 0 && (fds[1].revents & POLLNVAL)) {
        error_ = std::make_error_code(std::errc::bad_file_descriptor);
        return Pumped::Failed;
    }
    if (cancelFd >= 0 && fds[1].revents != 0) return Pumped::Cancelled;
    if (fds[0].revents == 0) return Pumped::Ready;
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

ScanEnd SerialLoop::Search(std::vector<PortInfo> ports, int cancelFd) {
    removed_ = false;
    error_.clear();
    session_.StartSearch(std::move(ports), UnitSession::Clock::now());
    ScanEnd end = ScanEnd::NoUnit;
    while (session_.Searching()) {
        const Pumped pumped = Pump(session_.NextDeadline(), cancelFd);
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
                                     std::chrono::milliseconds limit, int cancelFd) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    error_.clear();
    while (!done()) {
        if (removed_) return WaitEnd::Removed;
        if (std::chrono::steady_clock::now() >= deadline) return WaitEnd::TimedOut;
        switch (Pump(deadline, cancelFd)) {
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
