// SPDX-License-Identifier: MIT
// The desktop around the window: hands each call to the window system
// that SDL took, which is at most one of them.
#include "desktop/desktop.h"

#include <chrono>
#include <thread>

#include "desktop/systems.h"

bool desktopopen(bool wayland) {
    return wayland ? waylandopen() : x11open();
}

void desktopnudgestart() {
    x11nudgestart();
}

void desktopnudgestop() {
    x11nudgestop();
}

void desktopwatch(const DesktopWindow &window) {
    if (window.wldisplay != nullptr && window.wlsurface != nullptr) {
        waylandwatch(window.wldisplay, window.wlsurface, window.wltoplevel);
    } else if (window.x11window != 0) {
        x11watch(window.x11display, window.x11window);
    }
}

void desktoppoll() {
    x11poll();
    waylandpoll();
}

bool desktophidden() {
    return x11hidden() || waylandhidden();
}

void desktopfullscreen() {
    waylandfullscreen();
}

void desktopwait(int ms) {
    if (!waylandwait(ms) && !x11wait(ms)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
}

bool desktopsaveron() {
    return x11saveron();
}

void desktopsaverfree() {
    x11saverfree();
}

int desktoplost() {
    return waylandlost();
}

void desktopclose() {
    waylandclose();
}
