#include "profiles.h"

#include <lcms2.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <zlib.h>

namespace profiles {

const RgbSpace AdobeRgb = {{0.64, 0.33}, {0.21, 0.71}, {0.15, 0.06}, {0.3127, 0.3290}, 563.0 / 256};
const RgbSpace ProPhoto = {
    {0.7347, 0.2653}, {0.1596, 0.8404}, {0.0366, 0.0001}, {0.3457, 0.3585}, 1.8};
const RgbSpace AcesLinear = {
    {0.7347, 0.2653}, {0.0, 1.0}, {0.0001, -0.0770}, {0.32168, 0.33767}, 1.0};

namespace {

Bytes Saved(cmsHPROFILE profile)
{
    cmsUInt32Number size = 0;
    if (!profile || !cmsSaveProfileToMem(profile, nullptr, &size))
        throw std::runtime_error("lcms cannot write the profile");
    Bytes bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

void Be32(Bytes& b, std::uint32_t v)
{
    for (int k = 3; k >= 0; --k)
        b.push_back(static_cast<unsigned char>(v >> (8 * k)));
}

// CMYK (inverted, 0 = full ink) to Lab for the CMYK profile's table.
cmsInt32Number SampleCmyk(const cmsUInt16Number in[], cmsUInt16Number out[], void*)
{
    const double c = 1 - in[0] / 65535.0, m = 1 - in[1] / 65535.0, y = 1 - in[2] / 65535.0,
                 k = 1 - in[3] / 65535.0;
    cmsCIELab lab;
    lab.L = 100 * (1 - k) * (1 - 0.25 * (c + m + y));
    lab.a = 40 * (m - c);
    lab.b = 40 * (y - 0.5 * (c + m));
    cmsFloat2LabEncoded(out, &lab);
    return TRUE;
}

using Matrix = std::array<double, 9>;

Matrix Multiply(const Matrix& a, const Matrix& b)
{
    Matrix m{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k)
                m[3 * i + j] += a[3 * i + k] * b[3 * k + j];
    return m;
}

Matrix Inverse(const Matrix& m)
{
    const double det = m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) +
                       m[2] * (m[3] * m[7] - m[4] * m[6]);
    return {(m[4] * m[8] - m[5] * m[7]) / det, (m[2] * m[7] - m[1] * m[8]) / det,
            (m[1] * m[5] - m[2] * m[4]) / det, (m[5] * m[6] - m[3] * m[8]) / det,
            (m[0] * m[8] - m[2] * m[6]) / det, (m[2] * m[3] - m[0] * m[5]) / det,
            (m[3] * m[7] - m[4] * m[6]) / det, (m[1] * m[6] - m[0] * m[7]) / det,
            (m[0] * m[4] - m[1] * m[3]) / det};
}

std::array<double, 3> Xyz(const double xy[2])
{
    return {xy[0] / xy[1], 1.0, (1 - xy[0] - xy[1]) / xy[1]};
}

// Linear RGB to XYZ: the primaries' XYZ scaled so that white is the white
// point's.
Matrix RgbToXyz(const double red[2], const double green[2], const double blue[2],
                const double white[2])
{
    const auto r = Xyz(red), g = Xyz(green), b = Xyz(blue), w = Xyz(white);
    const Matrix primaries = {r[0], g[0], b[0], r[1], g[1], b[1], r[2], g[2], b[2]};
    const Matrix inverse = Inverse(primaries);
    double s[3];
    for (int i = 0; i < 3; ++i)
        s[i] = inverse[3 * i] * w[0] + inverse[3 * i + 1] * w[1] + inverse[3 * i + 2] * w[2];
    Matrix m = primaries;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            m[3 * i + j] *= s[j];
    return m;
}

// The Bradford transform from one white to another.
Matrix Bradford(const double from[2], const double to[2])
{
    const Matrix cone = {0.8951, 0.2664, -0.1614, -0.7502, 1.7135, 0.0367, 0.0389, -0.0685, 1.0296};
    const auto f = Xyz(from), t = Xyz(to);
    double fc[3], tc[3];
    for (int i = 0; i < 3; ++i) {
        fc[i] = cone[3 * i] * f[0] + cone[3 * i + 1] * f[1] + cone[3 * i + 2] * f[2];
        tc[i] = cone[3 * i] * t[0] + cone[3 * i + 1] * t[1] + cone[3 * i + 2] * t[2];
    }
    const Matrix scale = {tc[0] / fc[0], 0, 0, 0, tc[1] / fc[1], 0, 0, 0, tc[2] / fc[2]};
    return Multiply(Inverse(cone), Multiply(scale, cone));
}

const double SrgbRed[2] = {0.64, 0.33}, SrgbGreen[2] = {0.30, 0.60}, SrgbBlue[2] = {0.15, 0.06},
             SrgbWhite[2] = {0.3127, 0.3290};

} // namespace

Bytes RgbProfile(const RgbSpace& space)
{
    const cmsCIExyY white = {space.white[0], space.white[1], 1};
    const cmsCIExyYTRIPLE primaries = {{space.red[0], space.red[1], 1},
                                       {space.green[0], space.green[1], 1},
                                       {space.blue[0], space.blue[1], 1}};
    cmsToneCurve* curve = cmsBuildGamma(nullptr, space.gamma);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    const Bytes bytes = Saved(cmsCreateRGBProfile(&white, &primaries, curves));
    cmsFreeToneCurve(curve);
    return bytes;
}

Bytes SrgbProfile()
{
    return Saved(cmsCreate_sRGBProfile());
}

Bytes GreyProfile(double gamma)
{
    cmsToneCurve* curve = cmsBuildGamma(nullptr, gamma);
    const Bytes bytes = Saved(cmsCreateGrayProfile(cmsD50_xyY(), curve));
    cmsFreeToneCurve(curve);
    return bytes;
}

Bytes CmykProfile()
{
    cmsHPROFILE profile = cmsCreateProfilePlaceholder(nullptr);
    cmsSetProfileVersion(profile, 4.3);
    cmsSetDeviceClass(profile, cmsSigInputClass);
    cmsSetColorSpace(profile, cmsSigCmykData);
    cmsSetPCS(profile, cmsSigLabData);
    cmsPipeline* pipeline = cmsPipelineAlloc(nullptr, 4, 3);
    cmsStage* table = cmsStageAllocCLut16bit(nullptr, 9, 4, 3, nullptr);
    cmsStageSampleCLut16bit(table, SampleCmyk, nullptr, 0);
    // A to B tables hold curves on either side of the table: identities.
    cmsPipelineInsertStage(pipeline, cmsAT_END, cmsStageAllocToneCurves(nullptr, 4, nullptr));
    cmsPipelineInsertStage(pipeline, cmsAT_END, table);
    cmsPipelineInsertStage(pipeline, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
    cmsWriteTag(profile, cmsSigAToB0Tag, pipeline);
    cmsWriteTag(profile, cmsSigMediaWhitePointTag, cmsD50_XYZ());
    cmsPipelineFree(pipeline);
    return Saved(profile);
}

Bytes AbstractProfile()
{
    return Saved(cmsCreateBCHSWabstractProfile(17, 0, 1, 0, 0, 5000, 5000));
}

Bytes ColordProfile(const std::string& name)
{
    std::ifstream in("/usr/share/color/icc/colord/" + name, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), {});
}

Bytes WithJpegProfile(const Bytes& jpeg, const Bytes& profile, unsigned pieces, bool reversed)
{
    Bytes segments;
    const std::size_t piece = (profile.size() + pieces - 1) / pieces;
    for (unsigned n = 0; n < pieces; ++n) {
        const unsigned i = reversed ? pieces - 1 - n : n;
        const std::size_t from = i * piece, to = std::min(profile.size(), from + piece);
        const std::size_t length = 2 + 12 + 2 + (to - from);
        Bytes segment = {0xFF, 0xE2, static_cast<unsigned char>(length >> 8),
                         static_cast<unsigned char>(length)};
        const char header[] = "ICC_PROFILE";
        segment.insert(segment.end(), header, header + sizeof header);
        segment.push_back(static_cast<unsigned char>(i + 1));
        segment.push_back(static_cast<unsigned char>(pieces));
        segment.insert(segment.end(), profile.begin() + std::ptrdiff_t(from),
                       profile.begin() + std::ptrdiff_t(to));
        segments.insert(segments.end(), segment.begin(), segment.end());
    }
    Bytes out = jpeg;
    out.insert(out.begin() + 2, segments.begin(), segments.end());
    return out;
}

Bytes WithPngProfile(const Bytes& png, const Bytes& profile)
{
    uLongf size = compressBound(uLong(profile.size()));
    std::string data("test profile\0\0", 14);
    std::string packed(size, '\0');
    compress(reinterpret_cast<Bytef*>(&packed[0]), &size, profile.data(), uLong(profile.size()));
    packed.resize(size);
    return testimages::WithPngChunk(png, "iCCP", data + packed);
}

Bytes WithPsdProfile(const Bytes& psd, const Bytes& profile)
{
    // Header (26 bytes), the colour mode data's length (0), then the image
    // resources' length and the resources.
    Bytes resources = {'8', 'B', 'I', 'M', 0x04, 0x0F, 0, 0};
    Be32(resources, std::uint32_t(profile.size()));
    resources.insert(resources.end(), profile.begin(), profile.end());
    if (profile.size() % 2)
        resources.push_back(0);
    Bytes out(psd.begin(), psd.begin() + 30);
    Be32(out, std::uint32_t(resources.size()));
    out.insert(out.end(), resources.begin(), resources.end());
    out.insert(out.end(), psd.begin() + 34, psd.end());
    return out;
}

double SrgbToLinear(double v)
{
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

double LinearToSrgb(double v)
{
    return v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
}

void ToSrgb(const RgbSpace& space, const double rgb[3], double out[3])
{
    const Matrix toXyz = RgbToXyz(space.red, space.green, space.blue, space.white);
    const Matrix fromXyz = Inverse(RgbToXyz(SrgbRed, SrgbGreen, SrgbBlue, SrgbWhite));
    const Matrix m = Multiply(fromXyz, Multiply(Bradford(space.white, SrgbWhite), toXyz));
    double linear[3];
    for (int i = 0; i < 3; ++i)
        linear[i] = std::pow(rgb[i], space.gamma);
    for (int i = 0; i < 3; ++i) {
        const double v = m[3 * i] * linear[0] + m[3 * i + 1] * linear[1] + m[3 * i + 2] * linear[2];
        out[i] = 255 * LinearToSrgb(std::clamp(v, 0.0, 1.0));
    }
}

} // namespace profiles
