// The valid files every test starts from: one per format and variant.
#pragma once

#include "testimages.h"

#include <ostream>
#include <string>
#include <vector>

struct ImageCase
{
    std::string name;      // test name part
    std::string extension; // the engine picks its decoder by it
    testimages::Bytes bytes;
    unsigned precision = 8; // bits per channel the engine keeps
    bool compareAlpha = true;
    unsigned tolerance = 0; // allowed difference per channel
    // Where the engine's own decoder gets this variant wrong (or cannot read
    // it), the expected pixels come from the engine reading the same picture
    // in a form it decodes correctly.
    testimages::Bytes reference;
    std::string referenceExtension;
    bool engineSwapsRedAndBlue = false;
};

std::vector<ImageCase> ValidCases();

// Test parameters print as their name.
inline void PrintTo(const ImageCase& c, std::ostream* os)
{
    *os << c.name;
}
