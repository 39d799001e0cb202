// The order in which initme and calcme run the stages.
#include "app/scene.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "scene_fixture.h"

namespace {

TEST(Scene, InitLeavesRigZeroSelectedAndTheLatticeEmpty) {
    whichcam = 2;
    freshscene(1);
    EXPECT_EQ(whichcam, 0);
    EXPECT_EQ(mycamz[0].camtime, 253);
    EXPECT_EQ(mycamz[2].looktime, 101);
    for (const city &c : cityz) {
        ASSERT_EQ(c.state, CELL_EMPTY);
    }
}

TEST(Scene, FirstFrameStartsAWaveAndShowsNothingYet) {
    freshscene(6);
    calcme();
    int growing = 0;
    for (int v = 0; v < CITY_CORNERS; v++) {
        const Vertex3 &p = city_verts[v];
        const city &c = cityz[v / CELL_CORNERS];
        // every box has collapsed onto its cell centre
        ASSERT_EQ(p.x, c.xpos);
        ASSERT_EQ(c.wpos, 0.0f);
    }
    for (const city &c : cityz) {
        growing += c.state == CELL_GROWING;
    }
    EXPECT_EQ(growing, 1);
}

TEST(Scene, TheRigDrawsBeforeTheLattice) {
    freshscene(8);
    whichcam = 1;
    mycamz[1].camcounter = mycamz[1].camtime;  // its next step starts a leg
    srand(8);
    const int rigdraw = rand();
    const int latticedraw = rand();
    srand(8);
    calcme();
    EXPECT_EQ(mycamz[1].zcampos, static_cast<float>(rigdraw % 10000) - 5000.0f);
    EXPECT_EQ(cityz[latticedraw % CITY_CELLS].state, CELL_GROWING);
    EXPECT_EQ(mycamz[0].camcounter, 0);
}

}  // namespace
