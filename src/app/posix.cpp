// SPDX-License-Identifier: MIT
// The shell's operating system, where it is POSIX: signals through
// sigaction, SDL 2 found among the libraries already loaded, failures on
// standard error.
#include <dlfcn.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "app/os.h"

static const char *const SDL2_LIBRARY = "libSDL2-2.0.so.0";

void oscatch(const int *signals, int count, void (*handler)(int)) {
    for (int i = 0; i < count; i++) {
        struct sigaction action = {};
        sigaction(signals[i], nullptr, &action);
        if (action.sa_handler == SIG_DFL) {
            action.sa_handler = handler;
            sigaction(signals[i], &action, nullptr);
        }
    }
}

void ossetenv(const char *name, const char *value, bool replace) {
    setenv(name, value, replace ? 1 : 0);
}

void *ossdl2(const char *name) {
    static void *const library = dlopen(SDL2_LIBRARY, RTLD_NOW | RTLD_NOLOAD);
    return library == nullptr ? nullptr : dlsym(library, name);
}

void osreport(const char *line) {
    fputs(line, stderr);
}
