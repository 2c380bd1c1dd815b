#pragma once
// The program's one session with the unit. It owns the process-wide objects of the link (the
// serial port, the parameter image and the link state) and what every window once kept for
// itself: the main form's receive accumulator, the connected flag, the port search. The windows
// and orqctl do everything to the unit through it and never touch the port or the link state:
//
//     session.SetNotifyTarget(myTarget);            // who hears the port now (one window)
//     session.OnReceive(portNumber, Clock::now());  // that window's WM_SERIAL_RECEIVE
//     *DeviceByte(session.Block(), key) = ...;      // a change to the image, then
//     session.SendParameters();                     // the whole set to the unit
//
// Who receives the bytes the unit sends is decided by who the notify target is, exactly as with
// the port itself: the main form (into the accumulator), the Advance Menu (nobody: they wait in
// the port), the Monitor page (ReceiveMonitor).
//
// While a search probes a port nothing is sent to the unit: a write would reach whatever device
// is being probed and move the sequence number the search waits to see echoed. Every send below
// then sends nothing and returns 0.

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/PortSearch.h"
#include "link/ReceiveHandler.h"
#include "protocol/LinkFrame.h"
#include "protocol/Monitor.h"
#include "protocol/ParameterBlock.h"
#include "serial/BlockBuffer.h"
#include "serial/SerialNotify.h"

namespace orq {

class PortSink;
class SerialPort;

enum class SearchStyle {
    OneAtATime,  // the desktop program: port after port (ConnectScan)
    AllAtOnce,   // orqctl: every port at once (SweepScan)
};

class UnitSession final : private ScanListener {
public:
    using Clock = PortSearch::Clock;
    // The accumulator's blocks: small until the form has shown itself, then larger.
    static constexpr uint32_t kAccumulatorBlockAtStart = 1024, kAccumulatorBlock = 4096;

    explicit UnitSession(SearchStyle style = SearchStyle::OneAtATime);
    ~UnitSession() override;
    UnitSession(const UnitSession&) = delete;
    UnitSession& operator=(const UnitSession&) = delete;

    // The parameter image: the windows edit it, then send.
    ParameterBlock& Block() { return block_; }
    const ParameterBlock& Block() const { return block_; }
    // The link state is the session's alone; what it holds may be read.
    const LinkState& Link() const { return link_; }
    BlockBuffer& Accumulator() { return accumulator_; }
    bool Connected() const { return connected_ != 0; }
    // The port itself, for what only a program's owner does with it (orqctl's trace and the way
    // its passes end, the tests' far ends). The windows have no need of it.
    SerialPort& Port() { return *port_; }

    // Who hears the port's notifications from now on; the port holds it weakly.
    void SetNotifyTarget(std::weak_ptr<NotifyTarget> target);
    int32_t PortNumber() const;
    const std::string& PortName() const;
    // The device went away, whoever heard of it (a dialog that had the notifications, say).
    bool LineGone() const;

    // The search, driven as PortSearch says; its events go to `listener` (null: nobody).
    void SetSearchListener(ScanListener* listener) { listener_ = listener; }
    // Closes the port (ending any connection) and starts searching `ports` from the first.
    void StartSearch(std::vector<PortInfo> ports, Clock::time_point now);
    bool Searching() const { return search_->Scanning(); }
    std::optional<Clock::time_point> NextDeadline() const { return search_->NextDeadline(); }
    void OnTimer(Clock::time_point now) { search_->OnTimer(now); }
    // Abandons a running search; its end still reaches the listener, unless `quietly`.
    void CancelSearch(bool quietly = false);

    // WM_SERIAL_RECEIVE for whoever collects into the accumulator (the main form, a SerialLoop):
    // the port's bytes move there, and a running search looks at them. Returns how many moved.
    uint32_t OnReceive(int32_t portNumber, Clock::time_point now);
    // WM_SERIAL_REMOVED. A search moves on; otherwise, when the session's own port went, the
    // port is closed and the connection over: true, for the window to show it.
    bool OnPortRemoved(int32_t portNumber, Clock::time_point now);
    // Ends everything: the search, the connection, the port (the main window closes).
    void Close();

    // What the windows and orqctl do to the unit. Each builds one frame from the image as it
    // stands and returns how many of its bytes the line took: 90, or 0 when there is no open
    // port or a search is probing.
    // The whole set: the SetupBlock and TuningBlock, as every change goes out.
    uint32_t SendParameters();
    // `value` into the unit's byte of `key` (the configuration file's copy stays), then the set.
    uint32_t SetUnitValue(int8_t SettingsMirror::*key, int value);
    // The edit rule: `value` into the unit's byte of `key` and into the key itself, then the set.
    uint32_t ApplyEdit(int8_t SettingsMirror::*key, int value);
    // The unit streams its receiver inputs from now on (ReplyMode 40), or stops (ReplyMode 0).
    uint32_t StartMonitor();
    uint32_t StopMonitor();
    // The pirouette optimization check on the unit: started (102) or ended (0).
    uint32_t StartPirouetteCheck();
    uint32_t EndPirouetteCheck();
    // Asks for the unit's set (ReplyMode 30); what follows asks for nothing again.
    uint32_t RequestParameters();

    // The Monitor page's WM_SERIAL_RECEIVE: the port's bytes decoded as the monitor stream, every
    // valid monitor reply that has come whole, oldest first.
    std::vector<MonitorSignal> ReceiveMonitor(int32_t portNumber);
    // The same for what a SerialLoop has collected into the accumulator (orqctl).
    std::vector<MonitorSignal> TakeMonitor();
    // Looks through the accumulator, frame by frame, for the reply to the last frame sent and
    // applies it to `into`; true once it has come. Replies to earlier frames are passed over.
    bool TakeReply(ParameterBlock& into);

    // Keeps the unit's sets (the backups). The session calls `keep` with "found" when a search
    // finds the unit; the windows and orqctl call KeepSet around the changes they make.
    using Keeper = std::function<void(const ParameterBlock& image, const char* cause)>;
    void SetKeeper(Keeper keep) { keep_ = std::move(keep); }
    void KeepSet(const char* cause) { KeepSet(block_, cause); }
    void KeepSet(const ParameterBlock& image, const char* cause);

private:
    void OnPortStep(const ScanEvent& event) override;
    void OnScanFinished(bool connected) override;
    uint32_t Send(int command);

    std::unique_ptr<SerialPort> port_;
    std::unique_ptr<PortSink> sink_;
    ParameterBlock block_;
    LinkState link_;
    BlockBuffer accumulator_{kAccumulatorBlockAtStart};
    BlockBuffer monitorBuffer_{kAccumulatorBlock};
    ReceiveHandler receive_;
    MonitorStream monitor_;
    FrameScanner replies_;
    int32_t connected_ = 0;
    std::unique_ptr<PortSearch> search_;
    ScanListener* listener_ = nullptr;
    Keeper keep_;
};

}  // namespace orq
