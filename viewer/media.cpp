#include "media.h"

#include "notice.h"
#include "platform.h"

#include <cstdio>

using namespace irr;

namespace {
const char* const PanoramaMeshName = "media/360.x"; // relative to a media folder's parent

// The folders searched for data files, in order. Each ends with '/' except the
// first, the working directory, which is empty.
core::array<io::path> MediaSearchFolders()
{
    core::array<io::path> folders;
    folders.push_back("");
    const io::path beside = ExecutableFolder();
    if (!beside.empty())
        folders.push_back(beside);
    folders.push_back(SKYGLASS_INSTALLED_DATA_DIR);
    return folders;
}
} // namespace

scene::IAnimatedMesh* LoadPanoramaMesh(scene::ISceneManager* smgr)
{
    const core::array<io::path> folders = MediaSearchFolders();
    for (u32 i = 0; i < folders.size(); ++i) {
        const io::path name = folders[i] + PanoramaMeshName;
        if (!smgr->getFileSystem()->existFile(name))
            continue;
        if (scene::IAnimatedMesh* found = smgr->getMesh(name))
            return found;
    }
    std::fprintf(stderr,
                 "skyglass: cannot load the panorama mesh \"%s\" from the working directory, "
                 "%s or %s\n",
                 PanoramaMeshName, ExecutableFolder().c_str(), SKYGLASS_INSTALLED_DATA_DIR);
    return 0;
}

gui::IGUIFont* LoadNoticeFont(gui::IGUIEnvironment* guienv)
{
    const u32 size = NoticeFontSize(guienv->getVideoDriver()->getScreenSize().Height);
    const io::path name = io::path("media/notice-") + io::path(size) + ".xml";
    const core::array<io::path> folders = MediaSearchFolders();
    for (u32 i = 0; i < folders.size(); ++i)
        if (guienv->getFileSystem()->existFile(folders[i] + name))
            return guienv->getFont(folders[i] + name);
    return 0;
}
