// Port discovery on Linux: sysfs says which terminals have a UART or an adapter behind them,
// udev's /dev/serial/by-id gives adapters a stable name, and /proc who holds a device.

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "serial/PortList.h"

namespace orq {

const char kPortListSeparator = ':';

namespace {

namespace fs = std::filesystem;

std::optional<std::string> ReadLine(const fs::path& file) {
    std::ifstream in(file);
    if (!in) return std::nullopt;
    std::string line;
    std::getline(in, line);
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
    return line;
}

std::string UeventValue(const fs::path& uevent, const std::string& key) {
    std::ifstream in(uevent);
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() > key.size() && line.compare(0, key.size(), key) == 0 &&
            line[key.size()] == '=') {
            return line.substr(key.size() + 1);
        }
    }
    return {};
}

bool IsUsbName(const std::string& name) {
    return name.rfind("ttyUSB", 0) == 0 || name.rfind("ttyACM", 0) == 0;
}

// A legacy 8250 port without a type attribute: only the driver can say whether a UART is there.
bool Serial8250Phantom(const std::string& node) {
    const int fd = ::open(node.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;  // cannot tell: keep it listed
    serial_struct ss{};
    const bool phantom = ::ioctl(fd, TIOCGSERIAL, &ss) == 0 && ss.type == PORT_UNKNOWN;
    ::close(fd);
    return phantom;
}

// From the tty's device up towards the root until a folder describes a USB device.
void ReadUsbDetails(const fs::path& device, const fs::path& sysfsRoot, PortInfo& port) {
    std::error_code ec;
    fs::path dir = fs::canonical(device, ec);
    if (ec) return;
    const fs::path root = fs::weakly_canonical(sysfsRoot, ec);
    for (; !dir.empty() && dir != root && dir != dir.root_path(); dir = dir.parent_path()) {
        const auto vendor = ReadLine(dir / "idVendor");
        const auto productId = ReadLine(dir / "idProduct");
        if (!vendor || !productId) continue;
        port.usb = true;
        port.vendorId = *vendor;
        port.productId = *productId;
        port.manufacturer = ReadLine(dir / "manufacturer").value_or("");
        port.product = ReadLine(dir / "product").value_or("");
        port.serial = ReadLine(dir / "serial").value_or("");
        return;
    }
}

// udev names each USB adapter by what it says about itself; the name survives replugging.
void FindAliases(const fs::path& devRoot, std::vector<PortInfo>& ports) {
    std::error_code ec;
    for (const auto& link : fs::directory_iterator(devRoot / "serial" / "by-id", ec)) {
        std::error_code linkEc;
        const fs::path target = fs::canonical(link.path(), linkEc);
        if (linkEc) continue;
        for (PortInfo& port : ports) {
            std::error_code nodeEc;
            if (port.alias.empty() && fs::canonical(port.path, nodeEc) == target && !nodeEc) {
                port.alias = link.path().string();
            }
        }
    }
}

}  // namespace

std::string PortNameOf(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

std::string ShownName(const std::string& path) {
    return path;
}

bool PortPresent(const PortInfo& port) {
    std::error_code ec;
    return std::filesystem::exists(port.path, ec);
}

bool UserMayOpen(const std::string& path) {
    return ::faccessat(AT_FDCWD, path.c_str(), R_OK | W_OK, AT_EACCESS) == 0;
}

std::vector<PortInfo> DiscoverPorts(const DiscoveryRoots& roots) {
    const auto mayOpen = roots.mayOpen ? roots.mayOpen : UserMayOpen;
    const fs::path classTty = fs::path(roots.sysfs) / "class" / "tty";
    std::vector<PortInfo> ports;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(classTty, ec)) {
        const fs::path dir = entry.path();
        const std::string name = dir.filename().string();
        // Virtual terminals, the console, ptmx and pts have no device behind them.
        if (!fs::exists(dir / "device", ec)) continue;

        const std::string devName = UeventValue(dir / "uevent", "DEVNAME");
        if (devName.empty()) continue;
        const std::string node = (fs::path(roots.dev) / devName).string();
        if (!fs::exists(node, ec)) continue;

        // The serial core lists every UART it might have; type 0 means none is there.
        if (const auto type = ReadLine(dir / "type")) {
            if (*type == "0") continue;
        } else {
            const fs::path driver = fs::canonical(dir / "device" / "driver", ec);
            if (!ec && driver.filename() == "serial8250" && Serial8250Phantom(node)) continue;
        }

        PortInfo port;
        port.path = node;
        port.name = name;
        ReadUsbDetails(dir / "device", roots.sysfs, port);
        port.usb = port.usb || IsUsbName(name);
        port.accessible = mayOpen(node);
        ports.push_back(std::move(port));
    }
    std::sort(ports.begin(), ports.end(), [](const PortInfo& a, const PortInfo& b) {
        if (a.usb != b.usb) return a.usb;
        return NaturalLess(a.name, b.name);
    });
    FindAliases(roots.dev, ports);
    NumberPorts(ports);
    return ports;
}

std::string ProcessName(pid_t pid, const std::string& procRoot) {
    std::ifstream in(procRoot + "/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(in, name);
    if (name.empty()) return "pid " + std::to_string(pid);
    return name + " (pid " + std::to_string(pid) + ")";
}

pid_t CurrentProcess() {
    return ::getpid();
}

std::vector<pid_t> ProcessesUsing(const std::string& path, const std::string& procRoot,
                                  pid_t self) {
    std::vector<pid_t> pids;
    std::error_code ec;
    const fs::path target = fs::weakly_canonical(path, ec);
    if (ec) return pids;
    for (const auto& proc : fs::directory_iterator(procRoot, ec)) {
        const std::string pidText = proc.path().filename().string();
        if (pidText.empty() || !std::all_of(pidText.begin(), pidText.end(), ::isdigit)) continue;
        const pid_t pid = static_cast<pid_t>(std::strtol(pidText.c_str(), nullptr, 10));
        if (pid == self) continue;
        std::error_code fdEc;
        for (const auto& fd : fs::directory_iterator(proc.path() / "fd", fdEc)) {
            std::error_code linkEc;
            const fs::path link = fs::read_symlink(fd.path(), linkEc);
            if (!linkEc && link == target) {
                pids.push_back(pid);
                break;
            }
        }
    }
    std::sort(pids.begin(), pids.end());
    return pids;
}

}  // namespace orq
