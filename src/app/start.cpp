// SPDX-License-Identifier: MIT
// Application shell: start-up, in the fixed order of its stages. SDL's
// video on a display someone can see, the full-screen GL mode with the
// window's name and icon, key repeat; then GL, the scene and the hidden
// pointer. A stage that fails says so in one line and ends the process.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/app.h"
#include "app/scene.h"
#include "icon.h"
#include "platform/platform.h"
#include "render/render.h"

static const char *const TITLE = "cubebloom";  // so task switchers can name the window
static constexpr int SCREEN_BPP = 16;
static constexpr Uint32 VIDEO_FLAGS =
    SDL_OPENGL | SDL_HWSURFACE | SDL_ASYNCBLIT | SDL_HWPALETTE | SDL_FULLSCREEN;
static constexpr int KEY_REPEAT_DELAY_MS = 100;
static constexpr int KEY_REPEAT_INTERVAL_MS = 30;
// A failure line: a stage's words around SDL's reason, which SDL keeps to
// 1 KiB.
static constexpr size_t LINE_TEXT = 1024 + 64;

// SDL's fallbacks when no display can be reached: they draw where nobody
// can see the show or stop it.
static const char *const UNSEEN_DRIVERS[] = {"offscreen", "dummy"};
static constexpr size_t DRIVER_NAME = 32;
static constexpr size_t ERROR_TEXT = 256;
// The icon's pixels are bytes R, G, B, A, whatever the byte order.
#if SDL_BYTEORDER == SDL_LIL_ENDIAN
static constexpr Uint32 ICON_MASKS[4] = {0x000000ff, 0x0000ff00, 0x00ff0000, 0xff000000};
#else
static constexpr Uint32 ICON_MASKS[4] = {0xff000000, 0x00ff0000, 0x0000ff00, 0x000000ff};
#endif
static constexpr int ICON_DEPTH = 32;
static constexpr int ICON_PITCH = ICON_SIZE * 4;

static SDL_Surface *surface;
static SDL_Surface *icon;  // over the built-in pixels, kept for the life of the process
static Uint32 videoFlags;
static const SDL_VideoInfo *videoInfo;

void fail(const char *stage) {
    char line[LINE_TEXT];
    if (stage != nullptr) {
        snprintf(line, sizeof line, "%s failed: %s\n", stage, SDL_GetError());
    } else {
        snprintf(line, sizeof line, "%s\n", SDL_GetError());
    }
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

void show_start() {
    start_video();
    initGL();
    initme();
    SDL_ShowCursor(SDL_DISABLE);
    platform_watch();
}
