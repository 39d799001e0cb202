// Cell lattice: the 26^3 cell records, the growth automaton that advances
// them one step a frame, and the corner, colour and index arrays the renderer
// draws. initme and calcme (src/app/scene.cpp) run the stages below.
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

// Whether citystepmesh takes its 32-byte-store pass: set by citysetup where
// the processor has AVX2. Tests clear it to check the portable pass.
extern bool citywide;

inline int cityindex(int i, int j, int k) {
    return (i * CITY_SIDE + j) * CITY_SIDE + k;
}

// initme, after the rig set-up: every cell empty, in the start colour.
void citysetup();

// calcme, after the rig step: one pass over every cell in index order,
// updating in place, then a new wave from one random cell if none was active.
void citystep();

// initme, after the cells: rewrite every corner and colour.
void vertexbuf();

// calcme: citystep and vertexbuf in one pass over the cells, with the same
// result as running one after the other.
void citystepmesh();

// initme, once after the first vertexbuf: the six quads of every cell.
void indexfill();
