#include "scene/object_list.h"

#include "scene/character_model.h"
#include "scene/character_shadow.h"

#include <cstring>

#include "render/geometry.h"
#include "render/video.h"
#include "scene/scene_node.h"
#include "world/dynamic_mesh.h"

ObjectList::~ObjectList() { ObjectList::Clear(); }

void ObjectList::Init() {
    head = nullptr;
    count = 0;
}

void ObjectList::Clear() {
    ObjectListNode* node = head;
    while (node) {
        ObjectListNode* next = node->next;
        delete node;
        node = next;
    }
    head = nullptr;
    count = 0;
}

ObjectListNode* ObjectList::Add(SceneNode* object) {
    ObjectListNode* node = new ObjectListNode{object, head, nullptr};
    if (head) head->prev = node;
    head = node;
    ++count;
    return node;
}

bool ObjectList::Remove(SceneNode* object) {
    for (ObjectListNode* node = head; node; node = node->next) {
        if (node->object != object) continue;
        if (node->prev) node->prev->next = node->next;
        else head = node->next;
        if (node->next) node->next->prev = node->prev;
        delete node;
        --count;
        return true;
    }
    return false;
}

bool ObjectList::Delete(SceneNode* object) {
    const bool removed = Remove(object);
    if (removed) delete object;
    return removed;
}

bool ObjectList::Contains(SceneNode* object) const {
    for (const ObjectListNode* node = head; node; node = node->next)
        if (node->object == object) return true;
    return false;
}

SceneNode* ObjectList::FindByName(const char* name) const {
    if (!name) return nullptr;
    for (const ObjectListNode* node = head; node; node = node->next)
        if (node->object && node->object->name && std::strcmp(node->object->name, name) == 0) return node->object;
    return nullptr;
}

void ObjectList::RenderAll() {
    for (ObjectListNode* node = head; node; node = node->next)
        if (node->object) node->object->Render();
}

void ObjectList::DeleteAll() {
    // Unlinked first, so a member's destructor never sees itself still listed.
    while (head) {
        SceneNode* object = head->object;
        Remove(object);
        delete object;
    }
}

bool CollidableList::RayQuery(Ray* ray, float length, Vec3* outPoint, Vec3* outNormal, uint16_t* outType,
                              uint32_t mask) const {
    if (!ray) return false;
    bool hit = false;
    float best = 0.0f;
    for (const ObjectListNode* node = head; node; node = node->next) {
        SceneNode* member = node->object;
        if (!member || member->typeCode != NODE_TYPE_DYNAMIC_COLLIDABLE) continue;
        Vec3 p{}, n{};
        uint16_t t = 0;
        if (!CollidableMeshRayTest(member, ray, length, &p, &n, &t, mask)) continue;
        const float d = Vec3Length(Vec3Sub(p, ray->origin));
        if (d >= length || (hit && d >= best)) continue;
        hit = true;
        best = d;
        if (outPoint) *outPoint = p;
        if (outNormal) *outNormal = n;
        if (outType) *outType = t;
    }
    return hit;
}

bool CollidableList::SweepSphere(const Plane* planes, int planeCount, Vec3* outPoint, float* bestDistance,
                                 SweepContact* best, SweepContact** contacts, uint32_t mask) const {
    bool any = false;
    for (const ObjectListNode* node = head; node; node = node->next) {
        SceneNode* member = node->object;
        if (!member || member->typeCode != NODE_TYPE_DYNAMIC_COLLIDABLE) continue;
        if (CollidableMeshSweep(member, planes, planeCount, outPoint, bestDistance, best, contacts, mask)) any = true;
    }
    return any;
}

void MirrorList::ReleaseTargets() {
    for (ObjectListNode* node = head; node; node = node->next) MirrorReleaseTarget(node->object);
}
void MirrorList::RestoreTargets() {
    for (ObjectListNode* node = head; node; node = node->next) MirrorRestoreTarget(node->object);
}
void MirrorList::RenderReflections() {
    for (ObjectListNode* node = head; node; node = node->next) MirrorRenderReflection(node->object);
}

void WaterList::ReleaseTargets() {
    for (ObjectListNode* node = head; node; node = node->next) WaterReleaseTargets(node->object);
}
void WaterList::RestoreTargets() {
    for (ObjectListNode* node = head; node; node = node->next) WaterRestoreTargets(node->object);
}
void WaterList::RenderReflections() {
    for (ObjectListNode* node = head; node; node = node->next) WaterRenderReflection(node->object);
}

void CharacterModelList::RenderSortedAll() {
    for (ObjectListNode* node = head; node; node = node->next) CharacterModelRenderSorted(node->object);
}
void CharacterModelList::UpdateVisibilityAll() {
    for (ObjectListNode* node = head; node; node = node->next) CharacterModelUpdateVisibility(node->object);
}
void CharacterModelList::PoseAllUndrawn() {
    for (ObjectListNode* node = head; node; node = node->next) CharacterModelPoseUndrawn(node->object);
}
void CharacterModelList::CastShadowsAll() {
    OpenShadowBatch();
    for (ObjectListNode* node = head; node; node = node->next) CharacterModelCastShadow(node->object);
    CloseShadowBatch();
}

void ScreenSpaceList::DrawAll() {
    g_Video.SetVertexShader(SCREEN_SPACE_FVF);
    g_Video.SetBlendMode(0);
    g_Video.SetLighting(false);
    g_Video.SetWorldMatrix(&IdentityMatrix, 0, true);
    for (int s = 0; s < VIDEO_STAGES; ++s) g_Video.SetTexture(s, nullptr);
    for (ObjectListNode* node = head; node; node = node->next)
        if (node->object) node->object->Draw();
}

bool CollidableMeshRayTest(SceneNode* member, Ray* ray, float length, Vec3* outPoint, Vec3* outNormal,
                           uint16_t* outType, uint32_t mask) {
    DynamicCollidableMesh* solid = AsDynamicCollidableMesh(member);
    return solid && ray && solid->RayTest(*ray, length, outPoint, outNormal, outType, mask);
}
bool CollidableMeshSweep(SceneNode* member, const Plane* planes, int planeCount, Vec3* outPoint, float* bestDistance,
                         SweepContact* best, SweepContact** contacts, uint32_t mask) {
    DynamicCollidableMesh* solid = AsDynamicCollidableMesh(member);
    return solid && solid->SweepSphere(planes, planeCount, outPoint, bestDistance, best, contacts, mask);
}
// The mirror and water walks are in scene/mirror.cpp and scene/water.cpp.
// The list is a plain object list: only members that really are character models are asked.
static CharacterModel* AsCharacterModel(SceneNode* n) {
    return n && n->typeCode == NODE_TYPE_CHARACTER_MODEL ? static_cast<CharacterModel*>(n) : nullptr;
}
void CharacterModelRenderSorted(SceneNode* n) {
    if (CharacterModel* m = AsCharacterModel(n)) m->RenderSorted();
}
void CharacterModelUpdateVisibility(SceneNode* n) {
    if (CharacterModel* m = AsCharacterModel(n)) m->UpdateVisibility();
}
void CharacterModelPoseUndrawn(SceneNode* n) {
    if (CharacterModel* m = AsCharacterModel(n)) m->UpdatePose(false);
}
void CharacterModelCastShadow(SceneNode* n) {
    if (CharacterModel* m = AsCharacterModel(n)) m->CastShadow();
}
