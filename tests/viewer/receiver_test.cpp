#include "receiver.h"

#include <gtest/gtest.h>

using namespace irr;

namespace {

SEvent keyEvent(EKEY_CODE key, bool pressed, bool shift = false, bool control = false)
{
    SEvent event;
    event.EventType = EET_KEY_INPUT_EVENT;
    event.KeyInput.Key = key;
    event.KeyInput.PressedDown = pressed;
    event.KeyInput.Shift = shift;
    event.KeyInput.Control = control;
    event.KeyInput.Char = 0;
    return event;
}

SEvent mouseEvent(EMOUSE_INPUT_EVENT type)
{
    SEvent event;
    event.EventType = EET_MOUSE_INPUT_EVENT;
    event.MouseInput.Event = type;
    event.MouseInput.X = 10;
    event.MouseInput.Y = 20;
    event.MouseInput.Wheel = 0.0f;
    event.MouseInput.Shift = false;
    event.MouseInput.Control = false;
    event.MouseInput.ButtonStates = 0;
    return event;
}

bool isMovementKey(int key)
{
    return key == KEY_KEY_W || key == KEY_KEY_S || key == KEY_KEY_A || key == KEY_KEY_D;
}

TEST(Receiver, PassesMovementKeyPressesAndConsumesAllOtherPresses)
{
    MyEventReceiver receiver;
    for (int key = 0; key < KEY_KEY_CODES_COUNT; ++key)
        EXPECT_EQ(receiver.OnEvent(keyEvent(EKEY_CODE(key), true)), !isMovementKey(key))
            << "key " << key;
}

TEST(Receiver, PassesEveryKeyRelease)
{
    MyEventReceiver receiver;
    for (int key = 0; key < KEY_KEY_CODES_COUNT; ++key)
        EXPECT_FALSE(receiver.OnEvent(keyEvent(EKEY_CODE(key), false))) << "key " << key;
}

// Only the key code counts: Shift+W is W, and Shift alone is consumed.
TEST(Receiver, IgnoresModifiers)
{
    MyEventReceiver receiver;
    EXPECT_FALSE(receiver.OnEvent(keyEvent(KEY_KEY_W, true, true, true)));
    EXPECT_TRUE(receiver.OnEvent(keyEvent(KEY_SHIFT, true, true)));
    EXPECT_TRUE(receiver.OnEvent(keyEvent(KEY_ESCAPE, true, false, true)));
}

TEST(Receiver, ConsumesOnlyLeftAndRightButtonPresses)
{
    MyEventReceiver receiver;
    for (int type = 0; type < EMIE_COUNT; ++type) {
        const bool consumed = type == EMIE_LMOUSE_PRESSED_DOWN || type == EMIE_RMOUSE_PRESSED_DOWN;
        EXPECT_EQ(receiver.OnEvent(mouseEvent(EMOUSE_INPUT_EVENT(type))), consumed)
            << "mouse event " << type;
    }
}

// Log text among them, so the engine prints its log lines.
TEST(Receiver, PassesEveryOtherEventType)
{
    MyEventReceiver receiver;
    SEvent log;
    log.EventType = EET_LOG_TEXT_EVENT;
    log.LogEvent.Text = "Irrlicht Engine version";
    log.LogEvent.Level = ELL_INFORMATION;
    EXPECT_FALSE(receiver.OnEvent(log));

    SEvent gui;
    gui.EventType = EET_GUI_EVENT;
    gui.GUIEvent.Caller = nullptr;
    gui.GUIEvent.Element = nullptr;
    gui.GUIEvent.EventType = gui::EGET_BUTTON_CLICKED;
    EXPECT_FALSE(receiver.OnEvent(gui));

    SEvent user;
    user.EventType = EET_USER_EVENT;
    user.UserEvent.UserData1 = 1;
    user.UserEvent.UserData2 = 2;
    EXPECT_FALSE(receiver.OnEvent(user));

    SEvent joystick = {};
    joystick.EventType = EET_JOYSTICK_INPUT_EVENT;
    EXPECT_FALSE(receiver.OnEvent(joystick));
}

} // namespace
