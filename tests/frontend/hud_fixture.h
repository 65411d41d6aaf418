// What the HUD tests stand on: the shell's side of the HUD replaced by plain values (local
// fighter, power, aim, camera, frame time, a fake match clock, a sound recorder), fighters that
// are not in the match's table, and the draws of one HUD picture read back from the recording
// device.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/clocks.h"
#include "core/settings.h"
#include "fighters/character.h"
#include "fighters/match.h"
#include "frontend/hud.h"
#include "frontend/sprite2d.h"
#include "platform/gfx/recording_device.h"
#include "platform/os/os.h"
#include "render/texture_manager.h"
#include "scene/scene.h"
#include "world/item.h"

namespace hudtest {

struct ShellState {
    Character* local = nullptr;
    int power = -1;
    Character* aimed = nullptr;
    bool lock = false;
    float dt = 0.0f;
    Vec3 eye{0, 0, -10}, target{0, 0, 0};
    std::vector<int> sounds;
    uint32_t now = 0;   // clock 0, which runs
};
inline ShellState& Shell() {
    static ShellState s;
    return s;
}

inline void InstallShell() {
    Shell() = ShellState();
    g_HudShellCalls = {
        [] { return Shell().local; },
        [] { return Shell().power; },
        [] { return Shell().aimed; },
        [] { return Shell().lock; },
        [] { return Shell().dt; },
        [] { return Shell().eye; },
        [] { return Shell().target; },
        [](int id, const Vec3*, uint32_t) {
            Shell().sounds.push_back(id);
            return 0;
        },
    };
    os::SetTimeSource([] { return Shell().now; });
    g_Clocks = ClockSet();
    g_Clocks.active = CLOCK_MATCH;
    ResetMatch();
    ResetHudRunState();
}

inline void RemoveShell() {
    g_Hud.Release();
    g_Hud.loaded = 1;
    ResetMatch();
    ResetItems();
    ResetHudRunState();
    ResetHudShellCalls();
    os::SetTimeSource({});
    g_Clocks = ClockSet();
}

// A fighter of the side at the point, level 0 with full meters and every power open.
inline void MakeFighter(Character& c, int side, const Vec3& at) {
    c.active = 1;
    c.side = side;
    c.position = at;
    c.health = c.maxHealth = 100.0f;
    c.energy = c.maxEnergy = 100.0f;
    c.experience = c.maxExperience = 100.0f;
    c.level = 0;
    c.highestUnlockedPower = 9;
}

// The device texture a HUD picture draws with.
inline const gfx::Texture* FrameOf(const Sprite2D* s) {
    const Texture* t = s && g_Scene.textures ? g_Scene.textures->Get(s->textureId) : nullptr;
    return t && t->frames ? t->frames[0] : nullptr;
}

// A drawn quad: its pixel rectangle and colours.
struct Quad {
    float left, top, right, bottom;
    uint32_t diffuse, specular;
    float u0, v0, u1, v1;
};

inline std::vector<Quad> QuadsOf(const gfx::RecordingDevice& rec, const Sprite2D* s) {
    std::vector<Quad> out;
    const gfx::Texture* frame = FrameOf(s);
    if (!frame) return out;
    struct V {
        float x, y, z, rhw;
        uint32_t diffuse, specular;
        float u, v;
    };
    for (const gfx::DrawRecord& d : rec.Draws()) {
        if (d.textures[0] != frame || d.stride != sizeof(V) || d.vertexData.size() < 3 * sizeof(V)) continue;
        V v[3];
        std::memcpy(v, d.vertexData.data(), sizeof v);
        out.push_back({v[0].x, v[0].y, v[2].x, v[2].y, v[0].diffuse, v[0].specular, v[0].u, v[0].v, v[2].u, v[2].v});
    }
    return out;
}

}  // namespace hudtest
