// A stain laid on the world's collision faces (scorch marks, impact stains): the faces near a box
// that face the projection are cut into triangles once, with planar texture coordinates around
// the box centre; the decal then fades in, holds, fades out and may fade with the camera distance.
// The scene's decal list draws them with a depth bias so they win against the ground they lie on.
#pragma once

#include <cstdint>
#include <vector>

#include "common/math.h"
#include "effects/effect_list.h"
#include "effects/positioned_object.h"

class CollisionMesh;

// Room for 2048 triangles.
constexpr uint32_t DECAL_MAX_VERTICES = 6144;
// Octree leaves a projection searches at most.
constexpr uint32_t DECAL_MAX_LEAVES = 128;
constexpr uint8_t DECAL_DISTANCE_FADE = 1;
constexpr uint32_t DECAL_DEPTH_BIAS = 16;

// The caller's box; Project writes the two corners.
struct DecalBox {
    Vec3 centre{};
    float size = 0.0f;
    Vec3 boxMax{};
    Vec3 boxMin{};
};

class Decal : public PositionedObject {
public:
    Decal();
    ~Decal() override;

    void Release() override;
    // Ages the decal; 1 once it is past its lifetime or holds nothing.
    int Update(uint32_t dtMs) override;
    // Appends its triangles to the scene's dynamic buffer at this frame's grey level.
    bool Render() override;

    // Gathers the faces of the scene's collision tree near the box that do not face away from the
    // direction (a zero direction rejects none); true when any triangle was gathered.
    bool Project(DecalBox* box, const Vec3& direction, int32_t textureId, uint32_t lifetimeMs, uint32_t fadeInMs,
                 uint32_t fadeOutMs, float nearDistance, float farDistance, uint32_t flagBits);
    // One face as a fan of triangles; a face that does not fit whole is dropped.
    void AddFace(const CollisionMesh& mesh, size_t group, size_t face, const DecalBox& box);
    // The grey level 0-255 this frame, before the distance fade.
    uint32_t FadeLevel() const;

    std::vector<Vec3> vertices;
    std::vector<float> texCoords;   // u, v per vertex
    uint32_t vertexCount;
    int32_t texture;
    uint32_t lifetime;
    uint32_t fadeInTime;
    uint32_t fadeOutTime;
    uint32_t age;
    float fadeNear, fadeFar;
    uint8_t flags;
};

// The scene's second effect list: every decal, drawn clamped, at blend preset 3, pulled toward the
// eye by the depth bias.
class DecalList : public EffectList {
public:
    bool Draw() override;
};

// A stain of the texture (its path) on the faces around the centre; false when the scene has no
// decal list or nothing lies there to stain. With fog the stain fades out by the fog's middle.
bool CreateSceneDecal(const char* texturePath, const Vec3& centre, float size, const Vec3& direction,
                      uint32_t lifetimeMs, uint32_t fadeInMs, uint32_t fadeOutMs);
