// Small helpers for end-to-end tests of programs with an X window: find the
// window a program opens, read its pixels from the X server, and drive it
// with the XTest extension like a user would.
#ifndef SKYGLASS_TESTS_X11_TESTING_H
#define SKYGLASS_TESTS_X11_TESTING_H

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Xlib's own header defines macros (None, Bool, Status...) that clash with
// other libraries, so only the types needed here are declared.
struct _XDisplay;

namespace x11testing {

using Window = unsigned long; // an X window id (XID)
using KeySym = unsigned long; // a key symbol, such as XK_Escape from <X11/keysym.h>

// Calls `condition` every few milliseconds until it holds or `limit` has
// passed; returns its last result.
bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds limit = std::chrono::seconds(60));

// The pixels of a window, 0xRRGGBB each, row by row from the top left.
struct Image
{
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
    bool empty() const { return pixels.empty(); }
};

inline int red(std::uint32_t rgb)
{
    return int(rgb >> 16 & 0xFF);
}
inline int green(std::uint32_t rgb)
{
    return int(rgb >> 8 & 0xFF);
}
inline int blue(std::uint32_t rgb)
{
    return int(rgb & 0xFF);
}

// A connection to the X server named by DISPLAY. X protocol errors on it are
// recorded instead of ending the test process.
class Connection
{
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool isOpen() const { return display != nullptr; }
    _XDisplay* get() const { return display; }
    Window root() const;

    // The top-level windows: the children of the root window.
    std::vector<Window> topLevelWindows() const;

    // Waits for a viewable child of the root that is not in `before` (a window
    // manager-free server puts each program's window there); 0 when none came.
    Window waitForNewWindow(const std::vector<Window>& before,
                            std::chrono::milliseconds limit = std::chrono::seconds(60)) const;

    bool exists(Window window) const;
    bool size(Window window, int& width, int& height) const;

    // The window's current content as the X server holds it; empty on error.
    Image grab(Window window) const;

    // The pointer, in coordinates of `window`.
    void movePointer(Window window, int x, int y) const;
    bool pointer(Window window, int& x, int& y) const;

    void focus(Window window) const;
    void pressKey(KeySym key) const;
    void releaseKey(KeySym key) const;
    void tapKey(KeySym key) const;
    void pressButton(unsigned button) const;
    void releaseButton(unsigned button) const;
    void click(unsigned button) const;

    // Asks the window to close the way a window manager does: a
    // WM_PROTOCOLS client message carrying WM_DELETE_WINDOW.
    void sendDeleteWindow(Window window) const;

    // Number of X errors seen on this connection so far.
    int errorCount() const;

private:
    _XDisplay* display = nullptr;
};

} // namespace x11testing

#endif
