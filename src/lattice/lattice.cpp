// SPDX-License-Identifier: MIT
// Cell lattice: the growth automaton and the mesh builder, written plainly.
// This is the definition of a frame, and the pass of processors without
// AVX2. Called only through initme and calcme; the renderer reads the
// arrays defined here.
#include "lattice/lattice.h"

#include <cstdlib>

// Corners of a box: which of the lower (0) or upper (1) bound on x, y, z.
static constexpr int CORNER_BOUNDS[CELL_CORNERS][3] = {
    {0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1},
};

// Quads of a box as corner numbers: z0, x1, z1, x0, y0, y1. Their turning
// sense differs from face to face, so drawing keeps culling off.
static constexpr uint32_t QUAD_CORNER_TABLE[CELL_QUADS][QUAD_CORNERS] = {
    {0, 1, 2, 3}, {1, 5, 6, 2}, {5, 6, 7, 4}, {0, 3, 7, 4}, {0, 4, 5, 1}, {3, 2, 6, 7},
};

city cityz[CITY_CELLS];
// A cell's corners and colours are 96 bytes each: on 32-byte boundaries
// when the arrays start on one, which keeps the fast pass's stores within
// cache lines.
alignas(64) Vertex3 city_verts[CITY_CORNERS];
alignas(64) Vertex3 city_colors[CITY_CORNERS];
uint32_t city_indexes[CITY_INDEXES];

static void stepplain() {
    citystep();
    vertexbuf();
}

void (*citystepmesh)() = stepplain;

static void setcolour(city &c, Vertex3 colour) {
    c.r = colour.x;
    c.g = colour.y;
    c.b = colour.z;
}

static void seed(city &c) {
    if (c.state != CELL_EMPTY) {
        return;
    }
    c.state = CELL_GROWING;
    c.size = static_cast<float>(rand() % SEED_SIZE_STEPS) / SEED_SIZE_SCALE;
}

void cityspread(int i, int j, int k) {
    const bool inner =
        i > 0 && i < CITY_SIDE - 1 && j > 0 && j < CITY_SIDE - 1 && k > 0 && k < CITY_SIDE - 1;
    if (!inner) {
        return;
    }
    seed(cityz[cityindex(i + 1, j, k)]);
    seed(cityz[cityindex(i - 1, j, k)]);
    seed(cityz[cityindex(i, j + 1, k)]);
    seed(cityz[cityindex(i, j - 1, k)]);
    seed(cityz[cityindex(i, j, k + 1)]);
    seed(cityz[cityindex(i, j, k - 1)]);
}

void citynewwave() {
    for (city &c : cityz) {
        c.state = CELL_EMPTY;
    }
    cityz[rand() % CITY_CELLS].state = CELL_GROWING;
}

void citysetup() {
#if CITY_HAS_AVX2_PASS
    citystepmesh = __builtin_cpu_supports("avx2") ? citystepavx2 : stepplain;
#endif
    for (city &c : cityz) {
        setcolour(c, START_COLOUR);
        c.state = CELL_EMPTY;
    }
}

static void grow(city &c, int i, int j, int k) {
    c.size += GROW_STEP;
    setcolour(c, GROWING_COLOUR);
    if (c.size > FULL_SIZE) {
        c.state = CELL_SHRINKING;
        cityspread(i, j, k);
    }
}

static void shrink(city &c) {
    c.size -= SHRINK_STEP;
    setcolour(c, SHRINKING_COLOUR);
    if (c.size < 0.0f) {
        c.state = CELL_DEAD;
        c.size = DEAD_SIZE;
    }
}

void citystep() {
    bool active = false;
    for (int i = 0; i < CITY_SIDE; i++) {
        for (int j = 0; j < CITY_SIDE; j++) {
            for (int k = 0; k < CITY_SIDE; k++) {
                city &c = cityz[cityindex(i, j, k)];
                if (c.state == CELL_GROWING) {
                    active = true;
                    grow(c, i, j, k);
                }
                // a cube that just passed full size starts shrinking in this same visit
                if (c.state == CELL_SHRINKING) {
                    active = true;
                    shrink(c);
                }
                c.xpos = citycentre(i) - c.size * 0.5f;
                c.ypos = citycentre(j) - c.size * 0.5f;
                c.zpos = citycentre(k) - c.size * 0.5f;
                c.wpos = c.hpos = c.dpos = c.size;
            }
        }
    }
    if (!active) {
        citynewwave();
    }
}

void vertexbuf() {
    for (int n = 0; n < CITY_CELLS; n++) {
        const city &c = cityz[n];
        const float lower[3] = {c.xpos, c.ypos, c.zpos};
        const float upper[3] = {c.xpos + c.wpos, c.ypos + c.hpos, c.zpos + c.dpos};
        Vertex3 *corner = &city_verts[n * CELL_CORNERS];
        Vertex3 *colour = &city_colors[n * CELL_CORNERS];
        for (int v = 0; v < CELL_CORNERS; v++) {
            const int *bound = CORNER_BOUNDS[v];
            corner[v] = {bound[0] ? upper[0] : lower[0], bound[1] ? upper[1] : lower[1],
                         bound[2] ? upper[2] : lower[2]};
            colour[v] = {c.r, c.g, c.b};
        }
    }
}

void indexfill() {
    for (int n = 0; n < CITY_CELLS; n++) {
        const uint32_t base = static_cast<uint32_t>(n) * CELL_CORNERS;
        uint32_t *index = &city_indexes[n * CELL_INDEXES];
        for (const auto &quad : QUAD_CORNER_TABLE) {
            for (uint32_t corner : quad) {
                *index++ = base + corner;
            }
        }
    }
}
