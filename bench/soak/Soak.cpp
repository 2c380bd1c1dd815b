#include "Soak.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace soak {

std::optional<Usage> UsageOf(pid_t pid) {
    const std::string proc = pid == 0 ? "/proc/self" : "/proc/" + std::to_string(pid);
    Usage u;
    std::ifstream status(proc + "/status");
    bool haveRss = false;
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) {
            u.rssKb = std::stol(line.substr(6));
            haveRss = true;
        }
    // The command name, in parentheses, may hold spaces: the fields count from its end. utime and
    // stime are fields 14 and 15, in clock ticks.
    std::ifstream statFile(proc + "/stat");
    const std::string stat{std::istreambuf_iterator<char>(statFile), {}};
    const std::size_t close = stat.rfind(')');
    if (!haveRss || close == std::string::npos) return std::nullopt;
    std::istringstream fields(stat.substr(close + 1));
    std::string field;
    long ticks = 0;
    for (int n = 3; n <= 15 && fields >> field; ++n)
        if (n >= 14) ticks += std::stol(field);
    if (!fields) return std::nullopt;
    u.cpuSeconds = static_cast<double>(ticks) / static_cast<double>(::sysconf(_SC_CLK_TCK));
    return u;
}

void Meter::Mark() {
    if (const auto u = UsageOf(pid_)) {
        warm_ = *u;
        peakKb_ = u->rssKb;
        warmAt_ = Clock::now();
        marked_ = true;
    }
}

void Meter::Sample() {
    if (const auto u = UsageOf(pid_)) peakKb_ = std::max(peakKb_, u->rssKb);
}

void Meter::End(Figures& f) {
    const auto u = UsageOf(pid_);
    if (!marked_ || !u) return;
    peakKb_ = std::max(peakKb_, u->rssKb);
    f.rssWarmKb = warm_.rssKb;
    f.rssPeakKb = peakKb_;
    f.rssEndKb = u->rssKb;
    f.cpuSeconds = u->cpuSeconds - warm_.cpuSeconds;
    f.wallSeconds = std::chrono::duration<double>(Clock::now() - warmAt_).count();
}

int Reap(pid_t pid, std::chrono::milliseconds limit) {
    int status = 0;
    for (const auto end = Clock::now() + limit; ::waitpid(pid, &status, WNOHANG) == 0;) {
        if (Clock::now() > end) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

Unit::~Unit() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) ::close(out_);
}

bool Unit::Start(const std::filesystem::path& statsFile, std::string& error) {
    stats_ = statsFile;
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    std::vector<std::string> argv = {ORQ_SIM, "--pace", "--stats", stats_.string()};
    std::vector<char*> args;
    for (std::string& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&fa, out[1], 1);
    const int spawned = ::posix_spawn(&pid_, args[0], &fa, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    ::close(out[1]);
    out_ = out[0];
    if (spawned != 0) {
        pid_ = -1;
        error = std::string(ORQ_SIM) + ": " + std::strerror(spawned);
        return false;
    }
    // Its first line is the terminal's path.
    std::string text;
    for (const auto end = Clock::now() + std::chrono::seconds(5);
         text.find('\n') == std::string::npos && Clock::now() < end;) {
        pollfd p{out_, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        char buf[256];
        const ssize_t r = ::read(out_, buf, sizeof buf);
        if (r <= 0) break;
        text.append(buf, static_cast<std::size_t>(r));
    }
    if (const std::size_t nl = text.find('\n'); nl != std::string::npos) {
        device_ = text.substr(0, nl);
        return true;
    }
    error = "orq-sim did not say which terminal it is on";
    return false;
}

void Unit::EndStream() const {
    if (pid_ > 0) ::kill(pid_, SIGUSR1);
}

long Unit::Finish() {
    if (pid_ <= 0) return -1;
    ::kill(pid_, SIGTERM);
    const int status = Reap(pid_, std::chrono::seconds(5));
    pid_ = -1;
    if (status != 0) return -1;
    std::ifstream in(stats_);
    constexpr std::string_view kKey = "monitor_replies_sent=";
    for (std::string line; std::getline(in, line);)
        if (line.rfind(kKey, 0) == 0) return std::stol(line.substr(kKey.size()));
    return -1;
}

}  // namespace soak
