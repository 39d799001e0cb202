#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""logind, as far as a desktop's locker and the show ask it, on a test's own
system bus: the manager finds sessions by id (GetSession) or, for any
process, the first one (GetSessionByPID, GetSession "auto"), and tells a session to lock or
unlock (LockSession, UnlockSession: its Lock and Unlock signals, as
loginctl lock-session asks); each session has a LockedHint that
SetLockedHint changes, as GNOME Shell and KWin set it, with
PropertiesChanged. Prints "ready" once it owns the name, then one line for
each hint set: "SESSION locked true|false".
  logind.py [--mute] [--display-manager] SESSION...   (optionally SESSION=locked)
With --mute it takes the name and never answers. With --display-manager
it also answers, as org.gnome.DisplayManager, the version that GNOME
Shell asks for before it locks at all."""
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

    @dbus.service.signal(SESSION)
    def Lock(self):
        pass

    @dbus.service.signal(SESSION)
    def Unlock(self):
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

    # "auto" and "self", as logind has them, name the caller's: the first
    @dbus.service.method(MANAGER, in_signature="s", out_signature="o")
    def GetSession(self, ident):
        ident = str(ident)
        return self.path(next(iter(self.sessions)) if ident in ("auto", "self") else ident)

    @dbus.service.method(MANAGER, in_signature="u", out_signature="o")
    def GetSessionByPID(self, pid):
        return self.path(next(iter(self.sessions)))

    @dbus.service.method(MANAGER, in_signature="s")
    def LockSession(self, ident):
        self.path(str(ident))
        self.sessions[str(ident)].Lock()

    @dbus.service.method(MANAGER, in_signature="s")
    def UnlockSession(self, ident):
        self.path(str(ident))
        self.sessions[str(ident)].Unlock()


class DisplayManager(dbus.service.Object):
    INTERFACE = "org.gnome.DisplayManager.Manager"

    def __init__(self, bus):
        super().__init__(bus, "/org/gnome/DisplayManager/Manager")

    @dbus.service.method(PROPERTIES, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        if name != "Version":
            raise dbus.exceptions.DBusException(f"No property {name}")
        return "43.0"


class Mute(dbus.service.FallbackObject):
    """Takes every call and answers none."""

    def _message_cb(self, connection, message):
        pass


dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.SystemBus()
args = sys.argv[1:]
if "--display-manager" in args:
    args.remove("--display-manager")
    display = DisplayManager(bus)
    dm = dbus.service.BusName("org.gnome.DisplayManager", bus)
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
