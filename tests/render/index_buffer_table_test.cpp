#include <gtest/gtest.h>

#include <vector>

#include "render/index_buffer_table.h"
#include "render/vertex_buffer_table.h"
#include "render/video.h"
#include "support/buffer_block_writer.h"
#include "vertex_buffer_fixture.h"

namespace {

using namespace gfx;
using testsupport::BuildIndexBufferBlock;
using testsupport::BuildVertexBufferBlock;
using testsupport::IndexRecord;
using testsupport::SequentialIndices;

std::vector<uint8_t> BytesOf(const IndexRecord& r) {
    std::vector<uint8_t> out;
    for (uint16_t i : r.indices) {
        out.push_back(uint8_t(i));
        out.push_back(uint8_t(i >> 8));
    }
    return out;
}

class IndexBufferTableTest : public rendertest::DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        g_SceneVertexBuffers = &vertexBuffers;
    }
    void ReleaseResources() override {
        g_SceneVertexBuffers = nullptr;
        table.Free();
        vertexBuffers.Free();
    }

    IndexBufferTable table;
    VertexBufferTable vertexBuffers;
};

TEST_F(IndexBufferTableTest, LoadsEveryRecordOfABlockWithItsIndicesAndLeavesTheStreamAtTheNextBlock) {
    IndexRecord a = SequentialIndices(6, 0, 100);
    IndexRecord b = SequentialIndices(3, 1, 0xFFF0);
    std::vector<uint8_t> bytes = BuildIndexBufferBlock({a, b});
    bytes.push_back(0x77);
    FILE* f = Stream(bytes);

    ASSERT_EQ(table.Load(f, -1, D3DUSAGE_WRITEONLY), 0);
    EXPECT_EQ(rendertest::Position(f), rendertest::Length(f) - 1);
    EXPECT_EQ(table.held, 2);
    EXPECT_EQ(table.Capacity(), 50);
    ASSERT_NE(table.Get(0), nullptr);
    ASSERT_NE(table.Get(1), nullptr);
    EXPECT_EQ(table.Get(0)->indexCount, 6u);
    EXPECT_EQ(table.Get(1)->indexCount, 3u);
    EXPECT_EQ(table.Get(0)->refCount, 0);
    EXPECT_EQ(rendertest::ContentsOf(table.Get(0)->buffer), BytesOf(a));
    EXPECT_EQ(rendertest::ContentsOf(table.Get(1)->buffer), BytesOf(b));

    std::vector<Call> created = dev->CallsOf(CallKind::CreateIndexBuffer);
    ASSERT_EQ(created.size(), 2u);
    EXPECT_EQ(created[0].args[0], 12u);
    EXPECT_EQ(created[0].args[1], D3DUSAGE_WRITEONLY | D3DUSAGE_SOFTWAREPROCESSING);
    EXPECT_EQ(created[0].args[2], uint32_t(D3DFMT_INDEX16));
    EXPECT_EQ(created[0].args[3], uint32_t(D3DPOOL_MANAGED));
}

TEST_F(IndexBufferTableTest, TakesTheSameSlotsAsTheVertexBufferTable) {
    table.buffers.assign(5, nullptr);
    for (int i : {0, 2, 3, 4}) table.buffers[size_t(i)] = new ::IndexBuffer();
    table.held = 4;
    FILE* f = Stream(BuildIndexBufferBlock({SequentialIndices(3, 0), SequentialIndices(3, 0), SequentialIndices(3, 0)}));
    EXPECT_EQ(table.Load(f, -1, 0), 5);
    EXPECT_EQ(table.Capacity(), 55);
    EXPECT_EQ(table.held, 7);

    FILE* empty = Stream(BuildIndexBufferBlock({}));
    EXPECT_EQ(table.Load(empty, -1, 0), -1);
    EXPECT_EQ(rendertest::Position(empty), 4);
}

struct SoftwareCase {
    const char* what;
    uint32_t vertexBuffer;    // the record's index
    int32_t firstVertexBuffer;
    bool tableSet;
    uint32_t usage;
};

TEST_F(IndexBufferTableTest, IndicesOfSoftwareProcessedVerticesAreSoftwareProcessedToo) {
    // With hardware processing neither table adds the flag on its own; vertex buffer 2 blends
    // more weights than the device can.
    g_Video.hardwareVertexProcessing = 1;
    g_Video.caps.MaxVertexBlendMatrices = 2;
    FILE* vf = Stream(BuildVertexBufferBlock({testsupport::PatternVertices(1, D3DFVF_XYZ, 0),
                                              testsupport::PatternVertices(1, D3DFVF_XYZ, 0),
                                              testsupport::PatternVertices(1, D3DFVF_XYZB3, 0)}));
    ASSERT_EQ(vertexBuffers.Load(vf, D3DUSAGE_WRITEONLY), 0);
    ASSERT_EQ(vertexBuffers.Get(2)->usage & D3DUSAGE_SOFTWAREPROCESSING, D3DUSAGE_SOFTWAREPROCESSING);
    ASSERT_EQ(vertexBuffers.Get(1)->usage & D3DUSAGE_SOFTWAREPROCESSING, 0u);

    const uint32_t sw = D3DUSAGE_WRITEONLY | D3DUSAGE_SOFTWAREPROCESSING;
    const SoftwareCase cases[] = {
        {"addresses the blended buffer", 2, 0, true, sw},
        {"counted from the file's first buffer", 1, 1, true, sw},
        {"addresses a plain buffer", 1, 0, true, D3DUSAGE_WRITEONLY},
        {"no first vertex buffer", 2, -1, true, D3DUSAGE_WRITEONLY},
        {"an index past the table", 1000, 0, true, D3DUSAGE_WRITEONLY},
        {"an index that wraps to the blended buffer as 16 bits", 0x10002, 0, true, sw},
        {"no vertex-buffer table", 2, 0, false, D3DUSAGE_WRITEONLY},
    };
    for (const SoftwareCase& c : cases) {
        SCOPED_TRACE(c.what);
        g_SceneVertexBuffers = c.tableSet ? &vertexBuffers : nullptr;
        IndexRecord r = SequentialIndices(3, c.vertexBuffer);
        std::vector<uint8_t> bytes = BuildIndexBufferBlock({r});
        FILE* f = Stream(std::vector<uint8_t>(bytes.begin() + 4, bytes.end()));
        ::IndexBuffer b;
        EXPECT_TRUE(b.Load(f, c.firstVertexBuffer, D3DUSAGE_WRITEONLY));
        EXPECT_EQ(b.usage, c.usage);
        EXPECT_EQ(rendertest::ContentsOf(b.buffer), BytesOf(r));
    }
}

TEST_F(IndexBufferTableTest, ARecordWithoutIndicesGivesAnEntryWithoutADeviceBuffer) {
    FILE* f = Stream(BuildIndexBufferBlock({SequentialIndices(0, 0), SequentialIndices(3, 0, 7)}));
    ASSERT_EQ(table.Load(f, -1, D3DUSAGE_WRITEONLY), 0);
    ASSERT_NE(table.Get(0), nullptr);
    EXPECT_EQ(table.Get(0)->buffer, nullptr);
    EXPECT_EQ(table.Get(0)->indexCount, 0u);
    EXPECT_EQ(dev->CountCalls(CallKind::CreateIndexBuffer), 1u);
    EXPECT_EQ(rendertest::ContentsOf(table.Get(1)->buffer), BytesOf(SequentialIndices(3, 0, 7)));

    ::IndexBuffer none;
    EXPECT_TRUE(none.Create(0, 0));
    EXPECT_EQ(none.buffer, nullptr);
    EXPECT_FALSE(none.Fill(f));
}

TEST_F(IndexBufferTableTest, SelectBindsTheBufferAndAFreeIdChangesNothing) {
    FILE* f = Stream(BuildIndexBufferBlock({SequentialIndices(3, 0), SequentialIndices(3, 0)}));
    ASSERT_EQ(table.Load(f, -1, 0), 0);
    ASSERT_EQ(table.Release(1), 0);

    EXPECT_TRUE(table.Select(0));
    EXPECT_EQ(dev->State().indices, table.Get(0)->buffer);
    dev->ClearLog();
    EXPECT_FALSE(table.Select(1));
    EXPECT_FALSE(table.Select(50));
    EXPECT_FALSE(table.Select(-1));
    EXPECT_EQ(dev->Log().size(), 0u);
    EXPECT_EQ(dev->State().indices, table.Get(0)->buffer);
}

TEST_F(IndexBufferTableTest, ReferencesCountUpAndTheLastReleaseFreesTheBuffer) {
    FILE* f = Stream(BuildIndexBufferBlock({SequentialIndices(3, 0)}));
    ASSERT_EQ(table.Load(f, -1, 0), 0);
    EXPECT_EQ(table.AddRef(0), 1);
    EXPECT_EQ(table.AddRef(0), 2);
    EXPECT_EQ(table.Release(0), 1);
    EXPECT_EQ(table.Release(0), 0);
    EXPECT_EQ(table.Get(0), nullptr);
    EXPECT_EQ(table.held, 0);
    EXPECT_EQ(dev->LiveResources(), 0u);
    EXPECT_EQ(table.AddRef(0), -1);
    EXPECT_EQ(table.Release(0), -1);
    EXPECT_EQ(table.AddRef(50), 0);
    EXPECT_EQ(table.Release(-1), 0);
}

TEST_F(IndexBufferTableTest, AFailedCreationIsSkippedOverAndTheNextRecordStillLoads) {
    IndexRecord a = SequentialIndices(6, 0, 1), b = SequentialIndices(4, 0, 50);
    FILE* f = Stream(BuildIndexBufferBlock({a, b}));
    dev->FailNext(CallKind::CreateIndexBuffer, D3DERR_OUTOFVIDEOMEMORY);
    ASSERT_EQ(table.Load(f, -1, 0), 0);
    EXPECT_EQ(rendertest::Position(f), rendertest::Length(f));
    EXPECT_EQ(table.Get(0)->buffer, nullptr);
    EXPECT_EQ(dev->CountCalls(CallKind::LockIndexBuffer), 1u);
    EXPECT_EQ(rendertest::ContentsOf(table.Get(1)->buffer), BytesOf(b));
}

TEST_F(IndexBufferTableTest, MalformedBlocksAreRejectedAndLeaveTheTableAsItWas) {
    IndexRecord good = SequentialIndices(3, 0);
    IndexRecord shortData = SequentialIndices(9, 0);
    shortData.indices.resize(4);
    IndexRecord huge;
    huge.count = 0x80000001u;  // twice that wraps to 2 in 32 bits
    huge.indices = {1, 2};
    std::vector<uint8_t> cutHead = BuildIndexBufferBlock({good, good});
    cutHead.resize(cutHead.size() - 6 - 2);

    const std::vector<uint8_t> cases[] = {
        BuildIndexBufferBlock({good, shortData}),
        BuildIndexBufferBlock({huge}),
        cutHead,
        BuildIndexBufferBlock({good}, 0x7FFFFFFFu),
        {0x02},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        table.Free();
        table.buffers.assign(3, nullptr);
        table.buffers[0] = new ::IndexBuffer();
        table.held = 1;
        FILE* f = Stream(cases[i]);
        EXPECT_EQ(table.Load(f, -1, 0), -1);
        EXPECT_EQ(table.Capacity(), 3);
        EXPECT_EQ(table.held, 1);
        EXPECT_EQ(table.Get(1), nullptr);
        EXPECT_EQ(dev->LiveResources(), 0u);
    }
}

}  // namespace
