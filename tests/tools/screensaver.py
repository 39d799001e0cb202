#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""A desktop's screen saver service on a test's own session bus: by default
org.freedesktop.ScreenSaver, as KDE and Xfce offer it, or another of the
same shape (org.gnome.ScreenSaver). It hands out a cookie for each Inhibit,
tells its state (GetActive) and changes it (SetActive, as a locker does),
with ActiveChanged. After "ready", once it owns the name, it prints one
line for each thing that happens:
  inhibit COOKIE APPLICATION   an inhibit taken
  uninhibit COOKIE             let go
  gone COOKIE                  its holder left the bus while holding it
  active true|false            the saver's state set
  screensaver.py [--name NAME] [--active] [--mute]
--active starts it active; --mute takes the name and never answers."""
import argparse

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib


def say(*words):
    print(*words, flush=True)


def service(name):
    class ScreenSaver(dbus.service.Object):
        def __init__(self, bus, path, active):
            super().__init__(bus, path)
            self.cookies = 0
            self.holders = {}
            self.active = active
            bus.add_signal_receiver(self.ownerchanged, "NameOwnerChanged", "org.freedesktop.DBus")

        @dbus.service.method(name, in_signature="ss", out_signature="u", sender_keyword="sender")
        def Inhibit(self, application, reason, sender):
            self.cookies += 1
            self.holders[self.cookies] = sender
            say("inhibit", self.cookies, application)
            return self.cookies

        @dbus.service.method(name, in_signature="u", sender_keyword="sender")
        def UnInhibit(self, cookie, sender):
            if self.holders.pop(int(cookie), None) is not None:
                say("uninhibit", int(cookie))

        @dbus.service.method(name, out_signature="b")
        def GetActive(self):
            return self.active

        @dbus.service.method(name, in_signature="b", out_signature="b")
        def SetActive(self, active):
            self.active = bool(active)
            say("active", "true" if self.active else "false")
            self.ActiveChanged(self.active)
            return True

        @dbus.service.signal(name, signature="b")
        def ActiveChanged(self, active):
            pass

        def ownerchanged(self, owner, old, new):
            if new:
                return
            for cookie, holder in list(self.holders.items()):
                if holder == owner:
                    del self.holders[cookie]
                    say("gone", cookie)

    return ScreenSaver


class Mute(dbus.service.Object):
    """Takes every call and answers none."""

    def _message_cb(self, connection, message):
        pass


parser = argparse.ArgumentParser()
parser.add_argument("--name", default="org.freedesktop.ScreenSaver")
parser.add_argument("--active", action="store_true")
parser.add_argument("--mute", action="store_true")
options = parser.parse_args()
path = "/" + options.name.replace(".", "/")
dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
if options.mute:
    saver = Mute(bus, path)
else:
    saver = service(options.name)(bus, path, options.active)
owned = dbus.service.BusName(options.name, bus)
say("ready")
GLib.MainLoop().run()
