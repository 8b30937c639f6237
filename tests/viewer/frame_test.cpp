// The input the camera gets from the user, and the frame drawn after it.
#include "null_viewer.h"
#include "receiver.h"

using namespace irr;

using ViewerFrame = NullViewer;

// A mouse move turns and pitches the FPS camera as the scene animates; the view
// matrix the frame is drawn with must look level, along the new heading.
TEST_F(ViewerFrame, TurnOfTheFrameIsLevelledBeforeItIsDrawn)
{
    ASSERT_TRUE(CreateWorld());
    camera->setRotation(core::vector3df(0.0f, 40.0f, 0.0f));
    DrawFrame(); // the camera takes the pointer to the centre
    device->getCursorControl()->setPosition(0.8f, 0.75f);
    SEvent move = {};
    move.EventType = EET_MOUSE_INPUT_EVENT;
    move.MouseInput.Event = EMIE_MOUSE_MOVED;
    device->postEventFromUser(move);
    for (int frame = 0; frame < 2; ++frame) {
        DrawFrame();
        const core::matrix4& view = camera->getViewMatrix();
        EXPECT_NEAR(view[6], 0.0f, 1e-5f) << "pitch in frame " << frame;
        EXPECT_NEAR(std::atan2(view[2], view[10]) * core::RADTODEG, 70.0f, 0.01f) << frame;
    }
}

// The receiver consumes what the camera must not act on: key presses other
// than W, S, A and D, and left and right clicks. All else passes.
TEST(Receiver, ConsumesKeyPressesButTheMovementKeysAndClicks)
{
    MyEventReceiver receiver;
    SEvent event = {};
    event.EventType = EET_KEY_INPUT_EVENT;
    for (int key = 0; key < KEY_KEY_CODES_COUNT; ++key)
        for (const bool pressed : {true, false}) {
            event.KeyInput.Key = EKEY_CODE(key);
            event.KeyInput.PressedDown = event.KeyInput.Shift = pressed; // Shift does not count
            const bool moves =
                key == KEY_KEY_W || key == KEY_KEY_S || key == KEY_KEY_A || key == KEY_KEY_D;
            EXPECT_EQ(receiver.OnEvent(event), pressed && !moves) << key << " " << pressed;
        }
    event = {};
    event.EventType = EET_MOUSE_INPUT_EVENT;
    for (int type = 0; type < EMIE_COUNT; ++type) {
        event.MouseInput.Event = EMOUSE_INPUT_EVENT(type);
        EXPECT_EQ(receiver.OnEvent(event),
                  type == EMIE_LMOUSE_PRESSED_DOWN || type == EMIE_RMOUSE_PRESSED_DOWN)
            << type;
    }
}
