// SPDX-License-Identifier: MIT
// Camera rigs: three scripted cameras. initme sets them up and calcme
// advances the selected one a step a frame; the renderer reads its eye and
// look-at points, and the key handler changes the selection.
#pragma once

#include <cstdint>

constexpr int CAM_COUNT = 3;

struct mycam {
    float xcampos, ycampos, zcampos;              // where the eye leg ends
    float xcamoldpos, ycamoldpos, zcamoldpos;     // where the eye leg began
    float xcam, ycam, zcam;                       // eye point of this frame
    float xlookpos, ylookpos, zlookpos;           // where the look leg ends
    float xlookoldpos, ylookoldpos, zlookoldpos;  // where the look leg began
    float xlook, ylook, zlook;                    // look-at point of this frame
    int32_t camcounter, camtime;                  // steps taken in, and steps per, eye leg
    int32_t lookcounter, looktime;                // the same for the look leg
};

extern mycam mycamz[CAM_COUNT];
extern int whichcam;  // selected rig, 0 .. CAM_COUNT - 1

// initme, right after seeding: rig 0 selected, every rig at its start.
void camsetup();

// calcme, first: one step of the selected rig only.
void camstep();
