#pragma once
// The program's channel to the unit: a serial port on POSIX termios with one wait thread.
//
// All public operations belong to one thread (the user-interface thread). The wait thread
// blocks in poll() on the port and an eventfd; it moves received bytes into the receive buffer,
// drains output the kernel did not take at once, and posts notifications to the notify target.
//
// Closed -> open (OpenPort) -> configured (SetState, SetupPort) -> running (StartThreads);
// ClosePort returns to closed from any of them. When the device goes away while the thread runs,
// the port posts WM_SERIAL_REMOVED once, its thread ends, and IsOpen() turns false (HungUp()
// true) until ClosePort releases the descriptor. Bytes received before that stay readable.

#include <termios.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "protocol/LinkFrame.h"
#include "serial/BlockBuffer.h"
#include "serial/SerialNotify.h"

namespace orq {

// Why the last OpenPort failed, for a message per port.
enum class OpenError { None, NotFound, PermissionDenied, InUse, NotATerminal, Other };
const char* OpenErrorText(OpenError e);

class SerialPort : public ByteSink {
public:
    // Option bits. On POSIX one poll() loop does the work of both wait modes, so kOverlapped
    // only picks the total read time (500 ms, else 250 ms); writing never blocks either way.
    // kReadThread, kWriteThread and kSuspended make StartThreads fail; kAbovePriority is ignored;
    // kFlushOnClose and kDrainOnClose are not needed: close always discards unsent output,
    // since waiting for a stalled line to drain could hold the user-interface thread for ever.
    static constexpr uint32_t kWaitThread = 0x01;
    static constexpr uint32_t kOverlapped = 0x02;
    static constexpr uint32_t kReceiveBuffer = 0x04;
    static constexpr uint32_t kTransmitBuffer = 0x08;
    static constexpr uint32_t kReadThread = 0x10;
    static constexpr uint32_t kWriteThread = 0x20;
    static constexpr uint32_t kSuspended = 0x40;
    static constexpr uint32_t kAbovePriority = 0x80;
    static constexpr uint32_t kFlushOnClose = 0x100;
    static constexpr uint32_t kDrainOnClose = 0x200;
    // What the program constructs the port with, and what its main form adds.
    static constexpr uint32_t kStartOptions = kWaitThread | kOverlapped;
    static constexpr uint32_t kProgramOptions = kStartOptions | kReceiveBuffer;

    // Line timing of a direct read: it ends after this much silence, or after the total.
    static constexpr int kReadIntervalMs = 100;
    static constexpr int kReadTotalMs = 500;
    static constexpr int kReadTotalPlainMs = 250;  // without kOverlapped
    // A receive pass on a slow line waits this long after a read of a few bytes for more to come,
    // so it wakes every few bytes rather than for each; a pass may end this much later.
    static constexpr int kGatherMs = 4;
    // Output the kernel has not taken yet; beyond this Write refuses the rest and says so.
    static constexpr uint32_t kMaxPendingOutput = 1u << 20;

    explicit SerialPort(uint32_t options = kStartOptions);
    ~SerialPort() override;
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    uint32_t Options() const { return options_.load(); }
    // Adds option bits; only while no thread runs.
    void AddOptions(uint32_t bits);

    int32_t PortNumber() const { return portNumber_.load(); }
    void SetPortNumber(int32_t number) { portNumber_.store(number); }
    const std::string& PortName() const { return portName_; }
    void SetPortName(std::string path) { portName_ = std::move(path); }

    // Opens the device named by PortName (closing an open port first): exclusive, raw 8N1, the
    // modem lines left alone on close. False with LastOpenError() set when it fails.
    [[nodiscard]] bool OpenPort();
    [[nodiscard]] bool OpenPort(int32_t number, std::string path);
    OpenError LastOpenError() const { return lastError_; }
    int LastOpenErrno() const { return lastErrno_; }

    // parity: 0 none, 1 odd, 2 even, 3 mark, 4 space; stopBits 1 or 2.
    [[nodiscard]] bool SetState(uint32_t baud, int parity, int dataBits, int stopBits);
    // Read timing and a purge of everything pending in both directions.
    [[nodiscard]] bool SetupPort();
    // Starts the wait thread. Read and write threads and suspended start are not built here:
    // asking for them fails.
    [[nodiscard]] bool StartThreads(uint32_t extraOptions = 0);
    bool StopThreads();
    void ClosePort();

    // With kReceiveBuffer: up to count bytes from the receive buffer, at once; timeoutMs is not
    // used. Without it: a direct read from the device (timeoutMs < 0: until count bytes, 100 ms of
    // silence or 500 ms in all; otherwise whatever arrives within timeoutMs).
    [[nodiscard]] uint32_t Read(uint8_t* buffer, uint32_t count, int32_t timeoutMs = -1);
    // Never blocks: what the kernel does not take at once is queued and written by the wait
    // thread. Returns the count accepted (written or queued); less than count only when the
    // port is closed or gone or the queue is full.
    [[nodiscard]] uint32_t Write(const uint8_t* data, uint32_t count) final;
    bool IsOpen() const override;
    bool HungUp() const { return hungUp_.load(); }
    // True while the wait thread watches the line; false once it has ended after a hang-up.
    bool ThreadsRunning() const { return waitThread_.joinable() && watching_.load(); }

    // A receive pass normally ends after kReadIntervalMs of silence, as the windows expect. A
    // program that looks through every byte itself (orqctl) may have it end as soon as a frame's
    // trailer is in, so an answer reaches it a silence interval sooner. Any time.
    void SetPassEndsAtFrame(bool on) { passEndsAtFrame_.store(on); }
    bool PassEndsAtFrame() const { return passEndsAtFrame_.load(); }

    // Moves `from`'s open device into this closed port, as if this one had opened it: the
    // descriptor, name, number, saved settings and unread received bytes. Both must have no
    // thread running; `from` is left closed. False (nothing moved) otherwise. Lets a program that
    // probed several ports at once keep the one that answered without opening it again.
    [[nodiscard]] bool TakeOver(SerialPort& from);

    void SetNotifyTarget(std::weak_ptr<NotifyTarget> target);
    // Every byte written or read from now on also goes to `tap`; null to stop.
    void SetTap(std::shared_ptr<PortTap> tap);
    std::shared_ptr<PortTap> CurrentTap() const;

    // Bytes waiting in the receive buffer.
    uint32_t ReceiveSize() const { return receive_.Size(); }
    uint32_t PendingOutput() const { return transmit_.Size(); }
    BlockBuffer& ReceiveBuffer() { return receive_; }
    uint32_t TotalRead() const { return totalRead_.load(); }
    uint32_t TotalWritten() const { return totalWritten_.load(); }

private:
    bool ApplyRawMode();
    void ReleasePort();
    void Wake();
    void WaitLoop();
    // One pass of the receive handling for `queued` bytes waiting (-1: unknown, kUnsized: the pass
    // ends at a frame and needs no size); false when the device is gone.
    static constexpr int kUnsized = -2;
    bool ReceivePass(int queued);
    // Reads for want bytes into the receive buffer's tail with the line timing above; stops early
    // when the wake descriptor is signalled. Sets `gone` on hang-up.
    uint32_t ReadIntoBuffer(uint32_t want, bool& gone);
    // Timed read into a caller's buffer (no receive buffer). Sets `gone` on hang-up.
    uint32_t ReadPort(uint8_t* buffer, uint32_t count, int32_t timeoutMs, bool& gone);
    // Writes queued output while the kernel takes it; false when the device is gone.
    bool DrainOutput();
    void Post(uint32_t message, intptr_t param);
    void Tap(bool sent, std::span<const uint8_t> bytes);
    int QueuedBytes() const;
    int TotalReadMs() const;

    std::atomic<uint32_t> options_;
    int fd_ = -1;
    std::atomic<int32_t> portNumber_{-1};
    std::string portName_;
    OpenError lastError_ = OpenError::None;
    int lastErrno_ = 0;
    bool haveSaved_ = false;
    termios saved_{};  // settings found at open, given back at close

    BlockBuffer receive_{1024};
    BlockBuffer transmit_{1024};  // its lock also orders writes to the device
    std::atomic<uint32_t> totalRead_{0};
    std::atomic<uint32_t> totalWritten_{0};

    std::atomic<bool> passEndsAtFrame_{false};
    std::atomic<bool> running_{false};
    std::atomic<bool> hungUp_{false};
    std::atomic<bool> watching_{false};
    // Without kReceiveBuffer the window reads the device itself: the wait thread stops watching
    // input after one notification until Read has run, or it would wake again at once.
    std::atomic<bool> watchInput_{true};
    int wakeFd_ = -1;
    std::thread waitThread_;

    mutable std::mutex notifyLock_;
    std::weak_ptr<NotifyTarget> notify_;
    std::shared_ptr<PortTap> tap_;  // under notifyLock_
};

}  // namespace orq
