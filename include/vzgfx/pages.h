#pragma once
// Pages: drawing goes to the work page, the window shows the visible page.
// A screen opened with two pages draws the next frame while showing the last.

namespace vzgfx {

// Chooses the work page and the visible page (0-based; -1 keeps that one).
// 0 on success, 1 for a page the screen does not have or without a screen
// (nothing changes then).
int set_pages(int work, int visible);
// Copies page `from` over page `to` (0 on success, 1 for a bad page). -1 is
// the work page as `from` and the visible page as `to`.
int copy_page(int from, int to);
// Double buffering: shows the work page and makes the page shown until now
// the work page (on an OpenGL screen, presents the frame). 0 on success, 1
// with one page only.
int flip();

// Holds the screen's lock while it lives, so that a whole frame is drawn
// before the window shows any of it. The unlock marks every line changed.
class FrameLock {
public:
    FrameLock();
    ~FrameLock();
    FrameLock(const FrameLock&) = delete;
    FrameLock& operator=(const FrameLock&) = delete;
};

}  // namespace vzgfx
