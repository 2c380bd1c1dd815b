#include "serial/SerialPort.h"

#include <gtest/gtest.h>
#include <sys/file.h>

#include <ctime>
#include <future>

#include "link/FrameEnd.h"
#include "link/ReceiveHandler.h"
#include "serial/BlockBuffer.h"
#include "support/Pty.h"

namespace orq {
namespace {

using namespace test;

constexpr int32_t kPortNumber = 3;

class SerialPortOnPty : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        port.SetNotifyTarget(recorder);
    }
    // Opens `p` on the pty at the unit's line settings with its wait thread running.
    void Run(SerialPort& p) {
        ASSERT_TRUE(p.OpenPort(kPortNumber, pty.path())) << OpenErrorText(p.LastOpenError());
        ASSERT_TRUE(p.SetState(9600, 0, 8, 1) && p.SetupPort() && p.StartThreads());
    }
    // Keeps a read pass going: a byte every `gap` until stopped.
    std::jthread Feed(std::chrono::milliseconds gap) {
        return std::jthread([this, gap](std::stop_token stop) {
            for (; !stop.stop_requested(); std::this_thread::sleep_for(gap)) pty.Send({0x55});
        });
    }
    termios Settings() const {
        termios t{};
        return ::tcgetattr(pty.slave(), &t) == 0 ? t : termios{};
    }

    Pty pty;
    std::shared_ptr<Recorder> recorder = std::make_shared<Recorder>();
    SerialPort port;
};

TEST_F(SerialPortOnPty, OpensRawAndAppliesTheLineSettings) {
    EXPECT_FALSE(port.SetState(9600, 0, 8, 1) || port.SetupPort() || port.StartThreads());
    ASSERT_TRUE(port.OpenPort(kPortNumber, pty.path()));
    ASSERT_TRUE(port.SetState(9600, 0, 8, 1));
    termios t = Settings();
    EXPECT_EQ(cfgetispeed(&t), B9600);
    EXPECT_EQ(cfgetospeed(&t), B9600);
    EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS | HUPCL | CLOCAL | CREAD),
              static_cast<tcflag_t>(CS8 | CLOCAL | CREAD));
    EXPECT_EQ((t.c_iflag & (IXON | IXOFF | INPCK | ICRNL)) | (t.c_lflag & (ICANON | ECHO | ISIG)) |
                  (t.c_oflag & OPOST),
              0u);
    EXPECT_EQ(std::pair(t.c_cc[VMIN], t.c_cc[VTIME]), std::pair(cc_t{1}, cc_t{0}));
    ASSERT_TRUE(port.SetState(19200, 0, 8, 2));
    t = Settings();
    EXPECT_EQ(cfgetospeed(&t), B19200);
    EXPECT_NE(t.c_cflag & CSTOPB, 0u);
    // A pty keeps CS8 and no parity whatever it is told, and still says yes: only reading the
    // settings back shows that 7E1 did not take. Nonsense is refused before anything changes.
    EXPECT_FALSE(port.SetState(9600, 2, 7, 1));
    EXPECT_EQ(Settings().c_cflag & (CSIZE | PARENB), static_cast<tcflag_t>(CS8));
    ASSERT_TRUE(port.SetState(19200, 0, 8, 1));
    EXPECT_FALSE(port.SetState(12345, 0, 8, 1) || port.SetState(9600, 5, 8, 1) ||
                 port.SetState(9600, 0, 9, 1) || port.SetState(9600, 0, 8, 3));
    t = Settings();
    EXPECT_EQ(cfgetospeed(&t), B19200);
    EXPECT_TRUE(port.StartThreads());
    EXPECT_FALSE(port.StartThreads());  // one wait thread at a time
    port.ClosePort();
    EXPECT_FALSE(port.IsOpen() || port.ThreadsRunning());
    EXPECT_EQ(port.PortNumber(), kPortNumber);  // kept for late notifications to compare against
    port.ClosePort();
}

TEST_F(SerialPortOnPty, OpenFailuresSayWhy) {
    for (auto [path, error] : {std::pair{"/dev/orq-no-such-port", OpenError::NotFound},
                               {"", OpenError::NotFound},
                               {"/dev/null", OpenError::NotATerminal}}) {
        EXPECT_FALSE(port.OpenPort(1, path)) << path;
        EXPECT_EQ(port.LastOpenError(), error) << path;
        EXPECT_FALSE(port.IsOpen());
    }
    // Another program holding the device (another port object of ours: ConnectScanTest).
    ASSERT_EQ(::flock(pty.slave(), LOCK_EX | LOCK_NB), 0);
    EXPECT_FALSE(port.OpenPort(1, pty.path()));
    EXPECT_EQ(port.LastOpenError(), OpenError::InUse);
    ASSERT_EQ(::flock(pty.slave(), LOCK_UN), 0);
    EXPECT_TRUE(port.OpenPort(1, pty.path()));
    EXPECT_EQ(port.LastOpenError(), OpenError::None);
}

TEST_F(SerialPortOnPty, ClosingIsPromptWhetherIdleInTheMiddleOfAReadOrByOpeningAnother) {
    Run(port);
    std::this_thread::sleep_for(50ms);  // the thread is in its wait now
    auto start = Clock::now();
    port.ClosePort();
    EXPECT_LT(MillisSince(start), 500);
    EXPECT_FALSE(port.ThreadsRunning());
    // A byte every 40 ms keeps a read pass going to its 500 ms total; closing cuts it short.
    Run(port);
    auto feeder = Feed(40ms);
    ASSERT_TRUE(Eventually([&] { return port.ReceiveSize() > 0; }));
    std::this_thread::sleep_for(60ms);
    start = Clock::now();
    port.ClosePort();
    EXPECT_LT(MillisSince(start), 400);  // the pass had more than 400 ms to go
    feeder = {};
    Run(port);
    Pty second;
    ASSERT_TRUE(second.ok());
    start = Clock::now();
    ASSERT_TRUE(port.OpenPort(kPortNumber + 1, second.path()));
    EXPECT_LT(MillisSince(start), 500);
    EXPECT_FALSE(port.ThreadsRunning());
    SerialPort other;  // the first device was let go
    EXPECT_TRUE(other.OpenPort(1, pty.path())) << OpenErrorText(other.LastOpenError());
}

// 1980 bytes, then two bursts of 10: a pass and one notification each; 2000 bytes for the
// receive handling to move in reads of 1023 and 977. Then bursts larger than the block the receive
// buffer keeps: they come in over several reads and blocks, whole and in order, and a reader that
// keeps up leaves one block behind to take the next pass, rather than the wait thread allocating
// a block the size of each pass and the reader freeing it.
TEST_F(SerialPortOnPty, EachBurstIsOnePassWithOneNotificationAndTheHandlerMovesItAll) {
    Run(port);
    Bytes sent;
    for (uint32_t burst = 1; burst <= 3; ++burst) {
        const Bytes bytes = Pattern(burst == 1 ? 1980 : 10, burst);
        sent.insert(sent.end(), bytes.begin(), bytes.end());
        ASSERT_TRUE(pty.Send(bytes));
        ASSERT_TRUE(recorder->WaitFor(WM_SERIAL_RECEIVE, burst));
        EXPECT_TRUE(Eventually([&] { return port.ReceiveSize() == sent.size(); }));
        // The pass ends after 100 ms of silence; nothing else may follow it.
        std::this_thread::sleep_for(250ms);
        EXPECT_EQ(recorder->Count(WM_SERIAL_RECEIVE), burst);
    }
    for (const Note& n : recorder->Notes()) EXPECT_TRUE(n.port == kPortNumber && n.param == 0);
    EXPECT_EQ(port.TotalRead(), 2000u);
    // Small passes land in the free tail of a block, not in a block each.
    EXPECT_EQ(port.ReceiveBuffer().Shapes().size(), 1u);
    BlockBuffer accumulator;
    ReceiveHandler handler;
    // A late notification from a port number that is no longer this port's: nothing moves.
    EXPECT_EQ(handler.OnSerialReceive(port, kPortNumber + 7, accumulator).reads, 0u);
    EXPECT_EQ(port.ReceiveSize(), 2000u);
    const auto moved = handler.OnSerialReceive(port, kPortNumber, accumulator);
    EXPECT_EQ(moved.reads, 2u);  // 1023, then 977
    EXPECT_EQ(moved.bytes, 2000u);
    EXPECT_EQ(port.ReceiveSize(), 0u);
    // Read on the empty buffer returns at once: it never waits for the line.
    uint8_t none[8];
    const auto start = Clock::now();
    EXPECT_EQ(port.Read(none, 8), 0u);
    EXPECT_LT(MillisSince(start), 250);

    for (uint32_t burst = 4; burst <= 6; ++burst) {
        const Bytes bytes = Pattern(6000, burst);
        sent.insert(sent.end(), bytes.begin(), bytes.end());
        ASSERT_TRUE(pty.Send(bytes));
        ASSERT_TRUE(Eventually([&] { return port.ReceiveSize() == bytes.size(); }));
        handler.OnSerialReceive(port, kPortNumber, accumulator);
        const auto shapes = port.ReceiveBuffer().Shapes();
        ASSERT_EQ(shapes.size(), 1u) << "burst " << burst;
        EXPECT_EQ(shapes[0].readPos + shapes[0].writePos, 0u);
        EXPECT_LE(shapes[0].capacity, port.ReceiveBuffer().KeptBlockSize());
    }
    Bytes got(sent.size());
    EXPECT_EQ(accumulator.Take(got.data(), static_cast<uint32_t>(got.size())), sent.size());
    EXPECT_EQ(got, sent);
}

// orqctl's passes end at a frame's trailer, even one split between two reads, while the line
// still brings bytes: otherwise the answer would wait for silence or the pass's 500 ms. A pass
// that has its frame takes what the kernel already holds, but a stream that never lets the kernel
// run dry must not hold its notification back until the stream ends.
TEST_F(SerialPortOnPty, APassThatEndsAtAFrameNotifiesAtItsTrailerWhileBytesKeepComing) {
    ASSERT_TRUE(port.SetPassEnd(std::make_unique<FrameEnd>()));
    Run(port);
    ASSERT_TRUE(pty.Send({0x55, 0x7F, 0x2F, 0x0A, 0x14, 0x7E}));
    std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(pty.Send({0x0E}));
    for (int i = 0; i < 40; ++i) {
        std::this_thread::sleep_for(10ms);
        pty.Send({0x55});
    }
    EXPECT_GE(recorder->Count(WM_SERIAL_RECEIVE), 1u) << "the trailer did not end the pass";
    EXPECT_TRUE(Eventually([&] { return port.ReceiveSize() == 47; }));
    // A trailer ends one pass only: the bytes after it are a pass of their own.
    ASSERT_TRUE(recorder->WaitFor(WM_SERIAL_RECEIVE, 2));

    Bytes frame(90, 0x55);
    frame[0] = 0x7F, frame[1] = 0x2F, frame[88] = 0x7E, frame[89] = 0x0E;
    Bytes stream;
    for (int i = 0; i < 4000; ++i) stream.insert(stream.end(), frame.begin(), frame.end());
    const std::size_t notes = recorder->Count(WM_SERIAL_RECEIVE);
    ASSERT_TRUE(pty.Send(stream));
    ASSERT_TRUE(Eventually([&] { return port.ReceiveSize() == 47 + stream.size(); }));
    // 360 KB in passes of at most a chunk and 16 KiB after each first trailer.
    EXPECT_GE(recorder->Count(WM_SERIAL_RECEIVE) - notes, stream.size() / (20 * 1024));
}

// Handing an open device from one port object to another keeps the line as it stands: the bytes
// not yet read, the number and name, and the settings to give back at close.
TEST_F(SerialPortOnPty, TakeOverMovesTheOpenDeviceWithItsUnreadBytes) {
    const termios before = Settings();
    SerialPort scout;
    scout.SetNotifyTarget(recorder);
    Run(scout);
    ASSERT_TRUE(pty.Send(Pattern(30, 4)));
    ASSERT_TRUE(Eventually([&] { return scout.ReceiveSize() == 30; }));
    EXPECT_FALSE(port.TakeOver(scout)) << "not while the scout's thread runs";
    scout.StopThreads();
    EXPECT_FALSE(port.TakeOver(port));
    ASSERT_TRUE(port.TakeOver(scout));
    EXPECT_FALSE(scout.IsOpen());
    EXPECT_EQ(scout.Write(Pattern(3).data(), 3), 0u);
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(std::pair(port.PortNumber(), port.PortName()), std::pair(kPortNumber, pty.path()));
    ASSERT_TRUE(port.StartThreads());
    ASSERT_TRUE(pty.Send(Pattern(12, 5)));
    ASSERT_TRUE(Eventually([&] { return port.ReceiveSize() == 42; }));
    Bytes got(42);
    ASSERT_EQ(port.Read(got.data(), 42), 42u);
    EXPECT_EQ(Bytes(got.begin(), got.begin() + 30), Pattern(30, 4));
    EXPECT_EQ(Bytes(got.begin() + 30, got.end()), Pattern(12, 5));
    ASSERT_EQ(port.Write(Pattern(9, 6).data(), 9), 9u);
    EXPECT_EQ(pty.host().Read(9), Pattern(9, 6));
    // An open port does not take another's device.
    SerialPort second;
    EXPECT_FALSE(port.TakeOver(second));
    port.ClosePort();
    // The settings found at open come back, but for hanging up on close, which is never asked.
    const termios after = Settings();
    const auto cflag = [](const termios& t) { return t.c_cflag & ~static_cast<tcflag_t>(HUPCL); };
    EXPECT_EQ(std::pair(cflag(after), after.c_lflag), std::pair(cflag(before), before.c_lflag));
}

TEST_F(SerialPortOnPty, UnplugIsReportedOnceAndTheThreadEndsWithoutSpinning) {
    Run(port);
    ASSERT_TRUE(pty.Send(Pattern(20)));
    // Unplugged while the pass still waits for the line to fall silent.
    ASSERT_TRUE(Eventually([&] { return port.ReceiveSize() == 20; }));
    pty.CloseMaster();
    ASSERT_TRUE(recorder->WaitFor(WM_SERIAL_REMOVED, 1));
    EXPECT_EQ(recorder->Count(WM_SERIAL_RECEIVE), 1u);
    EXPECT_EQ(recorder->Notes().back().message, WM_SERIAL_REMOVED);
    EXPECT_TRUE(!port.IsOpen() && port.HungUp());
    EXPECT_TRUE(Eventually([&] { return !port.ThreadsRunning(); }));
    const std::clock_t before = std::clock();  // CPU time: a spinning thread would burn the second
    std::this_thread::sleep_for(1s);
    EXPECT_LT(std::clock() - before, CLOCKS_PER_SEC / 5);
    // What came before the unplug is still there; writing to a gone unit takes nothing.
    EXPECT_EQ(port.ReceiveSize(), 20u);
    EXPECT_EQ(port.Write(Pattern(3).data(), 3), 0u);
    EXPECT_FALSE(port.StartThreads());
    port.ClosePort();
    EXPECT_EQ(recorder->Count(WM_SERIAL_REMOVED), 1u);
}

TEST_F(SerialPortOnPty, NotifyTargetCanBeReplacedOrDroppedWhileBytesStreamIn) {
    Run(port);
    constexpr size_t kBursts = 60;
    std::thread unit([&] {
        for (uint32_t i = 0; i < kBursts; ++i) {
            pty.Send(Pattern(37, i));
            std::this_thread::sleep_for(3ms);
        }
    });
    std::vector<std::shared_ptr<Recorder>> kept;
    for (int i = 0; i < 200; ++i) {
        auto next = std::make_shared<Recorder>();
        port.SetNotifyTarget(next);
        if (i % 3 == 0) kept.push_back(next);  // others die as soon as `next` is replaced
        if (i % 7 == 0) port.SetNotifyTarget({});
        std::this_thread::sleep_for(1ms);
    }
    unit.join();
    EXPECT_TRUE(Eventually([&] { return port.ReceiveSize() == kBursts * 37; }));
    auto last = std::make_shared<Recorder>();
    port.SetNotifyTarget(last);
    ASSERT_TRUE(pty.Send({0x7F}));
    EXPECT_TRUE(last->WaitFor(WM_SERIAL_RECEIVE, 1));
}

// Large and queued writes reach a slow reader whole and in order.
TEST_F(SerialPortOnPty, LargeAndQueuedWritesNeverBlockAndArriveWholeInOrder) {
    SerialPort writer;
    Run(writer);
    constexpr uint32_t kLarge = 256 * 1024;
    const Bytes all = Pattern(kLarge + 40 * 3000, 9);
    const auto start = Clock::now();
    EXPECT_EQ(writer.Write(all.data(), kLarge), kLarge);
    EXPECT_LT(MillisSince(start), 1000);    // nobody reads yet: a blocking write would hang
    EXPECT_GT(writer.PendingOutput(), 0u);  // the kernel cannot take 256 KiB at once
    // The reader makes room while more is written: nothing may overtake what is queued.
    auto reader = std::async(std::launch::async, [&] { return pty.host().Read(all.size(), 20s); });
    for (uint32_t at = kLarge; at < all.size(); at += 3000) {
        EXPECT_EQ(writer.Write(all.data() + at, 3000), 3000u);
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_TRUE(reader.get() == all);
    EXPECT_TRUE(Eventually([&] { return writer.PendingOutput() == 0; }));
    EXPECT_EQ(writer.TotalWritten(), all.size());
    // A closed port takes nothing and queues nothing for the next device.
    writer.ClosePort();
    EXPECT_EQ(writer.Write(all.data(), 10), 0u);
    EXPECT_EQ(writer.PendingOutput(), 0u);
}

TEST_F(SerialPortOnPty, AFullQueueRefusesTheRestAndSaysSoInsteadOfDroppingIt) {
    Run(port);
    const auto bytes = Pattern(2 * SerialPort::kMaxPendingOutput, 6);
    const uint32_t accepted = port.Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
    EXPECT_GE(accepted, SerialPort::kMaxPendingOutput);
    EXPECT_LT(accepted, bytes.size());
    // Exactly the accepted bytes arrive: none lost, none extra.
    const auto got = pty.host().Read(accepted, 10s);
    ASSERT_EQ(got.size(), accepted);
    EXPECT_TRUE(std::equal(got.begin(), got.end(), bytes.begin()));
    EXPECT_TRUE(pty.host().ReadFor(200ms).empty());
}

}  // namespace
}  // namespace orq
