// SPDX-License-Identifier: MIT
// The loop's contract on Linux: X11 or Wayland, whichever SDL took, the
// session around it on D-Bus, POSIX signals and the environment. Hands
// each call on to x11.cpp, wayland.cpp and session.cpp.
//
// Nobody can see the show while:
// - SDL says the window is not active (minimised, unmapped);
// - logind says the session is locked, or the session's screen saver
//   service says it is active (session.cpp);
// - on X, the window is not viewable, is covered whole by other windows,
//   the server's screen saver is on, or the window manager there now marks
//   it iconic or hidden (x11.cpp);
// - on Wayland, the compositor holds back the frame callback of the last
//   frame (wayland.cpp), or the window is not full screen: SDL then pins it
//   at the mode's size but leaves its surface the output's, and the frame
//   would run past the window.
#include <dlfcn.h>

#include <SDL.h>
#include <SDL_syswm.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/linux/desktop.h"
#include "platform/platform.h"
#include "platform/sdl2/sdl2.h"
#include "platform/signals.h"

static const char *const SDL2_LIBRARY = "libSDL2-2.0.so.0";

// A Wayland session sets DISPLAY too, for its XWayland, and SDL 2 takes
// X11 whenever DISPLAY is set; but there the window is never told that it
// is out of sight. So where WAYLAND_DISPLAY is set SDL is asked for
// Wayland first, and for X11 where Wayland does not answer. A driver the
// user names wins.
static const char *const SESSION_DRIVERS = "wayland,x11";
// A display that is there can still turn a connection away for a moment on
// a busy machine ("try again"). SDL 2 then falls back as if there were
// none, and SDL 3 fails outright: either way, when DISPLAY names a display
// it is asked again before the program gives up.
static constexpr int DISPLAY_TRIES = 5;
static constexpr Uint32 DISPLAY_RETRY_MS = 50;
// A compositor still arranging the window may have it full screen at less
// than its display's size for a moment, and one that hands full screen to
// another window takes it from the show a moment before that window covers
// it. A window short of full screen this long, and seen, has been left so:
// the compositor is asked again, at most REFILL_TRIES times until the
// window is full screen once more.
static constexpr Uint32 REFILL_AFTER_MS = 1000;
static constexpr int REFILL_TRIES = 3;

static struct {
    bool asking;    // there is a compositor to ask
    bool unfilled;  // the window was short of full screen at the last look
    Uint32 since;   // since when, or since the last try
    int tries;      // since it was last full screen
} refill;

const char *env_value(const char *name) {
    const char *value = getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

int poll_until(pollfd *fds, nfds_t count, Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : poll(fds, count, static_cast<int>(left));
}

void *sdl2_symbol(const char *name) {
    static void *const library = dlopen(SDL2_LIBRARY, RTLD_NOW | RTLD_NOLOAD);
    return library == nullptr ? nullptr : dlsym(library, name);
}

void sdl2_set_default(const char *name, const char *value) {
    setenv(name, value, 0);
}

// True when SDL_VIDEODRIVER names this driver first.
static bool driver_first(const char *driver) {
    const char *list = getenv("SDL_VIDEODRIVER");
    const size_t length = strlen(driver);
    return list != nullptr && strncasecmp(list, driver, length) == 0 &&
           (list[length] == '\0' || list[length] == ',');
}

// The Wayland display SDL connects to.
static const char *wayland_name() {
    const char *name = env_value("WAYLAND_DISPLAY");
    return name != nullptr ? name : "wayland-0";
}

// The display SDL tries first is given its deadline before SDL waits on it
// with none. Where Wayland is asked first, X waits until SDL has taken it,
// so that a session's XWayland is not started for nothing.
bool platform_open() {
    signals_catch();
    wayland_hush();
    if (env_value("WAYLAND_DISPLAY") != nullptr && env_value("SDL_VIDEODRIVER") == nullptr) {
        setenv("SDL_VIDEODRIVER", SESSION_DRIVERS, 1);
    }
    sdl2_hints();
    session_open();
    const bool wayland = driver_first("wayland");
    if (!(wayland ? wayland_open() : x11_open())) {
        SDL_SetError("the %sdisplay %s did not answer in %d s", wayland ? "Wayland " : "",
                     wayland ? wayland_name() : getenv("DISPLAY"), DISPLAY_ANSWER_SECONDS);
        return false;
    }
    x11_nudge_start();
    return true;
}

bool platform_retry(int tries) {
    if (tries >= DISPLAY_TRIES || env_value("DISPLAY") == nullptr) {
        return false;
    }
    SDL_Delay(DISPLAY_RETRY_MS);
    return true;
}

// The window is an X window, which SDL 1.2 tells of, or a Wayland surface,
// which only the SDL 2 beneath it does. The show has no use for the
// pointer: it is hidden, and never held, so that a screen locker can always
// take it.
void platform_watch() {
    x11_nudge_stop();
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    wl_display *display = nullptr;
    wl_surface *surface = nullptr;
    xdg_toplevel *toplevel = nullptr;
    if (sdl2_wayland(display, surface, toplevel)) {
        wayland_watch(display, surface, toplevel);
        refill.asking = toplevel != nullptr;
    } else if (SDL_GetWMInfo(&info) > 0 && info.subsystem == SDL_SYSWM_X11) {
        x11_watch(info.info.x11.display, info.info.x11.window);
    }
    sdl2_let_go();
    signals_defer();
}

bool platform_quitting() {
    return signals_heard();
}

// A display lost under the show is a failure, as on X, where Xlib ends the
// process: on Wayland SDL takes it for a quit request.
bool platform_lost() {
    const int error = wayland_lost();
    if (error != 0) {
        SDL_SetError("Wayland connection to %s broken (%s).", wayland_name(), strerror(error));
    }
    return error != 0;
}

static bool sees_app() {
    return (SDL_GetAppState() & SDL_APPACTIVE) != 0;
}

// A window short of full screen (left by the compositor, or full screen at
// less than its display's size) shows the frame in a corner of the output
// or runs it past the window: the compositor is asked again for the whole.
static void fill_screen() {
    if (!refill.asking) {
        return;
    }
    const Uint32 now = SDL_GetTicks();
    const bool unfilled = !sdl2_fullscreen() || sdl2_short_of_display();
    if (!unfilled) {
        refill.tries = 0;
    } else if (!refill.unfilled) {
        refill.since = now;
    } else if (now - refill.since >= REFILL_AFTER_MS && refill.tries < REFILL_TRIES &&
               !wayland_hidden() && !session_locked()) {
        wayland_refill();
        refill.since = now;
        refill.tries++;
    }
    refill.unfilled = unfilled;
}

void platform_pass() {
    fill_screen();
    x11_poll();
    wayland_poll();
    session_poll();
}

bool platform_seen() {
    return !x11_hidden() && !wayland_hidden() && !session_locked() && sees_app() &&
           (!refill.asking || sdl2_fullscreen());
}

// SDL's event pump resets the X screen saver every 30 s while SDL holds it
// off, which would end a saver that has come on since: while it is on,
// SDL's events wait until the user is back.
bool platform_wait(int ms) {
    fill_screen();
    pollfd fds[SESSION_FDS + WINDOW_FDS];
    const int buses = session_fds(fds);
    if (!wayland_wait(ms, fds, buses) && !x11_wait(ms, fds, buses)) {
        poll(fds, buses, ms);
    }
    session_heard(fds, buses);
    return !x11_saver_on();
}

// SDL lets the saver work again by resetting it, which would end it: the
// screen is handed to it only once it is off.
bool platform_release() {
    if (x11_saver_on()) {
        return false;
    }
    sdl2_screensaver(true);
    x11_saver_free();
    return true;
}

void platform_hold() {
    sdl2_screensaver(false);
}

void platform_report(const char *line) {
    fputs(line, stderr);
}

void platform_close() {
    wayland_close();
    session_close();
}
