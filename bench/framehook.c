// SPDX-License-Identifier: MIT
/* Preloaded into cubebloom by the frame-rate measurement (scripts/fps.sh,
 * LD_PRELOAD); wraps SDL_GL_SwapBuffers and leaves the program unchanged.
 *   CUBEBLOOM_FRAME_LOG=F   write to F the frame count, the time from
 *                           process start-up to the first swap, and
 *                           percentiles of the time between swaps: on exit,
 *                           or once the window's last frame is swapped
 *   CUBEBLOOM_WINDOW=A:B    time only frames A+1 .. B (default: all)
 *   CUBEBLOOM_SEED=N        seed the scene with N instead of the clock, so
 *                           a run shows the same waves frame by frame
 *   CUBEBLOOM_EMPTY=1       rand() always gives 0: every wave is one corner
 *                           cube that never spreads, a nearly empty lattice */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

#define MAX_FRAMES 1000000

static void (*realswap)(void);
static long frames;
static long windowfrom, windowto = -1;
static int reported;
static int empty;
static long seed = -1;
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
    if (reported) {
        return;
    }
    reported = 1;
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
    const char *window = getenv("CUBEBLOOM_WINDOW");
    if (window != NULL) {
        sscanf(window, "%ld:%ld", &windowfrom, &windowto);
    }
    const char *seedtext = getenv("CUBEBLOOM_SEED");
    if (seedtext != NULL) {
        seed = atol(seedtext);
    }
    empty = getenv("CUBEBLOOM_EMPTY") != NULL;
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
    } else if (frames >= windowfrom && (windowto < 0 || frames < windowto) && ngaps < MAX_FRAMES) {
        gaps[ngaps++] = (float)((t - lastswap) * 1e3);
    }
    lastswap = t;
    frames++;
    if (frames == windowto && logpath != NULL) {
        report();
    }
}

void srand(unsigned int s) {
    static void (*realsrand)(unsigned int);
    if (realsrand == NULL) {
        realsrand = (void (*)(unsigned int))dlsym(RTLD_NEXT, "srand");
    }
    realsrand(seed >= 0 ? (unsigned int)seed : s);
}

int rand(void) {
    static int (*realrand)(void);
    if (realrand == NULL) {
        realrand = (int (*)(void))dlsym(RTLD_NEXT, "rand");
    }
    return empty ? 0 : realrand();
}
