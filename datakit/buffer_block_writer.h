// Writes the vertex-buffer and index-buffer blocks of model files, sound or deliberately damaged,
// and hands bytes to readers as a stored file read whole.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "core/pack_file.h"

namespace datakit {

struct VertexRecord {
    uint32_t count = 0;
    uint32_t fvf = 0;
    std::vector<uint8_t> vertices;  // written as given, whatever count and FVF say
};

struct IndexRecord {
    uint32_t count = 0;
    uint32_t vertexBuffer = 0;      // counted from the file's first vertex buffer
    std::vector<uint16_t> indices;  // written as given
};

// A u32 record count (the number of records unless overridden), then each record.
std::vector<uint8_t> BuildVertexBufferBlock(const std::vector<VertexRecord>& records,
                                            std::optional<uint32_t> countOverride = std::nullopt);
std::vector<uint8_t> BuildIndexBufferBlock(const std::vector<IndexRecord>& records,
                                           std::optional<uint32_t> countOverride = std::nullopt);

// A record of `count` vertices of the FVF whose bytes are a counting pattern starting at `seed`,
// sized by the vertex layout model files use (no RHW, point size or specular).
VertexRecord PatternVertices(uint32_t count, uint32_t fvf, uint8_t seed);
IndexRecord SequentialIndices(uint32_t count, uint32_t vertexBuffer, uint16_t first = 0);

// The bytes as a loose file read whole; its Reader() stands at the first byte.
std::unique_ptr<PackEntry> EntryOf(const std::vector<uint8_t>& bytes);

}  // namespace datakit
