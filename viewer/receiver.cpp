#include "receiver.h"

using namespace irr;

MyEventReceiver::~MyEventReceiver() {}

bool MyEventReceiver::OnEvent(const SEvent& event)
{
    switch (event.EventType) {
    case EET_KEY_INPUT_EVENT:
        // A release always goes on, so no key is ever left held in the camera.
        if (!event.KeyInput.PressedDown)
            return false;
        switch (event.KeyInput.Key) {
        case KEY_KEY_W:
        case KEY_KEY_S:
        case KEY_KEY_A:
        case KEY_KEY_D:
            return false;
        default:
            return true;
        }
    case EET_MOUSE_INPUT_EVENT:
        return event.MouseInput.Event == EMIE_LMOUSE_PRESSED_DOWN ||
               event.MouseInput.Event == EMIE_RMOUSE_PRESSED_DOWN;
    default:
        return false;
    }
}
