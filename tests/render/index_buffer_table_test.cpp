#include <gtest/gtest.h>

#include <vector>

#include "render/index_buffer_table.h"
#include "render/vertex_buffer_table.h"
#include "render/video.h"
#include "datakit/buffer_block_writer.h"
#include "vertex_buffer_fixture.h"

namespace {

using namespace gfx;
using datakit::BuildIndexBufferBlock;
using datakit::BuildVertexBufferBlock;
using datakit::IndexRecord;
using datakit::SequentialIndices;

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
        BinaryReader& f = Stream(cases[i]);
        EXPECT_EQ(table.Load(f, -1, 0), -1);
        EXPECT_EQ(table.Capacity(), 3);
        EXPECT_EQ(table.held, 1);
        EXPECT_EQ(table.Get(1), nullptr);
        EXPECT_EQ(dev->LiveResources(), 0u);
    }
}

}  // namespace
