#include "link/SweepScan.h"

#include <algorithm>
#include <array>

#include "serial/BlockBuffer.h"
#include "serial/SerialPort.h"

namespace orq {

SweepScan::~SweepScan() = default;

void SweepScan::Start(std::vector<PortInfo> ports, Clock::time_point now) {
    scouts_.clear();
    p_.port.ClosePort();
    p_.accumulator.Clear();
    p_.connected = 0;
    probe_ = PrepareProbe(p_.link, p_.block);
    const std::weak_ptr<NotifyTarget> notify = p_.port.CurrentNotifyTarget();
    reported_ = 0;
    winner_.reset();
    scanning_ = true;

    scouts_.reserve(ports.size());
    bool any = false;
    for (PortInfo& info : ports) {
        Scout& s = scouts_.emplace_back();
        s.info = std::move(info);
        s.port = std::make_unique<SerialPort>();
        static_cast<void>(s.port->SetPassEnd(p_.port.ClonePassEnd()));
        s.port->SetTap(p_.port.CurrentTap());
        s.port->SetNotifyTarget(notify);
        const PortStep step = OpenForProbe(*s.port, s.info);
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
    bool answered = false;
    while (!answered && s.port->ReceiveSize() > 0) {
        const uint32_t n = s.port->Read(chunk.data(), chunk.size());
        answered = s.answer.Feed({chunk.data(), n}, p_.link, p_.block);
    }
    return answered;
}

void SweepScan::Close(Scout& s, PortStep end) {
    s.port.reset();
    s.answer.Clear();
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
        if (other.port)
            Close(other, other.answer.Heard() ? PortStep::NoValidAnswer : PortStep::NoAnswer);
    EnterConnected(p_);
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
    if (now >= start_ + kPortWait) {
        for (Scout& s : scouts_)
            if (s.port) Close(s, s.answer.Heard() ? PortStep::NoValidAnswer : PortStep::NoAnswer);
        Finish(false);
        return;
    }
    if (probesSent_ < kProbesPerPort && now >= nextProbe_) {
        for (Scout& s : scouts_)
            if (s.port)
                static_cast<void>(
                    s.port->Write(probe_.data(), static_cast<uint32_t>(probe_.size())));
        ++probesSent_;
        nextProbe_ += kProbeInterval;
    }
    Report();
}

std::optional<PortSearch::Clock::time_point> SweepScan::NextDeadline() const {
    if (!scanning_) return std::nullopt;
    const Clock::time_point bound = start_ + kPortWait;
    if (probesSent_ < kProbesPerPort && nextProbe_ < bound) return nextProbe_;
    return bound;
}

void SweepScan::Cancel() {
    if (!scanning_) return;
    for (Scout& s : scouts_) s.port.reset();
    scanning_ = false;
    if (Listener() != nullptr) Listener()->OnScanFinished(false);
}

void SweepScan::Finish(bool connected) {
    scanning_ = false;
    Report();
    if (Listener() != nullptr) Listener()->OnScanFinished(connected);
}

void SweepScan::Report() {
    while (reported_ < scouts_.size() && scouts_[reported_].end) {
        const Scout& s = scouts_[reported_];
        if (Listener() != nullptr) {
            const auto emit = [&](PortStep step) {
                Listener()->OnPortStep({step, reported_, scouts_.size(), s.info});
            };
            emit(PortStep::Probing);
            emit(*s.end);
        }
        ++reported_;
        if (winner_ && reported_ > *winner_) reported_ = scouts_.size();
    }
}

}  // namespace orq
