// `orqctl doctor` on Windows: no port at all (the adapter's driver is missing or nothing is
// plugged in), a port another program holds, a port name that does not exist, and which number
// each adapter was given.

#include <optional>
#include <ostream>
#include <string>

#include "cli/Diagnosis.h"
#include "cli/Orqctl.h"
#include "serial/PortList.h"
#include "serial/SerialPort.h"

namespace orq {

namespace {

void LookAtPort(const PortInfo& port, Diagnosis& d) {
    // Windows tells only by opening: exclusive access makes a port that is held fail at once,
    // and opening one that is free disturbs nobody else.
    SerialPort probe;
    if (probe.OpenPort(port.number, port.path)) {
        probe.ClosePort();
    } else if (probe.LastOpenError() == OpenError::InUse) {
        d.findings.push_back({port.name + " is in use by another program",
                              "close the program that holds it (a terminal program, another "
                              "configurator), then try again"});
    } else if (probe.LastOpenError() == OpenError::NotFound) {
        d.findings.push_back({port.name + " does not exist",
                              "see which number the adapter has: orqctl ports, or Device "
                              "Manager, Ports (COM & LPT)"});
    } else {
        d.findings.push_back(
            {port.name + " cannot be opened (" + OpenErrorText(probe.LastOpenError()) + ")",
             "unplug the adapter and plug it in again"});
    }
    if (port.usb || !port.product.empty()) {
        std::string what = port.product.empty() ? "a USB serial adapter" : port.product;
        if (!port.vendorId.empty()) what += " (USB " + port.vendorId + ":" + port.productId + ")";
        d.notes.push_back(port.name + " is " + what +
                          "; Windows keeps this number for this adapter on this USB socket");
    }
}

}  // namespace

int RunDoctor(const std::vector<std::string>& args, CommandContext& c) {
    std::optional<std::string> named;
    if (!DoctorPort(args, c, named)) return kExitFailure;
    Diagnosis d;
    const std::vector<PortInfo> ports =
        named ? PortsFromList(*named) : ListPorts(OrqPortsFromEnvironment());
    if (ports.empty())
        d.findings.push_back(
            {"Windows lists no serial port at all: the adapter is not plugged in, "
             "or its driver is missing",
             "plug it in; then look in Device Manager, Ports (COM & LPT): an "
             "adapter with a warning sign needs the driver from its maker"});
    d.portsLooked = ports.size();
    for (const PortInfo& p : ports) LookAtPort(p, d);
    return Report(d, c.out);
}

}  // namespace orq
