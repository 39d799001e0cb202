/* Sends the window system's close request (a WM_DELETE_WINDOW client
 * message) to every top-level window that takes one, as a window manager's
 * close button does. Exits 0 when at least one window was asked, 1 if none.
 * Used by the real-window tests. */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <string.h>

static int takesdelete(Display *dpy, Window w, Atom del) {
    Atom *protocols = NULL;
    int count = 0;
    int found = 0;
    if (XGetWMProtocols(dpy, w, &protocols, &count)) {
        for (int i = 0; i < count; i++) {
            found |= protocols[i] == del;
        }
        XFree(protocols);
    }
    return found;
}

int main(void) {
    Display *dpy = XOpenDisplay(NULL);
    if (dpy == NULL) {
        fprintf(stderr, "wmclose: cannot open display\n");
        return 1;
    }
    Atom protocols = XInternAtom(dpy, "WM_PROTOCOLS", False);
    Atom del = XInternAtom(dpy, "WM_DELETE_WINDOW", False);
    Window root, parent, *children = NULL;
    unsigned int count = 0;
    int asked = 0;
    XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &count);
    for (unsigned int i = 0; i < count; i++) {
        if (!takesdelete(dpy, children[i], del)) {
            continue;
        }
        XEvent ev;
        memset(&ev, 0, sizeof ev);
        ev.xclient.type = ClientMessage;
        ev.xclient.window = children[i];
        ev.xclient.message_type = protocols;
        ev.xclient.format = 32;
        ev.xclient.data.l[0] = (long)del;
        ev.xclient.data.l[1] = CurrentTime;
        XSendEvent(dpy, children[i], False, NoEventMask, &ev);
        asked++;
    }
    if (children != NULL) {
        XFree(children);
    }
    XCloseDisplay(dpy);
    return asked > 0 ? 0 : 1;
}
