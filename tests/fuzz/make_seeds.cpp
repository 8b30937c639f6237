// Writes the tests' valid files into one seed folder per decoder.
#include "testimages.h"

#include <filesystem>
#include <fstream>
#include <map>

int main(int argc, char** argv)
{
    const std::map<std::string, std::string> folderOf = {
        {"bmp", "bmp"}, {"jpg", "jpeg"}, {"pcx", "pcx"}, {"png", "png"},   {"ppm", "pnm"},
        {"psd", "psd"}, {"rgb", "sgi"},  {"tga", "tga"}, {"wal", "quake"}, {"lmp", "quake"}};
    for (const ImageCase& c : ValidCases())
        for (const std::string& folder : {folderOf.at(c.extension), std::string("any")}) {
            const std::filesystem::path dir =
                std::filesystem::path(argc > 1 ? argv[1] : ".") / folder;
            std::filesystem::create_directories(dir);
            std::ofstream(dir / (c.name + "." + c.extension), std::ios::binary)
                .write(reinterpret_cast<const char*>(c.bytes.data()),
                       std::streamsize(c.bytes.size()));
        }
}
