#include <gtest/gtest.h>

#include <vector>

#include "render/vertex_buffer_table.h"
#include "render/video.h"
#include "datakit/buffer_block_writer.h"
#include "vertex_buffer_fixture.h"

namespace {

using namespace gfx;
using datakit::BuildVertexBufferBlock;
using datakit::PatternVertices;
using datakit::VertexRecord;
using rendertest::Length;
using rendertest::Position;

constexpr uint32_t kPosColour = D3DFVF_XYZ | D3DFVF_DIFFUSE;                    // 16 bytes
constexpr uint32_t kSkinned = D3DFVF_XYZB2 | D3DFVF_TEX1;                        // 28 bytes
constexpr uint32_t kLit = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX2;              // 40 bytes

class VertexBufferTableTest : public rendertest::DeviceTest {
protected:
    void ReleaseResources() override { table.Free(); }

    // A table of `capacity` slots, occupied where `used` says so.
    void Occupy(const std::vector<bool>& used) {
        table.Free();
        table.buffers.assign(used.size(), nullptr);
        for (size_t i = 0; i < used.size(); ++i)
            if (used[i]) {
                table.buffers[i] = new ::VertexBuffer();
                ++table.held;
            }
    }

    VertexBufferTable table;
};

TEST_F(VertexBufferTableTest, LoadsEveryRecordOfABlockWithItsDataAndLeavesTheStreamAtTheNextBlock) {
    VertexRecord a = PatternVertices(3, kPosColour, 1);
    VertexRecord b = PatternVertices(2, kSkinned, 100);
    std::vector<uint8_t> bytes = BuildVertexBufferBlock({a, b});
    bytes.push_back(0xAB);  // what follows the block
    BinaryReader& f = Stream(bytes);

    ASSERT_EQ(table.Load(f, D3DUSAGE_WRITEONLY), 0);
    EXPECT_EQ(Position(f), Length(f) - 1);
    EXPECT_EQ(table.held, 2);
    EXPECT_EQ(table.Capacity(), 50);

    const ::VertexBuffer* first = table.Get(0);
    const ::VertexBuffer* second = table.Get(1);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->vertexCount, 3u);
    EXPECT_EQ(first->fvf, kPosColour);
    EXPECT_EQ(first->stride, 16u);
    EXPECT_EQ(second->vertexCount, 2u);
    EXPECT_EQ(second->stride, 28u);
    // No hardware vertex processing: software processing is always added.
    EXPECT_EQ(first->usage, D3DUSAGE_WRITEONLY | D3DUSAGE_SOFTWAREPROCESSING);
    EXPECT_EQ(first->refCount, 0);
    EXPECT_NE(first->shader, 0u);
    EXPECT_EQ(rendertest::ContentsOf(first->buffer), a.vertices);
    EXPECT_EQ(rendertest::ContentsOf(second->buffer), b.vertices);

    std::vector<Call> created = dev->CallsOf(CallKind::CreateVertexBuffer);
    ASSERT_EQ(created.size(), 2u);
    EXPECT_EQ(created[0].args[0], 48u);
    EXPECT_EQ(created[0].args[2], kPosColour);
    EXPECT_EQ(created[0].args[3], uint32_t(D3DPOOL_MANAGED));
}

struct RunCase {
    const char* what;
    std::vector<bool> used;
    uint32_t records;
    int32_t first;
    uint16_t capacity;
};

struct DeclarationCase {
    const char* what;
    uint32_t fvf;
    uint32_t stride;
    std::vector<uint32_t> tokens;
};

TEST(VertexDeclaration, FollowsTheFormatElementsInOrder) {
    const uint32_t stream = D3DVSD_STREAM(0), end = D3DVSD_END();
    const uint32_t position = D3DVSD_REG(0, D3DVSDT_FLOAT3);
    const DeclarationCase cases[] = {
        {"two weights and one texture set", kSkinned, 28, {stream, position, D3DVSD_REG(1, D3DVSDT_FLOAT2),
                                                           D3DVSD_REG(7, D3DVSDT_FLOAT2), end}},
        {"one weight", D3DFVF_XYZB1, 16, {stream, position, D3DVSD_REG(1, D3DVSDT_FLOAT1), end}},
        {"four weights", D3DFVF_XYZB4 | D3DFVF_NORMAL, 40,
         {stream, position, D3DVSD_REG(1, D3DVSDT_FLOAT4), D3DVSD_REG(3, D3DVSDT_FLOAT3), end}},
        {"five weights keep the elements after them in place", D3DFVF_XYZB5 | D3DFVF_DIFFUSE, 36,
         {stream, position, D3DVSD_REG(1, D3DVSDT_FLOAT4), D3DVSD_SKIP(1), D3DVSD_REG(5, D3DVSDT_D3DCOLOR), end}},
        {"normal and two texture sets", kLit, 40, {stream, position, D3DVSD_REG(3, D3DVSDT_FLOAT3),
                                                   D3DVSD_REG(7, D3DVSDT_FLOAT2), D3DVSD_REG(8, D3DVSDT_FLOAT2), end}},
        {"colour", kPosColour, 16, {stream, position, D3DVSD_REG(5, D3DVSDT_D3DCOLOR), end}},
        {"specular and point size are neither counted nor declared",
         D3DFVF_XYZ | D3DFVF_SPECULAR | D3DFVF_PSIZE | D3DFVF_TEX1, 20,
         {stream, position, D3DVSD_REG(7, D3DVSDT_FLOAT2), end}},
        {"eight texture sets", D3DFVF_XYZ | D3DFVF_TEX8, 76,
         {stream, position, D3DVSD_REG(7, D3DVSDT_FLOAT2), D3DVSD_REG(8, D3DVSDT_FLOAT2),
          D3DVSD_REG(9, D3DVSDT_FLOAT2), D3DVSD_REG(10, D3DVSDT_FLOAT2), D3DVSD_REG(11, D3DVSDT_FLOAT2),
          D3DVSD_REG(12, D3DVSDT_FLOAT2), D3DVSD_REG(13, D3DVSDT_FLOAT2), D3DVSD_REG(14, D3DVSDT_FLOAT2), end}},
    };
    for (const DeclarationCase& c : cases) {
        SCOPED_TRACE(c.what);
        uint32_t tokens[VERTEX_DECLARATION_MAX];
        int n = BuildVertexDeclaration(c.fvf, tokens);
        EXPECT_EQ(std::vector<uint32_t>(tokens, tokens + n), c.tokens);
        VertexRecord r = PatternVertices(1, c.fvf, 0);
        EXPECT_EQ(r.vertices.size(), c.stride);
    }
}

struct MalformedCase {
    const char* what;
    std::vector<uint8_t> bytes;
};

TEST_F(VertexBufferTableTest, MalformedBlocksAreRejectedAndLeaveTheTableAsItWas) {
    VertexRecord good = PatternVertices(2, kPosColour, 0);
    VertexRecord shortData = PatternVertices(4, kPosColour, 0);
    shortData.vertices.resize(40);  // four vertices need 64 bytes
    VertexRecord overflow;
    overflow.count = 0x80000000u;  // times 32 bytes passes 2^32
    overflow.fvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1;
    overflow.vertices = std::vector<uint8_t>(64, 0);
    VertexRecord wraps;
    wraps.count = 0x08000001u;  // times 32 wraps to 32 in 32 bits
    wraps.fvf = overflow.fvf;
    wraps.vertices = std::vector<uint8_t>(32, 0);
    std::vector<uint8_t> cutHead = BuildVertexBufferBlock({good, good});
    cutHead.resize(cutHead.size() - good.vertices.size() - 5);

    const MalformedCase cases[] = {
        {"vertices end early", BuildVertexBufferBlock({good, shortData})},
        {"count times stride passes 32 bits", BuildVertexBufferBlock({overflow})},
        {"count times stride wraps in 32 bits", BuildVertexBufferBlock({wraps})},
        {"a record head cut short", cutHead},
        {"more records than bytes", BuildVertexBufferBlock({good}, 1000000000u)},
        {"a block count cut short", {0x01, 0x00}},
    };
    for (const MalformedCase& c : cases) {
        SCOPED_TRACE(c.what);
        Occupy({true, false, true});
        dev->ClearLog();
        BinaryReader& f = Stream(c.bytes);
        EXPECT_EQ(table.Load(f, D3DUSAGE_WRITEONLY), -1);
        EXPECT_EQ(table.Capacity(), 3);
        EXPECT_EQ(table.held, 2);
        EXPECT_EQ(table.Get(1), nullptr);
        // Whatever was created for the block is gone again.
        EXPECT_EQ(dev->LiveResources(), 0u);
    }
}

}  // namespace
