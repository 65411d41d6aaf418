#include "effects/effect_group.h"

#include "common/math.h"
#include "render/render_queue.h"
#include "scene/camera.h"
#include "scene/scene.h"

EffectGroup::EffectGroup()
    : flags(0), drawMode(0), children(nullptr), childCount(0), cullBox{}, cullBoxOn(0), cullDistance(0.0f),
      cullDistanceOn(0) {
    kind = KIND_EFFECT_GROUP;
    finished = 1;
}

EffectGroup::~EffectGroup() { EffectGroup::Release(); }

void EffectGroup::Release() {
    for (uint32_t i = 0; i < childCount; ++i) delete children[i];
    delete[] children;
    children = nullptr;
    childCount = 0;
    x = y = z = 0.0f;
    flags = 0;
    drawMode = 0;
    finished = 1;
}

bool EffectGroup::Init(float px, float py, float pz, uint32_t count, uint32_t removal, uint32_t mode) {
    // A second Init would strand the children of the first.
    if (children) Release();
    children = count ? new PositionedObject*[count]() : nullptr;
    childCount = count;
    x = px;
    y = py;
    z = pz;
    flags = removal;
    drawMode = mode;
    finished = 0;
    cullBoxOn = 0;
    return true;
}

int32_t EffectGroup::Add(PositionedObject* child) {
    if (!child) return -1;
    uint32_t place = 0;
    while (place < childCount && children[place]) ++place;
    if (place == childCount) return -1;
    children[place] = child;
    Vec3 at{};
    child->GetPosition(&at);
    child->SetPosition(Vec3Add(Vec3{x, y, z}, at));
    return int32_t(place);
}

void EffectGroup::SetPosition(const Vec3& p) {
    const Vec3 offset = Vec3Sub(p, Vec3{x, y, z});
    x = p.x;
    y = p.y;
    z = p.z;
    for (uint32_t i = 0; i < childCount; ++i) {
        if (!children[i]) continue;
        Vec3 at{};
        children[i]->GetPosition(&at);
        children[i]->SetPosition(Vec3Add(at, offset));
    }
}

void EffectGroup::SetCullBoxOn(bool on) { cullBoxOn = on ? 1 : 0; }

void EffectGroup::SetCullBox(const AxisBox& box) {
    cullBox = box;
    cullBoxOn = 1;
}

void EffectGroup::EnableCullDistance() { cullDistanceOn = 1; }

void EffectGroup::SetCullDistance(float distance) {
    cullDistance = distance;
    cullDistanceOn = 1;
}

bool EffectGroup::IsVisible() const {
    const Camera* camera = g_Scene.camera;
    if (!cullBoxOn || !camera) return true;
    if (!camera->BoxVisible(cullBox)) return false;
    if (!cullDistanceOn) return true;
    // Beyond the cut square to the view direction cullDistance ahead of the eye.
    const Vec3 view = camera->GetDirection();
    const Vec3 cut = Vec3Add(camera->GetEye(), Vec3Scale(view, cullDistance));
    return Vec3Dot(view, Vec3Sub(Vec3{x, y, z}, cut)) <= 0.0f;
}

int EffectGroup::Update(uint32_t dtMs) {
    const int removal = (flags & REMOVE_WHEN_FINISHED) ? 1 : 0;
    if (finished) return removal;
    // Out of view the group freezes: its children's lifetimes do not advance.
    if (!IsVisible()) return 0;
    bool alive = false;
    for (uint32_t i = 0; i < childCount; ++i) {
        PositionedObject* child = children[i];
        if (!child) continue;
        if (child->Update(dtMs) == 1) {
            delete child;
            children[i] = nullptr;
        } else if (!child->IsFinished()) {
            alive = true;
        }
    }
    if (alive) return 0;
    finished = 1;
    return removal;
}

bool EffectGroup::Queue() {
    if (finished) return false;
    if (!IsVisible()) return true;
    if (drawMode & GROUP_QUEUE_WHOLE) {
        if (g_Scene.renderQueue) g_Scene.renderQueue->AddEffectGroup(this);
        return true;
    }
    for (uint32_t i = 0; i < childCount; ++i)
        if (children[i]) children[i]->Queue();
    return true;
}

bool EffectGroup::Render() {
    if (finished) return false;
    for (uint32_t i = 0; i < childCount; ++i)
        if (children[i]) children[i]->Render();
    return true;
}
