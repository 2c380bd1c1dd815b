// What bench/startup holds the configurator against: a bare Qt Widgets window of the main
// window's size, with the same menus and a status bar with a progress bar, and nothing else.
// It reports its first paint through the same probe as orq (ORQ_STARTUP_PROBE=1) and closes.

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>

#include "app/StartupProbe.h"

int main(int argc, char** argv) {
    orq::StartupProbe::Step("main");
    QApplication app(argc, argv);
    orq::StartupProbe::Step("qapplication");
    orq::StartupProbe probe;
    if (orq::StartupProbe::Requested()) app.installEventFilter(&probe);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("ORQ 2.1"));
    window.setFixedSize(1000, 700);
    window.move(150, 50);
    const auto menu = [&](const char* title, std::initializer_list<const char*> items) {
        QMenu* m = window.menuBar()->addMenu(QString::fromUtf8(title));
        for (const char* item : items) m->addAction(QString::fromUtf8(item));
    };
    menu("File(&F)", {"Open conifg file", "Save Config file", "Transmit Conifg file",
                      "Unit history\u2026", "Compare\u2026", "Exit(&X)"});
    menu("Edit(&E)", {"Undo", "Redo"});
    menu("Help(&H)", {"About ORQ2.1"});
    window.statusBar()->addWidget(new QLabel(QStringLiteral("Not Connect!")), 1);
    window.statusBar()->addPermanentWidget(new QProgressBar);
    window.show();
    orq::StartupProbe::Step("window");
    return QApplication::exec();
}
