// Our serial path against QSerialPort, in one run: how soon a 90-byte frame reaches the consumer
// after the far end wrote its last byte, how fast a bulk stream gets through, and what the
// receiving side spends in CPU per megabyte. Each port reads the slave of a pseudo-terminal pair of
// its own, opened once for the whole run as a program holds its port for a session; the rounds
// alternate between them (ours first in even rounds, QSerialPort first in odd ones), so a change
// in the machine's load falls on both alike.
//
// The far end is a child process forked before anything else starts. It holds both masters,
// writes what the bench asks for over a socket pair, and takes each frame's time right after its
// write() returned (steady_clock is CLOCK_MONOTONIC, one clock for both processes). Its CPU is
// therefore not counted: the receiving side's CPU is getrusage(RUSAGE_SELF) of this process over
// a stream, every thread of it (our wait thread too). The kernel's pty work in its kworker
// threads is counted to neither side. Whichever port is not in its turn gets no bytes and sleeps.
//
// Ours is set up as orqctl uses it: a port whose receive pass ends at a frame's trailer, its
// notifications waking a SerialLoop that moves the bytes into the session's accumulator.
// QSerialPort is read on readyRead in a Qt event loop. A frame counts as in once the consumer has
// all 90 bytes. With the default pass, which waits for 100 ms of silence as the windows expect,
// a frame comes a silence interval late by design: that figure is printed for information only.
//
//     build/release/bench/serial/serial_bench [ROUNDS] [MB_PER_STREAM]      (10 and 16)
//
// The last line holds name=value pairs; each *_vs_qserialport is ours divided by QSerialPort's
// (latency and CPU per MB: at most 1 is the goal; throughput: at least 1). The latency ratios
// compare the frames of all rounds; throughput and CPU, one stream a round on each side, take the
// median of the rounds' own ratios, as the two streams of a round ran back to back.

#include <pty.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QSerialPort>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "link/FrameEnd.h"
#include "link/SerialLoop.h"
#include "protocol/LinkFrame.h"
#include "serial/BlockBuffer.h"
#include "serial/SerialPort.h"

namespace {

using Clock = std::chrono::steady_clock;
using orq::kFrameSize;

constexpr int kFramesPerRound = 30;
constexpr int kDefaultPassFrames = 20;
// Long enough for the consumer to be back asleep when the next frame comes, as between frames at
// the line's own speed; the far end adds up to half as much again at random.
constexpr int kSpacingUs = 4000;
// One bulk write: whole frames, so the stream is what a line carries, and a multiple of the
// pattern's 64-frame period, so the far end writes the same chunk over and over.
constexpr std::size_t kBulkChunk = kFrameSize * 64 * 12;
constexpr uint64_t kSampleStride = 61;  // prime to 90: the samples fall on every place in a frame

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "serial_bench: %s\n", what.c_str());
    std::exit(1);
}

int64_t Nanos(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
}

// Byte `offset` of the stream: frame after frame with header and trailer, and between them values
// below 0x40, so no trailer falls anywhere but at a frame's end. A frame's last byte is thus the
// one that ends our pass. The stream repeats every 64 frames.
uint8_t PatternByte(uint64_t offset) {
    const uint64_t frame = offset / kFrameSize;
    const uint64_t at = offset % kFrameSize;
    if (at == 0) return orq::kHeader0;
    if (at == 1) return orq::kHeader1;
    if (at == kFrameSize - 2) return orq::kTrailer0;
    if (at == kFrameSize - 1) return orq::kTrailer1;
    return static_cast<uint8_t>((frame * 31 + at * 7) & 0x3F);
}

orq::Frame NumberedFrame(uint64_t n) {
    orq::Frame f{};
    for (std::size_t i = 0; i < f.size(); ++i) f[i] = PatternByte(n * kFrameSize + i);
    return f;
}

bool ReadAll(int fd, void* to, std::size_t n) {
    auto* p = static_cast<uint8_t*>(to);
    while (n > 0) {
        const ssize_t r = ::read(fd, p, n);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        p += r;
        n -= static_cast<std::size_t>(r);
    }
    return true;
}

bool WriteAll(int fd, const void* from, std::size_t n) {
    const auto* p = static_cast<const uint8_t*>(from);
    while (n > 0) {
        const ssize_t r = ::write(fd, p, n);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        p += r;
        n -= static_cast<std::size_t>(r);
    }
    return true;
}

// Which of the far end's two lines a command is for: each port has a pty pair of its own.
enum Line : uint32_t { kOurLine = 0, kTheirLine = 1 };

struct Command {
    enum Kind : uint32_t { Frames, Bulk } kind;
    Line line;
    uint32_t count;  // frames
    uint64_t bytes;  // bulk
};

// The far end's whole life: it answers commands until the bench closes its end of the socket.
[[noreturn]] void RunFarEnd(const int (&masters)[2], int control) {
    uint64_t jitter = 0x9E3779B97F4A7C15ull;
    std::vector<uint8_t> bulk(kBulkChunk);
    for (std::size_t i = 0; i < bulk.size(); ++i) bulk[i] = PatternByte(i);
    Command c{};
    while (ReadAll(control, &c, sizeof c)) {
        const int master = masters[c.line];
        if (c.kind == Command::Frames) {
            for (uint32_t n = 0; n < c.count; ++n) {
                const orq::Frame f = NumberedFrame(n);
                if (!WriteAll(master, f.data(), f.size())) _exit(2);
                const int64_t written = Nanos(Clock::now());
                uint8_t ack = 0;
                if (!WriteAll(control, &written, sizeof written) || !ReadAll(control, &ack, 1))
                    _exit(2);
                jitter = jitter * 6364136223846793005ull + 1442695040888963407ull;
                std::this_thread::sleep_for(std::chrono::microseconds(
                    kSpacingUs + static_cast<int>((jitter >> 33) % (kSpacingUs / 2))));
            }
        } else {
            for (uint64_t sent = 0; sent < c.bytes;) {
                const std::size_t n =
                    static_cast<std::size_t>(std::min<uint64_t>(bulk.size(), c.bytes - sent));
                if (!WriteAll(master, bulk.data(), n)) _exit(2);
                sent += n;
            }
            const int64_t done = Nanos(Clock::now());
            if (!WriteAll(control, &done, sizeof done)) _exit(2);
        }
    }
    _exit(0);
}

class FarEnd {
public:
    FarEnd() {
        int masters[2] = {-1, -1};
        termios raw{};
        ::cfmakeraw(&raw);
        for (int line = 0; line < 2; ++line) {
            char name[256] = {};
            // Raw from the start, so nothing is echoed or translated before a port sets it up.
            if (::openpty(&masters[line], &slaves_[line], name, &raw, nullptr) != 0)
                Fail("openpty failed");
            paths_[line] = name;
        }
        int pair[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
            Fail("socketpair failed");
        child_ = ::fork();
        if (child_ < 0) Fail("fork failed");
        if (child_ == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            ::close(pair[0]);
            for (const int slave : slaves_) ::close(slave);
            RunFarEnd(masters, pair[1]);
        }
        ::close(pair[1]);
        for (const int master : masters) ::close(master);
        control_ = pair[0];
    }
    ~FarEnd() {
        ::close(control_);
        int status = 0;
        ::waitpid(child_, &status, 0);
        for (const int slave : slaves_) ::close(slave);
    }
    FarEnd(const FarEnd&) = delete;
    FarEnd& operator=(const FarEnd&) = delete;

    const std::string& Path(Line line) const { return paths_[line]; }

    void SendFrames(Line line, uint32_t count) { Send({Command::Frames, line, count, 0}); }
    // When the frame's last byte had been written.
    int64_t Written() {
        int64_t at = 0;
        if (!ReadAll(control_, &at, sizeof at)) Fail("the far end is gone");
        return at;
    }
    // Lets the far end go on to the next frame.
    void Ack() {
        const uint8_t ack = 1;
        if (!WriteAll(control_, &ack, 1)) Fail("the far end is gone");
    }
    void SendBulk(Line line, uint64_t bytes) { Send({Command::Bulk, line, 0, bytes}); }

private:
    void Send(const Command& c) {
        if (!WriteAll(control_, &c, sizeof c)) Fail("the far end is gone");
    }

    std::string paths_[2];
    int slaves_[2] = {-1, -1};  // held open here too, so a line never hangs up
    int control_ = -1;
    pid_t child_ = -1;
};

double CpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The stream as it comes in: counted, and every kSampleStride-th byte compared with what it must
// be, which finds a byte lost, doubled or changed anywhere before the last sample.
struct StreamCheck {
    uint64_t received = 0;
    uint64_t nextSample = 0;
    bool intact = true;
    void Feed(const uint8_t* bytes, std::size_t n) {
        for (; nextSample < received + n; nextSample += kSampleStride)
            intact = intact && bytes[nextSample - received] == PatternByte(nextSample);
        received += n;
    }
};

struct Stream {
    double seconds = 0;
    double cpuSeconds = 0;
    double megabytes = 0;
    uint64_t wakeups = 0;  // times the consumer woke to bytes: the cost grows with them
};

Stream Finish(const StreamCheck& check, uint64_t bytes, Clock::time_point t0, double cpu0,
              uint64_t wakeups, const char* who) {
    Stream s;
    s.wakeups = wakeups;
    s.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    s.cpuSeconds = CpuSeconds() - cpu0;
    s.megabytes = static_cast<double>(bytes) / 1e6;
    if (check.received != bytes || !check.intact)
        Fail(std::string(who) + ": stream came in " + (check.intact ? "short" : "changed") + " (" +
             std::to_string(check.received) + " of " + std::to_string(bytes) + " bytes)");
    return s;
}

void CheckFrame(const uint8_t* f, uint32_t n) {
    const orq::Frame want = NumberedFrame(n);
    if (std::memcmp(f, want.data(), want.size()) != 0)
        Fail("frame " + std::to_string(n) + " came in changed");
}

// Our port as orqctl holds it for a session: opened once, its wait thread running throughout.
class Ours {
public:
    explicit Ours(FarEnd& far) : far_(far) {
        accumulator_.SetMinimumBlockSize(orq::UnitSession::kAccumulatorBlock);
        if (!port_.OpenPort(1, far.Path(kOurLine)) || !port_.SetState(9600, 0, 8, 1) ||
            !port_.SetupPort() || !port_.StartThreads())
            Fail("our port did not open " + far.Path(kOurLine));
    }

    // The way a pass ends is set while the wait thread rests.
    void PassesEndAtFrame(bool on) {
        port_.StopThreads();
        static_cast<void>(port_.SetPassEnd(on ? std::make_unique<orq::FrameEnd>() : nullptr));
        if (!port_.StartThreads()) Fail("our port's thread did not start again");
    }

    std::vector<double> Frames(uint32_t frames, bool passEndsAtFrame) {
        PassesEndAtFrame(passEndsAtFrame);
        std::vector<double> us;
        far_.SendFrames(kOurLine, frames);
        for (uint32_t n = 0; n < frames; ++n) {
            Clock::time_point in;
            const bool whole = loop_.WaitFor(
                [&] {
                    if (accumulator_.Size() < kFrameSize) return false;
                    in = Clock::now();
                    return true;
                },
                std::chrono::seconds(2));
            if (!whole) Fail("our port missed frame " + std::to_string(n));
            orq::Frame f{};
            (void)accumulator_.Take(f.data(), f.size());
            CheckFrame(f.data(), n);
            us.push_back(static_cast<double>(Nanos(in) - far_.Written()) / 1e3);
            far_.Ack();
        }
        return us;
    }

    Stream Bulk(uint64_t bytes) {
        PassesEndAtFrame(true);
        std::vector<uint8_t> chunk(64 * 1024);
        const auto room = static_cast<uint32_t>(chunk.size());
        StreamCheck check;
        uint64_t wakeups = 0;
        const double cpu0 = CpuSeconds();
        const auto t0 = Clock::now();
        far_.SendBulk(kOurLine, bytes);
        const bool whole = loop_.WaitFor(
            [&] {
                ++wakeups;
                while (const uint32_t n = accumulator_.Take(chunk.data(), room))
                    check.Feed(chunk.data(), n);
                return check.received >= bytes;
            },
            std::chrono::seconds(120));
        const Stream s = Finish(check, bytes, t0, cpu0, wakeups, "ours");
        if (!whole) Fail("ours: stream did not end");
        far_.Written();
        return s;
    }

private:
    FarEnd& far_;
    orq::UnitSession session_;
    orq::SerialLoop loop_{session_};
    orq::SerialPort& port_ = session_.Port();
    orq::BlockBuffer& accumulator_ = session_.Accumulator();
};

// QSerialPort as a Qt program holds it: opened once, read on readyRead in the event loop.
class Theirs {
public:
    explicit Theirs(FarEnd& far) : far_(far) {
        port_.setPortName(QString::fromStdString(far.Path(kTheirLine)));
        if (!port_.open(QIODevice::ReadWrite) || !port_.setBaudRate(9600) ||
            !port_.setDataBits(QSerialPort::Data8) || !port_.setParity(QSerialPort::NoParity) ||
            !port_.setStopBits(QSerialPort::OneStop) ||
            !port_.setFlowControl(QSerialPort::NoFlowControl))
            Fail("QSerialPort did not open " + far.Path(kTheirLine) + ": " +
                 port_.errorString().toStdString());
    }

    std::vector<double> Frames(uint32_t frames) {
        std::vector<double> us;
        QEventLoop loop;
        const auto c = QObject::connect(&port_, &QSerialPort::readyRead, [&] {
            if (port_.bytesAvailable() < static_cast<qint64>(kFrameSize)) return;
            const Clock::time_point in = Clock::now();
            orq::Frame f{};
            if (port_.read(reinterpret_cast<char*>(f.data()), f.size()) != f.size())
                Fail("QSerialPort read less than it had");
            CheckFrame(f.data(), static_cast<uint32_t>(us.size()));
            us.push_back(static_cast<double>(Nanos(in) - far_.Written()) / 1e3);
            far_.Ack();
            if (us.size() == frames) loop.quit();
        });
        far_.SendFrames(kTheirLine, frames);
        RunUntil(loop, std::chrono::seconds(2) * frames, "QSerialPort missed a frame");
        QObject::disconnect(c);
        return us;
    }

    Stream Bulk(uint64_t bytes) {
        std::vector<uint8_t> chunk(64 * 1024);
        StreamCheck check;
        uint64_t wakeups = 0;
        QEventLoop loop;
        const auto c = QObject::connect(&port_, &QSerialPort::readyRead, [&] {
            ++wakeups;
            while (const qint64 n =
                       port_.read(reinterpret_cast<char*>(chunk.data()), chunk.size())) {
                if (n < 0) Fail("QSerialPort read failed");
                check.Feed(chunk.data(), static_cast<std::size_t>(n));
            }
            if (check.received >= bytes) loop.quit();
        });
        const double cpu0 = CpuSeconds();
        const auto t0 = Clock::now();
        far_.SendBulk(kTheirLine, bytes);
        RunUntil(loop, std::chrono::seconds(120), "QSerialPort: stream did not end");
        const Stream s = Finish(check, bytes, t0, cpu0, wakeups, "QSerialPort");
        QObject::disconnect(c);
        far_.Written();
        return s;
    }

private:
    // Runs `loop` until it quits, or fails after `limit`.
    static void RunUntil(QEventLoop& loop, std::chrono::milliseconds limit, const char* what) {
        QTimer guard;
        guard.setSingleShot(true);
        bool late = false;
        QObject::connect(&guard, &QTimer::timeout, [&] {
            late = true;
            loop.quit();
        });
        guard.start(limit);
        loop.exec();
        if (late) Fail(what);
    }

    FarEnd& far_;
    QSerialPort port_;
};

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const auto i = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

double Median(const std::vector<double>& v) {
    return Percentile(v, 0.5);
}

std::string Range(const std::vector<double>& v, int decimals) {
    char buf[64];
    const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
    std::snprintf(buf, sizeof buf, "%.*f..%.*f", decimals, *lo, decimals, *hi);
    return buf;
}

struct Side {
    std::vector<double> latencyUs;  // every frame of every round
    std::vector<double> roundP50;
    std::vector<double> mbPerS, cpuMsPerMb, wakeupsPerMb;  // one a round

    void AddFrames(const std::vector<double>& us) {
        latencyUs.insert(latencyUs.end(), us.begin(), us.end());
        roundP50.push_back(Median(us));
    }
    void AddStream(const Stream& s) {
        mbPerS.push_back(s.megabytes / s.seconds);
        cpuMsPerMb.push_back(1e3 * s.cpuSeconds / s.megabytes);
        wakeupsPerMb.push_back(static_cast<double>(s.wakeups) / s.megabytes);
    }
    double P50() const { return Median(latencyUs); }
    double P99() const { return Percentile(latencyUs, 0.99); }
};

// Each round's figure of ours over the same round's of theirs: the two ran back to back, under
// much the same load.
std::vector<double> RoundRatios(const std::vector<double>& ours,
                                const std::vector<double>& theirs) {
    std::vector<double> r;
    for (std::size_t i = 0; i < ours.size() && i < theirs.size(); ++i)
        r.push_back(ours[i] / theirs[i]);
    return r;
}

void PrintFrames(const char* name, const Side& s) {
    std::printf("  %-27s %8.0f %8.0f %8.0f   %s\n", name, s.P50(), s.P99(),
                Percentile(s.latencyUs, 1.0), Range(s.roundP50, 0).c_str());
}

void PrintStream(const char* name, const Side& s) {
    std::printf("  %-27s %8.1f   %-13s %8.2f   %-13s %8.0f   %s\n", name, Median(s.mbPerS),
                Range(s.mbPerS, 0).c_str(), Median(s.cpuMsPerMb), Range(s.cpuMsPerMb, 2).c_str(),
                Median(s.wakeupsPerMb), Range(s.wakeupsPerMb, 0).c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const int megabytes = argc > 2 ? std::max(1, std::atoi(argv[2])) : 16;
    // Before Qt or any thread starts: the far end is a process of its own.
    FarEnd far;
    QCoreApplication app(argc, argv);
    const uint64_t bytes =
        (static_cast<uint64_t>(megabytes) * 1'000'000 + kBulkChunk - 1) / kBulkChunk * kBulkChunk;

    Ours our(far);
    Theirs their(far);
    Side ours, theirs;
    for (int r = 0; r < rounds; ++r) {
        const bool oursFirst = r % 2 == 0;
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn == 0) == oursFirst)
                ours.AddFrames(our.Frames(kFramesPerRound, true));
            else
                theirs.AddFrames(their.Frames(kFramesPerRound));
        }
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn == 0) == oursFirst)
                ours.AddStream(our.Bulk(bytes));
            else
                theirs.AddStream(their.Bulk(bytes));
        }
    }
    const std::vector<double> defaultPass = our.Frames(kDefaultPassFrames, false);
    const std::vector<double> throughput = RoundRatios(ours.mbPerS, theirs.mbPerS);
    const std::vector<double> cpu = RoundRatios(ours.cpuMsPerMb, theirs.cpuMsPerMb);

    std::printf(
        "%d rounds, ours and QSerialPort in turn; per side %zu frames and %d streams of "
        "%.1f MB\n",
        rounds, ours.latencyUs.size(), rounds, static_cast<double>(bytes) / 1e6);
    std::printf(
        "frame latency in us, from the far end's write of the last byte to all 90 bytes "
        "with the consumer:\n");
    std::printf("  %-27s %8s %8s %8s   %s\n", "", "p50", "p99", "max", "round p50s");
    PrintFrames("ours (pass ends at frame)", ours);
    PrintFrames("QSerialPort (readyRead)", theirs);
    std::printf("  %-27s %8.0f %8.0f %8.0f   waits for 100 ms of silence by design: not compared\n",
                "ours, default pass", Median(defaultPass), Percentile(defaultPass, 0.99),
                Percentile(defaultPass, 1.0));
    std::printf(
        "bulk stream; CPU of the receiving process, all its threads; how often the reader woke:\n");
    std::printf("  %-27s %8s   %-13s %8s   %-13s %8s   %s\n", "", "MB/s", "rounds", "CPU ms/MB",
                "rounds", "wakes/MB", "rounds");
    PrintStream("ours (pass ends at frame)", ours);
    PrintStream("QSerialPort (readyRead)", theirs);
    std::printf(
        "  ours / QSerialPort, median of the rounds' own ratios: throughput %.2f (%s), "
        "CPU per MB %.2f (%s)\n",
        Median(throughput), Range(throughput, 2).c_str(), Median(cpu), Range(cpu, 2).c_str());

    std::printf(
        "latency_p50_vs_qserialport=%.3f latency_p99_vs_qserialport=%.3f "
        "cpu_per_mb_vs_qserialport=%.3f throughput_vs_qserialport=%.3f "
        "ours_latency_p50_us=%.1f ours_latency_p99_us=%.1f qserialport_latency_p50_us=%.1f "
        "qserialport_latency_p99_us=%.1f ours_default_pass_latency_p50_us=%.0f "
        "ours_throughput_mb_s=%.1f qserialport_throughput_mb_s=%.1f ours_cpu_ms_per_mb=%.3f "
        "qserialport_cpu_ms_per_mb=%.3f rounds=%d frames_per_side=%zu stream_mb=%.1f\n",
        ours.P50() / theirs.P50(), ours.P99() / theirs.P99(), Median(cpu), Median(throughput),
        ours.P50(), ours.P99(), theirs.P50(), theirs.P99(), Median(defaultPass),
        Median(ours.mbPerS), Median(theirs.mbPerS), Median(ours.cpuMsPerMb),
        Median(theirs.cpuMsPerMb), rounds, ours.latencyUs.size(), static_cast<double>(bytes) / 1e6);
    return 0;
}
