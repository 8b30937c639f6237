// A program started for a test, with its standard output and error collected
// in files of the test's working folder.
#ifndef SKYGLASS_TESTS_E2E_PROCESS_H
#define SKYGLASS_TESTS_E2E_PROCESS_H

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

class Process
{
public:
    // Starts `program` with `arguments` in the folder `workdir`.
    Process(const std::string& program, const std::vector<std::string>& arguments,
            const std::string& workdir);
    // Kills the program when it still runs.
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool running();

    // Waits for the program to end and returns its exit code (128 + the
    // signal number when a signal ended it); -1 when it still runs at `limit`.
    int waitForExit(std::chrono::milliseconds limit = std::chrono::seconds(60));

    std::string output() const;      // all it wrote to standard output
    std::string errorOutput() const; // all it wrote to standard error

private:
    pid_t pid = -1;
    bool ended = false;
    int exitCode = -1;
    std::string outputFile;
    std::string errorFile;
};

#endif
