// The font half of the platform layer, mostly with the test font, whose sizes are worked out
// by hand: at 20 pixels to the em one font unit is 0.02 pixels, so the cell is 18 pixels above
// the baseline (900 units) and 6 below (300 units).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/text/text.h"
#include "support/temp_dir.h"
#include "test_font.h"

namespace {

using text::Bitmap;
using text::DrawContext;
using text::Font;
using text::FontDesc;

struct FontDeleter {
    void operator()(Font* f) const { text::DeleteFont(f); }
};
using FontPtr = std::unique_ptr<Font, FontDeleter>;

FontPtr MakeFont(const char* face, int32_t height) {
    FontDesc d;
    d.face = face;
    d.height = height;
    return FontPtr(text::CreateFont(d));
}

class PlatformTextTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(fonttest::RegisterTestFont()); }
};

TEST_F(PlatformTextTest, WindowsFamiliesResolveToInstalledFaces) {
    for (const char* family : {"Tahoma", "NoSuchFamilyAtAll"}) {
        SCOPED_TRACE(family);
        text::FaceMatch m;
        ASSERT_TRUE(text::FindFace(family, 400, false, &m));
        EXPECT_TRUE(std::filesystem::exists(m.file));
        FontPtr f = MakeFont(family, -20);
        ASSERT_NE(f, nullptr);
        text::TextMetrics tm{};
        ASSERT_TRUE(text::GetTextMetrics(f.get(), &tm));
        EXPECT_GT(tm.height, 20);   // a cell holds more than the em in every real face
        EXPECT_GT(text::GetCharWidth(f.get(), 'M'), 0);
    }
}

TEST_F(PlatformTextTest, ComicSansMsResolvesToComicNeue) {
    // The project's set-up installs Comic Neue, whose configuration stands in for Comic Sans MS.
    text::FaceMatch regular;
    ASSERT_TRUE(text::FindFace("Comic Sans MS", text::FW_NORMAL, false, &regular));
    EXPECT_EQ(regular.family, "Comic Neue");
}

TEST_F(PlatformTextTest, RegistrationTakesGamePathsAndRefusesWhatIsNoFont) {
    ScopedWorkDir dir;
    std::vector<uint8_t> bytes = fonttest::BuildTestFont("Brimvale Game Path Face");
    dir.Write("Data/Fonts/Zantor.ttf", std::string(bytes.begin(), bytes.end()));
    dir.Write("notafont.ttf", "this is text, not a font");
    text::FaceMatch m;
    ASSERT_TRUE(text::FindFace("Brimvale Game Path Face", 400, false, &m));
    EXPECT_NE(m.family, "Brimvale Game Path Face");
    EXPECT_TRUE(text::RegisterFontFile("DATA\\fonts\\ZANTOR.TTF"));
    EXPECT_TRUE(text::RegisterFontFile("DATA\\fonts\\ZANTOR.TTF"));   // again: still fine
    ASSERT_TRUE(text::FindFace("Brimvale Game Path Face", 400, false, &m));
    EXPECT_EQ(m.family, "Brimvale Game Path Face");
    EXPECT_TRUE(text::UnregisterFontFile("data/Fonts/zantor.ttf"));
    ASSERT_TRUE(text::FindFace("Brimvale Game Path Face", 400, false, &m));
    EXPECT_NE(m.family, "Brimvale Game Path Face");

    EXPECT_FALSE(text::RegisterFontFile("notafont.ttf"));
    EXPECT_FALSE(text::RegisterFontFile("Data"));   // a folder
    EXPECT_FALSE(text::RegisterFontFile(nullptr));
}

TEST_F(PlatformTextTest, HeightRules) {
    struct Case {
        int32_t height;
        int32_t ascent, descent, internalLeading, widthOfA;
    };
    const Case cases[] = {
        // Negative: the em is 20 pixels; the cell is 1200 units of it.
        {-20, 18, 6, 4, 10},
        // Positive: the cell is 24 pixels, so the em is 20 again.
        {24, 18, 6, 4, 10},
        // 0: the default em of 16 pixels (ascent 14.4, descent 4.8).
        {0, 14, 5, 3, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.height);
        FontPtr f = MakeFont(fonttest::kFamily, c.height);
        ASSERT_NE(f, nullptr);
        text::TextMetrics tm{};
        ASSERT_TRUE(text::GetTextMetrics(f.get(), &tm));
        EXPECT_EQ(tm.ascent, c.ascent);
        EXPECT_EQ(tm.descent, c.descent);
        EXPECT_EQ(tm.internalLeading, c.internalLeading);
        EXPECT_EQ(text::GetCharWidth(f.get(), 'A'), c.widthOfA);
    }
    EXPECT_EQ(MakeFont(fonttest::kFamily, 2049), nullptr);
    EXPECT_EQ(MakeFont(fonttest::kFamily, -5000), nullptr);
}

// Layout adds whole-pixel advances, each the nearest whole pixel to the glyph's own (at 21 pixels
// to the em a font unit is 0.021 pixels). Cutting instead of rounding would take a pixel off
// every character whose advance ends in .5 or more, above all in a made-up bold, narrowing
// strings and moving centred and right-aligned text.
TEST_F(PlatformTextTest, AdvancesAreRoundedToTheNearestWholePixel) {
    FontPtr f = MakeFont(fonttest::kFamily, -21);
    ASSERT_NE(f, nullptr);
    struct Case {
        uint8_t c;
        int32_t width;
    };
    const Case cases[] = {
        {' ', 5},     // 250 units: 5.25
        {'A', 11},    // 500 units: 10.5
        {'B', 13},    // 600 units: 12.6
        {'W', 21},    // 1000 units: 21
        {0xE9, 9},    // 450 units: 9.45
        {0x80, 15},   // 700 units: 14.7
        {'z', 11},    // the missing glyph, 500 units
    };
    for (const Case& c : cases) EXPECT_EQ(text::GetCharWidth(f.get(), c.c), c.width) << int(c.c);

    // A string's extent is the sum of those whole advances, and drawing moves the pen by them.
    DrawContext dc;
    dc.SelectFont(f.get());
    text::Size size{};
    ASSERT_TRUE(dc.GetTextExtentPoint32("AB\x80 W", 5, &size));
    EXPECT_EQ(size.cx, 11 + 13 + 15 + 5 + 21);
    Bitmap bm(100, 30);
    dc.SelectBitmap(&bm);
    dc.SetTextColor(0xFFFFFF);
    ASSERT_TRUE(dc.ExtTextOut(0, 0, 0, "AB", 2));
    // 'B' fills its advance from its pen position, so its ink starts at column 11.
    EXPECT_EQ(bm.Pixel(10, 8), 0u);
    EXPECT_NE(bm.Pixel(11, 8), 0u);

    // The test face has no bold: a bold request thickens every glyph by an em / 24 (0.875
    // pixels here), which widens each advance by that much, so by one whole pixel.
    FontDesc bold;
    bold.face = fonttest::kFamily;
    bold.height = -21;
    bold.weight = text::FW_BOLD;
    FontPtr b(text::CreateFont(bold));
    ASSERT_NE(b, nullptr);
    for (const Case& c : cases) EXPECT_EQ(text::GetCharWidth(b.get(), c.c), c.width + 1) << "bold " << int(c.c);
}

// Cell sizes round halves away from zero as the classic calls do: at 15 pixels to the em the
// ascent is 13.5 and the descent 4.5 pixels.
TEST_F(PlatformTextTest, CellHalvesRoundUp) {
    FontPtr f = MakeFont(fonttest::kFamily, -15);
    ASSERT_NE(f, nullptr);
    text::TextMetrics tm{};
    ASSERT_TRUE(text::GetTextMetrics(f.get(), &tm));
    EXPECT_EQ(tm.ascent, 14);
    EXPECT_EQ(tm.descent, 5);
    EXPECT_EQ(tm.height, 19);
    EXPECT_EQ(tm.internalLeading, 4);
}

TEST_F(PlatformTextTest, CodePointsOfTheCodePage) {
    struct Case {
        uint8_t c;
        uint32_t cp;
    };
    const Case cases[] = {{0x41, 0x41}, {0x80, 0x20AC}, {0x81, 0x81}, {0x91, 0x2018}, {0x9F, 0x0178}, {0xE9, 0xE9}};
    for (const Case& c : cases) EXPECT_EQ(text::CodePointFrom1252(c.c), c.cp) << int(c.c);
}

TEST_F(PlatformTextTest, DrawingIsClippedToTheBitmap) {
    FontPtr f = MakeFont(fonttest::kFamily, -20);
    ASSERT_NE(f, nullptr);
    Bitmap bm(16, 16);
    DrawContext dc;
    dc.SelectBitmap(&bm);
    dc.SelectFont(f.get());
    dc.SetTextColor(0xFFFFFF);
    // 'B' fills its cell's whole ascent: drawn at (-6, -10) its box covers x -6..5, rows -10..7.
    ASSERT_TRUE(dc.ExtTextOut(-6, -10, text::ETO_OPAQUE, "B", 1));
    EXPECT_EQ(bm.Pixel(5, 7), 0xFFFFFFu);
    EXPECT_EQ(bm.Pixel(6, 7), 0u);
    // Far outside in every direction: nothing happens, nothing breaks.
    Bitmap before = bm;
    for (auto [x, y] : {std::pair{-1000, 0}, std::pair{1000, 0}, std::pair{0, -1000}, std::pair{0, 1000},
                        std::pair{INT32_MIN / 2, INT32_MAX / 2}}) {
        EXPECT_TRUE(dc.ExtTextOut(x, y, text::ETO_OPAQUE, "BWA", 3));
    }
    for (int i = 0; i < 16 * 16; ++i) ASSERT_EQ(bm.Pixels()[i], before.Pixels()[i]);

    DrawContext noBitmap;
    noBitmap.SelectFont(f.get());
    EXPECT_FALSE(noBitmap.ExtTextOut(0, 0, 0, "A", 1));
}

TEST_F(PlatformTextTest, ShutdownDropsRegistrationsAndFontsStillWork) {
    FontPtr f = MakeFont(fonttest::kFamily, -20);
    ASSERT_NE(f, nullptr);
    text::Shutdown();   // a font is alive: the rasteriser stays
    text::FaceMatch m;
    ASSERT_TRUE(text::FindFace(fonttest::kFamily, 400, false, &m));
    EXPECT_NE(m.family, fonttest::kFamily);
    EXPECT_EQ(text::GetCharWidth(f.get(), 'A'), 10);
    Bitmap bm(20, 30);
    DrawContext dc;
    dc.SelectBitmap(&bm);
    dc.SelectFont(f.get());
    dc.SetTextColor(0xFFFFFF);
    ASSERT_TRUE(dc.ExtTextOut(0, 0, 0, "A", 1));
    EXPECT_EQ(bm.Pixel(4, 10), 0xFFFFFFu);
    f.reset();
    text::Shutdown();
    ASSERT_TRUE(fonttest::RegisterTestFont());
    EXPECT_NE(MakeFont(fonttest::kFamily, -20), nullptr);
}

}  // namespace

namespace {

// The rightmost column with any ink, or -1.
int32_t RightmostInk(const text::Bitmap& bm) {
    int32_t right = -1;
    for (int32_t y = 0; y < bm.Height(); ++y)
        for (int32_t x = 0; x < bm.Width(); ++x)
            if (bm.Pixel(x, y)) right = std::max(right, x);
    return right;
}

TEST_F(PlatformTextTest, JustificationWidensTheNextLineByExactlyTheExtraPixels) {
    FontPtr f = MakeFont("DejaVu Sans", -20);
    ASSERT_NE(f, nullptr);
    const char* line = "a b c d";
    Bitmap plain(300, 40), wide(300, 40), after(300, 40);
    DrawContext dc;
    dc.SelectFont(f.get());
    dc.SetTextColor(0xFFFFFF);
    dc.SelectBitmap(&plain);
    ASSERT_TRUE(dc.ExtTextOut(0, 0, 0, line, 7));
    dc.SelectBitmap(&wide);
    dc.SetTextJustification(17);   // 3 spaces: 6, 6 and 5 pixels
    ASSERT_TRUE(dc.ExtTextOut(0, 0, 0, line, 7));
    dc.SelectBitmap(&after);
    ASSERT_TRUE(dc.ExtTextOut(0, 0, 0, line, 7));   // spent on the line before
    EXPECT_EQ(RightmostInk(wide), RightmostInk(plain) + 17);
    EXPECT_EQ(RightmostInk(after), RightmostInk(plain));
}

}  // namespace
