#include <gtest/gtest.h>

#include <random>

#include "datakit/image_builders.h"
#include "platform/gfx/image.h"

using gfx::Image;
using imgtest::Bytes;

namespace {

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;

// Header, logical screen w x h with a 4-entry global table (black, red, green, blue).
Bytes GifHead(uint8_t w, uint8_t h) {
    return {'G', 'I', 'F', '8', '9', 'a', w, 0, h, 0, 0x81, 0, 0, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF};
}

Bytes With(Bytes b, std::initializer_list<uint8_t> more) {
    b.insert(b.end(), more);
    return b;
}

TEST(GifDecode, HandMadeCodeStreams) {
    // 4 x 1, all index 1, minimum code size 2. Codes: clear(4) 1 6 1 end(5): the third code is
    // the entry being defined ("1" + "1"); after the fourth the width grows to 4 bits, so the end
    // code is 4 bits wide. Packed low bit first: 0x8C 0x53.
    Bytes kwkwk = With(GifHead(4, 1), {0x2C, 0, 0, 0, 0, 4, 0, 1, 0, 0x00, 2, 2, 0x8C, 0x53, 0, 0x3B});
    Image img;
    ASSERT_TRUE(gfx::DecodeGif(kwkwk.data(), kwkwk.size(), &img)) << gfx::LastImageError();
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{kRed, kRed, kRed, kRed}));
    EXPECT_FALSE(img.hasAlpha);

    // 2 x 2, indices 0 1 2 3, index 0 transparent by the graphic control extension. Codes
    // clear 0 1 2 (3 bits), 3 end (4 bits): bytes 0x44 0x34 0x05.
    Bytes transparent = With(GifHead(2, 2), {0x21, 0xF9, 4, 0x01, 0, 0, 0, 0, 0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0x00, 2,
                                             3, 0x44, 0x34, 0x05, 0, 0x3B});
    ASSERT_TRUE(gfx::DecodeGif(transparent.data(), transparent.size(), &img)) << gfx::LastImageError();
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{0x00000000u, kRed, kGreen, kBlue}));
    EXPECT_TRUE(img.hasAlpha);
}

TEST(GifDecode, GeneratedFramesLocalTablesInterlaceAndOffsets) {
    std::mt19937 rng(5);
    // An interlaced 5 x 8 frame with a local 4-entry table and a transparent index, placed at
    // (2, 1) on a 9 x 10 screen; a 64 x 70 frame that runs past 4096 codes (clear codes).
    imgtest::GifLayout a;
    a.screenW = 9, a.screenH = 10, a.left = 2, a.top = 1, a.frameW = 5, a.frameH = 8;
    a.interlaced = true, a.transparent = 3, a.minCodeSize = 2, a.globalTable = {0x123456, 0x654321};
    imgtest::GifLayout b;
    b.screenW = b.frameW = 64, b.screenH = b.frameH = 70;
    for (imgtest::GifLayout* s : {&a, &b}) {
        std::vector<uint32_t>& table = s == &a ? s->localTable : s->globalTable;
        table.clear();
        for (uint32_t i = 0; i < (s == &a ? 4u : 256u); ++i) table.push_back(rng() & 0xFFFFFF);
        std::vector<uint8_t> indices(size_t(s->frameW) * s->frameH);
        for (uint8_t& i : indices) i = uint8_t(rng() % table.size());
        Bytes file = imgtest::BuildGif(*s, indices);
        Image img;
        ASSERT_TRUE(gfx::DecodeImage(file.data(), file.size(), &img)) << gfx::LastImageError();
        ASSERT_EQ(img.width, s->screenW);
        ASSERT_EQ(img.height, s->screenH);
        for (uint32_t y = 0; y < s->screenH; ++y) {
            for (uint32_t x = 0; x < s->screenW; ++x) {
                uint32_t expected = 0;  // outside the frame: transparent
                if (x >= s->left && x < uint32_t(s->left + s->frameW) && y >= s->top && y < uint32_t(s->top + s->frameH)) {
                    uint8_t idx = indices[(y - s->top) * s->frameW + (x - s->left)];
                    expected = int(idx) == s->transparent ? 0u : (0xFF000000u | table[idx]);
                }
                ASSERT_EQ(img.pixels[y * s->screenW + x], expected) << x << "," << y;
            }
        }
    }
}

TEST(GifDecode, TruncatedOrCorruptFilesAreRefused) {
    imgtest::GifLayout s;
    s.screenW = s.frameW = 6;
    s.screenH = s.frameH = 4;
    s.globalTable = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    s.minCodeSize = 2;
    s.transparent = 1;
    std::vector<uint8_t> idx(24);
    for (size_t i = 0; i < idx.size(); ++i) idx[i] = uint8_t(i % 4);
    Bytes full = imgtest::BuildGif(s, idx);
    Image img;
    // The trailer byte is not needed once the first frame is read.
    for (size_t n = 0; n + 1 < full.size(); ++n) {
        Bytes cut(full.begin(), full.begin() + long(n));
        EXPECT_FALSE(gfx::DecodeGif(cut.data(), cut.size(), &img)) << "length " << n;
    }
    const struct {
        const char* what;
        Bytes file;
    } cases[] = {
        // 3-bit codes 4, 7, 5: a code far beyond the dictionary.
        {"unknown code", With(GifHead(2, 1), {0x2C, 0, 0, 0, 0, 2, 0, 1, 0, 0x00, 2, 2, 0x7C, 0x01, 0, 0x3B})},
        // 3-bit codes 4, 6: the entry being defined, with no string before it.
        {"code 6 after a clear", With(GifHead(2, 1), {0x2C, 0, 0, 0, 0, 2, 0, 1, 0, 0x00, 2, 1, 0x34, 0, 0x3B})},
        // 3-bit codes 4, 1, 5: one pixel of four.
        {"end code too early", With(GifHead(4, 1), {0x2C, 0, 0, 0, 0, 4, 0, 1, 0, 0x00, 2, 2, 0x4C, 0x01, 0, 0x3B})},
        {"minimum code size 12", With(GifHead(4, 1), {0x2C, 0, 0, 0, 0, 4, 0, 1, 0, 0x00, 12, 2, 0x8C, 0x53, 0, 0x3B})},
        {"no colour table", {'G', 'I', 'F', '8', '7', 'a', 1, 0, 1, 0, 0x00, 0, 0, 0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0x00, 2,
                             2, 0x44, 0x01, 0, 0x3B}},
        {"only a trailer", With(GifHead(1, 1), {0x3B})},
        {"unknown block", With(GifHead(1, 1), {0x99})},
        {"zero-sized frame", With(GifHead(1, 1), {0x2C, 0, 0, 0, 0, 0, 0, 1, 0, 0x00, 2, 2, 0x44, 0x01, 0, 0x3B})},
    };
    for (const auto& c : cases) EXPECT_FALSE(gfx::DecodeGif(c.file.data(), c.file.size(), &img)) << c.what;
}

}  // namespace
