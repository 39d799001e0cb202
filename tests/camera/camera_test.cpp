// SPDX-License-Identifier: MIT
// The three rigs, stepped one frame at a time with no window. Where an
// expected point takes more than one operation, each is rounded to a float
// as the rig's own path is.
#include "camera/camera.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "base/float32.h"
#include "scene_fixture.h"

namespace {

// Steps rig `rig` until it has taken `steps` more steps of its own, then
// expects its eye and look-at points.
void stepexpect(int rig, int steps, float ex, float ey, float ez, float lx, float ly, float lz) {
    whichcam = rig;
    while (steps-- > 0) {
        camstep();
    }
    const mycam &m = mycamz[rig];
    EXPECT_TRUE(m.xcam == ex && m.ycam == ey && m.zcam == ez)
        << "eye " << m.xcam << " " << m.ycam << " " << m.zcam;
    EXPECT_TRUE(m.xlook == lx && m.ylook == ly && m.zlook == lz)
        << "look " << m.xlook << " " << m.ylook << " " << m.zlook;
}

TEST(Overview, DescendsThenSettlesOnItsVantagePoint) {
    freshscene(1);
    stepexpect(0, 1, 0.0f, float32(4000.0f + float32(-2750.0f / 253.0f)), 0.0f, 0.01f, 0.02f,
               0.03f);
    stepexpect(0, 252, 0.0f, 1250.0f, 0.0f, 0.01f, 0.02f, 0.03f);
    stepexpect(0, 1, 0.0f, 1250.0f, 0.0f, 0.01f, 0.02f, 0.03f);  // a new leg starts at 254
    stepexpect(0, 1, 1000.0f / 253.0f, float32(1250.0f + float32(-250.0f / 253.0f)),
               1000.0f / 253.0f, 0.01f, 0.02f, 0.03f);
    stepexpect(0, 252, 1000.0f, 1000.0f, 1000.0f, 0.01f, 0.02f, 0.03f);
    stepexpect(0, 300, 1000.0f, 1000.0f, 1000.0f, 0.01f, 0.02f, 0.03f);
}

TEST(LongGlide, HoldsItsFirstLegThenGlidesToItsTarget) {
    freshscene(9);
    stepexpect(1, 321, 586.0f, 7.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    const float target = mycamz[1].zcampos;
    stepexpect(1, 1, 586.0f, 7.0f, target / 320.0f, 0.0f, 0.0f, 0.0f);
    stepexpect(1, 319, 586.0f, 7.0f, target, 0.0f, 0.0f, 0.0f);
}

TEST(CloseGlide, SwingsItsGazeOnceAndGlidesToNearTargets) {
    freshscene(4);
    const float target = static_cast<float>(rand() % 2000 - 1000) / 10.0f;
    srand(4);
    stepexpect(2, 102, 586.0f, 7.0f, 0.0f, 0.0f, 0.0f, 0.0f);  // a new look leg starts at 102
    stepexpect(2, 1, 586.0f, 7.0f, 0.0f, 587.0f / 101.0f, 4.0f / 101.0f, 0.0f);
    stepexpect(2, 18, 586.0f, 7.0f, 0.0f, float32(float32(587.0f / 101.0f) * 19.0f),
               float32(float32(4.0f / 101.0f) * 19.0f), 0.0f);
    EXPECT_EQ(mycamz[2].zcampos, target);
    stepexpect(2, 82, 586.0f, 7.0f, float32(float32(target / 120.0f) * 82.0f), 587.0f, 4.0f, 0.0f);
    const float nearest = -100.0f, farthest = 99.9f;  // as floats, even where x87 compares
    for (int step = 0; step < 1000; step++) {         // the gaze swings once; targets stay near
        camstep();
        const mycam &m = mycamz[2];
        ASSERT_TRUE(m.xlook == 587.0f && m.ylook == 4.0f && m.zlook == 0.0f && m.zcam >= nearest &&
                    m.zcam <= farthest)
            << step;
    }
}

// Rigs take turns for many steps: the others stand still, and each goes on
// from the step where it stopped.
TEST(Selection, OnlyTheSelectedRigMovesAndEachResumesWhereItStopped) {
    freshscene(2);
    int steps[CAM_COUNT] = {};
    mycam before[CAM_COUNT];
    for (int rig : {0, 1, 2, 0, 2, 1}) {
        memcpy(before, mycamz, sizeof before);
        whichcam = rig;
        for (int n = 0; n < 150; n++, steps[rig]++) {
            camstep();
        }
        before[rig] = mycamz[rig];
        EXPECT_EQ(memcmp(before, mycamz, sizeof before), 0) << rig;
        EXPECT_EQ(mycamz[rig].camcounter, steps[rig] % (mycamz[rig].camtime + 1)) << rig;
    }
}

}  // namespace
