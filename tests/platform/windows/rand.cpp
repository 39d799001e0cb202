// SPDX-License-Identifier: MIT
// Linked into the Windows unit tests alone: the C library's rand and srand
// are glibc's there, so that the digests recorded with glibc hold. The
// scene's draws on Windows' own generator are checked by draws_tests.
#include <cstdlib>

#include "glibcrand.h"

extern "C" int rand() {
    return glibcrand();
}

extern "C" void srand(unsigned seed) {
    glibcsrand(seed);
}
