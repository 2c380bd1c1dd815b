// The serial port on POSIX terminals: exclusive open with flock and TIOCEXCL, raw 8N1 settings
// read back and compared, and one wait thread blocked in poll() on the device and an eventfd
// that wakes it for output to drain or for the end.

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

#include "serial/SerialPortShared.h"

namespace orq {
namespace {

using Clock = std::chrono::steady_clock;

// The most one read takes from the line discipline, whose own buffer is this size.
constexpr std::size_t kReadChunk = 4096;

OpenError Classify(int err) {
    switch (err) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case ENOTDIR:
            return OpenError::NotFound;
        case EACCES:
        case EPERM:
        case EROFS:
            return OpenError::PermissionDenied;
        case EBUSY:
        case EWOULDBLOCK:
            return OpenError::InUse;
        case ENOTTY:
            return OpenError::NotATerminal;
        default:
            return OpenError::Other;
    }
}

bool DeviceGone(int err) {
    return err == EIO || err == ENXIO || err == ENODEV || err == EBADF;
}

speed_t SpeedOf(uint32_t baud) {
    switch (baud) {
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        case 230400:
            return B230400;
        case 460800:
            return B460800;
        case 921600:
            return B921600;
        default:
            return B0;
    }
}

// tcsetattr succeeds when any one change took, so what matters is read back and compared.
bool SameLine(const termios& want, const termios& got) {
    constexpr tcflag_t cMask =
        CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CREAD | CLOCAL | CRTSCTS | HUPCL;
    constexpr tcflag_t iMask =
        IXON | IXOFF | IXANY | INPCK | ISTRIP | ICRNL | INLCR | IGNCR | PARMRK | BRKINT;
    constexpr tcflag_t lMask = ICANON | ECHO | ISIG | IEXTEN;
    return (want.c_cflag & cMask) == (got.c_cflag & cMask) &&
           (want.c_iflag & iMask) == (got.c_iflag & iMask) &&
           (want.c_lflag & lMask) == (got.c_lflag & lMask) &&
           (want.c_oflag & OPOST) == (got.c_oflag & OPOST) && want.c_cc[VMIN] == got.c_cc[VMIN] &&
           want.c_cc[VTIME] == got.c_cc[VTIME] && cfgetispeed(&want) == cfgetispeed(&got) &&
           cfgetospeed(&want) == cfgetospeed(&got);
}

bool SetAndCheck(int fd, const termios& want) {
    if (::tcsetattr(fd, TCSANOW, &want) != 0) return false;
    termios got{};
    if (::tcgetattr(fd, &got) != 0) return false;
    if (SameLine(want, got)) return true;
    errno = EINVAL;
    return false;
}

int MillisUntil(Clock::time_point deadline) {
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero()) return 0;
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

// A read with the line's timing: it ends when `want` bytes are in, when `intervalMs` pass without
// a byte once one has come, after `totalMs` in all, on hang-up (`gone`), or when `wakeFd` becomes
// readable. `readSome(max)` does one non-blocking read of at most max bytes and returns its
// result; errno is kept from it. `complete()`, asked after each read that brought bytes, ends the
// read before the silence once what the kernel already holds has been taken too (no wait for it).
// After a read that brought fewer than kFewBytes, it waits up to `gatherMs` (or until `wakeFd`)
// before reading on: a line at 9600 baud brings a byte a millisecond, and reading each as it
// comes would wake the thread for every byte. A fast line brings more per read and never waits.
constexpr ssize_t kFewBytes = 64;
constexpr uint32_t kAfterComplete = 16 * 1024;

template <typename ReadSome, typename Complete>
uint32_t TimedRead(int fd, int wakeFd, uint32_t want, int totalMs, int intervalMs, int gatherMs,
                   bool& gone, ReadSome readSome, Complete complete) {
    const auto total = Clock::now() + std::chrono::milliseconds(totalMs);
    auto silence = total;
    uint32_t got = 0;
    // Once complete, only what the kernel already holds is still taken, and not much of it: a
    // fast stream that never lets the kernel run dry must not hold the notification back.
    std::optional<uint32_t> endBy;
    while (got < want && (!endBy || got < *endBy)) {
        const ssize_t r = readSome(std::min(want, endBy.value_or(want)) - got);
        if (r > 0) {
            got += static_cast<uint32_t>(r);
            if (!endBy && complete()) endBy = got + kAfterComplete;
            if (endBy) continue;
            silence = std::min(total, Clock::now() + std::chrono::milliseconds(intervalMs));
            if (r < kFewBytes && got < want && gatherMs > 0) {
                pollfd wake{wakeFd, POLLIN, 0};
                const int ms = std::min(gatherMs, MillisUntil(total));
                if (ms > 0 && ::poll(&wake, 1, ms) > 0) break;  // work waits
            }
            continue;
        }
        if (r == 0) {  // VMIN = 1: end of file is the hang-up, never "no data"
            gone = true;
            break;
        }
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            gone = DeviceGone(errno) || gone;
            break;
        }
        if (endBy) break;
        const int ms = MillisUntil(got > 0 ? silence : total);
        if (ms == 0) break;
        pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
        const int pr = ::poll(fds, 2, ms);
        if (pr < 0 && errno == EINTR) continue;
        if (pr <= 0) break;
        if (fds[1].revents & POLLIN) break;  // the wait loop has work
        if ((fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) && !(fds[0].revents & POLLIN)) {
            gone = true;
            break;
        }
    }
    return got;
}

}  // namespace

struct SerialPort::System {
    explicit System(Shared& shared) : s(shared) {}

    void Wake();
    void WaitLoop();
    // One pass of the receive handling for `queued` bytes waiting (-1: unknown, kUnsized: the pass
    // ends by the reader's rule and needs no size); false when the device is gone.
    static constexpr int kUnsized = -2;
    bool ReceivePass(int queued);
    // Writes queued output while the kernel takes it; false when the device is gone.
    bool DrainOutput();
    int QueuedBytes() const;
    void Release();

    Shared& s;
    int fd = -1;
    bool haveSaved = false;
    termios saved{};  // settings found at open, given back at close
    int wakeFd = -1;
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
    int fd = -1;
    const auto fail = [&](OpenError why) {
        if (fd >= 0) ::close(fd);
        s.lastError = why;
        return false;
    };

    fd = ::open(s.portName.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return fail(Classify(errno));
    // Another program (or another port object) holding the device must make us give way.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return fail(errno == EWOULDBLOCK ? OpenError::InUse : OpenError::Other);
    if (::ioctl(fd, TIOCEXCL) != 0 && errno != ENOTTY && errno != EINVAL)
        return fail(OpenError::Other);
    termios t{};
    if (::tcgetattr(fd, &t) != 0)
        return fail(errno == ENOTTY ? OpenError::NotATerminal : OpenError::Other);
    sys_->saved = t;

    cfmakeraw(&t);
    t.c_cflag &=
        ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS | HUPCL);
    t.c_cflag |= CS8 | CLOCAL | CREAD;
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
    // VMIN = 1 makes read() == 0 mean hang-up and nothing else.
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    if (!SetAndCheck(fd, t)) {
        ::ioctl(fd, TIOCNXCL);
        ::tcsetattr(fd, TCSANOW, &sys_->saved);
        return fail(OpenError::Other);
    }
    // USB adapters hold received bytes for up to 16 ms otherwise; ptys and many drivers refuse.
    serial_struct ss{};
    if (::ioctl(fd, TIOCGSERIAL, &ss) == 0) {
        ss.flags |= ASYNC_LOW_LATENCY;
        ::ioctl(fd, TIOCSSERIAL, &ss);
    }
    sys_->haveSaved = true;
    sys_->fd = fd;
    return true;
}

bool SerialPort::SetState(uint32_t baud, int parity, int dataBits, int stopBits) {
    const int fd = sys_->fd;
    if (fd < 0) return false;
    termios t{};
    if (::tcgetattr(fd, &t) != 0) return false;
    const speed_t speed = SpeedOf(baud);
    if (speed == B0) return false;
    constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    if (dataBits < 5 || dataBits > 8) return false;
    constexpr tcflag_t kParities[] = {0, PARENB | PARODD, PARENB, PARENB | PARODD | CMSPAR,
                                      PARENB | CMSPAR};
    if (parity < 0 || parity > 4) return false;
    if (stopBits != 1 && stopBits != 2) return false;

    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR);
    t.c_cflag |= kSizes[dataBits - 5] | kParities[parity] | (stopBits == 2 ? CSTOPB : 0);
    if (parity != 0) {
        t.c_iflag |= INPCK;
    } else {
        t.c_iflag &= ~static_cast<tcflag_t>(INPCK);
    }
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    return SetAndCheck(fd, t);
}

bool SerialPort::SetupPort() {
    if (sys_->fd < 0) return false;
    // Linux has no driver queue size to set, and the read timing lives in TimedRead.
    shared_->transmit.Clear();
    return ::tcflush(sys_->fd, TCIOFLUSH) == 0;
}

bool SerialPort::StartThreads() {
    System& y = *sys_;
    if (y.waitThread.joinable() || y.fd < 0 || shared_->hungUp) return false;
    y.wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (y.wakeFd < 0) return false;
    y.running = true;
    y.watching = true;
    try {
        y.waitThread = std::thread(&System::WaitLoop, &y);
    } catch (const std::system_error&) {
        y.running = false;
        y.watching = false;
        ::close(y.wakeFd);
        y.wakeFd = -1;
        return false;
    }
    return true;
}

void SerialPort::System::Wake() {
    const uint64_t one = 1;
    while (::write(wakeFd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

bool SerialPort::StopThreads() {
    System& y = *sys_;
    if (!y.waitThread.joinable()) return false;
    y.running = false;
    // The thread waits only in poll() with the wake descriptor in its set, so it ends at once.
    y.Wake();
    y.waitThread.join();
    ::close(y.wakeFd);
    y.wakeFd = -1;
    return true;
}

void SerialPort::ClosePort() {
    if (sys_->fd < 0) return;
    StopThreads();
    sys_->Release();
    // Output queued for this device must never reach the next one opened.
    shared_->transmit.Clear();
}

void SerialPort::System::Release() {
    // Unsent output would hold close() for up to 30 s; the line's input is of no use either.
    ::tcflush(fd, TCIOFLUSH);
    if (haveSaved) {
        termios t = saved;
        t.c_cflag &= ~static_cast<tcflag_t>(HUPCL);
        ::tcsetattr(fd, TCSANOW, &t);
    }
    ::ioctl(fd, TIOCNXCL);
    ::close(fd);
    fd = -1;
    haveSaved = false;
}

bool SerialPort::TakeOver(SerialPort& from) {
    System& y = *sys_;
    System& f = *from.sys_;
    if (&from == this || y.fd >= 0 || f.fd < 0 || y.waitThread.joinable() ||
        f.waitThread.joinable())
        return false;
    y.fd = std::exchange(f.fd, -1);
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
    return sys_->fd >= 0 && !shared_->hungUp.load();
}

bool SerialPort::ThreadsRunning() const {
    return sys_->waitThread.joinable() && sys_->watching.load();
}

int SerialPort::System::QueuedBytes() const {
    int n = 0;
    if (::ioctl(fd, FIONREAD, &n) != 0) return -1;
    return n;
}

bool SerialPort::System::ReceivePass(int queued) {
    PassEnd* rule = s.passEnd.get();
    // An unsized pass takes what comes until the reader's rule says it is complete.
    const uint32_t want = queued == kUnsized ? kMaxPendingOutput : Shared::PassWant(queued);
    if (rule) rule->Begin();
    bool complete = false;
    bool gone = false;
    std::array<uint8_t, kReadChunk> chunk;
    const uint32_t n = TimedRead(
        fd, wakeFd, want, kReadTotalMs, kReadIntervalMs, kGatherMs, gone,
        [&](uint32_t max) {
            // Read outside the buffer's lock: a reader taking bytes out must never wait for a
            // system call. Under a fast stream it would wait for every read in turn, and find the
            // buffer empty only when the stream ends.
            const ssize_t r = ::read(fd, chunk.data(), std::min<std::size_t>(max, chunk.size()));
            if (r <= 0) return r;
            const std::span<const uint8_t> fresh{chunk.data(), static_cast<std::size_t>(r)};
            if (rule && !complete) complete = rule->Complete(fresh);
            s.Store(fresh, max);
            return r;
        },
        [&] { return complete; });
    s.totalRead += n;
    // One notification for every pass, even one that read nothing.
    s.Post(WM_SERIAL_RECEIVE, 0);
    return !gone;
}

bool SerialPort::System::DrainOutput() {
    std::lock_guard<std::recursive_mutex> g(s.transmit.Lock());
    for (;;) {
        const std::span<const uint8_t> front = s.transmit.Front();
        if (front.empty()) return true;
        const ssize_t r = ::write(fd, front.data(), front.size());
        if (r > 0) {
            s.transmit.Take(nullptr, static_cast<uint32_t>(r));
            s.totalWritten += static_cast<uint32_t>(r);
            continue;
        }
        if (r < 0 && errno == EINTR) continue;
        if (r < 0 && DeviceGone(errno)) return false;
        return true;  // the kernel is full: wait for POLLOUT
    }
}

uint32_t SerialPort::Write(const uint8_t* data, uint32_t count) {
    if (count == 0 || !IsOpen()) return 0;
    Shared& s = *shared_;
    System& y = *sys_;
    std::lock_guard<std::recursive_mutex> g(s.transmit.Lock());
    const bool threaded = y.waitThread.joinable();
    // Without a wait thread nobody else drains the queue; and nothing may overtake it.
    if (!threaded && !y.DrainOutput()) {
        s.hungUp = true;
        return 0;
    }
    uint32_t done = 0;
    if (s.transmit.Size() == 0) {
        while (done < count) {
            const ssize_t r = ::write(y.fd, data + done, count - done);
            if (r > 0) {
                done += static_cast<uint32_t>(r);
                continue;
            }
            if (r < 0 && errno == EINTR) continue;
            if (r < 0 && DeviceGone(errno)) {
                s.totalWritten += done;
                s.hungUp = true;
                s.Tap(true, {data, done});
                return done;
            }
            break;  // the kernel is full; the rest waits in the queue
        }
        s.totalWritten += done;
    }
    const uint32_t queued = s.QueueRoom(count - done);
    if (queued > 0) {
        s.transmit.Append(data + done, queued);
        if (threaded) y.Wake();
    }
    s.Tap(true, {data, done + queued});
    return done + queued;
}

void SerialPort::System::WaitLoop() {
    bool gone = false;
    while (running.load()) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
        if (s.transmit.Size() > 0) fds[0].events |= POLLOUT;
        // POLLHUP and POLLERR come whether asked for or not.
        const int r = ::poll(fds, 2, -1);
        if (r < 0) {
            if (errno == EINTR) continue;
            gone = true;
            break;
        }
        if (fds[1].revents & POLLIN) {
            uint64_t count = 0;
            while (::read(wakeFd, &count, sizeof count) < 0 && errno == EINTR) {
            }
        }
        if (!running.load()) break;
        const short ev = fds[0].revents;
        if (ev & (POLLHUP | POLLERR | POLLNVAL)) {
            // Keep what the device sent before it went.
            if ((ev & POLLIN) && QueuedBytes() > 0) ReceivePass(QueuedBytes());
            gone = true;
            break;
        }
        if ((ev & POLLOUT) && !DrainOutput()) {
            gone = true;
            break;
        }
        // A pass that ends by the reader's rule needs no size: asking the kernel would be one
        // more call for every chunk of a fast stream.
        if ((ev & POLLIN) && !ReceivePass(s.passEnd ? kUnsized : QueuedBytes())) {
            gone = true;
            break;
        }
    }
    watching = false;
    if (gone) {
        // The descriptor leaves the poll set with this thread; ClosePort releases it.
        s.hungUp = true;
        s.Post(WM_SERIAL_REMOVED, 0);
    }
}

}  // namespace orq
