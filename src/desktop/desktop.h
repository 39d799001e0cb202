// SPDX-License-Identifier: MIT
// The desktop around the show's window, which SDL 1.2 does not tell of:
// whether anybody can see the window, and on X the screen, its monitors
// and the window manager. app.cpp calls these; x11.cpp and wayland.cpp
// answer for the window system SDL took, and session.cpp, whatever it
// took, for the session's lock and screen saver on D-Bus. Where SDL took
// neither window system (no display, another driver, no handles to be
// had) every call but the session's does nothing.
#pragma once

struct _XDisplay;
struct wl_display;
struct wl_surface;
struct xdg_toplevel;

// The window SDL made: an X window on SDL's own connection, or a Wayland
// surface on its display, with its toplevel where SDL gives it.
struct DesktopWindow {
    _XDisplay *x11display;
    unsigned long x11window;
    wl_display *wldisplay;
    wl_surface *wlsurface;
    xdg_toplevel *wltoplevel;
};

// How long a display may take to complete a connection before it counts
// as not answering.
constexpr int DISPLAY_ANSWER_SECONDS = 10;

// Before SDL starts: asks the display SDL is to try first whether it
// answers, the X display DISPLAY names, whose connection is kept, or where
// `wayland` the Wayland display SDL would connect to. False only when that
// display took longer than DISPLAY_ANSWER_SECONDS to answer; a display that
// turns the connection away, or none at all, is left for SDL to report.
// It also connects to the system and session buses, and leaves out, for
// SDL too, one that does not answer within two seconds; and it keeps the
// Wayland client library's own complaints off standard error.
bool desktopopen(bool wayland);

// SDL_SetVideoMode waits, with no limit, until a window manager shows the
// new window. One that stalls with that request unread in its queue goes
// on only when it hears something else: while the mode is being set, a
// property of the X root window is touched every NUDGE_MS, which wakes it.
// app.cpp calls desktopnudgestart right before SDL_SetVideoMode and
// desktopnudgestop right after.
constexpr int NUDGE_MS = 500;
void desktopnudgestart();
void desktopnudgestop();

// Follows the window SDL made, from the mode set until desktopclose. On X
// it also fits the window to its monitor unless a window manager looks
// after it.
void desktopwatch(const DesktopWindow &window);

// Once a pass, right before the frame, never blocking: takes in what the
// desktop has said since. On X, when the screen, its monitors or the
// window manager changed, it fits the window again unless a window manager
// looks after it; on Wayland it asks to hear when the frame is shown.
void desktoppoll();

// True while the window is out of sight. Anywhere: logind says the
// session is locked (its LockedHint), or the session's screen saver
// service says it is active. On X: not viewable (unmapped, or
// inside a frame the window manager unmapped), covered whole by other
// windows, the server's screen saver on, or said to be so by the window
// manager there now, iconic in WM_STATE or _NET_WM_STATE_HIDDEN (some keep
// a window on a workspace not shown mapped, and say so only there, where
// SDL does not look; SDL 3 may say an unmapped window is shown). On
// Wayland: the compositor has held back the frame callback of the last
// frame for longer than one that shows the window would. Asked after each
// frame is swapped.
bool desktophidden();

// Asks the compositor once more for full screen on the window's output.
// SDL 2.26 tells sway, before the window is shown, that it may be no
// other size than the mode's; sway then floats it and, on a busy machine,
// keeps it full screen at that size, in the output's corner. Asked again
// once it has settled, sway fills the output. app.cpp calls it when SDL
// has said for a while that the window is full screen but smaller than
// its display. Nothing on X.
void desktopfullscreen();

// Waits until the desktop says something or `ms` pass, then takes it in.
// app.cpp sleeps in it while the show is unseen.
void desktopwait(int ms);

// True while the X server's screen saver is on. SDL lets the saver work
// again by resetting it, which would end it: app.cpp leaves the screen to
// it only once it is off.
bool desktopsaveron();

// Called once SDL has let the screen saver work again. Where no session
// bus took SDL 2's inhibit, SDL 2.26 leaves the X screen saver suspended
// on its connection, and suspends it once more each time it holds it
// again: this lets go of that suspension. Nothing where SDL did so itself.
void desktopsaverfree();

// Once the connection to the Wayland display SDL took is broken, the error
// that broke it; 0 while it holds, and on X, where Xlib ends the process.
int desktoplost();

// Lets go of everything the watch holds on SDL's connection; app.cpp calls
// it before SDL quits.
void desktopclose();
