#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "render/texture_manager.h"
#include "support/buffer_block_writer.h"
#include "support/image_writer.h"

namespace {

using testsupport::Picture;
using testsupport::SolidPicture;
using testsupport::TgaOptions;

using Bytes = std::vector<uint8_t>;

// A hand-made file head: the listed bytes, padded with `fill` to `size` bytes.
Bytes Head(std::initializer_list<uint8_t> bytes, size_t size, uint8_t fill = 0) {
    Bytes b(bytes);
    b.resize(size, fill);
    return b;
}

struct ProbeCase {
    const char* what;
    Bytes file;
    bool ok;
    uint8_t format;
    uint16_t width, height;
    uint8_t bits;
};

TgaOptions Tga(uint8_t depth, bool footer, bool rle = false, bool topDown = false) {
    TgaOptions o;
    o.depth = depth;
    o.footer = footer;
    o.rle = rle;
    o.topDown = topDown;
    return o;
}

TEST(ProbeImageHeader, ReadsEachKindOfHeaderAndPutsThePositionBack) {
    const Picture wide = SolidPicture(20, 6, 0xFF123456);
    // Runs short enough that the run-length file stays above 25 bytes.
    const Picture quads = testsupport::QuadrantPicture(20, 6, 0xFF000000, 0x80FFFFFF, 0xFF00FF00, 0x40FF0000);
    // A GIF of 20 x 6 with a four-colour table: the image descriptor is not where a 256-colour
    // table would put it.
    Bytes gif87 = Head({'G', 'I', 'F', '8', '7', 'a', 0x40, 0x01, 0xF0, 0x00, 0x00}, 40);
    // A TGA with the footer, whose depth byte alone would not tell.
    Bytes tgaOdd = testsupport::TgaFile(SolidPicture(5, 3, 0xFF00FF00), Tga(24, true));
    tgaOdd[16] = 15;
    // Colour-mapped, run-length, with a depth the plain test does not know.
    Bytes mappedRle = Head({0, 1, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7, 0, 9, 0, 12, 0}, 40);
    Bytes tooSmall = testsupport::BmpFile(SolidPicture(1, 1, 0));
    tooSmall.resize(24);

    const ProbeCase cases[] = {
        {"GIF89a", testsupport::GifFile(wide, 4), true, IMAGE_HEADER_GIF, 20, 6, 8},
        {"GIF87a, hand-made", gif87, true, IMAGE_HEADER_GIF, 320, 240, 8},
        {"GIF with a full table", testsupport::GifFile(SolidPicture(3, 7, 0xFF000000), 256), true, IMAGE_HEADER_GIF, 3,
         7, 8},
        {"TGA with footer", testsupport::TgaFile(wide, Tga(24, true)), true, IMAGE_HEADER_TGA, 20, 6, 24},
        {"TGA with footer and odd depth", tgaOdd, true, IMAGE_HEADER_TGA, 5, 3, 15},
        {"TGA 32-bit run-length", testsupport::TgaFile(quads, Tga(32, false, true)), true, IMAGE_HEADER_TGA, 20, 6, 32},
        {"TGA 24-bit", testsupport::TgaFile(wide, Tga(24, false, false, true)), true, IMAGE_HEADER_TGA, 20, 6, 24},
        {"TGA 16-bit, hand-made", Head({0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x10, 0, 0x20, 0, 16}, 40), true,
         IMAGE_HEADER_TGA, 16, 32, 16},
        {"TGA 8-bit, hand-made", Head({0, 1, 1, 0, 0, 0, 1, 24, 0, 0, 0, 0, 2, 0, 2, 0, 8}, 40), true, IMAGE_HEADER_TGA,
         2, 2, 8},
        {"colour-mapped run-length TGA", mappedRle, true, IMAGE_HEADER_TGA, 7, 9, 12},
        {"BMP bottom-up", testsupport::BmpFile(wide), true, IMAGE_HEADER_BMP, 20, 6, 24},
        {"BMP top-down", testsupport::BmpFile(wide, true), true, IMAGE_HEADER_BMP, 20, 6, 24},
        {"BMP, hand-made", Head({'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40, 0, 0, 0, 0, 2, 0, 0, 0xFF, 0xFE,
                                 0xFF, 0xFF, 1, 0, 8, 0},
                                40),
         true, IMAGE_HEADER_BMP, 512, 257, 8},
        {"unknown", Head({0x89, 'P', 'N', 'G'}, 40), false, IMAGE_HEADER_UNKNOWN, 0, 0, 0},
        {"fewer than 25 bytes", tooSmall, false, IMAGE_HEADER_UNKNOWN, 0, 0, 0},
    };
    for (const ProbeCase& c : cases) {
        SCOPED_TRACE(c.what);
        // The image lies after other bytes, as an entry does inside a pack.
        Bytes stream(13 + c.file.size() + 9, 0xA5);
        std::fill(stream.begin(), stream.begin() + 13, uint8_t(0x5A));
        std::copy(c.file.begin(), c.file.end(), stream.begin() + 13);
        FILE* f = testsupport::StreamOf(stream);
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(std::fseek(f, 13, SEEK_SET), 0);
        ImageHeaderInfo info{0xFF, 0xFFFF, 0xFFFF, 0xFF};
        EXPECT_EQ(ProbeImageHeader(f, int32_t(c.file.size()), &info), c.ok);
        EXPECT_EQ(std::ftell(f), 13);
        if (c.ok) {
            EXPECT_EQ(info.format, c.format);
            EXPECT_EQ(info.width, c.width);
            EXPECT_EQ(info.height, c.height);
            EXPECT_EQ(info.bits, c.bits);
        } else if (c.file.size() >= 25) {
            EXPECT_EQ(info.format, IMAGE_HEADER_UNKNOWN);
        }
        std::fclose(f);
    }
}

TEST(ProbeImageHeader, RefusesMissingArguments) {
    Bytes file = testsupport::TgaFile(SolidPicture(4, 4, 0), Tga(24, false));
    FILE* f = testsupport::StreamOf(file);
    ASSERT_NE(f, nullptr);
    ImageHeaderInfo info{};
    EXPECT_FALSE(ProbeImageHeader(nullptr, int32_t(file.size()), &info));
    EXPECT_FALSE(ProbeImageHeader(f, int32_t(file.size()), nullptr));
    EXPECT_FALSE(ProbeImageHeader(f, -1, &info));
    EXPECT_TRUE(ProbeImageHeader(f, int32_t(file.size()), &info));
    EXPECT_EQ(std::ftell(f), 0);
    std::fclose(f);
}

}  // namespace
