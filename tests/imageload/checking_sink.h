// A sink that checks the decoders' side of the row protocol (row_sink.h)
// while it keeps the picture. Every band is a fresh allocation of exactly its
// rows, with a stride wider than a row, filled with a pattern: a decoder that
// writes outside its band shows under AddressSanitizer, one that takes rows
// for packed or leaves pixels unwritten shows in the picture.
#pragma once

#include "imagedecode.h"

#include <memory>
#include <string>
#include <vector>

class CheckingSink : public imagedecode::RowSink
{
public:
    // `flags`: the format's table flags, which allow bottom-up rows and
    // several passes.
    explicit CheckingSink(unsigned flags) : flags_(flags) {}

    bool begin(const imagedecode::PictureInfo& picture, std::string& reason) override;
    unsigned char* band(std::uint32_t first, std::uint32_t count, std::size_t& stride) override;
    void commit(std::uint32_t first, std::uint32_t count) override;

    // What broke the protocol, one line each; empty when nothing did.
    const std::string& faults() const { return faults_; }
    // Every row of every pass committed.
    bool complete() const;
    const imagedecode::PictureInfo& picture() const { return picture_; }
    // Rows top to bottom, no padding.
    const std::vector<unsigned char>& pixels() const { return pixels_; }

private:
    void fault(const std::string& what);
    std::size_t rowBytes() const;

    unsigned flags_;
    bool begun_ = false;
    imagedecode::PictureInfo picture_;
    std::vector<unsigned char> pixels_;
    std::unique_ptr<unsigned char[]> band_; // the band handed out, not yet committed
    std::uint32_t bandFirst_ = 0;
    std::uint32_t bandCount_ = 0;
    std::uint32_t done_ = 0; // rows committed in this pass
    unsigned pass_ = 0;
    std::string faults_;
};
