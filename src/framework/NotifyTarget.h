#pragma once
// Notifications from the serial port's wait thread, delivered as Qt events on the UI thread.
//
// main owns one WindowNotifier. A window that wants the port's notifications asks it for a
// target and hands that to the port:
//
//     notifyTarget_ = notifier.TargetFor(this);        // std::shared_ptr, kept by the window
//     port.SetNotifyTarget(notifyTarget_);             // the port holds it weakly
//
// and receives WindowMessageEvent in customEvent (see DispatchMessageEvent in MessageMap.h).
// Like a message posted to a window handle, a notification goes to the window that was the
// target when it was posted; events reach it in the order they were posted; if the window is
// destroyed before an event is delivered, the event is dropped.

#include <QEvent>
#include <QHash>
#include <QObject>
#include <QPointer>

#include <atomic>
#include <cstdint>
#include <memory>

#include "serial/SerialNotify.h"

namespace orq {

inline constexpr QEvent::Type kWindowMessageEvent = static_cast<QEvent::Type>(QEvent::User + 0x66A);

// A window message: `message` keeps the system's number (1642 for a received-bytes
// notification), wParam is the port number, lParam the notification's second parameter.
class WindowMessageEvent : public QEvent {
public:
    WindowMessageEvent(uint32_t msg, int32_t w, intptr_t l)
        : QEvent(kWindowMessageEvent), message(msg), wParam(w), lParam(l) {}
    const uint32_t message;
    const int32_t wParam;
    const intptr_t lParam;
};

class WindowNotifier;

// What the port posts to. Holds no Qt object: it may be released on the wait thread.
class WindowNotifyTarget : public NotifyTarget {
public:
    WindowNotifyTarget(WindowNotifier* notifier, int handle) : notifier_(notifier), handle_(handle) {}
    // Any thread, never blocks.
    void Post(uint32_t message, int32_t portNumber, intptr_t param) override;
    int Handle() const { return handle_; }

private:
    WindowNotifier* notifier_;
    int handle_;
};

// The UI thread's end. Must outlive the serial port (main declares it first).
class WindowNotifier : public QObject {
    Q_OBJECT
public:
    explicit WindowNotifier(QObject* parent = nullptr);

    // UI thread. A target that delivers to `window`; the same window gets the same handle.
    std::shared_ptr<WindowNotifyTarget> TargetFor(QObject* window);

    // Any thread: queue one notification for the window with this handle.
    void Post(int handle, uint32_t message, int32_t wParam, intptr_t lParam);

protected:
    void customEvent(QEvent* event) override;

private:
    struct Envelope;
    QHash<int, QPointer<QObject>> windows_;  // UI thread only
    int nextHandle_ = 1;
};

}  // namespace orq
