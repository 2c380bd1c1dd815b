#pragma once
// For the tests that build windows: the process-wide objects as main owns them, with the
// recording and scripted services in place of the real ones, a port whose far end the test
// reads, and the mouse and keys on sliders and boxes.

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>

#include <string>

#include "framework/AppServices.h"
#include "framework/NotifyTarget.h"
#include "link/UnitHistory.h"
#include "link/UnitSession.h"
#include "protocol/LinkFrame.h"
#include "protocol/ParameterBlock.h"
#include "serial/SerialPort.h"
#include "support/RecordingSkin.h"
#include "support/TestServices.h"

namespace orq::test {

struct ServiceRig {
    ServiceRig() = default;
    ~ServiceRig() { session.Close(); }
    ServiceRig(const ServiceRig&) = delete;

    // The port as a connection leaves it, without a scan.
    bool OpenPort(const std::string& path) {
        return port.OpenPort(1, path) && port.SetState(9600, 0, 8, 1) && port.SetupPort() &&
               port.StartThreads();
    }

    WindowNotifier notifier;  // first: it outlives the port's wait thread
    UnitSession session;
    ParameterBlock& block = session.Block();
    const LinkState& link = session.Link();
    SerialPort& port = session.Port();
    RecordingMessageBox messages;
    ScriptedFileDialog files;
    ScriptedModalRunner modal;
    RecordingSkin skin;
    UnitHistory history{session};
    AppServices services{session, messages, files, modal, skin, notifier, history};
};

#ifndef _WIN32
}  // namespace orq::test
#include "support/Pty.h"
namespace orq::test {

// The port on a pseudo-terminal whose far end the test reads as the unit would hear it (there
// are no pseudo-terminals for a Windows program).
struct PtyRig : ServiceRig {
    Pty pty;
    bool Open() { return pty.ok() && OpenPort(pty.path()); }
    // `count` bytes and whatever follows within 200 ms; with none expected, what comes in 300 ms.
    Bytes Listen(std::size_t count = 0) {
        Bytes got = count ? pty.host().Read(count, 2s) : Bytes{};
        const Bytes more = pty.host().ReadFor(count ? 200ms : 300ms);
        got.insert(got.end(), more.begin(), more.end());
        return got;
    }
};
#endif

// Types into an edit box and presses Return there: key down and key up.
inline void TypeAndEnter(QLineEdit* e, const QString& text) {
    e->setFocus();
    e->selectAll();
    QTest::keyClicks(e, text);
    QTest::keyClick(e, Qt::Key_Return);
}

// The centre of a vertical slider's thumb, in the slider's own coordinates.
inline QPoint Thumb(QSlider* s) {
    QStyleOptionSlider o;
    o.initFrom(s);
    o.orientation = s->orientation();
    o.minimum = s->minimum();
    o.maximum = s->maximum();
    o.sliderPosition = o.sliderValue = s->value();
    o.tickPosition = s->tickPosition();
    o.tickInterval = s->tickInterval();
    o.upsideDown = !s->invertedAppearance();
    return s->style()->subControlRect(QStyle::CC_Slider, &o, QStyle::SC_SliderHandle, s).center();
}

inline void Mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button,
                  Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// Takes a vertical slider's thumb above its top, where the largest value is, and lets go.
inline void DragToTop(QSlider* s) {
    const QPoint grab = Thumb(s), top(grab.x(), -40);
    Mouse(s, QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
    Mouse(s, QEvent::MouseMove, top, Qt::NoButton, Qt::LeftButton);
    Mouse(s, QEvent::MouseButtonRelease, top, Qt::LeftButton, Qt::NoButton);
}

}  // namespace orq::test
