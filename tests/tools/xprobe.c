// SPDX-License-Identifier: MIT
// The X requests of the real-window tests that no command-line tool makes:
//   xprobe close WINDOW   send WINDOW the window system's close request
//                         (WM_DELETE_WINDOW), as a window manager's close
//                         button does
//   xprobe cursor         exit 0 when the pointer shows where it stands, 1
//                         when its image is blank (hidden)
// Exits 2 when the display or the cursor cannot be read.
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char **argv) {
    Display *dpy = XOpenDisplay(NULL);
    int status = 2;
    if (dpy != NULL && argc == 3 && strcmp(argv[1], "close") == 0) {
        XEvent ev = {.xclient = {.type = ClientMessage,
                                 .window = (Window)strtoul(argv[2], NULL, 0),
                                 .message_type = XInternAtom(dpy, "WM_PROTOCOLS", False),
                                 .format = 32}};
        ev.xclient.data.l[0] = (long)XInternAtom(dpy, "WM_DELETE_WINDOW", False);
        status = XSendEvent(dpy, ev.xclient.window, False, NoEventMask, &ev) ? 0 : 2;
    } else if (dpy != NULL && argc == 2 && strcmp(argv[1], "cursor") == 0) {
        XFixesCursorImage *image = XFixesGetCursorImage(dpy);
        status = image != NULL ? 1 : 2;
        for (int i = 0; image != NULL && i < image->width * image->height; i++) {
            status &= (image->pixels[i] >> 24) == 0;
        }
        XFree(image);
    }
    if (dpy != NULL) {
        XCloseDisplay(dpy);
    }
    return status;
}
