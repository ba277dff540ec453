// The presentation image of the X11 layer: a ZPixmap image in the window's
// visual, in shared memory when the server offers MIT-SHM and can attach the
// segment (a local server), else in ordinary memory sent with each put.

// Xlib first: the shared-memory header builds on its types.
#include "gfx/drivers/x11/x11_internal.h"

#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdlib>

namespace vz::x11 {

namespace {

// Used by the thread that presents (the update thread) only.
struct Image {
    XImage* image = nullptr;
    XShmSegmentInfo segment{};
    bool shared = false;
    std::int32_t width = 0;
};
Image g_image;

XImage* create_shared(State& s, std::int32_t width, std::int32_t height, XShmSegmentInfo& segment) {
    Display* d = s.display;
    XImage* image = XShmCreateImage(d, s.visual, static_cast<unsigned>(s.depth), ZPixmap, nullptr, &segment,
                                    static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (image == nullptr) return nullptr;
    const std::size_t bytes = static_cast<std::size_t>(image->bytes_per_line) * static_cast<std::size_t>(height);
    segment.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (segment.shmid < 0) {
        XDestroyImage(image);
        return nullptr;
    }
    void* memory = shmat(segment.shmid, nullptr, 0);
    if (memory == reinterpret_cast<void*>(-1)) {
        shmctl(segment.shmid, IPC_RMID, nullptr);
        XDestroyImage(image);
        return nullptr;
    }
    segment.shmaddr = image->data = static_cast<char*>(memory);
    segment.readOnly = False;
    begin_trap();
    const Bool attached = XShmAttach(d, &segment);
    const int error = end_trap();
    // The segment goes away with its last detach.
    shmctl(segment.shmid, IPC_RMID, nullptr);
    if (!attached || error != 0) {
        shmdt(segment.shmaddr);
        image->data = nullptr;
        XDestroyImage(image);
        return nullptr;
    }
    return image;
}

XImage* create_plain(State& s, std::int32_t width, std::int32_t height) {
    Display* d = s.display;
    const int bits = pixmap_bits(d, s.depth);
    const int bytes_per_line = ((width * bits + 31) / 32) * 4;
    auto* data = static_cast<char*>(std::calloc(static_cast<std::size_t>(bytes_per_line) * height, 1));
    if (data == nullptr) return nullptr;
    XImage* image = XCreateImage(d, s.visual, static_cast<unsigned>(s.depth), ZPixmap, 0, data,
                                 static_cast<unsigned>(width), static_cast<unsigned>(height), 32, bytes_per_line);
    if (image == nullptr) {
        std::free(data);
        return nullptr;
    }
    // The converters write little-endian pixels; Xlib swaps for a server that
    // wants the other order.
    image->byte_order = LSBFirst;
    return image;
}

}  // namespace

bool create_image(std::int32_t width, std::int32_t height, ImageFormat* format, std::uint8_t** pixels,
                  std::int32_t* pitch) {
    State& s = state();
    if (live_display() == nullptr || width <= 0 || height <= 0) return false;
    destroy_image();
    XVisualInfo wanted{};
    wanted.visualid = XVisualIDFromVisual(s.visual);
    int found = 0;
    XVisualInfo* info = XGetVisualInfo(s.display, VisualIDMask, &wanted, &found);
    const bool true_colour = info != nullptr && found > 0 && info->c_class == TrueColor;
    if (info != nullptr) XFree(info);
    // Direct colour, or colour indices into a colormap the driver fills.
    const bool indexed = s.indexed_colormap && s.depth == 8;
    if (!true_colour && !indexed) return false;

    // The shared image keeps a pointer to its segment record, so the record
    // is made in its final place.
    Image& image = g_image;
    if (s.has_shm) {
        image.image = create_shared(s, width, height, image.segment);
        image.shared = image.image != nullptr;
    }
    if (image.image == nullptr) image.image = create_plain(s, width, height);
    if (image.image == nullptr) return false;
    image.width = width;

    XImage* x = image.image;
    format->bits_per_pixel = x->bits_per_pixel;
    if (indexed) {
        if (x->bits_per_pixel != 8) {
            destroy_image();
            return false;
        }
        format->red_mask = format->green_mask = format->blue_mask = 0;
        *pixels = reinterpret_cast<std::uint8_t*>(x->data);
        *pitch = x->bytes_per_line;
        return true;
    }
    if (x->bits_per_pixel == 16 && x->green_mask == 0x3E0) format->bits_per_pixel = 15;
    format->red_mask = static_cast<std::uint32_t>(x->red_mask);
    format->green_mask = static_cast<std::uint32_t>(x->green_mask);
    format->blue_mask = static_cast<std::uint32_t>(x->blue_mask);
    *pixels = reinterpret_cast<std::uint8_t*>(x->data);
    *pitch = x->bytes_per_line;
    return true;
}

void put_image(std::int32_t first, std::int32_t count) {
    State& s = state();
    const Window w = s.window.load();
    if (live_display() == nullptr || w == 0 || g_image.image == nullptr || s.gc == nullptr || count <= 0) return;
    const auto width = static_cast<unsigned>(g_image.width);
    if (g_image.shared) {
        XShmPutImage(s.display, w, s.gc, g_image.image, 0, first, 0, first, width, static_cast<unsigned>(count), False);
        // The server reads the segment later; the next conversion must wait.
        XSync(s.display, False);
    } else {
        XPutImage(s.display, w, s.gc, g_image.image, 0, first, 0, first, width, static_cast<unsigned>(count));
        XFlush(s.display);
    }
    // A shaped window's outline follows the rows just shown.
    shape_rows(g_image.image, first, count);
}

void destroy_image() {
    State& s = state();
    if (g_image.image == nullptr) return;
    if (g_image.shared) {
        // A server that went away has let go of the segment already.
        if (s.display != nullptr && !connection_lost()) {
            XShmDetach(s.display, &g_image.segment);
            XSync(s.display, False);
        }
        shmdt(g_image.segment.shmaddr);
        g_image.image->data = nullptr;
    }
    XDestroyImage(g_image.image);  // frees ordinary pixel memory too
    g_image = Image{};
}

}  // namespace vz::x11
