// The X11 layer's monitors and display modes, over RandR: the active CRTCs
// are the monitors, in the server's order; a fullscreen mode is set on the
// monitor's CRTC (the screen grown to hold it where needed) and put back at
// the end, or by the signal watcher. Without RandR the whole screen is the
// one monitor and its size the one mode.

#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "gfx/drivers/x11/x11_internal.h"

namespace vz::x11 {

namespace {

// Active CRTCs, in the server's order: the monitors.
struct Monitor {
    RRCrtc crtc;
    PlatformRect rect;
};

std::vector<Monitor> active_monitors(Display* d, Window root) {
    std::vector<Monitor> monitors;
    XRRScreenResources* res = XRRGetScreenResourcesCurrent(d, root);
    if (res == nullptr) return monitors;
    for (int i = 0; i < res->ncrtc; ++i) {
        XRRCrtcInfo* info = XRRGetCrtcInfo(d, res, res->crtcs[i]);
        if (info == nullptr) continue;
        if (info->mode != None && info->width > 0 && info->height > 0) {
            monitors.push_back({res->crtcs[i],
                                {info->x, info->y, info->x + static_cast<std::int32_t>(info->width),
                                 info->y + static_cast<std::int32_t>(info->height)}});
        }
        XRRFreeCrtcInfo(info);
    }
    XRRFreeScreenResources(res);
    return monitors;
}

std::int32_t mode_rate(const XRRModeInfo& mode) {
    if (mode.hTotal == 0 || mode.vTotal == 0 || mode.dotClock == 0) return 0;
    double rate = static_cast<double>(mode.dotClock) / (static_cast<double>(mode.hTotal) * mode.vTotal);
    if ((mode.modeFlags & RR_DoubleScan) != 0) rate /= 2;
    if ((mode.modeFlags & RR_Interlace) != 0) rate *= 2;
    return static_cast<std::int32_t>(std::lround(rate));
}

const XRRModeInfo* find_mode(const XRRScreenResources* res, RRMode id) {
    for (int i = 0; i < res->nmode; ++i) {
        if (res->modes[i].id == id) return &res->modes[i];
    }
    return nullptr;
}

RRCrtc crtc_for(Display* d, Window root, std::int32_t monitor) {
    const std::vector<Monitor> monitors = active_monitors(d, root);
    if (monitors.empty()) return None;
    if (monitor >= 0 && monitor < static_cast<std::int32_t>(monitors.size())) return monitors[monitor].crtc;
    return monitors.front().crtc;
}

// Bits per pixel of the display, as a display setting reports it.
std::int32_t display_bits(Display* d, int screen) {
    const int depth = DefaultDepth(d, screen);
    if (depth == 15 || depth == 16) return depth;
    return pixmap_bits(d, depth);
}

// The output whose modes the display lists: the primary one, else the first
// connected one.
RROutput listing_output(Display* d, Window root, XRRScreenResources* res) {
    RROutput primary = XRRGetOutputPrimary(d, root);
    if (primary != None) return primary;
    for (int i = 0; i < res->noutput; ++i) {
        XRROutputInfo* info = XRRGetOutputInfo(d, res, res->outputs[i]);
        const bool connected = info != nullptr && info->connection == RR_Connected;
        if (info != nullptr) XRRFreeOutputInfo(info);
        if (connected) return res->outputs[i];
    }
    return res->noutput > 0 ? res->outputs[0] : None;
}

void put_back_mode(Display* d, Window root, const SavedMode& saved) {
    XRRScreenResources* res = XRRGetScreenResourcesCurrent(d, root);
    if (res != nullptr) {
        XRRSetCrtcConfig(d, res, saved.crtc, CurrentTime, saved.x, saved.y, saved.mode, saved.rotation,
                         const_cast<RROutput*>(saved.outputs.data()), static_cast<int>(saved.outputs.size()));
        XRRFreeScreenResources(res);
    }
    if (saved.screen_resized) {
        XRRSetScreenSize(d, root, saved.screen_width, saved.screen_height, saved.screen_mm_width,
                         saved.screen_mm_height);
    }
    XSync(d, False);
}

}  // namespace

void put_back_saved_mode(Display* d) {
    put_back_mode(d, DefaultRootWindow(d), state().saved_mode);
    state().saved_mode = SavedMode{};
}

std::int32_t monitor_at_cursor() {
    State& s = state();
    if (live_display() == nullptr) return -1;
    Window root_return = 0, child = 0;
    int root_x = 0, root_y = 0, win_x = 0, win_y = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(s.display, s.root, &root_return, &child, &root_x, &root_y, &win_x, &win_y, &mask)) return -1;
    return monitor_containing(root_x, root_y);
}

std::int32_t monitor_of_window() {
    PlatformRect client{};
    if (!client_rect(&client)) return -1;
    return monitor_containing((client.left + client.right) / 2, (client.top + client.bottom) / 2);
}

bool set_display_mode(std::int32_t monitor, std::int32_t width, std::int32_t height, std::int32_t,
                      std::int32_t refresh_rate) {
    State& s = state();
    Display* d = live_display();
    if (d == nullptr || width <= 0 || height <= 0) return false;
    guard_termination_signals();
    std::lock_guard<std::mutex> restore_guard(restore_mutex());
    if (!s.has_randr) {
        // Without RandR the screen's own size is the only mode there is.
        return DisplayWidth(d, s.screen) == width && DisplayHeight(d, s.screen) == height;
    }
    const RRCrtc crtc = crtc_for(d, s.root, monitor);
    XRRScreenResources* res = XRRGetScreenResourcesCurrent(d, s.root);
    if (res == nullptr || crtc == None) {
        if (res != nullptr) XRRFreeScreenResources(res);
        return false;
    }
    XRRCrtcInfo* info = XRRGetCrtcInfo(d, res, crtc);
    if (info == nullptr || info->noutput == 0) {
        if (info != nullptr) XRRFreeCrtcInfo(info);
        XRRFreeScreenResources(res);
        return false;
    }
    bool result = false;
    const XRRModeInfo* current = find_mode(res, info->mode);
    const auto matches = [&](const XRRModeInfo& mode) {
        if (static_cast<std::int32_t>(mode.width) != width || static_cast<std::int32_t>(mode.height) != height) {
            return false;
        }
        const std::int32_t rate = mode_rate(mode);
        return refresh_rate == 0 || rate == 0 || rate == refresh_rate;
    };
    if (current != nullptr && matches(*current)) {
        result = true;  // already there
    } else {
        XRROutputInfo* output = XRRGetOutputInfo(d, res, info->outputs[0]);
        RRMode chosen = None;
        for (int i = 0; output != nullptr && i < output->nmode && chosen == None; ++i) {
            const XRRModeInfo* mode = find_mode(res, output->modes[i]);
            if (mode != nullptr && matches(*mode)) chosen = mode->id;
        }
        if (output != nullptr) XRRFreeOutputInfo(output);
        if (chosen != None) {
            SavedMode& saved = s.saved_mode;
            const bool first_change = !saved.changed;
            if (first_change) {
                saved.crtc = crtc;
                saved.mode = info->mode;
                saved.rotation = info->rotation;
                saved.x = info->x;
                saved.y = info->y;
                saved.outputs.assign(info->outputs, info->outputs + info->noutput);
                saved.screen_width = DisplayWidth(d, s.screen);
                saved.screen_height = DisplayHeight(d, s.screen);
                saved.screen_mm_width = DisplayWidthMM(d, s.screen);
                saved.screen_mm_height = DisplayHeightMM(d, s.screen);
                saved.screen_resized = false;
            }
            // The screen must hold the new mode where the CRTC sits.
            const int need_w = std::max(DisplayWidth(d, s.screen), info->x + width);
            const int need_h = std::max(DisplayHeight(d, s.screen), info->y + height);
            if (need_w != DisplayWidth(d, s.screen) || need_h != DisplayHeight(d, s.screen)) {
                const int mm_w = DisplayWidthMM(d, s.screen) * need_w / std::max(DisplayWidth(d, s.screen), 1);
                const int mm_h = DisplayHeightMM(d, s.screen) * need_h / std::max(DisplayHeight(d, s.screen), 1);
                XRRSetScreenSize(d, s.root, need_w, need_h, mm_w, mm_h);
                saved.screen_resized = true;
            }
            const Status status = XRRSetCrtcConfig(d, res, crtc, CurrentTime, info->x, info->y, chosen, info->rotation,
                                                   info->outputs, info->noutput);
            if (status == RRSetConfigSuccess) {
                saved.changed = true;
                result = true;
            } else if (first_change) {
                saved = SavedMode{};
            }
            XSync(d, False);
        }
    }
    XRRFreeCrtcInfo(info);
    XRRFreeScreenResources(res);
    return result;
}

void restore_display_mode() {
    std::lock_guard<std::mutex> guard(restore_mutex());
    if (!state().saved_mode.changed) return;
    FreshConnection fresh;
    Display* d = live_display();
    // The connection was killed by another client: a connection of our own
    // puts the mode back.
    if (d == nullptr) d = fresh.open();
    if (d == nullptr) return;
    put_back_saved_mode(d);
}

std::int32_t refresh_rate() {
    State& s = state();
    Display* d = live_display();
    if (d == nullptr || !s.has_randr) return 0;
    const RRCrtc crtc = crtc_for(d, s.root, monitor_of_window());
    XRRScreenResources* res = XRRGetScreenResourcesCurrent(d, s.root);
    if (res == nullptr) return 0;
    std::int32_t rate = 0;
    if (crtc != None) {
        XRRCrtcInfo* info = XRRGetCrtcInfo(d, res, crtc);
        if (info != nullptr) {
            if (const XRRModeInfo* mode = find_mode(res, info->mode)) rate = mode_rate(*mode);
            XRRFreeCrtcInfo(info);
        }
    }
    XRRFreeScreenResources(res);
    return rate;
}

std::int32_t* list_modes(bool (*accept)(std::int32_t bits, std::int32_t depth), std::int32_t depth,
                         std::int32_t* count) {
    *count = 0;
    init_threads_once();
    Display* d = state().display;
    const bool temporary = d == nullptr;
    if (temporary) d = XOpenDisplay(nullptr);
    if (d == nullptr) return nullptr;
    const int screen = DefaultScreen(d);
    const Window root = RootWindow(d, screen);
    std::int32_t* modes = nullptr;
    const auto append = [&](std::int32_t width, std::int32_t height) {
        auto* grown =
            static_cast<std::int32_t*>(std::realloc(modes, static_cast<std::size_t>(*count + 1) * sizeof *modes));
        if (grown == nullptr) return false;  // listing stops with what it has
        modes = grown;
        modes[*count] = static_cast<std::int32_t>((static_cast<std::uint32_t>(width) << 16) |
                                                  (static_cast<std::uint32_t>(height) & 0xFFFFu));
        ++*count;
        return true;
    };
    if (accept(display_bits(d, screen), depth)) {
        int event_base = 0, error_base = 0;
        XRRScreenResources* res =
            XRRQueryExtension(d, &event_base, &error_base) ? XRRGetScreenResourcesCurrent(d, root) : nullptr;
        if (res != nullptr) {
            const RROutput output_id = listing_output(d, root, res);
            XRROutputInfo* output = output_id != None ? XRRGetOutputInfo(d, res, output_id) : nullptr;
            for (int i = 0; output != nullptr && i < output->nmode; ++i) {
                const XRRModeInfo* mode = find_mode(res, output->modes[i]);
                if (mode != nullptr &&
                    !append(static_cast<std::int32_t>(mode->width), static_cast<std::int32_t>(mode->height))) {
                    break;
                }
            }
            if (output != nullptr) XRRFreeOutputInfo(output);
            XRRFreeScreenResources(res);
        } else {
            append(DisplayWidth(d, screen), DisplayHeight(d, screen));
        }
    }
    if (temporary) XCloseDisplay(d);
    if (*count == 0) {
        std::free(modes);
        return nullptr;
    }
    return modes;
}

std::int32_t monitor_containing(std::int32_t x, std::int32_t y) {
    State& s = state();
    if (live_display() == nullptr || !s.has_randr) return -1;
    const std::vector<Monitor> monitors = active_monitors(s.display, s.root);
    std::int32_t best = -1;
    long long best_distance = LLONG_MAX;
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const PlatformRect& r = monitors[i].rect;
        const long long dx = x < r.left ? r.left - x : (x >= r.right ? x - r.right + 1 : 0);
        const long long dy = y < r.top ? r.top - y : (y >= r.bottom ? y - r.bottom + 1 : 0);
        const long long distance = dx * dx + dy * dy;
        if (distance < best_distance) {
            best_distance = distance;
            best = static_cast<std::int32_t>(i);
        }
    }
    return best;
}

PlatformRect monitor_rect(std::int32_t monitor) {
    State& s = state();
    if (live_display() == nullptr) return PlatformRect{0, 0, 0, 0};
    if (monitor >= 0 && s.has_randr) {
        const std::vector<Monitor> monitors = active_monitors(s.display, s.root);
        if (monitor < static_cast<std::int32_t>(monitors.size())) return monitors[monitor].rect;
    }
    return PlatformRect{0, 0, DisplayWidth(s.display, s.screen), DisplayHeight(s.display, s.screen)};
}

}  // namespace vz::x11
