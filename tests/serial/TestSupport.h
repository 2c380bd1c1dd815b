#pragma once
// Pseudo-terminals and a recording notify target for the serial tests.

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "serial/SerialNotify.h"

namespace orq::test {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Both ends raw; the test keeps the slave open too, so the line lives until the master goes.
class Pty {
public:
    Pty() {
        char name[256] = {};
        if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) return;
        path_ = name;
        for (int fd : {master_, slave_}) {
            termios t{};
            ::tcgetattr(fd, &t);
            cfmakeraw(&t);
            ::tcsetattr(fd, TCSANOW, &t);
        }
    }
    ~Pty() {
        CloseMaster();
        if (slave_ >= 0) ::close(slave_);
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool ok() const { return master_ >= 0 && slave_ >= 0; }
    int master() const { return master_; }
    int slave() const { return slave_; }
    const std::string& path() const { return path_; }
    // Unplugging the unit: the slave is hung up.
    void CloseMaster() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
    }
    // Writes everything to the master (blocking, as a unit pushing bytes out).
    bool Send(const std::vector<uint8_t>& bytes) const {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t r = ::write(master_, bytes.data() + done, bytes.size() - done);
            if (r <= 0) return false;
            done += static_cast<size_t>(r);
        }
        return true;
    }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

struct Note {
    uint32_t message;
    int32_t port;
    intptr_t param;
};

class Recorder : public NotifyTarget {
public:
    void Post(uint32_t message, int32_t port, intptr_t param) override {
        std::lock_guard<std::mutex> g(m_);
        notes_.push_back({message, port, param});
        cv_.notify_all();
    }
    size_t Count(uint32_t message) const {
        std::lock_guard<std::mutex> g(m_);
        size_t n = 0;
        for (const Note& note : notes_) n += note.message == message ? 1 : 0;
        return n;
    }
    std::vector<Note> Notes() const {
        std::lock_guard<std::mutex> g(m_);
        return notes_;
    }
    // True when `count` notifications of `message` have come before the deadline.
    bool WaitFor(uint32_t message, size_t count, std::chrono::milliseconds limit = 3s) {
        std::unique_lock<std::mutex> g(m_);
        return cv_.wait_for(g, limit, [&] {
            size_t n = 0;
            for (const Note& note : notes_) n += note.message == message ? 1 : 0;
            return n >= count;
        });
    }

private:
    mutable std::mutex m_;
    std::condition_variable cv_;
    std::vector<Note> notes_;
};

// Polls `done` until it holds or the limit passes.
inline bool Eventually(const std::function<bool()>& done, std::chrono::milliseconds limit = 3s) {
    const auto end = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > end) return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

inline std::vector<uint8_t> Pattern(size_t n, uint32_t seed = 1) {
    std::vector<uint8_t> v(n);
    uint32_t x = seed;
    for (auto& b : v) {
        x = x * 1103515245u + 12345u;
        b = static_cast<uint8_t>(x >> 16);
    }
    return v;
}

inline int64_t MillisSince(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

}  // namespace orq::test
