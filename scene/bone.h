// One node of a character's skeleton: its rest pose from the file, its animation controller and
// the matrices of its current pose, chained from the root once per rendered frame.
#pragma once

#include <cstdint>
#include <string>

#include "common/math.h"
#include "render/geometry.h"

class AnimController;
class BinaryReader;
class CharacterModel;

constexpr uint32_t BONE_TYPE_CODE = 4;
constexpr uint32_t Y3D_OBJECT_BONE = 0x500;
constexpr uint8_t BONE_SKIP_NEXT_POSE = 0x01;
constexpr uint8_t BONE_STOP_DESCENT = 0x02;
// Bone indices are bytes; the counter must not wrap back onto the root.
constexpr int BONE_MAX_COUNT = 255;

class Bone {
public:
    std::string name;
    uint32_t typeCode;
    TransformParts restParts;
    Mat4 inverseBind;
    Mat4 stretch;
    TransformParts poseParts;
    Quat localRotation;
    Vec3 localPosition;
    Mat4 localMatrix;
    Mat4 worldMatrix;
    Mat4 orientationMatrix;
    uint8_t locked;
    Bone* children;          // one array
    uint8_t childCount;
    uint8_t index;
    Bone* parent;
    CharacterModel* owner;
    AnimController* controller;
    uint8_t poseFlags;
    uint32_t poseStamp;

    Bone();
    virtual ~Bone();
    Bone(const Bone&) = delete;
    Bone& operator=(const Bone&) = delete;

    virtual void Release();
    virtual bool Draw();
    // A failed subtree fails the whole load and leaves this bone released.
    virtual bool Clone(const Bone* source, Bone* parent, CharacterModel* owner);
    // The reader stands at the bone's object record. A failure (wrong type, short read, a child
    // that fails, more than 255 bones) leaves this bone released.
    virtual bool Load(BinaryReader& in, Bone* parent, CharacterModel* owner, uint8_t* counter);

    void UpdatePose(bool recursive);
    void UpdatePoseUpward();
    Vec3* GetWorldPosition(Vec3* out);
    void CollectByIndex(Bone** table);
    bool SetLocked(bool value, bool recursive);
    void PlayAnimation(int32_t animation, uint32_t blendMs, float rate, bool recursive);
    void SetSpeed(float rate, bool recursive);
    void SetFrame(float time, bool recursive);

private:
    bool LoadBody(BinaryReader& in, Bone* parent, CharacterModel* owner, uint8_t* counter);
    void Pose();
    int32_t Group() const;
};
