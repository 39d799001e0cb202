// SPDX-License-Identifier: MIT
// The SDL 2 beneath sdl12-compat, reached through the copy that is already
// loaded, never a new one: so the calls reach the very SDL that made the
// window. SDL 2's headers cannot share a file with SDL 1.2's, and the
// little of its interface used here is declared here, as its ABI fixes it.
#include "platform/sdl2/sdl2.h"

#include <cstdint>

// A full-screen show needs no decorations: where the compositor leaves
// them to the client, SDL 2 turns to libdecor, which with no plugin
// installed never shows the window, and SDL_SetVideoMode waits for it
// forever. Where the show holds off the screen saver, a desktop names who
// holds it and why.
static const char *const HINTS[][2] = {
    {"SDL_VIDEO_WAYLAND_ALLOW_LIBDECOR", "0"},
    {"SDL_APP_NAME", "cubebloom"},
    {"SDL_SCREENSAVER_INHIBIT_ACTIVITY_NAME", "Showing an animation"},
};

// SDL_SysWMinfo: the version the caller was built for, the window system,
// then a union padded to 64 bytes. SDL 2 fills in the Wayland part as far
// as the version claimed: the toplevel from 2.0.17 on, and nothing of what
// later versions added, which is not declared here.
struct SysWMinfo {
    struct {
        uint8_t major, minor, patch;
    } version;
    int subsystem;
    union {
        struct {
            wl_display *display;
            wl_surface *surface;
            void *shell_surface;
            void *egl_window;
            void *xdg_surface;
            xdg_toplevel *toplevel;
        } wl;
        uint8_t dummy[64];
    } info;
};
static constexpr uint8_t WMINFO_VERSION[3] = {2, 0, 17};
static constexpr int SYSWM_WAYLAND = 6;

// SDL_WINDOW_FULLSCREEN, and SDL_Rect
static constexpr uint32_t WINDOW_FULLSCREEN = 0x00000001;
struct Rect {
    int x, y, w, h;
};

using GetCurrentWindow = void *();
using GetWindowWMInfo = int(void *, SysWMinfo *);
using GetWindowFlags = uint32_t(void *);
using GetWindowSize = void(void *, int *, int *);
using GetWindowDisplayIndex = int(void *);
using GetDisplayBounds = int(int, Rect *);

template <typename Function>
static Function *sdl2_function(const char *name) {
    return reinterpret_cast<Function *>(sdl2_symbol(name));
}

void sdl2_hints() {
    for (const auto &hint : HINTS) {
        sdl2_set_default(hint[0], hint[1]);
    }
}

// The window sdl12-compat made, which holds the GL context; null where
// there is none to be had.
static void *sdl2_window() {
    static auto *const current = sdl2_function<GetCurrentWindow>("SDL_GL_GetCurrentWindow");
    return current == nullptr ? nullptr : current();
}

bool sdl2_wayland(wl_display *&display, wl_surface *&surface, xdg_toplevel *&toplevel) {
    auto *const wminfo = sdl2_function<GetWindowWMInfo>("SDL_GetWindowWMInfo");
    void *const window = sdl2_window();
    if (window == nullptr || wminfo == nullptr) {
        return false;
    }
    SysWMinfo info = {};
    info.version = {WMINFO_VERSION[0], WMINFO_VERSION[1], WMINFO_VERSION[2]};
    if (wminfo(window, &info) == 0 || info.subsystem != SYSWM_WAYLAND ||
        info.info.wl.display == nullptr || info.info.wl.surface == nullptr) {
        return false;
    }
    display = info.info.wl.display;
    surface = info.info.wl.surface;
    toplevel = info.info.wl.toplevel;
    return true;
}

static uint32_t sdl2_flags(void *window) {
    static auto *const flags = sdl2_function<GetWindowFlags>("SDL_GetWindowFlags");
    return flags == nullptr ? WINDOW_FULLSCREEN : flags(window);
}

bool sdl2_fullscreen() {
    void *const window = sdl2_window();
    return window == nullptr || (sdl2_flags(window) & WINDOW_FULLSCREEN) != 0;
}

// Asked once a pass while it matters: the functions are looked up once.
bool sdl2_short_of_display() {
    static auto *const size = sdl2_function<GetWindowSize>("SDL_GetWindowSize");
    static auto *const index = sdl2_function<GetWindowDisplayIndex>("SDL_GetWindowDisplayIndex");
    static auto *const bounds = sdl2_function<GetDisplayBounds>("SDL_GetDisplayBounds");
    void *const window = sdl2_window();
    if (window == nullptr || size == nullptr || index == nullptr || bounds == nullptr ||
        (sdl2_flags(window) & WINDOW_FULLSCREEN) == 0) {
        return false;
    }
    int width = 0;
    int height = 0;
    size(window, &width, &height);
    Rect display = {};
    return bounds(index(window), &display) == 0 && width < display.w && height < display.h;
}

// sdl12-compat grabs the pointer of a full-screen window, as SDL 1.2 did,
// and with the pointer hidden as well it turns on SDL 2's relative mouse
// mode, which grabs it too whenever the window has the focus. Both are let
// go; the pointer stays hidden.
void sdl2_let_go() {
    static auto *const relative = sdl2_function<int(int)>("SDL_SetRelativeMouseMode");
    static auto *const grab = sdl2_function<void(void *, int)>("SDL_SetWindowGrab");
    static auto *const cursor = sdl2_function<int(int)>("SDL_ShowCursor");
    void *const window = sdl2_window();
    if (relative != nullptr) {
        relative(0);
    }
    if (window != nullptr && grab != nullptr) {
        grab(window, 0);
    }
    if (cursor != nullptr) {
        cursor(0);
    }
}

void sdl2_screensaver(bool allowed) {
    auto *const call =
        sdl2_function<void()>(allowed ? "SDL_EnableScreenSaver" : "SDL_DisableScreenSaver");
    if (call != nullptr) {
        call();
    }
}
