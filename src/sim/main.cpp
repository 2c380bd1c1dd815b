// orq-sim: a simulated unit on a pseudo-terminal, for tests, demos and benchmarks.

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "config/ConfigFile.h"
#include "sim/SimUnit.h"

namespace {

constexpr const char* kUsage =
    "usage: orq-sim [--link PATH] [--params FILE] [--log FILE] [--stats FILE] [--pace]\n"
    "               [--no-reply] [--monitor-period MS] [--monitor-raw A,E,R,P,G]\n"
    "               [--device-state N]\n"
    "               [--unplug-after N [--mid-reply]] [--noise N] [--garbage N] [--drip MS]\n"
    "               [--slice] [--corrupt check|echo|kind] [--silent-after-first-reply]\n"
    "               [--seed N]\n"
    "\n"
    "Runs a simulated unit on a new pseudo-terminal, prints the terminal's device path on\n"
    "stdout and answers the configurator on it until interrupted (SIGINT or SIGTERM).\n"
    "SIGUSR1 ends the monitor stream as the host's request to stop it would, but without a\n"
    "reply, and the unit goes on answering.\n"
    "\n"
    "  --link PATH           also make PATH a symbolic link to the terminal (removed on exit)\n"
    "  --params FILE         start from the parameter set in configuration file FILE, as the\n"
    "                        configurator would transmit it (default: factory values)\n"
    "  --log FILE            append every frame received from the host to FILE, one line of\n"
    "                        lowercase hex per frame\n"
    "  --stats FILE          on exit, write monitor_replies_sent=N to FILE: the monitor replies\n"
    "                        that went out whole\n"
    "  --pace                carry bytes at 9600 baud 8N1 (about 1.04 ms a byte), both ways\n"
    "  --no-reply            never answer: a silent port\n"
    "  --monitor-period MS   time between monitor replies while streaming (default 100)\n"
    "  --monitor-raw A,E,R,P,G\n"
    "                        every monitor reply carries these raw values (aileron, elevator,\n"
    "                        rudder, collective pitch, tail gain; 3800 is centred) instead of\n"
    "                        sticks sweeping slowly through their travel\n"
    "  --device-state N      DeviceState the unit reports (default 0)\n"
    "\n"
    "Faults, each alone or together:\n"
    "  --unplug-after N      the terminal disappears once N replies have gone out, before\n"
    "                        the next (with --mid-reply: halfway through the Nth)\n"
    "  --noise N             N random bytes before every reply\n"
    "  --garbage N           a burst of N random bytes (up to 102400) before the first reply\n"
    "  --drip MS             one reply byte every MS milliseconds\n"
    "  --slice               replies written in small random pieces\n"
    "  --corrupt WHAT        every reply with a wrong check, sequence echo or kind\n"
    "  --silent-after-first-reply  answer once, then never again\n"
    "  --seed N              for the random bytes and pieces (default 1)\n";

std::optional<long> Number(std::string_view text, long lo, long hi) {
    long v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc{} || end != text.data() + text.size() || v < lo || v > hi) {
        return std::nullopt;
    }
    return v;
}

// "3800,2488,3800,3800,5155" -> the five raw values.
std::optional<orq::MonitorRaw> RawValues(std::string_view text) {
    orq::MonitorRaw raw{};
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const std::size_t comma = i + 1 < raw.size() ? text.find(',') : text.size();
        if (comma == std::string_view::npos) return std::nullopt;
        const auto v = Number(text.substr(0, comma), -32768, 32767);
        if (!v) return std::nullopt;
        raw[i] = static_cast<int16_t>(*v);
        text.remove_prefix(std::min(text.size(), comma + 1));
    }
    return raw;
}

int Fail(const std::string& message) {
    std::cerr << "orq-sim: " << message << "\n";
    return 1;
}

// A link we made points at our terminal; a stale one from a killed run may be replaced, but
// never a file that is not a link.
bool MakeLink(const std::string& target, const std::string& link, std::string& error) {
    struct stat st {};
    if (::lstat(link.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            error = link + " exists and is not a symbolic link";
            return false;
        }
        ::unlink(link.c_str());
    }
    if (::symlink(target.c_str(), link.c_str()) != 0) {
        error = link + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

void RemoveLink(const std::string& target, const std::string& link) {
    std::string buffer(4096, '\0');
    const ssize_t n = ::readlink(link.c_str(), buffer.data(), buffer.size());
    if (n > 0 && buffer.compare(0, static_cast<std::size_t>(n), target) == 0 &&
        static_cast<std::size_t>(n) == target.size()) {
        ::unlink(link.c_str());
    }
}

// The device image a configurator would send after opening `path`: the mirror loaded from the
// file, copied over `image`, whose unnamed bytes and DeviceState stay. A file that does not hold
// a valid parameter set is refused rather than half-applied.
bool LoadParams(const std::string& path, orq::UnitImage& image, std::string& error) {
    orq::ParameterBlock block;
    block.Setup = image.Setup;
    block.Tuning = image.Tuning;
    orq::SliderValues sliders;
    const orq::LoadResult r = orq::LoadConfig(path, block.Mirror, sliders);
    if (r.error) {
        error = path + ": " + r.error.message();
        return false;
    }
    if (!r.found) {
        error = path + ": no such file";
        return false;
    }
    if (!r.invalid.empty()) {
        const orq::InvalidValue& bad = r.invalid.front();
        error = path + ": [" + bad.section + "] " + bad.key + "=" + bad.text +
                " is not a value from -128 to 127";
        return false;
    }
    orq::DeviceFromMirror(block);
    image.Setup = block.Setup;
    image.Tuning = block.Tuning;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    orq::SimOptions options;
    options.image = orq::FactoryImage();
    std::string link;
    std::string params;
    std::string statsPath;

    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        auto value = [&]() -> std::optional<std::string_view> {
            if (i + 1 >= argc) return std::nullopt;
            return std::string_view(argv[++i]);
        };
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (arg == "--pace") {
            options.pace = true;
        } else if (arg == "--no-reply") {
            options.reply = false;
        } else if (arg == "--mid-reply") {
            options.faults.midReply = true;
        } else if (arg == "--slice") {
            options.faults.slice = true;
        } else if (arg == "--silent-after-first-reply") {
            options.faults.silentAfterFirstReply = true;
        } else if (arg == "--unplug-after" || arg == "--noise" || arg == "--garbage" ||
                   arg == "--drip" || arg == "--seed" || arg == "--corrupt") {
            const auto v = value();
            if (!v) return Fail(std::string(arg) + " needs a value");
            if (arg == "--corrupt") {
                using C = orq::SimFaults::Corrupt;
                if (*v == "check")
                    options.faults.corrupt = C::Check;
                else if (*v == "echo")
                    options.faults.corrupt = C::Echo;
                else if (*v == "kind")
                    options.faults.corrupt = C::Kind;
                else
                    return Fail("--corrupt takes check, echo or kind");
                continue;
            }
            const auto n = Number(*v, arg == "--unplug-after" ? 1 : 0, 102400);
            if (!n) return Fail(std::string(arg) + " takes a number from 0 to 102400");
            const auto count = static_cast<uint32_t>(*n);
            if (arg == "--unplug-after")
                options.faults.unplugAfterReplies = count;
            else if (arg == "--noise")
                options.faults.noise = count;
            else if (arg == "--garbage")
                options.faults.garbage = count;
            else if (arg == "--drip")
                options.faults.drip = std::chrono::milliseconds(count);
            else
                options.faults.seed = count;
        } else if (arg == "--link" || arg == "--params" || arg == "--log" || arg == "--stats" ||
                   arg == "--monitor-period" || arg == "--monitor-raw" || arg == "--device-state") {
            const auto v = value();
            if (!v) return Fail(std::string(arg) + " needs a value");
            if (arg == "--link") {
                link = *v;
            } else if (arg == "--params") {
                params = *v;
            } else if (arg == "--log") {
                options.logPath = *v;
            } else if (arg == "--stats") {
                statsPath = *v;
            } else if (arg == "--monitor-raw") {
                const auto raw = RawValues(*v);
                if (!raw)
                    return Fail("--monitor-raw takes five numbers from -32768 to 32767, A,E,R,P,G");
                options.monitorRaw = raw;
            } else if (arg == "--monitor-period") {
                const auto ms = Number(*v, 1, 60000);
                if (!ms) return Fail("--monitor-period takes milliseconds from 1 to 60000");
                options.monitorPeriod = std::chrono::milliseconds(*ms);
            } else {
                const auto n = Number(*v, -128, 255);
                if (!n) return Fail("--device-state takes a byte, -128 to 255");
                options.image.Setup.DeviceState = static_cast<int8_t>(static_cast<uint8_t>(*n));
            }
        } else {
            std::cerr << kUsage;
            return Fail("unknown argument " + std::string(arg));
        }
    }

    std::string error;
    if (!params.empty() && !LoadParams(params, options.image, error)) return Fail(error);
    // Opened now so that a path we cannot write fails the start, not the end of a long run.
    std::ofstream stats;
    if (!statsPath.empty()) {
        stats.open(statsPath, std::ios::trunc);
        if (!stats) return Fail(statsPath + ": " + std::strerror(errno));
    }

    // Block the signals we take before any thread starts so that only sigwait below sees them.
    sigset_t taken;
    sigemptyset(&taken);
    sigaddset(&taken, SIGINT);
    sigaddset(&taken, SIGTERM);
    sigaddset(&taken, SIGHUP);
    sigaddset(&taken, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &taken, nullptr);

    orq::SimUnit unit(options);
    if (!unit.Start(error)) return Fail(error);
    const std::string device = unit.DevicePath();
    if (!link.empty() && !MakeLink(device, link, error)) return Fail(error);

    std::cout << device << std::endl;

    for (int signal = 0; sigwait(&taken, &signal) == 0 && signal == SIGUSR1;) unit.EndStream();

    unit.Stop();
    if (!link.empty()) RemoveLink(device, link);
    // After Stop: the count is final, and a reply cut off by it is not in it.
    if (stats.is_open()) {
        stats << "monitor_replies_sent=" << unit.MonitorReplies() << "\n";
        stats.close();
        if (!stats) return Fail(statsPath + ": cannot write the statistics");
    }
    return 0;
}
