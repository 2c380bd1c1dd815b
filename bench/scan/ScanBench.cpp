// Figures for the connection scan against simulated units that pace the line at 9600 baud:
//  (a) scan start to connected on an answering port, against the physical limit of two 90-byte
//      frames on the line (probe out, reply back: 180 bytes x 10 bits / 9600 baud = 187.5 ms);
//  (b) CPU time of the scanning process over two silent ports, as a share of the scan's wall time
//      (the port's wait thread included: it is part of the scan's cost);
//  (c) a whole `orqctl read`, process start to exit, against its floor on the line: the probe
//      and its reply (187.5 ms) and the closing request (90 bytes, 93.75 ms) that must leave the
//      port before it closes; then the same with ten silent ports listed before the unit's.
// The simulated units run as separate orq-sim processes so that their CPU time is not counted.
// The last line gives the figures as name=value pairs.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "link/SerialLoop.h"
#include "serial/SerialPort.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kPhysicalLimitMs = 180 * 10 * 1000.0 / 9600;
constexpr double kReadFloorMs = 270 * 10 * 1000.0 / 9600;

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

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Wall time of one `orqctl read` over `ports`, in ms; negative when it failed.
double TimedRead(const std::string& ports, const std::string& dataHome) {
    std::vector<std::string> env = {"ORQ_PORTS=" + ports, "XDG_DATA_HOME=" + dataHome};
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string prog = ORQ_CTL, cmd = "read", o = "-o", out = "/dev/null";
    char* argv[] = {prog.data(), cmd.data(), o.data(), out.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const auto start = Clock::now();
    const int spawned = posix_spawn(&pid, ORQ_CTL, &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    ::waitpid(pid, &status, 0);
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ms : -1;
}

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
            orq::UnitSession session;
            orq::SerialLoop loop(session);
            const auto start = Clock::now();
            const bool ok = loop.Search(orq::PortsFromList(unit.path())) == orq::ScanEnd::Connected;
            const auto end = Clock::now();
            if (!ok) {
                std::fprintf(stderr, "scan_bench: the paced unit did not answer\n");
                return 1;
            }
            ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
            // Let the follow-up request's reply clear the line before the next run.
            loop.WaitFor([] { return false; }, std::chrono::milliseconds(300));
        }
    }
    std::sort(ms.begin(), ms.end());
    const double median = Median(ms);
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

    double cpuShare = 0;
    {
        Sim a({"--pace", "--no-reply"});
        Sim b({"--pace", "--no-reply"});
        orq::UnitSession session;
        orq::SerialLoop loop(session);
        const double cpu0 = CpuSeconds();
        const auto start = Clock::now();
        static_cast<void>(loop.Search(orq::PortsFromList(a.path() + ":" + b.path())));
        const double wall = std::chrono::duration<double>(Clock::now() - start).count();
        const double cpu = CpuSeconds() - cpu0;
        std::printf(
            "(b) scan over two silent ports: wall %.2f s, CPU %.1f ms, share %.2f %% "
            "(target <= 2 %%)\n",
            wall, cpu * 1000, 100 * cpu / wall);
        cpuShare = cpu / wall;
    }

    char home[] = "/tmp/orq-scan-bench-XXXXXX";
    if (::mkdtemp(home) == nullptr) {
        std::fprintf(stderr, "scan_bench: no temporary folder for the backups\n");
        return 1;
    }
    double alone = 0, behind = 0;
    {
        Sim unit({"--pace"});
        std::vector<std::unique_ptr<Sim>> silent;
        std::string before;
        for (int i = 0; i < 10; ++i) {
            silent.push_back(
                std::make_unique<Sim>(std::vector<std::string>{"--pace", "--no-reply"}));
            before += silent.back()->path() + ":";
        }
        std::vector<double> a, b;
        // Alternating, so that a change in the machine's load meets both alike.
        for (int i = 0; i < kRuns; ++i) {
            a.push_back(TimedRead(unit.path(), home));
            b.push_back(TimedRead(before + unit.path(), home));
        }
        if (*std::min_element(a.begin(), a.end()) < 0 ||
            *std::min_element(b.begin(), b.end()) < 0) {
            std::fprintf(stderr, "scan_bench: orqctl read failed\n");
            return 1;
        }
        alone = Median(a);
        behind = Median(b);
        std::sort(a.begin(), a.end());
        std::sort(b.begin(), b.end());
        std::printf(
            "(c) orqctl read, process start to exit, %d runs: median %.1f ms (min %.1f, max %.1f)\n"
            "    behind ten silent ports: median %.1f ms (min %.1f, max %.1f)\n"
            "    floor on the line %.2f ms; ratios %.3f (target <= 1.1) and %.3f (target <= 1.2)\n",
            kRuns, alone, a.front(), a.back(), behind, b.front(), b.back(), kReadFloorMs,
            alone / kReadFloorMs, behind / kReadFloorMs);
    }
    std::filesystem::remove_all(home);
    std::printf(
        "scan_vs_limit=%.3f scan_cpu_share=%.4f read_ms=%.1f read_behind_10_silent_ms=%.1f "
        "read_vs_floor=%.3f read_behind_10_silent_vs_floor=%.3f\n",
        median / kPhysicalLimitMs, cpuShare, alone, behind, alone / kReadFloorMs,
        behind / kReadFloorMs);
    return 0;
}
