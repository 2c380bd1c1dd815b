#pragma once
// What the two halves of the soak share: the unit as an `orq-sim --pace` child process, a meter
// for one process's memory and CPU, and the figures each half hands back. No Qt here: the
// orqctl half builds without the GUI.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

namespace soak {

using Clock = std::chrono::steady_clock;

struct Plan {
    std::chrono::seconds length{60};  // of the stream, warm-up included
    std::chrono::seconds warmUp{6};   // memory and CPU count from here
    // After the unit ends its stream: its last reply (94 ms at the line's pace) is through and
    // the host has had time to take it. Well under orqctl's 3 s before it calls a unit stalled.
    std::chrono::milliseconds drain{1000};
    std::filesystem::path dir;  // scratch: the unit's statistics, orqctl's backups
};

struct Figures {
    long rssWarmKb = 0;                      // resident when the warm-up ended
    long rssPeakKb = 0;                      // the most resident since
    long rssEndKb = 0;                       // resident when the stream ended
    double cpuSeconds = 0, wallSeconds = 0;  // from the warm-up to the end of the stream
    long sent = -1;                          // monitor replies the unit sent whole
    long shown = 0;                          // decoded and shown by the host

    double GrowthMb() const { return static_cast<double>(rssPeakKb - rssWarmKb) / 1024.0; }
    double CpuShare() const { return wallSeconds > 0 ? cpuSeconds / wallSeconds : 0; }
    long Lost() const { return sent - shown; }
};

struct Usage {
    long rssKb = 0;
    double cpuSeconds = 0;  // user and system, every thread
};
// From /proc, for a child and for ourselves alike, so the two halves measure the same way.
std::optional<Usage> UsageOf(pid_t pid);

// Samples a process: Mark at the end of the warm-up, Sample about once a second after it, End
// when the stream ends.
class Meter {
public:
    explicit Meter(pid_t pid) : pid_(pid) {}
    bool Marked() const { return marked_; }
    void Mark();
    void Sample();
    void End(Figures& f);

private:
    pid_t pid_;
    bool marked_ = false;
    Usage warm_;
    long peakKb_ = 0;
    Clock::time_point warmAt_;
};

// The unit: `orq-sim --pace --stats FILE` in a process of its own, so that its CPU is not ours.
class Unit {
public:
    Unit() = default;
    ~Unit();
    Unit(const Unit&) = delete;
    Unit& operator=(const Unit&) = delete;

    // Starts it and waits for its terminal's path; false with a reason otherwise.
    bool Start(const std::filesystem::path& statsFile, std::string& error);
    const std::string& Device() const { return device_; }
    // SIGUSR1: the stream ends at the unit, whatever the host does; replies on their way still
    // go out whole.
    void EndStream() const;
    // SIGTERM, then the monitor replies it says it sent whole; -1 when it did not say.
    long Finish();

private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::filesystem::path stats_;
    std::string device_;
};

// Waits for a child to end, up to `limit`; its exit status, or -1 when it did not exit on its
// own (then it has been killed).
int Reap(pid_t pid, std::chrono::milliseconds limit);

// Each half streams for plan.length and hands back its figures, or nothing with a reason in
// `error` when it could not run to the end.
std::optional<Figures> RunOrqctl(const Plan& plan, std::string& error);
std::optional<Figures> RunMonitorPage(int argc, char** argv, const Plan& plan, std::string& error);

}  // namespace soak
