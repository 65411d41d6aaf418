// Light sprites drawn over the finished scene: a glow is one textured square centred on a world
// point, sized as a fraction of the screen width, fading in while its point is in view and not
// hidden by collision geometry. Drawn by the effect list's screen-space pass.
#pragma once

#include <cstdint>
#include <cstdio>

#include "common/math.h"
#include "effects/positioned_object.h"

class BinaryReader;

constexpr uint32_t GLOW_KIND = KIND_GLOW;
constexpr uint32_t GLOW_LOADED_FADE_MS = 300;
// Bytes after the node header of a glow record: size, red, green, blue, texture number.
constexpr uint32_t GLOW_TAIL_SIZE = 20;
// Where the node header keeps the position glows and flares take.
constexpr uint32_t NODE_HEADER_POSITION_OFFSET = 436;
// Offsets inside the 276-byte object record.
constexpr uint32_t Y3D_RECORD_SIZE_BYTES = 276;
constexpr uint32_t Y3D_RECORD_TYPE_OFFSET = 256;
constexpr uint32_t Y3D_RECORD_NEXT_OFFSET = 272;
constexpr uint32_t Y3D_TYPE_GLOW = 0x700;
constexpr uint32_t Y3D_TYPE_FLARE = 0x400;

// Below this an intensity counts as nothing to draw.
constexpr float GLOW_MIN_INTENSITY = 0.0001f;

// Where a world point lands on the screen through the current camera.
struct ScreenPoint {
    float x, y, depth, rhw;
};
bool ProjectToScreen(const Vec3& point, ScreenPoint* out);
// Width and height of the screen rectangle (right and bottom inclusive).
float SpriteScreenWidth();
float SpriteScreenHeight();

// Draws the square of edge s centred at (cx, cy) with the texture (an id of the scene's texture
// table, -1 = none), cut to the screen with its texture coordinates; nothing when it lies off
// the screen or rhw <= 0. True when it drew.
bool DrawScreenSquare(float cx, float cy, float s, float depth, float rhw, uint32_t colour, int32_t texture);
// One pretransformed rectangle as two triangles with the texture in stage 0 (MODULATE of
// texture and diffuse) and stage 1 off.
bool DrawScreenRect(float left, float top, float right, float bottom, float u0, float v0, float u1, float v1,
                    float depth, float rhw, uint32_t colour, int32_t texture);
// Colour channels scaled by the intensity (truncated), alpha 0xFF.
uint32_t ScaleColour(uint32_t colour, float intensity);

// Whether collision geometry lies on the segment from the eye to the point. The scene's
// collision octree answers unless tests script it; null restores the octree.
using SightBlockedTest = bool (*)(const Vec3& eye, const Vec3& point);
void SetSightBlockedTest(SightBlockedTest test);
bool SightBlocked(const Vec3& eye, const Vec3& point);

// One fade step: up while the point is in view and unblocked, down otherwise, clamped to 0..1.
float StepFade(float intensity, const Vec3& point, uint32_t dtMs, uint32_t fadeMs);

// Writes a 276-byte object record of the type whose next-record offset is filled in once the
// record's tail is written (EndObjectRecord). False on a write failure.
bool BeginObjectRecord(std::FILE* file, const char* name, uint32_t type, long* start);
bool EndObjectRecord(std::FILE* file, long start);
// A 573-byte node header carrying only the name, type code and position.
bool WriteNodeHeader(std::FILE* file, const char* name, uint32_t type, const Vec3& position);
// Reads a 573-byte node header; false (logged) on a short read. Position from its position field.
bool ReadNodeHeader(BinaryReader& in, Vec3* position, const char* who);

class GlowNode : public PositionedObject {
public:
    uint32_t colour;
    float intensity;
    uint32_t fadeTime;
    float size;
    int32_t texture;

    GlowNode();
    ~GlowNode() override = default;

    void Release() override;
    int Update(uint32_t dtMs) override;
    bool Render() override;
    // Appends the glow to an open model file as a record of type 0x700 that LoadFromNode reads
    // back (the object record, a node header with the position, then the 20-byte tail).
    bool Load(std::FILE* file) override;

    void Init(float px, float py, float pz, uint32_t colour, uint32_t fadeTime, float size, int32_t texture);
    // The node header and 20-byte tail after a type 0x700 object record. False (logged) on a
    // short read; the texture id is then -1. The reader is left at the next record.
    bool LoadFromNode(BinaryReader& in);
};
