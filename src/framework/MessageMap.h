#pragma once
// Message maps: one table per window that ties control ids, menu command ids and window
// messages to the window's handler methods.
//
//     std::span<const orq::MessageEntry<CUARTView>> CUARTView::GetMessageMap() {
//         using V = CUARTView;
//         static constexpr orq::MessageEntry<V> kMap[] = {
//             orq::OnCommand(1000, &V::ConnectScan),          // button click
//             orq::OnCommand(57601, &V::OnFileOpen),          // menu/accelerator command
//             orq::OnVScroll(1010, &V::OnSliderScroll),       // handler(int id)
//             orq::OnReleasedCapture(1010, &V::OnSliderRelease),
//             orq::OnEditEnter(1014, &V::OnEditEnter),
//             orq::OnMessage(orq::WM_SERIAL_RECEIVE, &V::OnSerialReceive),
//         };
//         return kMap;
//     }
//
// Declaring GetMessageMap as a static member function keeps the private handlers private. In
// the constructor, after BuildDialog:  orq::WireMessageMap(this, controls_, GetMessageMap());
// Menu commands reach the window through DispatchCommand (the frame routes them to the form
// first), window messages through DispatchMessageEvent (from the window's customEvent).

#include <QAbstractButton>
#include <QLineEdit>
#include <QTabWidget>

#include <cstdint>
#include <span>

#include "framework/DialogTemplate.h"
#include "framework/NotifyTarget.h"

namespace orq {

enum class Notify {
    Command,          // button clicked, or a menu/accelerator command with this id
    VScroll,          // a slider scrolled by the user, or let go of the mouse; value already set
    ReleasedCapture,  // a slider let go of the mouse
    EditEnter,        // Enter pressed in an edit box
    EditChange,       // the user changed an edit box's text
    TabChange,        // a tab control's current tab changed
    Message,          // a window message (WindowMessageEvent), id = message number
};

template <class T>
struct MessageEntry {
    Notify code;
    int id;
    void (T::*plain)() = nullptr;
    void (T::*withId)(int) = nullptr;
    void (T::*message)(int32_t wParam, intptr_t lParam) = nullptr;

    void Call(T* self, int controlId) const {
        if (plain)
            (self->*plain)();
        else if (withId)
            (self->*withId)(controlId);
    }
};

template <class T>
constexpr MessageEntry<T> OnCommand(int id, void (T::*h)()) {
    return {Notify::Command, id, h, nullptr, nullptr};
}
template <class T>
constexpr MessageEntry<T> OnCommand(int id, void (T::*h)(int)) {
    return {Notify::Command, id, nullptr, h, nullptr};
}
template <class T>
constexpr MessageEntry<T> OnVScroll(int id, void (T::*h)(int)) {
    return {Notify::VScroll, id, nullptr, h, nullptr};
}
template <class T>
constexpr MessageEntry<T> OnReleasedCapture(int id, void (T::*h)(int)) {
    return {Notify::ReleasedCapture, id, nullptr, h, nullptr};
}
template <class T>
constexpr MessageEntry<T> OnEditEnter(int id, void (T::*h)(int)) {
    return {Notify::EditEnter, id, nullptr, h, nullptr};
}
template <class T>
constexpr MessageEntry<T> OnEditChange(int id, void (T::*h)(int)) {
    return {Notify::EditChange, id, nullptr, h, nullptr};
}
template <class T>
constexpr MessageEntry<T> OnTabChange(int id, void (T::*h)(int)) {
    return {Notify::TabChange, id, nullptr, h, nullptr};
}
template <class T>
constexpr MessageEntry<T> OnMessage(uint32_t message, void (T::*h)(int32_t, intptr_t)) {
    return {Notify::Message, static_cast<int>(message), nullptr, nullptr, h};
}

// Connects every control entry of `map` to the control with its id in `controls`. Entries whose
// id has no control (menu commands, window messages) are left for the Dispatch functions.
// Returns the number of entries that found no control of the right kind among the controls
// and are not commands or messages: 0 in a consistent window (tests assert it).
template <class T>
int WireMessageMap(T* self, const DialogControls& controls, std::span<const MessageEntry<T>> map) {
    int unmatched = 0;
    for (const MessageEntry<T>& e : map) {
        QWidget* w = controls.Control(e.id);
        const int id = e.id;
        switch (e.code) {
            case Notify::Command:
                if (auto* b = qobject_cast<QAbstractButton*>(w))
                    QObject::connect(b, &QAbstractButton::clicked, self,
                                     [self, e, id] { e.Call(self, id); });
                break;
            case Notify::VScroll:
                if (auto* s = qobject_cast<SliderControl*>(w))
                    QObject::connect(s, &SliderControl::scrolled, self,
                                     [self, e, id] { e.Call(self, id); });
                else
                    ++unmatched;
                break;
            case Notify::ReleasedCapture:
                if (auto* s = qobject_cast<SliderControl*>(w))
                    QObject::connect(s, &SliderControl::releasedCapture, self,
                                     [self, e, id] { e.Call(self, id); });
                else
                    ++unmatched;
                break;
            case Notify::EditEnter:
                if (auto* ed = qobject_cast<QLineEdit*>(w))
                    QObject::connect(ed, &QLineEdit::returnPressed, self,
                                     [self, e, id] { e.Call(self, id); });
                else
                    ++unmatched;
                break;
            case Notify::EditChange:
                if (auto* ed = qobject_cast<QLineEdit*>(w))
                    QObject::connect(ed, &QLineEdit::textEdited, self,
                                     [self, e, id] { e.Call(self, id); });
                else
                    ++unmatched;
                break;
            case Notify::TabChange:
                if (auto* t = qobject_cast<QTabWidget*>(w))
                    QObject::connect(t, &QTabWidget::currentChanged, self,
                                     [self, e, id](int) { e.Call(self, id); });
                else
                    ++unmatched;
                break;
            case Notify::Message:
                break;
        }
    }
    return unmatched;
}

// Runs the Command entry for `id` (a menu or accelerator command); false when the map has none,
// so the caller can route the command further.
template <class T>
bool DispatchCommand(T* self, std::span<const MessageEntry<T>> map, int id) {
    for (const MessageEntry<T>& e : map) {
        if (e.code == Notify::Command && e.id == id) {
            e.Call(self, id);
            return true;
        }
    }
    return false;
}

// Runs the Message entry for a WindowMessageEvent; false when `event` is none or unmapped.
template <class T>
bool DispatchMessageEvent(T* self, std::span<const MessageEntry<T>> map, QEvent* event) {
    if (event->type() != kWindowMessageEvent) return false;
    const auto* m = static_cast<const WindowMessageEvent*>(event);
    for (const MessageEntry<T>& e : map) {
        if (e.code == Notify::Message && e.id == static_cast<int>(m->message) && e.message) {
            (self->*e.message)(m->wParam, m->lParam);
            return true;
        }
    }
    return false;
}

}  // namespace orq
