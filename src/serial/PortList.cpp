// Port lists the same on every system: ORQ_PORTS, the natural order and the numbering.

#include <cctype>
#include <cstdlib>

#include "serial/PortList.h"

namespace orq {

void NumberPorts(std::vector<PortInfo>& ports) {
    for (size_t i = 0; i < ports.size(); ++i) ports[i].number = static_cast<int32_t>(i + 1);
}

bool NaturalLess(const std::string& a, const std::string& b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const bool da = std::isdigit(static_cast<unsigned char>(a[i])) != 0;
        const bool db = std::isdigit(static_cast<unsigned char>(b[j])) != 0;
        if (da && db) {
            size_t ei = i, ej = j;
            while (ei < a.size() && std::isdigit(static_cast<unsigned char>(a[ei]))) ++ei;
            while (ej < b.size() && std::isdigit(static_cast<unsigned char>(b[ej]))) ++ej;
            // Compare by value without converting: strip leading zeros, then length, then digits.
            size_t si = i, sj = j;
            while (si + 1 < ei && a[si] == '0') ++si;
            while (sj + 1 < ej && b[sj] == '0') ++sj;
            if (ei - si != ej - sj) return ei - si < ej - sj;
            const int c = a.compare(si, ei - si, b, sj, ej - sj);
            if (c != 0) return c < 0;
            i = ei;
            j = ej;
            continue;
        }
        if (a[i] != b[j]) return a[i] < b[j];
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

std::vector<PortInfo> PortsFromList(const std::string& paths,
                                    const std::function<bool(const std::string&)>& mayOpen) {
    std::vector<PortInfo> ports;
    size_t start = 0;
    while (start <= paths.size()) {
        size_t end = paths.find(kPortListSeparator, start);
        if (end == std::string::npos) end = paths.size();
        if (end > start) {
            PortInfo port;
            port.path = paths.substr(start, end - start);
            port.name = PortNameOf(port.path);
            port.accessible = mayOpen ? mayOpen(port.path) : UserMayOpen(port.path);
            ports.push_back(std::move(port));
        }
        start = end + 1;
    }
    NumberPorts(ports);
    return ports;
}

std::vector<PortInfo> ListPorts(const std::optional<std::string>& orqPorts,
                                const DiscoveryRoots& roots) {
    if (orqPorts) return PortsFromList(*orqPorts, roots.mayOpen);
    return DiscoverPorts(roots);
}

std::optional<std::string> OrqPortsFromEnvironment() {
    const char* value = std::getenv("ORQ_PORTS");
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

}  // namespace orq
