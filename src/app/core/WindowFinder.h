#pragma once

#include <QString>

#include <memory>

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

// The finder of this desktop: X11 through xcb when DISPLAY names a reachable server, otherwise one
// that finds nothing.
std::unique_ptr<WindowFinder> MakeWindowFinder();

} // namespace zarvo
