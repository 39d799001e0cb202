// SPDX-License-Identifier: MIT
// Preloaded into cubebloom by the real-window tests (LD_PRELOAD); leaves
// the program unchanged unless asked:
//   CUBEBLOOM_STOP_AT=N     stop the process (SIGSTOP) right after frame N
//                           is swapped, so a screenshot can catch it
//   CUBEBLOOM_FRAMES=FILE   keep the count of frames swapped so far in FILE
//   CUBEBLOOM_EVENTS=FILE   write each key press, focus or visibility change
//                           and quit request the program takes into FILE,
//                           one a line, after the frame count it came at
//   CUBEBLOOM_REFUSE_X=N    the first N connects to an X server's socket
//                           fail with EAGAIN, as a busy server's can
#ifndef _GNU_SOURCE  // sdl-config --cflags may define it
#define _GNU_SOURCE
#endif
#include <SDL.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

static long frames, refused;
static int countfile = -1;
static FILE *eventfile;

// The next definitions, looked up once: the program polls for events on
// every pass and every wake-up, and the hook must not add to what a
// sleeping program is measured to cost.
static void (*swapnext)(void);
static int (*pollnext)(SDL_Event *);

void SDL_GL_SwapBuffers(void) {
    if (swapnext == NULL) {
        swapnext = (void (*)(void))dlsym(RTLD_NEXT, "SDL_GL_SwapBuffers");
    }
    swapnext();
    frames++;
    const char *count = getenv("CUBEBLOOM_FRAMES");
    if (count != NULL && countfile < 0) {
        countfile = open(count, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    }
    if (countfile >= 0) {
        char text[24];
        const int length = snprintf(text, sizeof text, "%20ld\n", frames);
        (void)!pwrite(countfile, text, (size_t)length, 0);
    }
    const char *stop = getenv("CUBEBLOOM_STOP_AT");
    if (stop != NULL && frames == atol(stop)) {
        raise(SIGSTOP);
    }
}

static int logevent(int taken, const SDL_Event *event) {
    const char *name = getenv("CUBEBLOOM_EVENTS");
    if (!taken || event == NULL || name == NULL) {
        return taken;
    }
    if (eventfile == NULL && (eventfile = fopen(name, "we")) == NULL) {
        return taken;
    }
    if (event->type == SDL_KEYDOWN) {
        fprintf(eventfile, "%ld key %s\n", frames, SDL_GetKeyName(event->key.keysym.sym));
    } else if (event->type == SDL_ACTIVEEVENT) {
        fprintf(eventfile, "%ld active gain=%d state=%s%s%s\n", frames, event->active.gain,
                event->active.state & SDL_APPMOUSEFOCUS ? "mouse," : "",
                event->active.state & SDL_APPINPUTFOCUS ? "input," : "",
                event->active.state & SDL_APPACTIVE ? "active," : "");
    } else if (event->type == SDL_QUIT) {
        fprintf(eventfile, "%ld quit\n", frames);
    }
    fflush(eventfile);
    return taken;
}

int SDL_PollEvent(SDL_Event *event) {
    if (pollnext == NULL) {
        pollnext = (int (*)(SDL_Event *))dlsym(RTLD_NEXT, "SDL_PollEvent");
    }
    return logevent(pollnext(event), event);
}

// X sockets live under .X11-unix, on the file system or (leading NUL) in
// the abstract namespace.
int connect(int fd, const struct sockaddr *addr, socklen_t length) {
    const char *refuse = getenv("CUBEBLOOM_REFUSE_X");
    const struct sockaddr_un *local = (const struct sockaddr_un *)addr;
    if (refuse != NULL && refused < atol(refuse) && addr->sa_family == AF_UNIX &&
        length > sizeof(sa_family_t) &&
        memmem(local->sun_path, length - sizeof(sa_family_t), ".X11-unix", 9) != NULL) {
        refused++;
        errno = EAGAIN;
        return -1;
    }
    return ((int (*)(int, const struct sockaddr *, socklen_t))dlsym(RTLD_NEXT, "connect"))(fd, addr,
                                                                                           length);
}
