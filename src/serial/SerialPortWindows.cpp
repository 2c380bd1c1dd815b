// The serial port on Windows, with the system's own communications calls: CreateFile on the
// device namespace name, SetupComm, SetCommTimeouts, Get/SetCommState, PurgeComm, ClearCommError,
// SetCommMask, and one wait thread in WaitCommEvent with overlapped ReadFile and WriteFile. The
// port opens exclusively by nature: a port another program holds fails with "access denied".
//
// wine is not Windows: an idle overlapped read may end with ERROR_TIMEOUT where Windows gives 0
// bytes, and a pending WaitCommEvent may end with ERROR_OPERATION_ABORTED without anyone asking.
// Both mean "nothing yet" here; only a port the system no longer knows (ClearCommError fails) is
// gone.

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "serial/SerialPortShared.h"

namespace orq {
namespace {

using Clock = std::chrono::steady_clock;

// What the wait thread watches: received character, receive flag character, CTS, DSR, RLSD,
// break, line error and ring; not transmit empty.
constexpr DWORD kEventMask = 0x1FD;
constexpr DWORD kDriverQueue = 4096;
// Receive timing as the driver keeps it for every read: a read ends after 100 ms without a byte
// once one has come, or after 500 ms in all. Writes may take a millisecond a byte and ten seconds
// more before the driver gives up on them (what it did not write stays queued here).
constexpr COMMTIMEOUTS kTimeouts{static_cast<DWORD>(SerialPort::kReadIntervalMs), 0,
                                 static_cast<DWORD>(SerialPort::kReadTotalMs), 1, 10000};
// The most one read asks for; a pass of a fast line takes several.
constexpr DWORD kReadChunk = 64 * 1024;
constexpr uint32_t kAfterComplete = 16 * 1024;

std::wstring Widen(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int n =
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    return wide;
}

// "COM7" and "\\.\COM7" both name the seventh port; only the device namespace reaches COM10 and
// above.
std::wstring DeviceName(const std::string& name) {
    std::wstring wide = Widen(name);
    if (wide.rfind(L"\\\\.\\", 0) != 0 && wide.rfind(L"COM", 0) == 0) wide = L"\\\\.\\" + wide;
    return wide;
}

OpenError Classify(DWORD err) {
    switch (err) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
            return OpenError::NotFound;
        case ERROR_ACCESS_DENIED:  // what another program's handle on the port gives
        case ERROR_SHARING_VIOLATION:
        case ERROR_BUSY:
            return OpenError::InUse;
        default:
            return OpenError::Other;
    }
}

// The errors a removed adapter makes pending and new calls fail with.
bool GoneError(DWORD err) {
    return err == ERROR_ACCESS_DENIED || err == ERROR_BAD_COMMAND || err == ERROR_DEVICE_REMOVED ||
           err == ERROR_GEN_FAILURE || err == ERROR_INVALID_HANDLE || err == ERROR_FILE_NOT_FOUND ||
           err == ERROR_NOT_READY || err == ERROR_DEV_NOT_EXIST || err == ERROR_BROKEN_PIPE;
}

// "Nothing yet": an idle read (wine) or a wait or read cut short, by us or by wine itself.
bool IdleError(DWORD err) {
    return err == ERROR_TIMEOUT || err == ERROR_OPERATION_ABORTED || err == ERROR_IO_INCOMPLETE;
}

HANDLE ManualEvent() {
    return ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

struct Overlapped {
    Overlapped() { o.hEvent = ManualEvent(); }
    ~Overlapped() {
        if (o.hEvent) ::CloseHandle(o.hEvent);
    }
    Overlapped(const Overlapped&) = delete;
    Overlapped& operator=(const Overlapped&) = delete;
    OVERLAPPED* Fresh() {
        HANDLE event = o.hEvent;
        o = OVERLAPPED{};
        o.hEvent = event;
        ::ResetEvent(event);
        return &o;
    }
    OVERLAPPED o{};
};

bool SameState(const DCB& want, const DCB& got) {
    return want.BaudRate == got.BaudRate && want.ByteSize == got.ByteSize &&
           want.Parity == got.Parity && want.StopBits == got.StopBits &&
           want.fParity == got.fParity && want.fOutxCtsFlow == got.fOutxCtsFlow &&
           want.fOutX == got.fOutX && want.fInX == got.fInX;
}

bool SetAndCheck(HANDLE h, const DCB& want) {
    DCB set = want;
    if (!::SetCommState(h, &set)) return false;
    DCB got{};
    got.DCBlength = sizeof got;
    return ::GetCommState(h, &got) && SameState(want, got);
}

}  // namespace

struct SerialPort::System {
    explicit System(Shared& shared) : s(shared), wake(ManualEvent()) {}
    ~System() {
        if (wake) ::CloseHandle(wake);
    }

    void WaitLoop();
    // Reads for the pass that `queued` bytes waiting began, with the line's timing or until the
    // reader's rule says the pass is complete; false when the device is gone.
    bool ReceivePass(DWORD queued);
    // One overlapped read of up to `ask` bytes, waited for at most `limitMs` (INFINITE: the
    // driver's timeouts end it) and cut short when the loop has work. Sets `gone` on a removal.
    DWORD ReadSome(DWORD ask, DWORD limitMs, bool& gone);
    // Hands the front of the output queue to the device if nothing is being written; false when
    // the device is gone.
    bool StartWrite();
    bool FinishWrite();
    // A blocking write for a port without its thread (before StartThreads); what it wrote.
    uint32_t WriteNow(const uint8_t* data, uint32_t count, bool& gone);
    // Bytes the driver holds, or nothing when it cannot say (the device is gone, or going).
    std::optional<DWORD> Queued() const;
    void Release();

    Shared& s;
    HANDLE h = INVALID_HANDLE_VALUE;
    bool haveSaved = false;
    DCB saved{};  // the line settings found at open, given back at close
    HANDLE wake;  // manual reset: the thread has output to write, or must end
    Overlapped waitOv, readOv, writeOv;
    DWORD events = 0;
    bool waitPending = false;
    bool writePending = false;
    std::vector<uint8_t> writing;  // what the pending write hands the device, until it completes
    std::vector<uint8_t> reading;
    std::thread waitThread;
    std::atomic<bool> running{false};
    std::atomic<bool> watching{false};
};

SerialPort::SerialPort()
    : shared_(std::make_unique<Shared>()), sys_(std::make_unique<System>(*shared_)) {}

SerialPort::~SerialPort() {
    StopThreads();
    ClosePort();
}

bool SerialPort::OpenPort() {
    ClosePort();
    Shared& s = *shared_;
    if (!s.BeginOpen()) return false;
    HANDLE h = ::CreateFileW(DeviceName(s.portName).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                             nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        s.lastError = Classify(::GetLastError());
        return false;
    }
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(h, &dcb)) {
        ::CloseHandle(h);
        s.lastError = OpenError::NotATerminal;
        return false;
    }
    sys_->saved = dcb;
    // Raw 8N1 with no flow control of any kind, and the modem lines held up.
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = FALSE;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    if (!SetAndCheck(h, dcb)) {
        ::SetCommState(h, &sys_->saved);
        ::CloseHandle(h);
        s.lastError = OpenError::Other;
        return false;
    }
    sys_->haveSaved = true;
    sys_->h = h;
    return true;
}

bool SerialPort::SetState(uint32_t baud, int parity, int dataBits, int stopBits) {
    const HANDLE h = sys_->h;
    if (h == INVALID_HANDLE_VALUE) return false;
    if (dataBits < 5 || dataBits > 8 || parity < 0 || parity > 4) return false;
    if (stopBits != 1 && stopBits != 2) return false;
    if (baud == 0) return false;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(h, &dcb)) return false;
    dcb.BaudRate = baud;
    dcb.ByteSize = static_cast<BYTE>(dataBits);
    // NOPARITY, ODDPARITY, EVENPARITY, MARKPARITY and SPACEPARITY are 0 to 4, as `parity` is.
    dcb.Parity = static_cast<BYTE>(parity);
    dcb.StopBits = stopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
    dcb.fParity = parity != 0 ? TRUE : FALSE;
    return SetAndCheck(h, dcb);
}

bool SerialPort::SetupPort() {
    const HANDLE h = sys_->h;
    if (h == INVALID_HANDLE_VALUE) return false;
    COMMTIMEOUTS timeouts = kTimeouts;
    if (!::SetupComm(h, kDriverQueue, kDriverQueue) || !::SetCommTimeouts(h, &timeouts))
        return false;
    shared_->transmit.Clear();
    return ::PurgeComm(h, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR) != 0;
}

bool SerialPort::StartThreads() {
    System& y = *sys_;
    if (y.waitThread.joinable() || y.h == INVALID_HANDLE_VALUE || shared_->hungUp) return false;
    if (!y.wake) return false;
    ::ResetEvent(y.wake);
    y.running = true;
    y.watching = true;
    try {
        y.waitThread = std::thread(&System::WaitLoop, &y);
    } catch (const std::system_error&) {
        y.running = false;
        y.watching = false;
        return false;
    }
    return true;
}

bool SerialPort::StopThreads() {
    System& y = *sys_;
    if (!y.waitThread.joinable()) return false;
    y.running = false;
    ::SetEvent(y.wake);
    // A pending WaitCommEvent ends when the mask changes, as the thread's own end does.
    ::SetCommMask(y.h, 0);
    y.waitThread.join();
    return true;
}

void SerialPort::ClosePort() {
    if (sys_->h == INVALID_HANDLE_VALUE) return;
    StopThreads();
    sys_->Release();
    // Output queued for this device must never reach the next one opened.
    shared_->transmit.Clear();
}

void SerialPort::System::Release() {
    // Unsent output and unread input are of no use to anyone once the port is closed.
    ::PurgeComm(h, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    if (haveSaved) ::SetCommState(h, &saved);
    ::CloseHandle(h);
    h = INVALID_HANDLE_VALUE;
    haveSaved = false;
}

bool SerialPort::TakeOver(SerialPort& from) {
    System& y = *sys_;
    System& f = *from.sys_;
    if (&from == this || y.h != INVALID_HANDLE_VALUE || f.h == INVALID_HANDLE_VALUE ||
        y.waitThread.joinable() || f.waitThread.joinable())
        return false;
    y.h = std::exchange(f.h, INVALID_HANDLE_VALUE);
    y.saved = f.saved;
    y.haveSaved = std::exchange(f.haveSaved, false);
    shared_->portName = from.shared_->portName;
    SetPortNumber(from.PortNumber());
    shared_->hungUp = from.shared_->hungUp.load();
    shared_->lastError = OpenError::None;
    shared_->TakeBytesFrom(*from.shared_);
    return true;
}

bool SerialPort::IsOpen() const {
    return sys_->h != INVALID_HANDLE_VALUE && !shared_->hungUp.load();
}

bool SerialPort::ThreadsRunning() const {
    return sys_->waitThread.joinable() && sys_->watching.load();
}

std::optional<DWORD> SerialPort::System::Queued() const {
    DWORD errors = 0;
    COMSTAT stat{};
    if (!::ClearCommError(h, &errors, &stat)) return std::nullopt;
    return stat.cbInQue;
}

DWORD SerialPort::System::ReadSome(DWORD ask, DWORD limitMs, bool& gone) {
    if (reading.size() < ask) reading.resize(ask);
    OVERLAPPED* o = readOv.Fresh();
    DWORD n = 0;
    if (::ReadFile(h, reading.data(), ask, nullptr, o)) {
        ::GetOverlappedResult(h, o, &n, FALSE);
        return n;
    }
    DWORD err = ::GetLastError();
    if (err != ERROR_IO_PENDING) {
        gone = !IdleError(err) && GoneError(err) && !Queued();
        return 0;
    }
    const HANDLE handles[2] = {o->hEvent, wake};
    if (::WaitForMultipleObjects(2, handles, FALSE, limitMs) != WAIT_OBJECT_0)
        ::CancelIoEx(h, o);  // the time is up, or the loop has work
    // After a cancel `n` still counts what had come.
    if (!::GetOverlappedResult(h, o, &n, TRUE)) {
        err = ::GetLastError();
        gone = !IdleError(err) && GoneError(err) && !Queued();
    }
    return n;
}

bool SerialPort::System::ReceivePass(DWORD queued) {
    PassEnd* rule = s.passEnd.get();
    if (rule) rule->Begin();
    // A pass that ends by the reader's rule takes what comes until the rule is met.
    const uint32_t want = rule ? kMaxPendingOutput : Shared::PassWant(static_cast<int>(queued));
    const auto total = Clock::now() + std::chrono::milliseconds(kReadTotalMs);
    const auto msLeft = [&] {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(total - Clock::now());
        return static_cast<DWORD>(std::max<std::chrono::milliseconds::rep>(0, left.count()));
    };
    uint32_t got = 0;
    std::optional<uint32_t> endBy;  // once complete: what the driver already holds, and no more
    bool gone = false;
    while (got < want && (!endBy || got < *endBy)) {
        DWORD ask = want - got;
        DWORD limit = INFINITE;  // without a rule, the driver's timeouts end the read
        if (rule) {
            const DWORD inQueue = Queued().value_or(0);
            if (endBy) {
                if (inQueue == 0) break;
                ask = std::min<DWORD>(inQueue, *endBy - got);
            } else {
                // What has come at once, else a byte: each read ends as soon as it brings any,
                // and the silence and the total are kept here.
                ask = std::max<DWORD>(inQueue, 1);
                limit = got > 0 ? std::min<DWORD>(msLeft(), kReadIntervalMs) : msLeft();
                if (limit == 0) break;
            }
            ask = std::min<DWORD>(ask, want - got);
        }
        ask = std::min(ask, kReadChunk);
        const DWORD n = ReadSome(ask, limit, gone);
        if (n > 0) {
            const std::span<const uint8_t> fresh{reading.data(), n};
            if (rule && !endBy && rule->Complete(fresh)) endBy = got + n + kAfterComplete;
            s.Store(fresh, want - got);
            got += n;
        }
        if (gone || n == 0) break;
        if (!rule && n < ask) break;  // the driver's timing ended the read: the pass is over
    }
    s.totalRead += got;
    // One notification for every pass, even one that read nothing.
    s.Post(WM_SERIAL_RECEIVE, 0);
    return !gone;
}

bool SerialPort::System::StartWrite() {
    if (writePending) return true;
    std::lock_guard<std::recursive_mutex> g(s.transmit.Lock());
    for (;;) {
        const std::span<const uint8_t> front = s.transmit.Front();
        if (front.empty()) return true;
        // The bytes stay where the device reads them until the write completes.
        writing.assign(front.begin(), front.end());
        OVERLAPPED* o = writeOv.Fresh();
        if (::WriteFile(h, writing.data(), static_cast<DWORD>(writing.size()), nullptr, o)) {
            if (!FinishWrite()) return false;
            continue;
        }
        const DWORD err = ::GetLastError();
        if (err == ERROR_IO_PENDING) {
            writePending = true;
            return true;
        }
        return !(GoneError(err) && !Queued());
    }
}

bool SerialPort::System::FinishWrite() {
    writePending = false;
    DWORD n = 0;
    const bool ok = ::GetOverlappedResult(h, &writeOv.o, &n, TRUE);
    const DWORD err = ok ? ERROR_SUCCESS : ::GetLastError();
    // A write the driver gave up on after its time wrote part of it: the rest stays queued.
    s.transmit.Take(nullptr, n);
    s.totalWritten += n;
    return ok || IdleError(err) || !GoneError(err) || Queued().has_value();
}

uint32_t SerialPort::System::WriteNow(const uint8_t* data, uint32_t count, bool& gone) {
    OVERLAPPED* o = writeOv.Fresh();
    DWORD n = 0;
    if (!::WriteFile(h, data, count, nullptr, o) && ::GetLastError() != ERROR_IO_PENDING) {
        gone = GoneError(::GetLastError()) && !Queued();
        return 0;
    }
    if (!::GetOverlappedResult(h, o, &n, TRUE)) gone = GoneError(::GetLastError()) && !Queued();
    return n;
}

uint32_t SerialPort::Write(const uint8_t* data, uint32_t count) {
    if (count == 0 || !IsOpen()) return 0;
    Shared& s = *shared_;
    System& y = *sys_;
    std::lock_guard<std::recursive_mutex> g(s.transmit.Lock());
    if (!y.waitThread.joinable()) {
        // Nobody drains a queue yet: what waits goes first, then these bytes, on this thread.
        bool gone = false;
        while (!gone && s.transmit.Size() > 0) {
            const std::span<const uint8_t> front = s.transmit.Front();
            const uint32_t n = y.WriteNow(front.data(), static_cast<uint32_t>(front.size()), gone);
            if (n == 0) break;
            s.transmit.Take(nullptr, n);
            s.totalWritten += n;
        }
        uint32_t done = 0;
        while (!gone && s.transmit.Size() == 0 && done < count) {
            const uint32_t n = y.WriteNow(data + done, count - done, gone);
            if (n == 0) break;
            done += n;
        }
        s.totalWritten += done;
        if (gone) s.hungUp = true;
        s.Tap(true, {data, done});
        return done;
    }
    // The wait thread writes: the caller never waits for the line.
    const uint32_t queued = s.QueueRoom(count);
    if (queued > 0) {
        s.transmit.Append(data, queued);
        ::SetEvent(y.wake);
    }
    s.Tap(true, {data, queued});
    return queued;
}

void SerialPort::System::WaitLoop() {
    bool gone = !::SetCommMask(h, kEventMask) && !Queued();
    int unexplained = 0;  // waits ended with nothing to show, in a row
    while (!gone && running.load()) {
        ::ResetEvent(wake);
        if (!running.load()) break;
        if (!StartWrite()) {
            gone = true;
            break;
        }
        const std::optional<DWORD> inQueue = Queued();
        if (!inQueue) {
            gone = GoneError(::GetLastError());
            if (gone) break;
            ::Sleep(10);
            continue;
        }
        if (*inQueue > 0) {
            unexplained = 0;
            if (!ReceivePass(*inQueue)) gone = true;
            continue;
        }
        if (!waitPending) {
            events = 0;
            OVERLAPPED* o = waitOv.Fresh();
            if (::WaitCommEvent(h, &events, o)) continue;  // an event at once: look again
            const DWORD err = ::GetLastError();
            if (err != ERROR_IO_PENDING) {
                if (GoneError(err) && !Queued()) {
                    gone = true;
                    break;
                }
                ::Sleep(10);
                continue;
            }
            waitPending = true;
        }
        const HANDLE handles[3] = {waitOv.o.hEvent, wake, writeOv.o.hEvent};
        const DWORD count = writePending ? 3 : 2;
        const DWORD r = ::WaitForMultipleObjects(count, handles, FALSE, INFINITE);
        if (r == WAIT_OBJECT_0) {
            waitPending = false;
            DWORD ignored = 0;
            if (!::GetOverlappedResult(h, &waitOv.o, &ignored, FALSE)) {
                const DWORD err = ::GetLastError();
                if (!IdleError(err) && GoneError(err) && !Queued()) {
                    gone = true;
                    break;
                }
            }
            // A wait wine ends by itself, again and again with nothing come, must not spin.
            if (events == 0 && ++unexplained > 3) ::Sleep(1);
        } else if (r == WAIT_OBJECT_0 + 2) {
            if (!FinishWrite()) gone = true;
        }
    }
    // The records of what is still pending must outlive it.
    if (waitPending || writePending) ::CancelIoEx(h, nullptr);
    DWORD ignored = 0;
    if (waitPending) ::GetOverlappedResult(h, &waitOv.o, &ignored, TRUE);
    if (writePending) FinishWrite();
    waitPending = false;
    watching = false;
    if (gone) {
        s.hungUp = true;
        s.Post(WM_SERIAL_REMOVED, 0);
    }
}

}  // namespace orq
