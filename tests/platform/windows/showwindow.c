// SPDX-License-Identifier: MIT
// Does to the show's window, from inside wine, what Windows itself does:
//   minimize, restore      as the taskbar and Win+D do (wine 10 passes on no
//                          minimise that an X window manager makes)
//   lock, unlock, console-disconnect, console-connect, remote-disconnect,
//   remote-connect         WM_WTSSESSION_CHANGE, sent to every window of
//                          the show, as Windows sends it to windows that
//                          asked for the session's news
//   cover                  a black window of its own over the whole screen,
//                          in front, until uncover closes it
// Status 1 where there is no window to do it to, or it is not answered
// within 10 s.
#include <string.h>
#include <windows.h>

#define TITLE "cubebloom"
#define COVER_TITLE "cover"
#define ANSWER_WITHIN_MS 10000

static const struct {
    const char *name;
    WPARAM change;
} SESSION_CHANGES[] = {
    {"lock", WTS_SESSION_LOCK},
    {"unlock", WTS_SESSION_UNLOCK},
    {"console-disconnect", WTS_CONSOLE_DISCONNECT},
    {"console-connect", WTS_CONSOLE_CONNECT},
    {"remote-disconnect", WTS_REMOTE_DISCONNECT},
    {"remote-connect", WTS_REMOTE_CONNECT},
};

struct news {
    WPARAM change;
    DWORD session;
    int told;
    BOOL answered;
};

static BOOL CALLBACK tell(HWND window, LPARAM data) {
    struct news *news = (struct news *)data;
    char title[sizeof TITLE + 1];
    DWORD_PTR result;
    if (GetWindowTextA(window, title, sizeof title) > 0 && strcmp(title, TITLE) == 0) {
        news->told++;
        news->answered &=
            SendMessageTimeoutA(window, WM_WTSSESSION_CHANGE, news->change, (LPARAM)news->session,
                                SMTO_NORMAL, ANSWER_WITHIN_MS, &result) != 0;
    }
    return TRUE;
}

static int session_change(WPARAM change) {
    struct news news = {change, 0, 0, TRUE};
    ProcessIdToSessionId(GetCurrentProcessId(), &news.session);
    EnumWindows(tell, (LPARAM)&news);
    return news.told > 0 && news.answered ? 0 : 1;
}

static LRESULT CALLBACK cover_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

static int cover(void) {
    WNDCLASSA kind = {0};
    kind.lpfnWndProc = cover_message;
    kind.hInstance = GetModuleHandleA(NULL);
    kind.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    kind.lpszClassName = COVER_TITLE;
    RegisterClassA(&kind);
    HWND window =
        CreateWindowExA(WS_EX_TOPMOST, COVER_TITLE, COVER_TITLE, WS_POPUP | WS_VISIBLE,
                        GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                        GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN),
                        NULL, NULL, kind.hInstance, NULL);
    if (window == NULL) {
        return 1;
    }
    SetForegroundWindow(window);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        DispatchMessageA(&message);
    }
    return 0;
}

int main(int argc, char **argv) {
    if (argc != 2) {
        return 1;
    }
    for (size_t i = 0; i < sizeof SESSION_CHANGES / sizeof SESSION_CHANGES[0]; i++) {
        if (strcmp(argv[1], SESSION_CHANGES[i].name) == 0) {
            return session_change(SESSION_CHANGES[i].change);
        }
    }
    if (strcmp(argv[1], "cover") == 0) {
        return cover();
    }
    HWND window = FindWindowA(NULL, strcmp(argv[1], "uncover") == 0 ? COVER_TITLE : TITLE);
    if (window == NULL) {
        return 1;
    }
    if (strcmp(argv[1], "uncover") == 0) {
        return PostMessageA(window, WM_CLOSE, 0, 0) ? 0 : 1;
    }
    ShowWindow(window, strcmp(argv[1], "minimize") == 0 ? SW_MINIMIZE : SW_RESTORE);
    return 0;
}
