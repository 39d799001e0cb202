// The event table: what each event does to the rig selection and whether
// it asks the program to end.
#include <gtest/gtest.h>

#include "app/app.h"
#include "camera/camera.h"

namespace {

SDL_Event keydown(SDLKey sym, SDLMod mod = KMOD_NONE) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = sym;
    e.key.keysym.mod = mod;
    return e;
}

SDL_Event oftype(Uint8 type) {
    SDL_Event e{};
    e.type = type;
    return e;
}

TEST(Keys, DigitsSelectRigsAndEscapeQuits) {
    whichcam = 0;
    const struct {
        SDLKey sym;
        int rig;
    } picks[] = {{SDLK_2, 1}, {SDLK_3, 2}, {SDLK_3, 2}, {SDLK_1, 0}};
    for (const auto &pick : picks) {
        SDL_Event e = keydown(pick.sym);
        EXPECT_EQ(HandleEvent(&e), 0);
        EXPECT_EQ(whichcam, pick.rig);
    }
    SDL_Event shifted = keydown(SDLK_2, KMOD_LSHIFT);
    EXPECT_EQ(HandleEvent(&shifted), 0);
    EXPECT_EQ(whichcam, 1);
    SDL_Event escape = keydown(SDLK_ESCAPE);
    EXPECT_EQ(HandleEvent(&escape), 1);
    EXPECT_EQ(whichcam, 1);
}

TEST(Keys, OtherKeysDoNothing) {
    whichcam = 2;
    for (SDLKey sym : {SDLK_0, SDLK_4, SDLK_a, SDLK_q, SDLK_SPACE, SDLK_RETURN, SDLK_KP1, SDLK_KP2,
                       SDLK_F1, SDLK_LSHIFT}) {
        SDL_Event e = keydown(sym);
        EXPECT_EQ(HandleEvent(&e), 0) << sym;
        EXPECT_EQ(whichcam, 2) << sym;
    }
}

TEST(Events, TheQuitRequestEndsTheProgram) {
    SDL_Event e = oftype(SDL_QUIT);
    EXPECT_EQ(HandleEvent(&e), 1);
}

TEST(Events, OtherTypesDoNothing) {
    whichcam = 1;
    SDL_Event up = keydown(SDLK_ESCAPE);
    up.type = up.key.type = SDL_KEYUP;
    EXPECT_EQ(HandleEvent(&up), 0);
    SDL_Event three = keydown(SDLK_3);
    three.type = three.key.type = SDL_KEYUP;
    EXPECT_EQ(HandleEvent(&three), 0);
    for (Uint8 type : {SDL_MOUSEMOTION, SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP, SDL_ACTIVEEVENT,
                       SDL_VIDEOEXPOSE, SDL_VIDEORESIZE, SDL_SYSWMEVENT, SDL_USEREVENT}) {
        SDL_Event e = oftype(type);
        EXPECT_EQ(HandleEvent(&e), 0) << int(type);
    }
    EXPECT_EQ(whichcam, 1);
}

}  // namespace
