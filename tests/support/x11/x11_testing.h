// Helpers for end-to-end tests of programs with an X window: find the window a
// program opens, read its pixels and drive it through XTest like a user.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct _XDisplay; // Xlib's own header defines clashing macros (None, Bool...)

namespace x11testing {

using Window = unsigned long; // an X window id
using KeySym = unsigned long; // such as XK_Escape from <X11/keysym.h>

// Calls `condition` every 20 ms until it holds or `limit` has passed.
bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds limit = std::chrono::seconds(60));

struct Image // 0xRRGGBB pixels, row by row from the top left; empty on error
{
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
    bool empty() const { return pixels.empty(); }
};

// A connection to the X server named by DISPLAY; X errors are not fatal.
class Connection
{
public:
    Connection();
    ~Connection();
    bool isOpen() const { return display != nullptr; }
    std::vector<Window> topLevelWindows() const;
    bool exists(Window window) const
    {
        const std::vector<Window> all = topLevelWindows();
        return std::find(all.begin(), all.end(), window) != all.end();
    }
    // A viewable top-level window not in `before`; 0 when none came in time.
    Window waitForNewWindow(const std::vector<Window>& before) const;
    bool viewable(Window window) const; // mapped, on a mapped parent
    Window focus() const;               // the window that has the keyboard
    bool size(Window window, int& width, int& height) const;
    Image grab(Window window) const;                     // its part on the screen
    void movePointer(Window window, int x, int y) const; // x, y in the window
    void key(KeySym key, bool down) const;
    void click(unsigned button) const;
    void sendDeleteWindow(Window window) const; // as a window manager asks it to close
    // Waits until the server repeats `key`, held down, into the window; false
    // when no repeat came in time.
    bool waitForKeyRepeat(Window window, KeySym key) const;
    // Waits until the program of a Qt window has handled all input sent to the
    // window before; false when it did not answer in time, or the window went.
    bool waitUntilHandled(Window window) const;
    std::string title(Window window) const;

private:
    _XDisplay* display = nullptr;
};

} // namespace x11testing
