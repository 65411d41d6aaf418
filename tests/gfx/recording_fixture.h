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

    // A 16-bit index buffer holding `indices`, bound.
    gfx::IndexBuffer* BindIndices(std::initializer_list<uint16_t> indices, uint32_t base = 0) {
        gfx::IndexBuffer* ib = nullptr;
        EXPECT_EQ(dev->CreateIndexBuffer(uint32_t(indices.size() * 2), 0, gfx::D3DFMT_INDEX16, gfx::D3DPOOL_MANAGED, &ib),
                  gfx::D3D_OK);
        uint8_t* p = nullptr;
        EXPECT_EQ(ib->Lock(0, 0, &p, 0), gfx::D3D_OK);
        for (uint16_t i : indices) {
            *p++ = uint8_t(i);
            *p++ = uint8_t(i >> 8);
        }
        EXPECT_EQ(ib->Unlock(), gfx::D3D_OK);
        EXPECT_EQ(dev->SetIndices(ib, base), gfx::D3D_OK);
        return ib;
    }

    static constexpr uint32_t kFvf = gfx::D3DFVF_XYZ | gfx::D3DFVF_DIFFUSE;
    gfx::RecordingDevice* dev = nullptr;
};

}  // namespace rectest
