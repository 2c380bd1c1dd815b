// orq: the desktop configurator.

#include <QApplication>

#include <cstdio>
#include <cstdlib>

#include "app/Resources.h"
#include "app/Skin.h"
#include "app/UARTApp.h"
#include "framework/DialogTemplate.h"
#include "framework/NotifyTarget.h"
#include "framework/Services.h"
#include "protocol/LinkFrame.h"
#include "protocol/ParameterBlock.h"

namespace {

bool HasEnv(const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
}

// Without a display Qt would abort with a core dump; say what is wrong instead.
bool DisplayReachable() {
    return HasEnv("DISPLAY") || HasEnv("WAYLAND_DISPLAY") || HasEnv("QT_QPA_PLATFORM");
}

void FatalToOneLine(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "orq: cannot start the user interface: %s\n",
                     qPrintable(message.section(QLatin1Char('\n'), 0, 0)));
        std::_Exit(3);
    }
    std::fprintf(stderr, "%s\n", qPrintable(message));
}

}  // namespace

int main(int argc, char** argv) {
    if (!DisplayReachable()) {
        std::fprintf(stderr,
                     "orq: no display to show the window on (DISPLAY and WAYLAND_DISPLAY are "
                     "not set)\n");
        return 2;
    }
    // A display that is named but cannot be reached ends in a fatal message from the platform
    // plugin: keep it to one line and an exit code. Later messages take the normal road.
    QtMessageHandler previous = qInstallMessageHandler(FatalToOneLine);
    QApplication app(argc, argv);
    qInstallMessageHandler(previous);
    orq::InitGuiResources();
    orq::LoadTemplateFonts();

    // The process-wide objects, one of each, for the whole run. The notifier is made before
    // the serial port so that it outlives the port's wait thread.
    orq::WindowNotifier notifier;
    orq::ParameterBlock block;
    orq::LinkState link;
    orq::QtMessageBox messages;
    orq::QtFileDialog files;
    orq::QtModalRunner modal;
    orq::StyleSheetSkin skin(app);
    orq::AppServices services{block, link, nullptr, messages, files, modal, skin, notifier};

    orq::CUARTApp theApp(services);
    // The main form plugs in here: a FormFactory that makes it for the frame.
    if (!theApp.InitInstance()) return 1;
    const int code = QApplication::exec();
    return theApp.ExitInstance(code);
}
