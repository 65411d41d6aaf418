#include "scene/bone.h"

#include <cmath>

#include "render/debug_draw.h"
#include "scene/anim_controller.h"
#include "scene/animation.h"
#include "scene/character_model.h"
#include "scene/y3d_loader.h"
#include "core/debug_log.h"
#include "core/frame_stats.h"

namespace {

Mat4 StretchMatrix(const TransformParts& parts) {
    Mat4 u = QuatToMatrix(parts.stretchRotation);
    Mat4 inverse = Mat4Identity();
    Mat4Inverse(&inverse, u);
    const float f = parts.sign;
    Mat4 scale = Mat4Scaling(parts.stretchScale.x * f, parts.stretchScale.y * f, parts.stretchScale.z * f);
    return Mat4Mul(Mat4Mul(inverse, scale), u);
}

}  // namespace

Bone::Bone()
    : typeCode(BONE_TYPE_CODE), restParts{}, inverseBind(Mat4Identity()), stretch(Mat4Identity()), poseParts{},
      localRotation{}, localPosition{}, localMatrix(Mat4Identity()), worldMatrix(Mat4Identity()),
      orientationMatrix(Mat4Identity()), locked(0), children(nullptr), childCount(0), index(0), parent(nullptr),
      owner(nullptr), controller(nullptr), poseFlags(0), poseStamp(0) {}

Bone::~Bone() { Bone::Release(); }

void Bone::Release() {
    name.clear();
    if (controller) {
        g_AnimControllers.Delete(controller);
        controller = nullptr;
    }
    delete[] children;
    children = nullptr;
    childCount = 0;
}

int32_t Bone::Group() const { return owner ? owner->animationGroup : -1; }

bool Bone::Load(BinaryReader& in, Bone* parentBone, CharacterModel* model, uint8_t* counter) {
    if (LoadBody(in, parentBone, model, counter)) return true;
    Release();
    return false;
}

bool Bone::LoadBody(BinaryReader& in, Bone* parentBone, CharacterModel* model, uint8_t* counter) {
    parent = parentBone;
    owner = model;
    if (!counter) return false;
    if (*counter >= BONE_MAX_COUNT) {
        WriteDebugLog("Skeleton refused: more than 255 bones");
        return false;
    }
    index = *counter;
    Y3DObjectRecord record;
    Y3DNodeHeader node;
    if (!ReadY3DObjectRecord(in, &record) || record.type != Y3D_OBJECT_BONE) return false;
    if (!ReadY3DNodeHeader(in, &node)) return false;
    name = node.name;

    restParts = node.parts;
    poseParts = restParts;

    Mat4 bind = Mat4Identity();
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c) bind.m[r][c] = node.world[r * 3 + c];
    inverseBind = Mat4Identity();
    Mat4Inverse(&inverseBind, bind);
    stretch = StretchMatrix(restParts);

    *counter = uint8_t(*counter + 1);
    childCount = uint8_t(node.childCount & 0xFF);
    if (childCount) {
        children = new Bone[childCount];
        for (int i = 0; i < childCount; ++i)
            if (!children[i].Load(in, this, owner, counter)) return false;
    }
    controller = new AnimController();
    g_AnimControllers.Add(controller);
    if (!parent && owner) owner->animationGroup = int32_t(node.animationGroup);
    return true;
}

bool Bone::Clone(const Bone* source, Bone* parentBone, CharacterModel* model) {
    Release();
    if (!source) return false;
    name = source->name;
    restParts = source->restParts;
    inverseBind = source->inverseBind;
    stretch = source->stretch;
    poseParts = restParts;
    localRotation = source->localRotation;
    localPosition = source->localPosition;
    localMatrix = source->localMatrix;
    worldMatrix = source->worldMatrix;
    orientationMatrix = source->orientationMatrix;
    locked = source->locked;
    index = source->index;
    parent = parentBone;
    owner = model;
    controller = new AnimController();
    g_AnimControllers.Add(controller);
    childCount = source->childCount;
    if (childCount) {
        children = new Bone[childCount];
        for (int i = 0; i < childCount; ++i) {
            if (!children[i].Clone(&source->children[i], this, owner)) {
                Release();
                return false;
            }
        }
    }
    return true;
}

void Bone::Pose() {
    Quat rotation = restParts.rotation;
    Vec3 position = restParts.translation;
    const Animation* animation = nullptr;
    if (controller && controller->animIndex >= 0 && controller->state != ANIM_STATE_NONE)
        animation = GetAnimation(Group(), controller->animIndex);
    if (animation && controller->state == ANIM_STATE_BLENDING) {
        // Before the first advance of a blend nothing has moved yet.
        const uint64_t left = uint64_t(controller->lastStep) + controller->blendRemaining;
        const float s = left ? float(controller->lastStep) / float(left) : 0.0f;
        Quat target;
        Vec3 targetPosition;
        if (!animation->SampleNodeRotation(index, controller->time, &target, true)) target = restParts.rotation;
        if (!animation->SampleNodePosition(index, controller->time, &targetPosition, true))
            targetPosition = restParts.translation;
        const Quat& from = localRotation;
        float c = from.x * target.x + from.y * target.y + from.z * target.z + from.w * target.w;
        if (c < 0.0f) {
            target = {-target.x, -target.y, -target.z, -target.w};
            c = -c;
        }
        float a, b;
        if (1.0f - c <= 0.0001f) {
            a = 1.0f - s;
            b = s;
        } else {
            const float angle = std::acos(c);
            const float sinAngle = std::sin(angle);
            a = std::sin((1.0f - s) * angle) / sinAngle;
            b = std::sin(s * angle) / sinAngle;
        }
        rotation = {a * from.x + b * target.x, a * from.y + b * target.y, a * from.z + b * target.z,
                    a * from.w + b * target.w};
        position = Vec3Add(Vec3Scale(targetPosition, s), Vec3Scale(localPosition, 1.0f - s));
    } else if (animation) {
        // A track the animation lacks keeps the bone at rest.
        if (!animation->SampleNodeRotation(index, controller->time, &rotation, true)) rotation = restParts.rotation;
        if (!animation->SampleNodePosition(index, controller->time, &position, true)) position = restParts.translation;
    }
    localRotation = rotation;
    localPosition = parent ? position : Vec3{0.0f, 0.0f, 0.0f};
    poseParts = restParts;
    poseParts.translation = localPosition;
    poseParts.rotation = localRotation;

    const Vec3& t = localPosition;
    localMatrix = Mat4Mul(Mat4Mul(stretch, QuatToMatrix(localRotation)), Mat4Translation(t.x, t.y, t.z));
    const Mat4 identity = Mat4Identity();
    const Mat4& parentWorld = parent ? parent->worldMatrix : owner ? owner->poseMatrix : identity;
    const Mat4& parentOrientation = parent ? parent->orientationMatrix : owner ? owner->rotationMatrix : identity;
    worldMatrix = Mat4Mul(localMatrix, parentWorld);
    TransformParts rotationOnly = restParts;
    rotationOnly.translation = {0.0f, 0.0f, 0.0f};
    rotationOnly.rotation = localRotation;
    rotationOnly.stretchScale = {1.0f, 1.0f, 1.0f};
    Mat4 orientation;
    BuildTransformMatrix(&orientation, rotationOnly);
    orientationMatrix = Mat4Mul(orientation, parentOrientation);
    if (parent) poseParts.rotation = QuatMul(localRotation, parent->poseParts.rotation);
}

void Bone::UpdatePose(bool recursive) {
    if (poseFlags & BONE_SKIP_NEXT_POSE) {
        poseFlags = 0;
        return;
    }
    const uint32_t frame = g_FrameStats.frameCounter;
    if (poseStamp < frame) {
        Pose();
        poseFlags = 0;
        poseStamp = frame;
    }
    if (recursive && !(poseFlags & BONE_STOP_DESCENT))
        for (int i = 0; i < childCount; ++i) children[i].UpdatePose(true);
}

void Bone::UpdatePoseUpward() {
    const uint32_t frame = g_FrameStats.frameCounter;
    if (poseStamp >= frame) return;
    if (parent) parent->UpdatePoseUpward();
    Pose();
    poseStamp = frame;
}

Vec3* Bone::GetWorldPosition(Vec3* out) {
    UpdatePoseUpward();
    *out = {worldMatrix.m[3][0], worldMatrix.m[3][1], worldMatrix.m[3][2]};
    return out;
}

void Bone::CollectByIndex(Bone** table) {
    table[index] = this;
    for (int i = 0; i < childCount; ++i) children[i].CollectByIndex(table);
}

bool Bone::SetLocked(bool value, bool recursive) {
    locked = value ? 1 : 0;
    if (recursive)
        for (int i = 0; i < childCount; ++i) children[i].SetLocked(value, true);
    return true;
}

void Bone::PlayAnimation(int32_t animation, uint32_t blendMs, float rate, bool recursive) {
    if (locked) return;
    if (controller) controller->Play(Group(), animation, blendMs, rate);
    if (recursive)
        for (int i = 0; i < childCount; ++i) children[i].PlayAnimation(animation, blendMs, rate, true);
}

void Bone::SetSpeed(float rate, bool recursive) {
    if (locked) return;
    if (controller) controller->rate = rate;
    if (recursive)
        for (int i = 0; i < childCount; ++i) children[i].SetSpeed(rate, true);
}

void Bone::SetFrame(float time, bool recursive) {
    if (locked) return;
    if (controller) controller->time = controller->prevTime = time;
    if (recursive)
        for (int i = 0; i < childCount; ++i) children[i].SetFrame(time, true);
}

bool Bone::Draw() {
    Vec3 from, to;
    GetWorldPosition(&from);
    for (int i = 0; i < childCount; ++i) {
        children[i].GetWorldPosition(&to);
        BeginDebugDraw(from.x, from.y, from.z, to.x, to.y, to.z, 0xFFFFFFFF);
        children[i].Draw();
    }
    return true;
}
