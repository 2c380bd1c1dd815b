#include "link/SweepScan.h"

#include <array>

namespace orq {

SweepScan::~SweepScan() = default;

void SweepScan::Start(std::vector<PortInfo> ports, std::weak_ptr<NotifyTarget> notify,
                      Clock::time_point now) {
    scouts_.clear();
    p_.port.ClosePort();
    p_.accumulator.Clear();
    p_.connected = 0;
    probe_ = ConnectScan::PrepareProbe(p_.link, p_.block);
    reported_ = 0;
    winner_.reset();
    scanning_ = true;

    scouts_.reserve(ports.size());
    bool any = false;
    for (PortInfo& info : ports) {
        Scout& s = scouts_.emplace_back();
        s.info = std::move(info);
        s.port = std::make_unique<SerialPort>(p_.port.Options());
        s.port->SetPassEndsAtFrame(p_.port.PassEndsAtFrame());
        s.port->SetTap(p_.port.CurrentTap());
        s.port->SetNotifyTarget(notify);
        const PortStep step = ConnectScan::OpenForProbe(*s.port, s.info);
        if (step == PortStep::Opened) {
            any = true;
        } else {
            Close(s, step);
        }
    }
    start_ = now;
    nextProbe_ = now;
    probesSent_ = 0;
    if (any) {
        OnTimer(now);  // the first probe, to every port at once
    } else {
        Finish(false);
    }
}

SweepScan::Scout* SweepScan::Find(int32_t portNumber) {
    for (Scout& s : scouts_)
        if (s.port && s.info.number == portNumber) return &s;
    return nullptr;
}

bool SweepScan::Answer(Scout& s) {
    std::array<uint8_t, 1024> chunk{};
    while (s.port->ReceiveSize() > 0) {
        const uint32_t n = s.port->Read(chunk.data(), chunk.size());
        s.received.insert(s.received.end(), chunk.begin(), chunk.begin() + n);
        s.heard = s.heard || n > 0;
    }
    // A reply is tried on copies: only the answer to the probe may change the session's state,
    // and a stray parameter reply with another sequence echo would otherwise overwrite the image.
    bool answered = false;
    const std::size_t keep = ScanReplies(s.received, [&](std::span<const uint8_t> payload) {
        if (answered) return;
        LinkState link = p_.link;
        ParameterBlock block = p_.block;
        std::copy(payload.begin(), payload.end(), link.ReceivePayload.begin());
        link.N = static_cast<uint8_t>(payload.size());
        if (AcceptFrame(link, block) && !link.AwaitingReply) {
            p_.link = link;
            p_.block = block;
            answered = true;
        }
    });
    s.received.erase(s.received.begin(), s.received.begin() + static_cast<std::ptrdiff_t>(keep));
    // A line that only ever brings garbage must not make us keep it all.
    if (s.received.size() > ConnectScan::kExamineLimit)
        s.received.erase(s.received.begin(), s.received.end() - ConnectScan::kExamineLimit);
    return answered;
}

void SweepScan::Close(Scout& s, PortStep end) {
    s.port.reset();
    s.received.clear();
    s.end = end;
}

void SweepScan::Win(Scout& s) {
    // The scout's thread must be gone before its descriptor changes hands; the session's port
    // then watches the line with its own thread and notify target.
    s.port->StopThreads();
    if (!p_.port.TakeOver(*s.port) || !p_.port.StartThreads()) {
        p_.port.ClosePort();
        Close(s, PortStep::CannotConfigure);
        return;
    }
    Close(s, PortStep::Answered);
    winner_ = static_cast<std::size_t>(&s - scouts_.data());
    // The others are closed without another byte: nothing of this session may reach them.
    for (Scout& other : scouts_)
        if (other.port) Close(other, other.heard ? PortStep::NoValidAnswer : PortStep::NoAnswer);
    ConnectScan::EnterConnected(p_);
    Finish(true);
}

void SweepScan::OnReceive(int32_t portNumber, Clock::time_point now) {
    if (!scanning_) return;
    if (Scout* s = Find(portNumber); s != nullptr && Answer(*s)) {
        Win(*s);
        return;
    }
    OnTimer(now);  // a scout that could not be kept may have been the last one open
}

void SweepScan::OnPortRemoved(int32_t portNumber, Clock::time_point now) {
    if (!scanning_) return;
    if (Scout* s = Find(portNumber)) Close(*s, PortStep::Removed);
    OnTimer(now);
}

void SweepScan::OnTimer(Clock::time_point now) {
    if (!scanning_) return;
    const bool open = std::any_of(scouts_.begin(), scouts_.end(),
                                  [](const Scout& s) { return s.port != nullptr; });
    if (!open) {
        Finish(false);
        return;
    }
    if (now >= start_ + ConnectScan::kPortWait) {
        for (Scout& s : scouts_)
            if (s.port) Close(s, s.heard ? PortStep::NoValidAnswer : PortStep::NoAnswer);
        Finish(false);
        return;
    }
    if (probesSent_ < ConnectScan::kProbesPerPort && now >= nextProbe_) {
        for (Scout& s : scouts_)
            if (s.port)
                static_cast<void>(
                    s.port->Write(probe_.data(), static_cast<uint32_t>(probe_.size())));
        ++probesSent_;
        nextProbe_ += ConnectScan::kProbeInterval;
    }
    Report();
}

std::optional<SweepScan::Clock::time_point> SweepScan::NextDeadline() const {
    if (!scanning_) return std::nullopt;
    const Clock::time_point bound = start_ + ConnectScan::kPortWait;
    if (probesSent_ < ConnectScan::kProbesPerPort && nextProbe_ < bound) return nextProbe_;
    return bound;
}

void SweepScan::Cancel() {
    if (!scanning_) return;
    for (Scout& s : scouts_) s.port.reset();
    scanning_ = false;
    if (listener_ != nullptr) listener_->OnScanFinished(false);
}

void SweepScan::Finish(bool connected) {
    scanning_ = false;
    Report();
    if (listener_ != nullptr) listener_->OnScanFinished(connected);
}

void SweepScan::Report() {
    while (reported_ < scouts_.size() && scouts_[reported_].end) {
        const Scout& s = scouts_[reported_];
        if (listener_ != nullptr) {
            const auto emit = [&](PortStep step) {
                listener_->OnPortStep({step, reported_, scouts_.size(), s.info});
            };
            emit(PortStep::Probing);
            emit(*s.end);
        }
        ++reported_;
        if (winner_ && reported_ > *winner_) reported_ = scouts_.size();
    }
}

}  // namespace orq
