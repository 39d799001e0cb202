// SPDX-License-Identifier: MIT
// The glibc generator the Windows unit tests are fed is glibc's rand, draw
// for draw, for the digests' seeds and others.
#include "glibcrand.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(GlibcRand, GivesTheSequenceOfThisSystemsRand) {
    for (unsigned seed : {0u, 1u, 8u, 11u, 33u, 12345u, 2147483647u}) {
        srand(seed);
        glibcsrand(seed);
        for (int n = 0; n < 5000; n++) {
            ASSERT_EQ(glibcrand(), rand()) << "seed " << seed << ", draw " << n;
        }
    }
}

}  // namespace
