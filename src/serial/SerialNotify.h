#pragma once
// What the serial port's wait thread tells the user interface, and how it reaches it.

#include <cstdint>
#include <span>

namespace orq {

// Notification numbers; the first parameter of each is the port number.
inline constexpr uint32_t WM_SERIAL_RECEIVE = 1642;  // second parameter 0
inline constexpr uint32_t WM_SERIAL_CTS = 1643;      // 1 when CTS is on
inline constexpr uint32_t WM_SERIAL_DSR = 1644;      // 1 when DSR is on
inline constexpr uint32_t WM_SERIAL_RING = 1645;     // 1 when ring is on
inline constexpr uint32_t WM_SERIAL_RLSD = 1646;     // 1 when carrier is on
inline constexpr uint32_t WM_SERIAL_BREAK = 1647;
inline constexpr uint32_t WM_SERIAL_TXEMPTY = 1648;
inline constexpr uint32_t WM_SERIAL_ERROR = 1649;  // the line error flags
inline constexpr uint32_t WM_SERIAL_RXFLAG = 1650;
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
