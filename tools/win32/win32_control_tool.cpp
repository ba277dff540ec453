// Drives a program window from outside, as a user would, for the Windows
// end-to-end tests:
//   win32-control close TITLE   asks the top-level window titled TITLE to close
//                               (the close command of its system menu)
//   win32-control find TITLE    exit 0 once such a window exists (waits 30 s)
// Exit code 0 on success, 1 when there is no such window, 2 on bad usage.

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

HWND find_window(const char* title) { return FindWindowA(nullptr, title); }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: win32-control close|find TITLE\n", stderr);
        return 2;
    }
    if (std::strcmp(argv[1], "find") == 0) {
        for (int i = 0; i < 300; ++i) {
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
    std::fputs("usage: win32-control close|find TITLE\n", stderr);
    return 2;
}
