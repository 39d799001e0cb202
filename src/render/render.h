// SPDX-License-Identifier: MIT
// Rendering: the fixed GL state and the drawing of one frame, by
// render.cpp, or in a browser render_webgl.cpp. The shell calls initGL
// once after the video mode is set and drawGLScene once per frame after
// calcme. Both return 1, and the caller does not test it.
#pragma once

constexpr int SCREEN_WIDTH = 1024;
constexpr int SCREEN_HEIGHT = 768;

// The projection, the same wherever it is drawn.
constexpr double FIELD_OF_VIEW = 105.0;  // vertical, degrees
constexpr float ASPECT = static_cast<float>(SCREEN_WIDTH) / static_cast<float>(SCREEN_HEIGHT);
constexpr float NEAR_PLANE = 0.1f;
constexpr double FAR_PLANE = 15000.0;

int initGL();

// Draws the whole lattice from the selected rig. On the desktop it then
// waits FRAME_DELAY_MS and swaps buffers, the main loop's only pacing; a
// browser paces its frames itself.
int drawGLScene();
