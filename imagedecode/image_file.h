// A picture file opened once: the file is read up to its first row, which
// tells its format (by content, never by name), the picture's description
// and the decoder that goes on from there. Decoding then hands the rows to
// the sink chain the caller builds for that description.
#pragma once

#include "decoder.h"
#include "source.h"

#include <memory>

namespace imagedecode {

class ImageFile
{
public:
    // Opens the file and reads it up to the first row. Recognition tries the
    // formats in table order: the first whose signature matches the first
    // bytes and that opens the file is its format. False says why: the
    // file cannot be read; or why the first format whose signature matched
    // refused it; or, when only formats without a signature were left, that
    // it is of no format read here.
    bool open(const char* path, std::string& reason);

    const ImageFormat& format() const { return *format_; }
    const ImageDescription& description() const { return decoder_->description(); }
    // The smallest size the decoder gives that covers `wanted` (Decoder).
    PictureSize sizeCovering(PictureSize wanted) const { return decoder_->sizeCovering(wanted); }

    // Decodes the picture, once, at its own size or one sizeCovering gave.
    bool decode(RowSink& sink, PictureSize size, std::string& reason);
    bool decode(RowSink& sink, std::string& reason)
    {
        return decode(sink, description().size(), reason);
    }
    // What the decode cost.
    const DecodeWork& work() const { return work_; }

    // The whole file, for the formats the engine decodes.
    const unsigned char* data() { return source_.bytes(ignored_); }
    std::size_t size() const { return source_.size(); }

private:
    Source source_;
    const ImageFormat* format_ = nullptr;
    std::unique_ptr<Decoder> decoder_;
    DecodeWork work_;
    std::string ignored_;
};

} // namespace imagedecode
