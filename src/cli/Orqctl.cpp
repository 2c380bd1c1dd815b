#include "cli/Orqctl.h"

#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>

#include "config/ConfigFile.h"
#include "link/ConnectScan.h"
#include "link/SerialLoop.h"
#include "protocol/LinkFrame.h"
#include "serial/PortList.h"
#include "serial/SerialPort.h"

namespace orq {

namespace {

using namespace std::chrono_literals;

// A unit answers within two frame times (about 190 ms at 9600 baud); allow for a slow adapter.
constexpr std::chrono::milliseconds kReplyWait = 2s;

constexpr const char* kUsage =
    "usage: orqctl COMMAND [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  ports                     list the serial ports a unit may be on\n"
    "  read [-p PATH] [-o FILE]  read the unit's parameter set as a configuration file\n"
    "  write FILE [-p PATH]      send a configuration file to the unit and check it took it\n"
    "\n"
    "'orqctl COMMAND --help' tells more. ORQ_PORTS=PATH:PATH... replaces the port search.\n"
    "Exit status: 0 success, 2 no unit answered, 1 any other failure.\n";

constexpr const char* kPortsUsage =
    "usage: orqctl ports\n"
    "\n"
    "Lists the candidate serial ports, one a line: number, device path, description (for USB\n"
    "adapters vendor:product, manufacturer and product), and whether it is not yours to open or\n"
    "in use by another program. ORQ_PORTS=PATH:PATH... replaces the search.\n";

constexpr const char* kReadUsage =
    "usage: orqctl read [-p PATH] [-o FILE]\n"
    "\n"
    "Finds the unit (on every port, or only on PATH) and writes its parameter set as a\n"
    "configuration file to FILE (other sections and keys of an existing FILE are kept), or to\n"
    "standard output without -o or with -o -. A device or pipe (/dev/null, /dev/stdout) is\n"
    "written straight through.\n";

constexpr const char* kWriteUsage =
    "usage: orqctl write FILE [-p PATH]\n"
    "\n"
    "Loads configuration file FILE (a file with invalid values is refused and nothing is\n"
    "sent), finds the unit (on every port, or only on PATH), sends the parameter set, reads it\n"
    "back and checks that the unit holds exactly what was sent.\n";

bool WantsHelp(const std::vector<std::string>& args) {
    for (const auto& a : args) {
        if (a == "--help" || a == "-h") return true;
    }
    return false;
}

// Progress on stderr: "probing PATH (i of n) … what happened".
class Progress : public ScanListener {
public:
    explicit Progress(std::ostream& err) : err_(err) {}
    void OnPortStep(const ScanEvent& e) override {
        if (e.step == PortStep::Probing) {
            err_ << "probing " << e.port.path << " (" << e.index + 1 << " of " << e.count << ") … "
                 << std::flush;
        } else if (EndsPort(e.step)) {
            err_ << PortStepText(e.step);
            if (e.step == PortStep::PermissionDenied) {
                err_ << " (join the dialout group: sudo usermod -aG dialout $USER, then log in "
                        "again)";
            }
            err_ << std::endl;
        }
    }
    void OnScanFinished(bool) override {}

private:
    std::ostream& err_;
};

std::vector<PortInfo> Candidates(const std::optional<std::string>& path) {
    if (!path) return ListPorts(OrqPortsFromEnvironment());
    PortInfo only;
    only.number = 1;
    only.path = *path;
    only.name = std::filesystem::path(*path).filename().string();
    return {only};
}

// Scans and reports; kExitOk when connected.
int Connect(HostSession& s, const std::optional<std::string>& path, std::ostream& err,
            int cancelFd) {
    std::vector<PortInfo> ports = Candidates(path);
    if (ports.empty()) {
        err << "orqctl: no serial ports found (set ORQ_PORTS or use -p PATH)\n";
        return kExitNoUnit;
    }
    Progress progress(err);
    s.scan.SetListener(&progress);
    const ScanEnd end = s.loop.Scan(s.scan, std::move(ports), cancelFd);
    s.scan.SetListener(nullptr);
    switch (end) {
        case ScanEnd::Connected:
            return kExitOk;
        case ScanEnd::Cancelled:
            err << "orqctl: interrupted\n";
            return kExitFailure;
        case ScanEnd::Failed:
            err << "orqctl: waiting for the port failed: " << s.loop.Error().message() << "\n";
            return kExitFailure;
        case ScanEnd::NoUnit:
            break;
    }
    err << "orqctl: no unit answered\n";
    return kExitNoUnit;
}

// Waits for the reply that clears AwaitingReply, taking the frames in the accumulator one by one
// (replies to earlier frames may come first) and applying them to `into`.
bool AwaitReply(HostSession& s, ParameterBlock& into) {
    FrameScanner scanner;
    std::array<uint8_t, 1024> chunk{};
    return s.loop.WaitFor(
        [&] {
            while (s.link.AwaitingReply && s.accumulator.Size() > 0) {
                const uint32_t n = s.accumulator.Take(chunk.data(), chunk.size());
                for (uint32_t i = 0; i < n && s.link.AwaitingReply; ++i) {
                    if (scanner.Feed(chunk[i], s.link.ReceivePayload, s.link.N)) {
                        AcceptFrame(s.link, into);
                    }
                }
            }
            return !s.link.AwaitingReply;
        },
        kReplyWait);
}

// A frame that did not go out whole leaves the unit with a partial frame it will ignore: the
// user must hear of it rather than of a missing answer later.
bool SentWhole(uint32_t sent, const char* what, std::ostream& err) {
    if (sent == kFrameSize) return true;
    err << "orqctl: the " << what << " did not go out whole (" << sent << " of " << kFrameSize
        << " bytes; the port was closed or is gone)\n";
    return false;
}

std::string InvalidLine(const std::string& file, const InvalidValue& v) {
    return "orqctl: " + file + ": [" + v.section + "] " + v.key + "=" + v.text +
           " is not a value from -128 to 127";
}

// "ModemManager (pid 812)", or just the pid when the name cannot be read.
std::string ProcessName(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(in, name);
    if (name.empty()) return "pid " + std::to_string(pid);
    return name + " (pid " + std::to_string(pid) + ")";
}

int Ports(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (WantsHelp(args)) {
        out << kPortsUsage;
        return kExitOk;
    }
    if (!args.empty()) {
        err << "orqctl: ports takes no arguments\n";
        return kExitFailure;
    }
    const std::vector<PortInfo> ports = ListPorts(OrqPortsFromEnvironment());
    if (ports.empty()) err << "orqctl: no serial ports found\n";
    for (const PortInfo& p : ports) {
        out << p.number << "  " << p.path;
        if (p.usb) {
            out << "  " << p.vendorId << ":" << p.productId;
            if (!p.manufacturer.empty()) out << " " << p.manufacturer;
            if (!p.product.empty()) out << " " << p.product;
        }
        std::error_code ec;
        if (!std::filesystem::exists(p.path, ec)) {
            out << "  not found";
        } else if (!p.accessible) {
            out << "  no permission (join the dialout group: sudo usermod -aG dialout $USER, "
                   "then log in again)";
        } else {
            const std::vector<pid_t> users = ProcessesUsing(p.path, "/proc", ::getpid());
            if (!users.empty()) out << "  in use by " << ProcessName(users.front());
        }
        out << "\n";
    }
    return kExitOk;
}

// Splits "-p PATH" and "-o FILE" from the rest.
bool Options(const std::vector<std::string>& args, bool allowOutput,
             std::optional<std::string>& path, std::optional<std::string>& output,
             std::vector<std::string>& rest, std::ostream& err) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-p" || (a == "-o" && allowOutput)) {
            if (i + 1 >= args.size()) {
                err << "orqctl: " << a << " needs a value\n";
                return false;
            }
            (a == "-p" ? path : output) = args[++i];
        } else if (a.size() > 1 && a[0] == '-') {
            err << "orqctl: unknown option " << a << "\n";
            return false;
        } else {
            rest.push_back(a);
        }
    }
    return true;
}

int Read(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, int cancelFd) {
    if (WantsHelp(args)) {
        out << kReadUsage;
        return kExitOk;
    }
    std::optional<std::string> path, output;
    std::vector<std::string> rest;
    if (!Options(args, true, path, output, rest, err)) return kExitFailure;
    if (!rest.empty()) {
        err << "orqctl: read takes no file argument (use -o FILE)\n";
        return kExitFailure;
    }

    HostSession s;
    if (const int status = Connect(s, path, err, cancelFd); status != kExitOk) return status;
    // Let the request that follows the probe reach the unit and be answered before closing.
    s.loop.WaitFor([&] { return s.accumulator.Size() >= kFrameSize; }, kReplyWait);

    if (output && *output != "-") {
        if (const std::error_code ec = SaveConfig(*output, s.block.Mirror, s.sliders)) {
            err << "orqctl: " << *output << ": " << ec.message() << "\n";
            return kExitFailure;
        }
    } else {
        out << RenderConfig(s.block.Mirror, s.sliders) << std::flush;
        if (!out) {
            err << "orqctl: cannot write to standard output\n";
            return kExitFailure;
        }
    }
    return kExitOk;
}

int Write(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
          int cancelFd) {
    if (WantsHelp(args)) {
        out << kWriteUsage;
        return kExitOk;
    }
    std::optional<std::string> path, output;
    std::vector<std::string> rest;
    if (!Options(args, false, path, output, rest, err)) return kExitFailure;
    if (rest.size() != 1) {
        err << "orqctl: write takes exactly one configuration file\n";
        return kExitFailure;
    }
    const std::string& file = rest.front();

    // The file is checked before anything goes on the line: a refused file sends nothing, not
    // even a probe.
    SettingsMirror loaded;
    SliderValues loadedSliders;
    const LoadResult r = LoadConfig(file, loaded, loadedSliders);
    if (r.error) {
        err << "orqctl: " << file << ": " << r.error.message() << "\n";
        return kExitFailure;
    }
    if (!r.found) {
        err << "orqctl: " << file << ": no such file\n";
        return kExitFailure;
    }
    if (!r.invalid.empty()) {
        for (const InvalidValue& v : r.invalid) err << InvalidLine(file, v) << "\n";
        return kExitFailure;
    }

    HostSession s;
    if (const int status = Connect(s, path, err, cancelFd); status != kExitOk) return status;

    // Open, then Transmit: the loaded set replaces what the connection showed, and the write
    // carries it over the unit's own unnamed bytes.
    s.block.Mirror = loaded;
    s.sliders = loadedSliders;
    DeviceFromMirror(s.block);
    const SetupBlock sentSetup = s.block.Setup;
    const TuningBlock sentTuning = s.block.Tuning;
    s.accumulator.Clear();
    if (!SentWhole(SendParameters(s.link, s.block, &s.port), "parameter write", err))
        return kExitFailure;

    s.link.ReplyMode = kReplyModeParameters;
    const uint32_t asked = SendRequest(s.link, s.block, &s.port);
    s.link.ReplyMode = kReplyModeNone;
    if (!SentWhole(asked, "read-back request", err)) return kExitFailure;
    ParameterBlock held;
    if (!AwaitReply(s, held)) {
        if (s.loop.Error())
            err << "orqctl: waiting for the read-back failed: " << s.loop.Error().message() << "\n";
        else
            err << "orqctl: the unit did not answer the read-back\n";
        return kExitFailure;
    }
    const auto differences = CompareWritten(sentSetup, sentTuning, held.Setup, held.Tuning);
    for (const ByteDifference& d : differences) {
        err << "orqctl: " << d.name << ": sent " << d.sent << ", the unit holds " << d.held << "\n";
    }
    return differences.empty() ? kExitOk : kExitFailure;
}

}  // namespace

std::vector<ByteDifference> CompareWritten(const SetupBlock& sentSetup,
                                           const TuningBlock& sentTuning,
                                           const SetupBlock& heldSetup,
                                           const TuningBlock& heldTuning) {
    std::vector<ByteDifference> d;
    for (std::size_t i = 0; i < SetupBlock::kSentSize; ++i) {
        if (sentSetup.bytes()[i] != heldSetup.bytes()[i]) {
            d.push_back(
                {std::string(SetupByteName(i)), sentSetup.bytes()[i], heldSetup.bytes()[i]});
        }
    }
    for (std::size_t i = 0; i < TuningBlock::kSize; ++i) {
        if (sentTuning.bytes()[i] != heldTuning.bytes()[i]) {
            d.push_back(
                {std::string(TuningByteName(i)), sentTuning.bytes()[i], heldTuning.bytes()[i]});
        }
    }
    return d;
}

int RunOrqctl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              int cancelFd) {
    if (args.empty()) {
        err << "orqctl: no command given (try orqctl --help)\n";
        return kExitFailure;
    }
    const std::string& command = args.front();
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "--help" || command == "-h" || command == "help") {
        out << kUsage;
        return kExitOk;
    }
    if (command == "ports") return Ports(rest, out, err);
    if (command == "read") return Read(rest, out, err, cancelFd);
    if (command == "write") return Write(rest, out, err, cancelFd);
    err << "orqctl: unknown command " << command << " (try orqctl --help)\n";
    return kExitFailure;
}

}  // namespace orq
