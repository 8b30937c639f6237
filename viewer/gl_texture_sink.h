// The picture's rows straight into an OpenGL texture of the viewer's own:
// storage for the whole mipmap chain made once, each band of the picture
// uploaded as it arrives in the layout the decoder gives (RGB, or BGRA with
// alpha), with no conversion on the CPU and no full-size copy kept, and the
// smaller levels made from the same rows on the way (mipmap_chain.h) and
// uploaded in bands too. The sink may run on the decoder's thread: what
// needs OpenGL goes through the courier to the thread whose context is
// current, the bands it uploads with it. The texture bound before is bound
// again after each upload, so that the engine finds the state it left.
#pragma once

#include "decode_beside.h" // Courier
#include "mipmap_chain.h"
#include "row_sink.h"

#include <memory>
#include <vector>

class GlTextureSink : public imagedecode::RowSink
{
public:
    // Into the texture `name`, which must exist, through `courier`.
    GlTextureSink(unsigned name, imagedecode::Courier& courier) : name_(name), courier_(courier)
    {}

    bool begin(const imagedecode::PictureInfo& picture, std::string& reason) override;
    unsigned char* band(std::uint32_t first, std::uint32_t count, std::size_t& stride) override;
    void commit(std::uint32_t first, std::uint32_t count) override;

    // Whether the storage was made and every row arrived, and with it every
    // level; the rows are freed either way. After the work sent is done.
    bool finish(std::string& reason);

private:
    // Rows waiting for their upload, or free again once its ticket is
    // done.
    struct Slot
    {
        std::unique_ptr<unsigned char[]> rows;
        std::uint64_t ticket = 0;
    };
    // The rows of a smaller level gathered into a band before they go up,
    // in one of two slots while the other one's upload waits.
    struct LevelBand
    {
        Slot slots[2];
        unsigned filling = 0;
        std::uint32_t top = 0, end = 0; // the band's rows, while one is open
        bool open = false;
    };

    bool makeStorage();
    std::uint64_t send(unsigned level, std::uint32_t first, std::uint32_t count,
                       const unsigned char* rows);
    void addToLevels(std::uint32_t count, const unsigned char* rows);
    void gather(unsigned level, std::uint32_t arrived, const unsigned char* pixels);

    // The ring of bands: about 12 MiB, less than the first frame takes after
    // the ring is freed. The decoder fills it while the storage is made and
    // then waits (llvmpipe makes the storage about as fast as the decoder
    // decodes the whole picture); a ring it could go on into would raise the
    // peak memory by as much.
    static constexpr std::size_t RingBytes = std::size_t(12) << 20;
    static constexpr unsigned MinBandSlots = 4, MaxBandSlots = 64;

    const unsigned name_;
    imagedecode::Courier& courier_;
    imagedecode::PictureInfo picture_;
    std::size_t pixelBytes_ = 0, stride_ = 0;
    // A picture of several passes, whole until its last pass; or the ring
    // of bands handed out.
    std::unique_ptr<unsigned char[]> whole_;
    std::vector<Slot> bands_;
    bool made_ = false; // the storage, by the thread whose context is current
    std::size_t next_ = 0; // the slot of the band handed out
    std::uint32_t bandFirst_ = 0;
    std::uint64_t committed_ = 0;
    imagedecode::MipmapChain chain_;
    std::vector<LevelBand> levelBands_; // per smaller level, from level 1
};
