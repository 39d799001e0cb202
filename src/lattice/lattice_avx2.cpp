// SPDX-License-Identifier: MIT
// The lattice's frame for processors with AVX2: exactly citystep then
// vertexbuf (lattice.cpp), fused into one pass over the cells. It exists
// for speed alone: it reads each record once, writes each cell's mesh
// from registers with 32-byte stores, and never branches on a cell's state.
// citysetup picks it once, where the processor has AVX2.
#include "lattice/lattice.h"

#if CITY_HAS_AVX2_PASS
#include <immintrin.h>

#include <cstddef>
#include <type_traits>

static constexpr int32_t ALL = -1;

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

// The record's g and b, stored together as the upper half of the colour;
// the pass treats a record as its run of floats.
static_assert(std::is_standard_layout_v<city> && sizeof(city) == 11 * sizeof(float),
              "a record is a run of floats");
static constexpr size_t RECORD_GB = offsetof(city, g) / sizeof(float);

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
        cityspread(i, j, k);
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
    float *fields = reinterpret_cast<float *>(&c);
    _mm256_storeu_ps(fields, _mm256_permutevar8x32_ps(record, lanes.record));
    _mm_storeh_pi(reinterpret_cast<__m64 *>(fields + RECORD_GB), colour);
    for (int q = 0; q < 3; q++) {
        _mm256_storeu_ps(verts + q * 8, _mm256_permutevar8x32_ps(box, lanes.corners[q]));
        _mm256_storeu_ps(colours + q * 8, _mm256_permutevar8x32_ps(record, lanes.colours[q]));
    }
}

// Growing and shrinking cells are scattered through the lattice, so a
// branch on them would mispredict often: here every cell takes the same
// path, with its step and colour from STATE_ROWS (adding 0 leaves an idle
// size as it is: sizes are never -0), and only the rare turns branch, out
// of the loop. A box's corners are lower + 0 or lower + size, lane by
// lane, and lower + 0 is lower itself, as no lower bound is ever -0. Each
// cell's mesh and the first 32 bytes of its record go out as 32-byte
// stores. Cells go two at a time, which halves the loop's own bookkeeping.
__attribute__((target("avx2"))) void citystepavx2() {
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
    // as pointers into the whole arrays, which the wide stores run through
    float *verts = reinterpret_cast<float *>(city_verts);
    float *colours = reinterpret_cast<float *>(city_colors);
    for (int i = 0; i < CITY_SIDE; i++) {
        for (int j = 0; j < CITY_SIDE; j++) {
            // the cell centre, stepped along k: whole numbers, so exactly citycentre(k)
            __m256 centres = _mm256_setr_ps(citycentre(i), citycentre(j), citycentre(0), 0.0f,
                                            citycentre(i), citycentre(j), citycentre(0), 0.0f);
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
        citynewwave();
    }
}
#endif
