// SPDX-License-Identifier: MIT
// Puts the scene back to the state a fresh process has before its first
// frame: zero-filled storage, then initme, then a fixed seed instead of
// the clock.
#pragma once

#include <gtest/gtest.h>

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
