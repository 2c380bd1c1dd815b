#pragma once
// A main form in its real frame with recording modal services, and a simulated unit on a
// pseudo-terminal that logs every frame it hears.

#include <QLineEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/Resources.h"
#include "app/Skin.h"
#include "app/UARTApp.h"
#include "framework/TestServices.h"
#include "serial/SerialPort.h"
#include "sim/SimUnit.h"
#include "view/CUARTView.h"
#include "view/MainFormTemplate.h"

namespace orq::test {

class SimPeer {
public:
    explicit SimPeer(UnitImage image = FactoryImage(), bool reply = true) {
        SimOptions o;
        o.image = image;
        o.reply = reply;
        o.logPath = dir_.filePath(QStringLiteral("frames.log")).toStdString();
        logPath_ = o.logPath;
        sim_ = std::make_unique<SimUnit>(o);
        std::string error;
        started_ = sim_->Start(error);
    }
    bool Started() const { return started_; }
    const std::string& Path() const { return sim_->DevicePath(); }
    void Unplug() { sim_->Stop(); }
    // Every frame heard so far, as the 90 bytes of its slot.
    std::vector<Frame> Frames() const {
        std::vector<Frame> frames;
        std::ifstream in(logPath_);
        for (std::string line; std::getline(in, line);) {
            Frame& f = frames.emplace_back();
            for (std::size_t i = 0; i + 1 < line.size() && i / 2 < f.size(); i += 2)
                f[i / 2] = static_cast<uint8_t>(std::stoi(line.substr(i, 2), nullptr, 16));
        }
        return frames;
    }
    std::size_t FrameCount() const { return Frames().size(); }

private:
    QTemporaryDir dir_;
    std::string logPath_;
    std::unique_ptr<SimUnit> sim_;
    bool started_ = false;
};

// Where TuningBlock byte i travels in a parameter write.
constexpr std::size_t TuningByte(std::size_t i) {
    return 34 + i;
}

struct ViewHarness {
    WindowNotifier notifier;
    ParameterBlock block;
    LinkState link;
    SerialPort port{SerialPort::kStartOptions};
    RecordingMessageBox messages;
    ScriptedFileDialog files;
    ScriptedModalRunner modal;
    RecordingSkin skin;
    AppServices services{block, link, &port, messages, files, modal, skin, notifier};
    CUARTApp app{services};
    CMainFrame* frame = nullptr;
    QPointer<CUARTView> view;

    ViewHarness() {
        InitGuiResources();
        app.InitInstance([this](CMainFrame& f, AppServices& s) -> FormView* {
            return view = new CUARTView(s, &f);
        });
        frame = app.MainFrame();
        QCoreApplication::processEvents();  // places the progress bar
    }
    ~ViewHarness() {
        if (CMainFrame* f = app.MainFrame()) f->close();
        app.ExitInstance(0);
        port.ClosePort();
    }

    QWidget* Ctrl(int id) const { return view->Controls().Control(id); }
    QLineEdit* Edit(int id) const { return view->Controls().Edit(id); }
    SliderControl* Slider(int id) const { return view->Controls().Slider(id); }
    void Click(int id) const { QTest::mouseClick(Ctrl(id), Qt::LeftButton); }
    void Command(int id) const { frame->RouteCommand(id); }

    // The port as a successful connection leaves it, without a scan.
    bool OpenPortTo(const std::string& path) {
        return port.OpenPort(1, path) && port.SetState(9600, 0, 8, 1) && port.SetupPort() &&
               port.StartThreads();
    }
    // Types into an edit box and presses Enter there: key down and key up.
    void TypeAndEnter(int editId, const QString& text) {
        QLineEdit* e = Edit(editId);
        e->setFocus();
        e->selectAll();
        QTest::keyClicks(e, text);
        QTest::keyClick(e, Qt::Key_Return);
    }
    // What the seven boxes show, in the order they are checked.
    std::vector<int> Shown() const {
        std::vector<int> v;
        for (const TuningControl& c : TuningControls()) v.push_back(Edit(c.edit)->text().toInt());
        return v;
    }
};

}  // namespace orq::test
