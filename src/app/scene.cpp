// SPDX-License-Identifier: MIT
// Scene entry points. Pure simulation: no SDL, no GL.
#include "app/scene.h"

#include <cstdlib>
#include <ctime>

#include "camera/camera.h"
#include "lattice/lattice.h"

void initme() {
    srand(static_cast<unsigned>(time(nullptr)));
    camsetup();
    citysetup();
    vertexbuf();
    indexfill();
}

void calcme() {
    camstep();
    citystepmesh();
}
