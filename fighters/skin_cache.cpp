// The skin layers' file reader and the cache that keeps each decoded layer for one batch of
// spawns.
#include <cstring>
#include <string>
#include <utility>

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

bool SkinImageCache::LoadLayer(SkinLayerImage* layer, const char* name) {
    if (!layer || !name) return false;
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
    const size_t rowBytes = size_t(width) * (bits / 8u);
    const size_t pixelBytes = rowBytes * height;
    if (!in.Skip(idLength) || !in.Skip(mapBytes) || in.Remaining() < pixelBytes)
        return Refuse(name, "faltan datos de la imagen");
    const uint8_t* data = in.Span(pixelBytes);

    // Kept in the file's channel order; stored from the bottom row up, so the last stored row is
    // the top one.
    layer->width = width;
    layer->height = height;
    layer->channels = uint8_t(bits / 8u);
    layer->bytes.resize(pixelBytes);
    for (uint32_t r = 0; r < height; ++r)
        std::memcpy(layer->bytes.data() + size_t(r) * rowBytes, data + size_t(height - 1 - r) * rowBytes, rowBytes);
    return true;
}

bool SkinImageCache::LoadTga(SkinImage* image, const char* name) {
    SkinLayerImage layer;
    if (!image || !LoadLayer(&layer, name)) return false;
    return image->CopyFrom(layer);
}

SkinImageCacheNode* SkinImageCache::Find(const char* name) const {
    if (!name) return nullptr;
    const std::string upper = Upper(name);
    for (SkinImageCacheNode* n = head; n; n = n->next)
        if (std::strcmp(n->name, upper.c_str()) == 0) return n;
    return nullptr;
}

SkinImageCacheNode* SkinImageCache::Add(SkinLayerImage* layer, const char* name) {
    if (!layer || !name) return nullptr;
    const std::string upper = Upper(name);
    SkinImageCacheNode* node = new SkinImageCacheNode{std::move(*layer), new char[upper.size() + 1], head, nullptr};
    std::memcpy(node->name, upper.c_str(), upper.size() + 1);
    *layer = SkinLayerImage{};
    if (head) head->prev = node;
    head = node;
    ++count;
    return node;
}

SkinImageCacheNode* SkinImageCache::Get(const char* name) {
    if (SkinImageCacheNode* hit = Find(name)) return hit;
    SkinLayerImage layer;
    if (!LoadLayer(&layer, name)) return nullptr;
    return Add(&layer, name);
}

void SkinImageCache::Clear() {
    while (head) {
        SkinImageCacheNode* next = head->next;
        delete[] head->name;
        delete head;
        head = next;
    }
    count = 0;
}
