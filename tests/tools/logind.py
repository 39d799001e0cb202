#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""logind, as far as a desktop's locker and the show ask it, on a test's own
system bus: the manager finds sessions by id (GetSession) or, for any
process, the first one (GetSessionByPID), and each session has a LockedHint
that SetLockedHint changes, as GNOME Shell and KWin set it, with
PropertiesChanged. Prints "ready" once it owns the name, then one line for
each hint set: "SESSION locked true|false".
  logind.py [--mute] SESSION [SESSION...]   (optionally SESSION=locked)
With --mute it takes the name and never answers."""
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

NAME = "org.freedesktop.login1"
MANAGER = NAME + ".Manager"
SESSION = NAME + ".Session"
PROPERTIES = "org.freedesktop.DBus.Properties"
ROOT = "/org/freedesktop/login1"


def say(*words):
    print(*words, flush=True)


class Session(dbus.service.Object):
    def __init__(self, bus, ident, locked):
        super().__init__(bus, f"{ROOT}/session/{ident}")
        self.ident = ident
        self.locked = locked

    @dbus.service.method(SESSION, in_signature="b")
    def SetLockedHint(self, locked):
        self.locked = bool(locked)
        say(self.ident, "locked", "true" if self.locked else "false")
        self.PropertiesChanged(SESSION, {"LockedHint": dbus.Boolean(self.locked)}, [])

    def properties(self):
        return {"Id": self.ident, "LockedHint": dbus.Boolean(self.locked)}

    @dbus.service.method(PROPERTIES, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return self.properties()[name]

    @dbus.service.method(PROPERTIES, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return self.properties()

    @dbus.service.signal(PROPERTIES, signature="sa{sv}as")
    def PropertiesChanged(self, interface, changed, invalidated):
        pass


class Manager(dbus.service.Object):
    def __init__(self, bus, sessions):
        super().__init__(bus, ROOT)
        self.sessions = sessions

    def path(self, ident):
        if ident not in self.sessions:
            raise dbus.exceptions.DBusException(
                f"No session '{ident}' known", name=NAME + ".NoSuchSession")
        return dbus.ObjectPath(f"{ROOT}/session/{ident}")

    @dbus.service.method(MANAGER, in_signature="s", out_signature="o")
    def GetSession(self, ident):
        return self.path(str(ident))

    @dbus.service.method(MANAGER, in_signature="u", out_signature="o")
    def GetSessionByPID(self, pid):
        return self.path(next(iter(self.sessions)))


class Mute(dbus.service.FallbackObject):
    """Takes every call and answers none."""

    def _message_cb(self, connection, message):
        pass


dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.SystemBus()
args = sys.argv[1:]
if args and args[0] == "--mute":
    owned = dbus.service.BusName(NAME, bus)
    service = Mute(bus, ROOT)
else:
    sessions = {}
    for arg in args:
        ident, _, state = arg.partition("=")
        sessions[ident] = Session(bus, ident, state == "locked")
    manager = Manager(bus, sessions)
    owned = dbus.service.BusName(NAME, bus)
say("ready")
GLib.MainLoop().run()
