// SPDX-License-Identifier: MIT
// What SDL 1.2's interface does not reach: the SDL 2 that sdl12-compat
// runs on (itself, on Debian unstable, sdl2-compat over SDL 3), for the
// platforms that run on it, Linux and Windows; their platform code calls
// these. Where there is no such SDL 2 (the classic SDL 1.2, another SDL)
// or it lacks a function, they find nothing and do nothing.
#pragma once

struct wl_display;
struct wl_surface;
struct xdg_toplevel;

// Each platform answers these two: a function of the SDL 2 already
// loaded, by name, null where there is none; and an environment variable
// set for SDL, unless the user has set it.
void *sdl2_symbol(const char *name);
void sdl2_set_default(const char *name, const char *value);

// Before SDL starts: SDL 2's hints that SDL 1.2 has no call for, through
// the environment, where the user has not set them.
void sdl2_hints();

// The Wayland display, surface and toplevel of the window SDL 2 made,
// where it made it on Wayland; the toplevel stays null where SDL has none
// to give. False, with all three left as they were, anywhere else.
bool sdl2_wayland(wl_display *&display, wl_surface *&surface, xdg_toplevel *&toplevel);

// True while the window is full screen, as SDL 2 last heard from the
// window system (and wherever SDL 2 cannot say).
bool sdl2_fullscreen();

// True while the window is full screen, as SDL 2 last heard from the
// window system, yet smaller than its display both ways.
bool sdl2_short_of_display();

// Lets the screen saver and blanking work (true), or holds them off again
// (false), as SDL does while its video runs: the X screen saver, the
// session's inhibit over D-Bus, the Wayland compositor's idle inhibitor.
void sdl2_screensaver(bool allowed);

// Lets go of every pointer and keyboard grab SDL holds or would take when
// the window gains the focus, and keeps the pointer hidden.
void sdl2_let_go();
