// SPDX-License-Identifier: MIT
// glibc's rand: the additive feedback generator of random(3) with its
// default state of 31 words, seeded as srand seeds it on a 64-bit glibc.
#include "glibcrand.h"

#include <cstdint>

static constexpr int DEGREE = 31;
static constexpr int SEPARATION = 3;
static constexpr int DISCARDED = DEGREE * 10;
static constexpr int64_t MODULUS = 2147483647;  // the seeding's Park-Miller step

static struct {
    int32_t state[DEGREE];
    int front, rear;
} g = {{}, SEPARATION, 0};

int glibcrand() {
    const uint32_t value =
        static_cast<uint32_t>(g.state[g.front]) + static_cast<uint32_t>(g.state[g.rear]);
    g.state[g.front] = static_cast<int32_t>(value);
    g.front = (g.front + 1) % DEGREE;
    g.rear = (g.rear + 1) % DEGREE;
    return static_cast<int>(value >> 1);
}

void glibcsrand(unsigned seed) {
    if (seed == 0) {
        seed = 1;
    }
    int64_t word = seed;
    g.state[0] = static_cast<int32_t>(seed);
    for (int i = 1; i < DEGREE; i++) {
        const int64_t hi = word / 127773;
        const int64_t lo = word % 127773;
        word = 16807 * lo - 2836 * hi;
        if (word < 0) {
            word += MODULUS;
        }
        g.state[i] = static_cast<int32_t>(word);
    }
    g.front = SEPARATION;
    g.rear = 0;
    for (int i = 0; i < DISCARDED; i++) {
        glibcrand();
    }
}
