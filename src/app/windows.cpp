// SPDX-License-Identifier: MIT
// The shell's operating system, on Windows: the C library's signals, SDL 2
// as the program itself imports it, and failures on standard error where
// there is one, or else in a message box.
#include <windows.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "app/os.h"

static const char *const TITLE = "cubebloom";

// The program imports this one function of SDL 2 itself. sdl12-compat
// loads SDL2.dll as it is loaded, and where SDL2.dll is missing it says so
// in words that do not name it; Windows' loader, which looks for every DLL
// the program names before any of them runs, names the file. The function
// also tells which module is SDL 2.
extern "C" __declspec(dllimport) int SDL_GetNumVideoDrivers(void);

void oscatch(const int *signals, int count, void (*handler)(int)) {
    for (int i = 0; i < count; i++) {
        void (*const previous)(int) = signal(signals[i], handler);
        if (previous != SIG_DFL) {
            signal(signals[i], previous);
        }
    }
}

void ossetenv(const char *name, const char *value, bool replace) {
    if (replace || getenv(name) == nullptr) {
        _putenv_s(name, value);
    }
}

void *ossdl2(const char *name) {
    static HMODULE library = nullptr;
    if (library == nullptr) {
        GetModuleHandleExA(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCSTR>(&SDL_GetNumVideoDrivers), &library);
    }
    return library == nullptr ? nullptr : reinterpret_cast<void *>(GetProcAddress(library, name));
}

// A program of the GUI subsystem has standard error only where it was
// redirected (cubebloom.exe 2> file), or where it takes its parent's
// console; started from Explorer it has neither, and the line is shown in
// a box before the program ends.
static bool attached() {
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error != nullptr && error != INVALID_HANDLE_VALUE &&
        GetFileType(error) != FILE_TYPE_UNKNOWN) {
        return true;
    }
    return AttachConsole(ATTACH_PARENT_PROCESS) && freopen("CONOUT$", "w", stderr) != nullptr;
}

void osreport(const char *line) {
    if (attached()) {
        fputs(line, stderr);
        fflush(stderr);
    } else {
        MessageBoxA(nullptr, line, TITLE, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    }
}
