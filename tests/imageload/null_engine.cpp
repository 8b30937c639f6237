#include "null_engine.h"

using namespace irr;

NullEngine::NullEngine()
{
    device = createDevice(video::EDT_NULL);
    device->getLogger()->setLogLevel(ELL_NONE);
    driver = device->getVideoDriver();
}

NullEngine::~NullEngine()
{
    device->drop();
}

video::IImage* NullEngine::engineDecode(const testimages::Bytes& bytes, const std::string& ext)
{
    io::IReadFile* file = device->getFileSystem()->createMemoryReadFile(
        const_cast<unsigned char*>(bytes.data()), static_cast<s32>(bytes.size()),
        ("case." + ext).c_str(), false);
    video::IImage* image = driver->createImageFromFile(file);
    file->drop();
    return image;
}
