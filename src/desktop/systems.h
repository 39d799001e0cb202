// SPDX-License-Identifier: MIT
// The window systems behind desktop.h, one file each, and the session
// around them; called only by desktop.cpp. Each does nothing until it
// watches a window, or a bus, of its own.
#pragma once

#include <poll.h>

#include "desktop/desktop.h"

// The sockets a wait polls: the buses' first, then the window system's.
constexpr int SESSION_FDS = 4;
constexpr int WINDOW_FDS = 2;

// x11.cpp
bool x11open();
void x11nudgestart();
void x11nudgestop();
void x11watch(_XDisplay *sdl, unsigned long window);
void x11saverfree();
void x11poll();
bool x11hidden();
bool x11saveron();
// Waits on fds[0 .. buses - 1] too, with room for WINDOW_FDS more after
// them; false, at once, where it watches no window.
bool x11wait(int ms, pollfd *fds, int buses);

// wayland.cpp
void waylandhush();
bool waylandopen();
void waylandwatch(wl_display *display, wl_surface *surface, xdg_toplevel *toplevel);
void waylandfullscreen();
void waylandpoll();
bool waylandhidden();
bool waylandwait(int ms, pollfd *fds, int buses);  // as x11wait
int waylandlost();
void waylandclose();

// session.cpp
void sessionopen();
int sessionfds(pollfd *fds);  // at most SESSION_FDS
void sessionheard(const pollfd *fds, int count);
void sessionpoll();
bool sessionlocked();
void sessionclose();
