// The frame loop's scene step allocates nothing: every malloc in this
// process, and so every operator new, is counted while calcme runs for many
// frames.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdlib>

#include "scene_fixture.h"

namespace {
long allocations;
}

extern "C" void *malloc(size_t size) {
    static auto real = reinterpret_cast<void *(*)(size_t)>(dlsym(RTLD_NEXT, "malloc"));
    allocations++;
    return real(size);
}

namespace {

TEST(Allocation, ManyFramesOfTheSceneAllocateNothing) {
    freshscene(5);
    const long before = allocations;
    for (int frame = 0; frame < 2000; frame++) {
        whichcam = frame / 300 % CAM_COUNT;
        calcme();
    }
    EXPECT_EQ(allocations - before, 0);
}

TEST(Allocation, TheCounterSeesAllocations) {
    const long before = allocations;
    void *p = malloc(64);
    delete new int(3);
    free(p);
    EXPECT_GE(allocations - before, 2);
}

}  // namespace
