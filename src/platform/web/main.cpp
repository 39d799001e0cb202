// SPDX-License-Identifier: MIT
// Process entry in a browser: the shell's start-up, then one pass each
// time the browser is about to paint, which it paces and stops while the
// tab is hidden. The pass that hears a quit request ends the program, and
// the page says so.
#include <emscripten.h>

#include "platform/platform.h"

// The browser's frame callback holds the program alive, and lets it end
// once it is given up.
static void frame() {
    if (!show_pass()) {
        emscripten_cancel_main_loop();
        Quit(0);
    }
}

int main() {
    show_start();
    emscripten_set_main_loop(frame, 0, 1);
}
