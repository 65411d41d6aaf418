// The skin layers' file reader and the cache that keeps each decoded layer for one batch of
// spawns.
#include <cstring>
#include <string>
#include <type_traits>

#include "core/debug_log.h"
#include "core/pack_file.h"
#include "fighters/skin.h"
#include "render/geometry.h"

namespace {

constexpr size_t kTgaHeaderSize = 18;
constexpr uint8_t kTgaTrueColour = 2;

std::string Upper(const char* name) {
    std::string out(name);
    StrUpper(out.data());
    return out;
}

bool Refuse(const char* name, const char* why) {
    WriteDebugLogF("Capa de piel %s: %s", name, why);
    return false;
}

}  // namespace

bool SkinImageCache::LoadTga(SkinImage* image, const char* name) {
    if (!image || !name) return false;
    PackEntry entry;
    if (!entry.Open(SKIN_TEXTURE_PACK, name)) return Refuse(name, "no se encontro el fichero");
    BinaryReader& in = entry.Reader();
    // The footer at the end says nothing the pixels need, so it is not read.
    uint8_t idLength = 0, mapType = 0, type = 0, mapEntryBits = 0, bits = 0, descriptor = 0;
    uint16_t mapFirst = 0, mapLength = 0, originX = 0, originY = 0, width = 0, height = 0;
    in.ReadU8(idLength);
    in.ReadU8(mapType);
    in.ReadU8(type);
    in.ReadU16(mapFirst);
    in.ReadU16(mapLength);
    in.ReadU8(mapEntryBits);
    in.ReadU16(originX);
    in.ReadU16(originY);
    in.ReadU16(width);
    in.ReadU16(height);
    in.ReadU8(bits);
    in.ReadU8(descriptor);
    if (!in.ok() || in.Tell() != kTgaHeaderSize) return Refuse(name, "cabecera TGA truncada");
    if (type != kTgaTrueColour || (bits != 24 && bits != 32))
        return Refuse(name, "solo se leen TGA de color verdadero sin comprimir de 24 o 32 bits");
    if (width == 0 || height == 0 || width > SKIN_LAYER_MAX_SIDE || height > SKIN_LAYER_MAX_SIDE)
        return Refuse(name, "dimensiones fuera de rango");
    // A colour map an image of true colour carries is stepped over with the identification field.
    const size_t mapBytes = mapType ? size_t(mapLength) * ((mapEntryBits + 7u) / 8u) : 0;
    const size_t bytesPerPixel = bits / 8u;
    const size_t pixelBytes = size_t(width) * height * bytesPerPixel;
    if (!in.Skip(idLength) || !in.Skip(mapBytes) || in.Remaining() < pixelBytes)
        return Refuse(name, "faltan datos de la imagen");
    const uint8_t* data = in.Span(pixelBytes);

    image->Free();
    image->pixels = new int16_t[size_t(width) * height * 4];
    image->width = width;
    image->height = height;
    image->hasAlpha = bits == 32 ? 1 : 0;
    // Stored from the bottom row up: the last stored row is the top one. One loop per depth, so
    // that the inner loop tests nothing per pixel.
    auto rows = [&](auto bytes, auto alpha) {
        for (uint32_t r = 0; r < height; ++r) {
            const uint8_t* s = data + size_t(height - 1 - r) * width * bytes;
            int16_t* d = image->pixels + size_t(r) * width * 4;
            for (uint32_t c = 0; c < width; ++c, s += bytes, d += 4) {
                d[0] = s[2];
                d[1] = s[1];
                d[2] = s[0];
                d[3] = alpha(s);
            }
        }
    };
    if (bits == 32)
        rows(std::integral_constant<size_t, 4>{}, [](const uint8_t* s) { return int16_t(s[3]); });
    else
        rows(std::integral_constant<size_t, 3>{}, [](const uint8_t*) { return int16_t(255); });
    return true;
}

SkinImageCacheNode* SkinImageCache::Find(const char* name) const {
    if (!name) return nullptr;
    const std::string upper = Upper(name);
    for (SkinImageCacheNode* n = head; n; n = n->next)
        if (std::strcmp(n->name, upper.c_str()) == 0) return n;
    return nullptr;
}

SkinImageCacheNode* SkinImageCache::Add(SkinImage* image, const char* name) {
    if (!image || !name) return nullptr;
    const std::string upper = Upper(name);
    SkinImageCacheNode* node = new SkinImageCacheNode{*image, new char[upper.size() + 1], head, nullptr};
    std::memcpy(node->name, upper.c_str(), upper.size() + 1);
    *image = SkinImage{};
    if (head) head->prev = node;
    head = node;
    ++count;
    return node;
}

SkinImageCacheNode* SkinImageCache::Get(const char* name) {
    if (SkinImageCacheNode* hit = Find(name)) return hit;
    SkinImage image{};
    if (!LoadTga(&image, name)) {
        image.Free();
        return nullptr;
    }
    return Add(&image, name);
}

void SkinImageCache::Clear() {
    while (head) {
        SkinImageCacheNode* next = head->next;
        head->image.Free();
        delete[] head->name;
        delete head;
        head = next;
    }
    count = 0;
}
