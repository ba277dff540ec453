// Windows on displays whose default visual has no direct colour (8-bit
// PseudoColor servers). The window takes the deepest TrueColor visual the
// screen offers, with a colormap of its own; only where there is none does it
// keep the colour-index visual, with a private colormap of all its cells,
// which the driver fills with the colours of the indices it writes.

#include "gfx/drivers/x11/x11_internal.h"

namespace vz::x11 {

WindowVisual presentation_visual(Display* d, int screen) {
    WindowVisual chosen{DefaultVisual(d, screen), DefaultDepth(d, screen), 0, false};
    XVisualInfo wanted{};
    wanted.visualid = XVisualIDFromVisual(chosen.visual);
    wanted.screen = screen;
    int found = 0;
    XVisualInfo* info = XGetVisualInfo(d, VisualIDMask | VisualScreenMask, &wanted, &found);
    const bool direct = info != nullptr && found > 0 && info->c_class == TrueColor;
    if (info != nullptr) XFree(info);
    if (direct) return chosen;  // the default serves

    wanted = XVisualInfo{};
    wanted.screen = screen;
    wanted.c_class = TrueColor;
    info = XGetVisualInfo(d, VisualScreenMask | VisualClassMask, &wanted, &found);
    const XVisualInfo* best = nullptr;
    for (int i = 0; info != nullptr && i < found; ++i) {
        if (best == nullptr || info[i].depth > best->depth) best = &info[i];
    }
    const Window root = RootWindow(d, screen);
    if (best != nullptr) {
        chosen = WindowVisual{best->visual, best->depth, XCreateColormap(d, root, best->visual, AllocNone), false};
    } else if (DefaultDepth(d, screen) == 8) {
        wanted = XVisualInfo{};
        wanted.visualid = XVisualIDFromVisual(chosen.visual);
        wanted.screen = screen;
        XVisualInfo* own = XGetVisualInfo(d, VisualIDMask | VisualScreenMask, &wanted, &found);
        if (own != nullptr && found > 0 && (own->c_class == PseudoColor || own->c_class == GrayScale)) {
            chosen.colormap = XCreateColormap(d, root, chosen.visual, AllocAll);
            chosen.indexed = chosen.colormap != 0;
        }
        if (own != nullptr) XFree(own);
    }
    if (info != nullptr) XFree(info);
    return chosen;
}

void set_image_colours(const std::uint32_t colours[256]) {
    State& s = state();
    if (live_display() == nullptr || !s.indexed_colormap || s.colormap == 0) return;
    XColor cells[256];
    for (int i = 0; i < 256; ++i) {
        const std::uint32_t c = colours[i];
        cells[i].pixel = static_cast<unsigned long>(i);
        // 8-bit components widened to X's 16 bits (0xFF becomes 0xFFFF).
        cells[i].red = static_cast<unsigned short>(((c >> 16) & 0xFF) * 257);
        cells[i].green = static_cast<unsigned short>(((c >> 8) & 0xFF) * 257);
        cells[i].blue = static_cast<unsigned short>((c & 0xFF) * 257);
        cells[i].flags = DoRed | DoGreen | DoBlue;
    }
    XStoreColors(s.display, s.colormap, cells, 256);
    XFlush(s.display);
}

}  // namespace vz::x11
