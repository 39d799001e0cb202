// SPDX-License-Identifier: MIT
// Quit signals, through the C library alone.
#include "platform/signals.h"

#include <csignal>

static const int QUIT_SIGNALS[] = {SIGTERM, SIGINT};
static volatile sig_atomic_t deferred, heard;

static void on_signal(int number) {
    if (deferred) {
        heard = 1;
        return;
    }
    signal(number, SIG_DFL);
    raise(number);
}

void signals_catch() {
    for (const int number : QUIT_SIGNALS) {
        void (*const previous)(int) = signal(number, on_signal);
        if (previous != SIG_DFL) {
            signal(number, previous);
        }
    }
}

void signals_defer() {
    deferred = 1;
}

bool signals_heard() {
    return heard != 0;
}
