// SPDX-License-Identifier: MIT
// Scene entry points: the fixed order in which the lattice and the rigs are
// set up and stepped. SDL_main calls initme once before the first frame and
// calcme once per frame; tests call them directly, with no window.
#pragma once

// Seed the random generator from the clock, then set up the rigs, the cells
// and the mesh.
void initme();

// One frame of the scene: the selected rig, then the lattice, then the mesh.
// The rig draws its random numbers before the lattice does.
void calcme();
