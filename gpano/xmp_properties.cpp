#include "xmp_properties.h"

#include <exempi/xmp.h>
#include <expat.h>

#include <cstring>
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
    "InitialViewHeadingDegrees",
    "PoseHeadingDegrees",
};

// Named properties (attributes, and elements other than array items) in one
// packet. The XMP toolkit looks each property up among its siblings, so its
// time grows with the square of their number: 70000 attributes of one element
// took a minute, 5000 take a fifth of a second.
constexpr unsigned long MaxProperties = 5000;

struct Census
{
    XML_Parser parser;
    unsigned long properties = 0;
    const char* refusal = nullptr;
};

void XMLCALL OnElement(void* data, const XML_Char* name, const XML_Char** attributes)
{
    Census& census = *static_cast<Census*>(data);
    census.properties += std::strcmp(name, "rdf:li") != 0;
    for (; *attributes; attributes += 2)
        ++census.properties;
    if (census.properties > MaxProperties) {
        census.refusal = "more than 5000 properties";
        XML_StopParser(census.parser, XML_FALSE);
    }
}

void XMLCALL OnDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int)
{
    Census& census = *static_cast<Census*>(data);
    census.refusal = "DOCTYPE is not allowed";
    XML_StopParser(census.parser, XML_FALSE);
}

// Reads the packet with expat before the XMP toolkit sees it, counting its
// properties. XML that expat refuses is refused (the toolkit would mend some
// and read on); so is a DOCTYPE, which the toolkit refuses too, before any
// entity is expanded. Zeros and bytes after the packet's root are let pass.
bool CheckSize(const std::string& packet, std::string& problem)
{
    Census census{XML_ParserCreate(nullptr)};
    if (!census.parser) {
        problem = "not enough memory to read the XMP metadata";
        return false;
    }
    XML_SetUserData(census.parser, &census);
    XML_SetStartElementHandler(census.parser, OnElement);
    XML_SetStartDoctypeDeclHandler(census.parser, OnDoctype);
    std::size_t size = packet.size();
    while (size > 0 && packet[size - 1] == '\0')
        --size;
    if (XML_Parse(census.parser, packet.data(), int(size), XML_TRUE) == XML_STATUS_ERROR &&
        !census.refusal && XML_GetErrorCode(census.parser) != XML_ERROR_JUNK_AFTER_DOC_ELEMENT)
        census.refusal = XML_ErrorString(XML_GetErrorCode(census.parser));
    XML_ParserFree(census.parser);
    if (census.refusal)
        problem = std::string("the XMP metadata cannot be read (") + census.refusal + ")";
    return !census.refusal;
}

// Exempi starts its toolkit once, and only for a file that has a packet. The
// GPano namespace is registered, so that asking for its properties in a packet
// that has none is not an error.
bool StartLibrary()
{
    static const bool started = xmp_init() && xmp_register_namespace(Namespace, "GPano", nullptr);
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
    if (!CheckSize(packet, problem))
        return false;
    CapturedErrors errors;
    std::unique_ptr<_Xmp, XmpFree> xmp(xmp_new(packet.data(), packet.size()));
    if (!xmp) {
        const std::string why = errors.lastLine();
        problem = "the XMP metadata cannot be read (" +
                  (why.empty() ? "error " + std::to_string(xmp_get_error()) : why) + ")";
        return false;
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
