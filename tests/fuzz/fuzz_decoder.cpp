// libFuzzer target for one row of the format table, chosen at build time
// with -DFUZZ_FORMAT=<key>, or for recognition followed by decoding, as the
// viewer does, with the key "any". The input is opened as a file: by the
// target's format alone, or by recognition. Every picture goes to a sink
// that checks the row protocol (for "any", as in the viewer, through the
// stages that take a picture to its texture, here of 64 pixels a side);
// every broken promise stops the run: a refusal without a reason, a format
// that opens a file its signature does not match, rows handed out of turn,
// a picture left incomplete.
#include "bytes_file.h"
#include "checking_sink.h"
#include "texture_decode.h"

#include <cstring>

using namespace imagedecode;

namespace {

#define STRINGIFY(x) #x
#define KEY(x) STRINGIFY(x)

const ImageFormat* Target()
{
    for (const ImageFormat& format : Formats())
        if (std::strcmp(format.key, KEY(FUZZ_FORMAT)) == 0)
            return &format;
    return nullptr;
}

void Require(bool promise)
{
    if (!promise)
        __builtin_trap();
}

// The target's format opens the file and decodes it.
void DecodeAs(const ImageFormat& format, const char* path)
{
    Source source;
    std::string reason;
    Require(source.open(path, reason));
    std::unique_ptr<Decoder> decoder = format.codec->open(source, reason);
    Require(decoder || !reason.empty());
    if (!decoder || (format.flags & DecodedByEngine))
        return;
    Require(format.codec->matches(source.head(), source.headSize()));
    CheckingSink sink(format.flags);
    DecodeWork work;
    reason.clear();
    const bool decoded = decoder->decode(sink, decoder->description().size(), work, reason);
    Require(decoded || !reason.empty());
    Require(!decoded || sink.complete());
    Require(sink.faults().empty());
}

// Recognition, then the viewer's way to a texture.
void DecodeAny(const char* path)
{
    ImageFile file;
    std::string reason;
    if (!file.open(path, reason)) {
        Require(!reason.empty());
        return;
    }
    if (file.format().flags & DecodedByEngine)
        return;
    CheckingSink sink(file.format().flags);
    const TextureLimits limits{64, 64, PowerOfTwo::Any};
    const gpano::TexturePlan plan = gpano::PlanTexture(file.description(), limits, true);
    const bool decoded = gpano::DecodeForTexture(file, plan, sink, reason);
    Require(decoded || !reason.empty());
    Require(!decoded || sink.complete());
    Require(sink.faults().empty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    static const ImageFormat* const target = Target();
    static BytesFile file;
    file.assign(data, size);
    if (target)
        DecodeAs(*target, file.path());
    else
        DecodeAny(file.path());
    return 0;
}
