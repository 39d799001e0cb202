// SPDX-License-Identifier: MIT
// Application shell: SDL set-up, the main loop and the event handler.
#include "app/app.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <SDL_syswm.h>

#include "app/os.h"
#include "app/scene.h"
#include "app/sdl2.h"
#include "camera/camera.h"
#include "desktop/desktop.h"
#include "icon.h"
#include "render/render.h"

static const char *const TITLE = "cubebloom";  // so task switchers can name the window
static constexpr int SCREEN_BPP = 16;
static constexpr Uint32 VIDEO_FLAGS =
    SDL_OPENGL | SDL_HWSURFACE | SDL_ASYNCBLIT | SDL_HWPALETTE | SDL_FULLSCREEN;
static constexpr int KEY_REPEAT_DELAY_MS = 100;
static constexpr int KEY_REPEAT_INTERVAL_MS = 30;

// A Wayland session sets DISPLAY too, for its XWayland, and SDL 2 takes
// X11 whenever DISPLAY is set; but there the window is never told that it
// is out of sight. So where WAYLAND_DISPLAY is set SDL is asked for
// Wayland first, and for X11 where Wayland does not answer. A driver the
// user names wins.
static const char *const SESSION_DRIVERS = "wayland,x11";
// SDL 2's hints, which SDL 1.2 has no call for, go through the environment;
// the user's own settings win. A full-screen show needs no decorations:
// where the compositor leaves them to the client, SDL 2 turns to libdecor,
// which with no plugin installed never shows the window, and
// SDL_SetVideoMode waits for it forever. Where the show holds off the
// screen saver, a desktop names who holds it and why.
static const char *const HINTS[][2] = {
    {"SDL_VIDEO_WAYLAND_ALLOW_LIBDECOR", "0"},
    {"SDL_APP_NAME", TITLE},
    {"SDL_SCREENSAVER_INHIBIT_ACTIVITY_NAME", "Showing an animation"},
};

// SDL's fallbacks when no display can be reached: they draw where nobody
// can see the show or stop it.
static const char *const UNSEEN_DRIVERS[] = {"offscreen", "dummy"};
// A display that is there can still turn a connection away for a moment on
// a busy machine ("try again"). SDL 2 then falls back as if there were
// none, and SDL 3 fails outright: either way, when DISPLAY names a display
// it is asked again before the program gives up.
static constexpr int DISPLAY_TRIES = 5;
static constexpr Uint32 DISPLAY_RETRY_MS = 50;
static constexpr size_t ERROR_TEXT = 256;
// A failure line: a stage's words around SDL's reason, which SDL keeps to
// 1 KiB.
static constexpr size_t LINE_TEXT = 1024 + 64;
// How long an unseen show may sleep before it looks at SDL's events and
// its clock again, where nothing on the desktop's connections wakes it.
// Each wake-up pumps SDL's events, which on a busy or shared machine costs
// a few milliseconds.
static constexpr int UNSEEN_WAIT_MS = 1000;
// SDL keeps the screen saver and blanking off while its video runs. A show
// nobody can see lets them work again once it has slept this long, so that
// a compositor's slow frames do not make it let go and take hold each time.
static constexpr Uint32 SAVER_AFTER_MS = 500;
// A compositor still arranging the window may have it full screen at less
// than its display's size for a moment, and one that hands full screen to
// another window takes it from the show a moment before that window covers
// it. A window short of full screen this long, and seen, has been left so:
// the compositor is asked again, at most REFILL_TRIES times until the
// window is full screen once more.
static constexpr Uint32 REFILL_AFTER_MS = 1000;
static constexpr int REFILL_TRIES = 3;

// SIGTERM and SIGINT ask a running show to end, as the close request does.
// Until it runs they end it at once: start-up may wait on a display or a
// compositor that never answers, and SDL, which would otherwise take them
// over as it starts, turns them into events that nothing reads before the
// main loop. SDL leaves a signal that has a handler alone, and one that is
// ignored (a background job's SIGINT) stays ignored.
static const int QUIT_SIGNALS[] = {SIGTERM, SIGINT};
static volatile sig_atomic_t running, signalled;

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
static struct {
    bool asking;    // there is a compositor to ask
    bool unfilled;  // the window was short of full screen at the last look
    Uint32 since;   // since when, or since the last try
    int tries;      // since it was last full screen
} refill;

[[noreturn]] static void fail(const char *stage) {
    char line[LINE_TEXT];
    snprintf(line, sizeof line, "%s failed: %s\n", stage, SDL_GetError());
    osreport(line);
    Quit(1);
}

static void onsignal(int number) {
    if (running) {
        signalled = 1;
        return;
    }
    signal(number, SIG_DFL);
    raise(number);
}

static void catchsignals() {
    oscatch(QUIT_SIGNALS, sizeof QUIT_SIGNALS / sizeof QUIT_SIGNALS[0], onsignal);
}

static bool named(const char *variable) {
    const char *value = getenv(variable);
    return value != nullptr && *value != '\0';
}

static void hintsdl() {
    if (named("WAYLAND_DISPLAY") && !named("SDL_VIDEODRIVER")) {
        ossetenv("SDL_VIDEODRIVER", SESSION_DRIVERS, true);
    }
    for (const auto &hint : HINTS) {
        ossetenv(hint[0], hint[1], false);
    }
}

// True when SDL_VIDEODRIVER names this driver first.
static bool first(const char *driver) {
    const char *list = getenv("SDL_VIDEODRIVER");
    const size_t length = strlen(driver);
    return list != nullptr && strncasecmp(list, driver, length) == 0 &&
           (list[length] == '\0' || list[length] == ',');
}

// True when SDL_VIDEODRIVER names this driver, alone or in a list.
static bool asked(const char *driver) {
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

// The Wayland display SDL connects to.
static const char *waylandname() {
    return named("WAYLAND_DISPLAY") ? getenv("WAYLAND_DISPLAY") : "wayland-0";
}

static bool unseen() {
    char name[32];
    if (SDL_VideoDriverName(name, sizeof name) == nullptr) {
        return false;
    }
    for (const char *driver : UNSEEN_DRIVERS) {
        if (strcasecmp(name, driver) == 0) {
            return !asked(driver);
        }
    }
    return false;
}

// The desktop code follows the show's window: an X window, which SDL 1.2
// tells of, or a Wayland surface, which only the SDL 2 beneath it does.
static void watchdesktop() {
    DesktopWindow window = {};
#ifdef SDL_VIDEO_DRIVER_X11
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) > 0 && info.subsystem == SDL_SYSWM_X11) {
        window.x11display = info.info.x11.display;
        window.x11window = info.info.x11.window;
    }
#endif
    sdl2wayland(window.wldisplay, window.wlsurface, window.wltoplevel);
    desktopwatch(window);
    refill.asking = window.wltoplevel != nullptr;
}

// Starts SDL's video subsystem on a display someone can see. False, with
// the reason in SDL_GetError, when it fails or only a fallback answers.
// The subsystem is shut down after a failed start too: SDL 3 through the
// compatibility layers otherwise reports the next start a success with
// nothing started. The shutdown clears the reason, so it is kept across.
static bool reachdisplay() {
    if (SDL_Init(SDL_INIT_VIDEO) == 0) {
        if (!unseen()) {
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
static void seticon() {
    icon = SDL_CreateRGBSurfaceFrom(const_cast<unsigned char *>(ICON_RGBA), ICON_SIZE, ICON_SIZE,
                                    ICON_DEPTH, ICON_PITCH, ICON_MASKS[0], ICON_MASKS[1],
                                    ICON_MASKS[2], ICON_MASKS[3]);
    if (icon != nullptr) {
        SDL_WM_SetIcon(icon, nullptr);
    }
}

// The show has no use for the pointer: it is hidden, and never held, so
// that a screen locker can always take it.
static void hidepointer() {
    SDL_ShowCursor(SDL_DISABLE);
    sdl2letgo();
}

// The display SDL tries first is given its deadline before SDL waits on it
// with none. Where Wayland is asked first, X waits until SDL has taken it,
// so that a session's XWayland is not started for nothing.
static void startvideo() {
    hintsdl();
    const bool wayland = first("wayland");
    if (!desktopopen(wayland)) {
        SDL_SetError("the %sdisplay %s did not answer in %d s", wayland ? "Wayland " : "",
                     wayland ? waylandname() : getenv("DISPLAY"), DISPLAY_ANSWER_SECONDS);
        fail("Video initialization");
    }
    for (int tries = 1; !reachdisplay(); tries++) {
        const char *display = getenv("DISPLAY");
        if (tries == DISPLAY_TRIES || display == nullptr || *display == '\0') {
            fail("Video initialization");
        }
        SDL_Delay(DISPLAY_RETRY_MS);
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
    seticon();
    desktopnudgestart();
    surface = SDL_SetVideoMode(SCREEN_WIDTH, SCREEN_HEIGHT, SCREEN_BPP, videoFlags);
    desktopnudgestop();
    if (surface == nullptr) {
        fail("Video mode set");
    }
    watchdesktop();
    if (SDL_EnableKeyRepeat(KEY_REPEAT_DELAY_MS, KEY_REPEAT_INTERVAL_MS) != 0) {
        fail("Setting keyboard repeat");
    }
}

// While nobody can see the show (the desktop keeps the window out of
// sight, or SDL says it is not active), and on Wayland while the window is
// not full screen (SDL then pins it at the mode's size but leaves its
// surface the output's, and the frame would run past the window), no
// frame is drawn: events are read, the desktop is waited on for at most
// UNSEEN_WAIT_MS at a time, the screen is handed back to the screen saver
// after SAVER_AFTER_MS (no wait runs past that moment) unless the saver is
// on already, and the show goes on from the same frame, holding the screen
// again, once it is seen.
static bool seen() {
    return !desktophidden() && (SDL_GetAppState() & SDL_APPACTIVE) != 0 &&
           (!refill.asking || sdl2fullscreen());
}

// A display lost under the show is a failure, as on X, where Xlib ends the
// process: on Wayland SDL takes it for a quit request.
static void checkdisplay() {
    const int error = desktoplost();
    if (error != 0) {
        char line[LINE_TEXT];
        snprintf(line, sizeof line, "Wayland connection to %s broken (%s).\n", waylandname(),
                 strerror(error));
        osreport(line);
        Quit(1);
    }
}

// A window short of full screen (left by the compositor, or full screen at
// less than its display's size) shows the frame in a corner of the output
// or runs it past the window: the compositor is asked again for the whole.
static void fillscreen() {
    if (!refill.asking) {
        return;
    }
    const Uint32 now = SDL_GetTicks();
    const bool unfilled = !sdl2fullscreen() || sdl2undersized();
    if (!unfilled) {
        refill.tries = 0;
    } else if (!refill.unfilled) {
        refill.since = now;
    } else if (now - refill.since >= REFILL_AFTER_MS && refill.tries < REFILL_TRIES &&
               !desktophidden()) {
        desktopfullscreen();
        refill.since = now;
        refill.tries++;
    }
    refill.unfilled = unfilled;
}

static void sleepunseen() {
    const Uint32 start = SDL_GetTicks();
    bool saver = false;
    while (!done && !seen()) {
        if (SDL_PollEvent(&event)) {
            done |= HandleEvent(&event);
        } else {
            fillscreen();
            const Uint32 slept = SDL_GetTicks() - start;
            const bool saverdue = saver || slept >= SAVER_AFTER_MS;
            desktopwait(saverdue
                            ? UNSEEN_WAIT_MS
                            : SDL_min(UNSEEN_WAIT_MS, static_cast<int>(SAVER_AFTER_MS - slept)));
        }
        done |= signalled;
        checkdisplay();
        if (!saver && SDL_GetTicks() - start >= SAVER_AFTER_MS && !desktopsaveron()) {
            saver = true;
            sdl2screensaver(true);
            desktopsaverfree();
        }
    }
    if (saver && !done) {
        sdl2screensaver(false);
    }
}

// One pass: drain every pending event and quit signal, then the desktop's,
// keep the window filling its display, step the scene, draw and present,
// then sleep while unseen. The first frame is drawn whatever the window
// system has said by then. A quit request ends the loop after its pass has
// still stepped and drawn, and no event later in the same drain can take
// it back.
static void mainloop() {
    while (!done) {
        while (SDL_PollEvent(&event)) {
            done |= HandleEvent(&event);
        }
        done |= signalled;
        checkdisplay();
        fillscreen();
        desktoppoll();
        calcme();
        drawGLScene();
        sleepunseen();
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
    desktopclose();
    SDL_Quit();
    exit(returnCode);
}

int SDL_main(int, char **) {
    catchsignals();
    startvideo();
    initGL();
    initme();
    hidepointer();
    running = 1;
    mainloop();
    Quit(0);
}
