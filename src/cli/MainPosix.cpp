// orqctl: the configurator's command-line companion (POSIX: signals end a wait through a
// signalfd).

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/Orqctl.h"

int main(int argc, char** argv) {
    // SIGINT and SIGTERM end a scan through this descriptor, so the port is closed properly. They
    // are blocked before any thread exists, so that every thread inherits the mask.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    const int cancel = ::signalfd(-1, &stop, SFD_CLOEXEC | SFD_NONBLOCK);

    const std::vector<std::string> args(argv + 1, argv + argc);
    const int status = orq::RunOrqctl(args, std::cout, std::cerr, cancel, ::isatty(1) == 1);
    std::cout.flush();
    if (cancel >= 0) ::close(cancel);
    return status;
}
