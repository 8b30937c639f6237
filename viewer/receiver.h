// The viewer's event receiver: it decides which input reaches the engine and,
// through it, the FPS camera.
#pragma once

#include <irrlicht.h>

// Lets through the presses of W, S, A and D, every key release and every mouse
// event but the left and right button presses; consumes everything else that is
// keyboard or mouse input. Log text and all other events always go on, so the
// engine prints its log lines on the console.
class MyEventReceiver : public irr::IEventReceiver
{
public:
    virtual ~MyEventReceiver();
    bool OnEvent(const irr::SEvent& event) override;
};
