// A fresh folder for one test's files, removed with everything in it when the
// object goes: the one way the tests make a temporary folder.
#pragma once

#include <string>

class ScratchFolder
{
public:
    ScratchFolder(); // under the system's temporary folder
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return folder; }
    std::string file(const std::string& name) const { return folder + '/' + name; }

    // Writes `bytes` as the file `name`, replacing what was there.
    void write(const std::string& name, const std::string& bytes) const;
    // The file's bytes; empty when it cannot be read.
    std::string read(const std::string& name) const;

private:
    std::string folder;
};
