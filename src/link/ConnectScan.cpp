#include "link/ConnectScan.h"

#include <array>

namespace orq {

const char* PortStepText(PortStep step) {
    switch (step) {
        case PortStep::Probing:
            return "probing";
        case PortStep::Opened:
            return "opened";
        case PortStep::NotFound:
            return "not found";
        case PortStep::PermissionDenied:
            return "permission denied";
        case PortStep::InUse:
            return "in use";
        case PortStep::CannotOpen:
            return "cannot open";
        case PortStep::CannotConfigure:
            return "cannot set up the line";
        case PortStep::NoAnswer:
            return "no answer";
        case PortStep::NoValidAnswer:
            return "no valid answer";
        case PortStep::Removed:
            return "gone (unplugged?)";
        case PortStep::Answered:
            return "answered";
    }
    return "?";
}

bool EndsPort(PortStep step) {
    return step != PortStep::Probing && step != PortStep::Opened;
}

void ConnectScan::Start(std::vector<PortInfo> ports, Clock::time_point now) {
    // Whatever was going on ends here: a scan in progress, or the connection.
    events_.clear();
    p_.port.ClosePort();
    p_.accumulator.Clear();
    p_.connected = 0;

    // One probe for the whole scan.
    probe_ = PrepareProbe(p_.link, p_.block);

    ports_ = std::move(ports);
    index_ = 0;
    scanning_ = true;
    OpenNext(now);
    Dispatch();
}

void ConnectScan::OpenNext(Clock::time_point now) {
    for (; index_ < ports_.size(); ++index_) {
        Emit(PortStep::Probing);
        const PortStep step = TryOpen(ports_[index_]);
        Emit(step);
        if (step == PortStep::Opened) {
            probesSent_ = 0;
            portStart_ = now;
            nextProbe_ = now;
            SendProbe();
            return;
        }
    }
    Finish(false);
}

Frame ConnectScan::PrepareProbe(LinkState& link, const ParameterBlock& block) {
    link.ReplyMode = kReplyModeParameters;
    link.SequenceCounter = 0;
    BuildFrame(link, block, kCommandRequest);
    return link.TransmitFrame;
}

PortStep ConnectScan::OpenForProbe(SerialPort& port, const PortInfo& info) {
    if (!port.OpenPort(info.number, info.path)) {
        switch (port.LastOpenError()) {
            case OpenError::NotFound:
                return PortStep::NotFound;
            case OpenError::PermissionDenied:
                return PortStep::PermissionDenied;
            case OpenError::InUse:
                return PortStep::InUse;
            default:
                return PortStep::CannotOpen;
        }
    }
    if (!port.SetState(9600, 0, 8, 1) || !port.SetupPort()) {
        port.ClosePort();
        return PortStep::CannotConfigure;
    }
    // SetupPort has discarded what the device held; what the port still holds came before this
    // probe and must not be taken for its answer.
    port.ReceiveBuffer().Clear();
    constexpr uint32_t kThreads =
        SerialPort::kWaitThread | SerialPort::kReadThread | SerialPort::kWriteThread;
    if ((port.Options() & kThreads) != 0 && !port.StartThreads()) {
        port.ClosePort();
        return PortStep::CannotConfigure;
    }
    return PortStep::Opened;
}

void ConnectScan::EnterConnected(const Parts& p) {
    p.connected = 1;
    p.link.ReplyMode = kReplyModeNone;
    static_cast<void>(SendRequest(p.link, p.block, &p.port));
    MirrorFromDevice(p.block, p.sliders);
}

PortStep ConnectScan::TryOpen(const PortInfo& info) {
    // The accumulator too may hold bytes from before this probe.
    p_.accumulator.Clear();
    return OpenForProbe(p_.port, info);
}

void ConnectScan::SendProbe() {
    // A probe the line does not take whole gets no answer: the port's wait bounds that, and a
    // port that has gone reports its removal.
    static_cast<void>(p_.port.Write(probe_.data(), static_cast<uint32_t>(probe_.size())));
    ++probesSent_;
    nextProbe_ += kProbeInterval;
}

void ConnectScan::Answered() {
    EnterConnected(p_);
    Emit(PortStep::Answered);
    Finish(true);
}

void ConnectScan::OnReceive(Clock::time_point now) {
    if (!scanning_ || p_.accumulator.Size() < kFrameSize) {
        Dispatch();
        return;
    }
    std::array<uint8_t, kExamineLimit + 1> work{};
    const uint32_t n = p_.accumulator.Take(work.data(), kExamineLimit);
    p_.accumulator.Clear();  // beyond the first 1023 bytes nothing is looked at
    if (FindFrame(p_.link, std::span<const uint8_t>(work.data(), n)))
        AcceptFrame(p_.link, p_.block);

    if (p_.link.AwaitingReply)
        EndPort(PortStep::NoValidAnswer, now);
    else
        Answered();
    Dispatch();
}

void ConnectScan::OnTimer(Clock::time_point now) {
    if (scanning_) {
        if (now >= portStart_ + kPortWait) {
            EndPort(PortStep::NoAnswer, now);
        } else if (probesSent_ < kProbesPerPort && now >= nextProbe_) {
            SendProbe();
        }
    }
    Dispatch();
}

void ConnectScan::OnPortRemoved(int32_t portNumber, Clock::time_point now) {
    if (scanning_ && portNumber == p_.port.PortNumber()) EndPort(PortStep::Removed, now);
    Dispatch();
}

std::optional<ConnectScan::Clock::time_point> ConnectScan::NextDeadline() const {
    if (!scanning_) return std::nullopt;
    const Clock::time_point bound = portStart_ + kPortWait;
    if (probesSent_ < kProbesPerPort && nextProbe_ < bound) return nextProbe_;
    return bound;
}

void ConnectScan::EndPort(PortStep step, Clock::time_point now) {
    p_.port.ClosePort();
    p_.accumulator.Clear();
    Emit(step);
    ++index_;
    OpenNext(now);
}

void ConnectScan::Cancel() {
    if (!scanning_) return;
    events_.clear();
    p_.port.ClosePort();
    p_.accumulator.Clear();
    Finish(false);
    Dispatch();
}

void ConnectScan::Finish(bool connected) {
    scanning_ = false;
    events_.push_back({true, connected, {PortStep::Probing, index_, ports_.size(), {}}});
}

void ConnectScan::Emit(PortStep step) {
    events_.push_back({false, false, {step, index_, ports_.size(), ports_[index_]}});
}

void ConnectScan::Dispatch() {
    if (dispatching_) return;  // an outer call is delivering; it will get to these
    dispatching_ = true;
    while (!events_.empty()) {
        const Queued q = std::move(events_.front());
        events_.pop_front();
        if (listener_ == nullptr) continue;
        if (q.finished) {
            listener_->OnScanFinished(q.connected);
        } else {
            listener_->OnPortStep(q.event);
        }
    }
    dispatching_ = false;
}

}  // namespace orq
