#include <gtest/gtest.h>

#include <vector>

#include "render/vertex_buffer_table.h"
#include "render/video.h"
#include "core/pack_file.h"
#include "support/buffer_block_writer.h"
#include "support/pack_writer.h"
#include "support/temp_dir.h"
#include "vertex_buffer_fixture.h"

namespace {

using namespace gfx;
using testsupport::BuildVertexBufferBlock;
using testsupport::PatternVertices;
using testsupport::VertexRecord;
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
    FILE* f = Stream(bytes);

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

TEST_F(VertexBufferTableTest, AnEmptyBlockGivesNoIdAndReadsOnlyItsCount) {
    FILE* f = Stream(BuildVertexBufferBlock({}));
    EXPECT_EQ(table.Load(f, D3DUSAGE_WRITEONLY), -1);
    EXPECT_EQ(Position(f), 4);
    EXPECT_EQ(table.Capacity(), 0);
}

struct RunCase {
    const char* what;
    std::vector<bool> used;
    uint32_t records;
    int32_t first;
    uint16_t capacity;
};

TEST_F(VertexBufferTableTest, ABlockTakesTheFirstRunOfFreeSlotsOrGrowsByFifty) {
    const RunCase cases[] = {
        {"only slot 1 free", {true, false, true, true, true}, 3, 5, 55},
        {"slots 3 and 4 free", {true, true, true, false, false}, 3, 3, 55},
        {"a run in the middle", {true, false, false, false, true}, 3, 1, 5},
        {"one buffer takes the first free slot", {true, true, false, true, false}, 1, 2, 5},
        {"an empty table", {}, 2, 0, 50},
        {"more than one growth", {true}, 120, 1, 151},
    };
    for (const RunCase& c : cases) {
        SCOPED_TRACE(c.what);
        Occupy(c.used);
        std::vector<VertexRecord> records;
        for (uint32_t i = 0; i < c.records; ++i) records.push_back(PatternVertices(1, kPosColour, uint8_t(i)));
        FILE* f = Stream(BuildVertexBufferBlock(records));
        uint16_t heldBefore = table.held;
        EXPECT_EQ(table.Load(f, D3DUSAGE_WRITEONLY), c.first);
        EXPECT_EQ(table.Capacity(), c.capacity);
        EXPECT_EQ(table.held, heldBefore + c.records);
        for (uint32_t i = 0; i < c.records; ++i) {
            const ::VertexBuffer* b = table.Get(c.first + int32_t(i));
            ASSERT_NE(b, nullptr);
            EXPECT_EQ(rendertest::ContentsOf(b->buffer), records[i].vertices);
        }
    }
}

TEST_F(VertexBufferTableTest, AddTakesTheFirstFreeSlotAndGrowsByFifty) {
    std::vector<int32_t> ids;
    for (int i = 0; i < 51; ++i) ids.push_back(table.Add(new ::VertexBuffer()));
    EXPECT_EQ(ids.front(), 0);
    EXPECT_EQ(ids.back(), 50);
    EXPECT_EQ(table.Capacity(), 100);
    EXPECT_EQ(table.held, 51);

    EXPECT_EQ(table.Release(7), 0);  // count 0: freed at once
    EXPECT_EQ(table.Get(7), nullptr);
    EXPECT_EQ(table.held, 50);
    EXPECT_EQ(table.Add(new ::VertexBuffer()), 7);
    EXPECT_EQ(table.Capacity(), 100);
}

TEST_F(VertexBufferTableTest, ReferencesCountUpAndTheLastReleaseFreesTheBuffer) {
    FILE* f = Stream(BuildVertexBufferBlock({PatternVertices(4, kPosColour, 0)}));
    ASSERT_EQ(table.Load(f, D3DUSAGE_WRITEONLY), 0);
    size_t live = dev->LiveResources();

    EXPECT_EQ(table.AddRef(0), 1);
    EXPECT_EQ(table.AddRef(0), 2);
    EXPECT_EQ(table.Release(0), 1);
    EXPECT_NE(table.Get(0), nullptr);
    EXPECT_EQ(table.Release(0), 0);
    EXPECT_EQ(table.Get(0), nullptr);
    EXPECT_EQ(table.held, 0);
    EXPECT_EQ(dev->LiveResources(), live - 1);

    // A free slot answers -1, an id past the table 0; -1 as an id is 65535, past the table.
    EXPECT_EQ(table.AddRef(0), -1);
    EXPECT_EQ(table.Release(0), -1);
    EXPECT_EQ(table.AddRef(50), 0);
    EXPECT_EQ(table.Release(50), 0);
    EXPECT_EQ(table.AddRef(-1), 0);
    EXPECT_EQ(table.Release(-1), 0);
}

TEST_F(VertexBufferTableTest, SelectBindsTheBufferAndItsShaderOrUnbindsForAFreeSlot) {
    FILE* f = Stream(BuildVertexBufferBlock({PatternVertices(2, kSkinned, 0), PatternVertices(2, kPosColour, 0)}));
    ASSERT_EQ(table.Load(f, D3DUSAGE_WRITEONLY), 0);
    ASSERT_EQ(table.Release(1), 0);
    const ::VertexBuffer* b = table.Get(0);

    EXPECT_TRUE(table.Select(0));
    EXPECT_EQ(dev->State().streams[0], b->buffer);
    EXPECT_EQ(dev->State().strides[0], 28u);
    EXPECT_EQ(dev->State().vertexShader, b->shader);

    dev->ClearLog();
    EXPECT_FALSE(table.Select(50));
    EXPECT_FALSE(table.Select(-1));
    EXPECT_EQ(dev->Log().size(), 0u);

    EXPECT_TRUE(table.Select(1));
    EXPECT_EQ(dev->State().streams[0], nullptr);
    EXPECT_EQ(dev->State().vertexShader, 0u);
}

struct UsageCase {
    const char* what;
    uint8_t hardware;
    uint32_t maxBlendMatrices;
    uint32_t fvf;
    bool software;
};

TEST_F(VertexBufferTableTest, SoftwareProcessingIsAddedWhenTheDeviceCannotBlendTheWeights) {
    const UsageCase cases[] = {
        {"no hardware processing", 0, 4, kPosColour, true},
        {"no hardware processing, weights", 0, 4, kSkinned, true},
        {"hardware, two weights in four matrices", 1, 4, kSkinned, false},
        {"hardware, two weights in three matrices", 1, 3, kSkinned, false},
        {"hardware, two weights in two matrices", 1, 2, kSkinned, true},
        {"hardware, four weights in four matrices", 1, 4, D3DFVF_XYZB4, true},
        {"hardware, no weights", 1, 1, kPosColour, false},
        {"hardware, no blending at all", 1, 0, kPosColour, true},
    };
    for (const UsageCase& c : cases) {
        SCOPED_TRACE(c.what);
        g_Video.hardwareVertexProcessing = c.hardware;
        g_Video.caps.MaxVertexBlendMatrices = c.maxBlendMatrices;
        dev->ClearLog();
        ::VertexBuffer b;
        ASSERT_TRUE(b.Create(4, c.fvf, D3DUSAGE_WRITEONLY));
        uint32_t expected = D3DUSAGE_WRITEONLY | (c.software ? D3DUSAGE_SOFTWAREPROCESSING : 0u);
        EXPECT_EQ(b.usage, expected);
        std::vector<Call> created = dev->CallsOf(CallKind::CreateVertexBuffer);
        ASSERT_EQ(created.size(), 1u);
        EXPECT_EQ(created[0].args[1], expected);
        std::vector<Call> shaders = dev->CallsOf(CallKind::CreateVertexShader);
        ASSERT_EQ(shaders.size(), 1u);
        EXPECT_EQ(shaders[0].args[0], c.software ? D3DUSAGE_SOFTWAREPROCESSING : 0u);
    }
}

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

TEST_F(VertexBufferTableTest, ABufferKeepsTheStrideModelFilesUseAndItsShaderIsReplacedOnRebuild) {
    ::VertexBuffer b;
    ASSERT_TRUE(b.Create(2, D3DFVF_XYZ | D3DFVF_SPECULAR | D3DFVF_TEX1, 0));
    EXPECT_EQ(b.stride, 20u);
    uint32_t first = b.shader;
    ASSERT_NE(first, 0u);
    b.BuildShader();
    EXPECT_NE(b.shader, first);
    std::vector<Call> deleted = dev->CallsOf(CallKind::DeleteVertexShader);
    ASSERT_EQ(deleted.size(), 1u);
    EXPECT_EQ(deleted[0].args[0], first);
    EXPECT_EQ(deleted[0].result, D3D_OK);
}

TEST_F(VertexBufferTableTest, AFailedCreationIsReportedNeverLockedAndTheNextRecordStillLoads) {
    VertexRecord a = PatternVertices(3, kPosColour, 10);
    VertexRecord b = PatternVertices(2, kLit, 20);
    FILE* f = Stream(BuildVertexBufferBlock({a, b}));
    dev->FailNext(CallKind::CreateVertexBuffer, D3DERR_OUTOFVIDEOMEMORY);

    ASSERT_EQ(table.Load(f, D3DUSAGE_WRITEONLY), 0);
    EXPECT_EQ(Position(f), Length(f));
    EXPECT_EQ(dev->CountCalls(CallKind::LockVertexBuffer), 1u);
    ASSERT_NE(table.Get(0), nullptr);
    EXPECT_EQ(table.Get(0)->buffer, nullptr);
    ASSERT_NE(table.Get(1), nullptr);
    EXPECT_EQ(rendertest::ContentsOf(table.Get(1)->buffer), b.vertices);

    dev->FailNext(CallKind::CreateVertexBuffer, D3DERR_OUTOFVIDEOMEMORY);
    ::VertexBuffer lone;
    EXPECT_FALSE(lone.Create(4, kPosColour, 0));
    EXPECT_EQ(lone.buffer, nullptr);
}

TEST_F(VertexBufferTableTest, AFailedLockFailsTheFill) {
    VertexRecord a = PatternVertices(3, kPosColour, 10);
    std::vector<uint8_t> bytes = BuildVertexBufferBlock({a});
    FILE* f = Stream(std::vector<uint8_t>(bytes.begin() + 4, bytes.end()));
    dev->FailNext(CallKind::LockVertexBuffer, D3DERR_INVALIDCALL);
    ::VertexBuffer b;
    EXPECT_FALSE(b.Load(f, 0));
    EXPECT_NE(b.buffer, nullptr);
    EXPECT_FALSE(b.Fill(nullptr));
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
        FILE* f = Stream(c.bytes);
        EXPECT_EQ(table.Load(f, D3DUSAGE_WRITEONLY), -1);
        EXPECT_EQ(table.Capacity(), 3);
        EXPECT_EQ(table.held, 2);
        EXPECT_EQ(table.Get(1), nullptr);
        // Whatever was created for the block is gone again.
        EXPECT_EQ(dev->LiveResources(), 0u);
    }
}

TEST_F(VertexBufferTableTest, RecordsAreCheckedAgainstTheEntryNotTheWholePack) {
    ScopedWorkDir dir;
    VertexRecord r = PatternVertices(4, kPosColour, 0);
    std::vector<uint8_t> block = BuildVertexBufferBlock({r});
    std::vector<uint8_t> cut(block.begin(), block.end() - 16);  // one vertex short
    testsupport::PackWriter pack;
    pack.Add("CUT.Y3D", cut);
    pack.Add("NEXT.BIN", std::vector<uint8_t>(64, 0x55));  // bytes that would make up the rest
    ASSERT_TRUE(pack.WriteTo("MODELOS.DAT"));

    PackEntryInfo info{};
    FILE* f = OpenPackEntry("MODELOS.DAT", "CUT.Y3D", &info);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(table.Load(f, D3DUSAGE_WRITEONLY, &info), -1);
    ClosePackEntry(f);

    pack = testsupport::PackWriter();
    pack.Add("WHOLE.Y3D", block);
    pack.Add("NEXT.BIN", std::vector<uint8_t>(64, 0x55));
    ASSERT_TRUE(pack.WriteTo("MODELOS.DAT"));
    f = OpenPackEntry("MODELOS.DAT", "WHOLE.Y3D", &info);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(table.Load(f, D3DUSAGE_WRITEONLY, &info), 0);
    ClosePackEntry(f);
    EXPECT_EQ(rendertest::ContentsOf(table.Get(0)->buffer), r.vertices);
}

TEST(VertexBufferSlots, GrowthStopsAtTheLargestId) {
    ::VertexBuffer taken;
    std::vector<::VertexBuffer*> slots;
    EXPECT_EQ(ReserveSlotRun(slots, 3, 50, 40), 0);
    EXPECT_EQ(slots.size(), 40u);
    slots.assign(40, &taken);
    EXPECT_EQ(ReserveSlotRun(slots, 1, 50, 40), -1);
    EXPECT_EQ(slots.size(), 40u);
    slots.clear();
    EXPECT_EQ(ReserveSlotRun(slots, 41, 50, 40), -1);
    EXPECT_EQ(ReserveSlotRun(slots, 0, 50, 40), -1);
}

}  // namespace
