// SPDX-License-Identifier: MIT
// Who can see the show on Windows. The session and the display tell the
// window through messages (WM_WTSSESSION_CHANGE, WM_POWERBROADCAST), which
// are sent to it, not posted: SDL's event loop never sees them, so the
// window is subclassed. Windows has no message for a window covered by
// others, as X has; the z-order is looked at instead, when a window event
// says something moved, and once a second.
#include "platform/windows/unseen.h"

#include <commctrl.h>
#include <dwmapi.h>
#include <wtsapi32.h>

// ---- constants ----------------------------------------------------------------

// Looks at the z-order: soon after news, yet not on every frame of a
// window being dragged; and with no news, or while asleep, this often.
static constexpr ULONGLONG LOOK_SOONEST_MS = 250;
static constexpr ULONGLONG LOOK_EVERY_MS = 1000;
// The z-order may change while it is walked; a walk stops here.
static constexpr int MOST_WINDOWS_ABOVE = 4096;
static constexpr BYTE OPAQUE_ALPHA = 255;

// What the display's notification carries (GUID_SESSION_DISPLAY_STATUS).
static constexpr DWORD DISPLAY_OFF = 0;

// WTSINFOEXW, as far as the show reads it; older headers lack it. Its
// data is a union aligned for the 64-bit times that follow.
struct SessionInfoEx {
    DWORD level;
    alignas(8) ULONG id;
    WTS_CONNECTSTATE_CLASS state;
    LONG flags;
};
static constexpr auto SESSION_INFO_EX = static_cast<WTS_INFO_CLASS>(25);  // WTSSessionInfoEx
static constexpr DWORD SESSION_INFO_LEVEL = 1;
static constexpr LONG SESSION_LOCKED = 0;  // WTS_SESSIONSTATE_LOCK

// The window events after which the z-order is looked at again, as ranges.
static constexpr DWORD WINDOW_EVENTS[][2] = {
    {EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND},
    {EVENT_SYSTEM_MINIMIZESTART, EVENT_SYSTEM_MINIMIZEEND},
    {EVENT_OBJECT_SHOW, EVENT_OBJECT_REORDER},
    {EVENT_OBJECT_LOCATIONCHANGE, EVENT_OBJECT_LOCATIONCHANGE},
    {EVENT_OBJECT_CLOAKED, EVENT_OBJECT_UNCLOAKED},
};
static constexpr int WINDOW_EVENT_RANGES = sizeof WINDOW_EVENTS / sizeof WINDOW_EVENTS[0];

// ---- state --------------------------------------------------------------------

static struct {
    HWND window;
    bool subclassed;
    HPOWERNOTIFY display;
    HWINEVENTHOOK hooks[WINDOW_EVENT_RANGES];
    bool locked, disconnected, display_off, cloaked, covered;
    bool news;  // a window moved since the last look
    ULONGLONG looked;
} unseen;

// ---- what the session and the display say ------------------------------------

// The session this process runs in, of which alone the show takes news.
static DWORD own_session() {
    static DWORD session = [] {
        DWORD id = 0;
        ProcessIdToSessionId(GetCurrentProcessId(), &id);
        return id;
    }();
    return session;
}

static void session_change(WPARAM change, LPARAM session) {
    if (static_cast<DWORD>(session) != own_session()) {
        return;
    }
    switch (change) {
        case WTS_SESSION_LOCK:
            unseen.locked = true;
            break;
        case WTS_SESSION_UNLOCK:
            unseen.locked = false;
            break;
        case WTS_CONSOLE_DISCONNECT:
        case WTS_REMOTE_DISCONNECT:
            unseen.disconnected = true;
            break;
        case WTS_CONSOLE_CONNECT:
        case WTS_REMOTE_CONNECT:
            unseen.disconnected = false;
            break;
        default:
            break;
    }
}

static void power_change(const POWERBROADCAST_SETTING *setting) {
    if (setting == nullptr || setting->PowerSetting != GUID_SESSION_DISPLAY_STATUS ||
        setting->DataLength < sizeof(DWORD)) {
        return;
    }
    DWORD status = 0;
    CopyMemory(&status, setting->Data, sizeof status);
    unseen.display_off = status == DISPLAY_OFF;  // dimmed is still seen
}

// The session as it stands when the show starts: it may start locked, or
// off the console. Where Windows cannot say, it is taken as seen.
static void read_session() {
    LPWSTR buffer = nullptr;
    DWORD bytes = 0;
    if (WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, WTS_CURRENT_SESSION, SESSION_INFO_EX,
                                    &buffer, &bytes) &&
        bytes >= sizeof(SessionInfoEx)) {
        SessionInfoEx info{};
        CopyMemory(&info, buffer, sizeof info);
        if (info.level == SESSION_INFO_LEVEL) {
            unseen.locked = info.flags == SESSION_LOCKED;
            unseen.disconnected = info.state == WTSDisconnected;
        }
    }
    if (buffer != nullptr) {
        WTSFreeMemory(buffer);
    }
}

static LRESULT CALLBACK heard(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                              DWORD_PTR) {
    unseen_message(message, wparam, lparam);
    return DefSubclassProc(window, message, wparam, lparam);
}

// ---- what covers the window ----------------------------------------------------

static void CALLBACK window_event(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD,
                                  DWORD) {
    if (window != nullptr && object == OBJID_WINDOW && child == CHILDID_SELF &&
        GetAncestor(window, GA_ROOT) == window) {
        unseen.news = true;
    }
}

static bool cloaked(HWND window) {
    DWORD cloak = 0;
    return SUCCEEDED(DwmGetWindowAttribute(window, DWMWA_CLOAKED, &cloak, sizeof cloak)) &&
           cloak != 0;
}

// What a window shows of itself on the screen: without the invisible
// borders Windows 10 gives a window to be grabbed by, where the desktop's
// compositor can say.
static bool bounds(HWND window, RECT &rect) {
    return SUCCEEDED(
               DwmGetWindowAttribute(window, DWMWA_EXTENDED_FRAME_BOUNDS, &rect, sizeof rect)) ||
           GetWindowRect(window, &rect) != FALSE;
}

// A window that hides what is under it. One drawn with per-pixel alpha,
// see-through, or keyed on a colour may not, and counts as hiding nothing.
static bool opaque(HWND window) {
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_EXSTYLE);
    if ((style & WS_EX_TRANSPARENT) != 0) {
        return false;
    }
    if ((style & WS_EX_LAYERED) == 0) {
        return true;
    }
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    return GetLayeredWindowAttributes(window, &key, &alpha, &flags) &&
           (flags & LWA_COLORKEY) == 0 && ((flags & LWA_ALPHA) == 0 || alpha == OPAQUE_ALPHA);
}

static bool hides(HWND window, RECT &rect) {
    return IsWindowVisible(window) && !IsIconic(window) && !cloaked(window) && opaque(window) &&
           bounds(window, rect);
}

bool unseen_covered(HWND window) {
    RECT own;
    if (!bounds(window, own) || IsRectEmpty(&own)) {
        return false;
    }
    HRGN uncovered = CreateRectRgnIndirect(&own);
    HRGN above = CreateRectRgn(0, 0, 0, 0);
    int left = SIMPLEREGION;
    HWND other = GetWindow(window, GW_HWNDPREV);
    for (int walked = 0; other != nullptr && left != NULLREGION && walked < MOST_WINDOWS_ABOVE;
         ++walked, other = GetWindow(other, GW_HWNDPREV)) {
        RECT theirs;
        if (hides(other, theirs)) {
            SetRectRgn(above, theirs.left, theirs.top, theirs.right, theirs.bottom);
            left = CombineRgn(uncovered, uncovered, above, RGN_DIFF);
        }
    }
    DeleteObject(above);
    DeleteObject(uncovered);
    return left == NULLREGION;
}

// ---- the watch -----------------------------------------------------------------

void unseen_watch(HWND window) {
    unseen.window = window;
    read_session();
    unseen.subclassed = SetWindowSubclass(window, &heard, 0, 0) != FALSE;
    WTSRegisterSessionNotification(window, NOTIFY_FOR_THIS_SESSION);
    // Windows answers at once with the display's state as it stands.
    unseen.display = RegisterPowerSettingNotification(window, &GUID_SESSION_DISPLAY_STATUS,
                                                      DEVICE_NOTIFY_WINDOW_HANDLE);
    for (int range = 0; range < WINDOW_EVENT_RANGES; ++range) {
        unseen.hooks[range] = SetWinEventHook(WINDOW_EVENTS[range][0], WINDOW_EVENTS[range][1],
                                              nullptr, &window_event, 0, 0, WINEVENT_OUTOFCONTEXT);
    }
    unseen.news = true;
}

void unseen_message(UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_WTSSESSION_CHANGE) {
        session_change(wparam, lparam);
    } else if (message == WM_POWERBROADCAST && wparam == PBT_POWERSETTINGCHANGE) {
        // the message carries the setting's address
        // NOLINTNEXTLINE(performance-no-int-to-ptr)
        power_change(reinterpret_cast<const POWERBROADCAST_SETTING *>(lparam));
    }
}

void unseen_look(bool asleep) {
    const ULONGLONG since = GetTickCount64() - unseen.looked;
    const bool due = since >= LOOK_EVERY_MS || (!asleep && unseen.news && since >= LOOK_SOONEST_MS);
    if (unseen.window == nullptr || !due) {
        return;
    }
    unseen.looked += since;
    unseen.news = false;
    unseen.cloaked = cloaked(unseen.window);
    unseen.covered = !unseen.cloaked && unseen_covered(unseen.window);
}

DWORD unseen_due_in() {
    const ULONGLONG since = GetTickCount64() - unseen.looked;
    return since >= LOOK_EVERY_MS ? 0 : static_cast<DWORD>(LOOK_EVERY_MS - since);
}

bool unseen_now() {
    return unseen.locked || unseen.disconnected || unseen.display_off || unseen.cloaked ||
           unseen.covered;
}

void unseen_close() {
    for (HWINEVENTHOOK hook : unseen.hooks) {
        if (hook != nullptr) {
            UnhookWinEvent(hook);
        }
    }
    if (unseen.display != nullptr) {
        UnregisterPowerSettingNotification(unseen.display);
    }
    if (unseen.window != nullptr) {
        WTSUnRegisterSessionNotification(unseen.window);
    }
    if (unseen.subclassed) {
        RemoveWindowSubclass(unseen.window, &heard, 0);
    }
    unseen = {};
}
