#pragma once

#include <windows.h>

// How long a console's close, a logoff or a shutdown is held off while the program cleans up: the
// system ends a process five seconds after such an event whatever its handler does.
constexpr DWORD CloseCleanUpWaitMs = 4000;

// The console control handler that TCloseSignals installs, callable by tests.
BOOL WINAPI OnConsoleControl(DWORD type);
