// The Monitor page under a stream at the line's own speed: how long after a monitor reply's last
// byte (its trailer) has reached the terminal the page's labels show it (median and worst), and how
// much of a core the program spends meanwhile. The bench is the unit itself: it answers the page's
// stream request on a pseudo-terminal and paces its replies at 9600 baud, numbering each one in its
// aileron value so that the page's display can be matched to the moment it was sent.
//
//     QT_QPA_PLATFORM=offscreen build/release/bench/monitor/monitor_bench [FRAMES]

#include <pty.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "protocol/LinkFrame.h"
#include "protocol/Monitor.h"
#include "support/QuietServices.h"
#include "widgets/PngResource.h"
#include "wizard/MonitorPage.h"
#include "wizard/SetupDlg.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kByteTime = std::chrono::nanoseconds(10'000'000'000LL / 9600);
constexpr int kFirstRaw = 3800 - 1000;  // reply n carries kFirstRaw + n as its aileron
// The last byte of a monitor reply proper: header 2, kind, type, echo, ten value bytes,
// DeviceState, length, check, then 7E 0E.
constexpr std::size_t kTrailerEnd = 19;

orq::Frame MonitorReply(uint8_t echo, int aileron) {
    orq::Frame f{};
    std::vector<uint8_t> b{orq::kHeader0, orq::kHeader1, orq::kCommandRequest, orq::kReplyMonitor,
                           echo};
    for (int raw : {aileron, 3800, 3800, 3800, 3800}) {
        b.push_back(static_cast<uint8_t>((raw >> 8) & 0xFF));
        b.push_back(static_cast<uint8_t>(raw & 0xFF));
    }
    b.push_back(0);
    b.push_back(static_cast<uint8_t>(b.size()));
    b.push_back(orq::XorOf(std::span(b).subspan(2)));
    b.insert(b.end(), {orq::kTrailer0, orq::kTrailer1});
    std::copy(b.begin(), b.end(), f.begin());
    return f;
}

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double ThreadCpuSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int frames = argc > 1 ? std::max(10, std::atoi(argv[1])) : 500;
    orq::InitPngResources();

    int master = -1, slave = -1;
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) return 1;
    termios t{};
    ::tcgetattr(master, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(master, TCSANOW, &t);

    orq::bench::QuietHost host;
    if (!host.Open(name)) return 1;

    // The unit: waits for the stream request, then sends `frames` replies back to back at the
    // line's speed, noting when each one's last byte was through.
    // When each reply's trailer was through (nanoseconds on the steady clock): the reply is
    // complete there; the zeros that pad it to 90 bytes follow.
    std::vector<std::atomic<int64_t>> sentAt(static_cast<std::size_t>(frames));
    std::atomic<bool> done{false};
    // The unit's own pacing (a wake for every byte) is not the program's cost: taken out below.
    std::atomic<double> unitCpu{0};
    std::thread unit([&] {
        std::vector<uint8_t> heard;
        uint8_t echo = 0;
        for (uint8_t buf[256]; !done;) {
            const ssize_t r = ::read(master, buf, sizeof buf);
            if (r <= 0) continue;
            heard.insert(heard.end(), buf, buf + r);
            // A request (command 10) with ReplyMode 40 somewhere in what came.
            bool asked = false;
            for (std::size_t i = 0; i + 4 < heard.size(); ++i)
                if (heard[i] == orq::kHeader0 && heard[i + 1] == orq::kHeader1 &&
                    heard[i + 2] == orq::kCommandRequest &&
                    heard[i + 4] == orq::kReplyModeMonitor) {
                    echo = heard[i + 3];
                    asked = true;
                }
            if (asked) break;
        }
        const double cpuBefore = ThreadCpuSeconds();
        auto next = Clock::now();
        for (int n = 0; n < frames && !done; ++n) {
            const orq::Frame f = MonitorReply(echo, kFirstRaw + n);
            for (std::size_t i = 0; i < f.size(); ++i) {
                next += kByteTime;
                // The trailer's time is noted before it goes out: the page may read it at once.
                if (i == kTrailerEnd)
                    sentAt[static_cast<std::size_t>(n)] = next.time_since_epoch().count();
                std::this_thread::sleep_until(next);
                if (::write(master, &f[i], 1) != 1) {
                    done = true;
                    break;
                }
            }
        }
        unitCpu = ThreadCpuSeconds() - cpuBefore;
    });

    std::vector<double> lagMs;
    orq::CSetupDlg wizard(host.services);
    wizard.show();
    auto* page = qobject_cast<orq::CStep3*>(wizard.Page(3));
    QObject::connect(page, &orq::CStep3::signalsShown, page, [&](const orq::MonitorSignal& m) {
        const int n = m.raw[orq::kMonitorAileron] - kFirstRaw;
        if (n < 0 || n >= frames) return;
        const int64_t now = Clock::now().time_since_epoch().count();
        lagMs.push_back(static_cast<double>(now - sentAt[std::size_t(n)].load()) / 1e6);
        if (n == frames - 1) QApplication::quit();
    });
    auto* next = qobject_cast<QPushButton*>(orq::FindControl(&wizard, orq::IDC_SETUP_NEXT));
    next->click();
    next->click();  // the Monitor page asks for the stream

    const double cpu0 = CpuSeconds();
    const auto wall0 = Clock::now();
    QApplication::exec();
    double cpu = CpuSeconds() - cpu0;
    const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
    done = true;
    ::close(master);
    unit.join();
    cpu -= unitCpu;
    host.port.ClosePort();
    ::close(slave);

    std::sort(lagMs.begin(), lagMs.end());
    if (lagMs.empty()) return 1;
    std::printf("monitor replies shown: %zu of %d (%u decoded in all)\n", lagMs.size(), frames,
                page->RepliesShown());
    std::printf("display lag after a reply's last byte: median %.1f ms, worst %.1f ms\n",
                lagMs[lagMs.size() / 2], lagMs.back());
    std::printf(
        "CPU while streaming, the unit's thread left out: %.2f %% of one core (%.2f s in %.1f s)\n",
        100.0 * cpu / wall, cpu, wall);
    std::printf("frames=%d shown=%zu lag_median_ms=%.1f lag_worst_ms=%.1f cpu_share=%.4f\n", frames,
                lagMs.size(), lagMs[lagMs.size() / 2], lagMs.back(), cpu / wall);
    return 0;
}
