// orq: the desktop configurator. `orq --demo` brings its own simulated unit.

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/Platform.h"
#include "app/Resources.h"
#include "app/StartupProbe.h"
#include "app/StyleSheetSkin.h"
#include "app/UARTApp.h"
#include "framework/AppServices.h"
#include "framework/DialogTemplate.h"
#include "framework/NotifyTarget.h"
#include "framework/Services.h"
#include "link/UnitHistory.h"
#include "link/UnitSession.h"
#include "view/UARTView.h"
#include "wizard/SetupDlg.h"

namespace {

bool HasEnv(const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
}

// Installed only while the QApplication is made: the platform plugin's complaints about an
// unreachable display come as several warnings and then a fatal message; the user gets one line.
void FatalToOneLine(QtMsgType type, const QMessageLogContext&, const QString&) {
    if (type != QtFatalMsg) return;
    const char* display = "";
    for (const char* name : {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY"})
        if (HasEnv(name)) display = std::getenv(name);
    std::fprintf(stderr, "orq: cannot open the display %s\n", display);
    std::_Exit(3);
}

}  // namespace

int main(int argc, char** argv) {
    orq::StartupProbe::Step("main");
    // Without a display Qt would abort with a core dump; say what is wrong instead.
    if (std::string missing; !orq::DisplayNamed(missing)) {
        std::fprintf(stderr, "orq: no display to show the window on (%s)\n", missing.c_str());
        return 2;
    }
    orq::FontWarmUp fontWarmUp(orq::TemplateFontFiles());
    // The demo: a simulated unit on a port of its own, and the port search limited to it. It
    // outlives the serial port (declared first), so the port never sees it vanish.
    std::unique_ptr<orq::DemoUnit> demoUnit;
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) != "--demo" || demoUnit) continue;
        std::string error;
        demoUnit = orq::StartDemoUnit(error);
        if (!demoUnit) {
            std::fprintf(stderr, "orq: cannot start the demo unit: %s\n", error.c_str());
            return 1;
        }
    }
    orq::StartupProbe::Step("demo");

    // A display that is named but cannot be reached ends in a fatal message from the platform
    // plugin: keep it to one line and an exit code. Later messages take the normal road.
    QtMessageHandler previous = qInstallMessageHandler(FatalToOneLine);
    QApplication app(argc, argv);
    qInstallMessageHandler(previous);
    orq::StartupProbe::Step("qapplication");
    orq::InitGuiResources();
    orq::StartupProbe::Step("resources");
    fontWarmUp.Wait();
    orq::LoadTemplateFonts();
    orq::StartupProbe::Step("fonts");
    orq::StartupProbe probe;  // bench/startup
    if (orq::StartupProbe::Requested()) app.installEventFilter(&probe);
    // Menus, status bar and message boxes in the templates' font, like the windows themselves.
    QApplication::setFont(orq::TemplateQFont(orq::kFontMainForm));

    // The process-wide objects, one of each, for the whole run: the session owns the parameter
    // image, the link state and the one serial port. The notifier is made before the session
    // so that it outlives the port's wait thread.
    orq::WindowNotifier notifier;
    orq::UnitSession session;
    orq::UnitHistory history(session);
    orq::QtMessageBox messages;
    orq::QtFileDialog files;
    orq::QtModalRunner modal;
    orq::StyleSheetSkin skin(app);
    orq::AppServices services{session, messages, files, modal, skin, notifier, history};

    orq::CUARTApp theApp(services);
    const auto makeForm = [](orq::CMainFrame& frame, orq::AppServices& s) -> orq::FormView* {
        auto* form = new orq::CUARTView(s, &frame);
        form->SetSetupRunner([&s](QWidget* parent) { orq::RunSetup(s, parent); });
        return form;
    };
    if (!theApp.InitInstance(makeForm)) return 1;
    orq::StartupProbe::Step("window");
    const int code = QApplication::exec();
    return theApp.ExitInstance(code);
}
