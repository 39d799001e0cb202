// SPDX-License-Identifier: MIT
// The X requests of the real-window tests that no command-line tool makes:
//   xprobe close WINDOW      send WINDOW the window system's close request
//                            (WM_DELETE_WINDOW), as a window manager's close
//                            button does
//   xprobe cursor            exit 0 when the pointer shows where it stands, 1
//                            when its image is blank (hidden)
//   xprobe saver             exit 0 while the screen saver is on, 1 while off
//   xprobe icon WINDOW FILE  write the first icon of WINDOW's _NET_WM_ICON to
//                            FILE as 8-bit RGBA, row by row, and print its
//                            size, WxH; exit 1 where it has none
//   xprobe grab              take the pointer and the keyboard as a screen
//                            locker does, and let them go: exit 0 when both
//                            were had, 1 (and say which not) otherwise
//   xprobe mark              mark the screen as managed, as a window
//                            manager does (_NET_SUPPORTING_WM_CHECK), until
//                            ended; prints "marked" once it is
// Exits 2 when the display, the cursor or the screen saver cannot be read.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/scrnsaver.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int closewindow(Display *dpy, Window window) {
    XEvent ev = {.xclient = {.type = ClientMessage,
                             .window = window,
                             .message_type = XInternAtom(dpy, "WM_PROTOCOLS", False),
                             .format = 32}};
    ev.xclient.data.l[0] = (long)XInternAtom(dpy, "WM_DELETE_WINDOW", False);
    return XSendEvent(dpy, window, False, NoEventMask, &ev) ? 0 : 2;
}

static int cursor(Display *dpy) {
    XFixesCursorImage *image = XFixesGetCursorImage(dpy);
    int status = image != NULL ? 1 : 2;
    for (int i = 0; image != NULL && i < image->width * image->height; i++) {
        status &= (image->pixels[i] >> 24) == 0;
    }
    XFree(image);
    return status;
}

static int saver(Display *dpy) {
    XScreenSaverInfo *info = XScreenSaverAllocInfo();
    int status = 2;
    if (info != NULL && XScreenSaverQueryInfo(dpy, DefaultRootWindow(dpy), info)) {
        status = info->state == ScreenSaverOn ? 0 : 1;
    }
    XFree(info);
    return status;
}

// _NET_WM_ICON: width, height, then width * height ARGB pixels, one to a
// 32-bit item (a long on the client's side), and maybe more icons after.
static int icon(Display *dpy, Window window, const char *file) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *value = NULL;
    int status = 1;
    if (XGetWindowProperty(dpy, window, XInternAtom(dpy, "_NET_WM_ICON", False), 0, 1 << 20, False,
                           XA_CARDINAL, &type, &format, &count, &after, &value) == Success &&
        format == 32 && count >= 2) {
        const unsigned long *items = (const unsigned long *)value;
        const unsigned long width = items[0], height = items[1];
        FILE *out = width * height <= count - 2 ? fopen(file, "wb") : NULL;
        for (unsigned long i = 0; out != NULL && i < width * height; i++) {
            const unsigned long argb = items[2 + i];
            const unsigned char rgba[4] = {(unsigned char)(argb >> 16), (unsigned char)(argb >> 8),
                                           (unsigned char)argb, (unsigned char)(argb >> 24)};
            fwrite(rgba, 1, sizeof rgba, out);
        }
        if (out != NULL && fclose(out) == 0) {
            printf("%lux%lu\n", width, height);
            status = 0;
        }
    }
    if (value != NULL) {
        XFree(value);
    }
    return status;
}

static int grab(Display *dpy) {
    const Window root = DefaultRootWindow(dpy);
    const int pointer = XGrabPointer(dpy, root, False, ButtonPressMask, GrabModeAsync,
                                     GrabModeAsync, None, None, CurrentTime);
    const int keyboard = XGrabKeyboard(dpy, root, False, GrabModeAsync, GrabModeAsync, CurrentTime);
    XUngrabPointer(dpy, CurrentTime);
    XUngrabKeyboard(dpy, CurrentTime);
    XSync(dpy, False);
    if (pointer != GrabSuccess || keyboard != GrabSuccess) {
        printf("pointer grab %d, keyboard grab %d (0 is success, 1 already grabbed)\n", pointer,
               keyboard);
        return 1;
    }
    return 0;
}

static _Noreturn void mark(Display *dpy) {
    const Window root = DefaultRootWindow(dpy);
    const Window check = XCreateSimpleWindow(dpy, root, 0, 0, 1, 1, 0, 0, 0);
    const Atom name = XInternAtom(dpy, "_NET_SUPPORTING_WM_CHECK", False);
    XChangeProperty(dpy, check, name, XA_WINDOW, 32, PropModeReplace, (unsigned char *)&check, 1);
    XChangeProperty(dpy, root, name, XA_WINDOW, 32, PropModeReplace, (unsigned char *)&check, 1);
    XSync(dpy, False);
    printf("marked\n");
    fflush(stdout);
    for (XEvent event;;) {
        XNextEvent(dpy, &event);
    }
}

int main(int argc, char **argv) {
    Display *dpy = XOpenDisplay(NULL);
    int status = 2;
    if (dpy != NULL && argc == 3 && strcmp(argv[1], "close") == 0) {
        status = closewindow(dpy, (Window)strtoul(argv[2], NULL, 0));
    } else if (dpy != NULL && argc == 2 && strcmp(argv[1], "cursor") == 0) {
        status = cursor(dpy);
    } else if (dpy != NULL && argc == 2 && strcmp(argv[1], "saver") == 0) {
        status = saver(dpy);
    } else if (dpy != NULL && argc == 2 && strcmp(argv[1], "grab") == 0) {
        status = grab(dpy);
    } else if (dpy != NULL && argc == 2 && strcmp(argv[1], "mark") == 0) {
        mark(dpy);
    } else if (dpy != NULL && argc == 4 && strcmp(argv[1], "icon") == 0) {
        status = icon(dpy, (Window)strtoul(argv[2], NULL, 0), argv[3]);
    }
    if (dpy != NULL) {
        XCloseDisplay(dpy);
    }
    return status;
}
