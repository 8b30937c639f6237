#include "fed_rows.h"

#include <algorithm>
#include <random>

namespace testimages {

using imagedecode::RowOrder;

RowsPicture RandomPicture(std::uint32_t width, std::uint32_t height,
                          imagedecode::PixelLayout layout, RowOrder order, unsigned passes,
                          unsigned seed)
{
    RowsPicture p{{width, height, layout, order, passes}, {}};
    std::mt19937 random(seed);
    p.rows.resize(std::size_t(width) * height * imagedecode::BytesPerPixel(layout));
    for (unsigned char& sample : p.rows)
        sample = static_cast<unsigned char>(random());
    return p;
}

bool Feed(const RowsPicture& p, imagedecode::RowSink& sink, std::string& reason,
          std::uint32_t stopAfter)
{
    if (!sink.begin(p.info, reason))
        return false;
    const std::size_t bytes = std::size_t(p.info.width) * imagedecode::BytesPerPixel(p.info.layout);
    std::uint32_t handed = 0;
    for (unsigned pass = 0; pass < p.info.passes; ++pass)
        for (std::uint32_t done = 0; done < p.info.height && handed < stopAfter;) {
            const std::uint32_t count =
                std::min({p.info.height - done, imagedecode::MaxBandRows, stopAfter - handed});
            const std::uint32_t first =
                p.info.order == RowOrder::TopDown ? done : p.info.height - done - count;
            std::size_t stride = 0;
            unsigned char* band = sink.band(first, count, stride);
            for (std::uint32_t i = 0; i < count; ++i)
                for (std::size_t b = 0; b < bytes; ++b) {
                    const unsigned char sample = p.rows[(first + i) * bytes + b];
                    band[i * stride + b] =
                        pass + 1 == p.info.passes ? sample : static_cast<unsigned char>(~sample);
                }
            sink.commit(first, count);
            done += count;
            handed += count;
        }
    return handed == std::uint64_t(p.info.passes) * p.info.height;
}

} // namespace testimages
