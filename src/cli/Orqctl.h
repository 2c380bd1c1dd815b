#pragma once
// orqctl, the command-line companion: everything the desktop program does to a unit's parameter
// set, from a shell, and what helps when the unit cannot be reached.

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "protocol/ParameterBlock.h"

namespace orq {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitNoUnit = 2;

// What stops a wait for the unit from outside, as SerialLoop takes it: a descriptor that turns
// readable (a signalfd for SIGINT and SIGTERM), or on Windows an event the console's Ctrl+C
// handler sets; -1 for none.
using CancelHandle = std::intptr_t;

// Runs the command in `args` (without the program name). `cancel` stops what is waiting for the
// unit. `outIsTerminal`:
// `out` is a terminal a person reads, so the monitor redraws one line instead of printing many.
int RunOrqctl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              CancelHandle cancel, bool outIsTerminal = false);

// The commands themselves, for RunOrqctl; each takes the arguments after its name.
struct CommandContext {
    std::ostream& out;
    std::ostream& err;
    CancelHandle cancel;
    bool outIsTerminal;
};
int RunMonitor(const std::vector<std::string>& args, CommandContext& c);
int RunDoctor(const std::vector<std::string>& args, CommandContext& c);

}  // namespace orq
