#pragma once
// The one graphics screen, opened and closed by a Screen object.

#include <cstdint>

namespace vzgfx {

// How a screen is opened. Every field has the default a plain window wants.
struct ScreenOptions {
    // Pages in memory; 0 gives the mode's own count (1 for a screen opened by size).
    int pages = 0;
    // Take the whole display (the display mode is changed to the screen's size).
    bool fullscreen = false;
    // No window at all: the screen exists in memory only (the Null driver),
    // e.g. for tests and pictures written to files.
    bool no_window = false;
    // The OpenGL driver: pages are shown by flip() only.
    bool opengl = false;
    // Alpha blending of 32-bit colours while drawing.
    bool blending = false;
    // Refresh rate in Hz for fullscreen; 0 takes any.
    int refresh_rate = 0;
    // Window title; null keeps the current one (the program's file name at first).
    const char* title = nullptr;
};

// The screen of a numbered mode, as the mode table gives it.
struct ModeSize {
    int width;  // 0: no such mode
    int height;
    int depth;
    int pages;
    int text_columns;
    int text_rows;
};

// Modes 1-21 exist where ModeSize::width is not 0 (mode 13 is 320 x 200 x 8).
inline constexpr int MODE_COUNT = 22;
// The table entry of `mode`; all zero outside 0-21 and for a mode that does not exist.
ModeSize mode_size(int mode);

// The open screen while the object lives. Only one screen exists at a time:
// opening another closes the one before (its object then closes nothing).
// Move-only. No call throws; a screen that did not open says why.
class Screen {
public:
    // A width x height screen of `depth` bits per pixel (1, 2, 4, 8, 15, 16, 24
    // or 32; 15 is kept as 16, 24 as 32). Sizes must be 1-65535.
    static Screen open(int width, int height, int depth, const ScreenOptions& options = {});
    // Numbered mode `mode` (see mode_size), in its own depth.
    static Screen open_mode(int mode, const ScreenOptions& options = {});

    Screen() = default;
    Screen(Screen&& other) noexcept;
    Screen& operator=(Screen&& other) noexcept;
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;
    ~Screen();

    // True while this object's screen is the open one.
    bool is_open() const;
    explicit operator bool() const { return is_open(); }
    // 0 when it opened; 1 when it did not (a bad argument or no driver started).
    int error() const { return error_; }
    // Why the last screen set-up failed, e.g. "size too large" or
    // "no driver started: DirectX: no display; ..."; empty after a success.
    static const char* failure();

    // The open screen's size in pixels, depth in bits (1, 2, 4, 8, 16 or 32),
    // page count and text grid; 0 while this screen is not open.
    int width() const;
    int height() const;
    int depth() const;
    int pages() const;
    int text_columns() const;
    int text_rows() const;
    // The display driver in use: "DirectX", "GDI", "OpenGL" or "Null"; "" when not open.
    const char* driver() const;

    void set_title(const char* title) const;
    // Closes the screen now (the destructor does it otherwise).
    void close();

private:
    explicit Screen(int id, int error) : id_(id), error_(error) {}
    int id_ = 0;  // the screen's serial number; 0 for none
    int error_ = 0;
};

// Writes what the screen shows (the visible page, in its shown colours) to
// `path` as a binary PPM picture (P6, 8 bits a component). 0 on success; 1
// without a screen or when the file cannot be written.
int save_frame(const char* path);

}  // namespace vzgfx
