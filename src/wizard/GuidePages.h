#pragma once
// Pages that only show: 1 "Transmitter" (how to prepare the radio) and 2 "Receiver" (how to wire
// the unit). Neither has a control that does anything, nor sends anything itself.

#include "wizard/SetupPage.h"

namespace orq {

class CStep1 : public SetupPage {
    Q_OBJECT
public:
    CStep1(AppServices& services, QWidget* parent)
        : SetupPage(services, kTemplate172, kPictures172, parent) {}
};

class CStep2 : public SetupPage {
    Q_OBJECT
public:
    CStep2(AppServices& services, QWidget* parent)
        : SetupPage(services, kTemplate173, kPictures173, parent) {}
};

}  // namespace orq
