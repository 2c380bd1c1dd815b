// The port, the receive handling and the frame parser together against the simulated unit.

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "protocol/LinkFrame.h"
#include "serial/ReceiveHandler.h"
#include "serial/SerialPort.h"
#include "sim/SimUnit.h"

namespace orq {
namespace {

using namespace test;

TEST(SerialPortWithSimUnit, ProbeIsAnsweredIntoTheAccumulatorAndAnUnplugEndsTheSession) {
    SimOptions options;
    options.image = FactoryImage(5);
    SimUnit unit(options);
    std::string error;
    ASSERT_TRUE(unit.Start(error)) << error;

    SerialPort port(SerialPort::kProgramOptions);
    auto window = std::make_shared<Recorder>();
    port.SetNotifyTarget(window);
    ASSERT_TRUE(port.OpenPort(4, unit.DevicePath()));
    ASSERT_TRUE(port.SetState(9600, 0, 8, 1));
    ASSERT_TRUE(port.SetupPort());
    ASSERT_TRUE(port.StartThreads());

    LinkState link;
    ParameterBlock block;
    link.ReplyMode = kReplyModeParameters;
    SendRequest(link, block, &port);

    // As the main form does: every notification moves what has come into the accumulator.
    BlockBuffer accumulator;
    ReceiveHandler handler;
    size_t handled = 0;
    const auto end = Clock::now() + 3s;
    while (accumulator.Size() < kFrameSize && Clock::now() < end) {
        if (!window->WaitFor(WM_SERIAL_RECEIVE, handled + 1, 100ms)) continue;
        ++handled;
        handler.OnSerialReceive(port, window->Notes().back().port, accumulator);
    }
    ASSERT_EQ(accumulator.Size(), kFrameSize);
    std::vector<uint8_t> reply(kFrameSize);
    accumulator.Take(reply.data(), kFrameSize);
    ASSERT_TRUE(FindFrame(link, reply));
    AcceptFrame(link, block);
    EXPECT_FALSE(link.AwaitingReply);
    EXPECT_EQ(block.Setup, options.image.Setup);
    EXPECT_EQ(block.Tuning, options.image.Tuning);

    unit.Stop();
    ASSERT_TRUE(window->WaitFor(WM_SERIAL_REMOVED, 1));
    EXPECT_FALSE(port.IsOpen());
    port.ClosePort();
    EXPECT_EQ(window->Count(WM_SERIAL_REMOVED), 1u);
}

}  // namespace
}  // namespace orq
