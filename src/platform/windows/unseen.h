// SPDX-License-Identifier: MIT
// Who can see the show on Windows, beyond the minimise that SDL already
// tells: nobody while the session is locked or off its console, while the
// display is off, while the window is cloaked (on another virtual desktop)
// or while other windows cover it whole. windows.cpp starts the watch once
// the window exists, lets it look again each pass and while asleep, and
// asks unseen_now; the unit tests hand it messages as Windows would.
#pragma once

#include <windows.h>

// Starts watching the show's window: the session's and the display's
// notifications come to it from now on, other windows' moves are
// followed, and the session's state is read as it stands.
void unseen_watch(HWND window);

// Takes in what a message for the show's window says of the session or
// the display; any other message changes nothing.
void unseen_message(UINT message, WPARAM wparam, LPARAM lparam);

// Looks again at what cloaks or covers the window, where it is due: while
// seen, soon after news of other windows, and each second without news;
// while asleep, once a second.
void unseen_look(bool asleep);

// How long an asleep show may wait before the next look is due, in ms.
DWORD unseen_due_in();

// True while Windows says nobody can see the show.
bool unseen_now();

// True where visible, uncloaked, opaque windows above `window` in the
// z-order together cover its rectangle.
bool unseen_covered(HWND window);

// Stops watching, before the window goes, and forgets what it heard.
void unseen_close();
