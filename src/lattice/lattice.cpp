// Cell lattice: growth automaton and mesh builder. Called only through
// initme and calcme; the renderer reads the arrays defined here.
#include "lattice/lattice.h"

#include <cstdlib>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define CITY_HAS_WIDE_PASS 1
#else
#define CITY_HAS_WIDE_PASS 0
#endif

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
// A cell's corners and colours are 96 bytes each: on 32-byte boundaries
// when the arrays start on one, which keeps wide stores within cache lines.
alignas(64) Vertex3 city_verts[CITY_CORNERS];
alignas(64) Vertex3 city_colors[CITY_CORNERS];
uint32_t city_indexes[CITY_INDEXES];
bool citywide = false;

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
#if CITY_HAS_WIDE_PASS
    citywide = __builtin_cpu_supports("avx2");
#endif
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

// The lattice went quiet: every cell may be seeded again, from one at random.
static void newwave() {
    for (city &c : cityz) {
        c.state = CELL_EMPTY;
    }
    cityz[rand() % CITY_CELLS].state = CELL_GROWING;
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
        newwave();
    }
}

#if CITY_HAS_WIDE_PASS
// What a visit does to a cell in each state, for the pass below, one row a
// state: the colour lanes it keeps and the colour it paints over the rest
// (laid out as the four floats from dpos: dpos r g b), the step added to
// its size, and when it turns: once its stepped size times `sense` passes
// `past` (growing: above full size; shrinking: below zero; idle: never).
// One multiply and one compare, so the pass never branches on the state
// itself.
struct alignas(64) StateRow {
    int32_t keep[4];
    float paint[4];
    float step;
    float sense;
    float past;
    int32_t active;
};
static_assert(CELL_EMPTY == 0 && CELL_GROWING == 1 && CELL_SHRINKING == 2 && CELL_DEAD == 3,
              "STATE_ROWS is indexed by state");
static constexpr int CELL_STATES = 4;
static constexpr StateRow IDLE_ROW = {
    {ALL, ALL, ALL, ALL}, {0.0f, 0.0f, 0.0f, 0.0f}, 0.0f, 0.0f, 0.0f, 0};
static constexpr StateRow STATE_ROWS[CELL_STATES] = {
    IDLE_ROW,
    {{0, 0, 0, 0},
     {0.0f, GROWING_COLOUR.x, GROWING_COLOUR.y, GROWING_COLOUR.z},
     GROW_STEP,
     1.0f,
     FULL_SIZE,
     1},
    {{0, 0, 0, 0},
     {0.0f, SHRINKING_COLOUR.x, SHRINKING_COLOUR.y, SHRINKING_COLOUR.z},
     -SHRINK_STEP,
     -1.0f,
     0.0f,
     1},
    IDLE_ROW,
};

// Lane orders for the pass's 32-byte stores, each one permutation of two
// 4-float halves.
struct WideLanes {
    __m256i corners[3];  // of the box: lower corner, then lower + size
    __m256i colours[3];  // of the record-to-be: lower corner and size, then dpos r g b
    __m256i record;
};

// The rare end of a visit, kept out of the pass's loop: a growing cube past
// full size starts shrinking in this same visit and spreads; a shrinking
// one past zero dies. Returns the size it ends the visit with. Either way
// it ends black.
__attribute__((noinline, cold)) static float turn(city &c, int i, int j, int k, float size) {
    if (c.state == CELL_GROWING) {
        c.state = CELL_SHRINKING;
        if (inner(i, j, k)) {
            spread(i, j, k);
        }
        return size - SHRINK_STEP;
    }
    c.state = CELL_DEAD;
    return DEAD_SIZE;
}

// One cell of the pass below, centred on `centres` (lanes 0-2 and 4-6).
__attribute__((target("avx2"), always_inline)) static inline void visitwide(
    city &c, float *verts, float *colours, __m256 centres, int i, int j, int k, int32_t &noone,
    const WideLanes &lanes) {
    const __m256 upperhalf = _mm256_castsi256_ps(_mm256_setr_epi32(0, 0, 0, 0, ALL, ALL, ALL, ALL));
    // states are 0..3; the mask keeps the table read in bounds regardless
    const StateRow &row = STATE_ROWS[c.state & (CELL_STATES - 1)];
    noone |= row.active;
    __m256 sizes = _mm256_add_ps(_mm256_broadcast_ss(&c.size), _mm256_broadcast_ss(&row.step));
    // dpos r g b: clear of the state and size a seeding may just have stored
    __m128 colour = _mm_or_ps(
        _mm_and_ps(_mm_loadu_ps(&c.dpos), _mm_load_ps(reinterpret_cast<const float *>(row.keep))),
        _mm_load_ps(row.paint));
    // times +1, -1 or 0: exact, so the compare is the plain one
    if (__builtin_expect(_mm256_cvtss_f32(sizes) * row.sense > row.past, 0)) {
        sizes = _mm256_set1_ps(turn(c, i, j, k, _mm256_cvtss_f32(sizes)));
        colour = _mm_load_ps(STATE_ROWS[CELL_SHRINKING].paint);
    }
    const __m256 lowers = _mm256_sub_ps(centres, _mm256_mul_ps(sizes, _mm256_set1_ps(0.5f)));
    const __m256 box = _mm256_add_ps(lowers, _mm256_and_ps(sizes, upperhalf));
    const __m256 record = _mm256_insertf128_ps(_mm256_blend_ps(lowers, sizes, 0x8), colour, 1);
    _mm256_storeu_ps(&c.xpos, _mm256_permutevar8x32_ps(record, lanes.record));
    _mm_storeh_pi(reinterpret_cast<__m64 *>(&c.g), colour);
    for (int q = 0; q < 3; q++) {
        _mm256_storeu_ps(verts + q * 8, _mm256_permutevar8x32_ps(box, lanes.corners[q]));
        _mm256_storeu_ps(colours + q * 8, _mm256_permutevar8x32_ps(record, lanes.colours[q]));
    }
}

// The same pass for processors with AVX2. Growing and shrinking cells are
// scattered through the lattice, so a branch on them would mispredict
// often: here every cell takes the same path, with its step and colour
// from STATE_ROWS (adding 0 leaves an idle size as it is: sizes are never
// -0), and only the rare turns branch, out of the loop. Each cell's mesh
// and the first 32 bytes of its record go out as 32-byte stores. Cells go
// two at a time, which halves the loop's own bookkeeping.
__attribute__((target("avx2"))) static void steppasswide() {
    static_assert(CITY_SIDE % 2 == 0, "rows are visited in pairs");
    constexpr int CELL_FLOATS = CELL_CORNERS * 3;
    const WideLanes lanes = {
        // x0 y0 z0 x1 y0 z0 x1 y1 | z0 x0 y1 z0 x0 y0 z1 x1 | y0 z1 x1 y1 z1 x0 y1 z1
        {_mm256_setr_epi32(0, 1, 2, 4, 1, 2, 4, 5), _mm256_setr_epi32(2, 0, 5, 2, 0, 1, 6, 4),
         _mm256_setr_epi32(1, 6, 4, 5, 6, 0, 5, 6)},
        // r g b r g b r g | b r g b r g b r | g b r g b r g b
        {_mm256_setr_epi32(5, 6, 7, 5, 6, 7, 5, 6), _mm256_setr_epi32(7, 5, 6, 7, 5, 6, 7, 5),
         _mm256_setr_epi32(6, 7, 5, 6, 7, 5, 6, 7)},
        // xpos ypos zpos size wpos hpos dpos r; g and b follow on their own
        _mm256_setr_epi32(0, 1, 2, 3, 3, 3, 3, 5),
    };
    const __m256 nextk = _mm256_setr_ps(0.0f, 0.0f, CITY_PITCH, 0.0f, 0.0f, 0.0f, CITY_PITCH, 0.0f);
    int32_t noone = 0;
    city *c = cityz;
    float *verts = &city_verts[0].x;
    float *colours = &city_colors[0].x;
    for (int i = 0; i < CITY_SIDE; i++) {
        for (int j = 0; j < CITY_SIDE; j++) {
            // the cell centre, stepped along k: whole numbers, so exactly centre(k)
            __m256 centres = _mm256_setr_ps(centre(i), centre(j), centre(0), 0.0f, centre(i),
                                            centre(j), centre(0), 0.0f);
            for (int k = 0; k < CITY_SIDE;
                 k += 2, c += 2, verts += 2 * CELL_FLOATS, colours += 2 * CELL_FLOATS) {
                visitwide(c[0], verts, colours, centres, i, j, k, noone, lanes);
                centres = _mm256_add_ps(centres, nextk);
                visitwide(c[1], verts + CELL_FLOATS, colours + CELL_FLOATS, centres, i, j, k + 1,
                          noone, lanes);
                centres = _mm256_add_ps(centres, nextk);
            }
        }
    }
    if (noone == 0) {
        newwave();
    }
}
#endif

void citystep() {
    steppass<false>();
}

void citystepmesh() {
#if CITY_HAS_WIDE_PASS
    if (citywide) {
        steppasswide();
        return;
    }
#endif
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
