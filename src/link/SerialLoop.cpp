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

SerialLoop::SerialLoop(SerialPort& port, BlockBuffer& accumulator)
    : port_(port), accumulator_(accumulator), target_(std::make_shared<Target>()) {
    port_.SetNotifyTarget(target_);
}

SerialLoop::~SerialLoop() {
    port_.SetNotifyTarget({});
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
        if (note.message == WM_SERIAL_RECEIVE) {
            receive_.OnSerialReceive(port_, note.portNumber, accumulator_);
            if (onReceive_) onReceive_(note.portNumber);
        } else if (note.message == WM_SERIAL_REMOVED) {
            // A sweep's scouts post here too: only the session's own port going away is Removed.
            if (note.portNumber == port_.PortNumber()) removed_ = true;
            if (onRemoved_) onRemoved_(note.portNumber);
        }
    }
    return Pumped::Ready;
}

template <class Search>
ScanEnd SerialLoop::Finish(Search& search, int cancelFd) {
    ScanEnd end = ScanEnd::NoUnit;
    while (search.Scanning()) {
        const Pumped pumped = Pump(search.NextDeadline(), cancelFd);
        if (pumped != Pumped::Ready) {
            search.Cancel();
            end = pumped == Pumped::Cancelled ? ScanEnd::Cancelled : ScanEnd::Failed;
            break;
        }
        search.OnTimer(Search::Clock::now());
    }
    onReceive_ = nullptr;
    onRemoved_ = nullptr;
    removed_ = false;
    return search.Connected() ? ScanEnd::Connected : end;
}

ScanEnd SerialLoop::Scan(ConnectScan& scan, std::vector<PortInfo> ports, int cancelFd) {
    removed_ = false;
    error_.clear();
    onReceive_ = [&scan](int32_t) { scan.OnReceive(ConnectScan::Clock::now()); };
    onRemoved_ = [&scan](int32_t number) { scan.OnPortRemoved(number, ConnectScan::Clock::now()); };
    scan.Start(std::move(ports), ConnectScan::Clock::now());
    return Finish(scan, cancelFd);
}

ScanEnd SerialLoop::Sweep(SweepScan& sweep, std::vector<PortInfo> ports, int cancelFd) {
    removed_ = false;
    error_.clear();
    onReceive_ = [&sweep](int32_t number) { sweep.OnReceive(number, SweepScan::Clock::now()); };
    onRemoved_ = [&sweep](int32_t number) { sweep.OnPortRemoved(number, SweepScan::Clock::now()); };
    sweep.Start(std::move(ports), target_, SweepScan::Clock::now());
    return Finish(sweep, cancelFd);
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
