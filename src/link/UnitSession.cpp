#include "link/UnitSession.h"

#include <array>

#include "link/ConnectScan.h"
#include "link/PortSink.h"
#include "link/SweepScan.h"
#include "serial/SerialPort.h"

namespace orq {

UnitSession::UnitSession(SearchStyle style)
    : port_(std::make_unique<SerialPort>()), sink_(std::make_unique<PortSink>(*port_)) {
    const SearchParts parts{*port_, accumulator_, link_, block_, connected_};
    if (style == SearchStyle::AllAtOnce)
        search_ = std::make_unique<SweepScan>(parts);
    else
        search_ = std::make_unique<ConnectScan>(parts);
    search_->SetListener(this);
}

UnitSession::~UnitSession() {
    Close();
}

void UnitSession::SetNotifyTarget(std::weak_ptr<NotifyTarget> target) {
    port_->SetNotifyTarget(std::move(target));
}

int32_t UnitSession::PortNumber() const {
    return port_->PortNumber();
}

const std::string& UnitSession::PortName() const {
    return port_->PortName();
}

bool UnitSession::LineGone() const {
    return port_->HungUp();
}

void UnitSession::StartSearch(std::vector<PortInfo> ports, Clock::time_point now) {
    search_->Start(std::move(ports), now);
}

void UnitSession::CancelSearch(bool quietly) {
    if (!quietly) {
        search_->Cancel();
        return;
    }
    ScanListener* const listener = listener_;
    listener_ = nullptr;
    search_->Cancel();
    listener_ = listener;
}

void UnitSession::OnPortStep(const ScanEvent& event) {
    if (listener_) listener_->OnPortStep(event);
}

void UnitSession::OnScanFinished(bool connected) {
    if (connected) KeepSet("found");
    if (listener_) listener_->OnScanFinished(connected);
}

uint32_t UnitSession::OnReceive(int32_t portNumber, Clock::time_point now) {
    const ReceiveHandler::Moved moved = receive_.OnSerialReceive(*port_, portNumber, accumulator_);
    if (Searching()) search_->OnReceive(portNumber, now);
    return moved.bytes;
}

bool UnitSession::OnPortRemoved(int32_t portNumber, Clock::time_point now) {
    if (Searching()) {
        search_->OnPortRemoved(portNumber, now);
        return false;
    }
    if (portNumber != port_->PortNumber() || !port_->HungUp()) return false;
    port_->ClosePort();
    connected_ = 0;
    return true;
}

void UnitSession::Close() {
    CancelSearch(true);
    port_->ClosePort();
    connected_ = 0;
}

uint32_t UnitSession::Send(int command) {
    if (Searching()) return 0;
    // A reply half read belongs to an earlier frame, whose answer nobody waits for any more.
    replies_.Reset();
    return SendFrame(link_, block_, sink_.get(), command);
}

uint32_t UnitSession::SendParameters() {
    return Send(kCommandParameters);
}

uint32_t UnitSession::SetUnitValue(int8_t SettingsMirror::*key, int value) {
    if (int8_t* byte = DeviceByte(block_, MirrorKeyOf(key))) *byte = LowByte(value);
    return SendParameters();
}

uint32_t UnitSession::ApplyEdit(int8_t SettingsMirror::*key, int value) {
    block_.Mirror.*key = LowByte(value);
    return SetUnitValue(key, value);
}

uint32_t UnitSession::StartMonitor() {
    link_.ReplyMode = kReplyModeMonitor;
    monitor_.Clear();
    return Send(kCommandRequest);
}

uint32_t UnitSession::StopMonitor() {
    link_.ReplyMode = kReplyModeNone;
    return Send(kCommandRequest);
}

uint32_t UnitSession::StartPirouetteCheck() {
    link_.OptimizationCheck = kOptimizationStart;
    return Send(kCommandOptimization);
}

uint32_t UnitSession::EndPirouetteCheck() {
    link_.OptimizationCheck = kOptimizationStop;
    return Send(kCommandOptimization);
}

uint32_t UnitSession::RequestParameters() {
    link_.ReplyMode = kReplyModeParameters;
    const uint32_t sent = Send(kCommandRequest);
    link_.ReplyMode = kReplyModeNone;
    return sent;
}

std::vector<MonitorSignal> UnitSession::ReceiveMonitor(int32_t portNumber) {
    receive_.OnSerialReceive(*port_, portNumber, monitorBuffer_);
    std::vector<uint8_t> run(monitorBuffer_.Size());
    run.resize(monitorBuffer_.Take(run.data(), static_cast<uint32_t>(run.size())));
    return monitor_.Feed(run, link_, block_);
}

std::vector<MonitorSignal> UnitSession::TakeMonitor() {
    std::vector<uint8_t> run(accumulator_.Size());
    run.resize(accumulator_.Take(run.data(), static_cast<uint32_t>(run.size())));
    return monitor_.Feed(run, link_, block_);
}

bool UnitSession::TakeReply(ParameterBlock& into) {
    std::array<uint8_t, 1024> chunk{};
    while (link_.AwaitingReply && accumulator_.Size() > 0) {
        const uint32_t n = accumulator_.Take(chunk.data(), chunk.size());
        for (uint32_t i = 0; i < n && link_.AwaitingReply; ++i)
            if (replies_.Feed(chunk[i], link_.ReceivePayload, link_.N))
                static_cast<void>(AcceptFrame(link_, into));
    }
    return !link_.AwaitingReply;
}

void UnitSession::KeepSet(const ParameterBlock& image, const char* cause) {
    if (keep_) keep_(image, cause);
}

}  // namespace orq
