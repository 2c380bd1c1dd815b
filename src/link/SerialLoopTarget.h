#pragma once
// Private to the loop's sources: the notify target a SerialLoop gives the port. The wait thread
// queues its notes and wakes the loop; how the loop sleeps and is woken is the system's own.

#include <cstdint>
#include <mutex>
#include <optional>
#include <system_error>
#include <vector>

#include "link/SerialLoop.h"

namespace orq {

class SerialLoop::Target : public NotifyTarget {
public:
    struct Note {
        uint32_t message;
        int32_t portNumber;
    };
    enum class Woken { Notes, Timeout, Cancelled, Failed };

    Target();
    ~Target() override;
    Target(const Target&) = delete;
    Target& operator=(const Target&) = delete;

    // The wait thread. Notes already waiting have woken the loop, and it takes every note when it
    // wakes: under a fast stream that saves a system call on each side for every pass.
    void Post(uint32_t message, int32_t portNumber, intptr_t) override {
        bool wake = false;
        {
            std::lock_guard lock(lock_);
            wake = notes_.empty();
            notes_.push_back({message, portNumber});
        }
        if (wake) Wake();
    }

    // The loop: sleeps until a note, `cancel` or `deadline` (none: no limit). Failed sets `error`.
    Woken Wait(std::optional<std::chrono::steady_clock::time_point> deadline, CancelHandle cancel,
               std::error_code& error);

    std::vector<Note> Take() {
        Drain();
        std::lock_guard lock(lock_);
        std::vector<Note> taken;
        taken.swap(notes_);
        return taken;
    }

private:
    void Wake();
    void Drain();  // the wake-up has been seen

    std::intptr_t wake_;  // an eventfd, or an event handle
    std::mutex lock_;
    std::vector<Note> notes_;
};

}  // namespace orq
