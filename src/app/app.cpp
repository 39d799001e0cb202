// SPDX-License-Identifier: MIT
// Application shell: the show's rules on every platform. Start-up
// (start.cpp) sets SDL 1.2 up; then pass after pass of events, calcme and
// drawGLScene, with a sleep between passes while nobody can see the show.
// What the platform around it does is asked through platform/platform.h.
#include "app/app.h"

#include <cstdlib>

#include "app/scene.h"
#include "camera/camera.h"
#include "platform/platform.h"
#include "render/render.h"

// How long an unseen show may sleep before it looks at SDL's events and
// its clock again, where nothing the platform watches wakes it. Each
// wake-up pumps SDL's events, which on a busy machine costs a few ms.
static constexpr Uint32 UNSEEN_WAIT_MS = 1000;
// SDL keeps the screen saver and blanking off while its video runs. A show
// nobody can see lets them work again once it has slept this long, so that
// a compositor's slow frames do not make it let go and take hold each time.
static constexpr Uint32 SAVER_AFTER_MS = 500;

static int done;
static SDL_Event event;

// Every pending event. A quit request ends the loop after its pass has
// still stepped and drawn, and no event later in the same drain can take
// it back.
static void drain_events() {
    while (SDL_PollEvent(&event)) {
        done |= HandleEvent(&event);
    }
}

// What the platform heard besides SDL: a quit request, a lost display.
static void hear_platform() {
    done |= platform_quitting();
    if (platform_lost()) {
        fail(nullptr);  // the platform has put the line in SDL's error
    }
}

bool show_pass() {
    drain_events();
    hear_platform();
    platform_pass();
    calcme();
    drawGLScene();
    return done == 0;
}

// While nobody can see the show no frame is drawn: the platform is waited
// on, at most UNSEEN_WAIT_MS at a time, events are read, the screen is
// handed back to the screen saver after SAVER_AFTER_MS (no wait runs past
// that moment), and the show goes on from the same frame, holding the
// screen again, once it is seen. The first frame is drawn whatever the
// desktop has said by then.
static void sleep_unseen() {
    const Uint32 start = SDL_GetTicks();
    bool released = false;
    while (!done && !platform_seen()) {
        const Uint32 slept = SDL_GetTicks() - start;
        const Uint32 wait =
            released || slept >= SAVER_AFTER_MS ? UNSEEN_WAIT_MS : SAVER_AFTER_MS - slept;
        if (platform_wait(static_cast<int>(wait))) {
            drain_events();
        }
        hear_platform();
        if (!released && SDL_GetTicks() - start >= SAVER_AFTER_MS) {
            released = platform_release();
        }
    }
    if (released && !done) {
        platform_hold();
    }
}

int HandleEvent(SDL_Event *event) {
    if (event->type == SDL_QUIT) {
        return 1;
    }
    if (event->type != SDL_KEYDOWN) {
        return 0;
    }
    switch (event->key.keysym.sym) {
        case SDLK_ESCAPE:
            return 1;
        case SDLK_1:
            whichcam = 0;
            break;
        case SDLK_2:
            whichcam = 1;
            break;
        case SDLK_3:
            whichcam = 2;
            break;
        default:
            break;
    }
    return 0;
}

void Quit(int returnCode) {
    platform_close();
    SDL_Quit();
    exit(returnCode);
}

int SDL_main(int, char **) {
    show_start();
    while (show_pass()) {
        sleep_unseen();
    }
    Quit(0);
}
