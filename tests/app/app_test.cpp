// SPDX-License-Identifier: MIT
// The application, with no window: the order in which initme and calcme
// run the scene's stages, the whole scene after thousands of frames on
// every processor, and what each event does.
#include "app/app.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "scene_fixture.h"

namespace {

// initme selects rig 0 and empties the lattice; the first calcme steps the
// rig, which draws its random numbers first, then starts one wave that
// shows nothing yet.
TEST(Scene, InitThenTheFirstFrame) {
    freshscene(8);
    whichcam = 2;
    cityz[5].state = CELL_DEAD;
    initme();
    EXPECT_EQ(whichcam, 0);
    EXPECT_EQ(cityz[5].state, CELL_EMPTY);
    whichcam = 1;
    mycamz[1].camcounter = mycamz[1].camtime;  // its next step starts a leg
    srand(8);
    const int rigdraw = rand(), latticedraw = rand();
    srand(8);
    calcme();
    EXPECT_EQ(mycamz[1].zcampos, static_cast<float>(rigdraw % 10000) - 5000.0f);
    EXPECT_EQ(mycamz[0].camcounter, 0);
    int growing = 0;
    for (int v = 0; v < CITY_CORNERS; v++) {
        const city &c = cityz[v / CELL_CORNERS];
        // every box has collapsed onto its cell centre
        ASSERT_TRUE(city_verts[v].x == c.xpos && city_verts[v].z == c.zpos && c.wpos == 0.0f) << v;
        growing += v % CELL_CORNERS == 0 && c.state == CELL_GROWING;
    }
    EXPECT_EQ(growing, 1);
    EXPECT_EQ(cityz[latticedraw % CITY_CELLS].state, CELL_GROWING);
}

// FNV-1a over 32-bit words. Each word is taken as a value, never as bytes,
// so byte order does not change the digest.
struct Digest {
    uint64_t sum = 0xcbf29ce484222325u;

    void feed(const void *words, size_t bytes) {
        const auto *p = static_cast<const unsigned char *>(words);
        for (size_t at = 0; at < bytes; at += sizeof(uint32_t)) {
            uint32_t word;
            memcpy(&word, p + at, sizeof word);
            sum = (sum ^ word) * 0x100000001b3u;
        }
    }
};
static_assert(sizeof(city) % sizeof(uint32_t) == 0 && sizeof(mycam) % sizeof(uint32_t) == 0 &&
                  sizeof(Vertex3) % sizeof(uint32_t) == 0,
              "every field is one 32-bit word");

// The real frame step from fixed seeds, every rig in turn: the rigs after
// every frame, the cells after every tenth, the mesh after every hundredth,
// all in one digest a seed. A processor or compiler that rounds any step
// of the scene otherwise (x87's 80 bits, a fused multiply-add) fails here,
// and so fails the package build on its architecture.
// The digests were recorded on x86-64 from the plain stages (the AVX2 pass
// gives the same, see Equivalence). To record them again, run
//   build/test/tests/unit_tests --gtest_filter=Digest.*
// on x86-64 and take the values the failures print.
TEST(Digest, ThousandsOfFramesGiveTheSameSceneOnEveryProcessor) {
    const struct {
        unsigned seed;
        uint64_t digest;
    } rows[] = {{11, 7151464138435799180u}, {33, 14435262628663606302u}};
    for (const auto &row : rows) {
        freshscene(row.seed);
        Digest d;
        for (int frame = 1; frame <= 3000; frame++) {
            whichcam = frame / 400 % CAM_COUNT;
            calcme();
            d.feed(mycamz, sizeof mycamz);
            if (frame % 10 == 0) {
                d.feed(cityz, sizeof cityz);
            }
            if (frame % 100 == 0) {
                d.feed(city_verts, sizeof city_verts);
                d.feed(city_colors, sizeof city_colors);
            }
        }
        EXPECT_EQ(d.sum, row.digest) << "seed " << row.seed;
    }
}

// Events in turn, each with the rig selected after it (-1: unchanged) and
// whether it asks to end the program.
TEST(Events, KeysSelectRigsOrQuitAndEverythingElseDoesNothing) {
    const struct {
        decltype(SDL_Event::type) type;  // 8 bits in SDL 1.2, 32 in the browser's
        SDLKey sym;
        int rig, quits;
    } rows[] = {{SDL_KEYDOWN, SDLK_2, 1, 0},          {SDL_KEYDOWN, SDLK_3, 2, 0},
                {SDL_KEYDOWN, SDLK_3, 2, 0},          {SDL_KEYDOWN, SDLK_1, 0, 0},
                {SDL_KEYDOWN, SDLK_2, 1, 0},          {SDL_KEYDOWN, SDLK_ESCAPE, -1, 1},
                {SDL_QUIT, SDLK_UNKNOWN, -1, 1},      {SDL_KEYUP, SDLK_ESCAPE, -1, 0},
                {SDL_KEYUP, SDLK_3, -1, 0},           {SDL_MOUSEMOTION, SDLK_ESCAPE, -1, 0},
                {SDL_MOUSEBUTTONDOWN, SDLK_1, -1, 0}, {SDL_ACTIVEEVENT, SDLK_3, -1, 0},
                {SDL_VIDEOEXPOSE, SDLK_2, -1, 0},     {SDL_VIDEORESIZE, SDLK_UNKNOWN, -1, 0},
                {SDL_USEREVENT, SDLK_ESCAPE, -1, 0},  {SDL_KEYDOWN, SDLK_0, -1, 0},
                {SDL_KEYDOWN, SDLK_4, -1, 0},         {SDL_KEYDOWN, SDLK_a, -1, 0},
                {SDL_KEYDOWN, SDLK_KP2, -1, 0},       {SDL_KEYDOWN, SDLK_F1, -1, 0},
                {SDL_KEYDOWN, SDLK_LSHIFT, -1, 0}};
    whichcam = 0;
    for (const auto &row : rows) {
        SDL_Event e{};
        e.type = e.key.type = row.type;
        e.key.keysym.sym = row.sym;
        e.key.keysym.mod = KMOD_LSHIFT;  // modifiers change nothing
        const int rig = row.rig < 0 ? whichcam : row.rig;
        EXPECT_EQ(HandleEvent(&e), row.quits) << int(row.type) << " " << row.sym;
        EXPECT_EQ(whichcam, rig) << int(row.type) << " " << row.sym;
    }
}

}  // namespace
