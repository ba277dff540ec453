#pragma once
// vzgfx: one graphics screen with pages, shapes, bitmap-font text, a palette,
// keys and the mouse. See docs/guide.md.

#include "vzgfx/colour.h"
#include "vzgfx/draw.h"
#include "vzgfx/keys.h"
#include "vzgfx/pages.h"
#include "vzgfx/screen.h"
#include "vzgfx/text.h"
#include "vzgfx/version.h"
