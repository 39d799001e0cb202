// The scene alone, with no window, for 100,000 frames over several seeds,
// with the invariants checked after every frame.
#include <gtest/gtest.h>

#include "scene_fixture.h"

namespace {

TEST(Soak, HundredThousandFramesOverFourSeeds) {
    int waves = 0;
    for (unsigned seed : {11u, 22u, 33u, 44u}) {
        freshscene(seed);
        waves += runwaves(25000);
    }
    EXPECT_GE(waves, 40);
    printf("100000 frames, %d waves\n", waves);
}

}  // namespace
