// Cell lattice: growth automaton and mesh builder. Called only through
// initme and calcme; the renderer reads the arrays defined here.
#include "lattice/lattice.h"

#include <cstdlib>
#include <cstring>

// Four floats (or their bits), for writing the mesh sixteen bytes at a time.
typedef float f4 __attribute__((vector_size(16)));
typedef int32_t i4 __attribute__((vector_size(16)));

static constexpr Vertex3 START_COLOUR = {0.1f, 0.7f, 0.7f};
static constexpr Vertex3 GROWING_COLOUR = {0.7f, 0.1f, 0.1f};
static constexpr Vertex3 SHRINKING_COLOUR = {0.0f, 0.0f, 0.0f};

// Corners of a box: which of the lower (0) or upper (1) bound on x, y, z.
static constexpr int CORNER_BOUNDS[CELL_CORNERS][3] = {
    {0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1},
};

// Quads of a box as corner numbers: z0, x1, z1, x0, y0, y1. Their turning
// sense differs from face to face, so drawing keeps culling off.
static constexpr uint32_t QUAD_CORNER_TABLE[CELL_QUADS][QUAD_CORNERS] = {
    {0, 1, 2, 3}, {1, 5, 6, 2}, {5, 6, 7, 4}, {0, 3, 7, 4}, {0, 4, 5, 1}, {3, 2, 6, 7},
};

// The 24 floats of a cell's corners, as six vectors, cycle through x y z:
// vector q holds components (q % 3, q % 3 + 1, ...) of its corners, each
// from the lower or, where UPPER_LANES[q] is set, the upper bound.
static constexpr int32_t ALL = -1;
static const i4 UPPER_LANES[6] = {
    {0, 0, 0, ALL},      // x0 y0 z0 | x1     corner 0, 1.x
    {0, 0, ALL, ALL},    // y0 z0 | x1 y1     corner 1.yz, 2.xy
    {0, 0, ALL, 0},      // z0 | x0 y1 z0     corner 2.z, 3
    {0, 0, ALL, ALL},    // x0 y0 z1 | x1     corner 4, 5.x
    {0, ALL, ALL, ALL},  // y0 z1 | x1 y1     corner 5.yz, 6.xy
    {ALL, 0, ALL, ALL},  // z1 | x0 y1 z1     corner 6.z, 7
};

city cityz[CITY_CELLS];
Vertex3 city_verts[CITY_CORNERS];
Vertex3 city_colors[CITY_CORNERS];
uint32_t city_indexes[CITY_INDEXES];

static bool inner(int i, int j, int k) {
    return i > 0 && i < CITY_SIDE - 1 && j > 0 && j < CITY_SIDE - 1 && k > 0 && k < CITY_SIDE - 1;
}

static void seed(city &c) {
    if (c.state != CELL_EMPTY) {
        return;
    }
    c.state = CELL_GROWING;
    c.size = static_cast<float>(rand() % SEED_SIZE_STEPS) / SEED_SIZE_SCALE;
}

// Face neighbours in the order they are seeded: +i, -i, +j, -j, +k, -k.
static void spread(int i, int j, int k) {
    seed(cityz[cityindex(i + 1, j, k)]);
    seed(cityz[cityindex(i - 1, j, k)]);
    seed(cityz[cityindex(i, j + 1, k)]);
    seed(cityz[cityindex(i, j - 1, k)]);
    seed(cityz[cityindex(i, j, k + 1)]);
    seed(cityz[cityindex(i, j, k - 1)]);
}

static void setcolour(city &c, Vertex3 colour) {
    c.r = colour.x;
    c.g = colour.y;
    c.b = colour.z;
}

static float centre(int coordinate) {
    return static_cast<float>(coordinate - CITY_CENTRE) * CITY_PITCH;
}

void citysetup() {
    for (city &c : cityz) {
        setcolour(c, START_COLOUR);
        c.state = CELL_EMPTY;
    }
}

static f4 load4(const float *from) {
    f4 v;
    memcpy(&v, from, sizeof v);
    return v;
}

static void store4(void *to, f4 v) {
    memcpy(to, &v, sizeof v);
}

// Writes cell n's mesh: the eight corners of the box from lower (lanes 0-2)
// to lower + size, in the order of the corner table, and the colour (lanes
// 0-2) into all eight colour entries. An upper bound is lower + size and a
// lower one lower + 0, which is lower itself for every lower the step
// computes (never -0).
static inline void writecell(int n, f4 lower, float size, f4 colour) {
    const f4 xyz[3] = {
        __builtin_shufflevector(lower, lower, 0, 1, 2, 0),
        __builtin_shufflevector(lower, lower, 1, 2, 0, 1),
        __builtin_shufflevector(lower, lower, 2, 0, 1, 2),
    };
    const f4 rgb[3] = {
        __builtin_shufflevector(colour, colour, 0, 1, 2, 0),
        __builtin_shufflevector(colour, colour, 1, 2, 0, 1),
        __builtin_shufflevector(colour, colour, 2, 0, 1, 2),
    };
    const i4 sizebits = (i4)(f4{size, size, size, size});
    unsigned char *verts = reinterpret_cast<unsigned char *>(&city_verts[n * CELL_CORNERS]);
    unsigned char *colours = reinterpret_cast<unsigned char *>(&city_colors[n * CELL_CORNERS]);
    for (int q = 0; q < 6; q++) {
        store4(verts + q * sizeof(f4), xyz[q % 3] + (f4)(sizebits & UPPER_LANES[q]));
        store4(colours + q * sizeof(f4), rgb[q % 3]);
    }
}

// Advances a growing or shrinking cell one step and returns its colour.
static f4 advance(city &c, int i, int j, int k) {
    if (c.state == CELL_GROWING) {
        c.size += GROW_STEP;
        setcolour(c, GROWING_COLOUR);
        if (c.size > FULL_SIZE) {
            c.state = CELL_SHRINKING;
            if (inner(i, j, k)) {
                spread(i, j, k);
            }
        }
    }
    // a cube that just passed full size starts shrinking in this same visit
    if (c.state == CELL_SHRINKING) {
        c.size -= SHRINK_STEP;
        setcolour(c, SHRINKING_COLOUR);
        if (c.size < 0.0f) {
            c.state = CELL_DEAD;
            c.size = DEAD_SIZE;
        }
    }
    return f4{c.r, c.g, c.b, 0.0f};
}

// One pass of the automaton. A cell's box and colour change only at its
// own visit (seeding touches state and size, the reset only state), so the
// pass that also writes the mesh writes each cell's corners and colours
// right after its visit, from registers: reading back what was just stored
// would stall. Most cells are idle, so the active ones take a branch of
// their own and the rest go straight to the box and the mesh.
template <bool WithMesh>
static void steppass() {
    int noone = 0;
    int stepper = 0;
    for (int i = 0; i < CITY_SIDE; i++) {
        for (int j = 0; j < CITY_SIDE; j++) {
            const f4 row = {centre(i), centre(j), 0.0f, 0.0f};
            for (int k = 0; k < CITY_SIDE; k++) {
                city &c = cityz[stepper];
                const bool active = c.state == CELL_GROWING || c.state == CELL_SHRINKING;
                f4 colour;
                if (active) {
                    noone = 1;
                    colour = advance(c, i, j, k);
                } else {
                    colour = load4(&c.r);
                }
                const float size = c.size;
                const f4 lower = row + f4{0.0f, 0.0f, centre(k), 0.0f} - size * 0.5f;
                // whole-vector stores: xpos ypos zpos size, then wpos hpos dpos r
                store4(&c.xpos, __builtin_shufflevector(lower, f4{size}, 0, 1, 2, 4));
                store4(&c.wpos, f4{size, size, size, colour[0]});
                if (WithMesh) {
                    writecell(stepper, lower, size, colour);
                }
                stepper++;
            }
        }
    }
    if (noone == 0) {
        for (city &c : cityz) {
            c.state = CELL_EMPTY;
        }
        cityz[rand() % CITY_CELLS].state = CELL_GROWING;
    }
}

void citystep() {
    steppass<false>();
}

void citystepmesh() {
    steppass<true>();
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
