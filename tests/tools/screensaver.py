#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""A desktop's screen saver service, org.freedesktop.ScreenSaver, on a
test's own session bus: it hands out a cookie for each Inhibit and prints
one line for each thing that happens to an inhibit:
  inhibit COOKIE APPLICATION   taken
  uninhibit COOKIE             let go
  gone COOKIE                  its holder left the bus while holding it
after "ready" once it owns the name."""
import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

NAME = "org.freedesktop.ScreenSaver"


def say(*words):
    print(*words, flush=True)


class ScreenSaver(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, "/org/freedesktop/ScreenSaver")
        self.cookies = 0
        self.holders = {}
        bus.add_signal_receiver(self.ownerchanged, "NameOwnerChanged", "org.freedesktop.DBus")

    @dbus.service.method(NAME, in_signature="ss", out_signature="u", sender_keyword="sender")
    def Inhibit(self, application, reason, sender):
        self.cookies += 1
        self.holders[self.cookies] = sender
        say("inhibit", self.cookies, application)
        return self.cookies

    @dbus.service.method(NAME, in_signature="u", sender_keyword="sender")
    def UnInhibit(self, cookie, sender):
        if self.holders.pop(int(cookie), None) is not None:
            say("uninhibit", int(cookie))

    def ownerchanged(self, name, old, new):
        if new:
            return
        for cookie, holder in list(self.holders.items()):
            if holder == name:
                del self.holders[cookie]
                say("gone", cookie)


dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
owned = dbus.service.BusName(NAME, bus)
service = ScreenSaver(bus)
say("ready")
GLib.MainLoop().run()
