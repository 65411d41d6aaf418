// The static geometry's draw tree: an octree whose leaves name runs of mesh ids; each frame it
// hands the meshes of the leaves the camera sees to the render batches.
#pragma once

#include <cstdint>

#include "scene/octree.h"

class Camera;
class MeshTable;
class RenderBatches;

// The scene's mesh table and render batches; the scene container sets them while it owns
// them, null otherwise.
extern MeshTable* g_SceneMeshTable;
extern RenderBatches* g_SceneRenderBatches;

class RenderOctree : public Octree {
public:
    uint32_t polygonCount = 0;   // polygons of the whole tree (the root's count)

    RenderOctree() = default;
    ~RenderOctree() override;

    void Clear() override;
    // The render-octree block at the reader; firstMeshId is added to every leaf's first mesh.
    // False (tree left empty) on a short or inconsistent block.
    bool Read(BinaryReader& in, int32_t firstMeshId);

    // Collects the visible leaves' meshes into the scene's batches; draws nothing itself.
    void Draw();
    void Collect(const Camera& camera, const MeshTable& meshes, RenderBatches* batches) const;
    // Draws the tree's boxes for the octree debug switch.
    void DrawDebug() { DebugDraw(); }

private:
    void CollectVisible(int32_t node, const Camera& camera, const MeshTable& meshes, RenderBatches* batches) const;
};
