#include "vertex_buffer_fixture.h"

#include "datakit/buffer_block_writer.h"

namespace rendertest {

BinaryReader& DeviceTest::Stream(const std::vector<uint8_t>& bytes) {
    entries_.push_back(datakit::EntryOf(bytes));
    return entries_.back()->Reader();
}

namespace {

template <typename B, typename D>
std::vector<uint8_t> Contents(B* buffer) {
    std::vector<uint8_t> out;
    if (!buffer) return out;
    D desc{};
    if (gfx::Failed(buffer->GetDesc(&desc))) return out;
    uint8_t* data = nullptr;
    if (gfx::Failed(buffer->Lock(0, 0, &data, gfx::D3DLOCK_READONLY)) || !data) return out;
    out.assign(data, data + desc.Size);
    buffer->Unlock();
    return out;
}

}  // namespace

std::vector<uint8_t> ContentsOf(gfx::VertexBuffer* buffer) {
    return Contents<gfx::VertexBuffer, gfx::VertexBufferDesc>(buffer);
}
std::vector<uint8_t> ContentsOf(gfx::IndexBuffer* buffer) {
    return Contents<gfx::IndexBuffer, gfx::IndexBufferDesc>(buffer);
}

long Position(const BinaryReader& in) { return long(in.Tell()); }

long Length(const BinaryReader& in) { return long(in.Size()); }

}  // namespace rendertest
