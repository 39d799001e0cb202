// SPDX-License-Identifier: MIT
// The desktop around the window, on X. A full-screen window covers its
// monitor, and SDL scales the frame to fit it, once a window manager has
// acted on the request. With none to act, the window keeps the size it was
// made with while the frame is still scaled for the whole screen, and only
// part of it shows: so then the window is given the monitor it stands on,
// or the whole screen where the server knows no monitors, at start-up and
// again whenever the screen, its monitors or the window manager change.
// A window manager that comes later is asked for full screen.
// For the main loop's sleep, it follows whether the window is out of sight:
// unmapped, which SDL 3 does not always pass on (it says the window is
// shown again at once), or marked so by a window manager that leaves it
// mapped, in its WM_STATE or _NET_WM_STATE.
// SDL owns its own connection. This file's is opened with a deadline,
// read only between frames and never waited on there, and it asks the
// server anything only after a change.
#include "desktop/systems.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include <poll.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/scrnsaver.h>

// _NET_WM_STATE holds a handful of states; more than this many is not a
// window manager's doing, and the rest are not looked at.
constexpr long STATE_ITEMS = 32;
// The EWMH request to change a mapped window's _NET_WM_STATE.
constexpr long STATE_ADD = 1;
constexpr long FROM_APPLICATION = 1;

static struct {
    Display *display;
    Display *sdl;  // SDL's own connection, touched only to let the screen saver go
    Window root;
    Window window;       // the show's, once SDL has made it
    Window checkwindow;  // the window manager's EWMH check window, while one is there
    Window asked;        // the check window of the one last asked for full screen
    Atom check;          // _NET_SUPPORTING_WM_CHECK
    Atom wmstate, netwmstate, netwmhidden, netwmfullscreen;
    bool hidden;      // the window manager keeps the window out of sight
    bool adopted;     // a window manager has given the window a WM_STATE
    bool fullscreen;  // _NET_WM_STATE says full screen
    bool unmapped;    // the window itself is not mapped
} desk;

// XOpenDisplay waits on the server with no limit of its own: it runs on a
// thread of its own so that start-up can give up on a display that never
// answers. The process ends soon after, so a thread still waiting is never
// joined.
static struct {
    std::mutex lock;
    std::condition_variable answered;
    bool done;
    Display *display;
} connecting;

// The thread that wakes a stalled window manager while SDL waits on it, and
// what tells it to stop. It uses only this file's connection, which nothing
// else touches meanwhile. It is detached, so that an exit while it runs (an
// X server gone in the middle of the mode set) ends the process plainly.
static struct {
    std::mutex lock;
    std::condition_variable changed;
    bool running, stopping;
    Atom wake;  // the root window property it touches
} nudging;

// Windows of other clients can go at any moment: X errors on this
// connection are expected, and must not reach Xlib's handler, which ends
// the process. Every request that may fail is made, and synced, inside one.
static int ignoreerror(Display *, XErrorEvent *) {
    return 0;
}

class ErrorTrap {
public:
    ErrorTrap() : previous(XSetErrorHandler(ignoreerror)) {}
    ~ErrorTrap() {
        XSync(desk.display, False);
        XSetErrorHandler(previous);
    }
    ErrorTrap(const ErrorTrap &) = delete;
    ErrorTrap &operator=(const ErrorTrap &) = delete;

private:
    int (*previous)(Display *, XErrorEvent *);
};

bool x11open() {
    const char *name = getenv("DISPLAY");
    if (name == nullptr || *name == '\0') {
        return true;
    }
    connecting.done = false;
    std::thread([] {
        Display *display = XOpenDisplay(nullptr);
        const std::lock_guard<std::mutex> hold(connecting.lock);
        connecting.display = display;
        connecting.done = true;
        connecting.answered.notify_one();
    }).detach();
    std::unique_lock<std::mutex> hold(connecting.lock);
    if (!connecting.answered.wait_for(hold, std::chrono::seconds(DISPLAY_ANSWER_SECONDS),
                                      [] { return connecting.done; })) {
        return false;
    }
    desk.display = connecting.display;
    return true;
}

// A window manager listens to the root window's properties: one that
// changes and goes again leaves nothing behind but wakes it. The root is
// always there and the property is the program's own, so this cannot fail.
static void nudge() {
    const Window root = DefaultRootWindow(desk.display);
    const unsigned char none[1] = {};
    XChangeProperty(desk.display, root, nudging.wake, XA_CARDINAL, 8, PropModeReplace, none, 0);
    XDeleteProperty(desk.display, root, nudging.wake);
    XFlush(desk.display);
}

void x11nudgestart() {
    if (desk.display == nullptr) {
        return;
    }
    nudging.wake = XInternAtom(desk.display, "_CUBEBLOOM_WAKE", False);
    nudging.running = true;
    nudging.stopping = false;
    std::thread([] {
        std::unique_lock<std::mutex> hold(nudging.lock);
        while (!nudging.changed.wait_for(hold, std::chrono::milliseconds(NUDGE_MS),
                                         [] { return nudging.stopping; })) {
            nudge();
        }
        nudging.running = false;
        nudging.changed.notify_all();
    }).detach();
}

void x11nudgestop() {
    std::unique_lock<std::mutex> hold(nudging.lock);
    nudging.stopping = true;
    nudging.changed.notify_all();
    nudging.changed.wait(hold, [] { return !nudging.running; });
}

// The window that `window`'s _NET_SUPPORTING_WM_CHECK names, or None.
static Window checkof(Window window) {
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char *value = nullptr;
    Window named = None;
    if (XGetWindowProperty(desk.display, window, desk.check, 0, 1, False, XA_WINDOW, &type, &format,
                           &items, &after, &value) == Success &&
        type == XA_WINDOW && format == 32 && items == 1) {
        named = static_cast<Window>(*reinterpret_cast<unsigned long *>(value));
    }
    if (value != nullptr) {
        XFree(value);
    }
    return named;
}

// A window manager manages the screen when the root's check names a window
// that exists and names itself; one that has gone leaves a stale name
// behind. Its check window is watched, so that its end is heard.
static bool managed() {
    const ErrorTrap trap;
    const Window check = checkof(desk.root);
    const bool live = check != None && checkof(check) == check;
    if (live && check != desk.checkwindow) {
        XSelectInput(desk.display, check, StructureNotifyMask);
    }
    desk.checkwindow = live ? check : None;
    return live;
}

// The monitor that holds the window's top left corner, or else the first.
static bool monitorof(XRectangle &area) {
    int count = 0;
    XineramaScreenInfo *screens =
        XineramaIsActive(desk.display) ? XineramaQueryScreens(desk.display, &count) : nullptr;
    if (screens == nullptr || count == 0) {
        if (screens != nullptr) {
            XFree(screens);
        }
        return false;
    }
    int x = 0, y = 0;
    Window child = None;
    XTranslateCoordinates(desk.display, desk.window, desk.root, 0, 0, &x, &y, &child);
    const XineramaScreenInfo *pick = &screens[0];
    for (int i = 0; i < count; i++) {
        const XineramaScreenInfo &s = screens[i];
        if (x >= s.x_org && x < s.x_org + s.width && y >= s.y_org && y < s.y_org + s.height) {
            pick = &s;
            break;
        }
    }
    area = {pick->x_org, pick->y_org, static_cast<unsigned short>(pick->width),
            static_cast<unsigned short>(pick->height)};
    XFree(screens);
    return true;
}

static void fit() {
    if (managed()) {
        return;
    }
    const ErrorTrap trap;
    XRectangle area;
    XWindowAttributes screen, now;
    if (!monitorof(area)) {
        if (!XGetWindowAttributes(desk.display, desk.root, &screen)) {
            return;
        }
        area = {0, 0, static_cast<unsigned short>(screen.width),
                static_cast<unsigned short>(screen.height)};
    }
    if (XGetWindowAttributes(desk.display, desk.window, &now) &&
        (now.x != area.x || now.y != area.y || now.width != area.width ||
         now.height != area.height)) {
        XMoveResizeWindow(desk.display, desk.window, area.x, area.y, area.width, area.height);
    }
}

// Up to `most` items of the show's 32-bit property of `type` into `items`;
// how many were read, none where it has no such property.
static long readitems(Atom property, Atom type, long *items, long most) {
    Atom actual = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *value = nullptr;
    long read = 0;
    if (XGetWindowProperty(desk.display, desk.window, property, 0, most, False, type, &actual,
                           &format, &count, &after, &value) == Success &&
        format == 32) {
        const long *list = reinterpret_cast<long *>(value);
        for (; read < most && read < static_cast<long>(count); read++) {
            items[read] = list[read];
        }
    }
    if (value != nullptr) {
        XFree(value);
    }
    return read;
}

static void readstates() {
    const ErrorTrap trap;
    long state = NormalState;
    long states[STATE_ITEMS];
    const long count = readitems(desk.netwmstate, XA_ATOM, states, STATE_ITEMS);
    desk.adopted = readitems(desk.wmstate, AnyPropertyType, &state, 1) == 1;
    desk.hidden = desk.adopted && state == IconicState;
    desk.fullscreen = false;
    for (long i = 0; i < count; i++) {
        desk.hidden |= states[i] == static_cast<long>(desk.netwmhidden);
        desk.fullscreen |= states[i] == static_cast<long>(desk.netwmfullscreen);
    }
}

// A window manager that comes after the show adopts the window as it
// finds it, for with none there at the start nothing asked for full
// screen: a decorated window that runs off the screen. Once one has
// adopted it, it is asked, the EWMH way for a mapped window, unless the
// window is full screen already (one that replaces another keeps the
// state). The one there at the start is never asked: SDL did that.
static void askfullscreen() {
    if (desk.checkwindow == None || desk.checkwindow == desk.asked || !desk.adopted ||
        desk.fullscreen) {
        return;
    }
    desk.asked = desk.checkwindow;
    XEvent request = {};
    request.xclient.type = ClientMessage;
    request.xclient.window = desk.window;
    request.xclient.message_type = desk.netwmstate;
    request.xclient.format = 32;
    request.xclient.data.l[0] = STATE_ADD;
    request.xclient.data.l[1] = static_cast<long>(desk.netwmfullscreen);
    request.xclient.data.l[3] = FROM_APPLICATION;
    XSendEvent(desk.display, desk.root, False, SubstructureRedirectMask | SubstructureNotifyMask,
               &request);
    XFlush(desk.display);
}

// Read once the window's map and unmap notices are selected, so that none
// is lost between the two.
static void readmapped() {
    const ErrorTrap trap;
    XWindowAttributes attributes;
    desk.unmapped = XGetWindowAttributes(desk.display, desk.window, &attributes) != 0 &&
                    attributes.map_state == IsUnmapped;
}

// What tells of a change: the root's size and properties (a window manager
// marks it on arrival), RandR's screen, monitor and output notices, the
// window manager's check window going, and the show's own window being
// moved or handed back to the root. What tells it is hidden: its own map
// and unmap notices, and its window manager states.
// A display that turned this file's first connection away has since let
// SDL in, so it is asked once more.
void x11watch(Display *sdl, unsigned long window) {
    if (desk.display == nullptr) {
        x11open();
    }
    if (desk.display == nullptr) {
        return;
    }
    desk.root = DefaultRootWindow(desk.display);
    desk.sdl = sdl;
    desk.window = window;
    desk.check = XInternAtom(desk.display, "_NET_SUPPORTING_WM_CHECK", False);
    desk.wmstate = XInternAtom(desk.display, "WM_STATE", False);
    desk.netwmstate = XInternAtom(desk.display, "_NET_WM_STATE", False);
    desk.netwmhidden = XInternAtom(desk.display, "_NET_WM_STATE_HIDDEN", False);
    desk.netwmfullscreen = XInternAtom(desk.display, "_NET_WM_STATE_FULLSCREEN", False);
    int eventbase = 0, errorbase = 0;
    {
        const ErrorTrap trap;
        XSelectInput(desk.display, desk.root, StructureNotifyMask | PropertyChangeMask);
        XSelectInput(desk.display, desk.window, StructureNotifyMask | PropertyChangeMask);
        if (XRRQueryExtension(desk.display, &eventbase, &errorbase)) {
            XRRSelectInput(
                desk.display, desk.root,
                RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
        }
    }
    fit();
    desk.asked = desk.checkwindow;
    readstates();
    readmapped();
}

void x11poll() {
    if (desk.window == None) {
        return;
    }
    bool changed = false, restated = false;
    while (XPending(desk.display) > 0) {
        XEvent event;
        XNextEvent(desk.display, &event);
        const XPropertyEvent &property = event.xproperty;
        if (event.type == MapNotify && event.xmap.window == desk.window) {
            desk.unmapped = false;
        } else if (event.type == UnmapNotify && event.xunmap.window == desk.window) {
            desk.unmapped = true;
        }
        if (event.type != PropertyNotify) {
            changed = true;
        } else if (property.window == desk.window) {
            restated |= property.atom == desk.wmstate || property.atom == desk.netwmstate;
        } else {
            changed |= property.atom == desk.check;
        }
    }
    if (changed) {
        fit();
    }
    if (restated) {
        readstates();
    }
    if (changed || restated) {
        askfullscreen();
    }
}

bool x11hidden() {
    return desk.hidden || desk.unmapped;
}

bool x11wait(int ms) {
    if (desk.window == None) {
        return false;
    }
    // SDL's connection too, where keys and the close request come
    if (XPending(desk.display) == 0 && (desk.sdl == nullptr || QLength(desk.sdl) == 0)) {
        pollfd connections[2] = {{ConnectionNumber(desk.display), POLLIN, 0}};
        nfds_t count = 1;
        if (desk.sdl != nullptr) {
            connections[count++] = {ConnectionNumber(desk.sdl), POLLIN, 0};
        }
        poll(connections, count, ms);
    }
    x11poll();
    return true;
}

// The server counts each client's suspensions and ignores a release from
// one that holds none, so this is right after any SDL's release.
void x11saverfree() {
    if (desk.sdl == nullptr) {
        return;
    }
    XScreenSaverSuspend(desk.sdl, False);
    XFlush(desk.sdl);
}
