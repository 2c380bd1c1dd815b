#pragma once
// Page 3, "Monitor": while it is shown the unit streams what its receiver inputs see (the Setup
// dialog switches the stream on and off), and the page shows the five signals live on level
// bars with their values, so the user can check stick directions, trims, end points and the
// tail gain switch. It is the only page that reads what the port receives.

#include <array>

#include "protocol/Monitor.h"
#include "wizard/SetupPage.h"

namespace orq {

class CLevelBar;

class CStep3 : public SetupPage {
    Q_OBJECT
public:
    CStep3(AppServices& services, QWidget* parent);

    // Every reply shown so far, for whoever watches the page (tests, the bench).
    uint32_t RepliesShown() const { return shown_; }

signals:
    void signalsShown(const orq::MonitorSignal& shown);

protected:
    void OnInitPage() override;
    void customEvent(QEvent* event) override;

private:
    static std::span<const MessageEntry<CStep3>> GetMessageMap();
    void OnSerialReceive(int32_t portNumber, intptr_t);
    void Show(const MonitorSignal& m);

    std::array<CLevelBar*, kMonitorChannels> bars_{};
    uint32_t shown_ = 0;
};

}  // namespace orq
