#pragma once
// What the unit does with the bytes it hears, free of any I/O: the simulated unit's terminal
// layer (SimUnit) feeds it host bytes with their arrival times and puts on the line what it
// returns. Kept apart so that the protocol behaviour reads in one place.

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "protocol/LinkFrame.h"
#include "protocol/ParameterBlock.h"

namespace orq {

using SimClock = std::chrono::steady_clock;

// The unit's parameter image: both blocks (DeviceState is SetupBlock index 31) and the last
// optimization-check byte it was sent.
struct UnitImage {
    SetupBlock Setup;
    TuningBlock Tuning;
    uint8_t OptimizationCheck = 0;
};

// The five receiver signals a monitor reply carries at stream step `step`: aileron, elevator,
// rudder, collective pitch, tail gain as raw values around the stick centre 3800. They sweep
// like sticks moved slowly end to end, each at its own pace.
using MonitorRaw = std::array<int16_t, 5>;
MonitorRaw MonitorSample(uint32_t step);

// A reply frame as the unit sends it: header, kind, type, echo, body, length, check, trailer,
// zeros up to 90 bytes.
Frame BuildReply(uint8_t kind, uint8_t type, uint8_t echo, std::span<const uint8_t> body);

class UnitModel {
public:
    struct Output {
        std::vector<Frame> replies;    // to transmit, in order
        std::vector<std::string> log;  // one line of lowercase hex per host frame received
    };

    // `fixedRaw`: every monitor reply carries these values instead of the sweep.
    UnitModel(const UnitImage& image, bool reply, std::chrono::milliseconds monitorPeriod,
              std::optional<MonitorRaw> fixedRaw = std::nullopt);

    // One byte from the host, complete on the line at `at`.
    void Receive(uint8_t byte, SimClock::time_point at, Output& out);
    // Time has reached `now`. A monitor reply falls due only while the transmitter is idle: a
    // unit that streams faster than the line carries skips a beat rather than piling up frames.
    void Tick(SimClock::time_point now, bool transmitterIdle, Output& out);
    // When Tick next has something to do, if ever.
    std::optional<SimClock::time_point> NextDeadline() const;

    // The stream stops as a frame with another ReplyMode stops it, but nothing is answered: a
    // run that must end on a quiet line without the host's help (orq-sim's SIGUSR1).
    void EndStream() { streaming_ = false; }

    const UnitImage& Image() const { return image_; }
    bool Streaming() const { return streaming_; }
    // Monitor replies built so far; reply n (from 0) carries MonitorSample(n) unless fixed.
    uint32_t MonitorReplies() const { return streamStep_; }

private:
    void Handle(SimClock::time_point at, Output& out);
    Frame ParameterReply(uint8_t kind, uint8_t echo) const;
    Frame MonitorReply(uint8_t kind, uint8_t echo);

    UnitImage image_;
    bool reply_;
    std::chrono::milliseconds monitorPeriod_;
    std::optional<MonitorRaw> fixedRaw_;

    // Reception: the host pads every frame to 90 bytes, and the unit takes the frame once its
    // whole 90-byte slot has arrived (or the host starts another frame, or falls silent).
    FrameScanner scanner_;
    bool havePrev_ = false;
    uint8_t prev_ = 0;
    std::vector<uint8_t> slot_;  // bytes from the latest header on
    bool pending_ = false;       // slot_ holds a complete frame waiting for its padding
    std::array<uint8_t, kReceivePayloadSize> payload_{};
    uint8_t n_ = 0;
    SimClock::time_point lastByteAt_{};

    // Monitor stream.
    bool streaming_ = false;
    uint8_t streamKind_ = 0;
    uint8_t streamEcho_ = 0;
    uint32_t streamStep_ = 0;
    SimClock::time_point nextMonitorAt_{};
};

}  // namespace orq
