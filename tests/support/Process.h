#pragma once
// Runs our executables as a user would, every wait bounded: a program that hangs fails its test
// (and is killed) instead of hanging the suite. Output goes to memory files, so a child never
// blocks on a full pipe.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/Files.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace orq::test {

using namespace std::chrono_literals;

struct RunResult {
    int status = -1;  // exit status; -1 when it had to be killed or died of a signal
    std::string out, err;
};

class Child {
public:
    // Starts `argv` (a full path); "NAME=value" words before it go into its environment.
    explicit Child(std::vector<std::string> argv) {
        if (argv[0].find('=') != std::string::npos) argv.insert(argv.begin(), "/usr/bin/env");
        std::vector<char*> args;
        for (std::string& a : argv) args.push_back(a.data());
        args.push_back(nullptr);
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&fa, out_, 1);
        posix_spawn_file_actions_adddup2(&fa, err_, 2);
        if (posix_spawn(&pid_, args[0], &fa, nullptr, args.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&fa);
    }
    ~Child() {
        if (pid_ > 0 && ::kill(pid_, SIGKILL) == 0) ::waitpid(pid_, nullptr, 0);
        ::close(out_), ::close(err_);
    }
    Child(const Child&) = delete;
    pid_t pid() const { return pid_; }

    // The next line on stdout, without its newline; nothing when none comes in time.
    std::optional<std::string> ReadLine(std::chrono::milliseconds limit = 5s) {
        for (const auto end = Now() + limit; Now() < end; std::this_thread::sleep_for(5ms)) {
            const std::string text = Text(out_);
            if (const auto nl = text.find('\n', read_); nl != std::string::npos)
                return text.substr(0, nl).substr(std::exchange(read_, nl + 1));
        }
        return std::nullopt;
    }

    // Waits for the exit and collects both streams; kills the child if it outlives `limit`.
    RunResult Finish(std::chrono::milliseconds limit = 30s) {
        int status = 0;
        for (const auto end = Now() + limit; pid_ > 0 && ::waitpid(pid_, &status, WNOHANG) == 0;) {
            if (Now() > end) ::kill(pid_, SIGKILL);
            std::this_thread::sleep_for(5ms);
        }
        const bool exited = pid_ > 0 && WIFEXITED(status);
        pid_ = -1;
        return {exited ? WEXITSTATUS(status) : -1, Text(out_), Text(err_)};
    }

private:
    static std::chrono::steady_clock::time_point Now() { return std::chrono::steady_clock::now(); }
    static std::string Text(int fd) {
        std::string text(1 << 16, '\0');
        text.resize(static_cast<std::size_t>(
            std::max<ssize_t>(0, ::pread(fd, text.data(), text.size(), 0))));
        return text;
    }

    int out_ = ::memfd_create("stdout", MFD_CLOEXEC), err_ = ::memfd_create("stderr", MFD_CLOEXEC);
    pid_t pid_ = -1;
    std::size_t read_ = 0;
};

inline RunResult Run(const std::vector<std::string>& argv, std::chrono::milliseconds limit = 30s) {
    return Child(argv).Finish(limit);
}

}  // namespace orq::test
