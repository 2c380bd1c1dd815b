#include "cli/Orqctl.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <ostream>

#include "cli/CliOptions.h"
#include "cli/CliSession.h"
#include "config/Backups.h"
#include "config/ConfigCheck.h"
#include "config/ConfigFile.h"
#include "config/Paths.h"
#include "protocol/LinkFrame.h"
#include "protocol/Presets.h"
#include "serial/PortList.h"

namespace orq {

namespace {

constexpr const char* kUsage =
    "usage: orqctl COMMAND [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  ports                      list the serial ports a unit may be on\n"
    "  read [-o FILE]             read the unit's parameter set as a configuration file\n"
    "  write FILE                 send a configuration file to the unit and check it took it\n"
    "  preset NAME                apply a preset: beginner, f3c, 3d-soft, 3d-hard, 3d-extreme\n"
    "  reset [main|tail|all]      the main form's Reset buttons, or All Data Reset\n"
    "  monitor [--count N] [--raw]  show the receiver's signals live, as the Monitor page does\n"
    "  diff A B                   compare two parameter sets (configuration files or 'unit')\n"
    "  check FILE                 check every key of a configuration file against its range\n"
    "  backups                    list the unit's parameter sets kept before each change\n"
    "  restore ID|FILE|latest     write a backup back to the unit and check it took it\n"
    "  doctor [PATH]              say what stands between you and the port, and what helps\n"
    "\n"
    "Commands that talk to the unit take -p PATH (only that port) and --trace FILE (every frame\n"
    "exchanged, one a line). 'orqctl COMMAND --help' tells more; 'orqctl --version' the version.\n"
    "ORQ_PORTS=PATH:PATH... replaces the port search.\n"
    "Exit status: 0 success, 2 no unit answered, 1 any other failure.\n";

struct Help {
    const char* command;
    const char* text;
};
constexpr Help kHelp[] = {
    {"ports",
     "usage: orqctl ports\n\n"
     "Lists the candidate serial ports, one a line: number, device path, description (for USB\n"
     "adapters vendor:product, manufacturer and product), and whether it is not yours to open\n"
     "or in use by another program. ORQ_PORTS=PATH:PATH... replaces the search.\n"},
    {"read",
     "usage: orqctl read [-p PATH] [-o FILE] [--trace FILE]\n\n"
     "Finds the unit (on every port, or only on PATH) and writes its parameter set as a\n"
     "configuration file to FILE (other sections and keys of an existing FILE are kept), or to\n"
     "standard output without -o or with -o -. A device or pipe (/dev/null, /dev/stdout) is\n"
     "written straight through.\n"},
    {"write",
     "usage: orqctl write FILE [-p PATH] [--trace FILE]\n\n"
     "Loads configuration file FILE (a file with invalid values is refused and nothing is\n"
     "sent), finds the unit, sends the parameter set, reads it back and checks that the unit\n"
     "holds exactly what was sent. The set the unit held before is kept as a backup.\n"},
    {"preset",
     "usage: orqctl preset NAME [-p PATH] [--trace FILE]\n\n"
     "Applies a preset tuning set as the main window's preset buttons do, sends it, reads it\n"
     "back and checks it. NAME: beginner, f3c, 3d-soft, 3d-hard, 3d-extreme.\n"},
    {"reset",
     "usage: orqctl reset [main|tail|all] [-p PATH] [--trace FILE]\n\n"
     "main and tail: the main window's two Reset buttons (agility, rate and gain back to their\n"
     "start values); all (the default): All Data Reset, the factory values. Sent, read back and\n"
     "checked.\n"},
    {"monitor",
     "usage: orqctl monitor [-p PATH] [--count N] [--raw] [--trace FILE]\n\n"
     "Switches the unit's monitor stream on and shows the five receiver signals as the Monitor\n"
     "page does (-125 to 125, 0 centred): on a terminal one redrawn line of centre-zero bars,\n"
     "otherwise one line a frame, 'aileron=A elevator=E rudder=R pitch=P gain=G'. --raw shows\n"
     "the raw values instead. Stops after N frames, or on Ctrl+C; the stream is switched off\n"
     "again either way.\n"},
    {"diff",
     "usage: orqctl diff A B [-p PATH] [--trace FILE]\n\n"
     "A and B are configuration files or the word unit (the parameter set the unit holds).\n"
     "Prints each key that differs as 'section key: a -> b', in file order; exit status 1 when\n"
     "they differ, 0 when they are equal.\n"},
    {"check",
     "usage: orqctl check FILE\n\n"
     "Checks every key of configuration file FILE against the range the configurator allows\n"
     "for it and names every key that is missing, holds no number or lies outside its range;\n"
     "exit status 1 when there is any.\n"},
    {"backups",
     "usage: orqctl backups\n\n"
     "Lists the parameter sets kept in $XDG_DATA_HOME/orq/backups (or\n"
     "~/.local/share/orq/backups): id, time (UTC), what caused it, and the keys that differ\n"
     "from the set before. The configurator keeps one when it finds a unit and around every\n"
     "change it sends; the newest 200 stay.\n"},
    {"restore",
     "usage: orqctl restore ID|FILE|latest [-p PATH] [--trace FILE]\n\n"
     "Writes a kept parameter set back to the unit (by the id 'orqctl backups' shows, the\n"
     "newest with latest, or a backup file's path), reads it back and checks it.\n"},
    {"doctor",
     "usage: orqctl doctor [PATH]\n\n"
     "Looks for what keeps you from the port (PATH, or every port found): permission, another\n"
     "program holding it, ModemManager or brltty, no USB serial adapter, and prints a udev\n"
     "rule that would give each adapter a stable name (it installs nothing). Each finding comes\n"
     "with a command to copy. Exit status 0 when nothing is wrong.\n"},
};

const char* HelpOf(const std::string& command) {
    for (const Help& h : kHelp)
        if (command == h.command) return h.text;
    return nullptr;
}

int Ports(const std::vector<std::string>& args, CommandContext& c) {
    std::ostream& out = c.out;
    if (!args.empty()) {
        c.err << "orqctl: ports takes no arguments\n";
        return kExitFailure;
    }
    const std::vector<PortInfo> ports = ListPorts(OrqPortsFromEnvironment());
    if (ports.empty()) c.err << "orqctl: no serial ports found\n";
    for (const PortInfo& p : ports) {
        out << p.number << "  " << ShownName(p);
        if (p.usb) {
            out << "  " << p.vendorId << ":" << p.productId;
            if (!p.manufacturer.empty()) out << " " << p.manufacturer;
            if (!p.product.empty()) out << " " << p.product;
        }
        if (!PortPresent(p)) {
            out << "  not found";
        } else if (!p.accessible) {
            out << "  no permission (join the dialout group: sudo usermod -aG dialout $USER, "
                   "then log in again)";
        } else {
            const std::vector<pid_t> users = ProcessesUsing(p.path, "/proc", CurrentProcess());
            if (!users.empty()) out << "  in use by " << ProcessName(users.front());
        }
        out << "\n";
    }
    return kExitOk;
}

std::string InvalidLine(const std::string& file, const InvalidValue& v) {
    return "orqctl: " + file + ": [" + v.section + "] " + v.key + "=" + v.text +
           " is not a value from -128 to 127";
}

// A configuration file loaded whole, or the reason it was not; nothing is half-loaded.
bool LoadWhole(const std::string& file, SettingsMirror& mirror, SliderValues& sliders,
               std::ostream& err) {
    const LoadResult r = LoadConfig(PathFromUtf8(file), mirror, sliders);
    if (r.error) {
        err << "orqctl: " << file << ": " << r.error.message() << "\n";
        return false;
    }
    if (!r.found) {
        err << "orqctl: " << file << ": no such file\n";
        return false;
    }
    for (const InvalidValue& v : r.invalid) err << InvalidLine(file, v) << "\n";
    return r.invalid.empty();
}

// Opens the session the options ask for: the trace, then the unit.
int Open(CliSession& s, const CliOptions& o) {
    if (o.trace && !s.StartTrace(*o.trace)) return kExitFailure;
    return s.Connect(o.path);
}

int Read(const std::vector<std::string>& args, CommandContext& c) {
    CliOptions o;
    if (!ParseOptions(args, {"-p", "-o", "--trace"}, o, c.err)) return kExitFailure;
    if (!o.rest.empty()) {
        c.err << "orqctl: read takes no file argument (use -o FILE)\n";
        return kExitFailure;
    }
    CliSession s(c.err, c.cancel);
    if (const int status = Open(s, o); status != kExitOk) return status;
    s.Settle();
    ParameterBlock& block = s.Unit().Block();
    SliderValues sliders;
    MirrorFromDevice(block, sliders);
    if (o.output && *o.output != "-") {
        if (const std::error_code ec = SaveConfig(PathFromUtf8(*o.output), block.Mirror, sliders)) {
            c.err << "orqctl: " << *o.output << ": " << ec.message() << "\n";
            return kExitFailure;
        }
        return kExitOk;
    }
    c.out << RenderConfig(block.Mirror, sliders) << std::flush;
    if (!c.out) {
        c.err << "orqctl: cannot write to standard output\n";
        return kExitFailure;
    }
    return kExitOk;
}

// Sends a loaded configuration file as Open and Transmit would: the file's set over the unit's
// own unnamed bytes. The file is checked before anything goes on the line.
int WriteFile(const std::string& file, const CliOptions& o, const char* cause, CommandContext& c) {
    SettingsMirror loaded;
    SliderValues loadedSliders;
    if (!LoadWhole(file, loaded, loadedSliders, c.err)) return kExitFailure;
    CliSession s(c.err, c.cancel);
    if (const int status = Open(s, o); status != kExitOk) return status;
    ParameterBlock& block = s.Unit().Block();
    block.Mirror = loaded;
    DeviceFromMirror(block);
    return s.WriteAndVerify(cause);
}

int Write(const std::vector<std::string>& args, CommandContext& c) {
    CliOptions o;
    if (!ParseOptions(args, {"-p", "--trace"}, o, c.err)) return kExitFailure;
    if (o.rest.size() != 1) {
        c.err << "orqctl: write takes exactly one configuration file\n";
        return kExitFailure;
    }
    return WriteFile(o.rest.front(), o, "write", c);
}

int PresetCommand(const std::vector<std::string>& args, CommandContext& c) {
    CliOptions o;
    if (!ParseOptions(args, {"-p", "--trace"}, o, c.err)) return kExitFailure;
    static const std::map<std::string, Preset> kNames = {{"beginner", Preset::Beginner},
                                                         {"f3c", Preset::F3C},
                                                         {"3d-soft", Preset::Soft3D},
                                                         {"3d-hard", Preset::Hard3D},
                                                         {"3d-extreme", Preset::Extreme3D}};
    const auto it = o.rest.size() == 1 ? kNames.find(o.rest.front()) : kNames.end();
    if (it == kNames.end()) {
        c.err << "orqctl: preset takes one name: beginner, f3c, 3d-soft, 3d-hard, 3d-extreme\n";
        return kExitFailure;
    }
    CliSession s(c.err, c.cancel);
    if (const int status = Open(s, o); status != kExitOk) return status;
    ResetValues resets;
    SliderValues sliders;
    ApplyPreset(it->second, s.Unit().Block(), sliders, resets);
    return s.WriteAndVerify("preset");
}

int ResetCommand(const std::vector<std::string>& args, CommandContext& c) {
    CliOptions o;
    if (!ParseOptions(args, {"-p", "--trace"}, o, c.err)) return kExitFailure;
    const std::string what = o.rest.empty() ? "all" : o.rest.front();
    if (o.rest.size() > 1 || (what != "main" && what != "tail" && what != "all")) {
        c.err << "orqctl: reset takes main, tail or all\n";
        return kExitFailure;
    }
    CliSession s(c.err, c.cancel);
    if (const int status = Open(s, o); status != kExitOk) return status;
    ParameterBlock& block = s.Unit().Block();
    SliderValues sliders;
    // No preset was applied in this session: the Reset buttons' values are the start values.
    const ResetValues start;
    if (what == "main")
        ResetMainRotor(block, sliders, start);
    else if (what == "tail")
        ResetTailRotor(block, sliders, start);
    else
        AllDataReset(block, sliders);
    return s.WriteAndVerify("reset");
}

int Restore(const std::vector<std::string>& args, CommandContext& c) {
    CliOptions o;
    if (!ParseOptions(args, {"-p", "--trace"}, o, c.err)) return kExitFailure;
    if (o.rest.size() != 1) {
        c.err << "orqctl: restore takes one backup: its id, its file, or latest\n";
        return kExitFailure;
    }
    std::string file = o.rest.front();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(PathFromUtf8(file), ec)) {
        const auto entry = BackupStore(BackupStore::DefaultFolder()).Find(file);
        if (!entry) {
            c.err << "orqctl: no backup " << file << " (orqctl backups lists them)\n";
            return kExitFailure;
        }
        file = Utf8Of(entry->path);
    }
    return WriteFile(file, o, "restore", c);
}

// A parameter set named on the command line: a configuration file, or the unit's.
bool SetOf(const std::string& name, std::optional<CliSession>& unit, const CliOptions& o,
           SettingsMirror& mirror, CommandContext& c, int& status) {
    if (name != "unit") {
        SliderValues sliders;
        status = LoadWhole(name, mirror, sliders, c.err) ? kExitOk : kExitFailure;
        return status == kExitOk;
    }
    if (!unit) {
        unit.emplace(c.err, c.cancel);
        if ((status = Open(*unit, o)) != kExitOk) return false;
    }
    mirror = unit->Unit().Block().Mirror;
    return true;
}

int Diff(const std::vector<std::string>& args, CommandContext& c) {
    CliOptions o;
    if (!ParseOptions(args, {"-p", "--trace"}, o, c.err)) return kExitFailure;
    if (o.rest.size() != 2) {
        c.err << "orqctl: diff takes two parameter sets: configuration files or unit\n";
        return kExitFailure;
    }
    std::optional<CliSession> unit;
    SettingsMirror a, b;
    int status = kExitOk;
    if (!SetOf(o.rest[0], unit, o, a, c, status) || !SetOf(o.rest[1], unit, o, b, c, status))
        return status;
    for (const KeyDifference& d : DiffMirrors(a, b))
        c.out << d.section << " " << d.key << ": " << d.a << " -> " << d.b << "\n";
    return DiffMirrors(a, b).empty() ? kExitOk : kExitFailure;
}

int Check(const std::vector<std::string>& args, CommandContext& c) {
    CliOptions o;
    if (!ParseOptions(args, {}, o, c.err)) return kExitFailure;
    if (o.rest.size() != 1) {
        c.err << "orqctl: check takes one configuration file\n";
        return kExitFailure;
    }
    const std::string& file = o.rest.front();
    const ProfileReadResult read = ReadProfileFile(PathFromUtf8(file));
    if (read.error || !read.found) {
        c.err << "orqctl: " << file << ": "
              << (read.error ? read.error.message() : std::string("no such file")) << "\n";
        return kExitFailure;
    }
    const std::vector<KeyProblem> problems = CheckConfig(read.document);
    for (const KeyProblem& p : problems) c.err << "orqctl: " << file << ": " << Describe(p) << "\n";
    if (problems.empty()) c.out << file << ": every key within its range\n";
    return problems.empty() ? kExitOk : kExitFailure;
}

int Backups(const std::vector<std::string>& args, CommandContext& c) {
    CliOptions o;
    if (!ParseOptions(args, {}, o, c.err)) return kExitFailure;
    const BackupStore store(BackupStore::DefaultFolder());
    const auto entries = store.List();
    if (entries.empty()) {
        c.err << "orqctl: no backups in " << Utf8Of(store.Folder()) << "\n";
        return kExitOk;
    }
    for (const KeptSet& k : ListKeptSets(store)) {
        char head[64];
        std::snprintf(head, sizeof head, "%4u  %s  %-8s  ", k.entry.id, k.entry.time.c_str(),
                      k.entry.cause.c_str());
        c.out << head << (k.first ? "the first kept" : SummariseChanges(k.changes)) << "\n";
    }
    return kExitOk;
}

}  // namespace

int RunOrqctl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              CancelHandle cancel, bool outIsTerminal) {
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
    if (command == "--version") {
        out << "orqctl " << ORQ_VERSION << "\n";
        return kExitOk;
    }
    using Runner = int (*)(const std::vector<std::string>&, CommandContext&);
    static const std::map<std::string, Runner> kCommands = {
        {"ports", Ports},        {"read", Read},
        {"write", Write},        {"preset", PresetCommand},
        {"reset", ResetCommand}, {"monitor", RunMonitor},
        {"diff", Diff},          {"check", Check},
        {"backups", Backups},    {"restore", Restore},
        {"doctor", RunDoctor}};
    const auto it = kCommands.find(command);
    if (it == kCommands.end()) {
        err << "orqctl: unknown command " << command << " (try orqctl --help)\n";
        return kExitFailure;
    }
    if (WantsHelp(rest)) {
        out << HelpOf(command);
        return kExitOk;
    }
    CommandContext context{out, err, cancel, outIsTerminal};
    return it->second(rest, context);
}

}  // namespace orq
