#pragma once
// For the tests that build windows: the process-wide objects as main owns them, with the
// recording and scripted services in place of the real ones, and the mouse on a slider.

#include <QApplication>
#include <QMouseEvent>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>

#include <string>

#include "framework/AppServices.h"
#include "framework/NotifyTarget.h"
#include "protocol/LinkFrame.h"
#include "protocol/ParameterBlock.h"
#include "serial/SerialPort.h"
#include "support/RecordingSkin.h"
#include "support/TestServices.h"

namespace orq::test {

struct ServiceRig {
    explicit ServiceRig(uint32_t portOptions = SerialPort::kProgramOptions, bool withPort = true)
        : port(portOptions), services{block,    link,    withPort ? &port : nullptr,
                                      messages, files,   modal,
                                      skin,     notifier} {}
    ~ServiceRig() { port.ClosePort(); }
    ServiceRig(const ServiceRig&) = delete;

    // The port as a connection leaves it, without a scan.
    bool OpenPort(const std::string& path) {
        return port.OpenPort(1, path) && port.SetState(9600, 0, 8, 1) && port.SetupPort() &&
               port.StartThreads();
    }

    WindowNotifier notifier;  // first: it outlives the port's wait thread
    ParameterBlock block;
    LinkState link;
    SerialPort port;
    RecordingMessageBox messages;
    ScriptedFileDialog files;
    ScriptedModalRunner modal;
    RecordingSkin skin;
    AppServices services;
};

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

}  // namespace orq::test
