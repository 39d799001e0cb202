// SPDX-License-Identifier: MIT
// Application shell: start-up (start.cpp), the passes of the main loop,
// input events and shutdown (app.cpp). SDL_main (declared in platform/platform.h, called
// by the platform's process entry) wires show_start and show_pass; a
// platform whose frames are driven from outside calls them itself.
#pragma once

#include <SDL.h>

// Start-up: video and GL, the scene, the pointer hidden, the platform
// watching the window. A failed stage prints one line on standard error and
// ends the process through Quit(1).
void show_start();

// One pass: drains the events, takes in the desktop, steps the scene and
// draws a frame. False once a quit request has come; the pass that heard
// it has still stepped and drawn.
bool show_pass();

// Ends the process with status 1 after one line where the user will see
// it: "STAGE failed: " and SDL's reason, or with no stage the reason alone
// (the platform's word on a display lost under the show).
[[noreturn]] void fail(const char *stage);

// Shuts SDL down and ends the process with returnCode.
[[noreturn]] void Quit(int returnCode);

// Handles one event: keys 1, 2 and 3 select a rig. Returns 1 when the event
// asks to end the program (Escape, or the window system's quit request),
// 0 otherwise.
int HandleEvent(SDL_Event *event);
