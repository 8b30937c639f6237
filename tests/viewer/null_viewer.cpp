#include "null_viewer.h"

#include "viewer.h"

#include <filesystem>
#include <fstream>

using namespace irr;
namespace fs = std::filesystem;

// The main unit's variables that the viewer library reads; the tests set them.
IrrlichtDevice* device;
scene::ISceneManager* smgr;
video::IVideoDriver* driver;
gui::IGUIEnvironment* guienv;
SKeyMap keyMap[4];
video::ITexture* cylinder;

void NullViewer::SetUp()
{
    previousWorkdir = fs::current_path().string();
    char pattern[] = "/tmp/skyglass-viewer-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    workdir = pattern;
    fs::current_path(workdir);

    device = createDevice(video::EDT_NULL);
    ASSERT_NE(device, nullptr);
    device->getLogger()->setLogLevel(ELL_NONE);
    smgr = device->getSceneManager();
    driver = device->getVideoDriver();
    guienv = device->getGUIEnvironment();
    for (SKeyMap& entry : keyMap)
        entry = SKeyMap();
    cylinder = nullptr;
    camera = nullptr;
    mesh[0] = nullptr;
    node[0] = nullptr;
}

void NullViewer::TearDown()
{
    camera = nullptr;
    mesh[0] = nullptr;
    node[0] = nullptr;
    cylinder = nullptr;
    smgr = nullptr;
    driver = nullptr;
    guienv = nullptr;
    if (device)
        device->drop();
    device = nullptr;
    fs::current_path(previousWorkdir);
    fs::remove_all(workdir);
}

void NullViewer::writeFile(const std::string& name, const std::string& text) const
{
    const fs::path path = fs::path(workdir) / name;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

void NullViewer::copyPanoramaMesh() const
{
    fs::create_directories(fs::path(workdir) / "media");
    fs::copy_file(SKYGLASS_PANORAMA_MESH, fs::path(workdir) / "media" / "360.x");
}
