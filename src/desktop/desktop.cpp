// SPDX-License-Identifier: MIT
// The desktop around the window: hands each call to the window system
// that SDL took, which is at most one of them, and to the session.
#include "desktop/desktop.h"

#include "desktop/systems.h"

bool desktopopen(bool wayland) {
    waylandhush();
    sessionopen();
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
    sessionpoll();
}

bool desktophidden() {
    return x11hidden() || waylandhidden() || sessionlocked();
}

void desktopfullscreen() {
    waylandfullscreen();
}

void desktopwait(int ms) {
    pollfd fds[SESSION_FDS + WINDOW_FDS];
    const int buses = sessionfds(fds);
    if (!waylandwait(ms, fds, buses) && !x11wait(ms, fds, buses)) {
        poll(fds, buses, ms);
    }
    sessionheard(fds, buses);
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
    sessionclose();
}
