// SPDX-License-Identifier: MIT
// The desktop around the window, on Wayland. A compositor sends a surface
// no frame callback while nobody can see it (on a workspace not shown,
// minimised) and sends the one outstanding as soon as it can be seen
// again; that is the one sign every Wayland desktop gives. SDL asks for
// callbacks of its own but gives up waiting for them after a few frames,
// and passes nothing on. So the show asks for callbacks of its own, on a
// queue of its own that SDL never dispatches, through a wrapper of SDL's
// surface: a request made right before a frame is carried by that frame's
// swap. One outstanding for longer than UNSEEN_AFTER after its swap means
// the window is out of sight, until it comes.
// Everything here runs on the main thread, between SDL's calls, and reads
// SDL's connection only through the calls libwayland gives any second
// reader of a display; an error on it is the compositor lost. Before SDL
// starts, a connection of this file's own finds out whether the compositor
// answers at all.
#include <poll.h>
#include <wayland-client.h>

#include <chrono>
#include <cstdarg>

#include "platform/linux/desktop.h"

// A compositor that shows the window answers within a refresh or two, and
// one that refreshes 4 times a second within this; a few more frames still
// come once the window is out of sight.
constexpr auto UNSEEN_AFTER = std::chrono::milliseconds(250);
// xdg_toplevel's requests, numbered as xdg-shell numbers them; its
// interface is SDL's, and the requests need nothing else of it.
constexpr uint32_t TOPLEVEL_SET_MAX_SIZE = 7;
constexpr uint32_t TOPLEVEL_SET_MIN_SIZE = 8;
constexpr uint32_t TOPLEVEL_SET_FULLSCREEN = 11;
constexpr uint32_t TOPLEVEL_UNSET_FULLSCREEN = 12;
constexpr int32_t ANY_SIZE = 0;

static struct {
    wl_display *display;
    wl_event_queue *queue;
    wl_surface *surface;        // the wrapper, whose requests' replies come to queue
    wl_proxy *toplevel;         // SDL's, if it gave it
    wl_callback *callback;      // the frame callback outstanding, if any
    Clock::time_point carried;  // when the swap that carried it was over
    bool swapped;               // carried holds that time
} way;

// libwayland-client writes complaints of its own to standard error as SDL
// looks for a compositor (no runtime folder, none listening) and when the
// connection breaks; the show says its one line about each.
static void drop_log(const char *, va_list) {}

void wayland_hush() {
    wl_log_set_handler_client(drop_log);
}

// Connects as SDL will and waits for the compositor to answer one round
// trip, for at most DISPLAY_ANSWER_SECONDS: SDL waits with no limit on one
// that takes the connection and never reads it (a stopped compositor).
static void answered(void *data, wl_callback *, uint32_t) {
    *static_cast<bool *>(data) = true;
}
static const wl_callback_listener ANSWER_LISTENER = {answered};

bool wayland_open() {
    wl_display *const display = wl_display_connect(nullptr);
    if (display == nullptr) {
        return true;
    }
    bool done = false;
    wl_callback *const sync = wl_display_sync(display);
    wl_callback_add_listener(sync, &ANSWER_LISTENER, &done);
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(DISPLAY_ANSWER_SECONDS);
    bool late = false;
    while (!done) {
        wl_display_flush(display);
        pollfd connection = {wl_display_get_fd(display), POLLIN, 0};
        late = poll_until(&connection, 1, deadline) == 0;
        if (late || wl_display_dispatch(display) < 0) {
            break;
        }
    }
    wl_callback_destroy(sync);
    wl_display_disconnect(display);
    return !late;
}

static void frame_done(void *, wl_callback *callback, uint32_t) {
    wl_callback_destroy(callback);
    way.callback = nullptr;
}
static const wl_callback_listener FRAME_LISTENER = {frame_done};

void wayland_watch(wl_display *display, wl_surface *surface, xdg_toplevel *toplevel) {
    way.display = display;
    way.toplevel = reinterpret_cast<wl_proxy *>(toplevel);
    way.queue = wl_display_create_queue(display);
    if (way.queue == nullptr) {
        return;
    }
    way.surface = static_cast<wl_surface *>(wl_proxy_create_wrapper(surface));
    if (way.surface == nullptr) {
        wl_event_queue_destroy(way.queue);
        way.queue = nullptr;
        return;
    }
    wl_proxy_set_queue(reinterpret_cast<wl_proxy *>(way.surface), way.queue);
}

// Takes in what has come for the queue: what SDL has read already, or else
// what arrives on the connection within `ms`, or until one of `others`
// (polled with it, in fds before it) has something. Whatever else it reads
// stays queued for SDL.
static void take_in(int ms, pollfd *fds, int others) {
    if (wl_display_prepare_read_queue(way.display, way.queue) != 0) {
        wl_display_dispatch_queue_pending(way.display, way.queue);
        return;
    }
    wl_display_flush(way.display);
    pollfd &connection = fds[others];
    connection = {wl_display_get_fd(way.display), POLLIN, 0};
    if (poll(fds, others + 1, ms) > 0 && connection.revents != 0) {
        wl_display_read_events(way.display);
    } else {
        wl_display_cancel_read(way.display);
    }
    wl_display_dispatch_queue_pending(way.display, way.queue);
}

// Takes in, without waiting, what has come for the queue.
static void take_in_now() {
    pollfd connection;
    take_in(0, &connection, 0);
}

void wayland_poll() {
    if (way.surface == nullptr) {
        return;
    }
    take_in_now();
    if (way.callback == nullptr) {
        way.callback = wl_surface_frame(way.surface);
        wl_callback_add_listener(way.callback, &FRAME_LISTENER, nullptr);
        way.swapped = false;
    }
}

bool wayland_hidden() {
    if (way.callback == nullptr) {
        return false;
    }
    take_in_now();
    if (way.callback == nullptr) {
        return false;
    }
    const Clock::time_point now = Clock::now();
    if (!way.swapped) {
        way.carried = now;
        way.swapped = true;
    }
    return now - way.carried > UNSEEN_AFTER;
}

// The size SDL pinned goes first (the commit makes it count), then full
// screen is left and taken again in one go: sway takes a second request
// for full screen alone as nothing to do.
void wayland_refill() {
    if (way.toplevel == nullptr || way.surface == nullptr) {
        return;
    }
    const uint32_t version = wl_proxy_get_version(way.toplevel);
    wl_proxy_marshal_flags(way.toplevel, TOPLEVEL_SET_MAX_SIZE, nullptr, version, 0, ANY_SIZE,
                           ANY_SIZE);
    wl_proxy_marshal_flags(way.toplevel, TOPLEVEL_SET_MIN_SIZE, nullptr, version, 0, ANY_SIZE,
                           ANY_SIZE);
    wl_surface_commit(way.surface);
    wl_proxy_marshal_flags(way.toplevel, TOPLEVEL_UNSET_FULLSCREEN, nullptr, version, 0);
    wl_proxy_marshal_flags(way.toplevel, TOPLEVEL_SET_FULLSCREEN, nullptr, version, 0, nullptr);
    wl_display_flush(way.display);
}

bool wayland_wait(int ms, pollfd *fds, int buses) {
    if (way.surface == nullptr) {
        return false;
    }
    take_in(ms, fds, buses);
    return true;
}

int wayland_lost() {
    return way.display == nullptr ? 0 : wl_display_get_error(way.display);
}

void wayland_close() {
    if (way.callback != nullptr) {
        wl_callback_destroy(way.callback);
    }
    if (way.surface != nullptr) {
        wl_proxy_wrapper_destroy(way.surface);
    }
    if (way.queue != nullptr) {
        wl_event_queue_destroy(way.queue);
    }
    way = {};
}
