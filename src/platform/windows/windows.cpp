// SPDX-License-Identifier: MIT
// The loop's contract on Windows. Nobody can see the show while it is
// minimised (SDL says it is not active), or while Windows says so in other
// ways (unseen.cpp: locked, off the console, the display off, cloaked,
// covered). SDL hands the screen saver and display sleep back
// (SetThreadExecutionState) when the show lets them go. The sleep of an
// unseen show wakes as soon as a message comes for its window. Failures go
// to standard error where there is one, or else to a message box.
#include <windows.h>

#include <SDL.h>
#include <SDL_syswm.h>

#include <algorithm>

#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"
#include "platform/sdl2/sdl2.h"
#include "platform/signals.h"
#include "platform/windows/unseen.h"

static const char *const TITLE = "cubebloom";

// The program imports this one function of SDL 2 itself. sdl12-compat
// loads SDL2.dll as it is loaded, and where SDL2.dll is missing it says so
// in words that do not name it; Windows' loader, which looks for every DLL
// the program names before any of them runs, names the file. The function
// also tells which module is SDL 2.
extern "C" __declspec(dllimport) int SDL_GetNumVideoDrivers(void);

void *sdl2_symbol(const char *name) {
    static HMODULE library = nullptr;
    if (library == nullptr) {
        GetModuleHandleExA(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCSTR>(&SDL_GetNumVideoDrivers), &library);
    }
    return library == nullptr ? nullptr : reinterpret_cast<void *>(GetProcAddress(library, name));
}

void sdl2_set_default(const char *name, const char *value) {
    if (getenv(name) == nullptr) {
        _putenv_s(name, value);
    }
}

bool platform_open() {
    signals_catch();
    sdl2_hints();
    return true;
}

bool platform_retry(int) {
    return false;
}

void platform_watch() {
    sdl2_let_go();
    signals_defer();
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) > 0 && info.window != nullptr) {
        unseen_watch(info.window);
    }
}

bool platform_quitting() {
    return signals_heard();
}

bool platform_lost() {
    return false;
}

void platform_pass() {
    unseen_look(false);
}

bool platform_seen() {
    return (SDL_GetAppState() & SDL_APPACTIVE) != 0 && !unseen_now();
}

bool platform_wait(int ms) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min(static_cast<DWORD>(ms), unseen_due_in()),
                              QS_ALLINPUT);
    unseen_look(true);
    return true;
}

bool platform_release() {
    sdl2_screensaver(true);
    return true;
}

void platform_hold() {
    sdl2_screensaver(false);
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

void platform_report(const char *line) {
    if (attached()) {
        fputs(line, stderr);
        fflush(stderr);
    } else {
        MessageBoxA(nullptr, line, TITLE, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    }
}

void platform_close() {
    unseen_close();
}
