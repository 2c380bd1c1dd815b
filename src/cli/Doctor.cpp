#include "cli/Doctor.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <ostream>

#include "cli/Orqctl.h"

namespace orq {

namespace fs = std::filesystem;

namespace {

std::string GroupName(gid_t gid) {
    if (const group* g = ::getgrgid(gid)) return g->gr_name;
    return std::to_string(gid);
}

// Running processes with this command name.
std::vector<pid_t> Running(const std::string& proc, const std::string& name) {
    std::vector<pid_t> pids;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(proc, ec)) {
        const std::string pid = entry.path().filename().string();
        if (pid.empty() || !std::all_of(pid.begin(), pid.end(), ::isdigit)) continue;
        std::ifstream in(entry.path() / "comm");
        std::string comm;
        std::getline(in, comm);
        if (comm == name) pids.push_back(static_cast<pid_t>(std::stol(pid)));
    }
    return pids;
}

bool Installed(const std::string& root, std::initializer_list<const char*> paths) {
    std::error_code ec;
    for (const char* p : paths)
        if (fs::exists(fs::path(root) / p, ec)) return true;
    return false;
}

void LookAtPort(const PortInfo& port, const DoctorSystem& sys, Diagnosis& d) {
    struct stat st {};
    if (::stat(port.path.c_str(), &st) != 0) {
        d.findings.push_back({port.path + " does not exist",
                              "plug the adapter in and see what the system calls it: "
                              "ls -l /dev/serial/by-id/"});
        return;
    }
    if (!port.accessible) {
        const std::string group = GroupName(st.st_gid);
        const auto session = sys.sessionGroups ? sys.sessionGroups() : std::vector<gid_t>{};
        const bool inSession =
            std::find(session.begin(), session.end(), st.st_gid) != session.end();
        if (sys.userInGroup && sys.userInGroup(st.st_gid) && !inSession)
            d.findings.push_back(
                {"you are in the group " + group + " that owns " + port.path +
                     ", but this login does not have it yet",
                 "log out and in again (or, in this terminal only: newgrp " + group + ")"});
        else
            d.findings.push_back({"you may not open " + port.path + ": it belongs to the group " +
                                      group + " and you are not in it",
                                  "sudo usermod -aG " + group +
                                      " $USER   (then log out and in "
                                      "again)"});
    }
    for (pid_t pid : ProcessesUsing(port.path, sys.proc, sys.self))
        d.findings.push_back({port.path + " is held by " + ProcessName(pid, sys.proc),
                              "close that program, or: kill " + std::to_string(pid)});
    if (port.usb) {
        std::string rule = "SUBSYSTEM==\"tty\", ATTRS{idVendor}==\"" + port.vendorId +
                           "\", ATTRS{idProduct}==\"" + port.productId + "\"";
        if (!port.serial.empty()) rule += ", ATTRS{serial}==\"" + port.serial + "\"";
        rule += ", SYMLINK+=\"orq\", ENV{ID_MM_DEVICE_IGNORE}=\"1\"";
        d.notes.push_back("to reach " + port.path +
                          " as /dev/orq whatever order it is plugged in:\n"
                          "  echo '" +
                          rule +
                          "' | sudo tee /etc/udev/rules.d/60-orq.rules\n"
                          "  sudo udevadm control --reload && sudo udevadm trigger");
    }
}

}  // namespace

DoctorSystem ThisSystem() {
    DoctorSystem sys;
    sys.self = ::getpid();
    sys.sessionGroups = [] {
        std::vector<gid_t> groups(static_cast<std::size_t>(std::max(0, ::getgroups(0, nullptr))));
        groups.resize(static_cast<std::size_t>(
            std::max(0, ::getgroups(static_cast<int>(groups.size()), groups.data()))));
        groups.push_back(::getegid());
        return groups;
    };
    sys.userInGroup = [](gid_t gid) {
        const passwd* pw = ::getpwuid(::getuid());
        if (!pw) return false;
        int count = 64;
        std::vector<gid_t> groups(static_cast<std::size_t>(count));
        if (::getgrouplist(pw->pw_name, pw->pw_gid, groups.data(), &count) < 0) {
            groups.resize(static_cast<std::size_t>(count));
            ::getgrouplist(pw->pw_name, pw->pw_gid, groups.data(), &count);
        }
        groups.resize(static_cast<std::size_t>(std::max(0, count)));
        return std::find(groups.begin(), groups.end(), gid) != groups.end();
    };
    return sys;
}

Diagnosis Diagnose(const std::optional<std::string>& path,
                   const std::optional<std::string>& orqPorts, const DoctorSystem& sys) {
    Diagnosis d;
    std::vector<PortInfo> ports;
    if (path) {
        ports = PortsFromList(*path, sys.ports.mayOpen);
    } else {
        ports = ListPorts(orqPorts, sys.ports);
        const bool usb =
            std::any_of(ports.begin(), ports.end(), [](const PortInfo& p) { return p.usb; });
        if (!orqPorts && !usb)
            d.findings.push_back({"no USB serial adapter is plugged in",
                                  "plug it in, then see what the system made of it: "
                                  "sudo dmesg | tail"});
    }
    d.portsLooked = ports.size();
    for (const PortInfo& p : ports) LookAtPort(p, sys, d);
    for (pid_t pid : Running(sys.proc, "ModemManager"))
        d.findings.push_back({ProcessName(pid, sys.proc) +
                                  " is running: it probes new serial "
                                  "adapters for seconds and can hold the port meanwhile",
                              "sudo systemctl stop ModemManager   (for good: sudo systemctl "
                              "disable ModemManager)"});
    if (Installed(sys.root, {"usr/bin/brltty", "bin/brltty"}))
        d.findings.push_back(
            {"brltty is installed: it claims CH340 and CP210x adapters, which "
             "then appear and vanish",
             "sudo apt remove brltty   (unless you use a braille display)"});
    return d;
}

int RunDoctor(const std::vector<std::string>& args, CommandContext& c) {
    std::optional<std::string> path;
    if (!DoctorPort(args, c, path)) return kExitFailure;
    return Report(Diagnose(path, OrqPortsFromEnvironment(), ThisSystem()), c.out);
}

}  // namespace orq
