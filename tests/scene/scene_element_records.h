// Builders for the object records of glows, flares, lava, mirrors, water and scene elements, and
// the shared set-up of their tests: a recording device with a back buffer, a made scene, a
// camera and textures seeded into the scene's table under the names the nodes ask for.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "common/math.h"
#include "platform/gfx/recording_device.h"
#include "render/adapter_table.h"
#include "render/texture_manager.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "shell/clocks.h"
#include "shell/settings.h"
#include "support/buffer_block_writer.h"

namespace fxtest {

inline void PutU32(std::vector<uint8_t>* out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out->push_back(uint8_t(v >> (8 * i)));
}
inline void PutF32(std::vector<uint8_t>* out, float f) {
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    PutU32(out, u);
}
inline void PutVec3(std::vector<uint8_t>* out, const Vec3& v) {
    PutF32(out, v.x);
    PutF32(out, v.y);
    PutF32(out, v.z);
}
inline void PutText(std::vector<uint8_t>* out, const std::string& text, size_t size) {
    std::vector<uint8_t> field(size, 0);
    std::memcpy(field.data(), text.data(), std::min(text.size(), size));
    out->insert(out->end(), field.begin(), field.end());
}

// The 573-byte node header with a name, a type code and the position at offset 436.
inline std::vector<uint8_t> NodeHeader(const std::string& name, uint32_t type, const Vec3& position) {
    std::vector<uint8_t> h;
    PutText(&h, name, 256);
    h.resize(573, 0);
    for (int i = 0; i < 4; ++i) h[264 + i] = uint8_t(type >> (8 * i));
    std::vector<uint8_t> p;
    PutVec3(&p, position);
    std::memcpy(h.data() + 436, p.data(), 12);
    return h;
}

// One vertex record {count, FVF, vertices} and one index record {count, buffer, indices}, as the
// surfaces read them (no block count).
inline std::vector<uint8_t> VertexRecordBytes(uint32_t fvf, const std::vector<uint8_t>& vertices, uint32_t count) {
    std::vector<uint8_t> out;
    PutU32(&out, count);
    PutU32(&out, fvf);
    out.insert(out.end(), vertices.begin(), vertices.end());
    return out;
}
inline std::vector<uint8_t> IndexRecordBytes(const std::vector<uint16_t>& indices) {
    std::vector<uint8_t> out;
    PutU32(&out, uint32_t(indices.size()));
    PutU32(&out, 0);
    for (uint16_t i : indices) {
        out.push_back(uint8_t(i));
        out.push_back(uint8_t(i >> 8));
    }
    return out;
}

// Position, diffuse colour, one texture pair: what the surfaces' files hold.
constexpr uint32_t kSurfaceFvf = 0x142;
struct SurfaceVertex {
    float x, y, z;
    uint32_t colour;
    float u, v;
};
// A quad's four corners as vertex and index records (two triangles).
inline std::vector<uint8_t> QuadBuffers(const SurfaceVertex (&corners)[4]) {
    std::vector<uint8_t> bytes(sizeof corners);
    std::memcpy(bytes.data(), corners, sizeof corners);
    std::vector<uint8_t> out = VertexRecordBytes(kSurfaceFvf, bytes, 4);
    std::vector<uint8_t> idx = IndexRecordBytes({0, 1, 2, 0, 2, 3});
    out.insert(out.end(), idx.begin(), idx.end());
    return out;
}
// A horizontal square at height y with half edge h.
inline std::vector<uint8_t> FlatQuad(float y, float h) {
    const SurfaceVertex c[4] = {{-h, y, -h, 0xFFFFFFFF, 0, 1},
                                {-h, y, h, 0xFFFFFFFF, 0, 0},
                                {h, y, h, 0xFFFFFFFF, 1, 0},
                                {h, y, -h, 0xFFFFFFFF, 1, 1}};
    return QuadBuffers(c);
}

// The 36-byte lava or water record.
inline std::vector<uint8_t> LavaOrWaterRecord(uint32_t triangles, float second, const float box[6], uint32_t material) {
    std::vector<uint8_t> r;
    PutU32(&r, triangles);
    PutF32(&r, second);
    for (int k = 0; k < 6; ++k) PutF32(&r, box[k]);
    PutU32(&r, material);
    return r;
}

struct MirrorRecordFields {
    uint32_t triangles = 2;
    Vec3 reflection{0, 0, 0};
    uint32_t spare = 0;
    Vec3 axes[3] = {{-1, 0, 0}, {0, 1, 0}, {0, 0, -1}};
    Vec3 position{0, 0, 0};
    float sizeScale = 1.0f;
    uint8_t sizeByte = 2;
    float box[6] = {-1, -1, -0.1f, 1, 1, 0.1f};
    uint32_t material = 0;
};
inline std::vector<uint8_t> MirrorRecord(const MirrorRecordFields& f) {
    std::vector<uint8_t> r;
    PutU32(&r, f.triangles);
    PutVec3(&r, f.reflection);
    PutU32(&r, f.spare);
    for (const Vec3& a : f.axes) PutVec3(&r, a);
    PutVec3(&r, f.position);
    PutF32(&r, f.sizeScale);
    r.push_back(f.sizeByte);
    for (float b : f.box) PutF32(&r, b);
    PutU32(&r, f.material);
    return r;
}

inline std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// Every strict prefix of a record must be refused without a crash.
template <typename LoadFn>
void ExpectEveryPrefixRefused(const std::vector<uint8_t>& bytes, size_t step, LoadFn load) {
    for (size_t n = 0; n < bytes.size(); n += step) {
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + long(n));
        FILE* f = testsupport::StreamOf(cut);
        ASSERT_NE(f, nullptr);
        EXPECT_FALSE(load(f)) << "prefix of " << n << " bytes";
        std::fclose(f);
    }
}

// A texture of the device entered in the scene's table under the (upper-cased) name.
inline int32_t SeedTexture(gfx::Device* device, const std::string& name, gfx::Texture* made = nullptr) {
    gfx::Texture* frame = made;
    if (!frame && device->CreateTexture(4, 4, 1, 0, gfx::D3DFMT_A8R8G8B8, gfx::D3DPOOL_MANAGED, &frame) != gfx::D3D_OK)
        return -1;
    Texture* t = new Texture();
    std::string upper = name;
    for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
    t->name = new char[upper.size() + 1];
    std::memcpy(t->name, upper.c_str(), upper.size() + 1);
    t->loaded = 1;
    t->frameCount = 1;
    t->frames = new gfx::Texture*[1]{frame};
    return g_Scene.textures->Add(t, true);
}

// A recording device of 64 x 64 pixels behind the video object, with its back buffer and depth
// surface taken as the current targets, a made scene and its camera at (0, 0, -10) looking at the
// origin with 90 degrees.
class FxDeviceTest : public ::testing::Test {
protected:
    static constexpr int kSize = 64;
    gfx::RecordingDevice* rec = nullptr;
    int32_t savedTextureBpp = 0, savedWaterQuality = 0;
    uint8_t savedMirrors = 0;

    void SetUp() override {
        savedTextureBpp = g_Settings.textureBpp;
        savedWaterQuality = g_Settings.waterQuality;
        savedMirrors = g_Settings.mirrors;
        g_Scene.Destroy(true);
        g_Video.Zero();
        g_AdapterTable.Reset();
        ASSERT_EQ(gfx::CreateRecordingDevice(gfx::RecordingDeviceParams(kSize, kSize), &rec), gfx::D3D_OK);
        g_Video.device = rec;
        g_Video.screenRect = {0, 0, kSize - 1, kSize - 1};
        g_Video.halfWidth = kSize / 2;
        g_Video.halfHeight = kSize / 2;
        g_Video.present.BackBufferFormat = gfx::D3DFMT_X8R8G8B8;
        g_Video.present.BackBufferWidth = kSize;
        g_Video.present.BackBufferHeight = kSize;
        ASSERT_EQ(rec->GetBackBuffer(0, gfx::D3DBACKBUFFER_TYPE_MONO, &g_Video.renderTarget), gfx::D3D_OK);
        rec->GetDepthStencilSurface(&g_Video.depthSurface);
        g_Video.RestoreStates();
        ASSERT_EQ(rec->BeginScene(), gfx::D3D_OK);
        ASSERT_TRUE(g_Scene.Create());
        AimCamera(0, 0, -10, 0, 0, 0);
        g_Settings.textureBpp = 32;
        g_Settings.waterQuality = 0;
        g_Settings.mirrors = 0;
        g_Clocks = ClockSet();
        g_Clocks.active = CLOCK_MENU;
    }
    void TearDown() override {
        g_Scene.Destroy(true);
        if (g_Video.renderTarget) g_Video.renderTarget->Release();
        if (g_Video.depthSurface) g_Video.depthSurface->Release();
        g_Video.renderTarget = g_Video.depthSurface = nullptr;
        g_Video.device = nullptr;
        if (rec) {
            rec->EndScene();
            rec->Release();
        }
        g_Video.Zero();
        g_AdapterTable.Reset();
        g_Settings.textureBpp = savedTextureBpp;
        g_Settings.waterQuality = savedWaterQuality;
        g_Settings.mirrors = savedMirrors;
        g_Clocks = ClockSet();
    }
    void AimCamera(float ex, float ey, float ez, float tx, float ty, float tz) {
        g_Scene.camera->Set(ex, ey, ez, tx, ty, tz, 0, std::numbers::pi_v<float> / 2, 1, 50);
        g_Scene.camera->Update();
    }
    // Adapter 0 offers render-target textures on a 32-bit display, and bump mapping when asked.
    static void AllowReflections(bool bump = false) {
        g_Video.adapter = 0;
        g_AdapterTable.adapterCount = 1;
        g_AdapterTable.adapters[0].renderTargetTextures[3] = 1;
        g_AdapterTable.adapters[0].bumpEnvMap = bump ? 1 : 0;
    }
    // The match clock stopped at t milliseconds (another clock runs).
    static void StopMatchClockAt(uint32_t t) {
        g_Clocks.active = CLOCK_PAUSE;
        g_Clocks.stored[CLOCK_MATCH] = t;
    }
};

}  // namespace fxtest
