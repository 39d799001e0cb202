// The three rigs, stepped one frame at a time with no window.
#include "camera/camera.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "scene_fixture.h"

namespace {

// Steps rig `rig` until it has taken `step` steps of its own.
void stepto(int rig, int step) {
    whichcam = rig;
    while (step-- > 0) {
        camstep();
    }
}

void expecteye(const mycam &cam, float x, float y, float z) {
    EXPECT_EQ(cam.xcam, x);
    EXPECT_EQ(cam.ycam, y);
    EXPECT_EQ(cam.zcam, z);
}

void expectlook(const mycam &cam, float x, float y, float z) {
    EXPECT_EQ(cam.xlook, x);
    EXPECT_EQ(cam.ylook, y);
    EXPECT_EQ(cam.zlook, z);
}

TEST(Overview, DescendsThenSettlesOnItsVantagePoint) {
    freshscene(1);
    stepto(0, 1);
    expecteye(mycamz[0], 0.0f, 4000.0f + (1250.0f - 4000.0f) / 253.0f, 0.0f);
    expectlook(mycamz[0], 0.01f, 0.02f, 0.03f);
    stepto(0, 252);
    expecteye(mycamz[0], 0.0f, 1250.0f, 0.0f);
    EXPECT_EQ(mycamz[0].camcounter, 253);  // equal to its time: the leg goes on
    stepto(0, 1);
    expecteye(mycamz[0], 0.0f, 1250.0f, 0.0f);
    EXPECT_EQ(mycamz[0].camcounter, 0);
    stepto(0, 253);
    expecteye(mycamz[0], 1000.0f, 1000.0f, 1000.0f);
    stepto(0, 300);
    expecteye(mycamz[0], 1000.0f, 1000.0f, 1000.0f);
    expectlook(mycamz[0], 0.01f, 0.02f, 0.03f);
}

TEST(LongGlide, HoldsItsFirstLegThenGlidesToRandomTargets) {
    freshscene(9);
    stepto(1, 320);
    expecteye(mycamz[1], 586.0f, 7.0f, 0.0f);
    srand(9);
    const float target = static_cast<float>(rand() % 10000) - 5000.0f;
    srand(9);
    stepto(1, 1);
    expecteye(mycamz[1], 586.0f, 7.0f, 0.0f);
    EXPECT_EQ(mycamz[1].zcampos, target);
    stepto(1, 1);
    expecteye(mycamz[1], 586.0f, 7.0f, target / 320.0f);
    expectlook(mycamz[1], 0.0f, 0.0f, 0.0f);
    stepto(1, 319);
    EXPECT_EQ(mycamz[1].zcam, target);
}

TEST(CloseGlide, SwingsItsGazeOnceAndGlidesNearTheCentre) {
    freshscene(4);
    stepto(2, 101);
    expectlook(mycamz[2], 0.0f, 0.0f, 0.0f);
    stepto(2, 1);
    expectlook(mycamz[2], 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(mycamz[2].lookcounter, 0);
    stepto(2, 1);
    expectlook(mycamz[2], 587.0f / 101.0f, 4.0f / 101.0f, 0.0f);
    stepto(2, 100);
    expectlook(mycamz[2], 587.0f, 4.0f, 0.0f);
    expecteye(mycamz[2], 586.0f, 7.0f, mycamz[2].zcam);
    for (int step = 0; step < 2000; step++) {
        stepto(2, 1);
        ASSERT_GE(mycamz[2].zcam, -100.0f);
        ASSERT_LE(mycamz[2].zcam, 99.9f);
        ASSERT_NEAR(mycamz[2].xlook, 587.0f, 1e-3f);
    }
}

TEST(Selection, OnlyTheSelectedRigMovesAndEachResumesWhereItStopped) {
    freshscene(2);
    stepto(0, 100);
    const mycam rig0 = mycamz[0];
    stepto(1, 1);
    expecteye(mycamz[1], 586.0f, 7.0f, 0.0f);
    EXPECT_EQ(mycamz[1].camcounter, 1);
    stepto(1, 400);
    stepto(2, 50);
    EXPECT_EQ(memcmp(&mycamz[0], &rig0, sizeof rig0), 0);
    const mycam rig1 = mycamz[1];
    stepto(0, 10);
    EXPECT_EQ(memcmp(&mycamz[1], &rig1, sizeof rig1), 0);
    EXPECT_EQ(mycamz[0].camcounter, 110);
}

}  // namespace
