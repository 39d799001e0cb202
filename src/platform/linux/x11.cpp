// SPDX-License-Identifier: MIT
// The desktop around the window, on X: the window fitted to its monitor
// where no window manager does it, full screen asked for again where one
// took it away, and whether anybody can see the window, as far as X tells
// (docs/desktops.md has what each window manager says). SDL owns its own
// connection; this file's is opened with a deadline, read only between
// frames and never waited on there, and asks the server anything only
// after a change.
#include "platform/linux/desktop.h"

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
    Window window;        // the show's, once SDL has made it
    Window check_window;  // the window manager's EWMH check window, while one is there
    Window asked;         // the check window of the one last asked for full screen
    Atom check;           // _NET_SUPPORTING_WM_CHECK
    Atom wm_state, net_wm_state, net_wm_hidden, net_wm_fullscreen;
    int saver_notify;        // the screen saver extension's first event, or 0
    bool hidden;             // WM_STATE or _NET_WM_STATE says it is out of sight
    bool adopted;            // a window manager has given the window a WM_STATE
    bool fullscreen;         // _NET_WM_STATE says full screen
    bool was_fullscreen;     // it was, under the window manager there now
    bool unseen_since_loss;  // it has been out of sight since it lost full screen
    bool unviewable;         // the window or a window above it is not mapped
    bool obscured;           // other windows cover it whole
    bool saver_on;           // the server's screen saver is on
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
static int ignore_error(Display *, XErrorEvent *) {
    return 0;
}

class ErrorTrap {
public:
    ErrorTrap() : previous(XSetErrorHandler(ignore_error)) {}
    ~ErrorTrap() {
        XSync(desk.display, False);
        XSetErrorHandler(previous);
    }
    ErrorTrap(const ErrorTrap &) = delete;
    ErrorTrap &operator=(const ErrorTrap &) = delete;

private:
    int (*previous)(Display *, XErrorEvent *);
};

bool x11_open() {
    if (env_value("DISPLAY") == nullptr) {
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

void x11_nudge_start() {
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

void x11_nudge_stop() {
    std::unique_lock<std::mutex> hold(nudging.lock);
    nudging.stopping = true;
    nudging.changed.notify_all();
    nudging.changed.wait(hold, [] { return !nudging.running; });
}

// The window that `window`'s _NET_SUPPORTING_WM_CHECK names, or None.
static Window check_window_of(Window window) {
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
    const Window check = check_window_of(desk.root);
    const bool live = check != None && check_window_of(check) == check;
    if (live && check != desk.check_window) {
        XSelectInput(desk.display, check, StructureNotifyMask);
    }
    desk.check_window = live ? check : None;
    return live;
}

// The monitor that holds the window's top left corner, or else the first.
static bool monitor_of(XRectangle &area) {
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
    if (!monitor_of(area)) {
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
static long read_items(Atom property, Atom type, long *items, long most) {
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

static void read_states() {
    const ErrorTrap trap;
    long state = NormalState;
    long states[STATE_ITEMS];
    const long count = read_items(desk.net_wm_state, XA_ATOM, states, STATE_ITEMS);
    desk.adopted = read_items(desk.wm_state, AnyPropertyType, &state, 1) == 1;
    desk.hidden = desk.adopted && state == IconicState;
    desk.fullscreen = false;
    for (long i = 0; i < count; i++) {
        desk.hidden |= states[i] == static_cast<long>(desk.net_wm_hidden);
        desk.fullscreen |= states[i] == static_cast<long>(desk.net_wm_fullscreen);
    }
    desk.was_fullscreen |= desk.fullscreen;
}

bool x11_hidden() {
    if (desk.window == None) {
        return false;
    }
    // a state left behind by a window manager that has gone tells nothing
    const bool marked = desk.hidden && desk.check_window != None;
    return desk.unviewable || desk.obscured || desk.saver_on || marked;
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
static void ask_fullscreen() {
    if (desk.check_window == None || !desk.adopted || desk.fullscreen) {
        desk.unseen_since_loss = false;
        return;
    }
    const bool hidden = x11_hidden();
    desk.unseen_since_loss |= desk.was_fullscreen && hidden;
    if (hidden || (desk.check_window == desk.asked && !desk.unseen_since_loss)) {
        return;
    }
    desk.asked = desk.check_window;
    desk.was_fullscreen = false;
    desk.unseen_since_loss = false;
    XEvent request = {};
    request.xclient.type = ClientMessage;
    request.xclient.window = desk.window;
    request.xclient.message_type = desk.net_wm_state;
    request.xclient.format = 32;
    request.xclient.data.l[0] = STATE_ADD;
    request.xclient.data.l[1] = static_cast<long>(desk.net_wm_fullscreen);
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
static void read_viewable() {
    const ErrorTrap trap;
    XWindowAttributes attributes;
    desk.unviewable = XGetWindowAttributes(desk.display, desk.window, &attributes) != 0 &&
                      attributes.map_state != IsViewable;
}

static void watch_ancestors() {
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

static void read_server_saver() {
    XScreenSaverInfo info = {};
    desk.saver_on =
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
void x11_watch(Display *sdl, unsigned long window) {
    if (desk.display == nullptr) {
        x11_open();
    }
    if (desk.display == nullptr) {
        return;
    }
    desk.root = DefaultRootWindow(desk.display);
    desk.sdl = sdl;
    desk.window = window;
    desk.check = XInternAtom(desk.display, "_NET_SUPPORTING_WM_CHECK", False);
    desk.wm_state = XInternAtom(desk.display, "WM_STATE", False);
    desk.net_wm_state = XInternAtom(desk.display, "_NET_WM_STATE", False);
    desk.net_wm_hidden = XInternAtom(desk.display, "_NET_WM_STATE_HIDDEN", False);
    desk.net_wm_fullscreen = XInternAtom(desk.display, "_NET_WM_STATE_FULLSCREEN", False);
    int event_base = 0, error_base = 0;
    {
        const ErrorTrap trap;
        XSelectInput(desk.display, desk.root, StructureNotifyMask | PropertyChangeMask);
        XSelectInput(desk.display, desk.window,
                     StructureNotifyMask | PropertyChangeMask | VisibilityChangeMask);
        if (XRRQueryExtension(desk.display, &event_base, &error_base)) {
            XRRSelectInput(
                desk.display, desk.root,
                RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
        }
        if (XScreenSaverQueryExtension(desk.display, &event_base, &error_base)) {
            desk.saver_notify = event_base + ScreenSaverNotify;
            XScreenSaverSelectInput(desk.display, desk.root, ScreenSaverNotifyMask);
            read_server_saver();
        }
    }
    watch_ancestors();
    fit();
    desk.asked = desk.check_window;
    read_states();
    read_viewable();
}

// Takes in one event; true when it may change the window's place or the
// window manager, which fit() then looks at.
static bool take_in(const XEvent &event, bool &restated) {
    if (event.type == VisibilityNotify) {
        desk.obscured = event.xvisibility.state == VisibilityFullyObscured;
        return false;
    }
    if (desk.saver_notify != 0 && event.type == desk.saver_notify) {
        const int state = reinterpret_cast<const XScreenSaverNotifyEvent &>(event).state;
        desk.saver_on = state == ScreenSaverOn || state == ScreenSaverCycle;
        return false;
    }
    if (event.type == ReparentNotify && event.xreparent.window == desk.window) {
        watch_ancestors();
    }
    if (event.type == MapNotify || event.type == UnmapNotify || event.type == ReparentNotify) {
        read_viewable();
    }
    if (event.type != PropertyNotify) {
        return true;
    }
    const XPropertyEvent &property = event.xproperty;
    if (property.window == desk.window) {
        restated |= property.atom == desk.wm_state || property.atom == desk.net_wm_state;
        return false;
    }
    return property.atom == desk.check;
}

void x11_poll() {
    if (desk.window == None) {
        return;
    }
    bool changed = false, restated = false;
    while (XPending(desk.display) > 0) {
        XEvent event;
        XNextEvent(desk.display, &event);
        changed |= take_in(event, restated);
    }
    if (changed) {
        fit();
    }
    if (restated) {
        read_states();
    }
    ask_fullscreen();
}

bool x11_wait(int ms, pollfd *fds, int buses) {
    if (desk.window == None) {
        return false;
    }
    // SDL's connection too, where keys and the close request come, but for
    // while the saver is on, when they are left unread
    const bool sdl = desk.sdl != nullptr && !desk.saver_on;
    if (XPending(desk.display) == 0 && (!sdl || QLength(desk.sdl) == 0)) {
        nfds_t count = buses;
        fds[count++] = {ConnectionNumber(desk.display), POLLIN, 0};
        if (sdl) {
            fds[count++] = {ConnectionNumber(desk.sdl), POLLIN, 0};
        }
        poll(fds, count, ms);
    }
    x11_poll();
    return true;
}

bool x11_saver_on() {
    return desk.saver_on;
}

// The server counts each client's suspensions and ignores a release from
// one that holds none, so this is right after any SDL's release.
void x11_saver_free() {
    if (desk.sdl == nullptr) {
        return;
    }
    XScreenSaverSuspend(desk.sdl, False);
    XFlush(desk.sdl);
}
