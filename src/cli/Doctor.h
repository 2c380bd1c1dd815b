#pragma once
// `orqctl doctor`: what stands between the user and the port, each finding with a command that
// helps. Every place it looks is replaceable, so that tests can stage a system.

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "serial/PortList.h"

namespace orq {

struct DoctorSystem {
    DiscoveryRoots ports;        // where ports are found (sysfs, /dev)
    std::string proc = "/proc";  // running processes
    std::string root = "/";      // installed programs
    pid_t self = -1;             // this process, never a finding of its own
    // The groups the running session has; the user's groups as the group file lists them.
    std::function<std::vector<gid_t>()> sessionGroups;
    std::function<bool(gid_t)> userInGroup;
};
DoctorSystem ThisSystem();

struct Finding {
    std::string problem;  // one line
    std::string fix;      // a command to copy, with what to do after it
};

struct Diagnosis {
    std::vector<Finding> findings;
    std::vector<std::string> notes;  // advice that is not a problem (a udev rule for a stable name)
    std::size_t portsLooked = 0;
};

// Looks at `path`, or at every port found (ORQ_PORTS included, when `orqPorts` is given).
Diagnosis Diagnose(const std::optional<std::string>& path,
                   const std::optional<std::string>& orqPorts, const DoctorSystem& system);

// "ModemManager (pid 812)", or just the pid when the name cannot be read.
std::string ProcessName(pid_t pid, const std::string& proc = "/proc");

}  // namespace orq
