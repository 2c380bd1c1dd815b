#include "cli/CliSession.h"

#include <array>
#include <filesystem>
#include <ostream>

#include "cli/Orqctl.h"
#include "cli/Trace.h"
#include "config/ConfigFile.h"
#include "config/Paths.h"
#include "link/FrameEnd.h"
#include "serial/PortList.h"
#include "serial/SerialPort.h"

namespace orq {

namespace {

using namespace std::chrono_literals;

// A unit answers within two frame times (about 190 ms at 9600 baud); allow for a slow adapter.
constexpr std::chrono::milliseconds kReplyWait = 2s;

// Progress on stderr: "probing PATH (i of n) … what happened".
class Progress : public ScanListener {
public:
    explicit Progress(std::ostream& err) : err_(err) {}
    void OnPortStep(const ScanEvent& e) override {
        if (e.step == PortStep::Probing) {
            err_ << "probing " << ShownName(e.port) << " (" << e.index + 1 << " of " << e.count
                 << ") … " << std::flush;
        } else if (EndsPort(e.step)) {
            err_ << PortStepText(e.step);
            if (e.step == PortStep::PermissionDenied)
                err_ << " (join the dialout group: sudo usermod -aG dialout $USER, then log in "
                        "again)";
            err_ << std::endl;
        }
    }
    void OnScanFinished(bool) override {}

private:
    std::ostream& err_;
};

std::vector<PortInfo> Candidates(const std::optional<std::string>& path) {
    if (!path) return ListPorts(OrqPortsFromEnvironment());
    PortInfo only;
    only.number = 1;
    only.path = *path;
    only.name = PortNameOf(*path);
    return {only};
}

// A frame that did not go out whole leaves the unit with a partial frame it will ignore: the
// user must hear of it rather than of a missing answer later.
bool SentWhole(uint32_t sent, const char* what, std::ostream& err) {
    if (sent == kFrameSize) return true;
    err << "orqctl: the " << what << " did not go out whole (" << sent << " of " << kFrameSize
        << " bytes; the port was closed or is gone)\n";
    return false;
}

}  // namespace

CliSession::CliSession(std::ostream& err, CancelHandle cancel)
    : err_(err),
      cancel_(cancel),
      backups_([this](const std::filesystem::path& folder, std::error_code error) {
          err_ << "orqctl: no backup kept in " << Utf8Of(folder) << ": " << error.message()
               << " (going on without)\n";
      }) {
    // Every byte is looked through here: a receive pass need not wait for the line to fall silent.
    static_cast<void>(unit_.Port().SetPassEnd(std::make_unique<FrameEnd>()));
    unit_.SetKeeper(
        [this](const ParameterBlock& image, const char* cause) { backups_.Keep(image, cause); });
}

CliSession::~CliSession() {
    unit_.Port().SetTap(nullptr);
}

bool CliSession::StartTrace(const std::string& path) {
    trace_ = std::make_shared<TraceFile>(path);
    if (!trace_->Ok()) {
        err_ << "orqctl: " << path << ": cannot write the trace there\n";
        trace_.reset();
        return false;
    }
    unit_.Port().SetTap(trace_);
    return true;
}

int CliSession::Connect(const std::optional<std::string>& path) {
    std::vector<PortInfo> ports = Candidates(path);
    if (ports.empty()) {
        err_ << "orqctl: no serial ports found (set ORQ_PORTS or use -p PATH)\n";
        return kExitNoUnit;
    }
    Progress progress(err_);
    unit_.SetSearchListener(&progress);
    const ScanEnd end = loop_.Search(std::move(ports), cancel_);
    unit_.SetSearchListener(nullptr);
    switch (end) {
        case ScanEnd::Connected:
            return kExitOk;
        case ScanEnd::Cancelled:
            err_ << "orqctl: interrupted\n";
            return kExitFailure;
        case ScanEnd::Failed:
            err_ << "orqctl: waiting for the port failed: " << loop_.Error().message() << "\n";
            return kExitFailure;
        case ScanEnd::NoUnit:
            break;
    }
    err_ << "orqctl: no unit answered\n";
    return kExitNoUnit;
}

SerialLoop::WaitEnd CliSession::AwaitReply(ParameterBlock& into) {
    return loop_.Wait([&] { return unit_.TakeReply(into); }, kReplyWait, cancel_);
}

int CliSession::WriteAndVerify(const char* cause) {
    const SetupBlock sentSetup = unit_.Block().Setup;
    const TuningBlock sentTuning = unit_.Block().Tuning;
    unit_.Accumulator().Clear();
    if (!SentWhole(unit_.SendParameters(), "parameter write", err_)) return kExitFailure;
    if (!SentWhole(unit_.RequestParameters(), "read-back request", err_)) return kExitFailure;
    ParameterBlock held;
    switch (AwaitReply(held)) {
        case SerialLoop::WaitEnd::Done:
            break;
        case SerialLoop::WaitEnd::Cancelled:
            err_ << "orqctl: interrupted\n";
            return kExitFailure;
        case SerialLoop::WaitEnd::Failed:
            err_ << "orqctl: waiting for the read-back failed: " << loop_.Error().message() << "\n";
            return kExitFailure;
        case SerialLoop::WaitEnd::Removed:
            err_ << "orqctl: the unit went away before it answered (unplugged?)\n";
            return kExitFailure;
        case SerialLoop::WaitEnd::TimedOut:
            err_ << "orqctl: the unit did not answer the read-back\n";
            return kExitFailure;
    }
    unit_.KeepSet(held, cause);
    const auto differences = CompareWritten(sentSetup, sentTuning, held.Setup, held.Tuning);
    for (const ByteDifference& d : differences)
        err_ << "orqctl: " << d.name << ": sent " << d.sent << ", the unit holds " << d.held
             << "\n";
    return differences.empty() ? kExitOk : kExitFailure;
}

void CliSession::Settle() {
    // The answer also tells that the request has left the port: closing it sooner would discard
    // what the line had not yet taken. A Ctrl+C has often ended what came before (the monitor),
    // so the wait does not heed it: the request that ends the stream must still go out whole.
    ParameterBlock scratch;
    static_cast<void>(loop_.Wait([&] { return unit_.TakeReply(scratch); }, kReplyWait));
}

}  // namespace orq
