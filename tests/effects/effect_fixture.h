// The effects' tests on the recording device: the scene fixture of the scene-node tests (camera at
// (0, 0, -10) looking at the origin, 90 degrees, near 1, far 50) and a way to read back the
// vertices a draw took from the dynamic buffer.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "effects/effect_draw.h"
#include "platform/gfx/recording_device.h"
#include "scene/scene_element_records.h"

namespace efftest {

class EffectDeviceTest : public fxtest::FxDeviceTest {
protected:
    void SetUp() override {
        fxtest::FxDeviceTest::SetUp();
        rec->ClearLog();
    }
    // The vertices of one draw from stream 0.
    static std::vector<EffectVertex> Vertices(const gfx::DrawRecord& draw) {
        std::vector<EffectVertex> out(draw.vertexCount);
        auto* buffer = const_cast<gfx::VertexBuffer*>(draw.stream0);
        uint8_t* data = nullptr;
        const uint32_t size = draw.vertexCount * uint32_t(sizeof(EffectVertex));
        if (!buffer || buffer->Lock(draw.startVertex * uint32_t(sizeof(EffectVertex)), size, &data, 0) != gfx::D3D_OK)
            return {};
        std::memcpy(out.data(), data, size);
        buffer->Unlock();
        return out;
    }
    const gfx::DrawRecord& OnlyDraw() {
        EXPECT_EQ(rec->Draws().size(), 1u);
        static const gfx::DrawRecord none{};
        return rec->Draws().empty() ? none : rec->Draws().back();
    }
};

inline void ExpectNear(const Vec3& v, const Vec3& expected, float tolerance = 1e-4f) {
    EXPECT_NEAR(v.x, expected.x, tolerance);
    EXPECT_NEAR(v.y, expected.y, tolerance);
    EXPECT_NEAR(v.z, expected.z, tolerance);
}

}  // namespace efftest
