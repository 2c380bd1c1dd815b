#pragma once
// The program's channel to the unit: a serial port with one wait thread that watches the line.
//
// All public operations belong to one thread (the user-interface thread). The wait thread moves
// received bytes into the receive buffer, drains output the device did not take at once, and
// posts notifications to the notify target. How it waits is the system's business: each system
// has a source file of its own (SerialPortPosix.cpp), and nothing of it shows here.
//
// Closed -> open (OpenPort) -> configured (SetState, SetupPort) -> running (StartThreads);
// ClosePort returns to closed from any of them. When the device goes away while the thread runs,
// the port posts WM_SERIAL_REMOVED once, its thread ends, and IsOpen() turns false (HungUp()
// true) until ClosePort releases the device. Bytes received before that stay readable.
//
// The port always runs the way the configurator has always run it: one wait thread, input and
// output that never block the caller, and every received byte kept in the receive buffer until
// the reader takes it.

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "serial/SerialNotify.h"

namespace orq {

class BlockBuffer;

// Why the last OpenPort failed, for a message per port.
enum class OpenError { None, NotFound, PermissionDenied, InUse, NotATerminal, Other };
const char* OpenErrorText(OpenError e);

// Says when a receive pass holds what its reader waits for, so that the pass ends at once rather
// than after the line has been silent for SerialPort::kReadIntervalMs. The transport knows
// nothing of what the bytes mean; its user does. Used on the wait thread only.
class PassEnd {
public:
    virtual ~PassEnd() = default;
    // A new pass begins: whatever the last one saw is forgotten.
    virtual void Begin() = 0;
    // The bytes the pass has just read, in order; true once the pass may end.
    virtual bool Complete(std::span<const uint8_t> fresh) = 0;
    // The same rule, fresh, for another port.
    virtual std::unique_ptr<PassEnd> Clone() const = 0;
};

class SerialPort {
public:
    // Line timing of a receive pass: it ends after this much silence, or after the total.
    static constexpr int kReadIntervalMs = 100;
    static constexpr int kReadTotalMs = 500;
    // A receive pass on a slow line waits this long after a read of a few bytes for more to come,
    // so it wakes every few bytes rather than for each; a pass may end this much later.
    static constexpr int kGatherMs = 4;
    // Output the device has not taken yet; beyond this Write refuses the rest and says so.
    static constexpr uint32_t kMaxPendingOutput = 1u << 20;

    SerialPort();
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    int32_t PortNumber() const;
    void SetPortNumber(int32_t number);
    const std::string& PortName() const;
    void SetPortName(std::string name);

    // Opens the device named by PortName (closing an open port first): exclusive, raw 8N1, the
    // modem lines left alone on close. False with LastOpenError() set when it fails.
    [[nodiscard]] bool OpenPort();
    [[nodiscard]] bool OpenPort(int32_t number, std::string name);
    OpenError LastOpenError() const;

    // parity: 0 none, 1 odd, 2 even, 3 mark, 4 space; stopBits 1 or 2. The settings are read
    // back: a device that quietly refuses one of them fails here.
    [[nodiscard]] bool SetState(uint32_t baud, int parity, int dataBits, int stopBits);
    // Read timing and a purge of everything pending in both directions.
    [[nodiscard]] bool SetupPort();
    // Starts the wait thread; false when one runs already or the port is not open.
    [[nodiscard]] bool StartThreads();
    bool StopThreads();
    void ClosePort();

    // Up to count bytes from the receive buffer, at once.
    [[nodiscard]] uint32_t Read(uint8_t* buffer, uint32_t count);
    // Never blocks: what the device does not take at once is queued and written by the wait
    // thread. Returns the count accepted (written or queued); less than count only when the
    // port is closed or gone or the queue is full.
    [[nodiscard]] uint32_t Write(const uint8_t* data, uint32_t count);
    bool IsOpen() const;
    bool HungUp() const;
    // True while the wait thread watches the line; false once it has ended after a hang-up.
    bool ThreadsRunning() const;

    // A receive pass normally ends after kReadIntervalMs of silence, as the windows expect. A
    // reader that looks through every byte itself (orqctl) may end it as soon as `rule` says what
    // it waits for is in, so an answer reaches it a silence interval sooner. Only while no
    // thread runs (false otherwise); null brings the silence back.
    bool SetPassEnd(std::unique_ptr<PassEnd> rule);
    // A copy of the rule, for another port that is to read the same way; null when none is set.
    std::unique_ptr<PassEnd> ClonePassEnd() const;

    // Moves `from`'s open device into this closed port, as if this one had opened it: the
    // device, name, number, saved settings and unread received bytes. Both must have no thread
    // running; `from` is left closed. False (nothing moved) otherwise. Lets a program that probed
    // several ports at once keep the one that answered without opening it again.
    [[nodiscard]] bool TakeOver(SerialPort& from);

    void SetNotifyTarget(std::weak_ptr<NotifyTarget> target);
    std::weak_ptr<NotifyTarget> CurrentNotifyTarget() const;
    // Every byte written or read from now on also goes to `tap`; null to stop.
    void SetTap(std::shared_ptr<PortTap> tap);
    std::shared_ptr<PortTap> CurrentTap() const;

    // Bytes waiting in the receive buffer.
    uint32_t ReceiveSize() const;
    uint32_t PendingOutput() const;
    BlockBuffer& ReceiveBuffer();
    uint32_t TotalRead() const;
    uint32_t TotalWritten() const;

private:
    struct Shared;  // what every system keeps alike (SerialPortShared.h)
    struct System;  // the system's own: its device handle, wait thread and waking
    std::unique_ptr<Shared> shared_;
    std::unique_ptr<System> sys_;
};

}  // namespace orq
