// SPDX-License-Identifier: MIT
// Process entry. Where SDL supplies the entry itself it renames main and
// calls SDL_main; everywhere else this hands over directly.
#include "app/app.h"

#ifndef main
int main(int argc, char **argv) {
    return SDL_main(argc, argv);
}
#endif
