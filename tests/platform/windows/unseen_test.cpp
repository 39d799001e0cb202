// SPDX-License-Identifier: MIT
// Who can see the show on Windows: the session's and the display's
// messages as Windows sends them to the window (the display's carries a
// pointer, which no other process can send, so it is built here), and
// windows of the test's own over one another for what covers a window.
#include "platform/windows/unseen.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

namespace {

class Unseen : public testing::Test {
protected:
    void TearDown() override { unseen_close(); }

    static DWORD session() {
        DWORD id = 0;
        ProcessIdToSessionId(GetCurrentProcessId(), &id);
        return id;
    }
    static void session_says(WPARAM change, DWORD id = session()) {
        unseen_message(WM_WTSSESSION_CHANGE, change, static_cast<LPARAM>(id));
    }

    // WM_POWERBROADCAST with a POWERBROADCAST_SETTING of `length` bytes of
    // data, which hold `status` where there is room
    static void display_says(DWORD status, const GUID &setting = GUID_SESSION_DISPLAY_STATUS,
                             DWORD length = sizeof(DWORD), WPARAM event = PBT_POWERSETTINGCHANGE) {
        std::vector<unsigned char> bytes(offsetof(POWERBROADCAST_SETTING, Data) + sizeof status);
        auto *const message = reinterpret_cast<POWERBROADCAST_SETTING *>(bytes.data());
        message->PowerSetting = setting;
        message->DataLength = length;
        CopyMemory(message->Data, &status, sizeof status);
        unseen_message(WM_POWERBROADCAST, event, reinterpret_cast<LPARAM>(message));
    }
};

TEST_F(Unseen, LockedOrOffTheConsoleUntilBackOnIt) {
    EXPECT_FALSE(unseen_now());
    session_says(WTS_SESSION_LOCK);
    EXPECT_TRUE(unseen_now());
    session_says(WTS_SESSION_UNLOCK);
    EXPECT_FALSE(unseen_now());

    for (const WPARAM away : {WTS_CONSOLE_DISCONNECT, WTS_REMOTE_DISCONNECT}) {
        session_says(away);
        EXPECT_TRUE(unseen_now()) << "after " << away;
        session_says(away == WTS_CONSOLE_DISCONNECT ? WTS_CONSOLE_CONNECT : WTS_REMOTE_CONNECT);
        EXPECT_FALSE(unseen_now()) << "back after " << away;
    }

    // locked while away: unlocked, it is still away
    session_says(WTS_CONSOLE_DISCONNECT);
    session_says(WTS_SESSION_LOCK);
    session_says(WTS_SESSION_UNLOCK);
    EXPECT_TRUE(unseen_now());
    session_says(WTS_CONSOLE_CONNECT);
    EXPECT_FALSE(unseen_now());

    session_says(WTS_SESSION_LOGON);
    session_says(WTS_SESSION_REMOTE_CONTROL);
    EXPECT_FALSE(unseen_now());
}

TEST_F(Unseen, AnotherSessionsNewsChangesNothing) {
    session_says(WTS_SESSION_LOCK, session() + 1);
    EXPECT_FALSE(unseen_now());
    session_says(WTS_SESSION_LOCK);
    session_says(WTS_SESSION_UNLOCK, session() + 1);
    EXPECT_TRUE(unseen_now());
}

TEST_F(Unseen, TheDisplayOffButNotDimmed) {
    constexpr DWORD OFF = 0, ON = 1, DIMMED = 2;
    display_says(OFF);
    EXPECT_TRUE(unseen_now());
    display_says(DIMMED);
    EXPECT_FALSE(unseen_now());
    display_says(OFF);
    display_says(ON);
    EXPECT_FALSE(unseen_now());
}

TEST_F(Unseen, OtherPowerNewsChangesNothing) {
    constexpr DWORD OFF = 0;
    display_says(OFF, GUID_CONSOLE_DISPLAY_STATE);
    display_says(OFF, GUID_SESSION_DISPLAY_STATUS, 0);
    display_says(OFF, GUID_SESSION_DISPLAY_STATUS, sizeof(DWORD) - 1);
    display_says(OFF, GUID_SESSION_DISPLAY_STATUS, sizeof(DWORD), PBT_APMRESUMEAUTOMATIC);
    unseen_message(WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, 0);
    EXPECT_FALSE(unseen_now());
}

// Top-level windows of the test's own, each new one above the ones
// before it, the first being the show's.
class Covered : public testing::Test {
protected:
    static constexpr RECT SHOW = {100, 100, 500, 400};

    void SetUp() override {
        WNDCLASSW kind{};
        kind.lpfnWndProc = DefWindowProcW;
        kind.hInstance = GetModuleHandleW(nullptr);
        kind.lpszClassName = CLASS;
        RegisterClassW(&kind);
        show = open(SHOW);
        ASSERT_NE(show, nullptr);
    }
    void TearDown() override {
        for (HWND window : windows) {
            DestroyWindow(window);
        }
        UnregisterClassW(CLASS, GetModuleHandleW(nullptr));
    }

    HWND open(const RECT &rect, DWORD extended = 0) {
        HWND window = CreateWindowExW(extended, CLASS, L"", WS_POPUP, rect.left, rect.top,
                                      rect.right - rect.left, rect.bottom - rect.top, nullptr,
                                      nullptr, GetModuleHandleW(nullptr), nullptr);
        ShowWindow(window, SW_SHOWNOACTIVATE);
        SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        windows.push_back(window);
        return window;
    }

    static constexpr const wchar_t *CLASS = L"cubebloom test";
    HWND show = nullptr;
    std::vector<HWND> windows;
};

TEST_F(Covered, WholeByOneWindowOrByTwo) {
    EXPECT_FALSE(unseen_covered(show));
    HWND left = open({0, 0, 300, 600});
    EXPECT_FALSE(unseen_covered(show)) << "half of it is free";
    open({300, 50, 600, 450});
    EXPECT_TRUE(unseen_covered(show)) << "two windows side by side";
    ShowWindow(left, SW_HIDE);
    EXPECT_FALSE(unseen_covered(show)) << "one of them hidden";
    ShowWindow(left, SW_SHOWNOACTIVATE);
    ShowWindow(left, SW_SHOWMINNOACTIVE);
    EXPECT_FALSE(unseen_covered(show)) << "one of them minimised";
}

TEST_F(Covered, NotByWhatIsSeenThroughOrBelow) {
    HWND through = open({0, 0, 800, 600}, WS_EX_LAYERED);
    constexpr BYTE HALF = 128;
    SetLayeredWindowAttributes(through, 0, HALF, LWA_ALPHA);
    EXPECT_FALSE(unseen_covered(show)) << "half see-through";
    open({0, 0, 800, 600}, WS_EX_TRANSPARENT);
    EXPECT_FALSE(unseen_covered(show)) << "and one the pointer passes through";
    HWND solid = open({0, 0, 800, 600}, WS_EX_LAYERED);
    constexpr BYTE WHOLE = 255;
    SetLayeredWindowAttributes(solid, 0, WHOLE, LWA_ALPHA);
    EXPECT_TRUE(unseen_covered(show)) << "layered, yet opaque";
    SetWindowPos(show, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_FALSE(unseen_covered(show)) << "the show raised above them all";
}

}  // namespace
