// SPDX-License-Identifier: MIT
// What the shell needs of the operating system besides SDL: signals, the
// environment that SDL reads, the SDL 2 beneath sdl12-compat, and a place
// to say why start-up failed. app.cpp and sdl2.cpp call these; posix.cpp
// and windows.cpp answer, one of them, as CMake picks.
#pragma once

// Points each of these signals at `handler`, where it has its default
// action; one that is ignored or handled already is left so.
void oscatch(const int *signals, int count, void (*handler)(int));

// Sets an environment variable for SDL, over the one there only where
// `replace`.
void ossetenv(const char *name, const char *value, bool replace);

// A function of the SDL 2 already loaded, by name; null where there is no
// such SDL 2, or it lacks the function.
void *ossdl2(const char *name);

// Says a failure line (with its newline) where the user will see it:
// standard error, or where a program has none, as the system shows one.
void osreport(const char *line);
