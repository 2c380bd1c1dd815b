#pragma once
// One orqctl session with a unit: the process-wide objects a windowless program owns (the port,
// the accumulator, the link state and the parameter image, through HostSession), the trace, the
// backups, and the steps every command that talks to the unit shares.

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "config/Backups.h"
#include "link/SerialLoop.h"

namespace orq {

class TraceFile;

class CliSession {
public:
    CliSession(std::ostream& err, int cancelFd);
    ~CliSession();

    // Records every frame to `path`; false (with its line on stderr) when it cannot be opened.
    bool StartTrace(const std::string& path);
    // Finds the unit, on every port or only on `path`, and keeps the set it holds as a backup.
    // The exit status: 0 connected, 2 no unit answered, 1 anything else.
    int Connect(const std::optional<std::string>& path);
    // Keeps the unit's device image as it stands in the parameter block (the set before a
    // change), caused by `cause`. Reports a failure once and goes on.
    void Backup(const ParameterBlock& image, const char* cause);
    // Sends the parameter block's device image, reads the unit's set back, names every byte the
    // unit holds differently, and keeps what was read back as `cause`. The exit status.
    int WriteAndVerify(const char* cause);
    // Lets the answer to the last frame sent arrive before the session ends.
    void Settle();

    HostSession& Host() { return host_; }
    int CancelFd() const { return cancelFd_; }
    std::ostream& Err() { return err_; }

private:
    // Waits for the reply that clears AwaitingReply, taking the frames in the accumulator one by
    // one (replies to earlier frames may come first), and applies it to `into`.
    SerialLoop::WaitEnd AwaitReply(ParameterBlock& into);

    std::ostream& err_;
    int cancelFd_;
    HostSession host_;
    std::shared_ptr<TraceFile> trace_;
    BackupStore backups_{BackupStore::DefaultFolder()};
    bool backupReported_ = false;
};

}  // namespace orq
