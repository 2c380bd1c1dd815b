#pragma once
// A simulated unit on a pseudo-terminal of its own. The host opens DevicePath() like any serial
// port. Several may run in one process; each has its own terminal, thread and parameter image.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "sim/UnitModel.h"

namespace orq {

// What a hostile line and an unwell unit do to the host: each fault on its own or together.
struct SimFaults {
    // The terminal disappears (an adapter pulled out) once this many replies have gone out,
    // before the next one; with `midReply` halfway through the last of them instead.
    std::optional<uint32_t> unplugAfterReplies{};
    bool midReply = false;
    uint32_t noise = 0;    // random bytes before every reply
    uint32_t garbage = 0;  // one burst of random bytes before the first reply (<= 100 KB)
    std::chrono::microseconds drip{0};  // one reply byte every this long
    bool slice = false;                 // replies written in small random pieces
    enum class Corrupt { None, Check, Echo, Kind } corrupt = Corrupt::None;  // every reply
    bool silentAfterFirstReply = false;  // answers once, then never again
    uint32_t seed = 1;                   // for the random bytes and pieces
};

struct SimOptions {
    UnitImage image;      // what the unit holds at start
    std::string logPath;  // append each host frame as a hex line here; empty: no log
    bool pace = false;    // carry bytes at 9600 baud 8N1 in both directions
    bool reply = true;    // false: a silent port that hears but never answers
    std::chrono::milliseconds monitorPeriod{100};
    std::optional<MonitorRaw> monitorRaw{};  // fixed monitor values instead of the sweep
    SimFaults faults{};
};

// The image of a unit fresh from All Data Reset, with the given DeviceState.
UnitImage FactoryImage(int8_t deviceState = 0);

class SimUnit {
public:
    explicit SimUnit(SimOptions options);
    ~SimUnit();
    SimUnit(const SimUnit&) = delete;
    SimUnit& operator=(const SimUnit&) = delete;

    // Opens a new pseudo-terminal and starts answering on it. On failure returns false with a
    // one-line reason in `error`, and nothing is left open.
    bool Start(std::string& error);
    // Stops answering and closes the terminal: a host still on it sees a hang-up, as when an
    // adapter is unplugged. Harmless when not running.
    void Stop();

    // Ends the monitor stream as a host frame with another ReplyMode would, without a reply;
    // what is already on its way still goes out. Safe from any thread, though not at the same
    // time as Start or Stop; does nothing when not running.
    void EndStream();

    bool Running() const { return worker_.joinable(); }
    // The slave side the host opens, e.g. /dev/pts/7; empty until started.
    const std::string& DevicePath() const { return devicePath_; }
    // What the unit holds now (taken under a lock: the terminal thread changes it).
    UnitImage Image() const;
    // Monitor replies put on the line so far, each counted once its last byte has gone out: a
    // reply cut short by Stop or an unplug was never sent.
    uint32_t MonitorReplies() const { return monitorReplies_.load(); }
    // The unit pulled itself out (SimFaults::unplugAfterReplies).
    bool Unplugged() const { return unplugged_.load(); }

private:
    struct Line;
    // The terminal thread: hears the host, lets the model answer, puts the answers on the line
    // as the faults make them, and waits for whatever comes next.
    void Run();
    // The frames heard go to the log, one line each, and Image() follows the model.
    void Record(const UnitModel& model, std::vector<std::string>& log);
    // Writes what is due on the line; false when the thread ends (unplugged, or the terminal
    // gone).
    bool Transmit(Line& line, SimClock::time_point now);
    // Waits until `until`, a byte from the host, room to write, or a wake, and takes what the
    // host sent; false when the thread ends.
    bool Listen(Line& line, std::optional<SimClock::time_point> until);

    SimOptions options_;
    std::string devicePath_;
    int master_ = -1;
    int slave_ = -1;  // held open so the master never sees a hang-up between host sessions
    int wake_ = -1;   // eventfd: Stop() ends the thread's wait
    int log_ = -1;
    std::thread worker_;

    std::atomic<uint32_t> monitorReplies_{0};
    // Why the thread was woken: both travel through `wake_`.
    std::atomic<bool> stopping_{false};
    std::atomic<bool> endStream_{false};
    std::atomic<bool> unplugged_{false};
    mutable std::mutex imageLock_;
    UnitImage image_;  // copy of the model's image, refreshed by the thread
};

}  // namespace orq
