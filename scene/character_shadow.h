// Stencil shadow volumes of the characters: a low-detail skinned mesh per model, skinned on the
// processor each frame, whose silhouette along the shadow direction is extruded to the ground
// and counted into the stencil buffer; one full-screen quad then darkens the counted pixels.
#pragma once

#include <cstdint>
#include <vector>

#include "common/math.h"

class BinaryReader;
class CharacterModel;

constexpr uint32_t SHADOW_MAX_VOLUME = 64000;          // volume vertices, three per triangle
constexpr uint32_t Y3D_OBJECT_SHADOW_MESH = 0x610;
constexpr float SHADOW_CAST_RANGE = 40.0f;             // from the eye
constexpr float SHADOW_GROUND_RAY = 1000.0f;
// With no ground within the ray's reach the volume runs as far as the ray did.
constexpr float SHADOW_NO_GROUND_LENGTH = SHADOW_GROUND_RAY;
constexpr uint32_t SHADOW_VERTEX_RECORD_SIZE = 20;
constexpr uint32_t SHADOW_INFLUENCE_SIZE = 8;

struct ShadowInfluence {
    uint8_t bone;
    float weight;
};

struct ShadowVertex {
    Vec3 position;                            // bind pose
    std::vector<ShadowInfluence> influences;
};

class ModelLoader {
public:
    std::vector<Vec3> volume;                 // the frame's extruded volume; at most SHADOW_MAX_VOLUME
    uint32_t volumeCount = 0;
    std::vector<uint16_t> triangles;          // three vertex indices per triangle
    uint32_t triangleCount = 0;
    std::vector<ShadowVertex> vertices;
    uint32_t vertexCount = 0;
    std::vector<Mat4> inverseBinds;           // one per bone of the owning model
    // Of the last BuildShadowVolume: the direction, the extrusion length and the silhouette.
    Vec3 direction{};
    float length = 0.0f;
    std::vector<uint16_t> edges;              // pairs
    uint32_t edgeCount = 0;
    uint32_t distinctEdgeCount = 0;           // undirected edges of the mesh

    ModelLoader() = default;
    ~ModelLoader() { Release(); }
    ModelLoader(const ModelLoader&) = delete;
    ModelLoader& operator=(const ModelLoader&) = delete;

    void Release();
    void BuildEdgeTable();
    // Packs the vertices' positions and their counted influences for SkinAll.
    void BuildInfluenceTable();
    void BuildShadowVolume(CharacterModel* model);
    void DrawShadowVolume();

    // The skinned position of shadow vertex v in the model's current pose.
    Vec3 SkinVertex(const CharacterModel& model, uint32_t v) const;

private:
    // Kept between frames so that a frame allocates nothing once the sizes settle.
    // A skinned position in four lanes, the fourth unused, so that whole points load and subtract
    // as one vector.
    struct alignas(16) SkinnedPoint {
        float c[4];
    };
    std::vector<SkinnedPoint> skinned_;
    std::vector<Mat4> boneMatrices_;          // inverse bind times the bone's world matrix
    static constexpr uint8_t kProjectingBone = 1, kAffineBone = 2;
    std::vector<uint8_t> boneUsable_;         // 0, or how the bone's matrix transforms
    // Built with the mesh. Across the edge from each triangle corner (to the next corner): the
    // other triangle, where exactly two share the edge, else the corner's own triangle. The edges
    // of one triangle or of three and more apart, with their corners in triangle order: edge e's
    // from otherStart_[e] to otherStart_[e + 1], each with its triangle and the edge as it holds it.
    std::vector<uint32_t> neighbours_;
    struct EdgeSide {
        uint32_t triangle;
        uint16_t from, to;
    };
    std::vector<uint32_t> otherStart_;
    std::vector<EdgeSide> otherSides_;
    std::vector<uint8_t> facing_;             // per triangle, whether the frame toggles its edges
    // Built with the mesh, so that skinning walks two flat arrays rather than a list per vertex:
    // the bind positions, and every vertex's influences of weight worth counting one after another,
    // vertex v's from influenceStart_[v] to influenceStart_[v + 1].
    std::vector<Vec3> bindPositions_;
    std::vector<uint32_t> influenceStart_;
    std::vector<ShadowInfluence> packedInfluences_;
    bool bindFinite_ = true;                  // no bind coordinate infinite or NaN
    uint32_t maxInfluenceBone_ = 0;           // the highest bone among packedInfluences_

    void SkinAll(const CharacterModel& model);
    void MarkFacing();
    void CollectSilhouette();
    template <bool kAllAffine>
    void SkinRange(size_t bones);
};

// Reads a shadow model for a model whose skeleton is loaded. Refused (false, loader emptied): a
// missing file, a bad header, no shadow mesh, counts the entry cannot hold, a triangle index
// outside the vertices, an influence on a bone the skeleton lacks.
bool LoadModel(ModelLoader* loader, const char* fileName, CharacterModel* model);
// The same from a whole file at the reader.
bool LoadModel(ModelLoader* loader, BinaryReader& in, CharacterModel* model);

// Shadow models shared by copied characters through a reference count.
class ModelLoaderList {
public:
    struct Node {
        ModelLoader* loader;
        Node* next;
        Node* previous;
        int32_t refCount;
    };
    Node* first = nullptr;
    uint32_t count = 0;

    ModelLoaderList() = default;
    ~ModelLoaderList() { Clear(); }
    ModelLoaderList(const ModelLoaderList&) = delete;
    ModelLoaderList& operator=(const ModelLoaderList&) = delete;

    ModelLoader* Create();
    bool AddRef(ModelLoader* loader);
    // True when the last reference went and the loader was deleted.
    bool Release(ModelLoader* loader);
    void Clear();
    int32_t RefCount(const ModelLoader* loader) const;
};

extern ModelLoaderList g_ModelLoaders;

// Removes (a, b) or (b, a) when listed, searching from the end and moving the last entry into its
// place; else appends (a, b). The caller gives room for one more pair.
void ToggleEdge(uint16_t* edges, uint32_t* count, uint16_t a, uint16_t b);

// The model's shadow into the stencil buffer: only at full alpha, visible, with a shadow model,
// in the camera's view and nearer the eye than SHADOW_CAST_RANGE. True. While a batch is open the
// volume is kept and counted when the batch closes.
bool CastCharacterShadow(CharacterModel* model);
// Between the two, the characters' volumes are counted into the stencil buffer all together, in
// one pair of draws rather than a pair per character.
void OpenShadowBatch();
void CloseShadowBatch();

// Darkens every pixel whose stencil count is at least 1 with black of the given alpha.
void DrawCharacterShadowOverlay(uint8_t darkness);
// The current scenario's shadow darkness; 0 (no visible shadow) until the scenario table row
// carries the byte.
uint8_t CurrentShadowDarkness();
