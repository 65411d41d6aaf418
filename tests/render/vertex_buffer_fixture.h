// A recording device behind the video object, for the buffer tables' tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "common/binary_reader.h"
#include "core/pack_file.h"

#include "platform/gfx/recording_device.h"
#include "render/adapter_table.h"
#include "render/video.h"
#include "core/settings.h"

namespace rendertest {

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        gfx::ResetRecordingFactory();
        g_Settings.Clear();
        g_AdapterTable.Reset();
        g_Video.Zero();
        ASSERT_EQ(gfx::CreateRecordingDevice(gfx::RecordingDeviceParams(64, 32), &dev), gfx::D3D_OK);
        g_Video.device = dev;
        ASSERT_EQ(dev->GetDeviceCaps(&g_Video.caps), gfx::D3D_OK);
        dev->ClearLog();
    }

    void TearDown() override {
        entries_.clear();
        ReleaseResources();
        g_Video.Zero();
        if (dev) dev->Release();
        dev = nullptr;
        gfx::ResetRecordingFactory();
        g_Settings.Clear();
        g_AdapterTable.Reset();
    }

    // Tables and managers holding device objects are emptied here, before the device goes.
    virtual void ReleaseResources() {}

    // The bytes as a stored file, kept until the test ends; the reader stands at the first byte.
    BinaryReader& Stream(const std::vector<uint8_t>& bytes);

    gfx::RecordingDevice* dev = nullptr;

private:
    std::vector<std::unique_ptr<PackEntry>> entries_;
};

// The bytes of a device vertex or index buffer, read back through a lock.
std::vector<uint8_t> ContentsOf(gfx::VertexBuffer* buffer);
std::vector<uint8_t> ContentsOf(gfx::IndexBuffer* buffer);
// The reader's position, and the length of its file.
long Position(const BinaryReader& in);
long Length(const BinaryReader& in);

}  // namespace rendertest
