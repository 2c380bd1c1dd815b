#pragma once
// Which serial ports the system has, found without opening any of them (opening drops DTR and
// disturbs whatever else talks to the device). A port's number is its 1-based position in the
// list and its path, the name OpenPort takes, is the device node. Discovery is the system's own
// (PortListPosix.cpp: sysfs and /dev); ORQ_PORTS and the ordering are the same everywhere.

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace orq {

struct PortInfo {
    int32_t number = 0;
    std::string path;  // /dev/ttyUSB0
    std::string name;  // ttyUSB0
    bool usb = false;
    std::string vendorId, productId;            // four hex digits each, e.g. 0403 and 6001
    std::string manufacturer, product, serial;  // empty when the adapter does not say
    std::string alias;       // its name under /dev/serial/by-id, which stays the same across plugs
    bool accessible = true;  // false: the user may not open it; show "no permission"
};

struct DiscoveryRoots {
    std::string sysfs = "/sys";
    std::string dev = "/dev";
    // Whether the user may open the node for reading and writing; replaceable because tests run
    // as a user who may open everything.
    std::function<bool(const std::string& path)> mayOpen;
};

// The system's list: virtual terminals and phantom UARTs left out, USB adapters first, natural
// order within each group (ttyS2 before ttyS10).
std::vector<PortInfo> DiscoverPorts(const DiscoveryRoots& roots = {});
// What separates the paths of ORQ_PORTS on this system.
extern const char kPortListSeparator;
// Whether this user may open `path` for reading and writing, without opening it.
bool UserMayOpen(const std::string& path);
// What a port is called where people see it: ttyUSB0 for /dev/ttyUSB0, COM7 for \\.\COM7.
std::string PortNameOf(const std::string& path);
// How lists, progress and messages name a port: its device path on Linux (/dev/ttyUSB0), its
// COM name on Windows (COM7, for \\.\COM7 too).
std::string ShownName(const std::string& path);
inline std::string ShownName(const PortInfo& port) {
    return ShownName(port.path);
}
// Whether the device is there at all (a port the user named may not be).
bool PortPresent(const PortInfo& port);
// The list from ORQ_PORTS syntax: device paths separated by kPortListSeparator, in the order
// given.
std::vector<PortInfo> PortsFromList(const std::string& paths,
                                    const std::function<bool(const std::string&)>& mayOpen = {});
// ORQ_PORTS when it is set (it replaces discovery entirely), else discovery.
std::vector<PortInfo> ListPorts(const std::optional<std::string>& orqPorts,
                                const DiscoveryRoots& roots = {});
// The value of ORQ_PORTS in this process's environment, if any.
std::optional<std::string> OrqPortsFromEnvironment();

// Natural order: runs of digits compare by value.
bool NaturalLess(const std::string& a, const std::string& b);
// Numbers the ports 1, 2, ... in their order.
void NumberPorts(std::vector<PortInfo>& ports);

// Processes other than `self` that hold `path` open, seen through the /proc/PID/fd links.
// Processes of other users cannot be seen by an ordinary user; the device is never touched.
// Windows does not say: none there.
std::vector<pid_t> ProcessesUsing(const std::string& path, const std::string& procRoot = "/proc",
                                  pid_t self = -1);
// "ModemManager (pid 812)", or just the pid when the name cannot be read.
std::string ProcessName(pid_t pid, const std::string& procRoot = "/proc");
pid_t CurrentProcess();

}  // namespace orq
