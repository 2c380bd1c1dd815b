#pragma once
// The controls of this room for the dialog builder: a window whose template holds image buttons
// builds it with these factories.
//
//     controls_ = orq::BuildDialog(kTemplate101, this, orq::WidgetFactories());

#include "framework/DialogTemplate.h"

namespace orq {

ControlFactories WidgetFactories();

}  // namespace orq
