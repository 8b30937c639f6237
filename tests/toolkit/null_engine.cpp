#include "null_engine.h"

#include "vesper.h"

using namespace irr;

// The embedding program defines these; here the tests do.
video::IVideoDriver* driver;
gui::IGUIEnvironment* guienv;

void NullEngine::SetUp()
{
    device = createDevice(video::EDT_NULL);
    ASSERT_NE(device, nullptr);
    device->getLogger()->setLogLevel(ELL_NONE);
    smgr = device->getSceneManager();
    driver = device->getVideoDriver();
    guienv = device->getGUIEnvironment();

    camera = nullptr;
    campos = camrot = step = core::vector3df(0.0f, 0.0f, 0.0f);
    sincamrotx = coscamrotx = sincamroty = coscamroty = 0.0f;
    gti = subtitlesbg = nullptr;
    tixy = stxy = core::rect<s32>(0, 0, 0, 0);
}

void NullEngine::TearDown()
{
    for (u32 slot = 0; slot < vpSlotCount; ++slot)
        node[slot] = nullptr;
    camera = nullptr;
    driver = nullptr;
    guienv = nullptr;
    if (device)
        device->drop();
}

scene::ISceneNode* NullEngine::fillSlot(u32 slot)
{
    node[slot] = smgr->addEmptySceneNode();
    return node[slot];
}
