// SPDX-License-Identifier: MIT
// The desktop around the window, on X. A full-screen window covers its
// monitor, and SDL scales the frame to fit it, once a window manager has
// acted on the request. With none to act, the window keeps the size it was
// made with while the frame is still scaled for the whole screen, and only
// part of it shows: so then the window is given the monitor it stands on,
// or the whole screen where the server knows no monitors, at start-up and
// again whenever the screen, its monitors or the window manager change.
// A window manager that comes later is asked for full screen.
// For the main loop's sleep, it follows whether anybody can see the window,
// as far as X tells: not viewable (unmapped, which SDL 3 does not always
// pass on, or inside a frame the window manager has unmapped), covered
// whole by other windows (a locker, a full-screen window, the server's
// own saver), the server's screen saver on, or marked hidden by the
// window manager that keeps it mapped, in its WM_STATE or _NET_WM_STATE.
// A window manager that takes full screen away from the show, for another
// window, is asked for it again once the show can be seen.
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
    int savernotify;  // the screen saver extension's first event, or 0
    bool hidden;      // WM_STATE or _NET_WM_STATE says it is out of sight
    bool adopted;     // a window manager has given the window a WM_STATE
    bool fullscreen;  // _NET_WM_STATE says full screen
    bool wasfull;     // it was, under the window manager there now
    bool lostunseen;  // it has been out of sight since it lost full screen
    bool unviewable;  // the window or a window above it is not mapped
    bool obscured;    // other windows cover it whole
    bool saveron;     // the server's screen saver is on
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
    desk.wasfull |= desk.fullscreen;
}

bool x11hidden() {
    if (desk.window == None) {
        return false;
    }
    // a state left behind by a window manager that has gone tells nothing
    const bool marked = desk.hidden && desk.checkwindow != None;
    return desk.unviewable || desk.obscured || desk.saveron || marked;
}

// A window manager that comes after the show adopts the window as it
// finds it, for with none there at the start nothing asked for full
// screen: a decorated window that runs off the screen. One that gave full
// screen to another window that then covered the show may leave the show
// without it once that window has gone (i3: floating, decorated, larger
// than the screen). So the window manager is asked, the EWMH way for a
// mapped window, whenever the show can be seen: once for one that came
// late, and once each time the show has lost full screen and been out of
// sight since. A show that loses full screen in plain sight (its user's
// choice) is left so, and the one there at the start is never asked
// before it has made the show full screen: SDL did that.
static void askfullscreen() {
    if (desk.checkwindow == None || !desk.adopted || desk.fullscreen) {
        desk.lostunseen = false;
        return;
    }
    const bool hidden = x11hidden();
    desk.lostunseen |= desk.wasfull && hidden;
    if (hidden || (desk.checkwindow == desk.asked && !desk.lostunseen)) {
        return;
    }
    desk.asked = desk.checkwindow;
    desk.wasfull = false;
    desk.lostunseen = false;
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

// X tells a window nothing when it becomes unviewable because a window
// above it (a window manager's frame) is unmapped: so the map notices of
// every window above it are heard too, and the window's own map state is
// read again after any of them. The ancestors change only when the window
// is reparented. Read once the notices are selected, so that none is lost.
static void readviewable() {
    const ErrorTrap trap;
    XWindowAttributes attributes;
    desk.unviewable = XGetWindowAttributes(desk.display, desk.window, &attributes) != 0 &&
                      attributes.map_state != IsViewable;
}

static void watchancestors() {
    const ErrorTrap trap;
    Window window = desk.window, root = None, parent = None, *children = nullptr;
    unsigned int count = 0;
    while (XQueryTree(desk.display, window, &root, &parent, &children, &count) != 0) {
        if (children != nullptr) {
            XFree(children);
        }
        if (parent == None || parent == root) {
            break;
        }
        XSelectInput(desk.display, parent, StructureNotifyMask);
        window = parent;
    }
}

static void readsaver() {
    XScreenSaverInfo info = {};
    desk.saveron =
        XScreenSaverQueryInfo(desk.display, desk.root, &info) != 0 && info.state == ScreenSaverOn;
}

// What tells of a change: the root's size and properties (a window manager
// marks it on arrival), RandR's screen, monitor and output notices, the
// window manager's check window going, and the show's own window being
// moved or handed back to the root. What tells it is out of sight: its
// own map, unmap and visibility notices, those of the windows above it,
// the screen saver's, and its window manager states.
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
        XSelectInput(desk.display, desk.window,
                     StructureNotifyMask | PropertyChangeMask | VisibilityChangeMask);
        if (XRRQueryExtension(desk.display, &eventbase, &errorbase)) {
            XRRSelectInput(
                desk.display, desk.root,
                RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
        }
        if (XScreenSaverQueryExtension(desk.display, &eventbase, &errorbase)) {
            desk.savernotify = eventbase + ScreenSaverNotify;
            XScreenSaverSelectInput(desk.display, desk.root, ScreenSaverNotifyMask);
            readsaver();
        }
    }
    watchancestors();
    fit();
    desk.asked = desk.checkwindow;
    readstates();
    readviewable();
}

// Takes in one event; true when it may change the window's place or the
// window manager, which fit() then looks at.
static bool takein(const XEvent &event, bool &restated) {
    if (event.type == VisibilityNotify) {
        desk.obscured = event.xvisibility.state == VisibilityFullyObscured;
        return false;
    }
    if (desk.savernotify != 0 && event.type == desk.savernotify) {
        const int state = reinterpret_cast<const XScreenSaverNotifyEvent &>(event).state;
        desk.saveron = state == ScreenSaverOn || state == ScreenSaverCycle;
        return false;
    }
    if (event.type == ReparentNotify && event.xreparent.window == desk.window) {
        watchancestors();
    }
    if (event.type == MapNotify || event.type == UnmapNotify || event.type == ReparentNotify) {
        readviewable();
    }
    if (event.type != PropertyNotify) {
        return true;
    }
    const XPropertyEvent &property = event.xproperty;
    if (property.window == desk.window) {
        restated |= property.atom == desk.wmstate || property.atom == desk.netwmstate;
        return false;
    }
    return property.atom == desk.check;
}

void x11poll() {
    if (desk.window == None) {
        return;
    }
    bool changed = false, restated = false;
    while (XPending(desk.display) > 0) {
        XEvent event;
        XNextEvent(desk.display, &event);
        changed |= takein(event, restated);
    }
    if (changed) {
        fit();
    }
    if (restated) {
        readstates();
    }
    askfullscreen();
}

bool x11wait(int ms, pollfd *fds, int buses) {
    if (desk.window == None) {
        return false;
    }
    // SDL's connection too, where keys and the close request come
    if (XPending(desk.display) == 0 && (desk.sdl == nullptr || QLength(desk.sdl) == 0)) {
        nfds_t count = buses;
        fds[count++] = {ConnectionNumber(desk.display), POLLIN, 0};
        if (desk.sdl != nullptr) {
            fds[count++] = {ConnectionNumber(desk.sdl), POLLIN, 0};
        }
        poll(fds, count, ms);
    }
    x11poll();
    return true;
}

bool x11saveron() {
    return desk.saveron;
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
