#include "sim/SimUnit.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <random>
#include <system_error>

#include "protocol/Presets.h"

namespace orq {

namespace {

// One byte on a 9600 baud 8N1 line: start bit, eight data bits, stop bit.
constexpr std::chrono::nanoseconds kByteTime{10'000'000'000LL / 9600};

void CloseFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

std::string Reason(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

struct TimedByte {
    uint8_t byte;
    SimClock::time_point at;        // when it is through the line
    bool unplug = false;            // instead of a byte: the adapter goes away here
    bool endsMonitorReply = false;  // once this is through, a whole monitor reply was sent
};

constexpr uint32_t kGarbageLimit = 100 * 1024;

// A reply as a failing unit might send it: the check byte, the echoed sequence number or the
// kind made wrong.
Frame Corrupted(Frame f, SimFaults::Corrupt corrupt) {
    LinkState link;
    if (corrupt == SimFaults::Corrupt::None || !FindFrame(link, f)) return f;
    const std::size_t n = link.N;  // payload from frame byte 2
    switch (corrupt) {
        case SimFaults::Corrupt::Check:
            f[2 + n - 1] ^= 0x5A;
            break;
        case SimFaults::Corrupt::Echo:
            f[4] ^= 0x80;
            break;
        case SimFaults::Corrupt::Kind:
            f[2] = 0x63;
            break;
        case SimFaults::Corrupt::None:
            break;
    }
    if (corrupt != SimFaults::Corrupt::Check)  // the check stays right for the changed bytes
        f[2 + n - 1] = XorOf(std::span<const uint8_t>(&f[2], n - 1));
    return f;
}

}  // namespace

UnitImage FactoryImage(int8_t deviceState) {
    UnitImage image;
    image.Setup = FactorySetup();
    image.Setup.DeviceState = deviceState;
    image.Tuning = FactoryTuning();
    return image;
}

SimUnit::SimUnit(SimOptions options) : options_(std::move(options)), image_(options_.image) {}

SimUnit::~SimUnit() {
    Stop();
}

bool SimUnit::Start(std::string& error) {
    if (Running()) {
        error = "the simulated unit is already running";
        return false;
    }
    auto fail = [&](std::string reason) {
        error = std::move(reason);
        CloseFd(log_);
        CloseFd(slave_);
        CloseFd(master_);
        CloseFd(wake_);
        devicePath_.clear();
        return false;
    };

    wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_ < 0) return fail(Reason("eventfd"));
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) return fail(Reason("cannot open a pseudo-terminal"));
    std::array<char, 128> name{};
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
        ::ptsname_r(master_, name.data(), name.size()) != 0) {
        return fail(Reason("cannot unlock the pseudo-terminal"));
    }
    if (::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK) != 0) {
        return fail(Reason("fcntl"));
    }
    devicePath_ = name.data();
    slave_ = ::open(devicePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0) return fail(Reason(devicePath_.c_str()));
    // Raw from the start: no echo, no newline translation, whatever the host does later.
    termios t{};
    if (::tcgetattr(slave_, &t) != 0) return fail(Reason("tcgetattr"));
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    ::cfsetispeed(&t, B9600);
    ::cfsetospeed(&t, B9600);
    if (::tcsetattr(slave_, TCSANOW, &t) != 0) return fail(Reason("tcsetattr"));

    if (!options_.logPath.empty()) {
        log_ = ::open(options_.logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (log_ < 0) return fail(Reason(options_.logPath.c_str()));
    }
    {
        std::lock_guard lock(imageLock_);
        image_ = options_.image;
    }
    monitorReplies_ = 0;
    stopping_ = false;
    endStream_ = false;
    try {
        worker_ = std::thread(&SimUnit::Run, this);
    } catch (const std::system_error& e) {
        return fail(std::string("cannot start the unit's thread: ") + e.what());
    }
    return true;
}

void SimUnit::Stop() {
    if (worker_.joinable()) {
        stopping_ = true;
        const uint64_t one = 1;
        // An eventfd write of 1 cannot fail short of overflow; the thread reads nothing back.
        [[maybe_unused]] const ssize_t w = ::write(wake_, &one, sizeof one);
        worker_.join();
    }
    CloseFd(log_);
    CloseFd(slave_);
    CloseFd(master_);
    CloseFd(wake_);
    devicePath_.clear();
}

void SimUnit::EndStream() {
    if (wake_ < 0) return;
    endStream_ = true;
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t w = ::write(wake_, &one, sizeof one);
}

UnitImage SimUnit::Image() const {
    std::lock_guard lock(imageLock_);
    return image_;
}

void SimUnit::Run() {
    UnitModel model(options_.image, options_.reply, options_.monitorPeriod, options_.monitorRaw);
    const bool pace = options_.pace;
    std::deque<TimedByte> rx, tx;
    SimClock::time_point rxLineFree{}, txLineFree{};
    bool txBlocked = false;  // the terminal took no more: wait until it can
    std::array<uint8_t, 4096> buffer{};
    UnitModel::Output out;
    const SimFaults& faults = options_.faults;
    std::mt19937 random(faults.seed);
    uint32_t repliesQueued = 0;
    bool unplugQueued = false;
    // Where each queued byte goes on the line: after the one before it, at the line's pace, the
    // drip's, or at once; with slicing, in pieces a little apart.
    const auto queue = [&](uint8_t byte, SimClock::time_point now, bool unplug = false) {
        SimClock::time_point at = std::max(now, txLineFree);
        if (faults.drip.count() > 0)
            at += faults.drip;
        else if (pace)
            at += kByteTime;
        if (faults.slice && random() % 5 == 0) at += std::chrono::milliseconds(1 + random() % 3);
        txLineFree = at;
        tx.push_back({byte, at, unplug});
    };
    const auto randomByte = [&] { return static_cast<uint8_t>(random() & 0x7D); };  // never 7E/7F
    const auto unplugNow = [&] {
        CloseFd(master_);
        unplugged_ = true;
    };

    for (;;) {
        if (endStream_.exchange(false)) model.EndStream();
        SimClock::time_point now = SimClock::now();
        while (!rx.empty() && rx.front().at <= now) {
            model.Receive(rx.front().byte, rx.front().at, out);
            rx.pop_front();
        }
        model.Tick(now, tx.empty(), out);

        if (!out.log.empty()) {
            {
                std::lock_guard lock(imageLock_);
                image_ = model.Image();
            }
            for (std::string& line : out.log) {
                if (log_ < 0) break;
                line.push_back('\n');
                // One write per line keeps lines whole with O_APPEND; a full disk is not ours.
                [[maybe_unused]] const ssize_t w = ::write(log_, line.data(), line.size());
            }
            out.log.clear();
        }
        const auto& unplugAt = faults.unplugAfterReplies;
        for (const Frame& reply : out.replies) {
            if (faults.silentAfterFirstReply && repliesQueued > 0) break;
            if (unplugAt && !faults.midReply && repliesQueued >= *unplugAt) {
                queue(0, now, true);  // after what is on its way
                unplugQueued = true;
                break;
            }
            if (repliesQueued == 0)
                for (uint32_t i = 0; i < std::min(faults.garbage, kGarbageLimit); ++i)
                    queue(static_cast<uint8_t>(random()), now);
            for (uint32_t i = 0; i < faults.noise; ++i) queue(randomByte(), now);
            const Frame f = Corrupted(reply, faults.corrupt);
            const bool monitor = reply[3] == kReplyMonitor;
            const bool cut = unplugAt && faults.midReply && repliesQueued + 1 == *unplugAt;
            for (std::size_t i = 0; i < f.size(); ++i) {
                if (cut && i == f.size() / 2) {
                    queue(0, now, true);
                    unplugQueued = true;
                    break;
                }
                queue(f[i], now);
                if (monitor && i + 1 == f.size()) tx.back().endsMonitorReply = true;
            }
            ++repliesQueued;
            if (unplugQueued) break;
        }
        out.replies.clear();

        if (!txBlocked && !tx.empty() && tx.front().at <= now) {
            if (tx.front().unplug) {
                unplugNow();
                return;
            }
            std::size_t due = 0;
            while (due < tx.size() && due < buffer.size() && tx[due].at <= now && !tx[due].unplug) {
                buffer[due] = tx[due].byte;
                ++due;
            }
            const ssize_t w = ::write(master_, buffer.data(), due);
            if (w > 0) {
                const auto sent = tx.begin() + w;
                monitorReplies_ += static_cast<uint32_t>(std::count_if(
                    tx.begin(), sent, [](const TimedByte& b) { return b.endsMonitorReply; }));
                tx.erase(tx.begin(), sent);
            }
            if (w < 0 && errno != EAGAIN && errno != EINTR) return;  // the terminal is gone
            if (w < static_cast<ssize_t>(due)) txBlocked = true;
        }

        std::optional<SimClock::time_point> next = model.NextDeadline();
        auto sooner = [&next](SimClock::time_point t) {
            if (!next || t < *next) next = t;
        };
        if (!rx.empty()) sooner(rx.front().at);
        if (!txBlocked && !tx.empty()) sooner(tx.front().at);

        timespec timeout{};
        if (next) {
            const auto wait = std::max(SimClock::duration::zero(), *next - SimClock::now());
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
            timeout.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
            timeout.tv_nsec = static_cast<long>(ns % 1'000'000'000);
        }
        std::array<pollfd, 2> fds{
            {{master_, static_cast<short>(POLLIN | (txBlocked ? POLLOUT : 0)), 0},
             {wake_, POLLIN, 0}}};
        const int ready = ::ppoll(fds.data(), fds.size(), next ? &timeout : nullptr, nullptr);
        if (ready < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents != 0) {
            if (stopping_) return;
            uint64_t wakes = 0;  // an EndStream: taken at the top of the loop
            [[maybe_unused]] const ssize_t r = ::read(wake_, &wakes, sizeof wakes);
        }
        if (fds[0].revents & POLLOUT) txBlocked = false;
        bool heard = false;
        if (fds[0].revents & POLLIN) {
            now = SimClock::now();
            for (;;) {
                const ssize_t r = ::read(master_, buffer.data(), buffer.size());
                if (r <= 0) break;
                heard = true;
                for (ssize_t i = 0; i < r; ++i) {
                    SimClock::time_point at = now;
                    if (pace) at = rxLineFree = std::max(now, rxLineFree) + kByteTime;
                    rx.push_back({buffer[static_cast<std::size_t>(i)], at});
                }
            }
        }
        // Cannot happen while we hold the slave open; never spin on it if it does.
        if (!heard && (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL))) return;
    }
}

}  // namespace orq
