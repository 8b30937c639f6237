// skyglass-bench-filtering: how close the viewer's view comes, with each way
// of filtering its texture, to the same view made by ffmpeg's v360 filter.
//
// It builds the viewer's own scene (its mesh, camera and OpenGL texture) in a
// window of each size, draws the view at a few headings with the texture
// filtered bilinearly from the nearest mipmap, trilinearly, and each of those
// anisotropically where the driver can, and compares every view with v360's
// rectilinear projection of the same picture, supersampled four times on
// each side and averaged down to the window's size (v360 itself takes one
// sample a pixel, and aliases where a small window shows a large picture).
// It prints the mean difference per sample, over the whole view and over its
// top and bottom sixths, where the view comes nearest the poles. It asserts
// nothing.
#include "imageload.h"
#include "sample_panorama.h"
#include "viewer.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace irr;

namespace {

const char usage[] =
    "Usage: skyglass-bench-filtering [--keep]\n"
    "Compares the viewer's view of an 8192 x 4096 panorama, with each texture\n"
    "filter, with ffmpeg's v360 projection of it. Needs an X display and ffmpeg.\n";

constexpr u32 PictureWidth = 8192, PictureHeight = 4096;
constexpr int Supersampling = 4;
constexpr double VerticalFovDegrees = 53.0; // the viewer camera's
const float Headings[] = {0.0f, 90.0f, 200.0f};

struct Size
{
    u32 width, height;
};
const Size Windows[] = {{1280, 720}, {320, 180}};

struct Filtering
{
    const char* name;
    bool trilinear;
    bool anisotropic;
};
const Filtering Filterings[] = {
    {"bilinear, nearest mipmap", false, false},
    {"trilinear", true, false},
    {"bilinear, nearest mipmap, anisotropic", false, true},
    {"trilinear, anisotropic", true, true},
};

struct Rgb
{
    std::vector<unsigned char> samples; // top row first
    u32 width = 0, height = 0;
};

std::string Run(const std::string& command)
{
    if (std::system(command.c_str()) != 0) {
        std::cerr << "skyglass-bench-filtering: failed: " << command << "\n";
        std::exit(1);
    }
    return command;
}

// A pixel's fine grain: value noise of periods 16, 4 and 1 pixels, so that
// every part of the picture has detail finer than a small window shows.
int Grain(u32 x, u32 y)
{
    auto hash = [](u32 a, u32 b) {
        u32 h = a * 374761393u + b * 668265263u;
        h = (h ^ (h >> 13)) * 1274126177u;
        return int((h ^ (h >> 16)) & 0xFF) - 128;
    };
    int sum = 0;
    for (const u32 period : {16u, 4u, 1u}) {
        const u32 cx = x / period, cy = y / period;
        const double fx = double(x % period) / period, fy = double(y % period) / period;
        const double top = hash(cx, cy) * (1 - fx) + hash(cx + 1, cy) * fx;
        const double bottom = hash(cx, cy + 1) * (1 - fx) + hash(cx + 1, cy + 1) * fx;
        sum += int((top * (1 - fy) + bottom * fy) / 6);
    }
    return sum;
}

// The sample panorama, with fine grain or without, as a PNG.
void PaintPicture(const std::string& path, bool grain)
{
    IrrlichtDevice* device = createDevice(video::EDT_NULL);
    video::IVideoDriver* null = device->getVideoDriver();
    video::IImage* image =
        null->createImage(video::ECF_R8G8B8, core::dimension2d<u32>(PictureWidth, PictureHeight));
    samplepano::paint(*image);
    if (grain) {
        auto* pixels = static_cast<unsigned char*>(image->lock());
        for (u32 y = 0; y < PictureHeight; ++y)
            for (u32 x = 0; x < PictureWidth; ++x) {
                unsigned char* p = pixels + (std::size_t(y) * PictureWidth + x) * 3;
                const int g = Grain(x, y);
                for (int c = 0; c < 3; ++c)
                    p[c] = static_cast<unsigned char>(std::min(255, std::max(0, p[c] + g)));
            }
        image->unlock();
    }
    null->writeImageToFile(image, path.c_str());
    image->drop();
    device->drop();
}

Rgb ReadPicture(video::IVideoDriver* reader, const std::string& path)
{
    Rgb picture;
    video::IImage* image = reader->createImageFromFile(path.c_str());
    if (!image) {
        std::cerr << "skyglass-bench-filtering: cannot read " << path << "\n";
        std::exit(1);
    }
    picture.width = image->getDimension().Width;
    picture.height = image->getDimension().Height;
    for (u32 y = 0; y < picture.height; ++y)
        for (u32 x = 0; x < picture.width; ++x) {
            const video::SColor c = image->getPixel(x, y);
            picture.samples.insert(picture.samples.end(),
                                   {static_cast<unsigned char>(c.getRed()),
                                    static_cast<unsigned char>(c.getGreen()),
                                    static_cast<unsigned char>(c.getBlue())});
        }
    image->drop();
    return picture;
}

// v360's rectilinear view of `picture` at `heading`, in a window of `size`.
std::string Reference(const std::string& folder, const std::string& picture, Size size,
                      float heading)
{
    const double aspect = double(size.width) / size.height;
    const double pi = 3.14159265358979323846;
    const double horizontal =
        2 * std::atan(std::tan(VerticalFovDegrees * pi / 360) * aspect) * 180 / pi;
    std::ostringstream name, command;
    name << folder << "/reference-" << size.width << "-" << heading << "-"
         << picture.substr(picture.rfind('/') + 1);
    command << "ffmpeg -loglevel error -y -i '" << picture << "' -vf v360=input=e:output=flat"
            << ":h_fov=" << horizontal << ":v_fov=" << VerticalFovDegrees << ":yaw=" << (heading > 180 ? heading - 360 : heading)
            << ":w=" << size.width * Supersampling << ":h=" << size.height * Supersampling
            << ":interp=lanczos,scale=" << size.width << ":" << size.height
            << ":flags=area -frames:v 1 '" << name.str() << "'";
    Run(command.str());
    return name.str();
}

// The view drawn now, from the back buffer.
Rgb ReadView(Size size)
{
    Rgb view;
    view.width = size.width;
    view.height = size.height;
    std::vector<unsigned char> rows(std::size_t(size.width) * size.height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, GLsizei(size.width), GLsizei(size.height), GL_RGB, GL_UNSIGNED_BYTE,
                 rows.data());
    const std::size_t stride = std::size_t(size.width) * 3;
    for (u32 y = 0; y < size.height; ++y) // OpenGL's rows are bottom first
        view.samples.insert(view.samples.end(), rows.begin() + (size.height - 1 - y) * stride,
                            rows.begin() + (size.height - y) * stride);
    return view;
}

// Mean absolute difference per sample of rows first .. end - 1.
double Difference(const Rgb& a, const Rgb& b, u32 first, u32 end)
{
    const std::size_t stride = std::size_t(a.width) * 3;
    double sum = 0;
    for (std::size_t i = first * stride; i < end * stride; ++i)
        sum += std::abs(int(a.samples[i]) - int(b.samples[i]));
    return sum / double((end - first) * stride);
}

struct Result
{
    double whole = 0, top = 0, bottom = 0;
};

// Draws the viewer's scene of `picture` in a window of `size` with each way
// of filtering, and compares each view with its reference.
std::vector<Result> Measure(const std::string& picture, Size size,
                            const std::vector<Rgb>& references, int& maxAnisotropy)
{
    IrrlichtDevice* device = createDevice(video::EDT_OPENGL,
                                          core::dimension2d<u32>(size.width, size.height), 32);
    if (!device) {
        std::cerr << "skyglass-bench-filtering: no OpenGL device\n";
        std::exit(1);
    }
    driver = device->getVideoDriver();
    smgr = device->getSceneManager();
    guienv = device->getGUIEnvironment();
    maxAnisotropy = driver->getDriverAttributes().getAttributeAsInt("MaxAnisotropy");
    LoadedPanorama loaded;
    cylinder = LoadPanoramaTexture(driver, picture.c_str(), &loaded);
    placement = loaded.placement;
    panoramamaterial = loaded.materialType;
    if (!loaded.refusal.empty() || !CreateWorld()) {
        std::cerr << "skyglass-bench-filtering: the viewer's scene cannot be built\n";
        std::exit(1);
    }
    camera->removeAnimators(); // no mouse: the camera turns only as told
    std::vector<Result> results;
    for (const Filtering& filtering : Filterings) {
        node[0]->setMaterialFlag(video::EMF_TRILINEAR_FILTER, filtering.trilinear);
        node[0]->setMaterialFlag(video::EMF_ANISOTROPIC_FILTER, filtering.anisotropic);
        Result result;
        for (std::size_t i = 0; i < std::size(Headings); ++i) {
            camera->setRotation(core::vector3df(0.0f, Headings[i], 0.0f));
            driver->beginScene(true, true, video::SColor(255, 0, 0, 0));
            smgr->drawAll();
            const Rgb view = ReadView(size);
            driver->endScene();
            const Rgb& reference = references[i];
            const u32 band = size.height / 6;
            result.whole += Difference(view, reference, 0, size.height) / std::size(Headings);
            result.top += Difference(view, reference, 0, band) / std::size(Headings);
            result.bottom += Difference(view, reference, size.height - band, size.height) /
                             std::size(Headings);
        }
        results.push_back(result);
    }
    device->drop();
    return results;
}

} // namespace

int main(int argc, char** argv)
{
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--keep") {
            keep = true;
        } else {
            std::fputs(usage, stderr);
            return 2;
        }
    }
    char pattern[] = "/tmp/skyglass-filtering-XXXXXX";
    const std::string folder = mkdtemp(pattern) ? pattern : "";
    if (folder.empty() || chdir(folder.c_str()) != 0) {
        std::perror("skyglass-bench-filtering: work folder");
        return 1;
    }
    Run("mkdir media && cp '" SKYGLASS_BENCH_MESH "' media/");

    IrrlichtDevice* reader = createDevice(video::EDT_NULL);
    std::cout << "# Texture filtering against ffmpeg's v360\n\n"
              << "Mean absolute difference per 8-bit sample from v360's view (supersampled "
              << Supersampling << " x " << Supersampling
              << "), over headings 0, 90 and 200; lower is closer.\n";
    for (const bool grain : {false, true}) {
        const std::string picture = folder + (grain ? "/grain.png" : "/sample.png");
        std::cerr << "painting " << picture << "\n";
        PaintPicture(picture, grain);
        for (const Size size : Windows) {
            std::cerr << "measuring " << size.width << " x " << size.height << "\n";
            std::vector<Rgb> references;
            for (const float turn : Headings)
                references.push_back(ReadPicture(reader->getVideoDriver(),
                                                 Reference(folder, picture, size, turn)));
            int maxAnisotropy = 0;
            const std::vector<Result> results = Measure(picture, size, references, maxAnisotropy);
            std::cout << "\n## " << (grain ? "Sample panorama with fine grain" : "Sample panorama")
                      << ", " << size.width << " x " << size.height << " window"
                      << " (anisotropy up to " << maxAnisotropy << ")\n\n"
                      << "| Filtering | Whole view | Top sixth | Bottom sixth |\n"
                      << "|---|---:|---:|---:|\n";
            for (std::size_t i = 0; i < results.size(); ++i) {
                char row[200];
                std::snprintf(row, sizeof row, "| %s | %.3f | %.3f | %.3f |\n",
                              Filterings[i].name, results[i].whole, results[i].top,
                              results[i].bottom);
                std::cout << row;
            }
        }
    }
    reader->drop();
    if (!keep)
        Run("rm -rf '" + folder + "'");
    else
        std::cerr << "kept " << folder << "\n";
    return 0;
}
