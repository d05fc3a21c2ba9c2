// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/WindowFinder.h"

#include <memory>

namespace zarvo {

// Top-level windows of an X11 server: the window manager's client list (_NET_CLIENT_LIST) where
// there is one, else the root window's children. A window's title is _NET_WM_NAME, else WM_NAME;
// it is visible when mapped and viewable and not _NET_WM_STATE_HIDDEN (minimised).
class XcbWindowFinder : public WindowFinder {
  public:
    // Connects to `display` (nullptr: $DISPLAY). Connected() tells whether that worked.
    explicit XcbWindowFinder(const char* display = nullptr);
    ~XcbWindowFinder() override;
    XcbWindowFinder(const XcbWindowFinder&) = delete;
    XcbWindowFinder& operator=(const XcbWindowFinder&) = delete;

    bool Connected() const;
    WindowState Find(const QString& title) override;

  private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// The finder of this desktop: X11 through xcb when DISPLAY names a reachable server, otherwise one
// that finds nothing.
std::unique_ptr<WindowFinder> MakeWindowFinder();

} // namespace zarvo
