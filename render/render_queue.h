// Draws that must wait for the opaque world: fading models, dynamic meshes, effects and the
// single triangles of blended meshes. Each is queued as a small command with its squared
// distance to the camera eye and drawn back to front when the queue is flushed. The queue owns
// the commands, not the things they draw: those must stay alive until the flush.
#pragma once

#include <cstdint>

#include "common/math.h"

class CharacterModel;
class DynamicMesh;
class Mesh;
class PositionedObject;

enum RenderQueueKind : uint8_t {
    RQ_MODEL = 1,
    RQ_MESH_FACE = 2,
    RQ_SPRITE_MOVER = 3,
    RQ_GLOW_MOTES = 4,
    RQ_PARTICLE_EMITTER = 5,
    RQ_EFFECT_GROUP = 6,
    RQ_SPARKS = 7,
    RQ_DYNAMIC_MESH = 8,
};

class DrawCommand {
public:
    virtual ~DrawCommand() = default;
    virtual void Execute() = 0;
};

struct RenderQueueEntry {
    DrawCommand* command;   // owned
    uint8_t kind;
    float distance;         // squared, from the camera eye
};

// One face of a blended mesh's collision mesh, as the queue tests it.
constexpr uint32_t kQueuedFaceMaxVertices = 8;
struct QueuedFace {
    uint32_t vertexCount;   // at most kQueuedFaceMaxVertices
    Vec3 vertices[kQueuedFaceMaxVertices];
    Vec3 normal;
};

class RenderQueue {
public:
    RenderQueueEntry* entries;
    uint32_t count;
    uint32_t capacity;

    static constexpr uint32_t kGrowth = 100;

    RenderQueue() : entries(nullptr), count(0), capacity(0) {}
    ~RenderQueue() { Free(); }
    RenderQueue(const RenderQueue&) = delete;
    RenderQueue& operator=(const RenderQueue&) = delete;

    bool AddModel(CharacterModel* model);
    // False, with nothing queued, when the mesh has no collision face `triangle`.
    bool AddMeshFace(Mesh* mesh, uint32_t triangle, uint32_t triangleCount);
    // The tests and the queueing of a face already read from the collision mesh; true also
    // when the face is culled and nothing is queued.
    bool AddFace(Mesh* mesh, uint32_t triangle, uint32_t triangleCount, const QueuedFace& face);
    bool AddSpriteMover(PositionedObject* object) { return AddObject(object, RQ_SPRITE_MOVER); }
    bool AddGlowMotes(PositionedObject* object) { return AddObject(object, RQ_GLOW_MOTES); }
    bool AddParticleEmitter(PositionedObject* object) { return AddObject(object, RQ_PARTICLE_EMITTER); }
    bool AddEffectGroup(PositionedObject* object) { return AddObject(object, RQ_EFFECT_GROUP); }
    bool AddSparks(PositionedObject* object) { return AddObject(object, RQ_SPARKS); }
    bool AddDynamicMesh(DynamicMesh* mesh);

    // Sorts and draws; the entries stay until Clear. Returns the number of entries.
    uint32_t Flush();
    // Deletes every command; the array is kept for the next frame.
    void Clear();
    // Deletes every command and frees the array.
    void Free();

    void SortBackToFront(int32_t lo, int32_t hi);

private:
    bool AddObject(PositionedObject* object, uint8_t kind);
    // Takes the command; deletes it when it cannot be stored.
    bool Append(DrawCommand* command, uint8_t kind, float distance);
};

// Squared distance from the current camera's eye (the origin without a camera).
float SquaredDistanceToEye(const Vec3& p);

// Seams into classes of other subsystems.
void DrawCharacterModel(CharacterModel* model);
uint32_t MeshCollisionFaceCount(const Mesh* mesh);
bool MeshCollisionFace(const Mesh* mesh, uint32_t index, QueuedFace* out);
void MeshDrawOffset(Mesh* mesh, uint32_t triangle, uint32_t triangleCount);
// A queued movable mesh: its position, and its own draw.
bool DynamicMeshPosition(const DynamicMesh* mesh, Vec3* out);
void DrawDynamicMesh(DynamicMesh* mesh);
