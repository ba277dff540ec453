#pragma once
// The one graphics screen: its context record and the mode descriptors. The
// record is the ground floor of gfx/: every layer above reads it, and it
// includes nothing of theirs; screen set-up (gfx/screen/) builds and frees it.

#include <cstdint>
#include <mutex>

namespace vz {

struct GfxDriver;
struct ScreenEvent;

// Screen flags given to set-up and passed on to the drivers.
enum ScreenFlags : std::int32_t {
    SCREEN_FULLSCREEN = 0x01,
    SCREEN_OPENGL = 0x02,
    SCREEN_NO_SWITCH = 0x04,
    SCREEN_NO_FRAME = 0x08,
    SCREEN_SHAPED = 0x10,
    SCREEN_TOPMOST = 0x20,
    SCREEN_BLEND_DRAWING = 0x40,
    SCREEN_HIGH_PRIORITY = 0x80,
    SCREEN_GL_STENCIL = 0x10000,
    SCREEN_GL_ACCUM = 0x20000,
    SCREEN_GL_MULTISAMPLE = 0x40000,
};
// Special flag values: every bit set opens the screen on the Null driver; the
// top bit alone is the exit handler's close request.
inline constexpr std::int32_t SCREEN_FLAGS_NULL_DRIVER = -1;
inline constexpr std::int32_t SCREEN_FLAGS_CLOSE_REQUEST = INT32_MIN;

// Context flags (GfxContext::flags).
inline constexpr std::uint32_t CTX_OWED_LINE_FEED = 0x4;
inline constexpr std::uint32_t CTX_BLENDING = 0x8;
inline constexpr std::uint32_t CTX_MMX = 0x1000000;
inline constexpr std::uint32_t CTX_OPENGL = 0x20000000;

struct FontDesc {
    std::int32_t width;          // cell width in pixels
    std::int32_t height;         // cell height in pixels
    const std::uint8_t* glyphs;  // 256 glyphs of height rows, one byte a row, bit 0 leftmost
};

struct PaletteDesc {
    std::int32_t colours;          // 256, 64, 16 or 2
    const std::uint8_t* defaults;  // colours x 3 bytes: red, green, blue
};

struct ModeInfo {
    std::uint16_t width;
    std::uint16_t height;
    std::uint8_t depth;
    std::uint8_t scanline;
    std::uint8_t pages;
    const PaletteDesc* palette;
    const FontDesc* font;
    // The text grid. 16 bits wide so that screens wider than 2040 pixels keep
    // a grid of width / 8 columns.
    std::uint16_t text_cols;
    std::uint16_t text_rows;
    float aspect;  // 0 = derive from the size
};

struct TextCell {
    std::uint16_t ch;
    std::uint32_t fg;
    std::uint32_t bg;
};

inline constexpr int KEY_STATE_SIZE = 128;
// Bytes of GfxContext::attribute_map: the colour of each of the 16 attributes.
inline constexpr int ATTRIBUTE_MAP_SIZE = 16;

struct GfxContext {
    std::int32_t id;       // serial number of this screen
    std::int32_t mode;     // 1-21, or -1 for a screen opened by resolution
    std::uint8_t** pages;  // page_count page pointers (16-byte aligned)
    std::int32_t page_count;
    std::int32_t visible_page;
    std::uint8_t* visible_ptr;  // always pages[visible_page]
    std::int32_t width;
    std::int32_t height;
    std::int32_t depth;             // 1, 2, 4, 8, 16 or 32
    std::int32_t bpp;               // bytes per pixel
    std::int32_t pitch;             // width * bpp
    std::uint32_t* colour_map;      // 256 RGB values (red bits 0-7)
    std::uint32_t* device_palette;  // 256 shown colours (red bits 0-7)
    std::uint8_t* attribute_map;    // 16 bytes
    std::uint8_t* dirty;            // height * scanline dirty-line flags
    const GfxDriver* driver;
    std::uint32_t colour_mask;
    const PaletteDesc* palette_desc;
    std::int32_t scanline;
    std::int32_t cursor_x;  // text cursor column, 0-based
    std::int32_t cursor_y;  // text cursor row, 0-based
    const FontDesc* font;
    std::int32_t text_cols;
    std::int32_t text_rows;
    float aspect;
    std::uint8_t* key_state;  // 128 bytes, nonzero while that scan code is held
    std::int32_t refresh_rate;
    TextCell** text_cells;  // page_count buffers of text_cols * text_rows cells
    ScreenEvent* events;    // ring of EVENT_RING_SLOTS events
    std::int32_t event_head;
    std::int32_t event_tail;
    std::mutex* event_lock;
    std::uint32_t flags;
    std::int32_t lock_count;
};

// The open screen, or null while none is open.
GfxContext* current_context();

// Largest total size of a screen's pages. Larger screens are refused with
// error 1, so that every page offset fits a 32-bit value.
inline constexpr std::uint64_t MAX_SCREEN_PAGE_BYTES = 1ull << 30;

}  // namespace vz
