// SPDX-License-Identifier: MIT
// Quit signals, on the platforms that have them (Linux and Windows):
// SIGTERM and SIGINT ask a running show to end, as the close request does.
// Until it runs they end it at once: start-up may wait on a display that
// never answers, and SDL, which would otherwise take them over as it
// starts, turns them into events that nothing reads before the main loop.
// SDL leaves a signal that has a handler alone, and one that is ignored (a
// background job's SIGINT) stays ignored. The platforms' platform_open,
// platform_watch and platform_quitting call these.
#pragma once

// Before SDL starts: points each quit signal that has its default action
// here, so that it ends the process at once.
void signals_catch();

// From now on a quit signal asks the show to end.
void signals_defer();

// True once a quit signal has asked the show to end.
bool signals_heard();
