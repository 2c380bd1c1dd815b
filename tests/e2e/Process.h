#pragma once
// Runs our executables as a user would, with every wait bounded: a program that hangs fails its
// test (and is killed) instead of hanging the suite. Output goes to memory files, so a child never
// blocks on a full pipe and nothing needs draining.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace orq::test {

using namespace std::chrono_literals;

struct RunResult {
    int status = -1;  // exit status; -1 when it had to be killed or died of a signal
    std::string out, err;
};

class Child {
public:
    // Starts `argv` (a full path); settings such as "NAME=value" before it go into its environment.
    explicit Child(std::vector<std::string> argv) {
        if (argv[0].find('=') != std::string::npos) argv.insert(argv.begin(), "/usr/bin/env");
        std::vector<char*> args;
        for (std::string& a : argv) args.push_back(a.data());
        args.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, out_, 1);
        posix_spawn_file_actions_adddup2(&actions, err_, 2);
        if (out_ < 0 || err_ < 0 || posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Child() {
        if (pid_ > 0 && ::kill(pid_, SIGKILL) == 0) ::waitpid(pid_, nullptr, 0);
        ::close(out_);
        ::close(err_);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t pid() const { return pid_; }

    // The next line on stdout, without its newline; nothing when none comes in time.
    std::optional<std::string> ReadLine(std::chrono::milliseconds limit = 5s) {
        for (const auto end = std::chrono::steady_clock::now() + limit;
             std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(5ms)) {
            const std::string text = Text(out_);
            if (const auto nl = text.find('\n', lineStart_); nl != std::string::npos) {
                std::string line = text.substr(lineStart_, nl - lineStart_);
                lineStart_ = nl + 1;
                return line;
            }
        }
        return std::nullopt;
    }

    // Waits for the exit and collects both streams; kills the child if it outlives `limit`.
    RunResult Finish(std::chrono::milliseconds limit = 30s) {
        RunResult r;
        int status = 0;
        const auto end = std::chrono::steady_clock::now() + limit;
        while (pid_ > 0 && ::waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > end) ::kill(pid_, SIGKILL);
            std::this_thread::sleep_for(5ms);
        }
        if (pid_ > 0 && WIFEXITED(status)) r.status = WEXITSTATUS(status);
        pid_ = -1;
        r.out = Text(out_);
        r.err = Text(err_);
        return r;
    }

private:
    static std::string Text(int fd) {
        std::string text;
        char buf[4096];
        for (ssize_t n; (n = ::pread(fd, buf, sizeof buf, static_cast<off_t>(text.size()))) > 0;)
            text.append(buf, static_cast<std::size_t>(n));
        return text;
    }

    int out_ = ::memfd_create("stdout", MFD_CLOEXEC);
    int err_ = ::memfd_create("stderr", MFD_CLOEXEC);
    pid_t pid_ = -1;
    std::size_t lineStart_ = 0;
};

inline RunResult Run(const std::vector<std::string>& argv, std::chrono::milliseconds limit = 30s) {
    return Child(argv).Finish(limit);
}

// A fresh folder per test, removed afterwards.
class InTempDir : public ::testing::Test {
protected:
    void SetUp() override {
        std::string name = std::filesystem::temp_directory_path() / "orq-e2e-XXXXXX";
        ASSERT_NE(::mkdtemp(name.data()), nullptr);
        dir_ = name;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path dir_;
};

}  // namespace orq::test
