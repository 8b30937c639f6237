// Cylindrical panoramas and the opening view: the metadata judged, the
// cylinder's crop as an equirectangular one and its rows' map against values
// worked out by hand, and the texture planned for them.
#include "cylinder.h"
#include "testimages.h"
#include "texture_plan.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace testimages;
using gpano::Coverage;
using gpano::CroppedArea;
using gpano::Projection;

std::vector<unsigned> Fields(const CroppedArea& a)
{
    return {a.fullWidth, a.fullHeight, a.width, a.height, a.left, a.top};
}

// The crop of a cylinder with its type, and more properties.
std::string Cylinder(unsigned fullWidth, unsigned fullHeight, unsigned width, unsigned height,
                     unsigned left, unsigned top, const Properties& more = {})
{
    Properties properties =
        GPanoCrop(fullWidth, fullHeight, width, height, left, top, "cylindrical");
    properties.insert(properties.end(), more.begin(), more.end());
    return GPanoPacket(properties);
}

// A cylinder of 2048 pixels round (a radius of 325.95) and 652 high reaches
// 45 degrees above and below the horizon: rows 256 to 768 of an
// equirectangular panorama as wide. A crop of 500 rows from row 100 of a
// cylinder 3600 round (radius 572.96) and 1200 high reaches from 41.1
// degrees to the horizon: rows 489 to 900.
TEST(Cylinder, CropsBecomeEquirectangularCropsOfTheSameColumns)
{
    EXPECT_EQ(Fields(gpano::EquirectangularCrop({2048, 652, 2048, 652, 0, 0})),
              std::vector<unsigned>({2048, 1024, 2048, 512, 0, 256}));
    EXPECT_EQ(Fields(gpano::EquirectangularCrop({3600, 1200, 900, 500, 1000, 100})),
              std::vector<unsigned>({3600, 1800, 900, 411, 1000, 489}));
}

// The re-projected picture's row edges in the cylindrical picture: its top
// and bottom edges at the crop's, the horizon at the horizon, and the
// elevation of 22.5 degrees at the tangent's row.
TEST(Cylinder, RowsMapToTheTangentOfTheirElevation)
{
    const CroppedArea cylinder{2048, 652, 2048, 652, 0, 0};
    const CroppedArea equirect = gpano::EquirectangularCrop(cylinder);
    const double rows = 512, pictureRows = 326; // a picture at half the cylinder's scale
    const auto at = [&](double edge) {
        return gpano::CylinderRowOf(edge, rows, equirect, cylinder, pictureRows);
    };
    EXPECT_NEAR(at(0), 0.0, 0.05);
    EXPECT_NEAR(at(rows), pictureRows, 0.05);
    EXPECT_NEAR(at(rows / 2), pictureRows / 2, 0.05);
    const double radius = 2048 / (2 * 3.14159265358979);
    const double row22 = (326 - radius * std::tan(22.5 * 3.14159265358979 / 180)) / 2;
    EXPECT_NEAR(at(rows / 4), row22, 0.1);
}

struct Judged
{
    const char* name;
    std::string packet;
    Coverage coverage;
    std::string problem; // a part of it
};

// Cylindrical crops are placed, whole ones too (a cylinder never covers the
// poles); one reaching too near a pole is not; a cylindrical picture
// without sizes is a whole cylinder.
TEST(Cylinder, MetadataIsJudgedByTheCylindersDefinition)
{
    const Judged cases[] = {
        {"crop", Cylinder(3600, 1200, 900, 500, 1000, 100), Coverage::Partial, ""},
        {"whole", Cylinder(900, 500, 900, 500, 0, 0), Coverage::Partial, ""},
        {"no sizes", GPanoPacket({{"ProjectionType", "cylindrical"}}), Coverage::Partial, ""},
        {"just within", Cylinder(360, 1200, 90, 50, 0, 0), Coverage::Partial, ""},
        {"near the pole", Cylinder(360, 1400, 90, 50, 0, 0), Coverage::Ignored,
         "the cylindrical cropped area reaches 85.3 degrees from the horizon; a cylinder is "
         "shown to 85 degrees"},
        {"at the pole", Cylinder(200, 100000, 180, 100, 0, 0), Coverage::Ignored,
         "reaches 90.0 degrees"},
        {"outside", Cylinder(3600, 1200, 900, 500, 1000, 800), Coverage::Ignored,
         "reaches past the full panorama's height"},
    };
    for (const Judged& c : cases) {
        SCOPED_TRACE(c.name);
        const gpano::Verdict verdict = gpano::JudgePacket(c.packet, 900, 500);
        EXPECT_EQ(verdict.coverage, c.coverage) << verdict.problem;
        EXPECT_NE(verdict.problem.find(c.problem), std::string::npos) << verdict.problem;
        if (c.coverage == Coverage::Partial) {
            EXPECT_EQ(verdict.projection, Projection::Cylindrical);
        }
    }
    EXPECT_EQ(
        Fields(gpano::JudgePacket(GPanoPacket({{"ProjectionType", "cylindrical"}}), 900, 500).area),
        std::vector<unsigned>({900, 500, 900, 500, 0, 0}));
}

// The opening view: the initial view's heading less the pose heading,
// wrapped into [0, 360); a value that is no number is ignored with the
// reason; with or without a crop.
TEST(OpeningView, IsTheInitialHeadingLessThePoseHeading)
{
    const struct
    {
        Properties properties;
        bool chosen;
        double turn;
        std::string problem;
    } cases[] = {
        {{{"InitialViewHeadingDegrees", "90"}}, true, 90, ""},
        {{{"InitialViewHeadingDegrees", "90"}, {"PoseHeadingDegrees", "30.5"}}, true, 59.5, ""},
        {{{"InitialViewHeadingDegrees", " -30 "}}, true, 330, ""},
        {{{"InitialViewHeadingDegrees", "720.25"}}, true, 0.25, ""},
        {{{"InitialViewHeadingDegrees", "10"}, {"PoseHeadingDegrees", "370"}}, true, 0, ""},
        {{{"InitialViewHeadingDegrees", "north"}},
         false,
         0,
         "GPano:InitialViewHeadingDegrees is \"north\", not a number of degrees"},
        {{{"InitialViewHeadingDegrees", "1e3"}}, false, 0, "not a number"},
        {{{"InitialViewHeadingDegrees", "90"}, {"PoseHeadingDegrees", ""}},
         false,
         0,
         "GPano:PoseHeadingDegrees is \"\""},
        {{{"PoseHeadingDegrees", "90"}}, false, 0, ""},
    };
    for (const auto& c : cases)
        for (bool crop : {false, true}) {
            Properties properties = c.properties;
            if (crop)
                for (const auto& p : GPanoCrop(8000, 4000, 4000, 1000, 1000, 1500))
                    properties.push_back(p);
            const gpano::Verdict verdict = gpano::JudgePacket(GPanoPacket(properties), 400, 100);
            EXPECT_EQ(verdict.viewChosen, c.chosen) << properties[0].second;
            EXPECT_NEAR(verdict.viewTurn, c.turn, 1e-9) << properties[0].second;
            EXPECT_NE(verdict.viewProblem.find(c.problem), std::string::npos)
                << verdict.viewProblem;
            EXPECT_EQ(verdict.coverage, crop ? Coverage::Partial : Coverage::Whole);
        }
}

imagedecode::ImageDescription Described(std::uint32_t width, std::uint32_t height,
                                        const std::string& packet)
{
    imagedecode::ImageDescription d;
    d.picture = {width, height};
    d.xmp.found = true;
    d.xmp.text = packet;
    return d;
}

// A cylindrical picture is re-projected at its own width and placed as the
// equirectangular crop it becomes: by a texture matrix, or padded; every
// renderer gets the same picture.
TEST(Cylinder, TextureIsPlannedAsTheEquirectangularCrop)
{
    const imagedecode::ImageDescription d =
        Described(900, 500, Cylinder(3600, 1200, 900, 500, 1000, 100));
    const imagedecode::TextureLimits roomy{16384, 16384, imagedecode::PowerOfTwo::Any};
    const gpano::TexturePlan placed = gpano::PlanTexture(d, roomy, false);
    EXPECT_TRUE(placed.reprojected());
    EXPECT_EQ(placed.projectedHeight, 411u);
    EXPECT_EQ(Fields(placed.equirectangular),
              std::vector<unsigned>({3600, 1800, 900, 411, 1000, 489}));
    EXPECT_EQ(placed.picture, (imagedecode::PictureSize{900, 411}));
    EXPECT_FLOAT_EQ(placed.placement.scaleV, 1800.0f / 411);
    const gpano::TexturePlan padded = gpano::PlanTexture(d, roomy, true);
    EXPECT_EQ(padded.picture, (imagedecode::PictureSize{900, 411}));
    EXPECT_EQ(padded.texture, (imagedecode::PictureSize{3600, 1800}));
    EXPECT_EQ(padded.top, 489u);
}

// Where the camera opens: straight ahead without a chosen view; else turned
// from the full panorama's centre, of which a partial panorama's own centre,
// straight ahead, lies 45 degrees right here.
TEST(OpeningView, CameraTurnsFromTheFullPanoramasCentre)
{
    const imagedecode::TextureLimits roomy;
    const auto heading = [&](const Properties& properties) {
        return gpano::PlanTexture(Described(400, 100, GPanoPacket(properties)), roomy, false)
            .heading;
    };
    EXPECT_FLOAT_EQ(heading({}), 0.0f);
    EXPECT_FLOAT_EQ(heading({{"InitialViewHeadingDegrees", "100"}}), 100.0f);
    Properties crop = GPanoCrop(8000, 4000, 4000, 1000, 3000, 1500); // centre 5000: 45 degrees
    EXPECT_FLOAT_EQ(heading(crop), 0.0f);
    crop.push_back({"InitialViewHeadingDegrees", "100"});
    EXPECT_FLOAT_EQ(heading(crop), 55.0f);
    crop.push_back({"PoseHeadingDegrees", "180"});
    EXPECT_FLOAT_EQ(heading(crop), 235.0f);
}

} // namespace
