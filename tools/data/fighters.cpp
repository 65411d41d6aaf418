// Both sides' fighters: a skeleton with the bones the rules address (the test kit's bone tree
// with legs, shoulders, head, hands and feet moved to their places), five detail levels of
// box-built figures skinned to it, a closed shadow model, the element-map editor's palette
// figure, and one animation for every id the rules play, posed by the kind of action.
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

#include "data_set.h"
#include "geometry.h"
#include "datakit/buffer_block_writer.h"
#include "datakit/fighter_skeleton.h"
#include "datakit/y3d_model_builder.h"

namespace demodata {

using namespace datakit;

namespace {

constexpr int BONE_ROOT = 0, BONE_LEG_L = 1, BONE_LEG_R = 2, BONE_BODY = 4, BONE_ARMS = 5, BONE_HEAD = 6;
// The bones that get animation tracks: nodes 0 to 5 in file order.
constexpr int TRACKED_BONES = 6;

// Offsets of bones from their parents; every other bone sits where its parent is.
Vec3 BoneOffset(int bone) {
    switch (bone) {
    case BONE_LEG_L: return {-0.14f, 0.9f, 0};
    case BONE_LEG_R: return {0.14f, 0.9f, 0};
    case BONE_BODY: return {0, KIT_UPPER_BODY_HEIGHT, 0};
    case BONE_ARMS: return {0, 0.45f, 0};
    case BONE_HEAD: return {0, 0.55f, 0};
    case 67: return {-0.3f, 0.45f, 0};   // shoulder pads
    case 87: return {0.3f, 0.45f, 0};
    case 69: return {-0.42f, 0.05f, 0};   // wrists
    case 89: return {0.42f, 0.05f, 0};
    case 70: return {-0.42f, -0.05f, 0};   // hands
    case 90: return {0.42f, -0.05f, 0};
    case 119: return {-0.14f, -1.0f, 0};   // feet
    case 124: return {0.14f, -1.0f, 0};
    default: return {0, 0, 0};
    }
}

int BoneNumber(const Y3DBone& b) { return std::atoi(b.name.c_str() + 4); }

void Place(Y3DBone* bone, const Vec3& parentWorld) {
    const Vec3 t = BoneOffset(BoneNumber(*bone));
    bone->parts.translation = t;
    const Vec3 world = Vec3Add(parentWorld, t);
    bone->world = Mat4Translation(world.x, world.y, world.z);
    for (Y3DBone& child : bone->children) Place(&child, world);
}

Y3DBone Skeleton() {
    Y3DBone root = KitSkeleton();
    Place(&root, {0, 0, 0});
    return root;
}

// ---- Figures ----

constexpr uint32_t SKINNED_FVF = 0x006 | 0x040 | 0x100;   // XYZB1, diffuse, one texture pair

// One rigid part of the figure: boxes that move with one bone, textured from one region of the
// skin picture.
struct Part {
    int bone;
    UvRect uv;
    std::vector<std::pair<Vec3, Vec3>> boxes;
};

// The skin picture's regions (see the skin pictures): head with the eyes, clothes over the body,
// skin on legs and arms.
const UvRect kHeadUv{0.70f, 0.0f, 0.98f, 0.28f};
const UvRect kBodyUv{0.09f, 0.72f, 0.55f, 0.98f};
const UvRect kLimbUv{0.05f, 0.30f, 0.30f, 0.65f};

std::vector<Part> FigureParts(int side, int level) {
    // The Voraks are broader and a little shorter.
    const float w = side == 0 ? 1.0f : 1.2f;
    std::vector<Part> parts;
    parts.push_back({BONE_LEG_L, kLimbUv, {{{-0.24f * w, 0.0f, -0.1f}, {-0.05f * w, 0.92f, 0.1f}}}});
    parts.push_back({BONE_LEG_R, kLimbUv, {{{0.05f * w, 0.0f, -0.1f}, {0.24f * w, 0.92f, 0.1f}}}});
    parts.push_back({BONE_BODY, kBodyUv, {{{-0.28f * w, 0.9f, -0.14f}, {0.28f * w, 1.5f, 0.14f}}}});
    Part head{BONE_HEAD, kHeadUv, {{{-0.15f, 1.52f, -0.15f}, {0.15f, 1.85f, 0.15f}}}};
    if (level < 2) head.boxes.push_back({{-0.03f, 1.62f, 0.15f}, {0.03f, 1.7f, 0.2f}});   // nose: fighters face +z
    parts.push_back(head);
    Part arms{BONE_ARMS, kLimbUv, {}};
    arms.boxes.push_back({{-0.46f * w, 0.95f, -0.07f}, {-0.3f * w, 1.48f, 0.07f}});
    arms.boxes.push_back({{0.3f * w, 0.95f, -0.07f}, {0.46f * w, 1.48f, 0.07f}});
    if (level < 1) {   // hands
        arms.boxes.push_back({{-0.47f * w, 0.85f, -0.06f}, {-0.33f * w, 0.95f, 0.06f}});
        arms.boxes.push_back({{0.33f * w, 0.85f, -0.06f}, {0.47f * w, 0.95f, 0.06f}});
    }
    // The two lowest levels fold the arms into the body.
    if (level >= 3)
        parts.back().boxes.push_back({{-0.46f * w, 0.95f, -0.1f}, {0.46f * w, 1.48f, 0.1f}});
    else
        parts.push_back(arms);
    return parts;
}

// Each side's plain skin, as the skin composition starts from it.
const char* SkinFile(int side) { return side == 0 ? "Pieles\\orlin00.tga" : "Pieles\\vorak00.tga"; }

std::vector<uint8_t> DetailFile(int side, int level) {
    Y3DSkinnedModel f;
    // Character models load their textures by the full name: the skin composition replaces it.
    f.materials = {TextureMaterial(std::string("Texturas\\Personajes\\") + SkinFile(side))};
    std::vector<uint8_t> vertices;
    std::vector<uint16_t> indices;
    uint32_t vertexCount = 0;
    for (const Part& part : FigureParts(side, level)) {
        Geometry g;
        for (const auto& [a, b] : part.boxes) g.Box(a, b, 0xFFFFFFFF, part.uv);
        Y3DSubMesh s;
        s.startIndex = uint32_t(indices.size());
        s.primitiveCount = g.TriangleCount();
        s.minVertex = uint16_t(vertexCount);
        s.maxVertex = uint16_t(vertexCount + g.Vertices().size() - 1);
        s.matrixCount = 1;
        s.bones = {uint8_t(part.bone), 0, 0, 0};
        f.subMeshes.push_back(s);
        for (const MeshVertex& v : g.Vertices()) {
            y3drec::PutVec3(&vertices, v.p);
            y3drec::PutF32(&vertices, 1.0f);
            y3drec::PutU32(&vertices, v.colour);
            y3drec::PutF32(&vertices, v.u);
            y3drec::PutF32(&vertices, v.v);
        }
        for (uint16_t i : g.Indices()) indices.push_back(uint16_t(i + vertexCount));
        vertexCount += uint32_t(g.Vertices().size());
    }
    f.vertexBuffers = {VertexRecord{vertexCount, SKINNED_FVF, vertices}};
    f.indexBuffers = {IndexRecord{uint32_t(indices.size()), 0, indices}};
    f.skeleton = Skeleton();
    return f.Build();
}

// Closed boxes (shared corners) so that the shadow volume has no open edges.
std::vector<uint8_t> ShadowFile(int side) {
    Y3DShadowModel f;
    for (const Part& part : FigureParts(side, 3)) {
        for (const auto& [a, b] : part.boxes) {
            const uint16_t base = uint16_t(f.vertices.size());
            for (int i = 0; i < 8; ++i)
                f.vertices.push_back({{i & 1 ? b.x : a.x, i & 2 ? b.y : a.y, i & 4 ? b.z : a.z}, {{uint8_t(part.bone), 1.0f}}});
            static const uint16_t kFaces[12][3] = {{0, 2, 3}, {0, 3, 1}, {4, 5, 7}, {4, 7, 6}, {0, 1, 5}, {0, 5, 4},
                                                   {2, 6, 7}, {2, 7, 3}, {0, 4, 6}, {0, 6, 2}, {1, 3, 7}, {1, 7, 5}};
            for (const auto& t : kFaces)
                f.triangles.push_back({uint16_t(base + t[0]), uint16_t(base + t[1]), uint16_t(base + t[2])});
        }
    }
    f.skeleton = Skeleton();
    return f.Build();
}

// The editor's palette figure of a side: the finest figure standing still, unskinned, in the
// side's skin. The editor loads it with the fighters' texture folder and takes it out of the
// scene as a movable mesh.
std::vector<uint8_t> PaletteFigureFile(int side, const std::string& node) {
    constexpr uint32_t MOVABLE = 0x101;
    Geometry g;
    for (const Part& part : FigureParts(side, 0))
        for (const auto& [a, b] : part.boxes) g.Box(a, b, 0xFFFFFFFF, part.uv);
    return MeshModelFile(node, MOVABLE, g, TextureMaterial(SkinFile(side)));
}

// ---- Animations ----

Quat AxisAngle(const Vec3& axis, float angle) {
    const float s = std::sin(angle / 2);
    return {axis.x * s, axis.y * s, axis.z * s, std::cos(angle / 2)};
}

// The pose of the tracked bones at time t (0 to 1 over the animation): a rotation each, and a
// lift of the root.
struct Pose {
    Quat rotation[TRACKED_BONES];
    float lift = 0;
    Pose() {
        for (Quat& q : rotation) q = Quat{0, 0, 0, 1};
    }
};

const Vec3 kX{1, 0, 0}, kY{0, 1, 0}, kZ{0, 0, 1};

float Wave(float t, float cycles) { return std::sin(kTwoPi * cycles * t); }
// Up to 1 and back to 0 over the animation.
float Arc(float t) { return std::sin(kPi * t); }

Pose PoseOf(int id, float t) {
    Pose p;
    auto& r = p.rotation;
    if (id <= 3) {   // standing, turning
        r[BONE_BODY] = AxisAngle(kX, 0.03f * Wave(t, 1));
    } else if (id <= 19) {   // idle variations: look around, stretch
        r[BONE_BODY] = AxisAngle(kY, 0.5f * Wave(t, 1 + id % 3));
        r[BONE_ARMS] = AxisAngle(kZ, 0.3f * Arc(t) * float(id % 2 ? 1 : -1));
    } else if (id <= 24) {   // walks and runs: legs and arms swing against each other
        const float swing = (id == 21 ? 0.7f : 0.45f) * Wave(t, 1);
        r[BONE_LEG_L] = AxisAngle(kX, swing);
        r[BONE_LEG_R] = AxisAngle(kX, -swing);
        r[BONE_ARMS] = AxisAngle(kY, 0.3f * swing);
        r[BONE_BODY] = AxisAngle(kX, id == 21 ? -0.25f : -0.1f);
    } else if (id <= 43) {   // jumps, falls, landings, guard: knees up, arms out
        r[BONE_LEG_L] = AxisAngle(kX, -0.5f * Arc(t));
        r[BONE_LEG_R] = AxisAngle(kX, -0.3f * Arc(t));
        r[BONE_ARMS] = AxisAngle(kZ, 0.4f * Arc(t));
        p.lift = id >= 30 && id <= 33 ? 0.3f * Arc(t) : 0.0f;
    } else if (id <= 104) {   // attacks: wind up, strike, come back
        const float side = id % 2 ? 1.0f : -1.0f;
        r[BONE_BODY] = AxisAngle(kY, side * 0.8f * Wave(t, 0.5f) * Arc(t));
        r[BONE_ARMS] = AxisAngle(kX, -1.2f * Arc(t));
        if (id >= 80) r[BONE_LEG_R] = AxisAngle(kX, -0.9f * Arc(t));   // kicks
    } else if (id <= 114) {   // taunts: arms up and a shake
        r[BONE_ARMS] = AxisAngle(kZ, 0.6f * Wave(t, 3));
        r[BONE_BODY] = AxisAngle(kX, 0.2f * Arc(t));
    } else if (id <= 129) {   // hit reactions; 124 lies on the ground
        if (id == 124) {
            r[BONE_ROOT] = AxisAngle(kX, kPi / 2);
        } else {
            r[BONE_BODY] = AxisAngle(kX, 0.5f * Arc(t) * (1.0f - t));
            r[BONE_ARMS] = AxisAngle(kX, 0.4f * Arc(t));
        }
    } else if (id <= 137) {   // knock-downs and deaths: fall backwards and stay; 134 lies
        const float fall = id == 134 ? 1.0f : std::min(1.0f, t * 2.0f);
        r[BONE_ROOT] = AxisAngle(kX, kPi / 2 * fall);
        r[BONE_ARMS] = AxisAngle(kZ, 0.8f * fall);
    } else if (id <= 149) {   // defences: arms crossed in front
        r[BONE_ARMS] = AxisAngle(kX, -1.3f * std::min(1.0f, t * 4.0f));
        r[BONE_BODY] = AxisAngle(kX, 0.15f);
    } else if (id <= 159) {   // throws: arms overhead, then forward
        r[BONE_ARMS] = AxisAngle(kX, t < 0.5f ? -2.8f * t * 2 : -2.8f + 1.8f * (t - 0.5f) * 2);
        r[BONE_BODY] = AxisAngle(kX, -0.3f * Arc(t));
    } else if (id <= 189) {   // casts: arms forward, body back
        r[BONE_ARMS] = AxisAngle(kX, -1.5f * Arc(t));
        r[BONE_BODY] = AxisAngle(kX, 0.25f * Arc(t));
    } else if (id <= 194) {   // spawn (190, 192) rises out of the ground; rise (191, 193) gets up
        if (id == 190 || id == 192 || id == 194) {
            p.lift = -1.9f * (1.0f - std::min(1.0f, t * 1.5f));
        } else {
            r[BONE_ROOT] = AxisAngle(kX, kPi / 2 * (1.0f - t));
        }
    } else {   // level change: arms up and a turn of the body
        r[BONE_ARMS] = AxisAngle(kZ, 1.2f * Arc(t));
        r[BONE_BODY] = AxisAngle(kY, kTwoPi * t);
    }
    return p;
}

std::vector<uint8_t> AnimationFile(int id, uint16_t frames, float stride) {
    Y3DAnimation file;
    file.header.length = frames;
    for (int bone = 0; bone < TRACKED_BONES; ++bone) {
        std::vector<Y3DKey> keys;
        for (uint16_t f = 0; f <= frames; ++f) {
            const Pose pose = PoseOf(id, float(f) / float(frames));
            Vec3 at = BoneOffset(bone);
            if (bone == BONE_ROOT) at = {0.0f, pose.lift, stride * float(f)};
            keys.push_back(Y3DKey{f, pose.rotation[bone], at});
        }
        char name[16];
        std::snprintf(name, sizeof name, "bone%03d", bone);
        file.nodes.push_back(AnimTrackObject(name, std::move(keys)));
    }
    return file.Build();
}

}  // namespace

void AddFighters(DataSet* set) {
    for (int side = 0; side < 2; ++side) {
        for (int level = 0; level < 5; ++level) {
            char name[64];
            if (level == 0)
                std::snprintf(name, sizeof name, "Modelos\\Personajes\\Skeleton%02d.y3d", side);
            else
                std::snprintf(name, sizeof name, "Modelos\\Personajes\\Skeleton%02d%c.Y3D", side, char('A' + level));
            set->Pack(MODEL_PACK, name, DetailFile(side, level));
        }
        char shadow[64];
        std::snprintf(shadow, sizeof shadow, "Modelos\\Personajes\\Skeleton%02dshadow.Y3D", side);
        set->Pack(MODEL_PACK, shadow, ShadowFile(side));
        const std::string name = side == 0 ? "orlin" : "vorak";
        set->Pack(MODEL_PACK, "Modelos\\Interfaz\\" + name + ".y3d", PaletteFigureFile(side, name + "(DIN)"));
    }
    for (size_t r = 0; r < KIT_ANIMATION_RANGE_COUNT; ++r) {
        const KitAnimationRange& range = KIT_ANIMATIONS[r];
        for (int32_t id = range.first; id <= range.last; ++id) {
            char name[64];
            std::snprintf(name, sizeof name, "ANIMACIONES\\Grupo%02d\\ani%02d%03d.y3d", KIT_ANIMATION_GROUP,
                          KIT_ANIMATION_GROUP, int(id));
            set->Pack(ANIMATION_PACK, name, AnimationFile(id, range.frames, range.stride));
        }
    }
}

}  // namespace demodata
