// The linked lists of scene nodes behind the scene's manager lists. A list owns its nodes, not
// its members; walks go from the head, so the member added last is visited first.
#pragma once

#include <cstdint>

#include "common/math.h"

class SceneNode;
struct Plane;
struct Ray;
struct SweepContact;

struct ObjectListNode {
    SceneNode* object;
    ObjectListNode* next;
    ObjectListNode* prev;
};

class ObjectList {
public:
    ObjectListNode* head = nullptr;
    uint32_t count = 0;

    ObjectList() = default;
    // Frees the nodes; the members are left alone.
    virtual ~ObjectList();
    ObjectList(const ObjectList&) = delete;
    ObjectList& operator=(const ObjectList&) = delete;

    // Empty, without freeing anything.
    virtual void Init();
    // Frees every node, not the members.
    virtual void Clear();
    // A new node at the front.
    virtual ObjectListNode* Add(SceneNode* object);
    // Unlinks the first node (from the head) holding the pointer; false when none does.
    virtual bool Remove(SceneNode* object);
    // Remove, then the member is deleted when it was found.
    virtual bool Delete(SceneNode* object);
    virtual bool Contains(SceneNode* object) const;
    // The first member whose name equals the text exactly; unnamed members never match.
    virtual SceneNode* FindByName(const char* name) const;
    // Each member's Render, from the head.
    virtual void RenderAll();

    // Deletes every member and frees the nodes: for the lists whose members the scene's own
    // loaders made.
    void DeleteAll();
};

// The dynamic collidable meshes.
class CollidableList : public ObjectList {
public:
    ~CollidableList() override = default;
    // Nearest hit, to the ray's origin, of the members of type code 3 within the length.
    bool RayQuery(Ray* ray, float length, Vec3* outPoint, Vec3* outNormal, uint16_t* outType,
                  uint32_t mask) const;
    // Each member of type code 3 with the same running best distance, contact and contact list;
    // true when any reported a contact.
    bool SweepSphere(const Plane* planes, int planeCount, Vec3* outPoint, float* bestDistance, SweepContact* best,
                     SweepContact** contacts, uint32_t mask) const;
};

class MirrorList : public ObjectList {
public:
    ~MirrorList() override = default;
    void ReleaseTargets();
    void RestoreTargets();
    // Each mirror's reflected view into its target.
    void RenderReflections();
};

class WaterList : public ObjectList {
public:
    ~WaterList() override = default;
    void ReleaseTargets();
    void RestoreTargets();
    // Each water surface's reflection render.
    void RenderReflections();
};

class CharacterModelList : public ObjectList {
public:
    ~CharacterModelList() override = default;
    virtual void RenderAllModels() { ObjectList::RenderAll(); }
    // Each model's sorted render (the water reflection).
    virtual void RenderSortedAll();
    // Before drawing: each model's visibility.
    void UpdateVisibilityAll();
    // In place of a draw (a minimised window): each model's root motion and pose matrix, which
    // the fighters read, without posing the bones.
    void PoseAllUndrawn();
    // Each model's stencil shadow volume.
    void CastShadowsAll();
};

// Pretransformed position, diffuse and specular colours, one texture coordinate pair.
constexpr uint32_t SCREEN_SPACE_FVF = 0x1C4;

class ScreenSpaceList : public ObjectList {
public:
    ~ScreenSpaceList() override = default;
    // Sets the screen-space states, then each member's Draw from the head.
    virtual void DrawAll();
};

// The movable solid members (type code 3) answer these; any other member gives false.
bool CollidableMeshRayTest(SceneNode* member, Ray* ray, float length, Vec3* outPoint, Vec3* outNormal,
                           uint16_t* outType, uint32_t mask);
bool CollidableMeshSweep(SceneNode* member, const Plane* planes, int planeCount, Vec3* outPoint, float* bestDistance,
                         SweepContact* best, SweepContact** contacts, uint32_t mask);
// The mirror, water and character-model lists' walks: each asks a member of its own kind (mirror.cpp,
// water.cpp, object_list.cpp) and passes over any other member.
void MirrorReleaseTarget(SceneNode* mirror);
void MirrorRestoreTarget(SceneNode* mirror);
void MirrorRenderReflection(SceneNode* mirror);
void WaterReleaseTargets(SceneNode* water);
void WaterRestoreTargets(SceneNode* water);
void WaterRenderReflection(SceneNode* water);
void CharacterModelRenderSorted(SceneNode* model);
void CharacterModelUpdateVisibility(SceneNode* model);
void CharacterModelPoseUndrawn(SceneNode* model);
void CharacterModelCastShadow(SceneNode* model);
