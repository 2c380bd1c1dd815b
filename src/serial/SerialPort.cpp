#include "serial/SerialPort.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <optional>
#include <utility>

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
// a byte once one has come (intervalMs < 0: no such limit), after `totalMs` in all, on hang-up
// (`gone`), or when `wakeFd` (may be -1) becomes readable. `readSome(max)` does one non-blocking
// read of at most max bytes and returns its result; errno is kept from it.
// `complete()`, asked after each read that brought bytes, ends the read before the silence once
// what the kernel already holds has been taken too (no wait for it).
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
            if (intervalMs >= 0) {
                silence = std::min(total, Clock::now() + std::chrono::milliseconds(intervalMs));
            }
            if (r < kFewBytes && got < want && gatherMs > 0) {
                pollfd wake{wakeFd, POLLIN, 0};
                const int ms = std::min(gatherMs, MillisUntil(total));
                if (ms > 0 && ::poll(&wake, wakeFd >= 0 ? 1 : 0, ms) > 0) break;  // work waits
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
        const int pr = ::poll(fds, wakeFd >= 0 ? 2 : 1, ms);
        if (pr < 0 && errno == EINTR) continue;
        if (pr <= 0) break;
        if (wakeFd >= 0 && (fds[1].revents & POLLIN)) break;  // the wait loop has work
        if ((fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) && !(fds[0].revents & POLLIN)) {
            gone = true;
            break;
        }
    }
    return got;
}

}  // namespace

const char* OpenErrorText(OpenError e) {
    switch (e) {
        case OpenError::None:
            return "ok";
        case OpenError::NotFound:
            return "not found";
        case OpenError::PermissionDenied:
            return "no permission";
        case OpenError::InUse:
            return "in use";
        case OpenError::NotATerminal:
            return "not a serial port";
        case OpenError::Other:
            break;
    }
    return "cannot open";
}

SerialPort::SerialPort(uint32_t options) : options_(options) {}

SerialPort::~SerialPort() {
    StopThreads();
    ClosePort();
}

void SerialPort::AddOptions(uint32_t bits) {
    options_.fetch_or(bits);
}

bool SerialPort::OpenPort(int32_t number, std::string path) {
    if (fd_ >= 0) ClosePort();
    SetPortNumber(number);
    SetPortName(std::move(path));
    return OpenPort();
}

bool SerialPort::OpenPort() {
    if (fd_ >= 0) ClosePort();
    hungUp_ = false;
    watchInput_ = true;
    lastError_ = OpenError::None;
    lastErrno_ = 0;
    int fd = -1;
    const auto fail = [&](int err, OpenError why) {
        if (fd >= 0) ::close(fd);
        lastErrno_ = err;
        lastError_ = why;
        return false;
    };
    if (portName_.empty()) return fail(ENOENT, OpenError::NotFound);

    fd = ::open(portName_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return fail(errno, Classify(errno));
    // Another program (or another port object) holding the device must make us give way.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        return fail(err, err == EWOULDBLOCK ? OpenError::InUse : OpenError::Other);
    }
    if (::ioctl(fd, TIOCEXCL) != 0 && errno != ENOTTY && errno != EINVAL) {
        return fail(errno, OpenError::Other);
    }
    termios t{};
    if (::tcgetattr(fd, &t) != 0) {
        const int err = errno;
        return fail(err, err == ENOTTY ? OpenError::NotATerminal : OpenError::Other);
    }
    saved_ = t;

    cfmakeraw(&t);
    t.c_cflag &=
        ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS | HUPCL);
    t.c_cflag |= CS8 | CLOCAL | CREAD;
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
    // VMIN = 1 makes read() == 0 mean hang-up and nothing else.
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    if (!SetAndCheck(fd, t)) {
        const int err = errno;
        ::ioctl(fd, TIOCNXCL);
        ::tcsetattr(fd, TCSANOW, &saved_);
        return fail(err, OpenError::Other);
    }
    // USB adapters hold received bytes for up to 16 ms otherwise; ptys and many drivers refuse.
    serial_struct ss{};
    if (::ioctl(fd, TIOCGSERIAL, &ss) == 0) {
        ss.flags |= ASYNC_LOW_LATENCY;
        ::ioctl(fd, TIOCSSERIAL, &ss);
    }
    haveSaved_ = true;
    fd_ = fd;
    return true;
}

bool SerialPort::SetState(uint32_t baud, int parity, int dataBits, int stopBits) {
    if (fd_ < 0) return false;
    termios t{};
    if (::tcgetattr(fd_, &t) != 0) return false;
    const speed_t speed = SpeedOf(baud);
    if (speed == B0) return false;
    tcflag_t size = 0;
    switch (dataBits) {
        case 5:
            size = CS5;
            break;
        case 6:
            size = CS6;
            break;
        case 7:
            size = CS7;
            break;
        case 8:
            size = CS8;
            break;
        default:
            return false;
    }
    tcflag_t parityBits = 0;
    switch (parity) {
        case 0:
            break;
        case 1:
            parityBits = PARENB | PARODD;
            break;
        case 2:
            parityBits = PARENB;
            break;
        case 3:
            parityBits = PARENB | PARODD | CMSPAR;
            break;
        case 4:
            parityBits = PARENB | CMSPAR;
            break;
        default:
            return false;
    }
    if (stopBits != 1 && stopBits != 2) return false;

    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR);
    t.c_cflag |= size | parityBits | (stopBits == 2 ? CSTOPB : 0);
    if (parity != 0) {
        t.c_iflag |= INPCK;
    } else {
        t.c_iflag &= ~static_cast<tcflag_t>(INPCK);
    }
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    return SetAndCheck(fd_, t);
}

bool SerialPort::SetupPort() {
    if (fd_ < 0) return false;
    // Linux has no driver queue size to set, and the read timing lives in TimedRead.
    transmit_.Clear();
    return ::tcflush(fd_, TCIOFLUSH) == 0;
}

int SerialPort::TotalReadMs() const {
    return (Options() & kOverlapped) != 0 ? kReadTotalMs : kReadTotalPlainMs;
}

bool SerialPort::StartThreads(uint32_t extraOptions) {
    if (waitThread_.joinable()) return false;
    if (fd_ < 0 || hungUp_) return false;
    const uint32_t options = Options() | extraOptions;
    if ((options & (kReadThread | kWriteThread | kSuspended)) != 0) return false;
    options_ = options;
    if ((options & kWaitThread) == 0) return true;

    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0) return false;
    running_ = true;
    watching_ = true;
    try {
        waitThread_ = std::thread(&SerialPort::WaitLoop, this);
    } catch (const std::system_error&) {
        running_ = false;
        watching_ = false;
        ::close(wakeFd_);
        wakeFd_ = -1;
        return false;
    }
    return true;
}

void SerialPort::Wake() {
    const uint64_t one = 1;
    while (::write(wakeFd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

bool SerialPort::StopThreads() {
    if (!waitThread_.joinable()) return false;
    running_ = false;
    // The thread waits only in poll() with the wake descriptor in its set, so it ends at once.
    Wake();
    waitThread_.join();
    ::close(wakeFd_);
    wakeFd_ = -1;
    return true;
}

void SerialPort::ClosePort() {
    if (fd_ < 0) return;
    StopThreads();
    // Unsent output would hold close() for up to 30 s; the line's input is of no use either.
    ::tcflush(fd_, TCIOFLUSH);
    if (haveSaved_) {
        termios t = saved_;
        t.c_cflag &= ~static_cast<tcflag_t>(HUPCL);
        ::tcsetattr(fd_, TCSANOW, &t);
    }
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    fd_ = -1;
    haveSaved_ = false;
    // Output queued for this device must never reach the next one opened.
    transmit_.Clear();
}

bool SerialPort::TakeOver(SerialPort& from) {
    if (&from == this || fd_ >= 0 || from.fd_ < 0 || waitThread_.joinable() ||
        from.waitThread_.joinable())
        return false;
    fd_ = std::exchange(from.fd_, -1);
    saved_ = from.saved_;
    haveSaved_ = std::exchange(from.haveSaved_, false);
    portName_ = from.portName_;
    SetPortNumber(from.PortNumber());
    hungUp_ = from.hungUp_.load();
    watchInput_ = true;
    lastError_ = OpenError::None;
    lastErrno_ = 0;
    receive_.Clear();
    transmit_.Clear();
    std::array<uint8_t, 1024> chunk{};
    while (const uint32_t n = from.receive_.Take(chunk.data(), chunk.size()))
        receive_.Append(chunk.data(), n);
    // What `from` had not yet written was meant for this device too, and goes out first.
    while (const uint32_t n = from.transmit_.Take(chunk.data(), chunk.size()))
        transmit_.Append(chunk.data(), n);
    return true;
}

bool SerialPort::IsOpen() const {
    return fd_ >= 0 && !hungUp_.load();
}

void SerialPort::SetNotifyTarget(std::weak_ptr<NotifyTarget> target) {
    std::lock_guard<std::mutex> g(notifyLock_);
    notify_ = std::move(target);
}

void SerialPort::SetTap(std::shared_ptr<PortTap> tap) {
    std::lock_guard<std::mutex> g(notifyLock_);
    tap_ = std::move(tap);
}

std::shared_ptr<PortTap> SerialPort::CurrentTap() const {
    std::lock_guard<std::mutex> g(notifyLock_);
    return tap_;
}

void SerialPort::Tap(bool sent, std::span<const uint8_t> bytes) {
    if (bytes.empty()) return;
    std::shared_ptr<PortTap> tap;
    {
        std::lock_guard<std::mutex> g(notifyLock_);
        tap = tap_;
    }
    if (!tap) return;
    if (sent)
        tap->Sent(bytes);
    else
        tap->Received(bytes);
}

void SerialPort::Post(uint32_t message, intptr_t param) {
    std::shared_ptr<NotifyTarget> target;
    {
        std::lock_guard<std::mutex> g(notifyLock_);
        target = notify_.lock();
    }
    if (target) target->Post(message, PortNumber(), param);
}

int SerialPort::QueuedBytes() const {
    int n = 0;
    if (::ioctl(fd_, FIONREAD, &n) != 0) return -1;
    return n;
}

uint32_t SerialPort::Read(uint8_t* buffer, uint32_t count, int32_t timeoutMs) {
    if (count == 0) return 0;
    if ((Options() & kReceiveBuffer) != 0) return receive_.Take(buffer, count);
    if (fd_ < 0 || hungUp_) return 0;
    bool gone = false;
    const uint32_t n = ReadPort(buffer, count, timeoutMs, gone);
    if (gone) hungUp_ = true;
    // Let the wait thread watch for input again.
    watchInput_ = true;
    if (waitThread_.joinable()) Wake();
    return n;
}

uint32_t SerialPort::ReadPort(uint8_t* buffer, uint32_t count, int32_t timeoutMs, bool& gone) {
    const bool lineTiming = timeoutMs < 0;
    uint32_t got = 0;
    const uint32_t n = TimedRead(
        fd_, -1, count, lineTiming ? TotalReadMs() : timeoutMs, lineTiming ? kReadIntervalMs : -1,
        0, gone,
        [&](uint32_t max) {
            const ssize_t r = ::read(fd_, buffer + got, max);
            if (r > 0) {
                Tap(false, {buffer + got, static_cast<std::size_t>(r)});
                got += static_cast<uint32_t>(r);
            }
            return r;
        },
        [] { return false; });
    totalRead_ += n;
    return n;
}

uint32_t SerialPort::ReadIntoBuffer(uint32_t want, bool& gone) {
    const bool atFrame = passEndsAtFrame_.load();
    bool trailer = false;
    uint8_t previous = 0;
    std::array<uint8_t, kReadChunk> chunk;
    const uint32_t n = TimedRead(
        fd_, wakeFd_, want, TotalReadMs(), kReadIntervalMs, kGatherMs, gone,
        [&](uint32_t max) {
            // Read outside the buffer's lock: a reader taking bytes out must never wait for a
            // system call. Under a fast stream it would wait for every read in turn, and find the
            // buffer empty only when the stream ends.
            const ssize_t r = ::read(fd_, chunk.data(), std::min<std::size_t>(max, chunk.size()));
            if (r <= 0) return r;
            const auto got = static_cast<uint32_t>(r);
            const std::span<const uint8_t> fresh{chunk.data(), got};
            Tap(false, fresh);
            for (std::size_t i = 0; atFrame && !trailer && i < fresh.size(); ++i) {
                trailer = previous == kTrailer0 && fresh[i] == kTrailer1;
                previous = fresh[i];
            }
            std::lock_guard<std::recursive_mutex> g(receive_.Lock());
            // A new block is sized for the rest of the pass, so that the small passes after it
            // land in its free tail too; but never larger than the buffer keeps once emptied, so
            // that a reader keeping up with a stream has pass after pass land in the same block
            // rather than one allocated here and freed by the reader for every pass.
            if (receive_.TailFree() < got)
                receive_.Reserve(std::max(got, std::min(max, receive_.KeptBlockSize())));
            receive_.Append(chunk.data(), got);
            return r;
        },
        [&] { return trailer; });
    totalRead_ += n;
    return n;
}

bool SerialPort::ReceivePass(int queued) {
    if ((Options() & kReceiveBuffer) == 0) {
        // The window reads the device itself; stop watching input until it has.
        watchInput_ = false;
        Post(WM_SERIAL_RECEIVE, 0);
        return true;
    }
    // When the kernel cannot say how much is queued, ask for a little; an unsized pass takes what
    // comes until its frame ends.
    const uint32_t want = queued == kUnsized ? kMaxPendingOutput
                          : queued < 0       ? 62u
                                             : 2u * static_cast<uint32_t>(queued) + 64u;
    bool gone = false;
    ReadIntoBuffer(want, gone);
    // One notification for every pass, even one that read nothing.
    Post(WM_SERIAL_RECEIVE, 0);
    return !gone;
}

bool SerialPort::DrainOutput() {
    std::lock_guard<std::recursive_mutex> g(transmit_.Lock());
    for (;;) {
        const std::span<const uint8_t> front = transmit_.Front();
        if (front.empty()) return true;
        const ssize_t r = ::write(fd_, front.data(), front.size());
        if (r > 0) {
            transmit_.Take(nullptr, static_cast<uint32_t>(r));
            totalWritten_ += static_cast<uint32_t>(r);
            continue;
        }
        if (r < 0 && errno == EINTR) continue;
        if (r < 0 && DeviceGone(errno)) return false;
        return true;  // the kernel is full: wait for POLLOUT
    }
}

uint32_t SerialPort::Write(const uint8_t* data, uint32_t count) {
    if (count == 0 || !IsOpen()) return 0;
    std::lock_guard<std::recursive_mutex> g(transmit_.Lock());
    const bool threaded = waitThread_.joinable();
    // Without a wait thread nobody else drains the queue; and nothing may overtake it.
    if (!threaded && !DrainOutput()) {
        hungUp_ = true;
        return 0;
    }
    uint32_t done = 0;
    if (transmit_.Size() == 0 && (Options() & kTransmitBuffer) == 0) {
        while (done < count) {
            const ssize_t r = ::write(fd_, data + done, count - done);
            if (r > 0) {
                done += static_cast<uint32_t>(r);
                continue;
            }
            if (r < 0 && errno == EINTR) continue;
            if (r < 0 && DeviceGone(errno)) {
                totalWritten_ += done;
                hungUp_ = true;
                Tap(true, {data, done});
                return done;
            }
            break;  // the kernel is full; the rest waits in the queue
        }
        totalWritten_ += done;
    }
    const uint32_t pending = transmit_.Size();
    const uint32_t room = pending < kMaxPendingOutput ? kMaxPendingOutput - pending : 0;
    const uint32_t queued = std::min(count - done, room);
    if (queued > 0) {
        transmit_.Append(data + done, queued);
        if (threaded) Wake();
    }
    Tap(true, {data, done + queued});
    return done + queued;
}

void SerialPort::WaitLoop() {
    bool gone = false;
    while (running_.load()) {
        pollfd fds[2] = {{fd_, 0, 0}, {wakeFd_, POLLIN, 0}};
        if (watchInput_.load()) fds[0].events |= POLLIN;
        if (transmit_.Size() > 0) fds[0].events |= POLLOUT;
        // POLLHUP and POLLERR come whether asked for or not.
        const int r = ::poll(fds, 2, -1);
        if (r < 0) {
            if (errno == EINTR) continue;
            gone = true;
            break;
        }
        if (fds[1].revents & POLLIN) {
            uint64_t count = 0;
            while (::read(wakeFd_, &count, sizeof count) < 0 && errno == EINTR) {
            }
        }
        if (!running_.load()) break;
        const short ev = fds[0].revents;
        if (ev & (POLLHUP | POLLERR | POLLNVAL)) {
            // Keep what the device sent before it went.
            if ((ev & POLLIN) && watchInput_.load() && QueuedBytes() > 0)
                ReceivePass(QueuedBytes());
            gone = true;
            break;
        }
        if ((ev & POLLOUT) && !DrainOutput()) {
            gone = true;
            break;
        }
        // A pass that ends at a frame needs no size: asking the kernel would be one more call
        // for every chunk of a fast stream.
        if ((ev & POLLIN) && !ReceivePass(passEndsAtFrame_.load() ? kUnsized : QueuedBytes())) {
            gone = true;
            break;
        }
    }
    watching_ = false;
    if (gone) {
        // The descriptor leaves the poll set with this thread; ClosePort releases it.
        hungUp_ = true;
        Post(WM_SERIAL_REMOVED, 0);
    }
}

}  // namespace orq
