#include "sample_panorama.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace samplepano {
namespace {

using irr::u32;
using irr::video::SColor;

constexpr double pi = 3.14159265358979323846;

struct Rgb
{
    double r, g, b;
};

Rgb operator+(Rgb a, Rgb b)
{
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
Rgb operator*(Rgb a, double s)
{
    return {a.r * s, a.g * s, a.b * s};
}

Rgb mix(Rgb a, Rgb b, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    return a * (1.0 - t) + b * t;
}

Rgb fromColor(SColor c)
{
    return {c.getRed() / 255.0, c.getGreen() / 255.0, c.getBlue() / 255.0};
}

double smoothstep(double e0, double e1, double x)
{
    const double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

// Heading (radians, 0 at the image centre, growing to the right) of the
// centre of pixel column x.
double columnHeading(double x, u32 width)
{
    return (x + 0.5) / width * 2.0 * pi - pi;
}

// Elevation (radians, +pi/2 at the top row) of the centre of pixel row y.
double rowElevation(double y, u32 height)
{
    return pi / 2.0 - (y + 0.5) / height * pi;
}

// Smooth periodic ridge lines: sums of sines with whole frequencies, so they
// join up at the seam.
double farRidge(double h)
{
    const double base = 0.075 + 0.04 * std::sin(3 * h + 1.1) + 0.022 * std::sin(7 * h + 2.3) +
                        0.01 * std::sin(13 * h + 0.4) + 0.004 * std::sin(29 * h + 1.7);
    // Sharpen the peaks a little.
    const double peaks = 0.05 * std::pow(std::fabs(std::sin(5 * h + 0.7)), 8.0);
    return base + peaks;
}

double nearRidge(double h)
{
    return 0.022 + 0.012 * std::sin(2 * h + 0.3) + 0.007 * std::sin(6 * h + 2.9) +
           0.003 * std::sin(17 * h + 1.2);
}

// A 5 x 7 pixel font with the four letters the compass needs.
struct Glyph
{
    char letter;
    const char* rows[7];
};

const Glyph glyphs[] = {
    {'N', {"X...X", "XX..X", "XX..X", "X.X.X", "X..XX", "X..XX", "X...X"}},
    {'E', {"XXXXX", "X....", "X....", "XXXX.", "X....", "X....", "XXXXX"}},
    {'S', {".XXXX", "X....", "X....", ".XXX.", "....X", "....X", "XXXX."}},
    {'W', {"X...X", "X...X", "X...X", "X.X.X", "X.X.X", "XX.XX", "X...X"}},
};

bool glyphPixel(char letter, int gx, int gy)
{
    if (gx < 0 || gx >= 5 || gy < 0 || gy >= 7)
        return false;
    for (const Glyph& g : glyphs)
        if (g.letter == letter)
            return g.rows[gy][gx] == 'X';
    return false;
}

// Clouds: clusters of round puffs at fixed, pseudo-random places, cut off
// flat at their base.
struct Puff
{
    double heading, elevation, radius, base;
};

std::vector<Puff> makePuffs()
{
    std::vector<Puff> puffs;
    unsigned state = 12345u;
    auto random = [&state] {
        state = state * 1103515245u + 12345u;
        return ((state >> 8) & 0xffff) / 65535.0;
    };
    for (int cloud = 0; cloud < 11; ++cloud) {
        const double heading = 2 * pi * cloud / 11.0 + 0.4 * random();
        const double base = 0.16 + 0.22 * random();
        const double size = 0.045 + 0.04 * random();
        const int count = 5 + int(5 * random());
        for (int i = 0; i < count; ++i) {
            const double dh = (random() - 0.5) * size * 7.0;
            const double r = size * (0.6 + 0.6 * random()) * (1.0 - std::fabs(dh) / (size * 5.0));
            puffs.push_back({heading + dh, base + r * (0.3 + 0.5 * random()), r, base});
        }
    }
    return puffs;
}

double cloudCover(double h, double e, double cosE)
{
    static const std::vector<Puff> puffs = makePuffs();
    double density = 0.0;
    for (const Puff& p : puffs) {
        const double de = e - p.elevation;
        if (std::fabs(de) > 3 * p.radius)
            continue;
        const double dh = std::remainder(h - p.heading, 2 * pi) * cosE;
        const double d2 = (dh * dh + de * de) / (p.radius * p.radius);
        if (d2 < 9.0)
            density += std::exp(-d2) * smoothstep(p.base - 0.004, p.base + 0.006, e);
    }
    return smoothstep(0.35, 0.75, density);
}

struct Marker
{
    double headingDegrees;
    char letter;
    SColor color;
};

const Marker markers[] = {{0, 'N', north}, {90, 'E', east}, {180, 'S', south}, {270, 'W', west}};

// Pixel column of a heading, wrapped into [0, width).
int headingColumn(double headingDegrees, u32 width)
{
    double u = 0.5 + headingDegrees / 360.0;
    u -= std::floor(u);
    const int column = int(std::floor(u * width));
    return column >= int(width) ? 0 : column;
}

SColor toColor(const Rgb& p)
{
    auto channel = [](double v) { return u32(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); };
    return SColor(255, channel(p.r), channel(p.g), channel(p.b));
}

// The image, with columns wrapping around the seam.
class Canvas
{
public:
    explicit Canvas(irr::video::IImage& target)
        : image(target), w(target.getDimension().Width), h(target.getDimension().Height)
    {}

    void set(int x, int y, const Rgb& color)
    {
        x %= int(w);
        if (x < 0)
            x += int(w);
        image.setPixel(u32(x), u32(y), toColor(color));
    }
    bool inside(int y) const { return y >= 0 && y < int(h); }

    irr::video::IImage& image;
    const u32 w, h;
};

void paintLandscape(Canvas& c)
{
    const Rgb zenith{0.10, 0.27, 0.62};
    const Rgb horizonSky{0.78, 0.86, 0.93};
    const Rgb sunColor{1.0, 0.97, 0.86};
    const Rgb farRock{0.42, 0.49, 0.62};
    const Rgb snow{0.93, 0.95, 0.98};
    const Rgb hill{0.20, 0.40, 0.20};
    const Rgb meadow{0.38, 0.56, 0.25};
    const Rgb soil{0.30, 0.25, 0.16};
    const Rgb water{0.20, 0.38, 0.58};

    // The sun: east-north-east, 28 degrees up.
    const double sunH = 65.0 * pi / 180.0, sunE = 28.0 * pi / 180.0;
    const double sx = std::cos(sunE) * std::sin(sunH), sy = std::sin(sunE),
                 sz = std::cos(sunE) * std::cos(sunH);
    const double sunRadius = 1.6 * pi / 180.0;
    const double pixelAngle = pi / c.h; // one row in radians

    std::vector<double> far(c.w), nearH(c.w), sinH(c.w), cosH(c.w);
    for (u32 x = 0; x < c.w; ++x) {
        const double hd = columnHeading(x, c.w);
        far[x] = farRidge(hd);
        nearH[x] = nearRidge(hd);
        sinH[x] = std::sin(hd);
        cosH[x] = std::cos(hd);
    }

    for (u32 y = 0; y < c.h; ++y) {
        const double e = rowElevation(y, c.h);
        const double ce = std::cos(e), se = std::sin(e);
        for (u32 x = 0; x < c.w; ++x) {
            const double hd = columnHeading(x, c.w);
            Rgb col;
            if (e > -0.002) {
                // Sky, brighter towards the horizon and around the sun.
                col = mix(horizonSky, zenith, std::pow(std::max(e, 0.0) / (pi / 2), 0.55));
                const double dot = ce * sinH[x] * sx + se * sy + ce * cosH[x] * sz;
                const double angle = std::acos(std::clamp(dot, -1.0, 1.0));
                col = col + Rgb{0.45, 0.35, 0.18} * std::exp(-angle * angle / 0.02) * 0.6;
                col =
                    mix(col, sunColor, 1.0 - smoothstep(sunRadius - pixelAngle, sunRadius, angle));
                // Fair-weather clouds: soft puffs with flat bases.
                col = mix(col, Rgb{0.97, 0.97, 0.99}, cloudCover(hd, e, ce) * 0.9);

                // Far mountains with snow on the high parts.
                const double farCover =
                    smoothstep(far[x] + pixelAngle / 2, far[x] - pixelAngle / 2, e);
                if (farCover > 0.0) {
                    const double depth = (far[x] - e) / 0.1;
                    Rgb rock = mix(farRock, farRock * 0.8, depth);
                    if (e > 0.095 + 0.006 * std::sin(47 * hd) + 0.004 * std::sin(91 * hd))
                        rock = snow;
                    col = mix(col, rock, farCover);
                }
                const double nearCover =
                    smoothstep(nearH[x] + pixelAngle / 2, nearH[x] - pixelAngle / 2, e);
                col = mix(col, hill * (0.85 + 0.15 * std::sin(23 * hd)), nearCover);
            } else {
                // Ground: meadow near the horizon, darker soil towards the nadir.
                col = mix(meadow, soil, std::pow(-e / (pi / 2), 0.7));
                // A lake to the south-west that mirrors the sky.
                const double lakeCentre = -130.0 * pi / 180.0;
                double dh = std::remainder(hd - lakeCentre, 2 * pi);
                const double lake =
                    dh * dh / (0.45 * 0.45) + (e + 0.05) * (e + 0.05) / (0.04 * 0.04);
                if (lake < 1.0) {
                    const double shine = 0.1 * std::sin(120 * e) * std::sin(30 * hd);
                    col = mix(col, water + Rgb{shine, shine, shine}, smoothstep(1.0, 0.9, lake));
                }
                // Nearer the camera, the meadow shows mown stripes.
                col = col * (1.0 + 0.05 * std::sin(60 * std::tan(std::max(e, -1.4)) + 4 * hd));
            }
            c.set(int(x), int(y), col);
        }
    }
}

void paintMarkers(Canvas& c)
{
    const double degree = c.w / 360.0; // pixels per degree, horizontally and vertically
    const int horizon = int(c.h / 2);
    const Rgb outline{0.08, 0.08, 0.1};

    for (const Marker& m : markers) {
        const Rgb color = fromColor(m.color);
        const int cx = headingColumn(m.headingDegrees, c.w);

        // A post from 7 degrees below the horizon to 4 above, with a flag.
        const int halfWidth = std::max(1, int(std::lround(0.35 * degree)));
        const int top = horizon - int(std::lround(4.0 * degree));
        const int bottom = horizon + int(std::lround(7.0 * degree));
        for (int y = top - 1; y <= bottom + 1; ++y)
            for (int x = cx - halfWidth - 1; x <= cx + halfWidth + 1; ++x)
                if (c.inside(y)) {
                    const bool edge =
                        y < top || y > bottom || x < cx - halfWidth || x > cx + halfWidth;
                    c.set(x, y, edge ? outline : color);
                }

        // The letter above it, 12 degrees up, outlined so it reads on any sky.
        const int scale = std::max(1, int(std::lround(1.2 * degree)));
        const int letterWidth = 5 * scale, letterHeight = 7 * scale;
        const int left = cx - letterWidth / 2;
        const int letterTop = horizon - int(std::lround(12.0 * degree)) - letterHeight;
        const int border = std::max(1, scale / 3);
        for (int y = letterTop - border; y < letterTop + letterHeight + border; ++y) {
            if (!c.inside(y))
                continue;
            for (int x = left - border; x < left + letterWidth + border; ++x) {
                auto on = [&](int px, int py) {
                    return glyphPixel(m.letter, (px - left) / scale - (px < left),
                                      (py - letterTop) / scale - (py < letterTop));
                };
                if (on(x, y)) {
                    c.set(x, y, color);
                    continue;
                }
                bool near = false;
                for (int dy = -border; dy <= border && !near; ++dy)
                    for (int dx = -border; dx <= border && !near; ++dx)
                        near = on(x + dx, y + dy);
                if (near)
                    c.set(x, y, outline);
            }
        }
    }

    // Small ticks on the horizon every 15 degrees between the posts.
    for (int deg = 0; deg < 360; deg += 15) {
        if (deg % 90 == 0)
            continue;
        const int cx = headingColumn(deg, c.w);
        const int len = int(std::lround((deg % 45 == 0 ? 2.0 : 1.0) * degree));
        for (int y = horizon - len; y <= horizon; ++y)
            for (int x = cx - 1; x <= cx + 1; ++x)
                if (c.inside(y))
                    c.set(x, y, Rgb{0.95, 0.95, 0.95});
    }
}

} // namespace

void paint(irr::video::IImage& image)
{
    const irr::core::dimension2du size = image.getDimension();
    if (size.Width == 0 || size.Height == 0)
        return;
    Canvas canvas(image);
    paintLandscape(canvas);
    paintMarkers(canvas);
}

} // namespace samplepano
