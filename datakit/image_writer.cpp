#include "datakit/image_writer.h"

#include <algorithm>

#include "datakit/image_builders.h"

namespace datakit {

Picture SolidPicture(uint32_t width, uint32_t height, uint32_t argb) {
    Picture p;
    p.width = width;
    p.height = height;
    p.pixels.assign(size_t(width) * height, argb);
    return p;
}

Picture QuadrantPicture(uint32_t width, uint32_t height, uint32_t tl, uint32_t tr, uint32_t bl, uint32_t br) {
    Picture p = SolidPicture(width, height, 0);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            bool right = x >= width / 2, bottom = y >= height / 2;
            p.pixels[size_t(y) * width + x] = bottom ? (right ? br : bl) : (right ? tr : tl);
        }
    return p;
}

std::vector<uint8_t> TgaFile(const Picture& picture, const TgaOptions& options) {
    imgtest::TgaLayout layout;
    layout.type = options.rle ? 10 : 2;
    layout.depth = options.depth;
    layout.descriptor = uint8_t((options.depth == 32 ? 8 : 0) | (options.topDown ? 0x20 : 0));
    layout.width = uint16_t(picture.width);
    layout.height = uint16_t(picture.height);
    layout.footer = options.footer;
    imgtest::Bytes stored;
    for (uint32_t row = 0; row < picture.height; ++row) {
        uint32_t y = options.topDown ? row : picture.height - 1 - row;
        for (uint32_t x = 0; x < picture.width; ++x) {
            uint32_t c = picture.At(x, y);
            stored.push_back(uint8_t(c));
            stored.push_back(uint8_t(c >> 8));
            stored.push_back(uint8_t(c >> 16));
            if (options.depth == 32) stored.push_back(uint8_t(c >> 24));
        }
    }
    return imgtest::BuildTga(layout, stored);
}

std::vector<uint8_t> BmpFile(const Picture& picture, bool topDown) {
    imgtest::BmpLayout layout;
    layout.width = int32_t(picture.width);
    layout.height = topDown ? -int32_t(picture.height) : int32_t(picture.height);
    layout.bpp = 24;
    std::vector<imgtest::Bytes> rows;
    for (uint32_t row = 0; row < picture.height; ++row) {
        uint32_t y = topDown ? row : picture.height - 1 - row;
        imgtest::Bytes r;
        for (uint32_t x = 0; x < picture.width; ++x) {
            uint32_t c = picture.At(x, y);
            r.push_back(uint8_t(c));
            r.push_back(uint8_t(c >> 8));
            r.push_back(uint8_t(c >> 16));
        }
        rows.push_back(r);
    }
    return imgtest::BuildBmp(layout, rows);
}

std::vector<uint8_t> GifFile(const Picture& picture, uint32_t tableSize) {
    imgtest::GifLayout layout;
    layout.screenW = layout.frameW = uint16_t(picture.width);
    layout.screenH = layout.frameH = uint16_t(picture.height);
    std::vector<uint8_t> indices;
    for (uint32_t c : picture.pixels) {
        uint32_t rgb = c & 0xFFFFFF;
        auto at = std::find(layout.globalTable.begin(), layout.globalTable.end(), rgb);
        if (at == layout.globalTable.end()) {
            layout.globalTable.push_back(rgb);
            at = layout.globalTable.end() - 1;
        }
        indices.push_back(uint8_t(at - layout.globalTable.begin()));
    }
    if (tableSize < 2) tableSize = 2;
    while (layout.globalTable.size() < tableSize) layout.globalTable.push_back(0);
    uint32_t bits = imgtest::TableBits(layout.globalTable.size()) + 1;
    layout.minCodeSize = bits < 2 ? 2 : bits;
    return imgtest::BuildGif(layout, indices);
}

}  // namespace datakit
