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
#include <system_error>

#include "protocol/Presets.h"
#include "sim/LineQueue.h"
#include "sim/ReplyFaults.h"

namespace orq {

namespace {

void CloseFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

std::string Reason(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
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

// The thread's two directions of the line: what the unit has yet to hear, and what it has yet to
// send.
struct SimUnit::Line {
    LineQueue heard;
    LineQueue sent;
    bool blocked = false;  // the terminal took no more: wait until it can
    std::array<uint8_t, 4096> buffer{};
};

void SimUnit::Run() {
    UnitModel model(options_.image, options_.reply, options_.monitorPeriod, options_.monitorRaw);
    const SimClock::duration byteTime = options_.pace ? kSimByteTime : SimClock::duration{};
    // A drip sets the pace of the replies whatever the line's own.
    Line line{LineQueue(byteTime),
              LineQueue(options_.faults.drip.count() > 0
                            ? std::chrono::duration_cast<SimClock::duration>(options_.faults.drip)
                            : byteTime)};
    ReplyFaults faults(options_.faults);
    UnitModel::Output out;
    for (;;) {
        if (endStream_.exchange(false)) model.EndStream();
        const SimClock::time_point now = SimClock::now();
        for (auto& bytes = line.heard.Bytes(); !bytes.empty() && bytes.front().at <= now;
             bytes.pop_front())
            model.Receive(bytes.front().byte, bytes.front().at, out);
        model.Tick(now, line.sent.Empty(), out);
        if (!out.log.empty()) Record(model, out.log);
        faults.Queue(out.replies, now, line.sent);
        out.replies.clear();
        if (!Transmit(line, now)) return;

        std::optional<SimClock::time_point> next = model.NextDeadline();
        const auto sooner = [&next](std::optional<SimClock::time_point> due) {
            if (due && (!next || *due < *next)) next = due;
        };
        sooner(line.heard.NextDue());
        if (!line.blocked) sooner(line.sent.NextDue());
        if (!Listen(line, next)) return;
    }
}

void SimUnit::Record(const UnitModel& model, std::vector<std::string>& log) {
    {
        std::lock_guard lock(imageLock_);
        image_ = model.Image();
    }
    for (std::string& entry : log) {
        if (log_ < 0) break;
        entry.push_back('\n');
        // One write per line keeps lines whole with O_APPEND; a full disk is not ours.
        [[maybe_unused]] const ssize_t w = ::write(log_, entry.data(), entry.size());
    }
    log.clear();
}

bool SimUnit::Transmit(Line& line, SimClock::time_point now) {
    if (line.blocked || !line.sent.Due(now)) return true;
    auto& bytes = line.sent.Bytes();
    if (bytes.front().unplug) {
        CloseFd(master_);
        unplugged_ = true;
        return false;
    }
    std::size_t due = 0;
    while (due < bytes.size() && due < line.buffer.size() && bytes[due].at <= now &&
           !bytes[due].unplug) {
        line.buffer[due] = bytes[due].byte;
        ++due;
    }
    const ssize_t w = ::write(master_, line.buffer.data(), due);
    if (w > 0) {
        const auto sent = bytes.begin() + w;
        monitorReplies_ += static_cast<uint32_t>(std::count_if(
            bytes.begin(), sent, [](const LineByte& b) { return b.endsMonitorReply; }));
        bytes.erase(bytes.begin(), sent);
    }
    if (w < 0 && errno != EAGAIN && errno != EINTR) return false;  // the terminal is gone
    if (w < static_cast<ssize_t>(due)) line.blocked = true;
    return true;
}

bool SimUnit::Listen(Line& line, std::optional<SimClock::time_point> until) {
    timespec timeout{};
    if (until) {
        const auto wait = std::max(SimClock::duration::zero(), *until - SimClock::now());
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
        timeout.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
        timeout.tv_nsec = static_cast<long>(ns % 1'000'000'000);
    }
    std::array<pollfd, 2> fds{
        {{master_, static_cast<short>(POLLIN | (line.blocked ? POLLOUT : 0)), 0},
         {wake_, POLLIN, 0}}};
    const int ready = ::ppoll(fds.data(), fds.size(), until ? &timeout : nullptr, nullptr);
    if (ready < 0) return errno == EINTR;
    if (fds[1].revents != 0) {
        if (stopping_) return false;
        uint64_t wakes = 0;  // an EndStream: taken at the top of the loop
        [[maybe_unused]] const ssize_t r = ::read(wake_, &wakes, sizeof wakes);
    }
    if (fds[0].revents & POLLOUT) line.blocked = false;
    bool heard = false;
    if (fds[0].revents & POLLIN) {
        const SimClock::time_point now = SimClock::now();
        for (ssize_t r; (r = ::read(master_, line.buffer.data(), line.buffer.size())) > 0;) {
            heard = true;
            for (ssize_t i = 0; i < r; ++i)
                line.heard.Push(line.buffer[static_cast<std::size_t>(i)], now);
        }
    }
    // Cannot happen while we hold the slave open; never spin on it if it does.
    return heard || !(fds[0].revents & (POLLHUP | POLLERR | POLLNVAL));
}

}  // namespace orq
