// SPDX-License-Identifier: MIT
// The scene's random draws on whatever rand the system has (Windows' own
// gives 15 bits, glibc's 31): each lands in its interval, and the draws
// reach both ends of it. On Linux, glibc's rand is also the sequence the
// Windows unit tests are fed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "camera/camera.h"
#include "lattice/lattice.h"
#include "scene_fixture.h"

namespace {

constexpr int DRAWS = 20000;

TEST(Draws, SeededCubesStartBetweenNothingAndAlmostFullSize) {
    freshscene(5);
    const int middle = CITY_SIDE / 2;
    float least = FULL_SIZE, most = 0.0f;
    for (int n = 0; n < DRAWS; n++) {
        for (city &c : cityz) {
            c.state = CELL_EMPTY;
        }
        cityspread(middle, middle, middle);
        const city &c = cityz[cityindex(middle + 1, middle, middle)];
        ASSERT_EQ(c.state, CELL_GROWING);
        ASSERT_TRUE(c.size >= 0.0f && c.size <= 99.9f) << c.size;
        least = std::min(least, c.size);
        most = std::max(most, c.size);
    }
    EXPECT_EQ(least, 0.0f);
    EXPECT_GE(most, 99.8f);
}

TEST(Draws, EachWaveStartsInOneCellOfTheLattice) {
    freshscene(6);
    int lowest = CITY_CELLS, highest = -1;
    for (int n = 0; n < DRAWS; n++) {
        citynewwave();
        int growing = 0, at = -1;
        for (int i = 0; i < CITY_CELLS; i++) {
            if (cityz[i].state == CELL_GROWING) {
                growing++;
                at = i;
            }
        }
        ASSERT_EQ(growing, 1);
        lowest = std::min(lowest, at);
        highest = std::max(highest, at);
        cityz[at].state = CELL_EMPTY;
    }
    EXPECT_LT(lowest, CITY_CELLS / 100);
    EXPECT_GT(highest, CITY_CELLS - CITY_CELLS / 100);
}

// Rig 1 glides to targets from -5000 to 4999, rig 2 from -100.0 to 99.9.
TEST(Draws, GlideTargetsStayOnTheirStretchOfTheLine) {
    const struct {
        int rig;
        float low, high;
    } rigs[] = {{1, -5000.0f, 4999.0f}, {2, -100.0f, 99.9f}};
    for (const auto &r : rigs) {
        freshscene(7);
        whichcam = r.rig;
        float least = r.high, most = r.low;
        for (int n = 0; n < DRAWS; n++) {
            mycamz[r.rig].camcounter = mycamz[r.rig].camtime;  // the next step starts a leg
            camstep();
            const float target = mycamz[r.rig].zcampos;
            ASSERT_TRUE(target >= r.low && target <= r.high) << "rig " << r.rig << ": " << target;
            least = std::min(least, target);
            most = std::max(most, target);
        }
        EXPECT_LT(least, r.low + (r.high - r.low) / 100) << "rig " << r.rig;
        EXPECT_GT(most, r.high - (r.high - r.low) / 100) << "rig " << r.rig;
    }
}

}  // namespace
