#include <fontconfig/fontconfig.h>

#include <cstdlib>

#include "app/Platform.h"
#include "sim/SimUnit.h"

namespace orq {

namespace {

bool HasEnv(const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
}

class PtyDemoUnit : public DemoUnit {
public:
    explicit PtyDemoUnit(SimOptions options) : unit(std::move(options)) {}
    SimUnit unit;
};

}  // namespace

bool DisplayNamed(std::string& what) {
    what = "DISPLAY and WAYLAND_DISPLAY are not set";
    return HasEnv("DISPLAY") || HasEnv("WAYLAND_DISPLAY") || HasEnv("QT_QPA_PLATFORM");
}

std::unique_ptr<DemoUnit> StartDemoUnit(std::string& error) {
    SimOptions options;
    options.image = FactoryImage();
    options.pace = true;  // the real line speed, so connecting looks as it will with a unit
    auto demo = std::make_unique<PtyDemoUnit>(options);
    if (!demo->unit.Start(error)) return nullptr;
    ::setenv("ORQ_PORTS", demo->unit.DevicePath().c_str(), 1);
    return demo;
}

// Qt finds the configuration loaded and only lists the fonts.
FontWarmUp::FontWarmUp() : worker_([] { FcInit(); }) {}

}  // namespace orq
