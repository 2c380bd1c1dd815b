#pragma once
// What a benchmark hands the GUI rooms for the services it never uses: no skin to apply, and
// message boxes, file dialogs and modal boxes that a measured run never opens. A figure taken
// while a box waits for a click would be meaningless, so they return at once.

#include <string>

#include "framework/AppServices.h"
#include "framework/NotifyTarget.h"
#include "framework/Services.h"
#include "framework/Skin.h"
#include "link/UnitHistory.h"
#include "link/UnitSession.h"
#include "serial/SerialPort.h"

namespace orq::bench {

class NoSkin : public Skin {
public:
    void Start(const char*, const char*, int, int, int) override {}
    void Stop() override {}
    void Apply(QWidget*, int) override {}
    void SetSlider(QWidget*, int, int, int, int, int, int) override {}
};

class Untouched : public MessageBoxService, public FileDialogService, public ModalRunner {
public:
    void Show(QWidget*, const QString&) override {}
    bool Ask(QWidget*, const QString&) override { return false; }
    FileDialogResult Run(QWidget*, const FileDialogRequest&) override { return {}; }
    int RunModal(QDialog&) override { return 0; }
};

// The program's side of one line, as the wizard sees it, with nothing else around it.
struct QuietHost {
    WindowNotifier notifier;
    UnitSession session;
    SerialPort& port = session.Port();
    Untouched untouched;
    NoSkin skin;
    UnitHistory history{session};
    AppServices services{session, untouched, untouched, untouched, skin, notifier, history};

    // Opens the terminal at 9600 baud, 8N1, with the port's threads running.
    [[nodiscard]] bool Open(const std::string& device) {
        return port.OpenPort(1, device) && port.SetState(9600, 0, 8, 1) && port.SetupPort() &&
               port.StartThreads();
    }
};

}  // namespace orq::bench
