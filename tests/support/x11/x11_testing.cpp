#include "x11_testing.h"

#include <X11/Xlib.h>

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <algorithm>
#include <thread>

namespace x11testing {

namespace {
int errors = 0;

int countError(Display*, XErrorEvent*)
{
    ++errors;
    return 0;
}

// A colour channel described by `mask`, scaled to 8 bits.
std::uint32_t channel(unsigned long pixel, unsigned long mask)
{
    if (mask == 0)
        return 0;
    int shift = 0;
    while (!(mask >> shift & 1))
        ++shift;
    const unsigned long maximum = mask >> shift;
    return std::uint32_t(((pixel & mask) >> shift) * 255 / maximum);
}
} // namespace

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

Connection::Connection() : display(XOpenDisplay(nullptr))
{
    XSetErrorHandler(countError);
}

Connection::~Connection()
{
    if (display)
        XCloseDisplay(display);
}

Window Connection::root() const
{
    return DefaultRootWindow(display);
}

std::vector<Window> Connection::topLevelWindows() const
{
    Window rootReturn = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    std::vector<Window> windows;
    if (XQueryTree(display, root(), &rootReturn, &parent, &children, &count) && children) {
        windows.assign(children, children + count);
        XFree(children);
    }
    return windows;
}

Window Connection::waitForNewWindow(const std::vector<Window>& before,
                                    std::chrono::milliseconds limit) const
{
    Window found = 0;
    waitUntil(
        [&] {
            for (Window window : topLevelWindows()) {
                if (std::find(before.begin(), before.end(), window) != before.end())
                    continue;
                XWindowAttributes attributes;
                if (XGetWindowAttributes(display, window, &attributes) &&
                    attributes.map_state == IsViewable) {
                    found = window;
                    return true;
                }
            }
            return false;
        },
        limit);
    return found;
}

bool Connection::exists(Window window) const
{
    const std::vector<Window> windows = topLevelWindows();
    return std::find(windows.begin(), windows.end(), window) != windows.end();
}

bool Connection::size(Window window, int& width, int& height) const
{
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes))
        return false;
    width = attributes.width;
    height = attributes.height;
    return true;
}

Image Connection::grab(Window window) const
{
    Image image;
    int width = 0, height = 0;
    if (!size(window, width, height))
        return image;
    const int errorsBefore = errors;
    XImage* shot =
        XGetImage(display, window, 0, 0, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
    XSync(display, False);
    if (!shot || errors != errorsBefore) {
        if (shot)
            XDestroyImage(shot);
        return image;
    }
    image.width = width;
    image.height = height;
    image.pixels.resize(std::size_t(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const unsigned long pixel = XGetPixel(shot, x, y);
            image.pixels[std::size_t(y) * width + x] = channel(pixel, shot->red_mask) << 16 |
                                                       channel(pixel, shot->green_mask) << 8 |
                                                       channel(pixel, shot->blue_mask);
        }
    XDestroyImage(shot);
    return image;
}

void Connection::movePointer(Window window, int x, int y) const
{
    int rootX = 0, rootY = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, root(), x, y, &rootX, &rootY, &child);
    XTestFakeMotionEvent(display, DefaultScreen(display), rootX, rootY, CurrentTime);
    XSync(display, False);
}

bool Connection::pointer(Window window, int& x, int& y) const
{
    Window rootReturn = 0, child = 0;
    int rootX = 0, rootY = 0;
    unsigned int mask = 0;
    return XQueryPointer(display, window, &rootReturn, &child, &rootX, &rootY, &x, &y, &mask);
}

void Connection::focus(Window window) const
{
    XSetInputFocus(display, window, RevertToPointerRoot, CurrentTime);
    XSync(display, False);
}

void Connection::pressKey(KeySym key) const
{
    XTestFakeKeyEvent(display, XKeysymToKeycode(display, key), True, CurrentTime);
    XSync(display, False);
}

void Connection::releaseKey(KeySym key) const
{
    XTestFakeKeyEvent(display, XKeysymToKeycode(display, key), False, CurrentTime);
    XSync(display, False);
}

void Connection::tapKey(KeySym key) const
{
    pressKey(key);
    releaseKey(key);
}

void Connection::pressButton(unsigned button) const
{
    XTestFakeButtonEvent(display, button, True, CurrentTime);
    XSync(display, False);
}

void Connection::releaseButton(unsigned button) const
{
    XTestFakeButtonEvent(display, button, False, CurrentTime);
    XSync(display, False);
}

void Connection::click(unsigned button) const
{
    pressButton(button);
    releaseButton(button);
}

void Connection::sendDeleteWindow(Window window) const
{
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
}

int Connection::errorCount() const
{
    return errors;
}

} // namespace x11testing
