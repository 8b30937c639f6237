// Presents frames through glXSwapBuffers (the frame probe's, as no GL library
// is loaded) and makes exactly two heap allocations of its own per frame.
#include <cstdlib>
#include <dlfcn.h>

void* volatile kept[2]; // keeps the compiler from leaving out the allocations

int main()
{
    using Swap = void (*)(void*, unsigned long);
    const auto swap = reinterpret_cast<Swap>(dlsym(RTLD_DEFAULT, "glXSwapBuffers"));
    if (!swap)
        return 2;
    for (int frame = 0; frame < 1000; ++frame) {
        kept[0] = std::malloc(32);
        kept[1] = new int[8];
        std::free(kept[0]);
        delete[] static_cast<int*>(kept[1]);
        swap(nullptr, 0);
    }
    return 3; // the probe should have ended the process long before
}
