// Horizontal water surfaces at one of three qualities: 1, three scrolling texture layers; 2, the
// scene reflected in the water level under the same layers; 3, the reflection distorted by a
// rotating bump map. The adapter decides the best level, capped by CALIDAD_AGUA.
#pragma once

#include <cstdint>
#include <vector>

#include "common/math.h"
#include "scene/scene_node.h"

class BinaryReader;
class Camera;
class IndexBuffer;
class VertexBuffer;
namespace gfx {
class Surface;
class Texture;
}  // namespace gfx

constexpr uint32_t WATER_RECORD_SIZE = 36;
constexpr uint32_t WATER_TARGET_REQUEST = 512;
// Files older than this carry a collision mesh after the water's buffers.
constexpr uint16_t WATER_COLLISION_BELOW_VERSION = 320;

// The level the adapter allows (3 with bump mapping and reflection targets, 2 with reflection
// targets, else 1), lowered to CALIDAD_AGUA when that is set and not above it.
uint8_t ChooseWaterQuality();

// The projective matrix that maps camera-space positions onto the reflection texture, for a
// reflection camera with this projection.
Mat4 WaterProjectiveMatrix(const Mat4& projection);

class WaterObject : public SceneNode {
public:
    uint32_t triangleCount = 0;
    float level = 0.0f;
    float box[6] = {0, 0, 0, 0, 0, 0};
    int32_t materialId = -1;
    Camera* reflectionCamera = nullptr;
    gfx::Texture* texture = nullptr;
    gfx::Surface* depthSurface = nullptr;
    uint32_t targetSize = 0;
    int32_t bumpTexture = -1;
    int32_t layers[3] = {-1, -1, -1};
    VertexBuffer* vertexBuffer = nullptr;
    IndexBuffer* indexBuffer = nullptr;
    uint8_t quality = 1;

    WaterObject() = default;
    ~WaterObject() override;

    void Release() override;
    bool Draw() override;
    // The 36-byte record, its vertex and index blocks and, in files older than version 320, a
    // collision mesh that is read and dropped. False (logged) on a short record or a malformed
    // block.
    virtual bool Load(BinaryReader& in, const std::vector<int32_t>& materialIds);
    virtual void RenderReflection();

    bool CreateTargets(uint32_t size);
    void ReleaseTargets();
    void LoadBumpTexture();
};
