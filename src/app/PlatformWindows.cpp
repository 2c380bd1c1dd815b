#include "app/Platform.h"

namespace orq {

bool DisplayNamed(std::string&) {
    return true;  // the desktop is always there
}

std::unique_ptr<DemoUnit> StartDemoUnit(std::string& error) {
    // The simulated unit answers on a pseudo-terminal, and Windows has none to offer it as a COM
    // port; a virtual pair of COM ports would need a driver the program does not bring.
    error = "the demo unit needs a pseudo-terminal, which Windows does not have";
    return nullptr;
}

// The system keeps its font table loaded for every program: nothing to read ahead.
struct FontWarmUp::Reader {};
FontWarmUp::FontWarmUp(std::span<const char* const>) {}
FontWarmUp::~FontWarmUp() = default;
void FontWarmUp::Wait() {}

}  // namespace orq
