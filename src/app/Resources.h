#pragma once

namespace orq {
// Registers the resources compiled into the static GUI library: the skin and the pictures. Call once after the QApplication is made, from main and from tests.
void InitGuiResources();
}  // namespace orq
