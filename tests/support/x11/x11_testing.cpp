#include "x11_testing.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <thread>

namespace x11testing {

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    for (; !condition(); std::this_thread::sleep_for(std::chrono::milliseconds(20)))
        if (std::chrono::steady_clock::now() >= end)
            return false;
    return true;
}

Connection::Connection() : display(XOpenDisplay(nullptr))
{
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; }); // a window may go at any time
}

Connection::~Connection()
{
    if (display)
        XCloseDisplay(display);
}

std::vector<Window> Connection::topLevelWindows() const
{
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count);
    std::vector<Window> windows(children, children + count);
    XFree(children);
    return windows;
}

Window Connection::waitForNewWindow(const std::vector<Window>& before) const
{
    Window found = 0;
    waitUntil([&] {
        XWindowAttributes attributes;
        for (Window window : topLevelWindows())
            if (std::find(before.begin(), before.end(), window) == before.end() &&
                XGetWindowAttributes(display, window, &attributes) &&
                attributes.map_state == IsViewable)
                found = window;
        return found != 0;
    });
    return found;
}

bool Connection::size(Window window, int& width, int& height) const
{
    XWindowAttributes attributes = {};
    const bool known = XGetWindowAttributes(display, window, &attributes);
    width = attributes.width;
    height = attributes.height;
    return known;
}

// The test server's screen is 24-bit TrueColor: a pixel is 0xRRGGBB already.
// Only what lies on the screen can be read.
Image Connection::grab(Window window) const
{
    Image image;
    XWindowAttributes attributes = {};
    if (XGetWindowAttributes(display, window, &attributes)) {
        image.width = std::min(attributes.width, WidthOfScreen(attributes.screen) - attributes.x);
        image.height =
            std::min(attributes.height, HeightOfScreen(attributes.screen) - attributes.y);
    }
    XImage* shot = image.width > 0 && image.height > 0
                       ? XGetImage(display, window, 0, 0, unsigned(image.width),
                                   unsigned(image.height), AllPlanes, ZPixmap)
                       : nullptr;
    for (int y = 0; shot && y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            image.pixels.push_back(std::uint32_t(XGetPixel(shot, x, y) & 0xFFFFFF));
    if (shot)
        XDestroyImage(shot);
    return shot ? image : Image();
}

void Connection::movePointer(Window window, int x, int y) const
{
    Window child = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), x, y, &x, &y, &child);
    XTestFakeMotionEvent(display, DefaultScreen(display), x, y, CurrentTime);
    XSync(display, False);
}

void Connection::key(KeySym key, bool down) const
{
    XTestFakeKeyEvent(display, XKeysymToKeycode(display, key), down, CurrentTime);
    XSync(display, False);
}

void Connection::click(unsigned button) const
{
    XTestFakeButtonEvent(display, button, True, CurrentTime);
    XTestFakeButtonEvent(display, button, False, CurrentTime);
    XSync(display, False);
}

void Connection::sendDeleteWindow(Window window) const
{
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
}

std::string Connection::title(Window window) const
{
    char* name = nullptr;
    std::string title;
    if (XFetchName(display, window, &name) && name)
        title = name;
    XFree(name);
    return title;
}

} // namespace x11testing
