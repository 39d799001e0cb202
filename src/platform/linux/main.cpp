// SPDX-License-Identifier: MIT
// Process entry on Linux: hands over to the shell.
#include "platform/platform.h"

int main(int argc, char **argv) {
    return SDL_main(argc, argv);
}
