// A null-driver engine device for the toolkit's tests, with the embedding
// program's `driver` and `guienv` pointed at it and the toolkit's state reset.
#ifndef SKYGLASS_TESTS_NULL_ENGINE_H
#define SKYGLASS_TESTS_NULL_ENGINE_H

#include <gtest/gtest.h>
#include <irrlicht.h>

class NullEngine : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Puts a fresh empty scene node at `slot` and returns it.
    irr::scene::ISceneNode* fillSlot(irr::u32 slot);

    irr::IrrlichtDevice* device = nullptr;
    irr::scene::ISceneManager* smgr = nullptr;
};

#endif
