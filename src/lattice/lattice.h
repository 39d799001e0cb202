// SPDX-License-Identifier: MIT
// Cell lattice: the 26^3 cell records, the growth automaton that advances
// them one step a frame, and the corner, colour and index arrays the renderer
// draws. initme and calcme (src/app/scene.cpp) run the stages below.
// citystep and vertexbuf are the plain definition of a frame; calcme runs
// them, or on processors with AVX2 the fused pass in lattice_avx2.cpp,
// which computes exactly the same.
#pragma once

#include <cstdint>

constexpr int CITY_SIDE = 26;
constexpr int CITY_CELLS = CITY_SIDE * CITY_SIDE * CITY_SIDE;
constexpr int CITY_CENTRE = CITY_SIDE / 2;  // lattice coordinate of the world origin
constexpr float CITY_PITCH = 100.0f;        // world units between cell centres

constexpr int CELL_CORNERS = 8;
constexpr int CELL_QUADS = 6;
constexpr int QUAD_CORNERS = 4;
constexpr int CELL_INDEXES = CELL_QUADS * QUAD_CORNERS;
constexpr int CITY_CORNERS = CITY_CELLS * CELL_CORNERS;
constexpr int CITY_INDEXES = CITY_CELLS * CELL_INDEXES;

// Values of city::state.
constexpr int32_t CELL_EMPTY = 0;      // may be seeded
constexpr int32_t CELL_GROWING = 1;    // red, gains GROW_STEP a step
constexpr int32_t CELL_SHRINKING = 2;  // black, loses SHRINK_STEP a step
constexpr int32_t CELL_DEAD = 3;       // left alone until the next reset

constexpr float GROW_STEP = 7.0f;
constexpr float SHRINK_STEP = 12.0f;
constexpr float FULL_SIZE = CITY_PITCH;  // growing past this turns a cube and spreads it
constexpr float DEAD_SIZE = 0.001f;      // the speck a dead cube leaves
constexpr int SEED_SIZE_STEPS = 1000;    // a seeded neighbour starts at 0.0 .. 99.9
constexpr float SEED_SIZE_SCALE = 10.0f;

struct Vertex3 {
    float x, y, z;
};

constexpr Vertex3 START_COLOUR = {0.1f, 0.7f, 0.7f};
constexpr Vertex3 GROWING_COLOUR = {0.7f, 0.1f, 0.1f};
constexpr Vertex3 SHRINKING_COLOUR = {0.0f, 0.0f, 0.0f};

struct city {
    float xpos, ypos, zpos;  // lower corner of the box
    float size;              // edge of the cube
    float wpos, hpos, dpos;  // box extents
    float r, g, b;
    int32_t state;
};

extern city cityz[CITY_CELLS];
extern Vertex3 city_verts[CITY_CORNERS];
extern Vertex3 city_colors[CITY_CORNERS];
extern uint32_t city_indexes[CITY_INDEXES];

inline int cityindex(int i, int j, int k) {
    return (i * CITY_SIDE + j) * CITY_SIDE + k;
}

// World coordinate of a cell centre along one axis.
inline float citycentre(int coordinate) {
    return static_cast<float>(coordinate - CITY_CENTRE) * CITY_PITCH;
}

// initme, after the rig set-up: every cell empty, in the start colour; and
// citystepmesh chosen for this processor.
void citysetup();

// One step of the automaton: every cell in index order acts on its state
// in place and takes its box from its size; then, if no cell was growing
// or shrinking, a new wave starts from one random cell.
void citystep();

// initme after citysetup, and the plain pass: every corner and colour
// from the cells' boxes and colours.
void vertexbuf();

// initme, once after the first vertexbuf: the six quads of every cell.
void indexfill();

// calcme, after the rig step: citystep then vertexbuf, or a pass with
// exactly their result, as citysetup chose.
extern void (*citystepmesh)();

// For the passes: seeds the six face neighbours of cell (i, j, k), in the
// order +i, -i, +j, -j, +k, -k; a boundary cell spreads nothing.
void cityspread(int i, int j, int k);

// For the passes: the lattice went quiet, so every cell may be seeded
// again, and one at random starts growing.
void citynewwave();

#if defined(__x86_64__) || defined(__i386__)
#define CITY_HAS_AVX2_PASS 1
// citystep then vertexbuf fused into one pass, for processors with AVX2
// only (lattice_avx2.cpp).
void citystepavx2();
#else
#define CITY_HAS_AVX2_PASS 0
#endif
