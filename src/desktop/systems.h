// SPDX-License-Identifier: MIT
// The window systems behind desktop.h, one file each, called only by
// desktop.cpp. Each does nothing until it watches a window of its own.
#pragma once

#include "desktop/desktop.h"

// x11.cpp
bool x11open();
void x11nudgestart();
void x11nudgestop();
void x11watch(_XDisplay *sdl, unsigned long window);
void x11saverfree();
void x11poll();
bool x11hidden();
bool x11saveron();
bool x11wait(int ms);  // false, at once, where it watches no window

// wayland.cpp
bool waylandopen();
void waylandwatch(wl_display *display, wl_surface *surface, xdg_toplevel *toplevel);
void waylandfullscreen();
void waylandpoll();
bool waylandhidden();
bool waylandwait(int ms);  // false, at once, where it watches no window
int waylandlost();
void waylandclose();
