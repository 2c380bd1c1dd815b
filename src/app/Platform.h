#pragma once
// What the desktop program's start needs of the system it runs on (PlatformPosix.cpp,
// PlatformWindows.cpp); only main knows it.

#include <memory>
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

}  // namespace orq
