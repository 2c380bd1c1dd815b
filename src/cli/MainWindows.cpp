// orqctl: the configurator's command-line companion (Windows). The arguments arrive as UTF-16 and
// go on as UTF-8, as every string does inside the program, so a file name in any script works;
// Ctrl+C and Ctrl+Break end a wait through an event, so the port is closed properly.

#include <windows.h>
// windows.h first: the others build on it.
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/Orqctl.h"

namespace {

std::string Narrow(const wchar_t* wide) {
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return {};
    std::string utf8(static_cast<std::size_t>(n - 1), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8.data(), n, nullptr, nullptr);
    return utf8;
}

// The console's handler has no context of its own: it finds the process's cancel event by a name
// made from the process id, so nothing global is needed to reach it.
std::wstring CancelEventName() {
    return L"Local\\orqctl-cancel-" + std::to_wstring(::GetCurrentProcessId());
}

BOOL WINAPI OnConsoleControl(DWORD type) {
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT && type != CTRL_CLOSE_EVENT) return FALSE;
    HANDLE event = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, CancelEventName().c_str());
    if (!event) return FALSE;
    ::SetEvent(event);
    ::CloseHandle(event);
    return TRUE;  // handled: orqctl ends by itself, with the port closed
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** wargv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    std::vector<std::string> args;
    for (int i = 1; wargv && i < argc; ++i) args.push_back(Narrow(wargv[i]));
    if (wargv) ::LocalFree(wargv);

    // Text goes out as UTF-8; a console shows it as such.
    ::SetConsoleOutputCP(CP_UTF8);
    HANDLE cancel = ::CreateEventW(nullptr, TRUE, FALSE, CancelEventName().c_str());
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);

    const bool terminal = ::_isatty(::_fileno(stdout)) != 0;
    const int status =
        orq::RunOrqctl(args, std::cout, std::cerr,
                       cancel ? reinterpret_cast<orq::CancelHandle>(cancel) : -1, terminal);
    std::cout.flush();
    ::SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    if (cancel) ::CloseHandle(cancel);
    return status;
}
