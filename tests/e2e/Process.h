#pragma once
// Runs our executables as a user would, with every wait bounded: a program that hangs fails its
// test (and is killed) instead of hanging the suite.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace orq::test {

struct RunResult {
    int status = -1;  // exit status; -1 when it had to be killed or died of a signal
    std::string out;
    std::string err;
};

class Child {
public:
    // Starts `argv` with the current environment plus `env`.
    Child(const std::vector<std::string>& argv,
          const std::map<std::string, std::string>& env = {}) {
        int out[2], err[2];
        if (::pipe2(out, O_CLOEXEC) != 0) return;
        if (::pipe2(err, O_CLOEXEC) != 0) {
            ::close(out[0]);
            ::close(out[1]);
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);

        std::vector<std::string> envStrings;
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string entry = *e;
            const std::string name = entry.substr(0, entry.find('='));
            if (env.count(name) == 0) envStrings.push_back(entry);
        }
        for (const auto& [name, value] : env) envStrings.push_back(name + "=" + value);
        std::vector<char*> envp, args;
        for (auto& s : envStrings) envp.push_back(s.data());
        envp.push_back(nullptr);
        std::vector<std::string> argCopy = argv;
        for (auto& s : argCopy) args.push_back(s.data());
        args.push_back(nullptr);

        if (posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), envp.data()) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(err[1]);
        out_ = out[0];
        err_ = err[0];
    }
    ~Child() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) ::close(out_);
        if (err_ >= 0) ::close(err_);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool ok() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }

    // The next line on stdout, without its newline; nothing when none comes in time.
    std::optional<std::string> ReadLine(std::chrono::milliseconds limit = std::chrono::seconds(5)) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        for (;;) {
            const auto nl = outText_.find('\n');
            if (nl != std::string::npos) {
                std::string line = outText_.substr(0, nl);
                outText_.erase(0, nl + 1);
                return line;
            }
            if (!Pump(deadline, true)) return std::nullopt;
        }
    }

    // Waits for the exit, collecting both streams; kills the child if it outlives `limit`.
    RunResult Finish(std::chrono::milliseconds limit = std::chrono::seconds(30)) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (out_ >= 0 || err_ >= 0) {
            if (!Pump(deadline, false)) break;
        }
        RunResult r;
        if (out_ >= 0 || err_ >= 0) ::kill(pid_, SIGKILL);
        int status = 0;
        if (::waitpid(pid_, &status, 0) == pid_ && WIFEXITED(status))
            r.status = WEXITSTATUS(status);
        pid_ = -1;
        r.out = std::move(outText_);
        r.err = std::move(errText_);
        return r;
    }

private:
    // One bounded wait on whichever streams are open; false at the deadline or when the one
    // stream asked for has closed.
    bool Pump(std::chrono::steady_clock::time_point deadline, bool stdoutOnly) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd p[2] = {{out_, POLLIN, 0}, {stdoutOnly ? -1 : err_, POLLIN, 0}};
        if (out_ < 0 && (stdoutOnly || err_ < 0)) return false;
        if (::poll(p, 2, static_cast<int>(left.count()) + 1) < 0) return false;
        Drain(p[0], out_, outText_);
        Drain(p[1], err_, errText_);
        return !(stdoutOnly && out_ < 0);
    }
    static void Drain(const pollfd& p, int& fd, std::string& text) {
        if (fd < 0 || p.revents == 0) return;
        char buf[4096];
        const ssize_t r = ::read(fd, buf, sizeof buf);
        if (r > 0) {
            text.append(buf, static_cast<std::size_t>(r));
        } else {
            ::close(fd);
            fd = -1;
        }
    }

    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    std::string outText_;
    std::string errText_;
};

inline RunResult Run(const std::vector<std::string>& argv,
                     const std::map<std::string, std::string>& env = {},
                     std::chrono::milliseconds limit = std::chrono::seconds(30)) {
    Child child(argv, env);
    if (!child.ok()) return {};
    return child.Finish(limit);
}

}  // namespace orq::test
