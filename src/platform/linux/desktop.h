// SPDX-License-Identifier: MIT
// The desktop around the show on Linux, one file each: x11.cpp and
// wayland.cpp for the window system SDL took (at most one of them watches
// a window), session.cpp for the session around it on D-Bus. Only
// linux.cpp, which answers the loop's contract, calls them. Each does
// nothing until it watches a window, or a bus, of its own.
#pragma once

#include <poll.h>

#include <chrono>

struct _XDisplay;
struct wl_display;
struct wl_surface;
struct xdg_toplevel;

using Clock = std::chrono::steady_clock;

// How long a display may take to complete a connection before it counts
// as not answering.
constexpr int DISPLAY_ANSWER_SECONDS = 10;

// The sockets a wait polls: the buses' first, then the window system's.
constexpr int SESSION_FDS = 4;
constexpr int WINDOW_FDS = 2;

// An environment variable's value, or null where it is unset or empty.
const char *env_value(const char *name);

// poll, until `deadline` at the latest: 0 once it has passed.
int poll_until(pollfd *fds, nfds_t count, Clock::time_point deadline);

// ---- x11.cpp --------------------------------------------------------------
// Before SDL starts: connects to the X display DISPLAY names, and keeps the
// connection. False only when it took longer than DISPLAY_ANSWER_SECONDS;
// a display that turns the connection away, or none, is left for SDL.
bool x11_open();
// SDL_SetVideoMode waits, with no limit, until a window manager shows the
// new window. One that stalls with that request unread goes on only when
// it hears something else: from x11_nudge_start until x11_nudge_stop, a
// property of the root window is touched every NUDGE_MS, which wakes it.
constexpr int NUDGE_MS = 500;
void x11_nudge_start();
void x11_nudge_stop();
// Follows SDL's window on SDL's connection; fits it to its monitor unless a
// window manager looks after it.
void x11_watch(_XDisplay *sdl, unsigned long window);
// Takes in what the server said, without waiting: refits the window after
// a change, asks a window manager for full screen again.
void x11_poll();
bool x11_hidden();
bool x11_saver_on();
// Lets go of the suspension SDL 2.26 leaves on the X screen saver where no
// session bus took its inhibit.
void x11_saver_free();
// Waits on fds[0 .. buses - 1] too, with room for WINDOW_FDS more after
// them, and on SDL's connection unless the saver is on; false, at once,
// where it watches no window.
bool x11_wait(int ms, pollfd *fds, int buses);

// ---- wayland.cpp ----------------------------------------------------------
// Keeps libwayland-client's own complaints off standard error.
void wayland_hush();
// Before SDL starts: false only when the compositor SDL would take took
// longer than DISPLAY_ANSWER_SECONDS to answer.
bool wayland_open();
void wayland_watch(wl_display *display, wl_surface *surface, xdg_toplevel *toplevel);
// Asks the compositor once more for full screen on the window's output.
void wayland_refill();
// Takes in what came, without waiting, and asks to hear when the next
// frame is shown: called right before a frame.
void wayland_poll();
bool wayland_hidden();
bool wayland_wait(int ms, pollfd *fds, int buses);  // as x11_wait
// The error that broke SDL's connection; 0 while it holds.
int wayland_lost();
void wayland_close();

// ---- session.cpp ----------------------------------------------------------
// Before SDL starts: connects to the system and session buses, and leaves
// out, for SDL too, one that does not answer within two seconds.
void session_open();
int session_fds(pollfd *fds);  // at most SESSION_FDS
void session_heard(const pollfd *fds, int count);
void session_poll();
bool session_locked();
void session_close();
