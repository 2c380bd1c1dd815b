#include <fontconfig/fontconfig.h>
#include <pthread.h>
#include <sched.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

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

// Qt finds the configuration loaded, with the files in it, and only lists the fonts. The
// reader runs in the idle class: a thread of normal class, new on the core that made it, takes
// that core from the window for a millisecond or two before the scheduler moves one of them to
// the other core. It lowers itself as its first act rather than being made with an idle-class
// attribute: the library applies such an attribute from the creating thread once the new one
// exists, and on a two-core machine the creating thread then came back from pthread_create about
// a millisecond late in most runs (bench/startup: its `demo` step ends 1 ms sooner this way).
struct FontWarmUp::Reader {
    pthread_t thread{};
    bool running = false;
    std::vector<std::string> files;
};

FontWarmUp::FontWarmUp(std::span<const char* const> fontFiles)
    : reader_(std::make_unique<Reader>()) {
    reader_->files.assign(fontFiles.begin(), fontFiles.end());
    const auto read = [](void* reader) -> void* {
        const sched_param idle{};
        pthread_setschedparam(pthread_self(), SCHED_IDLE, &idle);
        FcInit();
        for (const std::string& file : static_cast<Reader*>(reader)->files)
            FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(file.c_str()));
        return nullptr;
    };
    reader_->running = pthread_create(&reader_->thread, nullptr, read, reader_.get()) == 0;
}

FontWarmUp::~FontWarmUp() {
    Wait();
}

void FontWarmUp::Wait() {
    if (reader_ && std::exchange(reader_->running, false)) pthread_join(reader_->thread, nullptr);
}

}  // namespace orq
