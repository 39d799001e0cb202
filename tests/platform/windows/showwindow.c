// SPDX-License-Identifier: MIT
// Minimises or restores the show's window the way Windows itself does (the
// taskbar, Win+D), from inside wine: wine 10 passes on no minimise that an
// X window manager makes.
//   showwindow.exe minimize|restore    status 1 where there is no window
#include <string.h>
#include <windows.h>

int main(int argc, char **argv) {
    HWND window = FindWindowA(NULL, "cubebloom");
    if (argc != 2 || window == NULL) {
        return 1;
    }
    ShowWindow(window, strcmp(argv[1], "minimize") == 0 ? SW_MINIMIZE : SW_RESTORE);
    return 0;
}
