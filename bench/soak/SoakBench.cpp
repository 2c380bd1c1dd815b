// The monitor stream for minutes on end at the line's own pace, shown by each of our two hosts
// in turn: `orqctl monitor` (a child process printing one line per reply into a pipe) and the
// Setup wizard's Monitor page (in this process, offscreen). The unit is `orq-sim --pace`, a
// process of its own, streaming a reply about every 100 ms at 9600 baud. For each host:
//
//   rss_growth_mb  how far its resident memory rose above what it was at the end of the warm-up
//                  (the first tenth of the run, at least 5 s), its highest reading after that
//                  (sampled every second) counting: a leak shows as a climb, whatever it frees
//                  at the very end;
//   cpu_share      the CPU it used from the end of the warm-up to the end of the stream, as a
//                  FRACTION of one core (0.02 is 2 %), every thread counted, read from /proc the
//                  same way for the child and for ourselves;
//   frames_lost    monitor replies the unit sent whole (its --stats count) minus the replies
//                  the host decoded and showed (orqctl's lines, the page's RepliesShown()).
//
// The end is ordered so that the two counts cover the same replies: the unit ends its stream
// first (SIGUSR1), so none can follow; the host is left to take what was on its way for a
// second (the last reply needs 94 ms on the line); only then is the host's count read and the
// host stopped; the unit reports last, on SIGTERM. Stopping the host first would leave a reply
// or two in flight, sent but never shown, and count them as lost.
//
// The last line holds name=value pairs: gui_* and cli_* for each host, and the plain names
// rss_growth_mb, cpu_share and frames_lost for the worse of the two (the larger growth and share,
// the count farthest from zero), which is what a soak has to keep within 1 MB, 0.02 and 0.
//
//     build/release/bench/soak/soak_bench [SECONDS] [gui|cli]
//
// SECONDS is the length of each host's stream (default 60; the full soak is 600). The Monitor
// page runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise. Figures only:
// nothing here passes or fails.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "Soak.h"

namespace soak {

namespace {

using namespace std::chrono_literals;

// orqctl's output: one line per reply it decoded.
class Lines {
public:
    explicit Lines(int fd) : fd_(fd) { ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK); }
    ~Lines() { ::close(fd_); }
    Lines(const Lines&) = delete;
    Lines& operator=(const Lines&) = delete;

    long Count() const { return count_; }
    bool Ended() const { return ended_; }
    // Reads what comes until `until` or the end of the output.
    void Take(Clock::time_point until) {
        while (!ended_) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now());
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(std::max<long>(0, left.count()))) > 0) {
                char buf[4096];
                const ssize_t r = ::read(fd_, buf, sizeof buf);
                if (r == 0) ended_ = true;
                if (r > 0) count_ += std::count(buf, buf + r, '\n');
            }
            if (Clock::now() >= until) return;
        }
    }

private:
    int fd_;
    long count_ = 0;
    bool ended_ = false;
};

std::string ReadText(const std::filesystem::path& p) {
    std::ifstream in(p);
    return {std::istreambuf_iterator<char>(in), {}};
}

double Mb(long kb) {
    return static_cast<double>(kb) / 1024.0;
}

void Print(const char* who, const Figures& f) {
    std::printf(
        "%s: resident %.2f MB when warm, %.2f MB at most after that, %.2f MB at the end: "
        "grew %.3f MB\n",
        who, Mb(f.rssWarmKb), Mb(f.rssPeakKb), Mb(f.rssEndKb), f.GrowthMb());
    std::printf("%s: CPU %.2f s in %.1f s of streaming: %.3f %% of one core\n", who, f.cpuSeconds,
                f.wallSeconds, 100.0 * f.CpuShare());
    std::printf("%s: monitor replies the unit sent whole %ld, decoded and shown %ld: %ld lost\n",
                who, f.sent, f.shown, f.Lost());
    std::fflush(stdout);
}

}  // namespace

std::optional<Figures> RunOrqctl(const Plan& plan, std::string& error) {
    Unit unit;
    if (!unit.Start(plan.dir / "orqctl-unit.stats", error)) return std::nullopt;

    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return std::nullopt;
    }
    // Its backups of the unit's set go to the scratch folder, not the user's.
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        if (std::string_view(*e).rfind("XDG_DATA_HOME=", 0) != 0) env.emplace_back(*e);
    env.push_back("XDG_DATA_HOME=" + plan.dir.string());
    std::vector<std::string> argv = {ORQCTL, "monitor", "-p", unit.Device()};
    std::vector<char*> args, envp;
    for (std::string& a : argv) args.push_back(a.data());
    for (std::string& e : env) envp.push_back(e.data());
    args.push_back(nullptr);
    envp.push_back(nullptr);
    const std::string errFile = (plan.dir / "orqctl.err").string();
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&fa, out[1], 1);
    posix_spawn_file_actions_addopen(&fa, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, args[0], &fa, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&fa);
    ::close(out[1]);
    Lines lines(out[0]);
    if (spawned != 0) {
        error = std::string(ORQCTL) + ": " + std::strerror(spawned);
        return std::nullopt;
    }

    Figures f;
    Meter meter(pid);
    const auto start = Clock::now();
    for (auto tick = start + 1s; tick < start + plan.length && !lines.Ended(); tick += 1s) {
        lines.Take(tick);
        if (tick >= start + plan.warmUp) meter.Marked() ? meter.Sample() : meter.Mark();
    }
    lines.Take(start + plan.length);
    if (lines.Ended()) {
        const int status = Reap(pid, 5s);
        error =
            "orqctl monitor ended after " +
            std::to_string(
                std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - start).count()) +
            " s with status " + std::to_string(status) + ": " + ReadText(errFile);
        return std::nullopt;
    }
    meter.End(f);

    unit.EndStream();
    lines.Take(Clock::now() + plan.drain);
    f.shown = lines.Count();
    // Ctrl+C: orqctl switches the stream off (the unit acknowledges) and ends.
    ::kill(pid, SIGINT);
    lines.Take(Clock::now() + 5s);
    const int status = Reap(pid, 5s);
    f.sent = unit.Finish();
    if (f.sent < 0) {
        error = "orq-sim did not say how many replies it sent";
        return std::nullopt;
    }
    if (status != 0)
        std::printf("orqctl monitor: exit status %d after Ctrl+C: %s\n", status,
                    ReadText(errFile).c_str());
    if (lines.Count() != f.shown)
        std::printf("orqctl monitor: %ld more lines after the stream had ended\n",
                    lines.Count() - f.shown);
    return f;
}

}  // namespace soak

int main(int argc, char** argv) {
    using namespace soak;
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    const std::string only = argc > 2 ? argv[2] : "";
    if (seconds < 10 || (only != "" && only != "gui" && only != "cli")) {
        std::fprintf(stderr, "usage: soak_bench [SECONDS, 10 or more] [gui|cli]\n");
        return 2;
    }
    Plan plan;
    plan.length = std::chrono::seconds(seconds);
    plan.warmUp = std::chrono::seconds(std::max(5, seconds / 10));
    std::string scratch = (std::filesystem::temp_directory_path() / "orq-soak-XXXXXX").string();
    if (!::mkdtemp(scratch.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    plan.dir = scratch;

    std::printf(
        "soak: %d s of the monitor stream for each host, orq-sim --pace at 9600 baud (a reply "
        "every 100 ms); memory and CPU counted after the first %lld s\n",
        seconds, static_cast<long long>(plan.warmUp.count()));
    std::fflush(stdout);
    struct Result {
        const char* prefix;
        Figures f;
    };
    std::vector<Result> results;
    std::string error;
    bool failed = false;
    if (only != "gui") {
        if (const auto f = RunOrqctl(plan, error)) {
            Print("orqctl monitor", *f);
            results.push_back({"cli_", *f});
        } else {
            std::fprintf(stderr, "soak_bench: orqctl monitor: %s\n", error.c_str());
            failed = true;
        }
    }
    if (only != "cli") {
#ifdef ORQ_SOAK_GUI
        if (const auto f = RunMonitorPage(argc, argv, plan, error)) {
            Print("Monitor page", *f);
            results.push_back({"gui_", *f});
        } else {
            std::fprintf(stderr, "soak_bench: Monitor page: %s\n", error.c_str());
            failed = true;
        }
#else
        std::printf("Monitor page: not built (no GUI in this build)\n");
#endif
    }
    std::filesystem::remove_all(plan.dir);
    if (failed || results.empty()) return 1;

    const Result* worstGrowth = &results.front();
    const Result* worstCpu = &results.front();
    const Result* worstLost = &results.front();
    std::string line;
    char pair[160];
    for (const Result& r : results) {
        std::snprintf(pair, sizeof pair,
                      "%srss_growth_mb=%.3f %scpu_share=%.4f %sframes_sent=%ld %sframes_lost=%ld ",
                      r.prefix, r.f.GrowthMb(), r.prefix, r.f.CpuShare(), r.prefix, r.f.sent,
                      r.prefix, r.f.Lost());
        line += pair;
        if (r.f.GrowthMb() > worstGrowth->f.GrowthMb()) worstGrowth = &r;
        if (r.f.CpuShare() > worstCpu->f.CpuShare()) worstCpu = &r;
        if (std::labs(r.f.Lost()) > std::labs(worstLost->f.Lost())) worstLost = &r;
    }
    std::snprintf(pair, sizeof pair, "rss_growth_mb=%.3f cpu_share=%.4f frames_lost=%ld",
                  worstGrowth->f.GrowthMb(), worstCpu->f.CpuShare(), worstLost->f.Lost());
    std::printf(
        "cpu_share is a fraction of one core; the names without a prefix are the worse "
        "host's\n");
    std::printf("seconds=%d %s%s\n", seconds, line.c_str(), pair);
    std::fflush(stdout);
    return 0;
}
