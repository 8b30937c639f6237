// The viewer's program-wide state on a null-driver device, in a fresh working
// folder with the panorama mesh at media/360.x: no start-up, no display.
#pragma once

#include "scratch_folder.h"
#include "viewer.h"

#include <filesystem>
#include <gtest/gtest.h>

class NullViewer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::current_path(folder.path());
        std::filesystem::create_directory("media");
        std::filesystem::copy_file(SKYGLASS_PANORAMA_MESH, "media/360.x");
        device = irr::createDevice(irr::video::EDT_NULL);
        device->getLogger()->setLogLevel(irr::ELL_NONE);
        smgr = device->getSceneManager();
        driver = device->getVideoDriver();
        guienv = device->getGUIEnvironment();
        cylinder = nullptr;
        node[0] = nullptr;
        CreateKeymap();
    }
    void TearDown() override { device->drop(); }

    ScratchFolder folder;
    irr::IrrlichtDevice* device = nullptr;
};
