#pragma once
// What `orqctl doctor` found, however the system it looked at is made, and how it says so.

#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace orq {

struct Finding {
    std::string problem;  // one line
    std::string fix;      // a command to copy, or what to do, with what to do after it
};

struct Diagnosis {
    std::vector<Finding> findings;
    std::vector<std::string> notes;  // advice that is not a problem (a stable name for the port)
    std::size_t portsLooked = 0;
};

// Prints the diagnosis; the exit status: 0 when nothing is in the way, else 1.
int Report(const Diagnosis& d, std::ostream& out);

struct CommandContext;
// The port `orqctl doctor` was named, if any (`port` unset when none); false, said on c.err,
// when the arguments are wrong.
bool DoctorPort(const std::vector<std::string>& args, CommandContext& c,
                std::optional<std::string>& port);

}  // namespace orq
