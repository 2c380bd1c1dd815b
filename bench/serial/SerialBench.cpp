// Figures for the serial path: the block buffer on its own, and a probe answered by the simulated
// unit through the port, the wait thread and the receive handling.

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "protocol/LinkFrame.h"
#include "serial/BlockBuffer.h"
#include "link/ReceiveHandler.h"
#include "serial/SerialPort.h"
#include "sim/SimUnit.h"

namespace orq {
namespace {

// Frames in, 1023-byte reads out, as the wait thread and the main form use the buffer.
void BM_BlockBufferFramesThrough(benchmark::State& state) {
    BlockBuffer buffer;
    std::vector<uint8_t> frame(kFrameSize, 0x5A), out(1023);
    for (auto _ : state) {
        for (int i = 0; i < 11; ++i) buffer.Append(frame.data(), static_cast<uint32_t>(frame.size()));
        while (buffer.Take(out.data(), 1023) > 0) {
        }
    }
    state.SetBytesProcessed(state.iterations() * 11 * static_cast<int64_t>(kFrameSize));
}
BENCHMARK(BM_BlockBufferFramesThrough);

class Waker : public NotifyTarget {
public:
    void Post(uint32_t message, int32_t port, intptr_t) override {
        std::lock_guard<std::mutex> g(m);
        if (message == WM_SERIAL_RECEIVE) {
            ++count;
            lastPort = port;
        }
        cv.notify_all();
    }
    std::mutex m;
    std::condition_variable cv;
    uint64_t count = 0;
    int32_t lastPort = -1;
};

// From the probe's Write to its 90-byte reply in the accumulator. Each pass waits for 100 ms of
// silence after the last byte, so this is dominated by the line timing, not by the code.
void BM_ProbeToReplyThroughSimUnit(benchmark::State& state) {
    SimUnit unit(SimOptions{});
    std::string error;
    if (!unit.Start(error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    SerialPort port(SerialPort::kProgramOptions);
    auto waker = std::make_shared<Waker>();
    port.SetNotifyTarget(waker);
    if (!port.OpenPort(1, unit.DevicePath()) || !port.SetState(9600, 0, 8, 1) || !port.SetupPort() ||
        !port.StartThreads()) {
        state.SkipWithError("port did not open");
        return;
    }
    LinkState link;
    ParameterBlock block;
    link.ReplyMode = kReplyModeParameters;
    BlockBuffer accumulator;
    ReceiveHandler handler;
    for (auto _ : state) {
        SendRequest(link, block, &port);
        while (accumulator.Size() < kFrameSize) {
            std::unique_lock<std::mutex> g(waker->m);
            const uint64_t seen = waker->count;
            waker->cv.wait_for(g, std::chrono::seconds(2), [&] { return waker->count != seen || port.ReceiveSize() > 0; });
            const int32_t number = waker->lastPort;
            g.unlock();
            handler.OnSerialReceive(port, number, accumulator);
        }
        accumulator.Clear();
    }
}
BENCHMARK(BM_ProbeToReplyThroughSimUnit)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
}  // namespace orq
