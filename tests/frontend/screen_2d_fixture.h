// The recording device under the scene for the 2D screen elements (sprites, quads, the fader,
// labels), with helpers that read drawn vertices back and compare device states.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/gfx/recording_device.h"
#include "scene/scene_element_records.h"

namespace screentest {

// A pre-transformed vertex as the draws carry it: position, then the colours, then u, v.
struct DrawnVertex {
    float x, y, z, rhw;
    uint32_t diffuse;
    float u, v;
};

// The vertices of a draw from memory with the given stride (28 or 32 bytes).
inline std::vector<DrawnVertex> VerticesOf(const gfx::DrawRecord& draw) {
    std::vector<DrawnVertex> out;
    const uint32_t stride = draw.stride;
    for (size_t at = 0; stride >= 28 && at + stride <= draw.vertexData.size(); at += stride) {
        DrawnVertex v{};
        std::memcpy(&v, draw.vertexData.data() + at, 20);
        std::memcpy(&v.u, draw.vertexData.data() + at + stride - 8, 8);
        out.push_back(v);
    }
    return out;
}

// The glyph corners of everything drawn since the log was cleared.
inline std::vector<DrawnVertex> DrawnGlyphs(const gfx::RecordingDevice& rec) {
    std::vector<DrawnVertex> out;
    for (const gfx::DrawRecord& d : rec.Draws())
        for (const DrawnVertex& v : VerticesOf(d)) out.push_back(v);
    return out;
}

// Every corner of `some` drawn among `all`, at its place with its texture corner and colour.
inline bool AllDrawnAmong(const std::vector<DrawnVertex>& some, const std::vector<DrawnVertex>& all) {
    const auto same = [](const DrawnVertex& a, const DrawnVertex& b) {
        return std::fabs(a.x - b.x) < 0.01f && std::fabs(a.y - b.y) < 0.01f && std::fabs(a.u - b.u) < 1e-5f &&
               std::fabs(a.v - b.v) < 1e-5f && a.diffuse == b.diffuse;
    };
    return std::all_of(some.begin(), some.end(), [&](const DrawnVertex& v) {
        return std::any_of(all.begin(), all.end(), [&](const DrawnVertex& w) { return same(v, w); });
    });
}

// Render states, stage states and textures of the device.
struct StateSnapshot {
    std::vector<uint32_t> values;
    explicit StateSnapshot(const gfx::RecordingDevice& d) {
        const gfx::DeviceState& s = d.State();
        values.assign(std::begin(s.renderStates), std::end(s.renderStates));
        for (const auto& stage : s.stageStates) values.insert(values.end(), std::begin(stage), std::end(stage));
        for (gfx::Texture* t : s.textures) values.push_back(uint32_t(reinterpret_cast<uintptr_t>(t)));
    }
};

class Screen2DTest : public fxtest::FxDeviceTest {
protected:
    // Sets states no 2D element would choose, so that a restore shows.
    void UnusualStates() {
        rec->SetRenderState(gfx::D3DRS_ALPHABLENDENABLE, 1);
        rec->SetRenderState(gfx::D3DRS_SRCBLEND, gfx::D3DBLEND_SRCCOLOR);
        rec->SetRenderState(gfx::D3DRS_ZENABLE, 1);
        rec->SetRenderState(gfx::D3DRS_FOGENABLE, 1);
        rec->SetRenderState(gfx::D3DRS_CULLMODE, gfx::D3DCULL_CW);
        rec->SetTextureStageState(0, gfx::D3DTSS_COLOROP, gfx::D3DTOP_ADD);
        rec->SetTextureStageState(0, gfx::D3DTSS_MINFILTER, gfx::D3DTEXF_LINEAR);
        rec->SetTextureStageState(1, gfx::D3DTSS_COLOROP, gfx::D3DTOP_MODULATE);
    }
    // A texture of w x h pixels in the scene's table.
    int32_t PixelTexture(const char* name, uint16_t w, uint16_t h) {
        const int32_t id = fxtest::SeedTexture(rec, name);
        if (Texture* t = g_Scene.textures->Get(id)) {
            t->width = w;
            t->height = h;
        }
        return id;
    }
    void Screen(int w, int h) { g_Video.screenRect = {0, 0, w - 1, h - 1}; }
};

}  // namespace screentest
