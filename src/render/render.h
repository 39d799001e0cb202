// SPDX-License-Identifier: MIT
// Rendering: the fixed GL state and the drawing of one frame. SDL_main calls
// initGL once after the video mode is set and drawGLScene once per frame
// after calcme. Both return 1, and the caller does not test it.
#pragma once

constexpr int SCREEN_WIDTH = 1024;
constexpr int SCREEN_HEIGHT = 768;

int initGL();

// Draws the whole lattice from the selected rig, then waits FRAME_DELAY_MS
// and swaps buffers: this is the main loop's only pacing.
int drawGLScene();
