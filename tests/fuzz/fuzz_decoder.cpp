// libFuzzer target for one row of the format table, chosen at build time
// with -DFUZZ_FORMAT=<key>, or for identification followed by decoding, as
// the viewer does, with the key "any". Every picture goes to a sink that
// checks the row protocol (for "any", as in the viewer, through the sink
// that reduces pictures larger than a texture, here 64 pixels a side);
// every broken promise stops the run:
// a refusal without a reason, a decoded file that its own header check
// refuses, rows handed out of turn, a picture left incomplete.
#include "checking_sink.h"
#include "imagedecode.h"
#include "reducing_sink.h"

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    static const ImageFormat* const target = Target();
    std::string reason;
    const ImageFormat* format = target ? target : IdentifyImage(data, size, reason);
    Require(format || !reason.empty());
    if (!format)
        return 0;
    const bool checked = format->codec->check(data, size, reason);
    Require(checked || !reason.empty());
    Require(!checked || format->codec->matches(data, size));
    if (!format->codec->decode)
        return 0;
    CheckingSink sink(format->flags);
    TextureLimits limits;
    limits.maxWidth = limits.maxHeight = 64;
    ReducingSink reducing(limits, sink);
    DecodeWork work;
    reason.clear();
    const bool decoded = format->codec->decode(
        data, size, target ? static_cast<RowSink&>(sink) : reducing, work, reason);
    Require(decoded || !reason.empty());
    Require(!decoded || (checked && sink.complete()));
    Require(sink.faults().empty());
    return 0;
}
