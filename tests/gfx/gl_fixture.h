// Shared set-up of the OpenGL device's picture tests: a small hidden window, a device on it,
// pixels read back through the back buffer.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/gfx/device.h"
#include "platform/os/os.h"

namespace gfxtest {

using namespace gfx;

// Pre-transformed vertex with colour and one texture set.
struct TLVertex {
    float x, y, z, rhw;
    uint32_t color;
    float u, v;
};
constexpr uint32_t kTLFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// Untransformed vertex with colour and one texture set.
struct ColorVertex {
    float x, y, z;
    uint32_t color;
    float u, v;
};
constexpr uint32_t kColorFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

inline std::string Hex(uint32_t c) {
    char b[16];
    std::snprintf(b, sizeof b, "0x%08X", c);
    return b;
}

// Channels of two ARGB colours differ by at most tol.
inline ::testing::AssertionResult ColorNear(uint32_t actual, uint32_t expected, int tol = 3) {
    for (int shift = 0; shift < 32; shift += 8) {
        int a = int((actual >> shift) & 0xFF), e = int((expected >> shift) & 0xFF);
        if (a - e > tol || e - a > tol)
            return ::testing::AssertionFailure() << "got " << Hex(actual) << ", expected " << Hex(expected);
    }
    return ::testing::AssertionSuccess();
}

inline Matrix IdentityMatrix() { return Mat4Identity(); }

// Left-handed perspective: 90 degrees, aspect 1, near 1, far 10. A point (x, y, z) lands at
// normalised (x / z, y / z), i.e. pixel (16 + 16 x / z, 16 - 16 y / z) on a 32x32 buffer.
inline Matrix Perspective() {
    Matrix p{};
    p.m[0][0] = 1.0f;
    p.m[1][1] = 1.0f;
    p.m[2][2] = 10.0f / 9.0f;
    p.m[2][3] = 1.0f;
    p.m[3][2] = -10.0f / 9.0f;
    return p;
}

inline Matrix Translation(float x, float y, float z) { return Mat4Translation(x, y, z); }

class GLDeviceTest : public ::testing::Test {
protected:
    static constexpr uint32_t kSize = 32;

    void SetUp() override { ASSERT_TRUE(CreateDevice(kSize, kSize, D3DFMT_X8R8G8B8, true, D3DFMT_D24S8)); }

    void TearDown() override {
        if (device) {
            EXPECT_EQ(device->Release(), 0u);
            device = nullptr;
        }
        if (window) os::DestroyWindow(window);
        window = nullptr;
        os::Shutdown();
    }

    bool CreateDevice(uint32_t w, uint32_t h, Format format, bool depth, Format depthFormat) {
        if (!os::Init()) return false;
        os::WindowDesc desc;
        desc.title = "gfx test";
        desc.width = int(w);
        desc.height = int(h);
        window = os::CreateMainWindow(desc);
        if (!window) return false;
        params = DeviceParams{};
        PresentParameters& pp = params.present;
        pp.BackBufferWidth = w;
        pp.BackBufferHeight = h;
        pp.BackBufferFormat = format;
        pp.BackBufferCount = 1;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.hDeviceWindow = window;
        pp.Windowed = 1;
        pp.EnableAutoDepthStencil = depth ? 1 : 0;
        pp.AutoDepthStencilFormat = depthFormat;
        return CreateGLDevice(params, &device) == D3D_OK && device != nullptr;
    }

    // States that make a plain, unlit, untextured draw of vertex colours.
    void PlainStates() {
        device->SetRenderState(D3DRS_LIGHTING, 0);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetRenderState(D3DRS_ZENABLE, 0);
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
        device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    }

    // Perspective camera at the origin looking along +z, identity world.
    void Camera() {
        Matrix p = Perspective(), i = IdentityMatrix();
        device->SetTransform(D3DTS_PROJECTION, &p);
        device->SetTransform(D3DTS_VIEW, &i);
        device->SetTransform(D3DTS_WORLD, &i);
    }

    void Clear(uint32_t color) {
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, color, 1.0f, 0),
                  D3D_OK);
    }

    // A pre-transformed rectangle as two triangles (clockwise on screen).
    void DrawRect(float x0, float y0, float x1, float y1, uint32_t color, float z = 0.5f, float u0 = 0.0f,
                  float v0 = 0.0f, float u1 = 1.0f, float v1 = 1.0f) {
        TLVertex v[6] = {{x0, y0, z, 1, color, u0, v0}, {x1, y0, z, 1, color, u1, v0}, {x1, y1, z, 1, color, u1, v1},
                         {x0, y0, z, 1, color, u0, v0}, {x1, y1, z, 1, color, u1, v1}, {x0, y1, z, 1, color, u0, v1}};
        ASSERT_EQ(device->SetVertexShader(kTLFvf), D3D_OK);
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v, sizeof(TLVertex)), D3D_OK);
    }

    void FullScreenQuad(uint32_t color) { DrawRect(0, 0, float(width()), float(height()), color); }

    // Draws `texture` over the whole of `target` (cleared black first), then unbinds it.
    void ShowTexture(Surface* target, Surface* depth, Texture* texture) {
        ASSERT_EQ(device->SetRenderTarget(target, depth), D3D_OK);
        device->SetTexture(0, texture);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        Clear(0xFF000000);
        DrawRect(0, 0, float(width()), float(height()), 0xFFFFFFFF);
        device->SetTexture(0, nullptr);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    }

    // Vertices from memory in one format.
    template <typename V, size_t N>
    void DrawUP(uint32_t fvf, PrimitiveType type, uint32_t count, const V (&v)[N]) {
        ASSERT_EQ(device->SetVertexShader(fvf), D3D_OK);
        ASSERT_EQ(device->DrawPrimitiveUP(type, count, v, sizeof(V)), D3D_OK);
    }

    // An untransformed square of half size h around (cx, cy) at depth z, facing the camera.
    void ColorSquare(float cx, float cy, float z, float h, uint32_t color) {
        ColorVertex v[4] = {{cx - h, cy + h, z, color, 0, 0}, {cx + h, cy + h, z, color, 1, 0},
                            {cx - h, cy - h, z, color, 0, 1}, {cx + h, cy - h, z, color, 1, 1}};
        DrawUP(kColorFvf, D3DPT_TRIANGLESTRIP, 2, v);
    }

    uint32_t width() const { return params.present.BackBufferWidth; }
    uint32_t height() const { return params.present.BackBufferHeight; }

    // The back buffer as ARGB values, row 0 at the top.
    std::vector<uint32_t> ReadBack() {
        std::vector<uint32_t> out;
        Surface* bb = nullptr;
        if (device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &bb) != D3D_OK) return out;
        SurfaceDesc desc{};
        bb->GetDesc(&desc);
        LockedRect lr{};
        if (bb->LockRect(&lr, nullptr, D3DLOCK_READONLY) == D3D_OK) {
            out.resize(size_t(desc.Width) * desc.Height);  // B, G, R, A bytes: ARGB read little-endian
            for (uint32_t y = 0; y < desc.Height; ++y)
                std::memcpy(&out[size_t(y) * desc.Width], static_cast<const uint8_t*>(lr.pBits) + size_t(y) * lr.Pitch,
                            size_t(desc.Width) * 4);
            bb->UnlockRect();
        }
        bb->Release();
        return out;
    }

    uint32_t Pixel(uint32_t x, uint32_t y) {
        std::vector<uint32_t> p = ReadBack();
        return p.empty() ? 0xDEADBEEFu : p[size_t(y) * width() + x];
    }
    ::testing::AssertionResult Shows(uint32_t x, uint32_t y, uint32_t color, int tol = 0) {
        return ColorNear(Pixel(x, y), color, tol);
    }

    // Writes rows of raw bytes (tightly packed, top row first) into a level.
    static bool FillLevel(Texture* t, uint32_t level, const void* bytes, uint32_t rowBytes, uint32_t rows) {
        LockedRect lr{};
        if (t->LockRect(level, &lr, nullptr, 0) != D3D_OK) return false;
        for (uint32_t y = 0; y < rows; ++y)
            std::memcpy(static_cast<uint8_t*>(lr.pBits) + size_t(y) * lr.Pitch,
                        static_cast<const uint8_t*>(bytes) + size_t(y) * rowBytes, rowBytes);
        return t->UnlockRect(level) == D3D_OK;
    }

    // An A8R8G8B8 texture from ARGB values, top row first.
    Texture* TextureFromColors(uint32_t w, uint32_t h, const std::vector<uint32_t>& argb, uint32_t levels = 1) {
        Texture* t = nullptr;
        if (device->CreateTexture(w, h, levels, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t) != D3D_OK) return nullptr;
        std::vector<uint8_t> bytes(argb.size() * 4);
        for (size_t i = 0; i < argb.size(); ++i)
            for (int k = 0; k < 4; ++k) bytes[i * 4 + k] = uint8_t(argb[i] >> (8 * k));
        FillLevel(t, 0, bytes.data(), w * 4, h);
        return t;
    }

    os::WindowHandle window = nullptr;
    Device* device = nullptr;
    DeviceParams params;
};

}  // namespace gfxtest
