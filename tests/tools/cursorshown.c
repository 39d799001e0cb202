/* Tells whether the pointer is visible where it stands now: exits 0 when
 * the current cursor image has any pixel that is not fully transparent,
 * 1 when it is blank (hidden), 2 when that cannot be read. Used by the
 * real-window tests. */
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <stdio.h>

int main(void) {
    Display *dpy = XOpenDisplay(NULL);
    if (dpy == NULL) {
        fprintf(stderr, "cursorshown: cannot open display\n");
        return 2;
    }
    XFixesCursorImage *image = XFixesGetCursorImage(dpy);
    if (image == NULL) {
        XCloseDisplay(dpy);
        return 2;
    }
    int shown = 0;
    for (int i = 0; i < image->width * image->height; i++) {
        shown |= (image->pixels[i] >> 24) != 0;
    }
    XFree(image);
    XCloseDisplay(dpy);
    return shown ? 0 : 1;
}
