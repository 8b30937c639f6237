#include "null_viewer.h"
#include "viewer.h"

using namespace irr;

namespace {

// Turns the camera the way a mouse move does, once: pitch, roll and a heading
// change, applied while the scene animates.
class TurnOnce : public scene::ISceneNodeAnimator
{
public:
    void animateNode(scene::ISceneNode* turned, u32) override
    {
        if (done)
            return;
        const core::vector3df rotation = turned->getRotation();
        turned->setRotation(core::vector3df(25.0f, rotation.Y + 30.0f, 10.0f));
        done = true;
    }
    scene::ISceneNodeAnimator* createClone(scene::ISceneNode*, scene::ISceneManager*) override
    {
        return 0;
    }

private:
    bool done = false;
};

// Records the camera's rotation at the moment the scene is drawn.
class RotationAtDraw : public scene::ISceneNode
{
public:
    explicit RotationAtDraw(scene::ISceneManager* manager)
        : scene::ISceneNode(manager->getRootSceneNode(), manager)
    {
        setAutomaticCulling(scene::EAC_OFF);
    }
    void OnRegisterSceneNode() override
    {
        SceneManager->registerNodeForRendering(this, scene::ESNRP_SOLID);
        scene::ISceneNode::OnRegisterSceneNode();
    }
    void render() override
    {
        seen = camera->getRotation();
        ++draws;
    }
    const core::aabbox3d<f32>& getBoundingBox() const override { return box; }

    core::vector3df seen;
    int draws = 0;

private:
    core::aabbox3d<f32> box;
};

using ViewerFrame = NullViewer;

TEST_F(ViewerFrame, TurnOfTheFrameIsLevelledBeforeItIsDrawn)
{
    copyPanoramaMesh();
    CreateKeymap();
    ASSERT_TRUE(CreateWorld());
    camera->setRotation(core::vector3df(0.0f, 40.0f, 0.0f));

    TurnOnce* turn = new TurnOnce;
    camera->addAnimator(turn);
    turn->drop();
    RotationAtDraw* probe = new RotationAtDraw(smgr);

    DrawFrame();
    ASSERT_EQ(probe->draws, 1);
    EXPECT_EQ(probe->seen.X, 0.0f);
    EXPECT_EQ(probe->seen.Z, 0.0f);
    EXPECT_NEAR(probe->seen.Y, 70.0f, 0.01f);

    // Later frames keep the heading.
    DrawFrame();
    EXPECT_NEAR(probe->seen.Y, 70.0f, 0.01f);
    EXPECT_EQ(probe->seen.X, 0.0f);
    probe->drop();
}

} // namespace
