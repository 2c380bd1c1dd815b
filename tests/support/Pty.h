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

namespace orq::test {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;

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
            if (w > 0) done += static_cast<std::size_t>(w);
            else ::poll(&p, 1, 50);
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
            if (r > 0) got.insert(got.end(), buf, buf + r);
            else if (p.revents & (POLLHUP | POLLERR)) break;
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
    int master() const { return host_.fd(); }
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

struct Note { uint32_t message; int32_t port; intptr_t param; };

class Recorder : public NotifyTarget {
public:
    void Post(uint32_t message, int32_t port, intptr_t param) override {
        std::lock_guard<std::mutex> g(m_);
        notes_.push_back({message, port, param});
        cv_.notify_all();
    }
    std::vector<Note> Notes() const {
        std::lock_guard<std::mutex> g(m_);
        return notes_;
    }
    std::size_t Count(uint32_t message) const { return Counted(Notes(), message); }
    // True when `count` notifications of `message` have come before the deadline.
    bool WaitFor(uint32_t message, std::size_t count, std::chrono::milliseconds limit = 3s) {
        std::unique_lock<std::mutex> g(m_);
        return cv_.wait_for(g, limit, [&] { return Counted(notes_, message) >= count; });
    }

private:
    static std::size_t Counted(const std::vector<Note>& notes, uint32_t message) {
        return static_cast<std::size_t>(std::ranges::count(notes, message, &Note::message));
    }
    mutable std::mutex m_;
    std::condition_variable cv_;
    std::vector<Note> notes_;
};

// Polls `done` until it holds or the limit passes.
inline bool Eventually(const std::function<bool()>& done, std::chrono::milliseconds limit = 3s) {
    for (const auto end = Clock::now() + limit; !done(); std::this_thread::sleep_for(2ms))
        if (Clock::now() > end) return false;
    return true;
}

inline Bytes Pattern(std::size_t n, uint32_t seed = 1) {
    Bytes v(n);
    for (auto& b : v) b = static_cast<uint8_t>((seed = seed * 1103515245u + 12345u) >> 16);
    return v;
}

inline int64_t MillisSince(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

// The simulated unit logs each frame it hears as one line of hex.
inline std::vector<std::string> Lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

inline std::string Hex(std::span<const uint8_t> bytes) {
    std::string s;
    for (uint8_t b : bytes) s += {"0123456789abcdef"[b >> 4], "0123456789abcdef"[b & 15]};
    return s;
}

}  // namespace orq::test
