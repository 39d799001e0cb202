// SPDX-License-Identifier: MIT
// The loop's contract in a browser. The browser drives the frames
// (main.cpp) and stops them while the tab is hidden, so a show that runs
// is a show that can be seen; there is no display to lose, no quit signal
// and no screen saver to hand back. The display SDL needs is a canvas
// with WebGL and 32-bit indices, which platform_open looks for first: the
// SDL 1.2 here, emscripten's own, would set the mode without it. That SDL
// keeps no error text either, so this file keeps it. A failure line goes
// to standard error, which the page shows in the picture's place.
#include <emscripten.h>

#include <SDL.h>

#include <cstdarg>
#include <cstdio>

#include "platform/platform.h"

static constexpr size_t ERROR_TEXT = 1024;
static char error_text[ERROR_TEXT];

// A context of its own on a canvas of its own, let go at once.
EM_JS(int, webgl_offered, (), {
    var gl = document.createElement('canvas').getContext('webgl');
    var offered = gl && gl.getExtension('OES_element_index_uint') ? 1 : 0;
    var lose = gl && gl.getExtension('WEBGL_lose_context');
    if (lose) {
        lose.loseContext();
    }
    return offered;
});

extern "C" void SDL_SetError(const char *fmt, ...) {
    va_list args;
    va_start(args, fmt);
    vsnprintf(error_text, sizeof error_text, fmt, args);
    va_end(args);
}

extern "C" const char *SDL_GetError() {
    return error_text;
}

bool platform_open() {
    if (webgl_offered() == 0) {
        SDL_SetError("this browser offers no WebGL with 32-bit indices");
        return false;
    }
    return true;
}

bool platform_retry(int) {
    return false;
}

void platform_watch() {}

bool platform_quitting() {
    return false;
}

bool platform_lost() {
    return false;
}

void platform_pass() {}

bool platform_seen() {
    return true;
}

bool platform_wait(int) {
    return true;
}

bool platform_release() {
    return true;
}

void platform_hold() {}

void platform_report(const char *line) {
    fputs(line, stderr);
}

void platform_close() {}
