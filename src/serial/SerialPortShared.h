#pragma once
// Private to the serial port's own sources: the state every system's port keeps alike, and the
// steps of the receive and write handling that do not depend on how the system waits.

#include <atomic>
#include <memory>
#include <mutex>
#include <span>
#include <string>

#include "serial/BlockBuffer.h"
#include "serial/SerialPort.h"

namespace orq {

struct SerialPort::Shared {
    std::atomic<int32_t> portNumber{-1};
    std::string portName;
    OpenError lastError = OpenError::None;

    BlockBuffer receive{1024};
    BlockBuffer transmit{1024};  // its lock also orders writes to the device
    std::atomic<uint32_t> totalRead{0};
    std::atomic<uint32_t> totalWritten{0};
    std::atomic<bool> hungUp{false};
    // Set only while no thread runs; the wait thread reads it for every pass.
    std::unique_ptr<PassEnd> passEnd;

    mutable std::mutex notifyLock;
    std::weak_ptr<NotifyTarget> notify;
    std::shared_ptr<PortTap> tap;  // under notifyLock

    // What every open starts with: the last device's hang-up and failure forgotten. False (with
    // the port "not found") when no name says what to open.
    bool BeginOpen();
    void Post(uint32_t message, intptr_t param);
    void Tap(bool sent, std::span<const uint8_t> bytes);

    // How many bytes a receive pass asks for when `queued` bytes wait (-1: the system could not
    // say): twice that and 64 more, so a pass rarely needs a second read.
    static uint32_t PassWant(int queued);
    // Bytes the wait thread has just read into its own chunk go into the receive buffer. A new
    // block is sized for the rest of the pass (`passLeft`), so that the small passes after it land
    // in its free tail too; but never larger than the buffer keeps once emptied, so that a reader
    // keeping up with a stream has pass after pass land in the same block rather than one
    // allocated here and freed by the reader for every pass.
    void Store(std::span<const uint8_t> fresh, uint32_t passLeft);
    // Room left in the output queue for `count` more bytes.
    uint32_t QueueRoom(uint32_t count) const;
    // Moves `from`'s unread input and unsent output here (TakeOver).
    void TakeBytesFrom(Shared& from);
};

}  // namespace orq
