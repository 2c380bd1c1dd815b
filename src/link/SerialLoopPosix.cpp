// The loop's sleep on POSIX: poll() on an eventfd the wait thread writes and on the cancel
// descriptor.

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>

#include "link/SerialLoopTarget.h"

namespace orq {

SerialLoop::Target::Target() : wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

SerialLoop::Target::~Target() {
    if (wake_ >= 0) ::close(static_cast<int>(wake_));
}

void SerialLoop::Target::Wake() {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t w = ::write(static_cast<int>(wake_), &one, sizeof one);
}

void SerialLoop::Target::Drain() {
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t r = ::read(static_cast<int>(wake_), &count, sizeof count);
}

SerialLoop::Target::Woken SerialLoop::Target::Wait(
    std::optional<std::chrono::steady_clock::time_point> deadline, CancelHandle cancel,
    std::error_code& error) {
    int timeout = -1;
    if (deadline) {
        const auto left = *deadline - std::chrono::steady_clock::now();
        // Round up: waking a millisecond early would only mean another pass.
        const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
        timeout = static_cast<int>(std::max<decltype(ms)>(0, ms));
    }
    const int cancelFd = static_cast<int>(cancel);
    pollfd fds[2] = {{static_cast<int>(wake_), POLLIN, 0}, {cancelFd, POLLIN, 0}};
    const int ready = ::poll(fds, cancelFd >= 0 ? 2 : 1, timeout);
    if (ready < 0 && errno != EINTR) {
        error = std::error_code(errno, std::system_category());
        return Woken::Failed;
    }
    // A cancel descriptor that is not one (closed, or in error) cancels nothing: it fails.
    if (cancelFd >= 0 && (fds[1].revents & POLLNVAL)) {
        error = std::make_error_code(std::errc::bad_file_descriptor);
        return Woken::Failed;
    }
    if (cancelFd >= 0 && fds[1].revents != 0) return Woken::Cancelled;
    return fds[0].revents != 0 ? Woken::Notes : Woken::Timeout;
}

}  // namespace orq
