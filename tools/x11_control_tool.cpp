// Small X11 requests the end-to-end tests need and the stock tools lack:
//   x11-control close WINDOW   sends WINDOW the window manager's close request
//                              (a WM_DELETE_WINDOW client message)
//   x11-control add-mode W H   adds a W x H mode to the first output (RandR)
//   x11-control crtc           prints the first active CRTC as WxH+X+Y
//   x11-control map-key KEYSYM puts KEYSYM on a key code that has none and
//                              prints that key code, so that a later
//                              `xdotool key KEYSYM` finds it mapped instead
//                              of remapping a key only for the moment of the
//                              press (which a busy client may read after the
//                              mapping was already taken back)
//   x11-control saver [SECONDS] prints the screen-saver timeout, or sets it
// Exit code 0 on success, 1 on failure, 2 on bad arguments.

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool g_failed = false;

int note_error(Display*, XErrorEvent* event) {
    std::fprintf(stderr, "X error %d (request %d)\n", event->error_code, event->request_code);
    g_failed = true;
    return 0;
}

int close_window(Display* d, Window w) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = w;
    event.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, w, False, NoEventMask, &event);
    XSync(d, False);
    return g_failed ? 1 : 0;
}

int add_mode(Display* d, unsigned width, unsigned height) {
    const Window root = DefaultRootWindow(d);
    XRRScreenResources* res = XRRGetScreenResources(d, root);
    if (res == nullptr) return 1;
    if (res->noutput == 0) {
        XRRFreeScreenResources(res);
        return 1;
    }
    std::string name = std::to_string(width) + "x" + std::to_string(height);
    XRRModeInfo mode{};
    mode.width = width;
    mode.height = height;
    mode.name = name.data();
    mode.nameLength = static_cast<unsigned>(name.size());
    mode.dotClock = 60ul * (width + 160) * (height + 30);
    mode.hTotal = width + 160;
    mode.vTotal = height + 30;
    const RRMode id = XRRCreateMode(d, root, &mode);
    XRRAddOutputMode(d, res->outputs[0], id);
    XSync(d, False);
    XRRFreeScreenResources(res);
    return g_failed ? 1 : 0;
}

int print_crtc(Display* d) {
    XRRScreenResources* res = XRRGetScreenResourcesCurrent(d, DefaultRootWindow(d));
    if (res == nullptr) return 1;
    int result = 1;
    for (int i = 0; i < res->ncrtc && result != 0; ++i) {
        XRRCrtcInfo* info = XRRGetCrtcInfo(d, res, res->crtcs[i]);
        if (info != nullptr && info->mode != None) {
            std::printf("%ux%u+%d+%d\n", info->width, info->height, info->x, info->y);
            result = 0;
        }
        if (info != nullptr) XRRFreeCrtcInfo(info);
    }
    XRRFreeScreenResources(res);
    return result;
}

int map_key(Display* d, const char* name) {
    const KeySym sym = XStringToKeysym(name);
    if (sym == NoSymbol) return 1;
    int min_code = 0;
    int max_code = 0;
    XDisplayKeycodes(d, &min_code, &max_code);
    int per_code = 0;
    KeySym* map = XGetKeyboardMapping(d, static_cast<KeyCode>(min_code), max_code - min_code + 1, &per_code);
    if (map == nullptr) return 1;
    int free_code = 0;
    for (int code = max_code; code >= min_code && free_code == 0; --code) {
        bool empty = true;
        for (int i = 0; i < per_code; ++i) {
            if (map[(code - min_code) * per_code + i] != NoSymbol) empty = false;
        }
        if (empty) free_code = code;
    }
    XFree(map);
    if (free_code == 0) return 1;
    KeySym syms[2] = {sym, sym};  // the same symbol with and without Shift
    XChangeKeyboardMapping(d, free_code, 2, syms, 1);
    XSync(d, False);
    if (g_failed) return 1;
    std::printf("%d\n", free_code);
    return 0;
}

int screen_saver(Display* d, const char* seconds) {
    int timeout = 0, interval = 0, blanking = 0, exposures = 0;
    XGetScreenSaver(d, &timeout, &interval, &blanking, &exposures);
    if (seconds != nullptr) {
        XSetScreenSaver(d, std::atoi(seconds), interval, blanking, exposures);
        XSync(d, False);
    } else {
        std::printf("%d\n", timeout);
    }
    return g_failed ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    Display* d = XOpenDisplay(nullptr);
    if (d == nullptr) {
        std::fprintf(stderr, "no display\n");
        return 1;
    }
    XSetErrorHandler(&note_error);
    int result = 2;
    if (std::strcmp(argv[1], "close") == 0 && argc == 3) {
        result = close_window(d, static_cast<Window>(std::strtoul(argv[2], nullptr, 0)));
    } else if (std::strcmp(argv[1], "add-mode") == 0 && argc == 4) {
        result = add_mode(d, static_cast<unsigned>(std::atoi(argv[2])), static_cast<unsigned>(std::atoi(argv[3])));
    } else if (std::strcmp(argv[1], "crtc") == 0) {
        result = print_crtc(d);
    } else if (std::strcmp(argv[1], "saver") == 0 && argc <= 3) {
        result = screen_saver(d, argc == 3 ? argv[2] : nullptr);
    } else if (std::strcmp(argv[1], "map-key") == 0 && argc == 3) {
        result = map_key(d, argv[2]);
    }
    XCloseDisplay(d);
    return result;
}
