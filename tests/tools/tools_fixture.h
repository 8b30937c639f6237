// Shared helpers of the generator tests: a scratch folder, running a tool,
// and a quiet null-driver device for loading what the tools wrote.
#pragma once

#include <irrlicht.h>

#include <string>

namespace toolstest {

// A fresh empty folder, removed with its content when the object goes.
class ScratchDir
{
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string file(const std::string& name) const { return path + "/" + name; }

    std::string path;
};

// Runs the program with the arguments (each quoted for the shell); returns
// its exit code, or -1 when it did not exit normally.
int run(const std::string& program, const std::string& arguments);

std::string quoted(const std::string& text);

bool exists(const std::string& path);

std::string readAll(const std::string& path);

void writeAll(const std::string& path, const std::string& content);

// A null-driver device with the engine's log kept to warnings.
irr::IrrlichtDevice* createNullDevice();

} // namespace toolstest
