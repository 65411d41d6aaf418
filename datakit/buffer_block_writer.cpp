#include "datakit/buffer_block_writer.h"

#include "common/binary_reader.h"

namespace datakit {
namespace {

// The vertex size as laid out in model files, from the format's own definition.
uint32_t FileStride(uint32_t fvf) {
    uint32_t size = 0;
    uint32_t position = fvf & 0xE;
    if (position == 0x2) size += 12;
    if (position >= 0x6) size += 12 + 4 * ((position - 0x6) / 2 + 1);
    if (position == 0x4) size += 12;  // the layout counts RHW as a plain position
    if (fvf & 0x10) size += 12;
    if (fvf & 0x40) size += 4;
    size += 8 * ((fvf >> 8) & 0xF);
    return size;
}

}  // namespace

std::vector<uint8_t> BuildVertexBufferBlock(const std::vector<VertexRecord>& records,
                                            std::optional<uint32_t> countOverride) {
    BinaryWriter w;
    w.PutU32(countOverride.value_or(uint32_t(records.size())));
    for (const VertexRecord& r : records) {
        w.PutU32(r.count);
        w.PutU32(r.fvf);
        w.PutBytes(r.vertices.data(), r.vertices.size());
    }
    return w.Data();
}

std::vector<uint8_t> BuildIndexBufferBlock(const std::vector<IndexRecord>& records,
                                           std::optional<uint32_t> countOverride) {
    BinaryWriter w;
    w.PutU32(countOverride.value_or(uint32_t(records.size())));
    for (const IndexRecord& r : records) {
        w.PutU32(r.count);
        w.PutU32(r.vertexBuffer);
        for (uint16_t i : r.indices) w.PutU16(i);
    }
    return w.Data();
}

VertexRecord PatternVertices(uint32_t count, uint32_t fvf, uint8_t seed) {
    VertexRecord r;
    r.count = count;
    r.fvf = fvf;
    r.vertices.resize(size_t(FileStride(fvf)) * count);
    for (size_t i = 0; i < r.vertices.size(); ++i) r.vertices[i] = uint8_t(seed + i);
    return r;
}

IndexRecord SequentialIndices(uint32_t count, uint32_t vertexBuffer, uint16_t first) {
    IndexRecord r;
    r.count = count;
    r.vertexBuffer = vertexBuffer;
    for (uint32_t i = 0; i < count; ++i) r.indices.push_back(uint16_t(first + i));
    return r;
}

std::unique_ptr<PackEntry> EntryOf(const std::vector<uint8_t>& bytes) {
    auto entry = std::make_unique<PackEntry>();
    entry->Assign(bytes.data(), bytes.size(), "TEST.Y3D");
    return entry;
}

}  // namespace datakit
