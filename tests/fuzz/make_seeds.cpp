// Writes the tests' valid files into the seed folder of the format the table
// recognises in each, and all of them into the folder "any".
#include "imagedecode.h"
#include "testimages.h"

#include <filesystem>
#include <fstream>

int main(int argc, char** argv)
{
    const std::filesystem::path root(argc > 1 ? argv[1] : ".");
    for (const ImageCase& c : ValidCases()) {
        std::string reason;
        const imagedecode::ImageFormat* format =
            imagedecode::IdentifyImage(c.bytes.data(), c.bytes.size(), reason);
        if (!format)
            return 1;
        for (const std::string& folder : {std::string(format->key), std::string("any")}) {
            std::filesystem::create_directories(root / folder);
            std::ofstream(root / folder / (c.name + "." + c.extension), std::ios::binary)
                .write(reinterpret_cast<const char*>(c.bytes.data()),
                       std::streamsize(c.bytes.size()));
        }
    }
}
