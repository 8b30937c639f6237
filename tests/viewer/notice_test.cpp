#include "media.h"
#include "notice.h"
#include "scratch_folder.h"

#include <cwchar>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>

using namespace irr;

namespace {

// A file name with letters beyond ASCII and one (a CJK character) that no
// notice font has.
const char* const NameText = "cannot load \"Z\xC3\xBCrich vom \xC3\x9C"
                             "etliberg \xE2\x80\x93 \xE6\x97\xA5.jpg\"";

class Notice : public ::testing::Test
{
protected:
    void open(u32 width, u32 height)
    {
        if (device)
            device->drop();
        device = createDevice(video::EDT_NULL, core::dimension2d<u32>(width, height));
        device->getLogger()->setLogLevel(ELL_NONE);
        guienv = device->getGUIEnvironment();
    }
    void SetUp() override { open(320, 240); }
    void TearDown() override { device->drop(); }

    static const gui::IGUIStaticText* words(const gui::IGUIElement* box)
    {
        return static_cast<const gui::IGUIStaticText*>(*box->getChildren().begin());
    }

    IrrlichtDevice* device = nullptr;
    gui::IGUIEnvironment* guienv = nullptr;
};

io::path DrawnFont(u32 size)
{
    return io::path(SKYGLASS_RUN_DIR "/media/notice-") + io::path(size) + ".xml";
}

// The reason stays inside a narrow window, wrapped, with its UTF-8 decoded; in
// the built-in font, what it lacks shows as '?'.
TEST_F(Notice, LongTextIsWrappedInsideTheWindow)
{
    const gui::IGUIElement* box =
        ShowNotice(guienv, "cannot load \"Ferien in Z\xC3\xBCrich vom \xC3\x9C"
                           "etliberg aus gesehen, lang \xE6\x97\xA5.jpg\": not a regular file");

    const core::rect<s32> area = box->getAbsolutePosition();
    EXPECT_TRUE(area.UpperLeftCorner.X >= 0 && area.UpperLeftCorner.Y >= 0 &&
                area.LowerRightCorner.X <= 320 && area.LowerRightCorner.Y <= 240);
    ASSERT_EQ(box->getChildren().size(), 1u);
    EXPECT_GE(words(box)->getTextHeight(),
              2 * guienv->getSkin()->getFont()->getDimension(L"A").Height);
    EXPECT_GE(area.getHeight(), words(box)->getTextHeight());
    EXPECT_GE(core::stringw(words(box)->getText()).find(L"Z\u00FCrich vom \u00DCetliberg"), 0);
    EXPECT_GE(core::stringw(words(box)->getText()).find(L"lang ?.jpg"), 0);
}

// Every drawn size loads through the engine, stands about as high as drawn,
// has a glyph of its own for each letter of a name, and shows a character it
// lacks as the replacement character.
TEST_F(Notice, DrawnFontsHaveTheLettersOfNames)
{
    const wchar_t letters[] = L"AZaz09\u00FC\u00DC\u00E9\u00DF\u0142\u03A9\u0416\u2013\u20AC\uFFFD";
    for (const u32 size : {SKYGLASS_NOTICE_FONT_SIZES}) {
        SCOPED_TRACE(size);
        gui::IGUIFont* font = guienv->getFont(DrawnFont(size));
        ASSERT_TRUE(font && font->getType() == gui::EGFT_BITMAP);
        const u32 height = font->getDimension(L"Ag").Height;
        EXPECT_TRUE(height >= size && height <= 2 * size) << height;

        auto* glyphs = static_cast<gui::IGUIFontBitmap*>(font);
        std::set<u32> sprites;
        for (const wchar_t* c = letters; *c; ++c)
            sprites.insert(glyphs->getSpriteNoFromChar(c));
        const wchar_t space = L' ';
        EXPECT_EQ(sprites.size(), std::wcslen(letters));
        EXPECT_EQ(sprites.count(glyphs->getSpriteNoFromChar(&space)), 0u);

        EXPECT_EQ(
            core::stringw(words(ShowNotice(guienv, NameText, font))->getText()),
            core::stringw(L"cannot load \"Z\u00FCrich vom \u00DCetliberg \u2013 \uFFFD.jpg\""));
    }
}

// The font is found in the working folder's media/, at the size for the
// window's height; without one, notices keep the built-in font.
TEST_F(Notice, FontIsChosenForTheWindowHeight)
{
    ScratchFolder folder;
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    if (!std::filesystem::exists(SKYGLASS_INSTALLED_DATA_DIR "media")) {
        EXPECT_EQ(LoadNoticeFont(guienv), nullptr);
    }

    std::filesystem::create_directory("media");
    for (const auto& file : std::filesystem::directory_iterator(SKYGLASS_RUN_DIR "/media"))
        if (file.path().filename().string().rfind("notice-", 0) == 0)
            std::filesystem::copy_file(file.path(), "media" / file.path().filename());
    const struct
    {
        u32 height, size;
    } windows[] = {{1, 13}, {703, 13}, {704, 16}, {1080, 20}, {1143, 20}, {1144, 26}, {4320, 26}};
    for (const auto& window : windows) {
        SCOPED_TRACE(window.height);
        EXPECT_EQ(NoticeFontSize(window.height), window.size);
        open(320, window.height);
        gui::IGUIFont* chosen = LoadNoticeFont(guienv);
        ASSERT_NE(chosen, nullptr);
        EXPECT_EQ(chosen->getDimension(L"Ag"),
                  guienv->getFont(DrawnFont(window.size))->getDimension(L"Ag"));
    }
    std::filesystem::current_path(previous);
}

} // namespace
