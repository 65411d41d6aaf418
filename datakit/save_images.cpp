#include "datakit/save_images.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace datakit {

ByteImage& ByteImage::U8(size_t at, uint8_t v) {
    bytes_.at(at) = v;
    return *this;
}

ByteImage& ByteImage::U32(size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_.at(at + size_t(i)) = uint8_t(v >> (8 * i));
    return *this;
}

ByteImage& ByteImage::F32(size_t at, float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    return U32(at, bits);
}

ByteImage& ByteImage::Text(size_t at, const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) bytes_.at(at + i) = uint8_t(text[i]);
    return *this;
}

void PutCountingGameSettings(ByteImage& image, size_t at, uint32_t first) {
    for (size_t offset = 0; offset < 172; offset += 4) image.U32(at + offset, first + uint32_t(offset / 4));
    image.U8(at + 172, 1).U8(at + 173, 0);
}

ByteImage PlayerSaveImage(uint32_t side, uint32_t level, const std::string& name, bool withStats) {
    ByteImage image(withStats ? 176 : 132);
    image.U32(0, side).U32(4, level);
    for (size_t k = 0; k < 5; ++k) image.F32(8 + 4 * k, 50.0f);
    image.U32(32, 0xFFFFFFFFu).Text(36, name);
    for (size_t t = 0; t < 8; ++t) image.U32(68 + 4 * t, 0xFFFFFFFFu);
    image.U32(100, 0xFFFFFFFFu).U32(108, 0xFFFFFFFFu);
    for (size_t e = 0; e < 5; ++e) image.U32(112 + 4 * e, 0xFFFFFFFFu);
    if (withStats)
        for (uint32_t w = 0; w < 11; ++w) image.U32(132 + 4 * w, w + 1);
    return image;
}

std::vector<std::pair<std::string, std::vector<uint8_t>>> EnemyRecordFiles(int perSide) {
    static constexpr const char* kPrefix[2] = {"PlO", "PlV"};
    static constexpr const char* kFolders[2][2] = {{"Saves\\CO\\", "Saves\\GCV_Enemies\\"},
                                                   {"Saves\\CV\\", "Saves\\GCO_Enemies\\"}};
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
    for (uint32_t side = 0; side < 2; ++side)
        for (int id = 0; id < perSide; ++id) {
            char name[16], path[48];
            std::snprintf(name, sizeof name, "Enemy %d", id);
            const std::vector<uint8_t> bytes = PlayerSaveImage(side, uint32_t(id / 6), name).Bytes();
            for (const char* folder : kFolders[side]) {
                std::snprintf(path, sizeof path, "%s%s%02d.dat", folder, kPrefix[side], id);
                files.emplace_back(path, bytes);
            }
        }
    return files;
}

}  // namespace datakit
