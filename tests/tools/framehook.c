/* Preloaded into cubebloom by the tests and the frame-rate measurement
 * (LD_PRELOAD); wraps SDL_GL_SwapBuffers and leaves the program unchanged.
 *   CUBEBLOOM_STOP_AT=N     stop the process (SIGSTOP) right after frame N
 *                           is swapped, so a screenshot can catch it
 *   CUBEBLOOM_FRAME_LOG=F   on exit, write to F the frame count, the time
 *                           from the first instruction to the first swap,
 *                           and percentiles of the time between swaps */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

#define MAX_FRAMES 1000000

static void (*realswap)(void);
static long frames;
static long stopat = -1;
static const char *logpath;
static double started, lastswap, firstswap;
static float gaps[MAX_FRAMES];
static long ngaps;

static double now(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

static int bygap(const void *a, const void *b) {
    float x = *(const float *)a, y = *(const float *)b;
    return (x > y) - (x < y);
}

static double percentile(double p) {
    long i = (long)(p / 100.0 * (double)(ngaps - 1) + 0.5);
    return gaps[i];
}

static void report(void) {
    FILE *f = fopen(logpath, "w");
    if (f == NULL) {
        return;
    }
    qsort(gaps, (size_t)ngaps, sizeof gaps[0], bygap);
    fprintf(f, "frames %ld\n", frames);
    fprintf(f, "first_frame_ms %.1f\n", (firstswap - started) * 1e3);
    if (ngaps > 0) {
        fprintf(f, "frame_ms_p50 %.2f\nframe_ms_p90 %.2f\nframe_ms_p99 %.2f\n", percentile(50),
                percentile(90), percentile(99));
        fprintf(f, "fps_median %.1f\n", 1e3 / percentile(50));
    }
    fclose(f);
}

__attribute__((constructor)) static void hookstart(void) {
    started = now();
    const char *stop = getenv("CUBEBLOOM_STOP_AT");
    if (stop != NULL) {
        stopat = atol(stop);
    }
    logpath = getenv("CUBEBLOOM_FRAME_LOG");
    if (logpath != NULL) {
        atexit(report);
    }
}

void SDL_GL_SwapBuffers(void) {
    if (realswap == NULL) {
        realswap = (void (*)(void))dlsym(RTLD_NEXT, "SDL_GL_SwapBuffers");
    }
    realswap();
    double t = now();
    if (frames == 0) {
        firstswap = t;
    } else if (ngaps < MAX_FRAMES) {
        gaps[ngaps++] = (float)((t - lastswap) * 1e3);
    }
    lastswap = t;
    frames++;
    if (frames == stopat) {
        raise(SIGSTOP);
        lastswap = now();
    }
}
