#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "datakit/image_builders.h"
#include "render/texture_manager.h"
#include "datakit/image_writer.h"

namespace {

using datakit::SolidPicture;
using datakit::TgaOptions;
using Bytes = std::vector<uint8_t>;

// A hand-made file head: the listed bytes, padded with zeros to `size` bytes.
Bytes Head(std::initializer_list<uint8_t> bytes, size_t size) {
    Bytes b(bytes);
    b.resize(size, 0);
    return b;
}

TgaOptions Tga(uint8_t depth, bool footer, bool rle = false, bool topDown = false) {
    TgaOptions o;
    o.depth = depth, o.footer = footer, o.rle = rle, o.topDown = topDown;
    return o;
}

// Width 16 puts 16 in byte 16, where a TGA keeps its depth.
Bytes Dds(uint32_t width, uint32_t height, const char* fourCc) {
    imgtest::DdsLayout s;
    s.width = width, s.height = height, s.fourCC = imgtest::FourCC(fourCc);
    return imgtest::BuildDds(s, Bytes(128, 0));
}

// An OS/2-style BMP: 12-byte core header with 16-bit sizes, 8 bits, a three-byte palette.
Bytes CoreBmp(int32_t width, int32_t height) {
    imgtest::BmpLayout s;
    s.infoSize = 12, s.width = width, s.height = height, s.bpp = 8;
    s.palette.assign(256 * 3, 0x40);
    return imgtest::BuildBmp(s, std::vector<Bytes>(size_t(std::abs(height)), Bytes(size_t(width), 1)));
}

struct ProbeCase {
    const char* what;
    Bytes file;
    bool ok;
    uint8_t format;
    uint16_t width, height;
    uint8_t bits;
};

TEST(ProbeImageHeader, ReadsEachKindOfHeaderAndLeavesThePositionAlone) {
    const auto wide = SolidPicture(20, 6, 0xFF123456);
    const auto quads = datakit::QuadrantPicture(20, 6, 0xFF000000, 0x80FFFFFF, 0xFF00FF00, 0x40FF0000);
    // A TGA with the footer, whose depth byte alone would not tell.
    Bytes tgaOdd = datakit::TgaFile(SolidPicture(5, 3, 0xFF00FF00), Tga(24, true));
    tgaOdd[16] = 15;
    // A little-endian Exif JPEG: its byte 16 is 8, as a TGA's depth byte could be.
    Bytes exif = Head({0xFF, 0xD8, 0xFF, 0xE1, 0, 0x40, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8}, 64);
    Bytes coreHeaderOf20 = CoreBmp(4, 4);
    coreHeaderOf20[14] = 20;
    Bytes tooSmall = datakit::BmpFile(wide);
    tooSmall.resize(24);

    const ProbeCase cases[] = {
        {"GIF89a", datakit::GifFile(wide, 4), true, IMAGE_HEADER_GIF, 20, 6, 8},
        {"GIF87a, hand-made", Head({'G', 'I', 'F', '8', '7', 'a', 0x40, 0x01, 0xF0, 0x00}, 40), true,
         IMAGE_HEADER_GIF, 320, 240, 8},
        {"GIF with a full table", datakit::GifFile(SolidPicture(3, 7, 0xFF000000), 256), true, IMAGE_HEADER_GIF, 3,
         7, 8},
        {"TGA with footer", datakit::TgaFile(wide, Tga(24, true)), true, IMAGE_HEADER_TGA, 20, 6, 24},
        {"TGA with footer and odd depth", tgaOdd, true, IMAGE_HEADER_TGA, 5, 3, 15},
        {"TGA 32-bit run-length", datakit::TgaFile(quads, Tga(32, false, true)), true, IMAGE_HEADER_TGA, 20, 6, 32},
        {"TGA 24-bit", datakit::TgaFile(wide, Tga(24, false, false, true)), true, IMAGE_HEADER_TGA, 20, 6, 24},
        {"TGA 16-bit, hand-made", Head({0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x10, 0, 0x20, 0, 16}, 40), true,
         IMAGE_HEADER_TGA, 16, 32, 16},
        {"TGA 8-bit, hand-made", Head({0, 1, 1, 0, 0, 0, 1, 24, 0, 0, 0, 0, 2, 0, 2, 0, 8}, 40), true, IMAGE_HEADER_TGA,
         2, 2, 8},
        {"colour-mapped run-length TGA", Head({0, 1, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7, 0, 9, 0, 12}, 40), true,
         IMAGE_HEADER_TGA, 7, 9, 12},
        {"BMP bottom-up", datakit::BmpFile(wide), true, IMAGE_HEADER_BMP, 20, 6, 24},
        {"BMP top-down", datakit::BmpFile(wide, true), true, IMAGE_HEADER_BMP, 20, 6, 24},
        {"BMP, hand-made", Head({'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40, 0, 0, 0, 0, 2, 0, 0, 0xFF, 0xFE,
                                 0xFF, 0xFF, 1, 0, 8, 0},
                                40),
         true, IMAGE_HEADER_BMP, 512, 257, 8},
        {"BMP with the 12-byte core header", CoreBmp(37, 5), true, IMAGE_HEADER_BMP, 37, 5, 8},
        {"core-header BMP, top-down", CoreBmp(3, -2), true, IMAGE_HEADER_BMP, 3, 2, 8},
        {"BMP header of a size no reader knows", coreHeaderOf20, false, IMAGE_HEADER_UNKNOWN, 0, 0, 0},
        {"DDS DXT1 16 x 8", Dds(16, 8, "DXT1"), true, IMAGE_HEADER_DDS, 16, 8, 24},
        {"DDS DXT5 32 x 4 carries alpha", Dds(32, 4, "DXT5"), true, IMAGE_HEADER_DDS, 32, 4, 32},
        {"PNG", Head({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R', 8}, 40), false,
         IMAGE_HEADER_UNKNOWN, 0, 0, 0},
        {"Exif JPEG", exif, false, IMAGE_HEADER_UNKNOWN, 0, 0, 0},
        {"fewer than 25 bytes", tooSmall, false, IMAGE_HEADER_UNKNOWN, 0, 0, 0},
    };
    for (const ProbeCase& c : cases) {
        SCOPED_TRACE(c.what);
        // The image follows other bytes; the probe sees it from the reader's position on.
        Bytes data(13, 0x5A);
        data.insert(data.end(), c.file.begin(), c.file.end());
        BinaryReader reader(data.data(), data.size());
        ASSERT_TRUE(reader.Seek(13));
        ImageHeaderInfo info{0xFF, 0xFFFF, 0xFFFF, 0xFF};
        EXPECT_EQ(ProbeImageHeader(reader, &info), c.ok);
        EXPECT_EQ(reader.Tell(), 13u);
        EXPECT_EQ(info.format, c.format);
        if (c.ok) {
            EXPECT_EQ(info.width, c.width);
            EXPECT_EQ(info.height, c.height);
            EXPECT_EQ(info.bits, c.bits);
        }
    }
    Bytes tga = datakit::TgaFile(SolidPicture(4, 4, 0), Tga(24, false));
    BinaryReader reader(tga.data(), tga.size());
    EXPECT_FALSE(ProbeImageHeader(reader, nullptr));
}

}  // namespace
