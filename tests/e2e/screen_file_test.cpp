// The X server's screen as the end-to-end tests read it (Xvfb keeps it in an XWD file) and the
// pictures they keep of it: files made by hand here, and the pictures read back by the game's own
// BMP reader.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <vector>

#include "support/screen_picture.h"
#include "support/temp_dir.h"

namespace {

using testsupport::LoadScreenFile;
using testsupport::LoadScreenshot;
using testsupport::SavePicture;

using Bytes = std::vector<uint8_t>;

void BigEndian(Bytes& b, std::initializer_list<uint32_t> values) {
    for (uint32_t v : values) b.insert(b.end(), {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
}

// A screen of 2 x 3 pixels as Xvfb keeps one: a header with a window name, two colour-map entries,
// then rows of 12 bytes (4 of them padding) of blue, green, red and an unused byte, or, in the
// other byte order, the reverse. Row y holds pixels 0x10 * y + {0x010203, 0x040506}.
Bytes ScreenFile(bool lsbFirst, uint32_t bitsPerPixel = 32) {
    Bytes b;
    constexpr uint32_t kHeader = 100 + 4, kColours = 2, kStride = 12;
    BigEndian(b, {kHeader, 7, 2, 24, 2, 3, 0, lsbFirst ? 0u : 1u, 32, 0, 32, bitsPerPixel, kStride, 4, 0xFF0000,
                  0xFF00, 0xFF, 8, 256, kColours, 2, 3, 0, 0, 0});
    b.insert(b.end(), {'s', 'c', 'r', 0});
    b.resize(b.size() + kColours * 12, 0xEE);
    for (uint8_t y = 0; y < 3; ++y) {
        for (uint32_t p : {0x010203u, 0x040506u}) {
            const uint8_t red = uint8_t((p >> 16) + 0x10 * y), green = uint8_t(p >> 8), blue = uint8_t(p);
            if (lsbFirst) b.insert(b.end(), {blue, green, red, 0x99});
            else b.insert(b.end(), {0x99, red, green, blue});
        }
        b.insert(b.end(), 4, 0x77);
    }
    return b;
}

void Write(const std::filesystem::path& file, const Bytes& b) {
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

TEST(ScreenFileTest, ReadsEveryRowInEitherByteOrderOrOnlyTheBandAskedFor) {
    ScopedWorkDir dir;
    const std::vector<uint32_t> all = {0xFF010203u, 0xFF040506u, 0xFF110203u, 0xFF140506u, 0xFF210203u, 0xFF240506u};
    for (bool lsbFirst : {true, false}) {
        SCOPED_TRACE(lsbFirst ? "least significant byte first" : "most significant byte first");
        Write("screen.xwd", ScreenFile(lsbFirst));
        gfx::Image image;
        ASSERT_TRUE(LoadScreenFile("screen.xwd", &image));
        EXPECT_EQ(image.width, 2u);
        EXPECT_EQ(image.height, 3u);
        EXPECT_EQ(image.pixels, all);
        // The middle third: the rows above and below stay black.
        ASSERT_TRUE(LoadScreenFile("screen.xwd", &image, 0.34f, 0.67f));
        EXPECT_EQ(image.pixels,
                  (std::vector<uint32_t>{0xFF000000u, 0xFF000000u, 0xFF110203u, 0xFF140506u, 0xFF000000u, 0xFF000000u}));
    }
}

TEST(ScreenFileTest, RefusesAScreenOfOtherPixelsOrCutShort) {
    ScopedWorkDir dir;
    gfx::Image image;
    Write("screen.xwd", ScreenFile(true, 24));
    EXPECT_FALSE(LoadScreenFile("screen.xwd", &image)) << "24 bits a pixel";
    Bytes cut = ScreenFile(true);
    cut.resize(cut.size() - 13);
    Write("screen.xwd", cut);
    EXPECT_FALSE(LoadScreenFile("screen.xwd", &image)) << "a row short";
    Bytes narrow = ScreenFile(true);
    narrow[12 * 4 + 3] = 4;  // bytes a row
    Write("screen.xwd", narrow);
    EXPECT_FALSE(LoadScreenFile("screen.xwd", &image)) << "rows narrower than their pixels";
    EXPECT_FALSE(LoadScreenFile("missing.xwd", &image));
}

TEST(ScreenFileTest, AKeptPictureReadsBackAsItWas) {
    ScopedWorkDir dir;
    // Three pixels a row: each row is padded.
    gfx::Image image;
    image.width = 3;
    image.height = 2;
    image.pixels = {0xFF102030u, 0xFF405060u, 0xFF708090u, 0xFFA0B0C0u, 0xFFD0E0F0u, 0xFF010203u};
    ASSERT_TRUE(SavePicture("kept.bmp", image));
    gfx::Image back;
    ASSERT_TRUE(LoadScreenshot("kept.bmp", &back));
    EXPECT_EQ(back.width, 3u);
    EXPECT_EQ(back.height, 2u);
    EXPECT_EQ(back.pixels, image.pixels);
}

}  // namespace
