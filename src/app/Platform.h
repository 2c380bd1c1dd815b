#pragma once
// What the desktop program's start needs of the system it runs on (PlatformPosix.cpp,
// PlatformWindows.cpp); only main knows it.

#include <memory>
#include <span>
#include <string>

namespace orq {

// Whether a window can be shown at all: on Linux a display must be named (Qt would abort with a
// core dump otherwise); Windows always has its desktop. `what` says what is missing.
bool DisplayNamed(std::string& what);

// The demo: a simulated unit serving on a port of its own, to which the port search is then
// limited (ORQ_PORTS). It must outlive the session's port. Null, with `error` set, when it
// cannot start.
class DemoUnit {
public:
    virtual ~DemoUnit() = default;
};
std::unique_ptr<DemoUnit> StartDemoUnit(std::string& error);

// The system's font configuration, read on another core while the display is being opened:
// on Linux fontconfig parses some fifty files before the first text can be measured, a good
// tenth of the time the window takes to appear; the font files given are registered with it
// there too. The reader runs only where nothing else would (it must not take the core the
// window is being made on). Wait() before the first font is looked up, so that the work is
// never done twice; a system whose fonts need no such reading does nothing.
class FontWarmUp {
public:
    explicit FontWarmUp(std::span<const char* const> fontFiles);
    ~FontWarmUp();
    FontWarmUp(const FontWarmUp&) = delete;
    FontWarmUp& operator=(const FontWarmUp&) = delete;
    void Wait();

private:
    struct Reader;
    std::unique_ptr<Reader> reader_;
};

}  // namespace orq
