#include "link/ConnectScan.h"

#include <array>

#include "serial/BlockBuffer.h"
#include "serial/SerialPort.h"

namespace orq {

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
        // The accumulator too may hold bytes from before this probe.
        p_.accumulator.Clear();
        answer_.Clear();
        const PortStep step = OpenForProbe(p_.port, ports_[index_]);
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

void ConnectScan::SendProbe() {
    // A probe the line does not take whole gets no answer: the port's wait bounds that, and a
    // port that has gone reports its removal.
    static_cast<void>(p_.port.Write(probe_.data(), static_cast<uint32_t>(probe_.size())));
    ++probesSent_;
    nextProbe_ += kProbeInterval;
}

void ConnectScan::OnReceive(int32_t portNumber, Clock::time_point) {
    if (scanning_ && portNumber == p_.port.PortNumber()) {
        std::array<uint8_t, 1024> chunk{};
        bool answered = false;
        while (!answered && p_.accumulator.Size() > 0) {
            const uint32_t n = p_.accumulator.Take(chunk.data(), chunk.size());
            answered = answer_.Feed({chunk.data(), n}, p_.link, p_.block);
        }
        if (answered) {
            // What came with the answer in the same pass is not looked at again.
            p_.accumulator.Clear();
            EnterConnected(p_);
            Emit(PortStep::Answered);
            Finish(true);
        }
    }
    Dispatch();
}

void ConnectScan::OnTimer(Clock::time_point now) {
    if (scanning_) {
        if (now >= portStart_ + kPortWait) {
            EndPort(answer_.Heard() ? PortStep::NoValidAnswer : PortStep::NoAnswer, now);
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

std::optional<PortSearch::Clock::time_point> ConnectScan::NextDeadline() const {
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
        if (Listener() == nullptr) continue;
        if (q.finished) {
            Listener()->OnScanFinished(q.connected);
        } else {
            Listener()->OnPortStep(q.event);
        }
    }
    dispatching_ = false;
}

}  // namespace orq
