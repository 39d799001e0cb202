// SPDX-License-Identifier: MIT
// The desktop around the window, on Windows. SDL tells of all the show
// needs to know there: a minimised window is not active, and SDL hands
// the screen saver and display sleep back (SetThreadExecutionState) when
// the show lets them go. What is left is the sleep of an unseen show,
// which wakes as soon as a message comes for its window.
#include <windows.h>

#include "desktop/desktop.h"

bool desktopopen(bool) {
    return true;
}

void desktopnudgestart() {}

void desktopnudgestop() {}

void desktopwatch(const DesktopWindow &) {}

void desktoppoll() {}

bool desktophidden() {
    return false;
}

void desktopfullscreen() {}

void desktopwait(int ms) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(ms), QS_ALLINPUT);
}

bool desktopsaveron() {
    return false;
}

void desktopsaverfree() {}

int desktoplost() {
    return 0;
}

void desktopclose() {}
