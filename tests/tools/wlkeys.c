// SPDX-License-Identifier: MIT
// A keyboard for the tests' Wayland sessions, where no real one is
// plugged in: a virtual keyboard with the standard "us" keymap that stays
// for the whole session, so that the show holds it from the start and no
// keyboard comes or goes under it (each one that does takes the focus
// away a moment). Keys come from a FIFO, one line each, as keysym names:
//   NAME    press and release the key that gives NAME ("2", "Escape")
//   +NAME   press it and hold it
//   -NAME   release it
//   wlkeys FIFO
// Prints "ready" once the compositor has the keyboard, and each line it
// has sent once the compositor has it too. Runs until killed.
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include "virtual-keyboard-client.h"

enum { RELEASED, PRESSED };
enum { EVDEV_OFFSET = 8 };  // xkb keycodes are evdev codes plus 8

static struct wl_seat *seat;
static struct zwp_virtual_keyboard_manager_v1 *manager;
static struct xkb_keymap *keymap;

static void global(void *data, struct wl_registry *registry, uint32_t name, const char *interface,
                   uint32_t version) {
    (void)data, (void)version;
    if (strcmp(interface, wl_seat_interface.name) == 0 && seat == NULL) {
        seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
    } else if (strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0) {
        manager = wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1);
    }
}
static void global_remove(void *data, struct wl_registry *registry, uint32_t name) {
    (void)data, (void)registry, (void)name;
}
static const struct wl_registry_listener REGISTRY = {global, global_remove};

static uint32_t milliseconds(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (uint32_t)(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

// The evdev code of the first key whose first level gives `sym`, or -1.
static int codeof(xkb_keysym_t sym) {
    for (xkb_keycode_t key = xkb_keymap_min_keycode(keymap); key <= xkb_keymap_max_keycode(keymap);
         key++) {
        const xkb_keysym_t *syms = NULL;
        if (xkb_keymap_key_get_syms_by_level(keymap, key, 0, 0, &syms) > 0 && syms[0] == sym) {
            return (int)key - EVDEV_OFFSET;
        }
    }
    return -1;
}

static void sendkeymap(struct zwp_virtual_keyboard_v1 *keyboard) {
    char *text = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
    const size_t size = strlen(text) + 1;
    const int fd = memfd_create("keymap", MFD_CLOEXEC);
    if (fd < 0 || write(fd, text, size) != (ssize_t)size) {
        fprintf(stderr, "wlkeys: cannot hand over the keymap\n");
        exit(1);
    }
    zwp_virtual_keyboard_v1_keymap(keyboard, XKB_KEYMAP_FORMAT_TEXT_V1, fd, (uint32_t)size);
    close(fd);
    free(text);
}

int main(int argc, char **argv) {
    struct wl_display *display = wl_display_connect(NULL);
    if (argc != 2 || display == NULL) {
        fprintf(stderr, "usage: wlkeys FIFO, in a Wayland session\n");
        return 2;
    }
    wl_registry_add_listener(wl_display_get_registry(display), &REGISTRY, NULL);
    wl_display_roundtrip(display);
    struct xkb_context *context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    const struct xkb_rule_names us = {"evdev", "pc105", "us", "", ""};
    keymap = context == NULL ? NULL : xkb_keymap_new_from_names(context, &us, 0);
    if (seat == NULL || manager == NULL || keymap == NULL) {
        fprintf(stderr, "wlkeys: no seat, no virtual keyboards, or no keymap\n");
        return 1;
    }
    struct zwp_virtual_keyboard_v1 *keyboard =
        zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(manager, seat);
    sendkeymap(keyboard);
    if (wl_display_roundtrip(display) < 0) {
        fprintf(stderr, "wlkeys: the compositor refused the keyboard\n");
        return 1;
    }
    printf("ready\n");
    fflush(stdout);
    for (;;) {
        FILE *fifo = fopen(argv[1], "re");  // waits for a writer; again after each
        char line[64];
        while (fifo != NULL && fgets(line, sizeof line, fifo) != NULL) {
            line[strcspn(line, "\n")] = '\0';
            const char *name = line + (line[0] == '+' || line[0] == '-');
            const int code = codeof(xkb_keysym_from_name(name, XKB_KEYSYM_NO_FLAGS));
            if (code < 0) {
                fprintf(stderr, "wlkeys: no key gives %s\n", name);
                continue;
            }
            if (line[0] != '-') {
                zwp_virtual_keyboard_v1_key(keyboard, milliseconds(), (uint32_t)code, PRESSED);
            }
            if (line[0] != '+') {
                zwp_virtual_keyboard_v1_key(keyboard, milliseconds(), (uint32_t)code, RELEASED);
            }
            if (wl_display_roundtrip(display) < 0) {
                fprintf(stderr, "wlkeys: the compositor has gone\n");
                return 1;
            }
            printf("%s\n", line);
            fflush(stdout);
        }
        if (fifo == NULL) {
            perror(argv[1]);
            return 1;
        }
        fclose(fifo);
    }
}
