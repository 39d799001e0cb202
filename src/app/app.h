// SPDX-License-Identifier: MIT
// Application shell, inside: start-up (start.cpp) and the passes of the
// main loop (app.cpp) share these. What the platform's entry calls of the
// shell is in platform/platform.h.
#pragma once

#include <SDL.h>

#include "platform/platform.h"

// Ends the process with status 1 after one line where the user will see
// it: "STAGE failed: " and SDL's reason, or with no stage the reason alone
// (the platform's word on a display lost under the show).
[[noreturn]] void fail(const char *stage);

// Handles one event: keys 1, 2 and 3 select a rig. Returns 1 when the event
// asks to end the program (Escape, or the window system's quit request),
// 0 otherwise.
int HandleEvent(SDL_Event *event);
