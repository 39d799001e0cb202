// SPDX-License-Identifier: MIT
// Application shell: the show's rules on every platform. SDL 1.2 is set
// up, initme runs, then pass after pass of events, calcme and
// drawGLScene, with a sleep between passes while nobody can see the show.
// What the platform around it does is asked through platform/platform.h.
#include "app/app.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/scene.h"
#include "camera/camera.h"
#include "icon.h"
#include "platform/platform.h"
#include "render/render.h"

static const char *const TITLE = "cubebloom";  // so task switchers can name the window
static constexpr int SCREEN_BPP = 16;
static constexpr Uint32 VIDEO_FLAGS =
    SDL_OPENGL | SDL_HWSURFACE | SDL_ASYNCBLIT | SDL_HWPALETTE | SDL_FULLSCREEN;
static constexpr int KEY_REPEAT_DELAY_MS = 100;
static constexpr int KEY_REPEAT_INTERVAL_MS = 30;

// SDL's fallbacks when no display can be reached: they draw where nobody
// can see the show or stop it.
static const char *const UNSEEN_DRIVERS[] = {"offscreen", "dummy"};
static constexpr size_t DRIVER_NAME = 32;
static constexpr size_t ERROR_TEXT = 256;
// A failure line: a stage's words around SDL's reason, which SDL keeps to
// 1 KiB.
static constexpr size_t LINE_TEXT = 1024 + 64;
// How long an unseen show may sleep before it looks at SDL's events and
// its clock again, where nothing the platform watches wakes it. Each
// wake-up pumps SDL's events, which on a busy machine costs a few ms.
static constexpr Uint32 UNSEEN_WAIT_MS = 1000;
// SDL keeps the screen saver and blanking off while its video runs. A show
// nobody can see lets them work again once it has slept this long, so that
// a compositor's slow frames do not make it let go and take hold each time.
static constexpr Uint32 SAVER_AFTER_MS = 500;

// The icon's pixels are bytes R, G, B, A, whatever the byte order.
#if SDL_BYTEORDER == SDL_LIL_ENDIAN
static constexpr Uint32 ICON_MASKS[4] = {0x000000ff, 0x0000ff00, 0x00ff0000, 0xff000000};
#else
static constexpr Uint32 ICON_MASKS[4] = {0xff000000, 0x00ff0000, 0x0000ff00, 0x000000ff};
#endif
static constexpr int ICON_DEPTH = 32;
static constexpr int ICON_PITCH = ICON_SIZE * 4;

static int done;
static SDL_Surface *surface;
static SDL_Surface *icon;  // over the built-in pixels, kept for the life of the process
static Uint32 videoFlags;
static const SDL_VideoInfo *videoInfo;
static SDL_Event event;

[[noreturn]] static void fail(const char *stage) {
    char line[LINE_TEXT];
    snprintf(line, sizeof line, "%s failed: %s\n", stage, SDL_GetError());
    platform_report(line);
    Quit(1);
}

// A display lost under the show ends it as a failure; the platform has
// put the line in SDL's error.
[[noreturn]] static void lost() {
    char line[LINE_TEXT];
    snprintf(line, sizeof line, "%s\n", SDL_GetError());
    platform_report(line);
    Quit(1);
}

// True when SDL_VIDEODRIVER names this driver, alone or in a list.
static bool driver_asked(const char *driver) {
    const char *list = getenv("SDL_VIDEODRIVER");
    const size_t length = strlen(driver);
    while (list != nullptr && *list != '\0') {
        const char *end = strchr(list, ',');
        const size_t item = end ? static_cast<size_t>(end - list) : strlen(list);
        if (item == length && strncasecmp(list, driver, length) == 0) {
            return true;
        }
        list = end ? end + 1 : nullptr;
    }
    return false;
}

static bool driver_unseen() {
    char name[DRIVER_NAME];
    if (SDL_VideoDriverName(name, sizeof name) == nullptr) {
        return false;
    }
    for (const char *driver : UNSEEN_DRIVERS) {
        if (strcasecmp(name, driver) == 0) {
            return !driver_asked(driver);
        }
    }
    return false;
}

// Starts SDL's video subsystem on a display someone can see. False, with
// the reason in SDL_GetError, when it fails or only a fallback answers.
// The subsystem is shut down after a failed start too: SDL 3 through the
// compatibility layers otherwise reports the next start a success with
// nothing started. The shutdown clears the reason, so it is kept across.
static bool reach_display() {
    if (SDL_Init(SDL_INIT_VIDEO) == 0) {
        if (!driver_unseen()) {
            return true;
        }
        SDL_SetError("no display available");
    }
    char reason[ERROR_TEXT];
    snprintf(reason, sizeof reason, "%s", SDL_GetError());
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    SDL_SetError("%s", reason);
    return false;
}

// Task switchers and panels show the window's icon: the program's own, as
// in the menus. SDL 1.2 takes it before the window is made.
static void set_icon() {
    icon = SDL_CreateRGBSurfaceFrom(const_cast<unsigned char *>(ICON_RGBA), ICON_SIZE, ICON_SIZE,
                                    ICON_DEPTH, ICON_PITCH, ICON_MASKS[0], ICON_MASKS[1],
                                    ICON_MASKS[2], ICON_MASKS[3]);
    if (icon != nullptr) {
        SDL_WM_SetIcon(icon, nullptr);
    }
}

static void start_video() {
    if (!platform_open()) {
        fail("Video initialization");
    }
    for (int tries = 1; !reach_display(); tries++) {
        if (!platform_retry(tries)) {
            fail("Video initialization");
        }
    }
    videoInfo = SDL_GetVideoInfo();
    if (videoInfo == nullptr) {
        fail("Video query");
    }
    videoFlags = VIDEO_FLAGS;
    if (videoInfo->blit_hw) {
        videoFlags |= SDL_HWACCEL;
    }
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_WM_SetCaption(TITLE, TITLE);
    set_icon();
    surface = SDL_SetVideoMode(SCREEN_WIDTH, SCREEN_HEIGHT, SCREEN_BPP, videoFlags);
    if (surface == nullptr) {
        fail("Video mode set");
    }
    if (SDL_EnableKeyRepeat(KEY_REPEAT_DELAY_MS, KEY_REPEAT_INTERVAL_MS) != 0) {
        fail("Setting keyboard repeat");
    }
}

// Every pending event, and a quit request from outside SDL. A quit request
// ends the loop after its pass has still stepped and drawn, and no event
// later in the same drain can take it back.
static void drain_events() {
    while (SDL_PollEvent(&event)) {
        done |= HandleEvent(&event);
    }
}

// What the platform heard besides SDL: a quit request, a lost display.
static void hear_platform() {
    done |= platform_quitting();
    if (platform_lost()) {
        lost();
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

void show_start() {
    start_video();
    initGL();
    initme();
    SDL_ShowCursor(SDL_DISABLE);
    platform_watch();
}

int SDL_main(int, char **) {
    show_start();
    while (show_pass()) {
        sleep_unseen();
    }
    Quit(0);
}
