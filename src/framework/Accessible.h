#pragma once
// What a screen reader reads of the controls that draw their value instead of writing it: a
// slider (the value it stands for, not its upside-down position) and a meter. Qt asks the
// factories installed with it for an interface whenever an assistive tool looks at a widget;
// each such control installs its own when the first of them is made (Qt keeps a factory once),
// so no window shows one without its interface.

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

namespace orq {

// A control read as a number: its value, range and steps through the value interface, and the
// value as text.
class ValueAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    ValueAccessible(QWidget* widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text t) const override;
    QVariant minimumStepSize() const override { return 1; }
};

}  // namespace orq
