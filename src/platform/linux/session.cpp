// SPDX-License-Identifier: MIT
// The session around the show, whatever window system SDL took: whether
// it is locked, as logind says in its session's LockedHint on the system
// bus, and whether the session's screen saver is active, as the desktop's
// screen saver service says on the session bus (GNOME's, and the
// freedesktop one that KDE, Xfce and others answer to). Some lock screens
// keep sending a covered window its frames (GNOME Shell's), and there this
// is the only sign that nobody can see the show.
// Either one saying so is enough: logind's hint is set by the locker, the
// saver's state also covers a blanked screen that was never locked.
// Each bus is a private connection of this file's own, opened before SDL
// starts, then asked and read without ever waiting on it: a service that
// never answers leaves the show as it would be with none. A bus that takes
// the connection and never answers (a stopped bus daemon) is given
// BUS_ANSWER to say hello, and is then left out, by the show and by SDL,
// which would wait for it with no limit as it starts. No bus, no logind,
// no screen saver service: nothing is said, and the session counts as in
// use. linux.cpp calls these, and polls the buses' sockets with the
// window system's.
#include <dbus/dbus.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "platform/linux/desktop.h"

constexpr const char *BUS = "org.freedesktop.DBus";
constexpr const char *BUS_PATH = "/org/freedesktop/DBus";
constexpr const char *PROPERTIES = "org.freedesktop.DBus.Properties";
constexpr const char *LOGIND = "org.freedesktop.login1";
constexpr const char *LOGIND_PATH = "/org/freedesktop/login1";
constexpr const char *LOGIND_MANAGER = "org.freedesktop.login1.Manager";
constexpr const char *LOGIND_SESSION = "org.freedesktop.login1.Session";
constexpr const char *LOCKED_HINT = "LockedHint";
constexpr const char *SYSTEM_BUS = "unix:path=/var/run/dbus/system_bus_socket";

// The screen saver services of the desktops, each its own name, interface
// and object, with GetActive and ActiveChanged.
struct Saver {
    const char *name;
    const char *path;
};
constexpr Saver SAVERS[] = {
    {"org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver"},
    {"org.gnome.ScreenSaver", "/org/gnome/ScreenSaver"},
    {"org.mate.ScreenSaver", "/org/mate/ScreenSaver"},
    {"org.cinnamon.ScreenSaver", "/org/cinnamon/ScreenSaver"},
    {"org.xfce.ScreenSaver", "/org/xfce/ScreenSaver"},
};
constexpr int SAVER_COUNT = sizeof SAVERS / sizeof SAVERS[0];

// A bus daemon answers a hello within milliseconds, even on a busy machine.
constexpr auto BUS_ANSWER = std::chrono::milliseconds(2000);
// An address that fails at once, for SDL in place of a bus that does not
// answer.
constexpr const char *NO_BUS = "disabled:";

constexpr size_t RULE_TEXT = 512;
constexpr size_t PATH_TEXT = 256;

// A connection has a watch or two on its socket; room for both buses'.
constexpr int WATCH_ROOM = SESSION_FDS;

static struct {
    DBusConnection *system, *session;
    dbus_uint32_t system_hello, session_hello;  // until the bus has answered
    DBusWatch *watches[WATCH_ROOM];
    int watch_count;
    dbus_uint32_t lookup;              // the call that finds the session's object
    bool by_pid;                       // it asks by the process, not by XDG_SESSION_ID
    dbus_uint32_t hint;                // the call that reads its LockedHint
    char path[PATH_TEXT];              // the session's object, once found
    bool locked;                       // logind says it is locked
    dbus_uint32_t asked[SAVER_COUNT];  // the calls that read each saver's state
    bool active[SAVER_COUNT];          // each saver says it is active
} ses;

// ---- the connections' sockets, as libdbus asks for them watched ----------
static dbus_bool_t add_watch(DBusWatch *watch, void *) {
    if (ses.watch_count == WATCH_ROOM) {
        return FALSE;
    }
    ses.watches[ses.watch_count++] = watch;
    return TRUE;
}

static void remove_watch(DBusWatch *watch, void *) {
    for (int i = 0; i < ses.watch_count; i++) {
        if (ses.watches[i] == watch) {
            ses.watches[i] = ses.watches[--ses.watch_count];
            return;
        }
    }
}

int session_fds(pollfd *fds) {
    int count = 0;
    for (int i = 0; i < ses.watch_count; i++) {
        DBusWatch *const watch = ses.watches[i];
        if (!dbus_watch_get_enabled(watch)) {
            continue;
        }
        const unsigned flags = dbus_watch_get_flags(watch);
        fds[count++] = {dbus_watch_get_unix_fd(watch),
                        static_cast<short>(((flags & DBUS_WATCH_READABLE) ? POLLIN : 0) |
                                           ((flags & DBUS_WATCH_WRITABLE) ? POLLOUT : 0)),
                        0};
    }
    return count;
}

// ---- asking -------------------------------------------------------------
// Sends a call whose answer the filter takes in by its serial; 0 where it
// could not be sent. No call starts a service that is not running.
static dbus_uint32_t ask(DBusConnection *bus, DBusMessage *call) {
    dbus_uint32_t serial = 0;
    if (call != nullptr) {
        dbus_message_set_auto_start(call, FALSE);
        if (!dbus_connection_send(bus, call, &serial)) {
            serial = 0;
        }
        dbus_message_unref(call);
    }
    return serial;
}

static void add_match(DBusConnection *bus, const char *rule) {
    DBusMessage *const call = dbus_message_new_method_call(BUS, BUS_PATH, BUS, "AddMatch");
    if (call != nullptr) {
        dbus_message_append_args(call, DBUS_TYPE_STRING, &rule, DBUS_TYPE_INVALID);
        dbus_message_set_no_reply(call, TRUE);
    }
    ask(bus, call);
}

static void close_bus(DBusConnection *&bus) {
    dbus_connection_close(bus);
    dbus_connection_unref(bus);
    bus = nullptr;
}

// The bus forgets a client that has not said hello first.
static DBusConnection *open_bus(const char *address, dbus_uint32_t &hello) {
    DBusError error;
    dbus_error_init(&error);
    DBusConnection *bus = dbus_connection_open_private(address, &error);
    dbus_error_free(&error);
    if (bus == nullptr) {
        return nullptr;
    }
    dbus_connection_set_exit_on_disconnect(bus, FALSE);
    if (!dbus_connection_set_watch_functions(bus, add_watch, remove_watch, nullptr, nullptr,
                                             nullptr)) {
        close_bus(bus);
        return nullptr;
    }
    hello = ask(bus, dbus_message_new_method_call(BUS, BUS_PATH, BUS, "Hello"));
    return bus;
}

static void listen_owner(DBusConnection *bus, const char *name) {
    char rule[RULE_TEXT];
    snprintf(rule, sizeof rule,
             "type='signal',sender='%s',interface='%s',member='NameOwnerChanged',arg0='%s'", BUS,
             BUS, name);
    add_match(bus, rule);
}

// Asks logind's manager for a session's object, by one argument.
static void ask_session(const char *method, int type, const void *argument) {
    DBusMessage *const call =
        dbus_message_new_method_call(LOGIND, LOGIND_PATH, LOGIND_MANAGER, method);
    if (call != nullptr) {
        dbus_message_append_args(call, type, argument, DBUS_TYPE_INVALID);
    }
    ses.lookup = ask(ses.system, call);
}

static void ask_by_pid() {
    ses.by_pid = true;
    const dbus_uint32_t pid = getpid();
    ask_session("GetSessionByPID", DBUS_TYPE_UINT32, &pid);
}

// The session the desktop names, or else the one the process runs in.
static void find_session() {
    const char *id = env_value("XDG_SESSION_ID");
    if (id == nullptr) {
        ask_by_pid();
        return;
    }
    ses.by_pid = false;
    ask_session("GetSession", DBUS_TYPE_STRING, static_cast<const void *>(&id));
}

static void read_hint() {
    DBusMessage *const call = dbus_message_new_method_call(LOGIND, ses.path, PROPERTIES, "Get");
    const char *interface = LOGIND_SESSION;
    if (call != nullptr) {
        dbus_message_append_args(call, DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING, &LOCKED_HINT,
                                 DBUS_TYPE_INVALID);
    }
    ses.hint = ask(ses.system, call);
}

// The session's changes are heard from before its hint is read, so that
// none falls between the two.
static void follow_session(const char *path) {
    snprintf(ses.path, sizeof ses.path, "%s", path);
    char rule[RULE_TEXT];
    snprintf(rule, sizeof rule,
             "type='signal',sender='%s',interface='%s',member='PropertiesChanged',path='%s',"
             "arg0='%s'",
             LOGIND, PROPERTIES, ses.path, LOGIND_SESSION);
    add_match(ses.system, rule);
    read_hint();
}

static void ask_saver(int saver) {
    ses.asked[saver] =
        ask(ses.session, dbus_message_new_method_call(SAVERS[saver].name, SAVERS[saver].path,
                                                      SAVERS[saver].name, "GetActive"));
}

// ---- hearing ------------------------------------------------------------
// The string or object path an iterator stands on, or null where it stands
// on something else.
static const char *iter_text(DBusMessageIter *iter, int type) {
    const char *text = nullptr;
    if (dbus_message_iter_get_arg_type(iter) == type) {
        dbus_message_iter_get_basic(iter, static_cast<void *>(&text));
    }
    return text;
}

// The first argument of a message, as iter_text reads it.
static const char *first_text(DBusMessage *message, int type) {
    DBusMessageIter args;
    return dbus_message_iter_init(message, &args) ? iter_text(&args, type) : nullptr;
}

// Whether the first argument of a message is a boolean, and its value.
static bool first_bool(DBusMessage *message, bool &value) {
    DBusMessageIter args;
    if (!dbus_message_iter_init(message, &args) ||
        dbus_message_iter_get_arg_type(&args) != DBUS_TYPE_BOOLEAN) {
        return false;
    }
    dbus_bool_t b = FALSE;
    dbus_message_iter_get_basic(&args, &b);
    value = b != FALSE;
    return true;
}

// A boolean inside a variant, as Properties.Get answers.
static bool variant_bool(DBusMessageIter *variant, bool &value) {
    DBusMessageIter inner;
    if (dbus_message_iter_get_arg_type(variant) != DBUS_TYPE_VARIANT) {
        return false;
    }
    dbus_message_iter_recurse(variant, &inner);
    if (dbus_message_iter_get_arg_type(&inner) != DBUS_TYPE_BOOLEAN) {
        return false;
    }
    dbus_bool_t b = FALSE;
    dbus_message_iter_get_basic(&inner, &b);
    value = b;
    return true;
}

// PropertiesChanged of the session: the hint's new value where it is
// given, or read again where it is only said to have changed.
static void session_changed(DBusMessage *message) {
    DBusMessageIter args, changed, entry;
    if (!dbus_message_has_signature(message, "sa{sv}as") ||
        !dbus_message_iter_init(message, &args) || !dbus_message_iter_next(&args) ||
        dbus_message_iter_get_arg_type(&args) != DBUS_TYPE_ARRAY) {
        return;
    }
    for (dbus_message_iter_recurse(&args, &changed);
         dbus_message_iter_get_arg_type(&changed) == DBUS_TYPE_DICT_ENTRY;
         dbus_message_iter_next(&changed)) {
        dbus_message_iter_recurse(&changed, &entry);
        const char *name = iter_text(&entry, DBUS_TYPE_STRING);
        if (name != nullptr && strcmp(name, LOCKED_HINT) == 0 && dbus_message_iter_next(&entry)) {
            variant_bool(&entry, ses.locked);
        }
    }
    DBusMessageIter invalidated;
    if (!dbus_message_iter_next(&args) ||
        dbus_message_iter_get_arg_type(&args) != DBUS_TYPE_ARRAY) {
        return;
    }
    for (dbus_message_iter_recurse(&args, &invalidated);
         dbus_message_iter_get_arg_type(&invalidated) == DBUS_TYPE_STRING;
         dbus_message_iter_next(&invalidated)) {
        const char *name = iter_text(&invalidated, DBUS_TYPE_STRING);
        if (name != nullptr && strcmp(name, LOCKED_HINT) == 0) {
            read_hint();
        }
    }
}

static void system_answer(DBusMessage *message, dbus_uint32_t serial, bool failed) {
    if (serial == ses.lookup) {
        ses.lookup = 0;
        const char *path = failed ? nullptr : first_text(message, DBUS_TYPE_OBJECT_PATH);
        if (path != nullptr) {
            follow_session(path);
        } else if (!ses.by_pid) {
            ask_by_pid();
        }
    } else if (serial == ses.hint) {
        ses.hint = 0;
        DBusMessageIter args;
        if (!failed && dbus_message_iter_init(message, &args)) {
            variant_bool(&args, ses.locked);
        }
    }
}

static void system_signal(DBusMessage *message) {
    const char *path = dbus_message_get_path(message);
    if (dbus_message_is_signal(message, PROPERTIES, "PropertiesChanged") && path != nullptr &&
        ses.path[0] != '\0' && strcmp(path, ses.path) == 0) {
        session_changed(message);
    } else if (dbus_message_is_signal(message, BUS, "NameOwnerChanged")) {
        // logind went or came back: what the old one said holds no more
        ses.locked = false;
        if (ses.path[0] != '\0') {
            read_hint();
        } else if (ses.lookup == 0) {
            find_session();
        }
    }
}

static void session_answer(DBusMessage *message, dbus_uint32_t serial, bool failed) {
    for (int saver = 0; saver < SAVER_COUNT; saver++) {
        if (serial == ses.asked[saver]) {
            ses.asked[saver] = 0;
            bool active = false;
            ses.active[saver] = !failed && first_bool(message, active) && active;
        }
    }
}

static void session_signal(DBusMessage *message) {
    for (int saver = 0; saver < SAVER_COUNT; saver++) {
        bool active = false;
        if (dbus_message_is_signal(message, SAVERS[saver].name, "ActiveChanged") &&
            first_bool(message, active)) {
            ses.active[saver] = active;
        }
        // a saver that went or came back is asked afresh
        const char *name = dbus_message_is_signal(message, BUS, "NameOwnerChanged")
                               ? first_text(message, DBUS_TYPE_STRING)
                               : nullptr;
        if (name != nullptr && strcmp(name, SAVERS[saver].name) == 0) {
            ses.active[saver] = false;
            ask_saver(saver);
        }
    }
}

static DBusHandlerResult on_message(DBusConnection *bus, DBusMessage *message, void *) {
    const int type = dbus_message_get_type(message);
    const bool system = bus == ses.system;
    if (type == DBUS_MESSAGE_TYPE_METHOD_RETURN || type == DBUS_MESSAGE_TYPE_ERROR) {
        const dbus_uint32_t serial = dbus_message_get_reply_serial(message);
        dbus_uint32_t &hello = system ? ses.system_hello : ses.session_hello;
        if (serial == hello) {
            hello = 0;
        }
        const bool failed = type == DBUS_MESSAGE_TYPE_ERROR;
        if (serial != 0) {
            system ? system_answer(message, serial, failed)
                   : session_answer(message, serial, failed);
        }
    } else if (type == DBUS_MESSAGE_TYPE_SIGNAL) {
        system ? system_signal(message) : session_signal(message);
    }
    // calls to the show are answered as unknown
    return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
}

// ---- the watch ------------------------------------------------------------
static const char *session_address() {
    const char *address = env_value("DBUS_SESSION_BUS_ADDRESS");
    if (address != nullptr) {
        return address;
    }
    // where the session has no address of its own, its bus is in the
    // runtime folder; nothing is ever launched
    static char runtime[PATH_TEXT];
    const char *folder = env_value("XDG_RUNTIME_DIR");
    if (folder == nullptr) {
        return nullptr;
    }
    snprintf(runtime, sizeof runtime, "%s/bus", folder);
    if (access(runtime, F_OK) != 0) {
        return nullptr;
    }
    snprintf(runtime, sizeof runtime, "unix:path=%s/bus", folder);
    return runtime;
}

static bool unanswered(const DBusConnection *bus, dbus_uint32_t hello) {
    return bus != nullptr && hello != 0;
}

// Shuts a bus that has not answered, and points SDL elsewhere.
static void leave_out(DBusConnection *&bus, dbus_uint32_t hello, const char *variable) {
    if (!unanswered(bus, hello)) {
        return;
    }
    close_bus(bus);
    setenv(variable, NO_BUS, 1);
}

void session_open() {
    const char *system = env_value("DBUS_SYSTEM_BUS_ADDRESS");
    ses.system = open_bus(system != nullptr ? system : SYSTEM_BUS, ses.system_hello);
    if (ses.system != nullptr) {
        dbus_connection_add_filter(ses.system, on_message, nullptr, nullptr);
        listen_owner(ses.system, LOGIND);
        find_session();
    }
    const char *session = session_address();
    ses.session = session != nullptr ? open_bus(session, ses.session_hello) : nullptr;
    if (ses.session != nullptr) {
        dbus_connection_add_filter(ses.session, on_message, nullptr, nullptr);
        char rule[RULE_TEXT];
        for (int saver = 0; saver < SAVER_COUNT; saver++) {
            snprintf(rule, sizeof rule, "type='signal',interface='%s',member='ActiveChanged'",
                     SAVERS[saver].name);
            add_match(ses.session, rule);
            listen_owner(ses.session, SAVERS[saver].name);
            ask_saver(saver);
        }
    }
    const Clock::time_point deadline = Clock::now() + BUS_ANSWER;
    while (unanswered(ses.system, ses.system_hello) || unanswered(ses.session, ses.session_hello)) {
        pollfd fds[SESSION_FDS];
        const int count = session_fds(fds);
        if (count == 0 || poll_until(fds, count, deadline) == 0) {
            break;
        }
        session_heard(fds, count);
    }
    leave_out(ses.system, ses.system_hello, "DBUS_SYSTEM_BUS_ADDRESS");
    leave_out(ses.session, ses.session_hello, "DBUS_SESSION_BUS_ADDRESS");
}

// A bus that has gone says nothing more: what it said holds no more.
static void drop_if_gone(DBusConnection *&bus) {
    if (bus == nullptr || dbus_connection_get_is_connected(bus)) {
        return;
    }
    if (&bus == &ses.system) {
        ses.locked = false;
        ses.path[0] = '\0';
    } else {
        for (bool &active : ses.active) {
            active = false;
        }
    }
    close_bus(bus);
}

void session_heard(const pollfd *fds, int count) {
    for (int i = 0; i < count; i++) {
        if (fds[i].revents == 0) {
            continue;
        }
        unsigned flags = 0;
        flags |= (fds[i].revents & POLLIN) ? DBUS_WATCH_READABLE : 0;
        flags |= (fds[i].revents & POLLOUT) ? DBUS_WATCH_WRITABLE : 0;
        flags |= (fds[i].revents & POLLERR) ? DBUS_WATCH_ERROR : 0;
        flags |= (fds[i].revents & POLLHUP) ? DBUS_WATCH_HANGUP : 0;
        // handling one watch may remove others: each is looked up afresh
        for (int w = 0; w < ses.watch_count; w++) {
            DBusWatch *const watch = ses.watches[w];
            if (dbus_watch_get_enabled(watch) && dbus_watch_get_unix_fd(watch) == fds[i].fd) {
                dbus_watch_handle(watch, flags & (dbus_watch_get_flags(watch) | DBUS_WATCH_ERROR |
                                                  DBUS_WATCH_HANGUP));
            }
        }
    }
    for (DBusConnection *bus : {ses.system, ses.session}) {
        if (bus != nullptr) {
            while (dbus_connection_dispatch(bus) == DBUS_DISPATCH_DATA_REMAINS) {
            }
        }
    }
    drop_if_gone(ses.system);
    drop_if_gone(ses.session);
}

void session_poll() {
    pollfd fds[SESSION_FDS];
    const int count = session_fds(fds);
    if (count > 0) {
        poll(fds, count, 0);
    }
    session_heard(fds, count);
}

bool session_locked() {
    bool active = false;
    for (const bool saver : ses.active) {
        active |= saver;
    }
    return ses.locked || active;
}

void session_close() {
    for (DBusConnection **bus : {&ses.system, &ses.session}) {
        if (*bus != nullptr) {
            close_bus(*bus);
        }
    }
    ses = {};
}
