// SPDX-License-Identifier: MIT
// Process entry on Windows, where a GUI program starts in WinMain: it
// hands over to SDL_main as SDL 1.2's own entry does, but leaves standard
// output and error where they are, where that one sends them to files
// beside the program.
#include <windows.h>

#include <cstdlib>

#include "platform/platform.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return SDL_main(__argc, __argv);
}
