// What the world-space effects share to draw textured quads through the scene's dynamic vertex
// buffer: the vertex, the distance fade, the on-screen angle of a direction, the fixed facing
// frame, the orbit rotation and the quad's corners.
#pragma once

#include <cstdint>

#include "common/math.h"

class AnimatedTexture;
namespace gfx { class Texture; }

// The 24-byte vertex of the world-space effects.
struct EffectVertex {
    float x, y, z;
    uint32_t colour;   // ARGB
    float u, v;
};
static_assert(sizeof(EffectVertex) == 24, "the dynamic buffer's stride");

// Vertices of one quad: triangles (A, B, C) and (A, C, D).
constexpr uint32_t QUAD_VERTICES = 6;

// The unit vector along v, or zero when v is shorter than 0.000001.
Vec3 UnitOrZero(const Vec3& v);

// Sets the dynamic buffer's vertex format and stream 0; false without a device or buffer.
bool BindEffectBuffer();

// 1 nearer than fadeNear, 0 beyond fadeFar, linear between. Equal distances make a step there.
float DistanceFade(float distance, float fadeNear, float fadeFar);
// The colour faded by f: red, green and blue under blend preset 2 (alpha kept), otherwise
// alpha (colour kept); products truncated.
uint32_t FadeColour(uint32_t colour, float f, uint8_t blendMode);

// The on-screen angle of a world direction: arccos of its view-space y once x and y are
// normalised (both 0 when too short), negated when x < 0.
float ScreenAngleOf(const Vec3& direction, const Mat4& view);

// The frame of a quad that faces `facing` (any length): the inverted matrix with columns
// b, a, d, where d is the unit facing, a = d x (0, 0, -1) and b = d x a. The identity for
// (0, 0, -1) and for a zero facing.
Mat4 FacingFrame(const Vec3& facing);

// The axes a frame takes a quad's x and y offsets to (its first two rows).
Vec3 FrameXAxis(const Mat4& frame);
Vec3 FrameYAxis(const Mat4& frame);

// The point turned by angle radians about centre around the unit axis.
Vec3 RotateAbout(const Vec3& point, const Vec3& centre, const Vec3& axis, float angle);

// The device texture of a texture id (frame of the handle, or frame 0), null for none.
gfx::Texture* EffectTexture(int32_t texture, const AnimatedTexture* animated);

// A quad of edge `size` around centre, turned by angle, spanned by the x and y axes, written
// as six vertices with uv A (0, 0), B (0, 1), C (1, 1), D (1, 0).
void WriteQuad(EffectVertex* out, const Vec3& centre, float size, float angle, const Vec3& xAxis,
               const Vec3& yAxis, uint32_t colour);

// The states of a batch of quads in the dynamic buffer (pending vertices flushed first): its
// format and stream, triangle lists, lighting off, plain texture coordinates, culling as asked,
// stage 0 MODULATE of the texture and the diffuse colour, stage 1 off, the blend preset and the
// identity world.
void SetQuadBatchStates(gfx::Texture* texture, uint8_t blendMode, bool culling);

// Progress through a curve segment of `length` ms after `into` ms: 1 for a segment of no length,
// kept within 0..1.
float SegmentProgress(float into, float length);
