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
// use. desktop.cpp calls these, and polls the buses' sockets with the
// window system's.
#include <dbus/dbus.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "desktop/systems.h"

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
    dbus_uint32_t systemhello, sessionhello;  // until the bus has answered
    DBusWatch *watches[WATCH_ROOM];
    int watchcount;
    dbus_uint32_t lookup;              // the call that finds the session's object
    bool bypid;                        // it asks by the process, not by XDG_SESSION_ID
    dbus_uint32_t hint;                // the call that reads its LockedHint
    char path[PATH_TEXT];              // the session's object, once found
    bool locked;                       // logind says it is locked
    dbus_uint32_t asked[SAVER_COUNT];  // the calls that read each saver's state
    bool active[SAVER_COUNT];          // each saver says it is active
} ses;

// ---- the connections' sockets, as libdbus asks for them watched ----------
static dbus_bool_t addwatch(DBusWatch *watch, void *) {
    if (ses.watchcount == WATCH_ROOM) {
        return FALSE;
    }
    ses.watches[ses.watchcount++] = watch;
    return TRUE;
}

static void removewatch(DBusWatch *watch, void *) {
    for (int i = 0; i < ses.watchcount; i++) {
        if (ses.watches[i] == watch) {
            ses.watches[i] = ses.watches[--ses.watchcount];
            return;
        }
    }
}

int sessionfds(pollfd *fds) {
    int count = 0;
    for (int i = 0; i < ses.watchcount; i++) {
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

static void addmatch(DBusConnection *bus, const char *rule) {
    DBusMessage *const call = dbus_message_new_method_call(BUS, BUS_PATH, BUS, "AddMatch");
    if (call != nullptr) {
        dbus_message_append_args(call, DBUS_TYPE_STRING, &rule, DBUS_TYPE_INVALID);
        dbus_message_set_no_reply(call, TRUE);
    }
    ask(bus, call);
}

// The bus forgets a client that has not said hello first.
static DBusConnection *openbus(const char *address, dbus_uint32_t &hello) {
    DBusError error;
    dbus_error_init(&error);
    DBusConnection *const bus = dbus_connection_open_private(address, &error);
    dbus_error_free(&error);
    if (bus == nullptr) {
        return nullptr;
    }
    dbus_connection_set_exit_on_disconnect(bus, FALSE);
    if (!dbus_connection_set_watch_functions(bus, addwatch, removewatch, nullptr, nullptr,
                                             nullptr)) {
        dbus_connection_close(bus);
        dbus_connection_unref(bus);
        return nullptr;
    }
    hello = ask(bus, dbus_message_new_method_call(BUS, BUS_PATH, BUS, "Hello"));
    return bus;
}

static void listenowner(DBusConnection *bus, const char *name) {
    char rule[RULE_TEXT];
    snprintf(rule, sizeof rule,
             "type='signal',sender='%s',interface='%s',member='NameOwnerChanged',arg0='%s'", BUS,
             BUS, name);
    addmatch(bus, rule);
}

// Asks logind's manager for a session's object, by one argument.
static void asksession(const char *method, int type, const void *argument) {
    DBusMessage *const call =
        dbus_message_new_method_call(LOGIND, LOGIND_PATH, LOGIND_MANAGER, method);
    if (call != nullptr) {
        dbus_message_append_args(call, type, argument, DBUS_TYPE_INVALID);
    }
    ses.lookup = ask(ses.system, call);
}

static void askbypid() {
    ses.bypid = true;
    const dbus_uint32_t pid = getpid();
    asksession("GetSessionByPID", DBUS_TYPE_UINT32, &pid);
}

// The session the desktop names, or else the one the process runs in.
static void findsession() {
    const char *id = getenv("XDG_SESSION_ID");
    if (id == nullptr || *id == '\0') {
        askbypid();
        return;
    }
    ses.bypid = false;
    asksession("GetSession", DBUS_TYPE_STRING, &id);
}

static void readhint() {
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
static void followsession(const char *path) {
    snprintf(ses.path, sizeof ses.path, "%s", path);
    char rule[RULE_TEXT];
    snprintf(rule, sizeof rule,
             "type='signal',sender='%s',interface='%s',member='PropertiesChanged',path='%s',"
             "arg0='%s'",
             LOGIND, PROPERTIES, ses.path, LOGIND_SESSION);
    addmatch(ses.system, rule);
    readhint();
}

static void readsaver(int saver) {
    ses.asked[saver] =
        ask(ses.session, dbus_message_new_method_call(SAVERS[saver].name, SAVERS[saver].path,
                                                      SAVERS[saver].name, "GetActive"));
}

// ---- hearing ------------------------------------------------------------
// The first argument of a message, where it is of this type.
static bool first(DBusMessage *message, int type, void *value) {
    DBusMessageIter args;
    if (!dbus_message_iter_init(message, &args) || dbus_message_iter_get_arg_type(&args) != type) {
        return false;
    }
    dbus_message_iter_get_basic(&args, value);
    return true;
}

// A boolean inside a variant, as Properties.Get answers.
static bool variantbool(DBusMessageIter *variant, bool &value) {
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
static void sessionchanged(DBusMessage *message) {
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
        const char *name = nullptr;
        dbus_message_iter_get_basic(&entry, &name);
        if (strcmp(name, LOCKED_HINT) == 0 && dbus_message_iter_next(&entry)) {
            variantbool(&entry, ses.locked);
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
        const char *name = nullptr;
        dbus_message_iter_get_basic(&invalidated, &name);
        if (strcmp(name, LOCKED_HINT) == 0) {
            readhint();
        }
    }
}

static void systemanswer(DBusMessage *message, dbus_uint32_t serial, bool failed) {
    if (serial == ses.lookup) {
        ses.lookup = 0;
        const char *path = nullptr;
        if (!failed && first(message, DBUS_TYPE_OBJECT_PATH, &path)) {
            followsession(path);
        } else if (!ses.bypid) {
            askbypid();
        }
    } else if (serial == ses.hint) {
        ses.hint = 0;
        DBusMessageIter args;
        if (!failed && dbus_message_iter_init(message, &args)) {
            variantbool(&args, ses.locked);
        }
    }
}

static void systemsignal(DBusMessage *message) {
    const char *path = dbus_message_get_path(message);
    if (dbus_message_is_signal(message, PROPERTIES, "PropertiesChanged") && path != nullptr &&
        ses.path[0] != '\0' && strcmp(path, ses.path) == 0) {
        sessionchanged(message);
    } else if (dbus_message_is_signal(message, BUS, "NameOwnerChanged")) {
        // logind went or came back: what the old one said holds no more
        ses.locked = false;
        if (ses.path[0] != '\0') {
            readhint();
        } else if (ses.lookup == 0) {
            findsession();
        }
    }
}

static void sessionanswer(DBusMessage *message, dbus_uint32_t serial, bool failed) {
    for (int saver = 0; saver < SAVER_COUNT; saver++) {
        if (serial == ses.asked[saver]) {
            ses.asked[saver] = 0;
            dbus_bool_t active = FALSE;
            ses.active[saver] = !failed && first(message, DBUS_TYPE_BOOLEAN, &active) && active;
        }
    }
}

static void sessionsignal(DBusMessage *message) {
    for (int saver = 0; saver < SAVER_COUNT; saver++) {
        dbus_bool_t active = FALSE;
        if (dbus_message_is_signal(message, SAVERS[saver].name, "ActiveChanged") &&
            first(message, DBUS_TYPE_BOOLEAN, &active)) {
            ses.active[saver] = active;
        }
        // a saver that went or came back is asked afresh
        const char *name = nullptr;
        if (dbus_message_is_signal(message, BUS, "NameOwnerChanged") &&
            first(message, DBUS_TYPE_STRING, &name) && strcmp(name, SAVERS[saver].name) == 0) {
            ses.active[saver] = false;
            readsaver(saver);
        }
    }
}

static DBusHandlerResult hear(DBusConnection *bus, DBusMessage *message, void *) {
    const int type = dbus_message_get_type(message);
    const bool system = bus == ses.system;
    if (type == DBUS_MESSAGE_TYPE_METHOD_RETURN || type == DBUS_MESSAGE_TYPE_ERROR) {
        const dbus_uint32_t serial = dbus_message_get_reply_serial(message);
        dbus_uint32_t &hello = system ? ses.systemhello : ses.sessionhello;
        if (serial == hello) {
            hello = 0;
        }
        const bool failed = type == DBUS_MESSAGE_TYPE_ERROR;
        if (serial != 0) {
            system ? systemanswer(message, serial, failed) : sessionanswer(message, serial, failed);
        }
    } else if (type == DBUS_MESSAGE_TYPE_SIGNAL) {
        system ? systemsignal(message) : sessionsignal(message);
    }
    // calls to the show are answered as unknown
    return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
}

// ---- the watch ------------------------------------------------------------
static const char *sessionaddress() {
    const char *address = getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address != nullptr && *address != '\0') {
        return address;
    }
    // where the session has no address of its own, its bus is in the
    // runtime folder; nothing is ever launched
    static char runtime[PATH_TEXT];
    const char *folder = getenv("XDG_RUNTIME_DIR");
    if (folder == nullptr || *folder == '\0') {
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
static void leaveout(DBusConnection *&bus, dbus_uint32_t hello, const char *variable) {
    if (!unanswered(bus, hello)) {
        return;
    }
    dbus_connection_close(bus);
    dbus_connection_unref(bus);
    bus = nullptr;
    setenv(variable, NO_BUS, 1);
}

void sessionopen() {
    const char *system = getenv("DBUS_SYSTEM_BUS_ADDRESS");
    ses.system =
        openbus(system != nullptr && *system != '\0' ? system : SYSTEM_BUS, ses.systemhello);
    if (ses.system != nullptr) {
        dbus_connection_add_filter(ses.system, hear, nullptr, nullptr);
        listenowner(ses.system, LOGIND);
        findsession();
    }
    const char *session = sessionaddress();
    ses.session = session != nullptr ? openbus(session, ses.sessionhello) : nullptr;
    if (ses.session != nullptr) {
        dbus_connection_add_filter(ses.session, hear, nullptr, nullptr);
        char rule[RULE_TEXT];
        for (int saver = 0; saver < SAVER_COUNT; saver++) {
            snprintf(rule, sizeof rule, "type='signal',interface='%s',member='ActiveChanged'",
                     SAVERS[saver].name);
            addmatch(ses.session, rule);
            listenowner(ses.session, SAVERS[saver].name);
            readsaver(saver);
        }
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + BUS_ANSWER;
    while (unanswered(ses.system, ses.systemhello) || unanswered(ses.session, ses.sessionhello)) {
        pollfd fds[SESSION_FDS];
        const int count = sessionfds(fds);
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (count == 0 || left.count() <= 0) {
            break;
        }
        poll(fds, count, static_cast<int>(left.count()));
        sessionheard(fds, count);
    }
    leaveout(ses.system, ses.systemhello, "DBUS_SYSTEM_BUS_ADDRESS");
    leaveout(ses.session, ses.sessionhello, "DBUS_SESSION_BUS_ADDRESS");
}

// A bus that has gone says nothing more: what it said holds no more.
static void drop(DBusConnection *&bus) {
    if (bus == nullptr || dbus_connection_get_is_connected(bus)) {
        return;
    }
    dbus_connection_close(bus);
    dbus_connection_unref(bus);
    if (&bus == &ses.system) {
        ses.locked = false;
        ses.path[0] = '\0';
    } else {
        for (bool &active : ses.active) {
            active = false;
        }
    }
    bus = nullptr;
}

void sessionheard(const pollfd *fds, int count) {
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
        for (int w = 0; w < ses.watchcount; w++) {
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
    drop(ses.system);
    drop(ses.session);
}

void sessionpoll() {
    pollfd fds[SESSION_FDS];
    const int count = sessionfds(fds);
    if (count > 0) {
        poll(fds, count, 0);
    }
    sessionheard(fds, count);
}

bool sessionlocked() {
    bool active = false;
    for (const bool saver : ses.active) {
        active |= saver;
    }
    return ses.locked || active;
}

void sessionclose() {
    for (DBusConnection *bus : {ses.system, ses.session}) {
        if (bus != nullptr) {
            dbus_connection_close(bus);
            dbus_connection_unref(bus);
        }
    }
    ses = {};
}
