#pragma once
// The host end of a simulated unit's terminal, opened raw, for tests that must see the very bytes
// on the line. Every read is bounded by a deadline so that a silent unit fails a test instead of
// hanging it.

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orq::test {

using Bytes = std::vector<uint8_t>;

class PtyHost {
public:
    explicit PtyHost(const std::string& path)
        : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
        if (fd_ < 0) return;
        termios t{};
        ::tcgetattr(fd_, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(fd_, TCSANOW, &t);
    }
    ~PtyHost() {
        if (fd_ >= 0) ::close(fd_);
    }
    PtyHost(const PtyHost&) = delete;
    PtyHost& operator=(const PtyHost&) = delete;

    bool ok() const { return fd_ >= 0; }

    bool Write(std::span<const uint8_t> bytes) {
        std::size_t done = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (done < bytes.size() && std::chrono::steady_clock::now() < deadline) {
            const ssize_t w = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (w > 0) {
                done += static_cast<std::size_t>(w);
            } else {
                pollfd p{fd_, POLLOUT, 0};
                ::poll(&p, 1, 50);
            }
        }
        return done == bytes.size();
    }

    // Reads until `count` bytes have come or `limit` has passed; returns what came.
    Bytes Read(std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(3)) {
        Bytes got;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (got.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count()) + 1) <= 0) continue;
            if (p.revents & (POLLHUP | POLLERR)) hungUp_ = true;
            uint8_t buf[512];
            const std::size_t want = std::min(sizeof buf, count - got.size());
            const ssize_t r = ::read(fd_, buf, want);
            if (r > 0) {
                got.insert(got.end(), buf, buf + r);
            } else if (hungUp_) {
                break;
            }
        }
        return got;
    }

    // Everything that arrives within `span` (for checking that nothing does).
    Bytes ReadFor(std::chrono::milliseconds span) { return Read(SIZE_MAX, span); }

    bool HungUp() const { return hungUp_; }
    int fd() const { return fd_; }

private:
    int fd_;
    bool hungUp_ = false;
};

}  // namespace orq::test
