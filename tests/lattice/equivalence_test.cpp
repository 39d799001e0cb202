// The per-frame scene step is written for speed. This steps the same state
// with a plain, obviously correct version of each stage, frame by frame,
// and demands every stored value of every cell, corner, colour and rig to
// be equal to the bit.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "scene_fixture.h"

namespace {

city refcity[CITY_CELLS];
Vertex3 refverts[CITY_CORNERS];
Vertex3 refcolors[CITY_CORNERS];
mycam refcams[CAM_COUNT];

float leg(float start, float target, int32_t counter, int32_t time) {
    return start + (target - start) / static_cast<float>(time) * static_cast<float>(counter);
}

bool newleg(int32_t &counter, int32_t time) {
    if (++counter > time) {
        counter = 0;
        return true;
    }
    return false;
}

void plainrig(int rig) {
    mycam &m = refcams[rig];
    if (rig == 0) {
        if (newleg(m.camcounter, m.camtime)) {
            m.xcamoldpos = m.xcampos, m.ycamoldpos = m.ycampos, m.zcamoldpos = m.zcampos;
            m.xcampos = m.ycampos = m.zcampos = 1000.0f;
        }
        m.xcam = leg(m.xcamoldpos, m.xcampos, m.camcounter, m.camtime);
        m.ycam = leg(m.ycamoldpos, m.ycampos, m.camcounter, m.camtime);
        m.zcam = leg(m.zcamoldpos, m.zcampos, m.camcounter, m.camtime);
        m.xlook = 0.01f, m.ylook = 0.02f, m.zlook = 0.03f;
        return;
    }
    if (newleg(m.camcounter, m.camtime)) {
        m.zcamoldpos = m.zcampos;
        m.zcampos = rig == 1 ? static_cast<float>(rand() % 10000) - 5000.0f
                             : (static_cast<float>(rand() % 2000) - 1000.0f) / 10.0f;
    }
    m.xcam = 586.0f, m.ycam = 7.0f;
    m.zcam = leg(m.zcamoldpos, m.zcampos, m.camcounter, m.camtime);
    if (rig == 1) {
        m.xlook = m.ylook = m.zlook = 0.0f;
        return;
    }
    if (newleg(m.lookcounter, m.looktime)) {
        m.xlookoldpos = m.xlookpos, m.ylookoldpos = m.ylookpos, m.zlookoldpos = m.zlookpos;
        m.xlookpos = 587.0f, m.ylookpos = 4.0f, m.zlookpos = 0.0f;
    }
    m.xlook = leg(m.xlookoldpos, m.xlookpos, m.lookcounter, m.looktime);
    m.ylook = leg(m.ylookoldpos, m.ylookpos, m.lookcounter, m.looktime);
    m.zlook = leg(m.zlookoldpos, m.zlookpos, m.lookcounter, m.looktime);
}

void plainseed(int i, int j, int k) {
    city &n = refcity[cityindex(i, j, k)];
    if (n.state == CELL_EMPTY) {
        n.state = CELL_GROWING;
        n.size = static_cast<float>(rand() % 1000) / 10.0f;
    }
}

void plainlattice() {
    int noone = 0;
    for (int i = 0; i < CITY_SIDE; i++) {
        for (int j = 0; j < CITY_SIDE; j++) {
            for (int k = 0; k < CITY_SIDE; k++) {
                city &c = refcity[cityindex(i, j, k)];
                if (c.state == CELL_GROWING) {
                    noone = 1;
                    c.size += 7.0f;
                    c.r = 0.7f, c.g = 0.1f, c.b = 0.1f;
                    if (c.size > 100.0f) {
                        c.state = CELL_SHRINKING;
                        if (i >= 1 && i <= 24 && j >= 1 && j <= 24 && k >= 1 && k <= 24) {
                            plainseed(i + 1, j, k), plainseed(i - 1, j, k);
                            plainseed(i, j + 1, k), plainseed(i, j - 1, k);
                            plainseed(i, j, k + 1), plainseed(i, j, k - 1);
                        }
                    }
                }
                if (c.state == CELL_SHRINKING) {
                    noone = 1;
                    c.size -= 12.0f;
                    c.r = c.g = c.b = 0.0f;
                    if (c.size < 0.0f) {
                        c.state = CELL_DEAD;
                        c.size = 0.001f;
                    }
                }
                c.xpos = (i - 13) * 100.0f - c.size * 0.5f;
                c.ypos = (j - 13) * 100.0f - c.size * 0.5f;
                c.zpos = (k - 13) * 100.0f - c.size * 0.5f;
                c.wpos = c.hpos = c.dpos = c.size;
            }
        }
    }
    if (!noone) {
        for (city &c : refcity) {
            c.state = CELL_EMPTY;
        }
        refcity[rand() % CITY_CELLS].state = CELL_GROWING;
    }
}

void plainmesh() {
    for (int n = 0; n < CITY_CELLS; n++) {
        const city &c = refcity[n];
        const float x[2] = {c.xpos, c.xpos + c.wpos}, y[2] = {c.ypos, c.ypos + c.hpos},
                    z[2] = {c.zpos, c.zpos + c.dpos};
        const int corners[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                                   {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
        for (int v = 0; v < 8; v++) {
            refverts[8 * n + v] = {x[corners[v][0]], y[corners[v][1]], z[corners[v][2]]};
            refcolors[8 * n + v] = {c.r, c.g, c.b};
        }
    }
}

// Runs calcme and the plain stages side by side on three seeds, with the
// wide pass or the portable one.
void matchplain(bool wide) {
    for (unsigned seed : {1u, 77u, 2024u}) {
        freshscene(seed);
        citywide = wide;
        memcpy(refcity, cityz, sizeof refcity);
        memcpy(refcams, mycamz, sizeof refcams);
        for (int frame = 0; frame < 3000; frame++) {
            whichcam = frame / 400 % CAM_COUNT;  // every rig takes turns
            srand(seed + frame);
            calcme();
            srand(seed + frame);
            plainrig(whichcam);
            plainlattice();
            plainmesh();
            ASSERT_EQ(memcmp(cityz, refcity, sizeof refcity), 0) << "frame " << frame;
            ASSERT_EQ(memcmp(city_verts, refverts, sizeof refverts), 0) << "frame " << frame;
            ASSERT_EQ(memcmp(city_colors, refcolors, sizeof refcolors), 0) << "frame " << frame;
            ASSERT_EQ(memcmp(mycamz, refcams, sizeof refcams), 0) << "frame " << frame;
        }
    }
}

TEST(Equivalence, WidePassMatchesThePlainOneBitForBit) {
    freshscene(0);
    if (!citywide) {
        GTEST_SKIP() << "this processor has no AVX2";
    }
    matchplain(true);
}

TEST(Equivalence, PortablePassMatchesThePlainOneBitForBit) {
    matchplain(false);
}

}  // namespace
