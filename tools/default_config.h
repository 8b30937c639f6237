// The default "config.cfg": the viewer's default settings record.
#pragma once

#include <string>

namespace defaultconfig {

enum class Result
{
    Written, // the file did not exist and now holds the nine bytes
    Kept,    // a file of that name exists; it was not touched
    Failed   // `error` says why
};

// Creates `path` with the default bytes unless something of that name exists.
// The check and the creation are one step (O_EXCL), so an existing file is
// never overwritten, even by a concurrent run. A file that could not be
// written completely is removed again.
Result writeIfMissing(const std::string& path, std::string& error);

} // namespace defaultconfig
