#pragma once
// Dialog data exchange: integers bound to edit boxes, written out as text and read back with
// validation.
//
//     // in the constructor, after BuildDialog, in the order the values are to be checked:
//     ddx_.Bind(1004, pitchAgility_, 15, 60);
//     ddx_.Bind(1161, zeroPitch_);                 // any integer
//     ...
//     ddx_.WriteOut();                             // values → boxes
//     if (!ddx_.ReadBack()) return;                // boxes → values; false after the message
//
// ReadBack goes through the bindings in order and stops at the first faulty box: it shows the
// standard message through the message-box service, puts the focus in that box (text
// selected) and returns false. Text that is not an integer: "Please enter an integer.", the
// value keeps its content. An integer outside the range: "Please enter an integer between 15
// and 60.", the value is stored as typed. Values read before the faulty box stay stored; later
// boxes are not read.

#include <QPointer>
#include <QVector>

#include <optional>

#include "framework/DialogTemplate.h"
#include "framework/Services.h"

class QLineEdit;

namespace orq {

// "  -12 " → -12. Empty text, anything but an optional sign and digits (blanks around them
// allowed), or a number beyond int → nothing.
std::optional<int> ParseInt(const QString& text);

class DataExchange {
public:
    DataExchange(const DialogControls& controls, MessageBoxService& messages);

    // Integer only.
    void Bind(int editId, int& value);
    // Integer within [min, max].
    void Bind(int editId, int& value, int min, int max);

    void WriteOut();
    bool ReadBack();

    // The id of the box the last ReadBack stopped at; kNoId after a successful one.
    int FailedId() const { return failedId_; }

private:
    struct Binding {
        int id;
        QPointer<QLineEdit> edit;
        int* value;
        bool ranged;
        int min, max;
    };
    bool Fail(const Binding& b, const QString& message);

    const DialogControls& controls_;
    MessageBoxService& messages_;
    QVector<Binding> bindings_;
    int failedId_ = kNoId;
};

}  // namespace orq
