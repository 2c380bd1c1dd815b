#pragma once

namespace orq {
// Registers the resources the program carries: the skin (here) and the pictures (widgets). Call
// once after the QApplication is made, from main and from tests.
void InitGuiResources();
}  // namespace orq
