// `orqctl monitor`: the unit's view of the five receiver inputs, live, decoded exactly as the
// Setup wizard's Monitor page decodes them.

#include <chrono>
#include <cstdio>
#include <ostream>
#include <string>

#include "cli/CliOptions.h"
#include "cli/CliSession.h"
#include "cli/Orqctl.h"
#include "protocol/Monitor.h"

namespace orq {

namespace {

using namespace std::chrono_literals;

// A unit streams every 100 ms or so; this long without a reply means it stopped.
constexpr auto kStall = 3s;

constexpr const char* kNames[kMonitorChannels] = {"aileron", "elevator", "rudder", "pitch", "gain"};

// A centre-zero bar of 2 x 5 cells: positive values fill toward the left, as the meters do.
std::string Bar(int value) {
    std::string bar(11, ' ');
    bar[5] = '|';
    const int cells = std::min(5, (std::abs(value) * 5 + 62) / 125);
    for (int i = 1; i <= cells; ++i) bar[static_cast<std::size_t>(value > 0 ? 5 - i : 5 + i)] = '#';
    return "[" + bar + "]";
}

std::string Line(const MonitorSignal& m, bool raw, bool terminal) {
    std::string line;
    for (std::size_t c = 0; c < kMonitorChannels; ++c) {
        const int v = raw ? m.raw[c] : m.value[c];
        if (terminal) {
            char cell[48];
            std::snprintf(cell, sizeof cell, "%s%s %s %5d", c ? "  " : "", kNames[c],
                          Bar(m.value[c]).c_str(), v);
            line += cell;
        } else {
            line += (c ? " " : "") + std::string(kNames[c]) + "=" + std::to_string(v);
        }
    }
    return line;
}

}  // namespace

int RunMonitor(const std::vector<std::string>& args, CommandContext& c) {
    CliOptions o;
    if (!ParseOptions(args, {"-p", "--trace", "--count", "--raw"}, o, c.err)) return kExitFailure;
    if (!o.rest.empty()) {
        c.err << "orqctl: monitor takes no arguments but its options\n";
        return kExitFailure;
    }
    CliSession s(c.err, c.cancel);
    if (o.trace && !s.StartTrace(*o.trace)) return kExitFailure;
    if (const int status = s.Connect(o.path); status != kExitOk) return status;
    UnitSession& unit = s.Unit();

    unit.Accumulator().Clear();
    static_cast<void>(unit.StartMonitor());
    long shown = 0;
    SerialLoop::WaitEnd end = SerialLoop::WaitEnd::Done;
    while (!o.count || shown < *o.count) {
        bool fresh = false;
        end = s.Loop().Wait(
            [&] {
                for (const MonitorSignal& m : unit.TakeMonitor()) {
                    if (o.count && shown >= *o.count) break;
                    ++shown;
                    fresh = true;
                    if (c.outIsTerminal)
                        c.out << "\r" << Line(m, o.raw, true) << std::flush;
                    else
                        c.out << Line(m, o.raw, false) << "\n" << std::flush;
                }
                return fresh;
            },
            kStall, c.cancel);
        if (end != SerialLoop::WaitEnd::Done) break;
    }
    if (c.outIsTerminal && shown > 0) c.out << "\n";

    // The stream goes off whatever ended the monitor, Ctrl+C included.
    const bool off = unit.StopMonitor() == kFrameSize;
    s.Settle();
    switch (end) {
        case SerialLoop::WaitEnd::Done:
        case SerialLoop::WaitEnd::Cancelled:
            break;
        case SerialLoop::WaitEnd::TimedOut:
            c.err << "orqctl: the unit stopped streaming\n";
            return kExitFailure;
        case SerialLoop::WaitEnd::Removed:
            c.err << "orqctl: the unit went away (unplugged?)\n";
            return kExitFailure;
        case SerialLoop::WaitEnd::Failed:
            c.err << "orqctl: waiting for the unit failed: " << s.Loop().Error().message() << "\n";
            return kExitFailure;
    }
    if (!off) {
        c.err << "orqctl: the request that ends the stream did not go out whole\n";
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace orq
