// A recording device per test, made from a clean factory and released afterwards.
#pragma once

#include <gtest/gtest.h>

#include <cstring>

#include "platform/gfx/recording_device.h"

namespace rectest {

inline gfx::Matrix Translation(float x, float y, float z) { return Mat4Translation(x, y, z); }

inline bool SameMatrix(const gfx::Matrix& a, const gfx::Matrix& b) { return std::memcmp(&a, &b, sizeof(a)) == 0; }

class RecordingTest : public ::testing::Test {
protected:
    void SetUp() override {
        gfx::ResetRecordingFactory();
        ASSERT_EQ(gfx::CreateRecordingDevice(gfx::RecordingDeviceParams(64, 32), &dev), gfx::D3D_OK);
    }
    void TearDown() override {
        if (dev) dev->Release();
        gfx::ResetRecordingFactory();
    }

    // A vertex buffer of `count` position+colour vertices (16 bytes each) bound on stream 0.
    gfx::VertexBuffer* BindVertices(uint32_t count, gfx::Pool pool = gfx::D3DPOOL_MANAGED) {
        gfx::VertexBuffer* vb = nullptr;
        EXPECT_EQ(dev->CreateVertexBuffer(count * 16, 0, kFvf, pool, &vb), gfx::D3D_OK);
        EXPECT_EQ(dev->SetStreamSource(0, vb, 16), gfx::D3D_OK);
        EXPECT_EQ(dev->SetVertexShader(kFvf), gfx::D3D_OK);
        return vb;
    }

    static constexpr uint32_t kFvf = gfx::D3DFVF_XYZ | gfx::D3DFVF_DIFFUSE;
    gfx::RecordingDevice* dev = nullptr;
};

}  // namespace rectest
