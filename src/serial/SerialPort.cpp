// The serial port's operations that are the same on every system. The system's own (opening,
// line settings, the wait thread, writing to the device) live in SerialPortPosix.cpp.

#include <algorithm>
#include <array>

#include "serial/SerialPortShared.h"

namespace orq {

const char* OpenErrorText(OpenError e) {
    switch (e) {
        case OpenError::None:
            return "ok";
        case OpenError::NotFound:
            return "not found";
        case OpenError::PermissionDenied:
            return "no permission";
        case OpenError::InUse:
            return "in use";
        case OpenError::NotATerminal:
            return "not a serial port";
        case OpenError::Other:
            break;
    }
    return "cannot open";
}

bool SerialPort::Shared::BeginOpen() {
    hungUp = false;
    lastError = portName.empty() ? OpenError::NotFound : OpenError::None;
    return !portName.empty();
}

void SerialPort::Shared::Post(uint32_t message, intptr_t param) {
    std::shared_ptr<NotifyTarget> target;
    {
        std::lock_guard<std::mutex> g(notifyLock);
        target = notify.lock();
    }
    if (target) target->Post(message, portNumber.load(), param);
}

void SerialPort::Shared::Tap(bool sent, std::span<const uint8_t> bytes) {
    if (bytes.empty()) return;
    std::shared_ptr<PortTap> t;
    {
        std::lock_guard<std::mutex> g(notifyLock);
        t = tap;
    }
    if (!t) return;
    if (sent)
        t->Sent(bytes);
    else
        t->Received(bytes);
}

uint32_t SerialPort::Shared::PassWant(int queued) {
    return queued < 0 ? 62u : 2u * static_cast<uint32_t>(queued) + 64u;
}

void SerialPort::Shared::Store(std::span<const uint8_t> fresh, uint32_t passLeft) {
    const auto got = static_cast<uint32_t>(fresh.size());
    Tap(false, fresh);
    std::lock_guard<std::recursive_mutex> g(receive.Lock());
    if (receive.TailFree() < got)
        receive.Reserve(std::max(got, std::min(passLeft, receive.KeptBlockSize())));
    receive.Append(fresh.data(), got);
}

uint32_t SerialPort::Shared::QueueRoom(uint32_t count) const {
    const uint32_t pending = transmit.Size();
    const uint32_t room = pending < kMaxPendingOutput ? kMaxPendingOutput - pending : 0;
    return std::min(count, room);
}

void SerialPort::Shared::TakeBytesFrom(Shared& from) {
    receive.Clear();
    transmit.Clear();
    std::array<uint8_t, 1024> chunk{};
    while (const uint32_t n = from.receive.Take(chunk.data(), chunk.size()))
        receive.Append(chunk.data(), n);
    // What `from` had not yet written was meant for this device too, and goes out first.
    while (const uint32_t n = from.transmit.Take(chunk.data(), chunk.size()))
        transmit.Append(chunk.data(), n);
}

int32_t SerialPort::PortNumber() const {
    return shared_->portNumber.load();
}

void SerialPort::SetPortNumber(int32_t number) {
    shared_->portNumber.store(number);
}

const std::string& SerialPort::PortName() const {
    return shared_->portName;
}

void SerialPort::SetPortName(std::string name) {
    shared_->portName = std::move(name);
}

OpenError SerialPort::LastOpenError() const {
    return shared_->lastError;
}

bool SerialPort::OpenPort(int32_t number, std::string name) {
    ClosePort();
    SetPortNumber(number);
    SetPortName(std::move(name));
    return OpenPort();
}

bool SerialPort::HungUp() const {
    return shared_->hungUp.load();
}

bool SerialPort::SetPassEnd(std::unique_ptr<PassEnd> rule) {
    if (ThreadsRunning()) return false;
    shared_->passEnd = std::move(rule);
    return true;
}

std::unique_ptr<PassEnd> SerialPort::ClonePassEnd() const {
    return shared_->passEnd ? shared_->passEnd->Clone() : nullptr;
}

uint32_t SerialPort::Read(uint8_t* buffer, uint32_t count) {
    return count == 0 ? 0 : shared_->receive.Take(buffer, count);
}

void SerialPort::SetNotifyTarget(std::weak_ptr<NotifyTarget> target) {
    std::lock_guard<std::mutex> g(shared_->notifyLock);
    shared_->notify = std::move(target);
}

std::weak_ptr<NotifyTarget> SerialPort::CurrentNotifyTarget() const {
    std::lock_guard<std::mutex> g(shared_->notifyLock);
    return shared_->notify;
}

void SerialPort::SetTap(std::shared_ptr<PortTap> tap) {
    std::lock_guard<std::mutex> g(shared_->notifyLock);
    shared_->tap = std::move(tap);
}

std::shared_ptr<PortTap> SerialPort::CurrentTap() const {
    std::lock_guard<std::mutex> g(shared_->notifyLock);
    return shared_->tap;
}

uint32_t SerialPort::ReceiveSize() const {
    return shared_->receive.Size();
}

uint32_t SerialPort::PendingOutput() const {
    return shared_->transmit.Size();
}

BlockBuffer& SerialPort::ReceiveBuffer() {
    return shared_->receive;
}

uint32_t SerialPort::TotalRead() const {
    return shared_->totalRead.load();
}

uint32_t SerialPort::TotalWritten() const {
    return shared_->totalWritten.load();
}

}  // namespace orq
