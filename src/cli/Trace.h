#pragma once
// `--trace FILE`: every frame the session exchanges with the unit, one a line, so that a failing
// session can be sent to someone who helps:
//
//     0.000125 out 7f2f0a011e05107e0e000000...
//     0.094410 in  7f2f0a1e01...7e0e
//     0.094410 in? 4242                       (bytes between frames that are not padding)
//
// The time is seconds on the monotonic clock since the trace began. Output is the whole write
// as the port took it; input is split into frames (header to trailer), the zeros that pad a
// frame to 90 bytes left out.

#include <chrono>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "serial/SerialNotify.h"

namespace orq {

class TraceFile : public PortTap {
public:
    // Opens (truncates) `path`; Ok() tells whether that worked.
    explicit TraceFile(const std::string& path);
    ~TraceFile() override;
    TraceFile(const TraceFile&) = delete;
    TraceFile& operator=(const TraceFile&) = delete;

    bool Ok() const { return file_.is_open(); }
    void Sent(std::span<const uint8_t> bytes) override;
    void Received(std::span<const uint8_t> bytes) override;

private:
    void Line(const char* direction, std::span<const uint8_t> bytes);
    void FlushStray();

    std::mutex lock_;
    std::ofstream file_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::vector<uint8_t> frame_;  // a frame being received, from its header on
    std::vector<uint8_t> stray_;  // bytes between frames that are not padding
    uint8_t prev_ = 0;
};

}  // namespace orq
