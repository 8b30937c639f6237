// Writes the tests' valid files into one seed folder per decoder.
#include "testimages.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: make_seeds <folder>\n";
        return 1;
    }
    const std::filesystem::path root = argv[1];
    const std::map<std::string, std::string> folderOf = {
        {"bmp", "bmp"}, {"jpg", "jpeg"}, {"pcx", "pcx"}, {"png", "png"},   {"ppm", "pnm"},
        {"psd", "psd"}, {"rgb", "sgi"},  {"tga", "tga"}, {"wal", "quake"}, {"lmp", "quake"}};
    for (const ImageCase& c : ValidCases()) {
        for (const std::string& folder : {folderOf.at(c.extension), std::string("any")}) {
            std::filesystem::create_directories(root / folder);
            std::ofstream(root / folder / (c.name + "." + c.extension), std::ios::binary)
                .write(reinterpret_cast<const char*>(c.bytes.data()),
                       static_cast<std::streamsize>(c.bytes.size()));
        }
    }
    return 0;
}
