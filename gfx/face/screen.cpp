// The Screen object over the screen set-up routines.

#include "vzgfx/screen.h"

#include <utility>

#include "gfx/context.h"
#include "gfx/driver.h"
#include "gfx/screen/mode_table.h"
#include "gfx/screen/screen_setup.h"
#include "gfx/screen_failure.h"
#include "rt/error.h"
#include "rt/runtime.h"

namespace vzgfx {

namespace {

static_assert(MODE_COUNT == vz::MODE_COUNT);

std::int32_t flags_for(const ScreenOptions& options) {
    // The Null driver is asked for by the special value with every bit set.
    if (options.no_window) return vz::SCREEN_FLAGS_NULL_DRIVER;
    std::int32_t flags = 0;
    if (options.fullscreen) flags |= vz::SCREEN_FULLSCREEN;
    if (options.opengl) flags |= vz::SCREEN_OPENGL;
    if (options.blending) flags |= vz::SCREEN_BLEND_DRAWING;
    return flags;
}

// The runtime's start-up runs once per process, before the first screen.
void start_runtime(const ScreenOptions& options) {
    vz::runtime_static_init();
    if (options.title != nullptr) vz::set_screen_title(options.title);
}

int open_id(std::int32_t result) {
    const vz::GfxContext* context = vz::current_context();
    return result == vz::ERR_OK && context != nullptr ? context->id : 0;
}

}  // namespace

ModeSize mode_size(int mode) {
    if (mode <= 0 || mode >= MODE_COUNT) return ModeSize{};
    const vz::ModeInfo& info = vz::mode_table(mode);
    if (info.width == 0) return ModeSize{};
    return ModeSize{info.width, info.height, info.depth, info.pages, info.text_cols, info.text_rows};
}

Screen Screen::open(int width, int height, int depth, const ScreenOptions& options) {
    start_runtime(options);
    const std::int32_t result =
        vz::screen_res(width, height, depth, options.pages, flags_for(options), options.refresh_rate);
    return Screen(open_id(result), result);
}

Screen Screen::open_mode(int mode, const ScreenOptions& options) {
    start_runtime(options);
    // Mode 0 closes the screen rather than opening one.
    if (mode == 0) {
        vz::screen_failure_set("no such mode");
        return Screen(0, vz::set_last_error(vz::ERR_ILLEGAL_CALL));
    }
    const std::int32_t result = vz::screen_mode(mode, 0, options.pages, flags_for(options), options.refresh_rate);
    return Screen(open_id(result), result);
}

Screen::Screen(Screen&& other) noexcept : id_(std::exchange(other.id_, 0)), error_(other.error_) {}

Screen& Screen::operator=(Screen&& other) noexcept {
    if (this != &other) {
        close();
        id_ = std::exchange(other.id_, 0);
        error_ = other.error_;
    }
    return *this;
}

Screen::~Screen() { close(); }

bool Screen::is_open() const {
    const vz::GfxContext* context = vz::current_context();
    return id_ != 0 && context != nullptr && context->id == id_;
}

const char* Screen::failure() { return vz::screen_failure_text(); }

int Screen::width() const { return is_open() ? vz::current_context()->width : 0; }
int Screen::height() const { return is_open() ? vz::current_context()->height : 0; }
int Screen::depth() const { return is_open() ? vz::current_context()->depth : 0; }
int Screen::pages() const { return is_open() ? vz::current_context()->page_count : 0; }
int Screen::text_columns() const { return is_open() ? vz::current_context()->text_cols : 0; }
int Screen::text_rows() const { return is_open() ? vz::current_context()->text_rows : 0; }

const char* Screen::driver() const {
    if (!is_open()) return "";
    const vz::GfxDriver* driver = vz::current_context()->driver;
    return driver != nullptr && driver->name != nullptr ? driver->name : "";
}

void Screen::set_title(const char* title) const { vz::set_screen_title(title); }

void Screen::close() {
    // A screen opened since by another object is that object's to close.
    if (is_open()) vz::screen_mode(0, 0, 0, 0, 0);
    id_ = 0;
}

}  // namespace vzgfx
