#pragma once
// One orqctl session with a unit: the unit session a windowless program owns (every port probed
// at once, each receive pass ending at a frame) with the loop that drives it, the trace, the
// backups, and the steps every command that talks to the unit shares.

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "config/Backups.h"
#include "link/SerialLoop.h"
#include "link/UnitSession.h"

namespace orq {

class TraceFile;

class CliSession {
public:
    CliSession(std::ostream& err, CancelHandle cancel);
    ~CliSession();

    // Records every frame to `path`; false (with its line on stderr) when it cannot be opened.
    bool StartTrace(const std::string& path);
    // Finds the unit, on every port or only on `path`, and keeps the set it holds as a backup.
    // The exit status: 0 connected, 2 no unit answered, 1 anything else.
    int Connect(const std::optional<std::string>& path);
    // Sends the parameter block's device image, reads the unit's set back, names every byte the
    // unit holds differently, and keeps what was read back as `cause`. The exit status.
    int WriteAndVerify(const char* cause);
    // Lets the answer to the last frame sent arrive before the session ends.
    void Settle();

    UnitSession& Unit() { return unit_; }
    SerialLoop& Loop() { return loop_; }
    CancelHandle Cancel() const { return cancel_; }
    std::ostream& Err() { return err_; }

private:
    // Waits for the reply to the last frame sent (replies to earlier frames may come first) and
    // applies it to `into`.
    SerialLoop::WaitEnd AwaitReply(ParameterBlock& into);

    std::ostream& err_;
    CancelHandle cancel_;
    UnitSession unit_{SearchStyle::AllAtOnce};
    SerialLoop loop_{unit_};
    std::shared_ptr<TraceFile> trace_;
    BackupKeeper backups_;
};

}  // namespace orq
