// Decoding the benchmark's JPEG and PNG in-process with each image loader of
// image_decoders.cpp, the first one (the engine's) being the reference.
#include "bench.h"
#include "image_decoders.h"

#include <algorithm>
#include <chrono>

namespace bench {

bool runDecodeSection(const Options& options, const Workspace& workspace,
                      std::vector<Table>& tables)
{
    const int repeats = std::max(3, options.runs);
    const std::vector<ImageDecoder> decoders = imageDecoders();
    Table table;
    table.title = "Image loaders (median of " + std::to_string(repeats) + " decodes, in-process)";
    table.columns = {"Loader", "Image", "Time (ms)", "Against the first loader"};
    bool ok = true;
    const std::pair<std::string, std::string> images[] = {{workspace.jpeg, workspace.jpegLabel},
                                                          {workspace.png, workspace.pngLabel}};
    for (const auto& [path, label] : images) {
        double reference = 0;
        for (std::size_t d = 0; d < decoders.size(); ++d) {
            std::vector<double> times;
            bool decoded = true;
            for (int r = 0; r < repeats && decoded; ++r) {
                unsigned w = 0, h = 0;
                const auto start = std::chrono::steady_clock::now();
                decoded = decoders[d].decode(path, w, h) && w > 0 && h > 0;
                times.push_back(std::chrono::duration<double, std::milli>(
                                    std::chrono::steady_clock::now() - start)
                                    .count());
            }
            if (!decoded) {
                table.rows.push_back({decoders[d].name, label, "failed", ""});
                ok = false;
                continue;
            }
            std::sort(times.begin(), times.end());
            const double ms = times[times.size() / 2];
            if (d == 0)
                reference = ms;
            table.rows.push_back({decoders[d].name, label, formatNumber(ms, 1),
                                  reference > 0 ? formatNumber(ms / reference, 3) : "n/a"});
        }
    }
    tables.push_back(table);
    return ok;
}

} // namespace bench
