#include "vertex_buffer_fixture.h"

#include "support/buffer_block_writer.h"

namespace rendertest {

FILE* DeviceTest::Stream(const std::vector<uint8_t>& bytes) {
    FILE* f = testsupport::StreamOf(bytes);
    EXPECT_NE(f, nullptr);
    if (f) streams_.push_back(f);
    return f;
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

long Position(FILE* f) { return std::ftell(f); }

long Length(FILE* f) {
    long at = std::ftell(f);
    std::fseek(f, 0, SEEK_END);
    long end = std::ftell(f);
    std::fseek(f, at, SEEK_SET);
    return end;
}

}  // namespace rendertest
