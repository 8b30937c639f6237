#include "xmp_properties.h"

#include <exempi/xmp.h>

#include <iostream>
#include <memory>
#include <sstream>

namespace gpano {

namespace {

const char* const Namespace = "http://ns.google.com/photos/1.0/panorama/";
const char* const Names[PropertyCount] = {
    "ProjectionType",
    "FullPanoWidthPixels",
    "FullPanoHeightPixels",
    "CroppedAreaImageWidthPixels",
    "CroppedAreaImageHeightPixels",
    "CroppedAreaLeftPixels",
    "CroppedAreaTopPixels",
};

// Exempi starts its toolkit once, and only for a file that has a packet.
bool StartLibrary()
{
    static const bool started = xmp_init();
    return started;
}

// Exempi tells why a packet does not parse on std::cerr; the viewer says it
// in its own line instead.
class CapturedErrors
{
public:
    CapturedErrors() : saved(std::cerr.rdbuf(text.rdbuf())) {}
    ~CapturedErrors() { std::cerr.rdbuf(saved); }
    std::string lastLine() const
    {
        std::string all = text.str();
        while (!all.empty() && all.back() == '\n')
            all.pop_back();
        return all.substr(all.find_last_of('\n') + 1);
    }

private:
    std::ostringstream text;
    std::streambuf* saved;
};

struct XmpFree
{
    void operator()(_Xmp* xmp) const { xmp_free(xmp); }
};
struct XmpStringFree
{
    void operator()(_XmpString* s) const { xmp_string_free(s); }
};

} // namespace

std::string PropertyName(Property property)
{
    return std::string("GPano:") + Names[property];
}

bool ReadProperties(const std::string& packet, Properties& properties, std::string& problem)
{
    properties = Properties();
    if (!StartLibrary()) {
        problem = "the XMP library could not be started";
        return false;
    }
    std::unique_ptr<_Xmp, XmpFree> xmp;
    {
        CapturedErrors errors;
        xmp.reset(xmp_new(packet.data(), packet.size()));
        if (!xmp) {
            const std::string why = errors.lastLine();
            problem = "the XMP metadata cannot be read (" +
                      (why.empty() ? "error " + std::to_string(xmp_get_error()) : why) + ")";
            return false;
        }
    }
    std::unique_ptr<_XmpString, XmpStringFree> value(xmp_string_new());
    for (int i = 0; i < PropertyCount; ++i) {
        uint32_t options = 0;
        properties.present[i] =
            xmp_get_property(xmp.get(), Namespace, Names[i], value.get(), &options);
        if (properties.present[i] && !XMP_IS_PROP_SIMPLE(options))
            properties.values[i].clear();
        else if (properties.present[i])
            properties.values[i] = xmp_string_cstr(value.get());
    }
    return true;
}

} // namespace gpano
