// Drives a program window from outside, as a user would, for the Windows
// end-to-end tests:
//   win32-control close TITLE   asks the top-level window titled TITLE to close
//                               (the close command of its system menu)
//   win32-control find TITLE    exit 0 once such a window exists (waits 30 s)
//   win32-control windows TITLE prints how many top-level windows, shown or
//                               hidden, are titled TITLE
//   win32-control mode          prints the desktop's display mode now in
//                               force, "WIDTHxHEIGHTxBITS"
//   win32-control alt-enter TITLE
//                               makes the window the foreground window and
//                               types Alt+Enter into it
//   win32-control alt-enter-close TITLE
//                               the same, then at once asks it to close, so
//                               that the close arrives during the mode change
//                               (to the rebuilt window when the old one is
//                               gone already)
//   win32-control alt-enter-mode TITLE MODE SECONDS
//                               Alt+Enter, then waits up to SECONDS until
//                               the desktop is in MODE (e.g. 800x600x32),
//                               reading it in this one process; prints the
//                               mode last read
//   win32-control ready TITLE framed|popup
//                               waits up to 30 s until the foreground window
//                               is titled TITLE and has a caption (framed) or
//                               none (popup); prints "ready" or "not ready"
//   win32-control minimise TITLE
//                               minimises the window (its minimise button)
//   win32-control other SECONDS opens a window of its own titled "other",
//                               makes it the foreground window and keeps it
//                               there for SECONDS, then prints the mode
// Exit code 0 on success, 1 when there is no such window, 2 on bad usage.
// The waits of 30 s last VZ_E2E_TIME_SCALE times as long (default 1), as the
// scripts' own waits do under full-system emulation.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

HWND find_window(const char* title) { return FindWindowA(nullptr, title); }

// Polls of 100 ms that make up the 30 s waits, scaled.
int wait_polls() {
    const char* scale = std::getenv("VZ_E2E_TIME_SCALE");
    const int factor = scale != nullptr ? std::atoi(scale) : 1;
    return 300 * (factor >= 1 && factor <= 100 ? factor : 1);
}

// The desktop's current mode as WIDTHxHEIGHTxBITS, or "unknown".
std::string current_mode() {
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    if (EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode) == 0) return "unknown";
    return std::to_string(mode.dmPelsWidth) + "x" + std::to_string(mode.dmPelsHeight) + "x" +
           std::to_string(mode.dmBitsPerPel);
}

void print_mode() { std::puts(current_mode().c_str()); }

void pump_for(DWORD ms) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE) != 0) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(10);
    }
}

void key(WORD vk, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
}

int alt_enter(const char* title) {
    HWND window = find_window(title);
    if (window == nullptr) return 1;
    SetForegroundWindow(window);
    Sleep(200);
    key(VK_MENU, false);
    key(VK_RETURN, false);
    key(VK_RETURN, true);
    key(VK_MENU, true);
    return 0;
}

// Asks the window titled `title` to close at once. The program may be
// rebuilding its window just then (Alt+Enter): the request then goes to the
// new window once it exists, as a user would click the close button of the
// window now shown.
int close_soon(const char* title) {
    for (int i = 0; i < wait_polls(); ++i) {
        HWND window = find_window(title);
        if (window != nullptr && PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0) != 0) return 0;
        Sleep(100);
    }
    return 1;
}

// Types Alt+Enter into the window titled `title`, then waits up to `seconds`
// until the desktop is in mode `want`, reading it in this process; prints
// the mode it last read. No program of the desktop starts while the mode
// changes (a fresh process for each reading would).
void alt_enter_then_mode(const char* title, const char* want, int seconds) {
    std::string got = "no window";
    if (alt_enter(title) == 0) {
        const DWORD start = GetTickCount();
        for (;;) {
            got = current_mode();
            if (got == want || GetTickCount() - start >= static_cast<DWORD>(seconds) * 1000) break;
            pump_for(100);
        }
    }
    std::puts(got.c_str());
}

// Waits up to 30 s until the foreground window is titled `title` and has a
// caption (`framed`) or none (`popup`); prints "ready" or "not ready". A
// program that rebuilds its window for Alt+Enter gives the desktop its
// display mode back before the new window exists: keys typed in between
// reach no window.
void wait_ready(const char* title, bool framed) {
    for (int i = 0; i < wait_polls(); ++i) {
        HWND window = GetForegroundWindow();
        char text[256] = {};
        if (window != nullptr && GetWindowTextA(window, text, sizeof text) > 0 && std::strcmp(text, title) == 0 &&
            ((GetWindowLongPtrA(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION) == framed) {
            std::puts("ready");
            return;
        }
        Sleep(100);
    }
    std::puts("not ready");
}

struct Count {
    const char* title;
    int found;
};

BOOL CALLBACK count_window(HWND window, LPARAM data) {
    auto* count = reinterpret_cast<Count*>(data);
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    if (std::strcmp(text, count->title) == 0) ++count->found;
    return TRUE;
}

int other_window(DWORD seconds) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "win32_control_other";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100,
                                  nullptr, nullptr, wc.hInstance, nullptr);
    if (window == nullptr) return 1;
    SetForegroundWindow(window);
    pump_for(seconds * 1000);
    print_mode();
    DestroyWindow(window);
    return 0;
}

void usage() {
    std::fputs(
        "usage: win32-control close|find|windows|alt-enter|alt-enter-close|minimise TITLE,\n"
        "       win32-control ready TITLE framed|popup, win32-control alt-enter-mode TITLE MODE SECONDS,\n"
        "       win32-control mode, win32-control other SECONDS\n",
        stderr);
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc == 2 && std::strcmp(argv[1], "mode") == 0) {
        print_mode();
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "ready") == 0 &&
        (std::strcmp(argv[3], "framed") == 0 || std::strcmp(argv[3], "popup") == 0)) {
        wait_ready(argv[2], std::strcmp(argv[3], "framed") == 0);
        return 0;
    }
    if (argc == 5 && std::strcmp(argv[1], "alt-enter-mode") == 0) {
        const int seconds = std::atoi(argv[4]);
        if (seconds > 0 && seconds <= 6000) {
            alt_enter_then_mode(argv[2], argv[3], seconds);
            return 0;
        }
    }
    if (argc != 3) {
        usage();
        return 2;
    }
    if (std::strcmp(argv[1], "find") == 0) {
        for (int i = 0; i < wait_polls(); ++i) {
            if (find_window(argv[2]) != nullptr) return 0;
            Sleep(100);
        }
        return 1;
    }
    if (std::strcmp(argv[1], "close") == 0) {
        HWND window = find_window(argv[2]);
        if (window == nullptr) return 1;
        // What the close button does: the system command, turned into
        // WM_CLOSE by the window's default handling.
        return PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0) != 0 ? 0 : 1;
    }
    if (std::strcmp(argv[1], "windows") == 0) {
        Count count{argv[2], 0};
        EnumWindows(&count_window, reinterpret_cast<LPARAM>(&count));
        std::printf("%d\n", count.found);
        return 0;
    }
    if (std::strcmp(argv[1], "alt-enter") == 0) return alt_enter(argv[2]);
    if (std::strcmp(argv[1], "alt-enter-close") == 0) {
        if (alt_enter(argv[2]) != 0) return 1;
        return close_soon(argv[2]);
    }
    if (std::strcmp(argv[1], "minimise") == 0) {
        HWND window = find_window(argv[2]);
        if (window == nullptr) return 1;
        return PostMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0) != 0 ? 0 : 1;
    }
    if (std::strcmp(argv[1], "other") == 0) return other_window(static_cast<DWORD>(std::atoi(argv[2])));
    usage();
    return 2;
}
