#pragma once
// orqctl, the command-line companion: list ports, read a unit's parameter set into a
// configuration file, write one to the unit and check that it took it.

#include <iosfwd>
#include <string>
#include <vector>

#include "protocol/ParameterBlock.h"

namespace orq {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitNoUnit = 2;

// Runs the command in `args` (without the program name). `cancelFd`, when readable, stops a scan
// in progress (main hands in a signalfd for SIGINT and SIGTERM).
int RunOrqctl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              int cancelFd);

// A device byte that the unit holds differently from what was sent.
struct ByteDifference {
    std::string name;  // configuration key where the byte has one, else its field name
    int sent;
    int held;
    bool operator==(const ByteDifference&) const = default;
};
// Compares what a parameter write carries: SetupBlock 0..30 and the whole TuningBlock.
std::vector<ByteDifference> CompareWritten(const SetupBlock& sentSetup,
                                           const TuningBlock& sentTuning,
                                           const SetupBlock& heldSetup,
                                           const TuningBlock& heldTuning);

}  // namespace orq
