// The simulated unit's side of the line on arbitrary host bytes: whatever it hears, every reply
// it gives is one whole frame, checked and sized right, of a kind the host sends.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "protocol/LinkFrame.h"
#include "sim/SimUnit.h"
#include "sim/UnitModel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    orq::UnitModel model(orq::FactoryImage(), true, std::chrono::milliseconds(100));
    orq::UnitModel::Output out;
    auto t = orq::SimClock::time_point{} + std::chrono::seconds(1);
    for (std::size_t i = 0; i < size; ++i) {
        t += std::chrono::microseconds(1042);
        model.Receive(data[i], t, out);
    }
    model.Tick(t + std::chrono::seconds(1), true, out);
    for (const orq::Frame& f : out.replies) {
        orq::LinkState link;
        if (!orq::FindFrame(link, f)) std::abort();
        const std::size_t n = link.N;
        const auto& p = link.ReceivePayload;
        if (n < 5 || orq::XorOf(std::span(p.data(), n - 1)) != p[n - 1] || p[n - 2] != n)
            std::abort();
        if (p[0] != orq::kCommandRequest && p[0] != orq::kCommandParameters &&
            p[0] != orq::kCommandOptimization)
            std::abort();
    }
    return 0;
}
