// A lens flare: up to twenty textured squares along the line from the screen centre through a
// light's screen position, and a grey full-screen brightening while the light is near the
// centre. Fades like a glow and draws in the effect list's screen-space pass.
#pragma once

#include <cstdint>
#include <cstdio>

#include "effects/positioned_object.h"

class BinaryReader;

constexpr uint32_t FLARE_KIND = KIND_FLARE;
constexpr int FLARE_SLOTS = 20;
constexpr uint32_t FLARE_FADE_MS = 600;

class FlareNode : public PositionedObject {
public:
    uint8_t enabled[FLARE_SLOTS];
    uint32_t colour[FLARE_SLOTS];
    float size[FLARE_SLOTS];
    int32_t texture[FLARE_SLOTS];
    float place[FLARE_SLOTS];   // 1 at the light, 0 at the screen centre, negative beyond it
    float intensity;
    uint32_t fadeTime;

    FlareNode();
    ~FlareNode() override = default;

    void Release() override;
    int Update(uint32_t dtMs) override;
    bool Render() override;
    // Appends the flare to an open model file as a record of type 0x400 named "(FLARE)" followed
    // by a node header with the position, which LoadFromNode reads back.
    bool Load(std::FILE* file) override;

    void Init(float px, float py, float pz);
    // The node header after a type 0x400 object record; false (logged) on a short read.
    bool LoadFromNode(BinaryReader& in);
};
