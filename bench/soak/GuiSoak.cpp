// The soak's GUI half: the Setup wizard's Monitor page, in this process on whatever Qt platform
// QT_QPA_PLATFORM names (offscreen when it names none), wired as bench/monitor wires it, but with
// the unit in a process of its own.

#include <unistd.h>

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include "Soak.h"
#include "support/QuietServices.h"
#include "widgets/PngResource.h"
#include "wizard/MonitorPage.h"
#include "wizard/SetupDlg.h"

namespace soak {

namespace {

using namespace std::chrono_literals;

}  // namespace

std::optional<Figures> RunMonitorPage(int argc, char** argv, const Plan& plan, std::string& error) {
    Unit unit;
    if (!unit.Start(plan.dir / "page-unit.stats", error)) return std::nullopt;

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    orq::InitPngResources();
    orq::bench::QuietHost host;
    if (!host.Open(unit.Device())) {
        error = "cannot open the unit's terminal " + unit.Device();
        return std::nullopt;
    }

    Figures f;
    uint32_t shownBefore = 0;
    uint32_t shownAtEnd = 0;
    {
        orq::CSetupDlg wizard(host.services);
        wizard.show();
        auto* page = qobject_cast<orq::CStep3*>(wizard.Page(orq::CSetupDlg::kMonitorPage));
        auto* next = qobject_cast<QPushButton*>(orq::FindControl(&wizard, orq::IDC_SETUP_NEXT));
        if (!page || !next) {
            error = "the wizard has no Monitor page where it should be";
            return std::nullopt;
        }
        shownBefore = page->RepliesShown();
        next->click();
        next->click();  // the Monitor page asks for the stream

        Meter meter(::getpid());
        const auto start = Clock::now();
        QTimer sampler;
        sampler.setTimerType(Qt::PreciseTimer);
        QObject::connect(&sampler, &QTimer::timeout, [&] {
            if (Clock::now() >= start + plan.warmUp) meter.Marked() ? meter.Sample() : meter.Mark();
        });
        sampler.start(1000);
        QTimer::singleShot(plan.length, Qt::PreciseTimer, [&] {
            sampler.stop();
            meter.End(f);
            unit.EndStream();
            QTimer::singleShot(plan.drain, Qt::PreciseTimer, [&] {
                shownAtEnd = page->RepliesShown();
                QApplication::quit();
            });
        });
        QApplication::exec();
        // Leaving the wizard switches the stream off as a user's Cancel does; the unit had
        // already ended it.
        wizard.reject();
    }
    host.port.ClosePort();
    f.shown = static_cast<long>(shownAtEnd - shownBefore);
    f.sent = unit.Finish();
    if (f.sent < 0) {
        error = "orq-sim did not say how many replies it sent";
        return std::nullopt;
    }
    return f;
}

}  // namespace soak
