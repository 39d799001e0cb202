// Puts the scene back to the state a fresh process has before its first
// frame: zero-filled storage, then initme, then a fixed seed instead of
// the clock.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "app/scene.h"
#include "camera/camera.h"
#include "lattice/lattice.h"

inline void freshscene(unsigned seed) {
    memset(cityz, 0, sizeof cityz);
    memset(city_verts, 0, sizeof city_verts);
    memset(city_colors, 0, sizeof city_colors);
    memset(city_indexes, 0, sizeof city_indexes);
    memset(mycamz, 0, sizeof mycamz);
    whichcam = 0;
    initme();
    srand(seed);
}

// What must hold after every frame: valid states, finite values, no cube
// wider than the pitch. Returns the number of cubes growing or shrinking.
inline int checkinvariants() {
    int live = 0;
    for (const city &c : cityz) {
        EXPECT_GE(c.state, CELL_EMPTY);
        EXPECT_LE(c.state, CELL_DEAD);
        EXPECT_TRUE(std::isfinite(c.size) && std::isfinite(c.xpos));
        EXPECT_LE(c.size, FULL_SIZE);
        EXPECT_LE(c.wpos, FULL_SIZE);
        live += c.state == CELL_GROWING || c.state == CELL_SHRINKING;
    }
    return live;
}

// Runs frames from the real scene entry point, checking the invariants
// after each; returns how many waves started.
inline int runwaves(int frames) {
    int waves = 0;
    bool active = false;
    for (int frame = 0; frame < frames && !::testing::Test::HasFailure(); frame++) {
        whichcam = frame / 500 % CAM_COUNT;
        calcme();
        const int live = checkinvariants();
        waves += live > 0 && !active;
        active = live > 0;
    }
    return waves;
}
