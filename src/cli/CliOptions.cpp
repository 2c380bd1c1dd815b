#include "cli/CliOptions.h"

#include <algorithm>
#include <charconv>
#include <ostream>

namespace orq {

bool WantsHelp(const std::vector<std::string>& args) {
    return std::any_of(args.begin(), args.end(),
                       [](const std::string& a) { return a == "--help" || a == "-h"; });
}

bool ParseOptions(const std::vector<std::string>& args,
                  std::initializer_list<std::string_view> allowed, CliOptions& o,
                  std::ostream& err) {
    const auto allows = [&](std::string_view name) {
        return std::find(allowed.begin(), allowed.end(), name) != allowed.end();
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-" || a.empty() || a[0] != '-') {
            o.rest.push_back(a);
            continue;
        }
        if (!allows(a)) {
            err << "orqctl: unknown option " << a << "\n";
            return false;
        }
        if (a == "--raw") {
            o.raw = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            err << "orqctl: " << a << " needs a value\n";
            return false;
        }
        const std::string& value = args[++i];
        if (a == "-p")
            o.path = value;
        else if (a == "-o")
            o.output = value;
        else if (a == "--trace")
            o.trace = value;
        else if (a == "--count") {
            long n = 0;
            const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
            if (ec != std::errc{} || end != value.data() + value.size() || n < 1) {
                err << "orqctl: --count takes a number of frames, 1 or more\n";
                return false;
            }
            o.count = n;
        }
    }
    return true;
}

}  // namespace orq
