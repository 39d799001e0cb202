// SPDX-License-Identifier: MIT
// Linked into the unit tests on Windows and in the browser alone: the C
// library's rand and srand are glibc's there, so that the digests recorded
// with glibc hold. The scene's draws on the system's own generator are
// checked by draws_tests.
#include <cstdlib>

#include "glibcrand.h"

extern "C" int rand() {
    return glibcrand();
}

extern "C" void srand(unsigned seed) {
    glibcsrand(seed);
}
