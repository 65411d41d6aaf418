// The frame's static meshes grouped by material pass, then by vertex and index buffer, then by
// material, so that each buffer pair and each material pass is set once per frame. Meshes whose
// material blends go face by face to the sorted render queue instead.
#pragma once

#include <cstdint>
#include <vector>

class Mesh;
class RenderQueue;

// Materials may have more passes than this; the later ones are not batched.
constexpr int RENDER_BATCH_PASSES = 4;

struct BatchMaterialGroup {
    int32_t materialId = -1;
    std::vector<Mesh*> meshes;   // in the order added
};

struct BatchBufferGroup {
    int32_t vertexBufferId = -1;
    int32_t indexBufferId = -1;
    std::vector<BatchMaterialGroup> materials;
};

struct BatchPassList {
    std::vector<BatchBufferGroup> groups;
};

// Uses the scene's material table (g_Scene.materials) and buffer tables (g_SceneVertexBuffers,
// g_SceneIndexBuffers).
class RenderBatches {
public:
    BatchPassList passes[RENDER_BATCH_PASSES];
    // Where blended meshes are queued; the scene container sets it to its render queue.
    RenderQueue* queue = nullptr;

    RenderBatches() = default;
    ~RenderBatches() { Clear(); }
    RenderBatches(const RenderBatches&) = delete;
    RenderBatches& operator=(const RenderBatches&) = delete;

    void Add(Mesh* mesh);
    void Draw();
    void Clear();
};
