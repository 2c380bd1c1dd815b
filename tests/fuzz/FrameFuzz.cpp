// The receive side on arbitrary bytes: the frame search whole and byte by byte must agree, no
// payload may be read beyond what arrived, and the monitor stream must decode the same replies
// however the line slices them.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "protocol/LinkFrame.h"
#include "protocol/Monitor.h"

namespace {

void Check(bool holds) {
    if (!holds) std::abort();
}

std::vector<orq::MonitorSignal> Decode(const std::vector<uint8_t>& run, std::size_t slice) {
    orq::MonitorStream stream;
    orq::LinkState link;
    link.SequenceCounter = 1;
    link.AwaitingReply = true;
    orq::ParameterBlock block;
    std::vector<orq::MonitorSignal> shown;
    for (std::size_t at = 0; at < run.size(); at += slice) {
        const std::size_t n = std::min(slice, run.size() - at);
        for (const auto& m : stream.Feed({run.data() + at, n}, link, block)) shown.push_back(m);
        Check(stream.Buffered() <= orq::MonitorStream::kKeep);
    }
    return shown;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::size_t slice = 1 + data[0] % 97;  // how the line cuts the run
    const std::vector<uint8_t> run(data + 1, data + size);

    orq::LinkState whole;
    const bool found = orq::FindFrame(whole, run);
    orq::FrameScanner scanner;
    std::array<uint8_t, orq::kReceivePayloadSize> payload{};
    uint8_t n = 0;
    bool fed = false;
    for (uint8_t b : run)
        if (scanner.Feed(b, payload, n)) {
            fed = true;
            break;
        }
    Check(found == fed);
    if (found) {
        Check(n == whole.N && n <= orq::kReceivePayloadSize);
        Check(std::equal(payload.begin(), payload.begin() + n, whole.ReceivePayload.begin()));
        orq::ParameterBlock block;
        static_cast<void>(orq::AcceptFrame(whole, block));
    }

    // The stream pads every reply to 90 bytes; with that padding after the run, what is decoded
    // cannot depend on the slicing.
    std::vector<uint8_t> padded = run;
    padded.resize(run.size() + orq::kFrameSize, 0);
    Check(Decode(padded, slice) == Decode(padded, padded.size()));
    return 0;
}
