// SPDX-License-Identifier: MIT
// The desktop around the window, on X: a small connection of the program's
// own beside SDL's, through which it hears when the screen, its monitors or
// the window manager change, and keeps the window on its monitor where no
// window manager does. app.cpp opens it before SDL starts, hands it the
// window once the mode is set, and polls it once a pass. Where the show is
// not on X (no DISPLAY, another driver) every call does nothing.
#pragma once

// How long a display may take to complete a connection before it counts
// as not answering.
constexpr int DISPLAY_ANSWER_SECONDS = 10;

// Opens the connection to the display DISPLAY names. False only when that
// display took longer than DISPLAY_ANSWER_SECONDS to answer; a display that
// turns the connection away, or none at all, is left for SDL to report.
bool desktopopen();

// SDL_SetVideoMode waits, with no limit, until a window manager shows the
// new window. One that stalls with that request unread in its queue goes
// on only when it hears something else: while the mode is being set, a
// property of the root window is touched every NUDGE_MS, which wakes it.
// app.cpp calls desktopnudgestart right before SDL_SetVideoMode and
// desktopnudgestop right after.
constexpr int NUDGE_MS = 500;
void desktopnudgestart();
void desktopnudgestop();

// The X window SDL made for the show: fits it to its monitor unless a
// window manager looks after it, and follows it from then on.
void desktopwatch(unsigned long window);

// Once a pass, never blocking: reads what the display has said since and,
// when the screen, its monitors or the window manager changed, fits the
// window again unless a window manager looks after it.
void desktoppoll();

// True while the window is out of sight: unmapped, or said to be so by the
// window manager, iconic in WM_STATE or _NET_WM_STATE_HIDDEN. Some keep a
// window on a workspace not shown mapped, and say so only there, where SDL
// does not look; SDL 3 may say an unmapped window is shown.
bool desktophidden();

// Waits until the display says something or `ms` pass, then polls it as
// desktoppoll does. app.cpp sleeps in it while the show is unseen.
void desktopwait(int ms);
