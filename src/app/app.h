// SPDX-License-Identifier: MIT
// Application shell: video start-up, the main loop, input events and
// shutdown. The process entry (main.cpp) calls SDL_main, which never returns.
#pragma once

#include <SDL.h>

// Brings up video and GL, sets up the scene and runs the main loop until a
// quit request; then ends the process through Quit(0). A failed start-up
// stage prints one line on standard error and ends through Quit(1).
extern "C" int SDL_main(int argc, char **argv);

// Shuts SDL down and ends the process with returnCode.
[[noreturn]] void Quit(int returnCode);

// Handles one event: keys 1, 2 and 3 select a rig. Returns 1 when the event
// asks to end the program (Escape, or the window system's quit request),
// 0 otherwise.
int HandleEvent(SDL_Event *event);
