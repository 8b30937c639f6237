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

bool Connection::viewable(Window window) const
{
    XWindowAttributes attributes = {};
    return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
}

Window Connection::focus() const
{
    Window focus = 0;
    int revertTo = 0;
    XGetInputFocus(display, &focus, &revertTo);
    return focus;
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

bool Connection::waitForKeyRepeat(Window window, KeySym key) const
{
    // The key is down already, so every press that comes now is a repeat;
    // this connection gets them beside the window's own program.
    XSelectInput(display, window, KeyPressMask);
    const unsigned keycode = XKeysymToKeycode(display, key);
    const bool repeated = waitUntil([&] {
        XEvent event;
        while (XCheckTypedWindowEvent(display, window, KeyPress, &event))
            if (event.xkey.keycode == keycode)
                return true;
        return false;
    });
    XSelectInput(display, window, NoEventMask);
    return repeated;
}

// The window manager's ping (_NET_WM_PING), which a Qt program answers on the
// root window as it reads its X events. It hands input on to its widgets only
// after that reading, so the answer to a second ping, sent once the first has
// come back, shows that the input before the first has been handled.
bool Connection::waitUntilHandled(Window window) const
{
    const Window root = DefaultRootWindow(display);
    const Atom ping = XInternAtom(display, "_NET_WM_PING", False);
    XSelectInput(display, root, StructureNotifyMask); // as Qt sends its answer
    bool answered = true;
    for (long serial = 1; serial <= 2 && answered; ++serial) {
        XEvent event = {};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = long(ping);
        event.xclient.data.l[1] = serial; // in place of a time, to tell the answers apart
        event.xclient.data.l[2] = long(window);
        XSendEvent(display, window, False, NoEventMask, &event);
        XSync(display, False);
        answered = waitUntil([&] {
                       if (!exists(window))
                           return true; // and no answer will come
                       XEvent answer;
                       while (XCheckTypedWindowEvent(display, root, ClientMessage, &answer))
                           if (answer.xclient.data.l[0] == long(ping) &&
                               answer.xclient.data.l[1] == serial &&
                               answer.xclient.data.l[2] == long(window))
                               return true;
                       return false;
                   }) &&
                   exists(window);
    }
    XSelectInput(display, root, NoEventMask);
    return answered;
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
