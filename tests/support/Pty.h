#pragma once
// Pseudo-terminals, a raw host end of a line and a recording notify target for the tests on real
// lines. Every read, write and wait has a deadline, so a silent peer fails a test instead of
// hanging it.

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <fstream>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "serial/SerialNotify.h"
#include "support/Bytes.h"
#include "support/Notes.h"

namespace orq::test {

// One end of a line, raw and non-blocking.
class PtyHost {
public:
    explicit PtyHost(int fd) : fd_(fd) {
        termios t{};
        ::tcgetattr(fd_, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(fd_, TCSANOW, &t);
        ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
    }
    explicit PtyHost(const std::string& path)
        : PtyHost(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {}
    ~PtyHost() { Close(); }
    PtyHost(const PtyHost&) = delete;

    bool ok() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    void Close() { ::close(std::exchange(fd_, -1)); }
    bool Write(std::span<const uint8_t> bytes) const {
        std::size_t done = 0;
        for (const auto end = Clock::now() + 2s; done < bytes.size() && Clock::now() < end;) {
            const ssize_t w = ::write(fd_, bytes.data() + done, bytes.size() - done);
            pollfd p{fd_, POLLOUT, 0};
            if (w > 0)
                done += static_cast<std::size_t>(w);
            else
                ::poll(&p, 1, 50);
        }
        return done == bytes.size();
    }
    // Reads until `count` bytes have come, the far end hung up or `limit` has passed.
    Bytes Read(std::size_t count, std::chrono::milliseconds limit = 3s) const {
        Bytes got;
        for (const auto end = Clock::now() + limit; got.size() < count && Clock::now() < end;) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            uint8_t buf[512];
            const ssize_t r = ::read(fd_, buf, std::min(sizeof buf, count - got.size()));
            if (r > 0)
                got.insert(got.end(), buf, buf + r);
            else if (p.revents & (POLLHUP | POLLERR))
                break;
        }
        return got;
    }
    // Everything that arrives within `span` (for checking that nothing does).
    Bytes ReadFor(std::chrono::milliseconds span) const { return Read(SIZE_MAX, span); }

private:
    int fd_;
};

// A fresh pty, raw (set through the master); the test keeps the slave open too, so the line lives
// until the master goes.
class Pty {
public:
    Pty() : host_(Open()) {}
    ~Pty() { ::close(slave_); }
    bool ok() const { return host_.ok() && slave_ >= 0; }
    int slave() const { return slave_; }
    const std::string& path() const { return path_; }
    PtyHost& host() { return host_; }
    void CloseMaster() { host_.Close(); }  // the unit unplugged: the slave is hung up
    bool Send(const Bytes& bytes) const { return host_.Write(bytes); }

private:
    int Open() {
        int master = -1;
        char name[256] = {};
        if (::openpty(&master, &slave_, name, nullptr, nullptr) != 0) return -1;
        path_ = name;
        return master;
    }
    int slave_ = -1;
    std::string path_;
    PtyHost host_;
};

}  // namespace orq::test
