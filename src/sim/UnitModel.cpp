#include "sim/UnitModel.h"

#include <cmath>
#include <cstring>
#include <numbers>

namespace orq {

namespace {

// A host that does not pad its frame still gets its answer once the line has been quiet this long;
// long enough that a write the terminal happens to deliver in two pieces is not cut apart.
constexpr std::chrono::milliseconds kIdleGap{100};

// Frames longer than any host frame are not kept past this.
constexpr std::size_t kSlotLimit = 2 * kFrameSize;

// Host payload length by command; anything else is no frame of ours.
constexpr uint8_t ExpectedLength(uint8_t command) {
    switch (command) {
        case kCommandRequest:
            return 5;
        case kCommandParameters:
            return 83;
        case kCommandOptimization:
            return 12;
        default:
            return 0;
    }
}

std::string Hex(std::span<const uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string s;
    s.reserve(bytes.size() * 2);
    for (uint8_t b : bytes) {
        s.push_back(kDigits[b >> 4]);
        s.push_back(kDigits[b & 0x0F]);
    }
    return s;
}

}  // namespace

MonitorRaw MonitorSample(uint32_t step) {
    // Steps per full sweep and starting phase of each stick, so that they never move in step.
    static constexpr double kPeriod[5] = {50, 64, 80, 40, 120};
    static constexpr double kPhase[5] = {0.0, 1.3, 2.6, 3.9, 5.2};
    MonitorRaw v{};
    for (std::size_t i = 0; i < v.size(); ++i) {
        const double angle = 2 * std::numbers::pi * step / kPeriod[i] + kPhase[i];
        v[i] = static_cast<int16_t>(3800 + std::lround(1000 * std::sin(angle)));
    }
    return v;
}

Frame BuildReply(uint8_t kind, uint8_t type, uint8_t echo, std::span<const uint8_t> body) {
    Frame f{};
    f[0] = kHeader0;
    f[1] = kHeader1;
    std::size_t i = 2;
    f[i++] = kind;
    f[i++] = type;
    f[i++] = echo;
    for (uint8_t b : body) f[i++] = b;
    const std::size_t n = 3 + body.size() + 2;
    f[i++] = static_cast<uint8_t>(n);
    f[i] = XorOf(std::span<const uint8_t>(&f[2], n - 1));
    ++i;
    f[i++] = kTrailer0;
    f[i] = kTrailer1;
    return f;
}

UnitModel::UnitModel(const UnitImage& image, bool reply, std::chrono::milliseconds monitorPeriod,
                     std::optional<MonitorRaw> fixedRaw)
    : image_(image), reply_(reply), monitorPeriod_(monitorPeriod), fixedRaw_(fixedRaw) {
    slot_.reserve(kSlotLimit);
}

void UnitModel::Receive(uint8_t byte, SimClock::time_point at, Output& out) {
    lastByteAt_ = at;
    const bool header = havePrev_ && prev_ == kHeader0 && byte == kHeader1;
    havePrev_ = true;
    prev_ = byte;

    if (header) {
        // The host began another frame before the last one's padding was through.
        if (pending_) Handle(at, out);
        slot_.assign({kHeader0, kHeader1});
        scanner_.Feed(byte, payload_, n_);
        return;
    }
    if (!slot_.empty() && slot_.size() < kSlotLimit) slot_.push_back(byte);
    if (scanner_.Feed(byte, payload_, n_)) pending_ = true;
    if (pending_ && slot_.size() >= kFrameSize) Handle(at, out);
}

void UnitModel::Handle(SimClock::time_point at, Output& out) {
    pending_ = false;
    out.log.push_back(Hex(slot_));
    slot_.clear();

    const std::size_t n = n_;
    const auto& p = payload_;
    if (n < 5) return;
    if (XorOf(std::span<const uint8_t>(p.data(), n - 1)) != p[n - 1]) return;
    if (p[n - 2] != n) return;
    const uint8_t command = p[n - 5];
    if (ExpectedLength(command) != n) return;
    const uint8_t sequence = p[n - 4];
    const uint8_t replyMode = p[n - 3];

    if (command == kCommandParameters) {
        // Payload = frame bytes 2 on: SetupBlock 0..30, a byte the unit does not take (the host
        // cannot set DeviceState), then the whole TuningBlock.
        std::memcpy(image_.Setup.bytes().data(), &p[0], SetupBlock::kSentSize);
        std::memcpy(image_.Tuning.bytes().data(), &p[32], TuningBlock::kSize);
    } else if (command == kCommandOptimization) {
        image_.OptimizationCheck = p[3];
    }

    streaming_ = replyMode == kReplyModeMonitor;
    if (streaming_) {
        streamKind_ = command;
        streamEcho_ = sequence;
        nextMonitorAt_ = at + monitorPeriod_;
    }
    if (!reply_) return;
    switch (replyMode) {
        case kReplyModeParameters:
            out.replies.push_back(ParameterReply(command, sequence));
            break;
        case kReplyModeMonitor:
            out.replies.push_back(MonitorReply(command, sequence));
            break;
        default:
            out.replies.push_back(BuildReply(command, kReplyAck, sequence, {}));
            break;
    }
}

void UnitModel::Tick(SimClock::time_point now, bool transmitterIdle, Output& out) {
    if (pending_ && now >= lastByteAt_ + kIdleGap) Handle(now, out);
    if (streaming_ && now >= nextMonitorAt_) {
        if (reply_ && transmitterIdle)
            out.replies.push_back(MonitorReply(streamKind_, streamEcho_));
        nextMonitorAt_ += monitorPeriod_;
        // After a long stall the stream picks up its beat from now instead of catching up.
        if (nextMonitorAt_ <= now) nextMonitorAt_ = now + monitorPeriod_;
    }
}

std::optional<SimClock::time_point> UnitModel::NextDeadline() const {
    std::optional<SimClock::time_point> next;
    if (pending_) next = lastByteAt_ + kIdleGap;
    if (streaming_ && (!next || nextMonitorAt_ < *next)) next = nextMonitorAt_;
    return next;
}

Frame UnitModel::ParameterReply(uint8_t kind, uint8_t echo) const {
    std::array<uint8_t, SetupBlock::kSize + TuningBlock::kSize> body{};
    std::memcpy(body.data(), image_.Setup.bytes().data(), SetupBlock::kSize);
    std::memcpy(body.data() + SetupBlock::kSize, image_.Tuning.bytes().data(), TuningBlock::kSize);
    return BuildReply(kind, kReplyParameters, echo, body);
}

Frame UnitModel::MonitorReply(uint8_t kind, uint8_t echo) {
    const MonitorRaw v = fixedRaw_.value_or(MonitorSample(streamStep_));
    ++streamStep_;
    std::array<uint8_t, 11> body{};
    for (std::size_t i = 0; i < v.size(); ++i) {
        const auto raw = static_cast<uint16_t>(v[i]);
        body[2 * i] = static_cast<uint8_t>(raw >> 8);
        body[2 * i + 1] = static_cast<uint8_t>(raw & 0xFF);
    }
    body[10] = static_cast<uint8_t>(image_.Setup.DeviceState);
    return BuildReply(kind, kReplyMonitor, echo, body);
}

}  // namespace orq
