// SPDX-License-Identifier: MIT
// What the show's loop asks of the platform it runs on, and the one place
// that says so. The shell (src/app/app.cpp) calls these, in this order;
// each platform folder answers all of them, one picked by CMake: linux/
// (X11, Wayland, the session on D-Bus, POSIX), windows/, and web/ (a
// browser, which drives the passes itself).
//
//   platform_open                 before SDL starts
//   platform_retry                SDL's video failed to start; ask again?
//   platform_watch                once the window exists, the pointer hidden
//   each pass, after SDL's events:
//     platform_quitting           a quit request from outside SDL
//     platform_lost               the display lost under the show
//     platform_pass               keep the window filling its display,
//                                 take in what the desktop said
//   then, while platform_seen says nobody can see the show:
//     platform_wait               wait, and take in what the desktop says
//     platform_quitting, platform_lost, as above
//     platform_release            the screen saver let go, after a while
//     platform_hold               and taken back once seen
//   platform_close                before SDL quits
//
// A pass of a show that is seen draws; while it is unseen, no frame is
// drawn, and the shell sleeps in platform_wait. No call blocks but
// platform_wait, and platform_open for at most its deadlines.
#pragma once

// ---- the shell, as a platform's process entry calls it ----------------------
// Sets up video and the scene, then runs pass after pass until a quit
// request, sleeping between passes while the show is unseen, and ends the
// process.
extern "C" int SDL_main(int argc, char **argv);

// Or, where the platform drives the frames itself (the browser): start-up,
// which ends the process through Quit(1) when a stage fails; then one pass
// a frame, which drains the events, hears the platform, steps the scene
// and draws, and is false once a quit request has come.
void show_start();
bool show_pass();

// Shuts SDL down and ends the process with returnCode.
[[noreturn]] void Quit(int returnCode);

// ---- what each platform answers ----------------------------------------------

// Before SDL starts: hints for SDL, the platform's own connections, quit
// signals that end the process at once until platform_watch. False where
// the display SDL is to take did not answer in time, with the reason in
// SDL_GetError.
bool platform_open();

// SDL's video subsystem failed to start for the `tries`th time: true,
// after a pause, where asking again may help (a busy display turns a
// connection away for a moment).
bool platform_retry(int tries);

// The window exists and the pointer is hidden; the first pass is next.
// Follow the window from now on. From here a quit signal waits for the
// loop (platform_quitting).
void platform_watch();

// True once a quit request has come from outside SDL (SIGTERM).
bool platform_quitting();

// True once the display is lost under the show, with the line to say in
// SDL_GetError; the shell then ends it with status 1. Asked after SDL's
// events, which may hold a quit request the loss made.
bool platform_lost();

// Once a pass, right before the frame, never blocking: keeps the window
// filling its display, and takes in what the desktop has said since.
void platform_pass();

// True while somebody may see the show. Each platform says in its own
// folder what counts as unseen there.
bool platform_seen();

// While unseen: waits until the desktop says something or `ms` pass, takes
// it in, and keeps the window filling its display. False where SDL's
// events must be left unread for now.
bool platform_wait(int ms);

// Lets the screen saver and display sleep work, once the show has been
// unseen a while: false, and nothing done, where letting go now would end
// a saver that is on. platform_hold takes them back once the show is seen.
bool platform_release();
void platform_hold();

// Says a failure line (with its newline) where the user will see it.
void platform_report(const char *line);

// Before SDL quits: lets go of everything the platform holds.
void platform_close();
