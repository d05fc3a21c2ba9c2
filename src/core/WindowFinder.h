// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace zarvo {

// Whether another program's top-level window of a given title is there and seen.
struct WindowState {
    bool Exists = false;
    bool Visible = false;
};

// Looks up other programs' top-level windows by their exact title.
class WindowFinder {
  public:
    virtual ~WindowFinder() = default;
    virtual WindowState Find(const QString& title) = 0;
};

// Finds nothing: where no window system can be asked (Wayland, no display).
class NullWindowFinder : public WindowFinder {
  public:
    WindowState Find(const QString&) override { return {}; }
};

} // namespace zarvo
