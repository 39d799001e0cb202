// SPDX-License-Identifier: MIT
// A bare SDL 1.2 window, as a program that sets no icon has it: the
// real-window tests read what a window manager gives such a window.
// Runs until the window system's close request.
#include <SDL.h>

enum { WIDTH = 320, HEIGHT = 240, WAIT_MS = 50 };

int main(int argc, char **argv) {
    (void)argc, (void)argv;
    if (SDL_Init(SDL_INIT_VIDEO) < 0 || SDL_SetVideoMode(WIDTH, HEIGHT, 0, 0) == NULL) {
        return 1;
    }
    SDL_WM_SetCaption("bare", "bare");
    for (;;) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            if (event.type == SDL_QUIT) {
                SDL_Quit();
                return 0;
            }
        }
        SDL_Delay(WAIT_MS);
    }
}
