#pragma once
// `orqctl doctor` on Linux: what stands between the user and the port (the group that owns it,
// the programs that hold it), each finding with a command that helps. Every place it looks is
// replaceable, so that tests can stage a system.

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/Diagnosis.h"
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

// Looks at `path`, or at every port found (ORQ_PORTS included, when `orqPorts` is given).
Diagnosis Diagnose(const std::optional<std::string>& path,
                   const std::optional<std::string>& orqPorts, const DoctorSystem& system);

}  // namespace orq
