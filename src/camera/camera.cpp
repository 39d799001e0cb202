// SPDX-License-Identifier: MIT
// Camera rigs: straight legs interpolated by step count. Called only
// through initme and calcme.
#include "camera/camera.h"

#include <cstdlib>

#include "base/float32.h"

// Rig 0, the overview: drops from high above onto a fixed vantage point.
static constexpr int32_t OVERVIEW_TIME = 253;
static constexpr float OVERVIEW_START_Y = 4000.0f;
static constexpr float OVERVIEW_FIRST_Y = 1250.0f;
static constexpr float OVERVIEW_VANTAGE = 1000.0f;  // on all three axes
static constexpr float OVERVIEW_LOOK[3] = {0.01f, 0.02f, 0.03f};

// Rigs 1 and 2 glide along z on a line through the lattice.
static constexpr float GLIDE_X = 586.0f;
static constexpr float GLIDE_Y = 7.0f;

// Rig 1, the long glide: targets -5000 .. 4999, looking at the origin.
static constexpr int32_t LONG_TIME = 320;
static constexpr int LONG_TARGETS = 10000;
static constexpr float LONG_OFFSET = 5000.0f;

// Rig 2, the close glide: targets -100.0 .. 99.9, and a look leg that
// swings the gaze from the origin to a point beside the line.
static constexpr int32_t CLOSE_TIME = 120;
static constexpr int32_t CLOSE_LOOK_TIME = 101;
static constexpr int CLOSE_TARGETS = 2000;
static constexpr float CLOSE_OFFSET = 1000.0f;
static constexpr float CLOSE_SCALE = 10.0f;
static constexpr float CLOSE_LOOK[3] = {587.0f, 4.0f, 0.0f};

mycam mycamz[CAM_COUNT];
int whichcam;

// Counts a step of a leg; true when the counter has passed the leg's time
// and a new leg starts from counter 0.
static bool legover(int32_t &counter, int32_t time) {
    counter++;
    if (counter > time) {
        counter = 0;
        return true;
    }
    return false;
}

// Divide before multiplying, and round every step to a float: the path is
// part of the look of each rig, on every processor.
static float legpoint(float start, float target, int32_t counter, int32_t time) {
    const float span = float32(target - start);
    const float step = float32(span / static_cast<float>(time));
    return float32(start + float32(step * static_cast<float>(counter)));
}

static void overviewstep(mycam &cam) {
    if (legover(cam.camcounter, cam.camtime)) {
        cam.xcamoldpos = cam.xcampos;
        cam.ycamoldpos = cam.ycampos;
        cam.zcamoldpos = cam.zcampos;
        cam.xcampos = cam.ycampos = cam.zcampos = OVERVIEW_VANTAGE;
    }
    cam.xcam = legpoint(cam.xcamoldpos, cam.xcampos, cam.camcounter, cam.camtime);
    cam.ycam = legpoint(cam.ycamoldpos, cam.ycampos, cam.camcounter, cam.camtime);
    cam.zcam = legpoint(cam.zcamoldpos, cam.zcampos, cam.camcounter, cam.camtime);
    cam.xlook = OVERVIEW_LOOK[0];
    cam.ylook = OVERVIEW_LOOK[1];
    cam.zlook = OVERVIEW_LOOK[2];
}

static void longglidestep(mycam &cam) {
    if (legover(cam.camcounter, cam.camtime)) {
        cam.zcamoldpos = cam.zcampos;
        cam.zcampos = static_cast<float>(rand() % LONG_TARGETS) - LONG_OFFSET;
    }
    cam.xcam = GLIDE_X;
    cam.ycam = GLIDE_Y;
    cam.zcam = legpoint(cam.zcamoldpos, cam.zcampos, cam.camcounter, cam.camtime);
    cam.xlook = cam.ylook = cam.zlook = 0.0f;
}

static void closeglidestep(mycam &cam) {
    if (legover(cam.camcounter, cam.camtime)) {
        cam.zcamoldpos = cam.zcampos;
        cam.zcampos = (static_cast<float>(rand() % CLOSE_TARGETS) - CLOSE_OFFSET) / CLOSE_SCALE;
    }
    cam.xcam = GLIDE_X;
    cam.ycam = GLIDE_Y;
    cam.zcam = legpoint(cam.zcamoldpos, cam.zcampos, cam.camcounter, cam.camtime);
    if (legover(cam.lookcounter, cam.looktime)) {
        cam.xlookoldpos = cam.xlookpos;
        cam.ylookoldpos = cam.ylookpos;
        cam.zlookoldpos = cam.zlookpos;
        cam.xlookpos = CLOSE_LOOK[0];
        cam.ylookpos = CLOSE_LOOK[1];
        cam.zlookpos = CLOSE_LOOK[2];
    }
    cam.xlook = legpoint(cam.xlookoldpos, cam.xlookpos, cam.lookcounter, cam.looktime);
    cam.ylook = legpoint(cam.ylookoldpos, cam.ylookpos, cam.lookcounter, cam.looktime);
    cam.zlook = legpoint(cam.zlookoldpos, cam.zlookpos, cam.lookcounter, cam.looktime);
}

void camsetup() {
    mycamz[0].camtime = OVERVIEW_TIME;
    mycamz[1].camtime = LONG_TIME;
    mycamz[2].camtime = CLOSE_TIME;
    mycamz[2].looktime = CLOSE_LOOK_TIME;
    whichcam = 0;
    mycamz[0].ycampos = OVERVIEW_FIRST_Y;
    mycamz[0].ycamoldpos = OVERVIEW_START_Y;
}

void camstep() {
    mycam &cam = mycamz[whichcam];
    switch (whichcam) {
        case 0:
            overviewstep(cam);
            break;
        case 1:
            longglidestep(cam);
            break;
        default:
            closeglidestep(cam);
            break;
    }
}
