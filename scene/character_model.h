// An animated, skinned character: a skeleton of bones, up to five detail levels of sub-meshes
// drawn by the device's vertex blending, an optional shared shadow model, sixteen attachment
// slots that carry movable meshes along bones or named tracks, a fade alpha and the animation
// API through which the fighters and the viewer play animations.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/math.h"
#include "scene/scene_node.h"

class BinaryReader;
class Bone;
class ModelLoader;
class SubMesh;

constexpr int MODEL_LOD_COUNT = 5;
constexpr int MODEL_ATTACHMENT_COUNT = 16;
constexpr int MODEL_TRACK_NAME_SIZE = 64;
constexpr uint32_t Y3D_OBJECT_SKINNED_MESH = 0x600;
constexpr float MODEL_SORTED_RANGE = 30.0f;

// Something carried by the model: a look piece (a movable mesh) hung on a bone or a named track.
struct CharacterAttachment {
    SceneNode* object = nullptr;             // not owned
    char trackName[MODEL_TRACK_NAME_SIZE] = {};   // empty: follow the bone
    uint8_t boneIndex = 0;
    uint8_t inUse = 0;
    // Where the last visible pose put the object (world position and rotation).
    Vec3 placedPosition{};
    Quat placedRotation{0, 0, 0, 1};
};

// One detail level: its sub-meshes (owned) and the inverse bind of every bone as stored in its
// file (identity for bones the file lacks).
struct ModelDetailLevel {
    std::vector<SubMesh*> subMeshes;
    std::vector<Mat4> inverseBinds;
    bool loaded = false;
};

class CharacterModel : public SceneNode {
public:
    uint16_t boneCount = 0;
    Bone* root = nullptr;                    // the owned skeleton; null before it is loaded
    std::vector<Bone*> bones;                // index -> bone
    ModelDetailLevel levels[MODEL_LOD_COUNT];
    uint8_t lod = 0;                         // detail level asked for, 0 (finest) to 4
    std::vector<Mat4> skinMatrices;          // per bone; rebuilt before each draw
    CharacterAttachment attachments[MODEL_ATTACHMENT_COUNT];
    float box[6] = {-1, -1, -1, 1, 1, 1};   // min x, y, z, max x, y, z
    Vec3 basePosition{};
    float heightOffset = 0.0f;
    Vec3 position{};                         // the model's place in the world
    Vec3 angles{};                           // radians
    Mat4 rotationMatrix = Mat4Identity();    // the root bone's parent orientation
    Mat4 poseMatrix = Mat4Identity();        // the root bone's parent world matrix
    int32_t animationGroup = -1;             // from the root bone's node header
    uint8_t rootMotion = 1;
    uint8_t applyRootMotion = 1;
    uint8_t invisible = 0;
    ModelLoader* shadow = nullptr;           // shared, reference-counted in g_ModelLoaders
    uint8_t alpha = 255;
    // The character viewer's switch: the rate the animations had when they were stopped.
    uint8_t advanceStopped = 0;
    float stoppedRate = 0.0f;

    CharacterModel();
    ~CharacterModel() override;

    void Release() override;
    bool Render() override;
    bool Draw() override;

    // Loading. The reader stands at the root bone's object record.
    bool LoadSkeleton(BinaryReader& in);
    void BuildBoneTable();
    // One detail level from "MODELOS.DAT" (a loose file first) into the first empty level; the
    // flags go to the material reader.
    bool LoadFromPack(const char* fileName, uint32_t materialFlags = 0);
    // The same from a whole file at the reader.
    bool LoadDetailLevel(BinaryReader& in, uint32_t materialFlags = 0);
    // The shadow model from "MODELOS.DAT"; one that does not load stays with the model, empty.
    bool LoadWithLoader(const char* fileName);
    bool CopyModel(const CharacterModel* source);

    // Drawing.
    bool RenderSorted();
    bool DrawVariant();
    void PlaceAttachments();
    void DrawAttachments();
    bool CastShadow();
    void DrawBones();

    // The loaded level a request for level `wanted` draws: the nearest loaded one (the finer
    // on a tie), -1 when none is loaded.
    int ResolveLevel(int wanted) const;
    // The level the next draw uses (lowest detail during the water reflection).
    int DrawLevel() const;
    void BuildSkinMatrices();

    // Posing.
    void UpdateVisibility();
    void UpdatePose(bool visible);
    void ComputeRootMotion(Vec3* outPosition, Mat4* outMatrix);

    // Animation API on bone i (bad index: i < 0 or i >= boneCount).
    bool PlayAnimation(int bone, int animation, uint32_t blendMs, float rate, bool recursive);
    void SetAnimationFrame(int bone, float time, bool recursive);
    float GetAnimationFrame(int bone) const;
    int GetAnimationIndex(int bone) const;
    bool HasAnimation(int animation) const;
    uint8_t HasAnimationWrapped(int bone) const;
    // Whether the last advance of bone i crossed the frame.
    bool AnimationPassedFrame(int bone, float frame) const;
    int GetAnimationLength(int bone) const;
    // The character viewer's switch: the model's animations stand still or run.
    void ToggleAnimationAdvance();
    // The animation a bone plays (-1 for none), its current frame and its frame count.
    void GetAnimationInfo(int bone, int* animation, float* frame, int* frameCount) const;

    void SetAttachment(int slot, SceneNode* object, const char* trackName, uint8_t boneIndex);
    void SetAlpha(uint8_t value);

private:
    bool BadBone(int bone) const { return bone < 0 || bone >= boneCount || !bones[size_t(bone)]; }
    void DrawLevelMeshes(int level);
};

// What the model does to an attached movable mesh (a look piece): its transform parts and frozen
// byte, its visible byte and its two draws. Other kinds of object are left alone.
void AttachmentSetTransform(SceneNode* object, const Vec3& position, const Quat& rotation);
void AttachmentSetVisible(SceneNode* object, bool visible);
void AttachmentDraw(SceneNode* object);
void AttachmentDrawVariant(SceneNode* object);

// The inverse world matrix of each bone record of a model file, in file order from the first,
// into the array (entries the file lacks are left as they are); returns how many were read.
uint32_t ReadBoneInverseBinds(BinaryReader& in, uint32_t firstObject, uint32_t objectCount,
                              std::vector<Mat4>* inverseBinds);

// The application mode in which the model lights itself without the scene's light slots.
constexpr int32_t MODEL_VIEWER_MODE = 1;
