#pragma once
// What the serial port's wait thread tells the user interface, and how it reaches it.

#include <cstdint>
#include <span>

namespace orq {

// Notification numbers; the first parameter of each is the port number. The port watches no
// modem line and reports no line error: the unit uses none, and no window would act on them.
inline constexpr uint32_t WM_SERIAL_RECEIVE = 1642;  // second parameter 0
// The device went away (adapter unplugged, pty master closed). Posted once; the port then
// reports itself closed to writers and waits for ClosePort.
inline constexpr uint32_t WM_SERIAL_REMOVED = 1660;

// Receives the port's notifications. Post is called on the wait thread and must not block: the
// GUI queues an event for its own thread, orqctl wakes its loop. The port holds its target
// weakly, so the owner may drop or replace it at any moment; a target that is gone is skipped.
// The last reference to a target can be released on the wait thread, just after a Post.
class NotifyTarget {
public:
    virtual ~NotifyTarget() = default;
    virtual void Post(uint32_t message, int32_t portNumber, intptr_t param) = 0;
};

// Sees every byte the port takes for writing and every byte it reads, for a trace of a session.
// Sent is called on the thread that writes, Received on the wait thread (or the reader's): a tap
// must be thread-safe, must not block for long, and must not call back into the port.
class PortTap {
public:
    virtual ~PortTap() = default;
    virtual void Sent(std::span<const uint8_t> bytes) = 0;
    virtual void Received(std::span<const uint8_t> bytes) = 0;
};

}  // namespace orq
