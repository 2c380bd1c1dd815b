#include "cli/Diagnosis.h"

#include <ostream>

#include "cli/CliOptions.h"
#include "cli/Orqctl.h"

namespace orq {

int Report(const Diagnosis& d, std::ostream& out) {
    out << "looked at " << d.portsLooked << (d.portsLooked == 1 ? " port" : " ports") << "\n";
    for (const Finding& f : d.findings)
        out << "problem: " << f.problem << "\n  fix: " << f.fix << "\n";
    for (const std::string& note : d.notes) out << "note: " << note << "\n";
    if (d.findings.empty()) out << "nothing in the way\n";
    return d.findings.empty() ? kExitOk : kExitFailure;
}

bool DoctorPort(const std::vector<std::string>& args, CommandContext& c,
                std::optional<std::string>& port) {
    CliOptions o;
    if (!ParseOptions(args, {}, o, c.err)) return false;
    if (o.rest.size() > 1) {
        c.err << "orqctl: doctor takes at most one port\n";
        return false;
    }
    if (!o.rest.empty()) port = o.rest.front();
    return true;
}

}  // namespace orq
