// The loop's sleep on Windows: WaitForMultipleObjects on an auto-reset event the wait thread sets
// and on the cancel event (set by the console's Ctrl+C handler).

#include <windows.h>

#include "link/SerialLoopTarget.h"

namespace orq {

namespace {
HANDLE AsHandle(std::intptr_t h) {
    return reinterpret_cast<HANDLE>(h);
}
}  // namespace

SerialLoop::Target::Target()
    : wake_(reinterpret_cast<std::intptr_t>(::CreateEventW(nullptr, FALSE, FALSE, nullptr))) {}

SerialLoop::Target::~Target() {
    if (wake_) ::CloseHandle(AsHandle(wake_));
}

void SerialLoop::Target::Wake() {
    ::SetEvent(AsHandle(wake_));
}

void SerialLoop::Target::Drain() {
    // An auto-reset event is reset by the wait that saw it.
}

SerialLoop::Target::Woken SerialLoop::Target::Wait(
    std::optional<std::chrono::steady_clock::time_point> deadline, CancelHandle cancel,
    std::error_code& error) {
    DWORD timeout = INFINITE;
    if (deadline) {
        const auto left = *deadline - std::chrono::steady_clock::now();
        const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
        timeout = static_cast<DWORD>(std::max<decltype(ms)>(0, ms));
    }
    const HANDLE handles[2] = {AsHandle(wake_), AsHandle(cancel)};
    const DWORD count = cancel != kNoCancel ? 2 : 1;
    switch (::WaitForMultipleObjects(count, handles, FALSE, timeout)) {
        case WAIT_OBJECT_0:
            return Woken::Notes;
        case WAIT_OBJECT_0 + 1:
            return Woken::Cancelled;
        case WAIT_TIMEOUT:
            return Woken::Timeout;
        default:
            error = std::error_code(static_cast<int>(::GetLastError()), std::system_category());
            return Woken::Failed;
    }
}

}  // namespace orq
