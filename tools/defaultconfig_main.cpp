// skyglass-defaultconfig: puts the default "config.cfg" at a path unless a
// file is already there (the user's settings are never overwritten).
#include "default_config.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("Usage: skyglass-defaultconfig PATH\n"
                   "Creates PATH with the default viewer settings (OpenGL, 800 x 600, 32 bits,\n"
                   "windowed, no stencil buffer, no vertical sync) unless PATH exists.\n",
                   stderr);
        return 2;
    }
    std::string error;
    if (defaultconfig::writeIfMissing(argv[1], error) == defaultconfig::Result::Failed) {
        std::fprintf(stderr, "skyglass-defaultconfig: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
