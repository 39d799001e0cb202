// The growth automaton and the mesh, stepped frame by frame with no window.
#include "lattice/lattice.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "scene_fixture.h"

namespace {

const int INNER = cityindex(5, 5, 5);

// Draws the next n values of rand() from seed, the way the automaton would.
std::vector<int> draws(unsigned seed, int n) {
    srand(seed);
    std::vector<int> out;
    for (int d = 0; d < n; d++) {
        out.push_back(rand());
    }
    srand(seed);
    return out;
}

void plant(int n, int32_t state, float size) {
    cityz[n].state = state;
    cityz[n].size = size;
}

bool isred(const city &c) {
    return c.r == 0.7f && c.g == 0.1f && c.b == 0.1f;
}
bool isblack(const city &c) {
    return c.r == 0.0f && c.g == 0.0f && c.b == 0.0f;
}

TEST(CubeLife, GrowsRedThenShrinksBlackThenDies) {
    freshscene(1);
    // a boundary cell never spreads, so its life is undisturbed
    plant(0, CELL_GROWING, 0.0f);
    for (int step = 1; step <= 14; step++) {
        citystep();
        EXPECT_EQ(cityz[0].size, 7.0f * step);
        EXPECT_EQ(cityz[0].state, CELL_GROWING);
        EXPECT_TRUE(isred(cityz[0]));
    }
    citystep();
    EXPECT_EQ(cityz[0].size, 93.0f);
    EXPECT_EQ(cityz[0].state, CELL_SHRINKING);
    EXPECT_TRUE(isblack(cityz[0]));
    for (float size : {81.0f, 69.0f, 57.0f, 45.0f, 33.0f, 21.0f, 9.0f}) {
        citystep();
        EXPECT_EQ(cityz[0].size, size);
        EXPECT_EQ(cityz[0].state, CELL_SHRINKING);
    }
    citystep();
    EXPECT_EQ(cityz[0].state, CELL_DEAD);
    EXPECT_EQ(cityz[0].size, DEAD_SIZE);
    EXPECT_EQ(cityz[0].wpos, DEAD_SIZE);
}

TEST(CubeLife, ThresholdsAreStrict) {
    freshscene(1);
    plant(0, CELL_GROWING, 93.0f);
    plant(1, CELL_SHRINKING, 12.0f);
    citystep();
    EXPECT_EQ(cityz[0].size, 100.0f);
    EXPECT_EQ(cityz[0].state, CELL_GROWING);
    EXPECT_EQ(cityz[1].size, 0.0f);
    EXPECT_EQ(cityz[1].state, CELL_SHRINKING);
}

TEST(CubeLife, BoxFollowsSizeAtTheCellsOwnVisit) {
    freshscene(1);
    const int n = cityindex(0, 13, 25);
    plant(n, CELL_GROWING, 20.0f);
    citystep();
    EXPECT_EQ(cityz[n].xpos, -1300.0f - 13.5f);
    EXPECT_EQ(cityz[n].ypos, -13.5f);
    EXPECT_EQ(cityz[n].zpos, 1200.0f - 13.5f);
    EXPECT_EQ(cityz[n].wpos, 27.0f);
    EXPECT_EQ(cityz[n].hpos, 27.0f);
    EXPECT_EQ(cityz[n].dpos, 27.0f);
    // an idle cell's box collapses onto its centre
    EXPECT_EQ(cityz[1].zpos, -1200.0f);
}

TEST(Spread, SeedsSixNeighboursInOrderAndInPlace) {
    freshscene(7);
    plant(INNER, CELL_GROWING, 94.0f);
    const std::vector<int> d = draws(7, 6);
    citystep();
    const int higher[] = {INNER + 676, INNER + 26, INNER + 1};  // +i, +j, +k
    const int lower[] = {INNER - 676, INNER - 26, INNER - 1};   // -i, -j, -k
    for (int axis = 0; axis < 3; axis++) {
        const city &up = cityz[higher[axis]];
        const city &down = cityz[lower[axis]];
        SCOPED_TRACE(axis);
        // visited later in this pass: grown once already, red, box updated
        EXPECT_EQ(up.state, CELL_GROWING);
        EXPECT_EQ(up.size, static_cast<float>(d[2 * axis] % 1000) / 10.0f + 7.0f);
        EXPECT_TRUE(isred(up));
        EXPECT_EQ(up.wpos, up.size);
        // visited earlier: seeded size only, old colour and box until next pass
        EXPECT_EQ(down.state, CELL_GROWING);
        EXPECT_EQ(down.size, static_cast<float>(d[2 * axis + 1] % 1000) / 10.0f);
        EXPECT_EQ(down.r, 0.1f);
        EXPECT_EQ(down.wpos, 0.0f);
    }
    const float seeded = cityz[INNER - 1].size;
    citystep();
    EXPECT_EQ(cityz[INNER - 1].size, seeded + 7.0f);
    EXPECT_TRUE(isred(cityz[INNER - 1]));
}

TEST(Spread, OccupiedNeighboursAreLeftAloneAndDrawNothing) {
    freshscene(3);
    plant(INNER, CELL_GROWING, 94.0f);
    const int neighbours[] = {676, -676, 26, -26, 1, -1};
    const int32_t states[] = {CELL_DEAD, CELL_DEAD,    CELL_SHRINKING,
                              CELL_DEAD, CELL_GROWING, CELL_DEAD};
    for (int s = 0; s < 6; s++) {
        plant(INNER + neighbours[s], states[s], 50.0f);
    }
    const int next = draws(3, 1)[0];
    citystep();
    EXPECT_EQ(rand(), next);
    EXPECT_EQ(cityz[INNER - 676].state, CELL_DEAD);
    EXPECT_EQ(cityz[INNER - 676].size, 50.0f);
}

TEST(Spread, BoundaryCellsNeverSpread) {
    for (int n :
         {cityindex(0, 5, 5), cityindex(25, 5, 5), cityindex(5, 0, 5), cityindex(5, 5, 25)}) {
        freshscene(5);
        plant(n, CELL_GROWING, 99.0f);
        citystep();
        EXPECT_EQ(cityz[n].state, CELL_SHRINKING);
        int growing = 0;
        for (const city &c : cityz) {
            growing += c.state == CELL_GROWING;
        }
        EXPECT_EQ(growing, 0) << "cell " << n;
    }
}

TEST(Reset, QuietLatticeStartsOneWaveKeepingSizesAndColours) {
    freshscene(11);
    for (int n = 0; n < CITY_CELLS; n += 3) {
        plant(n, CELL_DEAD, DEAD_SIZE);
        cityz[n].r = cityz[n].g = cityz[n].b = 0.0f;
    }
    const std::vector<int> d = draws(11, 2);
    const int chosen = d[0] % CITY_CELLS;
    const city before = cityz[chosen];
    citystep();
    EXPECT_EQ(rand(), d[1]);
    for (int n = 0; n < CITY_CELLS; n++) {
        ASSERT_EQ(cityz[n].state, n == chosen ? CELL_GROWING : CELL_EMPTY) << n;
    }
    EXPECT_EQ(cityz[chosen].size, before.size);
    EXPECT_EQ(cityz[chosen].r, before.r);
    EXPECT_EQ(cityz[3].size, DEAD_SIZE);
}

TEST(Mesh, AfterInitEveryCornerIsAtTheOriginInTheStartColour) {
    freshscene(1);
    for (int v = 0; v < CITY_CORNERS; v++) {
        ASSERT_EQ(city_verts[v].x, 0.0f);
        ASSERT_EQ(city_verts[v].y, 0.0f);
        ASSERT_EQ(city_verts[v].z, 0.0f);
        ASSERT_EQ(city_colors[v].x, 0.1f);
        ASSERT_EQ(city_colors[v].y, 0.7f);
        ASSERT_EQ(city_colors[v].z, 0.7f);
    }
    const uint32_t cell0[CELL_INDEXES] = {0, 1, 2, 3, 1, 5, 6, 2, 5, 6, 7, 4,
                                          0, 3, 7, 4, 0, 4, 5, 1, 3, 2, 6, 7};
    for (int q = 0; q < CELL_INDEXES; q++) {
        EXPECT_EQ(city_indexes[q], cell0[q]);
        EXPECT_EQ(city_indexes[CELL_INDEXES * 1000 + q], cell0[q] + 8000);
    }
    const uint32_t *last = &city_indexes[CITY_INDEXES - QUAD_CORNERS];
    EXPECT_EQ(last[0], 140603u);
    EXPECT_EQ(last[1], 140602u);
    EXPECT_EQ(last[2], 140606u);
    EXPECT_EQ(last[3], 140607u);
}

TEST(Mesh, CornersSpanTheBoxInTableOrder) {
    freshscene(1);
    city &c = cityz[42];
    c = {1.0f, 2.0f, 3.0f, 0.0f, 10.0f, 20.0f, 30.0f, 0.25f, 0.5f, 0.75f, CELL_GROWING};
    vertexbuf();
    const float want[CELL_CORNERS][3] = {{1, 2, 3},  {11, 2, 3},  {11, 22, 3},  {1, 22, 3},
                                         {1, 2, 33}, {11, 2, 33}, {11, 22, 33}, {1, 22, 33}};
    for (int v = 0; v < CELL_CORNERS; v++) {
        const Vertex3 &p = city_verts[42 * CELL_CORNERS + v];
        const Vertex3 &k = city_colors[42 * CELL_CORNERS + v];
        EXPECT_EQ(p.x, want[v][0]);
        EXPECT_EQ(p.y, want[v][1]);
        EXPECT_EQ(p.z, want[v][2]);
        EXPECT_TRUE(k.x == 0.25f && k.y == 0.5f && k.z == 0.75f) << v;
    }
}

// Many frames from the real scene entry point: the invariants hold after
// every one, and waves keep ending and starting.
TEST(LongRun, InvariantsHoldAndWavesNeverStop) {
    for (unsigned seed : {1u, 2u, 3u}) {
        freshscene(seed);
        EXPECT_GE(runwaves(6000), 3) << "seed " << seed;
    }
}

}  // namespace
