#pragma once
// What the serial tests share on every system: the notifications a port posts, recorded; waits
// that end as soon as what they wait for holds; byte patterns; the simulated unit's frame log.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "serial/SerialNotify.h"
#include "support/Bytes.h"

namespace orq::test {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

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

}  // namespace orq::test
