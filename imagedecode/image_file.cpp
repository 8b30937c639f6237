#include "image_file.h"

namespace imagedecode {

namespace {

const char* const Shortened = "the file was shortened while it was read";

} // namespace

bool ImageFile::open(const char* path, std::string& reason)
{
    if (!source_.open(path, reason))
        return false;
    std::string firstReason;
    for (const ImageFormat& format : Formats()) {
        if (!format.codec->matches(source_.head(), source_.headSize()))
            continue;
        if (!(format.flags & Streamed) && !source_.bytes(reason))
            return false;
        std::string why;
        decoder_ = format.codec->open(source_, why);
        if (source_.truncated()) {
            reason = Shortened;
            decoder_.reset();
            return false;
        }
        if (decoder_) {
            format_ = &format;
            return true;
        }
        if (firstReason.empty() && !(format.flags & NoSignature))
            firstReason = why;
    }
    reason = firstReason.empty() ? "not an image format the viewer reads" : firstReason;
    return false;
}

bool ImageFile::decode(RowSink& sink, PictureSize size, std::string& reason)
{
    if (!decoder_ || (format_->flags & DecodedByEngine)) {
        reason = "the file holds no picture this library decodes";
        return false;
    }
    work_ = DecodeWork();
    const bool decoded = decoder_->decode(sink, size, work_, reason);
    if (source_.truncated()) {
        reason = Shortened;
        return false;
    }
    return decoded;
}

} // namespace imagedecode
