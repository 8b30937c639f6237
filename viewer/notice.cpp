#include "notice.h"

using namespace irr;

namespace {
const s32 Margin = 8;                                 // between the window's edges and the box
const s32 Padding = 6;                                // between the box's edges and the text
const u32 FontSizes[] = {SKYGLASS_NOTICE_FONT_SIZES}; // ascending, as drawn at build time

// Decodes UTF-8; a byte that starts no valid sequence shows as '?'.
core::stringw FromUtf8(const char* text)
{
    core::stringw wide;
    for (const u8* p = reinterpret_cast<const u8*>(text); *p;) {
        // A sequence's length and the bits its first byte carries.
        u32 length = 0, code = 0;
        if (*p < 0x80)
            length = 1, code = *p;
        else if (*p >= 0xC2 && *p < 0xE0)
            length = 2, code = *p & 0x1F;
        else if (*p >= 0xE0 && *p < 0xF0)
            length = 3, code = *p & 0x0F;
        else if (*p >= 0xF0 && *p < 0xF5)
            length = 4, code = *p & 0x07;
        u32 i = 1;
        while (i < length && (p[i] & 0xC0) == 0x80)
            code = code << 6 | (p[i++] & 0x3F);
        wide.append(length != 0 && i == length ? static_cast<wchar_t>(code) : L'?');
        p += i;
    }
    return wide;
}
// The engine draws a character its font lacks as a space; such characters are
// shown as the font's replacement character instead, or as '?', so that a
// file name never silently loses letters.
core::stringw Drawable(const core::stringw& text, gui::IGUIFont* font)
{
    if (font->getType() != gui::EGFT_BITMAP)
        return text;
    gui::IGUIFontBitmap* glyphs = static_cast<gui::IGUIFontBitmap*>(font);
    const wchar_t space = L' ', replacement = 0xFFFD;
    const u32 blank = glyphs->getSpriteNoFromChar(&space);
    const wchar_t missing = glyphs->getSpriteNoFromChar(&replacement) != blank ? replacement : L'?';
    core::stringw drawable = text;
    for (u32 i = 0; i < drawable.size(); ++i)
        if (drawable[i] != space && glyphs->getSpriteNoFromChar(&drawable[i]) == blank)
            drawable[i] = missing;
    return drawable;
}
} // namespace

u32 NoticeFontSize(u32 height)
{
    u32 size = FontSizes[0];
    for (u32 drawn : FontSizes)
        if (drawn * 44 <= height)
            size = drawn;
    return size;
}

gui::IGUIElement* ShowNotice(gui::IGUIEnvironment* guienv, const char* text, gui::IGUIFont* font)
{
    const core::dimension2d<u32> screen = guienv->getVideoDriver()->getScreenSize();
    const s32 width = core::max_(s32(screen.Width) - 2 * Margin, 2 * Padding + 1);

    // The text is laid out first, so that the box can be made as high as it.
    gui::IGUIStaticText* box =
        guienv->addStaticText(L"", core::rect<s32>(Margin, Margin, Margin + width, Margin + 1),
                              false, false, 0, -1, true);
    box->setBackgroundColor(video::SColor(255, 32, 32, 40));
    if (!font)
        font = guienv->getSkin()->getFont();
    gui::IGUIStaticText* words = guienv->addStaticText(
        Drawable(FromUtf8(text), font).c_str(),
        core::rect<s32>(Padding, Padding, width - Padding, Padding + 1), false, false, box);
    words->setOverrideFont(font);
    words->setWordWrap(true); // breaks the text into lines, which getTextHeight counts
    words->setOverrideColor(video::SColor(255, 255, 255, 255));
    const s32 height = words->getTextHeight();
    words->setRelativePosition(
        core::rect<s32>(Padding, Padding, width - Padding, Padding + height));
    box->setRelativePosition(
        core::rect<s32>(Margin, Margin, Margin + width, Margin + height + 2 * Padding));
    return box;
}
