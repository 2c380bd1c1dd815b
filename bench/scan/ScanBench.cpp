// Figures for the connection scan against simulated units that pace the line at 9600 baud:
//  (a) scan start to connected on an answering port, against the physical limit of two 90-byte
//      frames on the line (probe out, reply back: 180 bytes x 10 bits / 9600 baud = 187.5 ms);
//  (b) CPU time of the scanning process over two silent ports, as a share of the scan's wall time
//      (the port's wait thread included: it is part of the scan's cost).
// The simulated units run as separate orq-sim processes so that their CPU time is not counted.

#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "link/ConnectScan.h"
#include "link/SerialLoop.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kPhysicalLimitMs = 180 * 10 * 1000.0 / 9600;

// One orq-sim process; its terminal path is read from its first line of output.
class Sim {
public:
    explicit Sim(std::vector<std::string> args) {
        int out[2];
        if (::pipe(out) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        args.insert(args.begin(), ORQ_SIM);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, ORQ_SIM, &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        char c;
        while (::read(out[0], &c, 1) == 1 && c != '\n') path_.push_back(c);
        ::close(out[0]);
    }
    ~Sim() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& path() const { return path_; }

private:
    pid_t pid_ = -1;
    std::string path_;
};

double CpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main() {
    constexpr int kRuns = 10;
    std::vector<double> ms;
    {
        Sim unit({"--pace"});
        if (unit.path().empty()) {
            std::fprintf(stderr, "scan_bench: orq-sim did not start\n");
            return 1;
        }
        for (int i = 0; i < kRuns; ++i) {
            orq::HostSession h;
            const auto start = Clock::now();
            const bool ok =
                h.loop.Scan(h.scan, orq::PortsFromList(unit.path())) == orq::ScanEnd::Connected;
            const auto end = Clock::now();
            if (!ok) {
                std::fprintf(stderr, "scan_bench: the paced unit did not answer\n");
                return 1;
            }
            ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
            // Let the follow-up request's reply clear the line before the next run.
            h.loop.WaitFor([] { return false; }, std::chrono::milliseconds(300));
        }
    }
    std::sort(ms.begin(), ms.end());
    const double median = (ms[kRuns / 2 - 1] + ms[kRuns / 2]) / 2;
    std::printf(
        "(a) scan start to connected, paced unit, %d runs: median %.1f ms (min %.1f, max "
        "%.1f)\n    physical limit %.1f ms; ratio %.2f (target <= 1.3)\n",
        kRuns, median, ms.front(), ms.back(), kPhysicalLimitMs, median / kPhysicalLimitMs);
    // A receive pass ends only after the read's silence interval, so the reply's last bytes reach
    // the scan that much after they are on the line.
    const double floorMs = kPhysicalLimitMs + orq::SerialPort::kReadIntervalMs;
    std::printf(
        "    with the receive pass's %d ms silence the floor is %.1f ms; ratio to it %.3f\n",
        orq::SerialPort::kReadIntervalMs, floorMs, median / floorMs);

    {
        Sim a({"--pace", "--no-reply"});
        Sim b({"--pace", "--no-reply"});
        orq::HostSession h;
        const double cpu0 = CpuSeconds();
        const auto start = Clock::now();
        h.loop.Scan(h.scan, orq::PortsFromList(a.path() + ":" + b.path()));
        const double wall = std::chrono::duration<double>(Clock::now() - start).count();
        const double cpu = CpuSeconds() - cpu0;
        std::printf(
            "(b) scan over two silent ports: wall %.2f s, CPU %.1f ms, share %.2f %% "
            "(target <= 2 %%)\n",
            wall, cpu * 1000, 100 * cpu / wall);
    }
    return 0;
}
