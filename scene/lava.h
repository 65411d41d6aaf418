// A static lava surface of a scenario: its triangles drawn three times with the scenario's lava
// textures, each layer scrolled by the match clock at its own speed so that the surface flows.
// Also the record and buffer readers that lava, water and mirrors share.
#pragma once

#include <cstdint>
#include <vector>

#include "common/math.h"
#include "scene/scene_node.h"

class BinaryReader;
class IndexBuffer;
class VertexBuffer;

// Bytes of the fixed lava and water records.
constexpr uint32_t LAVA_RECORD_SIZE = 36;
constexpr int SURFACE_LAYERS = 3;
// Usage of the buffers a scene file creates: write-only.
constexpr uint32_t SURFACE_BUFFER_USAGE = 8;

// The table id of a material number of the file, or -1 when the number is out of range.
int32_t MaterialFromIndex(const std::vector<int32_t>& materialIds, uint32_t index);
// One vertex block and one index block into newly made buffers. False (logged) when a block is
// malformed; a buffer the device refused still leaves the reader at the next block.
bool ReadSurfaceBuffers(BinaryReader& in, VertexBuffer** vertices, IndexBuffer** indices, const char* who);
void FreeSurfaceBuffers(VertexBuffer** vertices, IndexBuffer** indices);
// "Texturas\Escenarios\Escenario%02d\" of the current scenario followed by the file name, loaded
// with one added reference; -1 when it does not load.
int32_t LoadScenarioTexture(const char* fileName);
// Identity with a 2D translation; texture coordinates enter as (u, v, 1, 0), so it sits in the
// third row.
Mat4 TextureScrollMatrix(float u, float v);
// The box (min x, y, z, max x, y, z) in the current camera's view.
bool SurfaceBoxVisible(const float box[6]);

class LavaNode : public SceneNode {
public:
    uint32_t triangleCount = 0;
    float box[6] = {0, 0, 0, 0, 0, 0};
    int32_t materialId = -1;
    int32_t layers[SURFACE_LAYERS] = {-1, -1, -1};
    VertexBuffer* vertexBuffer = nullptr;
    IndexBuffer* indexBuffer = nullptr;

    LavaNode() = default;
    ~LavaNode() override;

    void Release() override;
    bool Draw() override;
    // The 36-byte record and its vertex and index blocks after a type 0x802 object record.
    // False (logged) on a short record or a malformed block.
    virtual bool Load(BinaryReader& in, const std::vector<int32_t>& materialIds);
};
