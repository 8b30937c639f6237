// Text from a file or a command line as it may appear on one line of the
// terminal: control characters become '?'.
#pragma once

#include <string>

namespace imagedecode {

inline std::string Printable(std::string text)
{
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    return text;
}

} // namespace imagedecode
