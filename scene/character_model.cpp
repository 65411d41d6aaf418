#include "scene/character_model.h"

#include <cmath>
#include <cstring>

#include "common/binary_reader.h"
#include "render/geometry.h"
#include "render/index_buffer_table.h"
#include "render/material_table.h"
#include "render/mesh.h"
#include "render/render_queue.h"
#include "render/vertex_buffer_table.h"
#include "render/video.h"
#include "scene/anim_controller.h"
#include "scene/animation.h"
#include "scene/bone.h"
#include "scene/camera.h"
#include "scene/character_shadow.h"
#include "scene/light_slots.h"
#include "scene/scene.h"
#include "scene/sub_mesh.h"
#include "scene/y3d_loader.h"
#include "core/debug_log.h"
#include "core/pack_file.h"
#include "core/settings.h"
#include "world/dynamic_mesh.h"

namespace {

constexpr uint32_t kVertexBufferUsage = 8;   // write-only

Vec3 Sample(const Animation* a, float frame, bool interpolate) {
    Vec3 p{};
    a->SampleNodePosition(0, frame, &p, interpolate);
    return p;
}

// The rotation part of a row vector times a matrix.
Vec3 RotateRow(const Vec3& v, const Mat4& r) {
    return {v.x * r.m[0][0] + v.y * r.m[1][0] + v.z * r.m[2][0], v.x * r.m[0][1] + v.y * r.m[1][1] + v.z * r.m[2][1],
            v.x * r.m[0][2] + v.y * r.m[1][2] + v.z * r.m[2][2]};
}

}  // namespace

// ---- Bind poses shared with the shadow model ----

uint32_t ReadBoneInverseBinds(BinaryReader& in, uint32_t firstObject, uint32_t objectCount,
                              std::vector<Mat4>* inverseBinds) {
    Y3DObjectRecord record;
    Y3DNodeHeader node;
    if (!FindY3DObject(in, firstObject, objectCount, Y3D_OBJECT_BONE, &record)) return 0;
    uint32_t read = 0;
    for (size_t b = 0; b < inverseBinds->size(); ++b) {
        if (b > 0) {
            if (!ReadY3DObjectRecord(in, &record)) break;
            if (record.type != Y3D_OBJECT_BONE) break;
        }
        if (!ReadY3DNodeHeader(in, &node)) break;
        Mat4 world = Mat4Identity();
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 3; ++c) world.m[r][c] = node.world[r * 3 + c];
        Mat4 inverse = Mat4Identity();
        if (!Mat4Inverse(&inverse, world)) inverse = Mat4Identity();
        (*inverseBinds)[b] = inverse;
        ++read;
        if (!in.Seek(record.next)) break;
    }
    return read;
}

// ---- Seams ----

// An attachment is a movable mesh; anything else hung on a bone is left alone.
void AttachmentSetTransform(SceneNode* object, const Vec3& position, const Quat& rotation) {
    DynamicMesh* piece = AsDynamicMesh(object);
    if (!piece) return;
    piece->transform.translation = position;
    piece->transform.rotation = rotation;
    piece->transformValid = 0;
}
void AttachmentSetVisible(SceneNode* object, bool visible) {
    if (DynamicMesh* piece = AsDynamicMesh(object)) piece->enabled = visible ? 1 : 0;
}
void AttachmentDraw(SceneNode* object) {
    if (DynamicMesh* piece = AsDynamicMesh(object)) piece->Draw();
}
void AttachmentDrawVariant(SceneNode* object) {
    if (DynamicMesh* piece = AsDynamicMesh(object)) piece->DrawVariant();
}

namespace {

// Below 255 the material blends by its texture-factor alpha; at 255 it is opaque again. An
// override only takes the alpha.
void SetMaterialAlpha(MaterialTable* table, int32_t own, int32_t overrideId, uint8_t value) {
    if (Material* m = table->Get(own)) {
        for (uint32_t p = 0; p < m->passCount; ++p) {
            m->passes[p].blendPreset = value < 255 ? 5 : 0;
            if (value < 255) m->passes[p].factorAlpha = value;
        }
    }
    if (Material* over = table->Get(overrideId))
        for (uint32_t p = 0; p < over->passCount; ++p) over->passes[p].factorAlpha = value;
}

}  // namespace

// ---- CharacterModel ----

CharacterModel::CharacterModel() { typeCode = NODE_TYPE_CHARACTER_MODEL; }

CharacterModel::~CharacterModel() { CharacterModel::Release(); }

void CharacterModel::Release() {
    SceneNode::Release();
    delete root;
    root = nullptr;
    bones.clear();
    boneCount = 0;
    for (ModelDetailLevel& level : levels) {
        for (SubMesh* s : level.subMeshes) delete s;
        level.subMeshes.clear();
        level.inverseBinds.clear();
        level.loaded = false;
    }
    skinMatrices.clear();
    for (CharacterAttachment& a : attachments) a.inUse = 0;
    animationGroup = -1;
    if (shadow) {
        g_ModelLoaders.Release(shadow);
        shadow = nullptr;
    }
}

bool CharacterModel::LoadSkeleton(BinaryReader& in) {
    delete root;
    root = new Bone();
    uint8_t counter = 0;
    if (!root->Load(in, nullptr, this, &counter)) {
        delete root;
        root = nullptr;
        boneCount = 0;
        bones.clear();
        return false;
    }
    boneCount = counter;
    BuildBoneTable();
    UpdatePose(true);
    typeCode = NODE_TYPE_CHARACTER_MODEL;
    return true;
}

void CharacterModel::BuildBoneTable() {
    bones.assign(boneCount, nullptr);
    if (root && boneCount) root->CollectByIndex(bones.data());
    skinMatrices.assign(boneCount, Mat4Identity());
}

bool CharacterModel::LoadFromPack(const char* fileName, uint32_t materialFlags) {
    if (!fileName) return false;
    PackEntry entry;
    if (!entry.Open("MODELOS.DAT", fileName)) {
        WriteDebugLogF("Model detail file %s not found", fileName);
        return false;
    }
    return LoadDetailLevel(entry.Reader(), materialFlags);
}

bool CharacterModel::LoadDetailLevel(BinaryReader& in, uint32_t materialFlags) {
    Y3DHeader header;
    if (!ReadY3DHeader(in, &header)) return false;
    if (!g_Scene.materials || !g_SceneVertexBuffers || !g_SceneIndexBuffers) {
        WriteDebugLog("Model detail file refused: no scene tables");
        return false;
    }
    std::vector<int32_t> materialIds;
    if (!g_Scene.materials->Load(in, &materialIds, nullptr, materialFlags, false)) {
        WriteDebugLog("Model detail file refused: bad material list");
        return false;
    }
    const int32_t firstVertexBuffer = g_SceneVertexBuffers->Load(in, kVertexBufferUsage);
    const int32_t firstIndexBuffer = g_SceneIndexBuffers->Load(in, firstVertexBuffer, kVertexBufferUsage);
    if (firstVertexBuffer < 0 || firstIndexBuffer < 0) {
        WriteDebugLog("Model detail file refused: no buffers");
        return false;
    }

    Y3DObjectRecord record;
    Y3DNodeHeader node;
    if (!FindY3DObject(in, header.firstObject, header.objectCount, Y3D_OBJECT_SKINNED_MESH, &record)) {
        WriteDebugLog("Model detail file refused: no skinned mesh");
        return false;
    }
    if (!ReadY3DNodeHeader(in, &node) || node.type != Y3D_OBJECT_SKINNED_MESH) {
        WriteDebugLog("Model detail file refused: bad skinned-mesh header");
        return false;
    }
    int slot = -1;
    for (int i = 0; i < MODEL_LOD_COUNT && slot < 0; ++i)
        if (!levels[i].loaded) slot = i;
    if (slot < 0) {
        WriteDebugLog("Model detail file refused: five levels loaded already");
        return false;
    }
    // The sub-mesh count, then seven bytes nothing reads.
    const uint8_t* counts = in.Span(8);
    if (!counts) return false;
    ModelDetailLevel& level = levels[slot];
    for (int i = 0; i < counts[0]; ++i) {
        SubMesh* s = new SubMesh();
        if (!s->Load(in, materialIds.data(), uint32_t(materialIds.size()), uint32_t(firstIndexBuffer),
                     uint32_t(firstVertexBuffer), boneCount)) {
            delete s;
            for (SubMesh* done : level.subMeshes) delete done;
            level.subMeshes.clear();
            return false;
        }
        level.subMeshes.push_back(s);
    }
    // Bones the file lacks keep the identity rather than stale memory.
    level.inverseBinds.assign(boneCount, Mat4Identity());
    const uint32_t read = ReadBoneInverseBinds(in, header.firstObject, header.objectCount, &level.inverseBinds);
    if (read < boneCount) WriteDebugLogF("Model detail file: %u of %u bones", read, unsigned(boneCount));
    level.loaded = true;
    UpdatePose(true);
    return true;
}

bool CharacterModel::LoadWithLoader(const char* fileName) {
    if (shadow) g_ModelLoaders.Release(shadow);
    shadow = g_ModelLoaders.Create();
    // A shadow that failed to load stays, emptied: it casts nothing.
    LoadModel(shadow, fileName, this);
    return true;
}

bool CharacterModel::CopyModel(const CharacterModel* source) {
    if (!source || source == this) return false;
    Release();
    SetName(source->name);
    boneCount = source->boneCount;
    if (source->root) {
        root = new Bone();
        if (!root->Clone(source->root, nullptr, this)) {
            delete root;
            root = nullptr;
            boneCount = 0;
        }
    }
    BuildBoneTable();
    // Each distinct source material becomes one new material shared by the copies that used it.
    std::vector<std::pair<int32_t, int32_t>> materialMap;
    MaterialTable* table = g_Scene.materials;
    for (int l = 0; l < MODEL_LOD_COUNT; ++l) {
        const ModelDetailLevel& from = source->levels[l];
        ModelDetailLevel& to = levels[l];
        to.loaded = from.loaded;
        to.inverseBinds = from.inverseBinds;
        to.inverseBinds.resize(boneCount, Mat4Identity());
        for (const SubMesh* s : from.subMeshes) {
            SubMesh* copy = new SubMesh();
            copy->CopyFrom(s);
            Material* sourceMaterial = table ? table->Get(s->materialId) : nullptr;
            if (sourceMaterial) {
                int32_t id = -1;
                for (const auto& m : materialMap)
                    if (m.first == s->materialId) id = m.second;
                if (id < 0) {
                    Material* own = new Material();
                    own->Assign(*sourceMaterial);
                    // A new material starts without references: each sub-mesh adds its own.
                    id = table->Add(own);
                    if (id >= 0) materialMap.emplace_back(s->materialId, id);
                    else delete own;
                }
                if (id >= 0) {
                    table->AddRef(id);
                    table->Release(copy->materialId);
                    copy->materialId = id;
                }
            }
            to.subMeshes.push_back(copy);
        }
    }
    for (int i = 0; i < MODEL_ATTACHMENT_COUNT; ++i) attachments[i] = source->attachments[i];
    position = source->position;
    poseMatrix = source->poseMatrix;
    animationGroup = source->animationGroup;
    rootMotion = source->rootMotion;
    invisible = source->invisible;
    typeCode = source->typeCode;
    heightOffset = source->heightOffset;
    if (source->shadow && g_ModelLoaders.AddRef(source->shadow)) shadow = source->shadow;
    alpha = source->alpha;
    return true;
}

// ---- Animation API ----

bool CharacterModel::PlayAnimation(int bone, int animation, uint32_t blendMs, float rate, bool recursive) {
    if (BadBone(bone) || !GetAnimation(animationGroup, animation)) return false;
    bones[size_t(bone)]->PlayAnimation(animation, blendMs, rate, recursive);
    return true;
}

void CharacterModel::SetAnimationFrame(int bone, float time, bool recursive) {
    if (time >= 0.0f && !BadBone(bone)) bones[size_t(bone)]->SetFrame(time, recursive);
}

float CharacterModel::GetAnimationFrame(int bone) const {
    if (BadBone(bone) || !bones[size_t(bone)]->controller) return -1.0f;
    return bones[size_t(bone)]->controller->time;
}

int CharacterModel::GetAnimationIndex(int bone) const {
    if (BadBone(bone) || !bones[size_t(bone)]->controller) return -1;
    return bones[size_t(bone)]->controller->animIndex;
}

bool CharacterModel::HasAnimation(int animation) const { return GetAnimation(animationGroup, animation) != nullptr; }

uint8_t CharacterModel::HasAnimationWrapped(int bone) const {
    if (BadBone(bone) || !bones[size_t(bone)]->controller) return 0;
    return bones[size_t(bone)]->controller->wrapped;
}

bool CharacterModel::AnimationPassedFrame(int bone, float frame) const {
    if (BadBone(bone) || !bones[size_t(bone)]->controller) return false;
    return bones[size_t(bone)]->controller->PassedFrame(frame);
}

int CharacterModel::GetAnimationLength(int bone) const {
    if (BadBone(bone) || !bones[size_t(bone)]->controller) return -1;
    const Animation* a = GetAnimation(animationGroup, bones[size_t(bone)]->controller->animIndex);
    return a ? a->length : -1;
}

void CharacterModel::ToggleAnimationAdvance() {
    if (!root || !root->controller) return;
    if (advanceStopped) {
        root->SetSpeed(stoppedRate, true);
        advanceStopped = 0;
    } else {
        stoppedRate = root->controller->rate;
        root->SetSpeed(0.0f, true);
        advanceStopped = 1;
    }
}

void CharacterModel::GetAnimationInfo(int bone, int* animation, float* frame, int* frameCount) const {
    if (animation) *animation = GetAnimationIndex(bone);
    if (frame) *frame = BadBone(bone) ? 0.0f : GetAnimationFrame(bone);
    if (frameCount) {
        const int length = GetAnimationLength(bone);
        *frameCount = length < 0 ? 0 : length;
    }
}

// ---- Pose ----

void CharacterModel::ComputeRootMotion(Vec3* outPosition, Mat4* outMatrix) {
    Vec3 p = basePosition;
    Mat4 r = Mat4Identity();
    MatrixRotation(&r, angles.x, angles.y, angles.z);
    const AnimController* c = root ? root->controller : nullptr;
    const Animation* a = c ? GetAnimation(animationGroup, c->animIndex) : nullptr;
    if (a && c->state == ANIM_STATE_PLAYING) {
        const Vec3 now = Sample(a, c->time, true);
        Vec3 d{};
        if (rootMotion) {
            const Vec3 before = Sample(a, c->prevTime, true);
            if (!c->wrapped) {
                d = Vec3Sub(now, before);
            } else {
                // The wrap is told by the controller, and its direction by the rate: a backward
                // step that wraps runs from the start of the cycle round to its end.
                const Vec3 end = Sample(a, float(a->length), false);
                const Vec3 start = Sample(a, 0.0f, false);
                if (c->rate >= 0.0f) d = Vec3Add(Vec3Sub(end, before), Vec3Sub(now, start));
                else d = Vec3Add(Vec3Sub(start, before), Vec3Sub(now, end));
            }
        }
        const Vec3 moved = RotateRow(d, r);
        p.x = position.x + moved.x;
        p.z = position.z + moved.z;
        p.y = now.y;
    } else if (a && c->state == ANIM_STATE_BLENDING) {
        const uint64_t left = uint64_t(c->lastStep) + c->blendRemaining;
        const float s = left ? float(c->lastStep) / float(left) : 0.0f;
        Vec3 q = basePosition;
        if (rootMotion) {
            float g = float(c->lastStep) * c->rate * 0.001f;
            if (a->length > 0) g = std::fmod(g, float(a->length));
            if (g < 0.0f) g += float(a->length > 0 ? a->length : 0);
            Vec3 d = Vec3Scale(Vec3Sub(Sample(a, g, true), Sample(a, 0.0f, true)), s);
            d.y = 0.0f;
            q = Vec3Add(basePosition, RotateRow(d, r));
        }
        // Only the height blends towards the new root track: the track's horizontal offset is the
        // animation's own, and weighing it in would pull the model towards the world's origin.
        const Vec3 target = Sample(a, c->time, true);
        p = Vec3{q.x, target.y * s + q.y * (1.0f - s), q.z};
    }
    p.y += heightOffset;
    if (outPosition) *outPosition = p;
    if (outMatrix) *outMatrix = r;
}

void CharacterModel::UpdatePose(bool visible) {
    Vec3 p{};
    ComputeRootMotion(&p, &rotationMatrix);
    if (!applyRootMotion) {
        p.x = position.x;
        p.z = position.z;
    }
    position = p;
    basePosition = {p.x, p.y - heightOffset, p.z};
    poseMatrix = rotationMatrix;
    poseMatrix.m[3][0] = position.x;
    poseMatrix.m[3][1] = position.y;
    poseMatrix.m[3][2] = position.z;
    poseMatrix.m[3][3] = 1.0f;
    if (visible && root) {
        root->UpdatePose(true);
        PlaceAttachments();
    }
    applyRootMotion = 1;
}

void CharacterModel::UpdateVisibility() {
    box[0] = position.x - 1.0f;
    box[1] = position.y - 1.0f;
    box[2] = position.z - 1.0f;
    box[3] = position.x + 1.0f;
    box[4] = position.y + 1.0f;
    box[5] = position.z + 1.0f;
    const AxisBox axisBox{{box[3], box[4], box[5]}, {box[0], box[1], box[2]}};
    const bool visible = g_Scene.camera && g_Scene.camera->BoxVisible(axisBox);
    UpdatePose(visible);
    for (CharacterAttachment& a : attachments)
        if (a.inUse && a.object) AttachmentSetVisible(a.object, visible);
}

void CharacterModel::SetAttachment(int slot, SceneNode* object, const char* trackName, uint8_t boneIndex) {
    const int i = slot & 0xFF;
    if (i >= MODEL_ATTACHMENT_COUNT) return;
    CharacterAttachment& a = attachments[i];
    a.object = object;
    std::memset(a.trackName, 0, sizeof a.trackName);
    if (trackName) std::strncpy(a.trackName, trackName, sizeof a.trackName - 1);
    a.boneIndex = boneIndex;
    a.inUse = 0;
}

void CharacterModel::PlaceAttachments() {
    const float hx = -angles.x * 0.5f, hy = -angles.y * 0.5f, hz = -angles.z * 0.5f;
    const float cx = std::cos(hx), cy = std::cos(hy), cz = std::cos(hz);
    const float sx = std::sin(hx), sy = std::sin(hy), sz = std::sin(hz);
    const Quat m{cz * cy * sx - sz * sy * cx, cz * sy * cx + sz * cy * sx, sz * cy * cx - cz * sy * sx,
                 cz * cy * cx + sz * sy * sx};
    for (CharacterAttachment& a : attachments) {
        if (!a.inUse || a.boneIndex >= boneCount || !bones[a.boneIndex]) continue;
        const Bone* b = bones[a.boneIndex];
        if (!a.trackName[0]) {
            a.placedPosition = {b->worldMatrix.m[3][0], b->worldMatrix.m[3][1], b->worldMatrix.m[3][2]};
            a.placedRotation = QuatMul(b->poseParts.rotation, m);
            if (a.object) AttachmentSetTransform(a.object, a.placedPosition, a.placedRotation);
            continue;
        }
        const Animation* anim = b->controller ? GetAnimation(animationGroup, b->controller->animIndex) : nullptr;
        if (!anim) continue;
        const int32_t track = anim->FindNamedTrack(a.trackName);
        if (track < 0) continue;
        const float t = b->controller->time;
        Vec3 p{}, rootPosition{};
        Quat q{0, 0, 0, 1};
        anim->SampleTrackPosition(track, t, &p, true);
        anim->SampleNodePosition(0, t, &rootPosition, true);
        anim->SampleTrackRotation(track, t, &q, true);
        a.placedPosition = Vec3TransformCoord(Vec3Sub(p, rootPosition), poseMatrix);
        a.placedRotation = QuatMul(q, m);
        if (a.object) {
            AttachmentSetTransform(a.object, a.placedPosition, a.placedRotation);
            AttachmentDraw(a.object);
        }
    }
}

void CharacterModel::DrawAttachments() {
    for (CharacterAttachment& a : attachments)
        if (a.inUse && a.object) AttachmentDrawVariant(a.object);
}

void CharacterModel::SetAlpha(uint8_t value) {
    if (value == alpha) return;
    alpha = value;
    MaterialTable* table = g_Scene.materials;
    if (!table) return;
    for (const ModelDetailLevel& level : levels)
        for (const SubMesh* s : level.subMeshes) SetMaterialAlpha(table, s->materialId, s->overrideMaterialId, value);
    // The look pieces fade with the body.
    for (const CharacterAttachment& a : attachments) {
        const DynamicMesh* piece = a.inUse ? AsDynamicMesh(a.object) : nullptr;
        if (!piece || !g_Scene.meshes) continue;
        for (uint32_t i = 0; i < piece->meshCount; ++i)
            if (const Mesh* mesh = g_Scene.meshes->Get(piece->meshIds[i]))
                SetMaterialAlpha(table, mesh->materialId, mesh->overrideMaterialId, value);
    }
}

// ---- Drawing ----

int CharacterModel::ResolveLevel(int wanted) const {
    if (wanted < 0) wanted = 0;
    if (wanted >= MODEL_LOD_COUNT) wanted = MODEL_LOD_COUNT - 1;
    for (int d = 0; d < MODEL_LOD_COUNT; ++d) {
        if (wanted - d >= 0 && levels[wanted - d].loaded) return wanted - d;
        if (wanted + d < MODEL_LOD_COUNT && levels[wanted + d].loaded) return wanted + d;
    }
    return -1;
}

int CharacterModel::DrawLevel() const { return ResolveLevel(g_SceneLowestDetail ? MODEL_LOD_COUNT - 1 : lod); }

void CharacterModel::BuildSkinMatrices() {
    const int level = DrawLevel();
    if (skinMatrices.size() != boneCount) skinMatrices.assign(boneCount, Mat4Identity());
    for (uint16_t b = 0; b < boneCount; ++b) {
        const Mat4 world = bones[b] ? bones[b]->worldMatrix : Mat4Identity();
        const bool bound = level >= 0 && b < levels[level].inverseBinds.size();
        skinMatrices[b] = bound ? Mat4Mul(levels[level].inverseBinds[b], world) : world;
    }
}

void CharacterModel::DrawLevelMeshes(int level) {
    gfx::Device* device = g_Video.GetDevice();
    if (!device || level < 0) return;
    bool software = false;
    int lastBlend = -1;
    int slotBone[VIDEO_WORLD_MATRICES] = {-1, -1, -1, -1};
    for (SubMesh* s : levels[level].subMeshes) {
        const int n = s->matrixCount;
        if (n < 1 || n > VIDEO_WORLD_MATRICES) continue;
        if (g_Video.caps.MaxVertexBlendMatrices < uint32_t(n) && !software) {
            g_Video.SetSoftwareVertexProcessing(true);
            software = true;
        }
        if (n - 1 != lastBlend) {
            device->SetRenderState(gfx::D3DRS_VERTEXBLEND, uint32_t(n - 1));
            lastBlend = n - 1;
        }
        for (int j = 0; j < n; ++j) {
            const int b = s->boneIndices[size_t(j)];
            if (b >= int(skinMatrices.size()) || slotBone[j] == b) continue;
            g_Video.SetWorldMatrix(&skinMatrices[size_t(b)], j, false);
            slotBone[j] = b;
        }
        s->DrawWithOverride();
    }
    device->SetRenderState(gfx::D3DRS_VERTEXBLEND, gfx::D3DVBF_DISABLE);
    if (software) g_Video.SetSoftwareVertexProcessing(false);
    // The skin matrices are not the scene's: the next user of world matrix 0 must send its own.
    g_Video.SetWorldMatrix(&IdentityMatrix, 0, false);
}

bool CharacterModel::Draw() {
    if (!g_Video.GetDevice()) return false;
    BuildSkinMatrices();
    g_Video.SetLighting(true);
    if (g_Settings.mode != MODEL_VIEWER_MODE && g_Scene.lightSlots) g_Scene.lightSlots->SelectForBox(box);
    DrawLevelMeshes(DrawLevel());
    return true;
}

bool CharacterModel::DrawVariant() {
    gfx::Device* device = g_Video.GetDevice();
    if (!device) return false;
    lod = 0;
    applyRootMotion = 0;
    UpdatePose(true);
    BuildSkinMatrices();
    gfx::Light light{};
    light.Type = gfx::D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1, 1, 1, 1};
    const Vec3 d = Vec3Normalize({rotationMatrix.m[2][0], rotationMatrix.m[2][1], rotationMatrix.m[2][2]});
    light.Direction = {d.x, d.y, d.z};
    device->SetLight(0, &light);
    device->LightEnable(0, true);
    g_Video.SetLighting(true);
    DrawLevelMeshes(ResolveLevel(g_SceneLowestDetail ? MODEL_LOD_COUNT - 1 : 0));
    return true;
}

bool CharacterModel::Render() {
    const AxisBox axisBox{{box[3], box[4], box[5]}, {box[0], box[1], box[2]}};
    if (!g_Scene.camera || !g_Scene.camera->BoxVisible(axisBox)) return true;
    if (!invisible && alpha == 255) return Draw();
    if (g_Scene.renderQueue) g_Scene.renderQueue->AddModel(this);
    return true;
}

bool CharacterModel::RenderSorted() {
    if (!g_Scene.camera) return true;
    if (Vec3Length(Vec3Sub(position, g_Scene.camera->eye)) > MODEL_SORTED_RANGE) return true;
    return Render();
}

bool CharacterModel::CastShadow() { return CastCharacterShadow(this); }

void CharacterModel::DrawBones() {
    gfx::Device* device = g_Video.GetDevice();
    if (!device || !root) return;
    g_Video.SetWorldMatrix(&IdentityMatrix, 0, false);
    uint32_t block = 0;
    device->CreateStateBlock(gfx::D3DSBT_ALL, &block);
    // Straight to the device: the state block puts everything back, so the caches stay true.
    device->SetTexture(0, nullptr);
    device->SetRenderState(gfx::D3DRS_LIGHTING, 0);
    device->SetRenderState(gfx::D3DRS_ALPHABLENDENABLE, 0);
    device->SetRenderState(gfx::D3DRS_ALPHATESTENABLE, 0);
    device->SetRenderState(gfx::D3DRS_FOGENABLE, 0);
    device->SetRenderState(gfx::D3DRS_VERTEXBLEND, gfx::D3DVBF_DISABLE);
    device->SetRenderState(gfx::D3DRS_FILLMODE, gfx::D3DFILL_SOLID);
    device->SetRenderState(gfx::D3DRS_CULLMODE, gfx::D3DCULL_NONE);
    device->SetRenderState(gfx::D3DRS_ZENABLE, 1);
    device->SetRenderState(gfx::D3DRS_ZWRITEENABLE, 0);
    device->SetTextureStageState(0, gfx::D3DTSS_COLOROP, gfx::D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, gfx::D3DTSS_COLORARG1, gfx::D3DTA_DIFFUSE);
    device->SetTextureStageState(1, gfx::D3DTSS_COLOROP, gfx::D3DTOP_DISABLE);
    device->SetVertexShader(gfx::D3DFVF_XYZ | gfx::D3DFVF_DIFFUSE);
    root->Draw();
    if (block) {
        device->ApplyStateBlock(block);
        device->DeleteStateBlock(block);
    }
    if (g_Scene.materials) g_Scene.materials->ResetCache();
}
