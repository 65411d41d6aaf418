#include "support/fighter_kit.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <span>

#include <unistd.h>

#include "common/binary_reader.h"
#include "effects/sprite_mover.h"
#include "fighters/fighter_shell.h"
#include "net/session.h"
#include "scene/collision_octree.h"
#include "datakit/buffer_block_writer.h"
#include "support/path_map_builder.h"
#include "datakit/y3d_model_builder.h"
#include "datakit/y3d_octree_builder.h"
#include "world/path_map.h"

namespace testsupport {

using namespace datakit;

namespace fs = std::filesystem;

// ---- Models ----

namespace {

// A root track with one key per frame (the sampler blends neighbouring frames only).
std::vector<uint8_t> AnimationFile(uint16_t frames, float stride) {
    std::vector<Y3DKey> keys;
    for (uint16_t f = 0; f <= frames; ++f)
        keys.push_back(Y3DKey{f, Quat{0, 0, 0, 1}, Vec3{0.0f, 0.0f, stride * float(f)}});
    Y3DAnimation file;
    file.header.length = frames;
    file.nodes.push_back(AnimTrackObject("bone000", std::move(keys)));
    return file.Build();
}

// One small triangle on the root at each detail level.
std::vector<uint8_t> DetailFile(const Y3DBone& skeleton) {
    Y3DSkinnedModel f;
    Y3DMaterial material;
    material.layers = {Y3DMaterialLayer{64, ""}};
    f.materials = {material.Build()};
    f.vertexBuffers = {SkinnedVertices({{0, 0, 0, 1, 0}, {0.2f, 0, 0, 1, 0}, {0, 0.2f, 0, 1, 0}})};
    f.indexBuffers = {SequentialIndices(3, 0)};
    Y3DSubMesh s;
    s.primitiveCount = 1;
    s.maxVertex = 2;
    s.matrixCount = 1;
    s.bones = {0, 0, 0, 0};
    f.subMeshes = {s};
    f.skeleton = skeleton;
    return f.Build();
}

void Write(const fs::path& path, const std::vector<uint8_t>& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

struct FilesFolder {
    fs::path path;
    FilesFolder() {
        path = fs::temp_directory_path() / ("brimvale-fighters-" + std::to_string(::getpid()));
        fs::remove_all(path);
        const std::vector<uint8_t> detail = DetailFile(KitSkeleton());
        for (int side = 0; side < 2; ++side) {
            for (const char* level : {"", "B", "C", "D", "E"}) {
                char name[32];
                std::snprintf(name, sizeof name, "Skeleton%02d%s.Y3D", side, level);
                Write(path / "Modelos" / "Personajes" / name, detail);
            }
        }
        for (const KitAnimationRange& r : std::span(KIT_ANIMATIONS, KIT_ANIMATION_RANGE_COUNT)) {
            const std::vector<uint8_t> file = AnimationFile(r.frames, r.stride);
            for (int32_t id = r.first; id <= r.last; ++id) {
                char name[32];
                std::snprintf(name, sizeof name, "ani%02d%03d.y3d", KIT_ANIMATION_GROUP, int(id));
                Write(path / "ANIMACIONES" / "Grupo00" / name, file);
            }
        }
    }
    ~FilesFolder() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

}  // namespace

const fs::path& FighterFilesFolder() {
    static FilesFolder folder;
    return folder.path;
}

// ---- Arena ----

namespace {

// A horizontal rectangle at height y.
std::vector<Vec3> Flat(float x0, float x1, float z0, float z1, float y) {
    return {{x0, y, z0}, {x1, y, z0}, {x1, y, z1}, {x0, y, z1}};
}

}  // namespace

std::vector<uint8_t> ArenaCollisionBlock() {
    const int32_t corner[3] = {0, -8, 0};
    std::vector<OctreeNodeDesc> nodes = GridOctree(0, corner, 5);
    nodes[0].first = 0;
    nodes[0].itemCount = 1;
    CollisionMeshDesc mesh;
    mesh.typeMask = 1 | 2 | 4;
    const Vec3 up{0, 1, 0};
    // Solid ground, walls and ceiling.
    mesh.AddFace(0, Flat(0, 16, 0, 16, ARENA_FLOOR), up);
    mesh.AddFace(0, {{12, 0, 12}, {12, 4, 12}, {12, 4, 16}, {12, 0, 16}}, {-1, 0, 0});
    mesh.AddFace(0, Flat(2, 6, 10, 14, 3.0f), {0, -1, 0});
    const Vec3 ramp = Vec3Normalize({-0.5f, 1.0f, 0.0f});
    mesh.AddFace(0, {{16, ARENA_FLOOR, 0}, {20, ARENA_PLATFORM, 0}, {20, ARENA_PLATFORM, 8}, {16, ARENA_FLOOR, 8}}, ramp);
    mesh.AddFace(0, Flat(20, 24, 0, 8, ARENA_PLATFORM), up);
    mesh.AddFace(0, {{24, ARENA_LOWER, 0}, {24, ARENA_PLATFORM, 0}, {24, ARENA_PLATFORM, 8}, {24, ARENA_LOWER, 8}}, {1, 0, 0});
    mesh.AddFace(0, Flat(24, 32, 0, 8, ARENA_LOWER), up);
    mesh.AddFace(0, Flat(16, 24, 8, 16, -1.0f), up);
    mesh.AddFace(0, Flat(24, 32, 8, 16, ARENA_LAVA_BED), up);
    // Water and lava surfaces are not solid.
    mesh.AddFace(1, Flat(16, 24, 8, 16, ARENA_WATER_SURFACE), up);
    mesh.AddFace(2, Flat(24, 32, 8, 16, ARENA_LAVA_SURFACE), up);
    mesh.groups[1].typeMask = 2;
    mesh.groups[2].typeMask = 4;
    return BuildCollisionOctreeBlock(nodes, {mesh}, 320);
}

bool LoadArenaCollision(CollisionOctree* tree) {
    if (!tree) return false;
    const std::vector<uint8_t> block = ArenaCollisionBlock();
    BinaryReader in(block.data(), block.size());
    return tree->Read(in, 320);
}

std::vector<uint8_t> ArenaSceneFile() {
    Y3DSceneFile f;
    f.header.version = 320;
    f.header.geometry = 1;
    const int32_t corner[3] = {0, -8, 0};
    f.renderOctree = BuildRenderOctreeBlock(GridOctree(0, corner, 5));
    f.collisionOctree = ArenaCollisionBlock();
    return f.Build();
}

void BuildArenaPathMap(PathMap* map) {
    PathMapBuilder b(32, 16);
    b.Area(0, 0, 15, 15, ARENA_FLOOR, 0);
    // Each ramp cell's floor is its highest point.
    for (int32_t x = 16; x < 20; ++x) b.Area(x, 0, x, 7, 0.5f * float(x - 15), 0);
    b.Area(20, 0, 23, 7, ARENA_PLATFORM, 0);
    b.Area(16, 8, 23, 15, -1.0f, 0);
    b.Area(24, 0, 31, 7, ARENA_LOWER, 1);
    b.Area(24, 8, 31, 15, ARENA_LAVA_BED, 1);
    b.Jump({23, 4, 0}, {25, 4, 0});
    b.Reach(0, 1, 1);
    b.Build(map);
}

// ---- Recorders ----

void FighterRecorder::Clear() {
    sounds.clear();
    events.clear();
    for (KitEffectSlot& e : effects) e = KitEffectSlot{};
    created.clear();
    local = nullptr;
    frameSeconds = 0.02f;
    controlMode = 3;
    cameraYawResets = 0;
    cameraPlacements.clear();
    viewerModel = nullptr;
    musicFades.clear();
    screenFades = 0;
    leaveRequests = 0;
    for (bool& h : directionHeld) h = false;
    selectedPower = -1;
    targetMarker = false;
    secondTick = false;
    screenItems.clear();
    decals = 0;
}

std::vector<int32_t> FighterRecorder::CreatedOfType(int32_t type) const {
    std::vector<int32_t> out;
    for (int32_t s : created)
        if (effects[s].type == type) out.push_back(s);
    return out;
}

FighterRecorder& Recorder() {
    static FighterRecorder r;
    return r;
}

int32_t KitEffectLifetime(int32_t type) { return type == 87 ? 2000 : EFFECT_ENDLESS; }

namespace {

bool Slot(int32_t s) { return s >= 0 && s < EFFECT_SLOT_COUNT; }

constexpr uint32_t kUntimedLifetimeMs = 2000;

bool KeptUntilStopped(int32_t type) {
    switch (type) {
        case 63: case 64: case 65: case 66: case 67: case 70: case 72: case 83: case 90:
        case 93: case 94: case 95: case 96: case 97: return true;
        default: return false;
    }
}

void AgeKitPool(uint32_t frameMs) {
    for (KitEffectSlot& e : Recorder().effects) {
        if (!e.active) continue;
        if (e.stopped) {
            e.active = false;
            continue;
        }
        if (KeptUntilStopped(e.type)) continue;
        e.ageMs += frameMs;
        const uint32_t lifetime = e.durationMs > 0 ? uint32_t(e.durationMs) : kUntimedLifetimeMs;
        if (e.ageMs >= lifetime) e.active = false;
    }
}

EffectCalls KitPool() {
    EffectCalls e;
    e.create = [](int32_t slot, int32_t type, const Vec3& position, const Vec3& aimPoint, const Vec3& velocity,
                  const Vec3& acceleration, const Vec3& direction, int32_t durationMs, float scale,
                  uint32_t colour, Character* owner) -> int32_t {
        FighterRecorder& r = Recorder();
        if (!Slot(slot)) {
            slot = -1;
            for (int32_t i = 0; i < EFFECT_SLOT_COUNT && slot < 0; ++i)
                if (!r.effects[i].active) slot = i;
            if (slot < 0) return EFFECT_NO_SLOT;
        } else if (r.effects[slot].active) {
            return EFFECT_NO_SLOT;
        }
        KitEffectSlot& made = r.effects[slot];
        made = KitEffectSlot{true, false, true, type, position, aimPoint, velocity, durationMs, owner, direction};
        made.acceleration = acceleration;
        made.scale = scale;
        made.colour = colour;
        r.created.push_back(slot);
        return slot;
    };
    e.typeLifetime = KitEffectLifetime;
    e.inUse = [](int32_t s) { return Slot(s) && Recorder().effects[s].active; };
    e.typeOf = [](int32_t s) { return Slot(s) && Recorder().effects[s].active ? Recorder().effects[s].type : -1; };
    e.setPosition = [](int32_t s, const Vec3& p) {
        if (Slot(s)) Recorder().effects[s].position = p;
    };
    e.stop = [](int32_t s, uint32_t) {
        if (Slot(s)) Recorder().effects[s].stopped = true;
    };
    e.free = [](int32_t s) {
        if (Slot(s)) Recorder().effects[s].active = false;
    };
    e.setCullBoxOn = [](int32_t s, bool on) {
        if (Slot(s)) Recorder().effects[s].cullBoxOn = on;
    };
    e.newSprite = []() -> SpriteMover* { return new SpriteMover; };
    e.positionOf = [](int32_t s) { return Slot(s) ? Recorder().effects[s].position : Vec3{}; };
    e.facingOf = [](int32_t s) { return Slot(s) ? Recorder().effects[s].direction : Vec3{}; };
    e.setDirection = [](int32_t s, float a) {
        if (!Slot(s)) return;
        KitEffectSlot& e = Recorder().effects[s];
        if (e.type != 63 && e.type != 64) return;
        e.angle = a;
        e.direction = Vec3{std::sin(a), 0.0f, std::cos(a)};
    };
    e.getDirection = [](int32_t s) { return Slot(s) ? Recorder().effects[s].angle : 0.0f; };
    e.setTarget = [](int32_t s, Character* target) {
        if (Slot(s)) Recorder().effects[s].target = target;
    };
    e.setTargetPoint = [](int32_t s, const Vec3& t) {
        if (Slot(s)) Recorder().effects[s].aimPoint = t;
    };
    e.targetPointOf = [](int32_t s) { return Slot(s) ? Recorder().effects[s].aimPoint : Vec3{}; };
    e.createDecal = [](const char*, const Vec3&, float, const Vec3&, uint32_t, uint32_t, uint32_t) {
        ++Recorder().decals;
    };
    e.ownerOf = [](int32_t s) { return Slot(s) ? Recorder().effects[s].owner : nullptr; };
    e.velocityOf = [](int32_t s) { return Slot(s) ? Recorder().effects[s].velocity : Vec3{}; };
    e.stoppedOf = [](int32_t s) { return Slot(s) && Recorder().effects[s].stopped; };
    e.updateAll = AgeKitPool;
    e.releaseAll = [] {
        for (KitEffectSlot& k : Recorder().effects) k.active = false;
    };
    e.forgetFighter = [](const Character* fighter) {
        for (KitEffectSlot& k : Recorder().effects) {
            if (!k.active) continue;
            if (k.owner == fighter) k.owner = nullptr;
            if (k.target == fighter) k.target = nullptr;
        }
    };
    return e;
}

}  // namespace

void InstallKitEffectPool() { g_EffectCalls = KitPool(); }

void InstallFighterRecorders() {
    FighterShellCalls& s = g_FighterShellCalls;
    s.localFighter = [] { return Recorder().local; };
    s.frameSeconds = [] { return Recorder().frameSeconds; };
    s.controlMode = [] { return Recorder().controlMode; };
    s.resetCameraYawOffset = [] { ++Recorder().cameraYawResets; };
    s.placeCameraBehind = [](Character* c) { Recorder().cameraPlacements.push_back(c); };
    s.setViewerModel = [](CharacterModel* m) { Recorder().viewerModel = m; };
    s.fadeOutMusic = [](uint32_t ms) { Recorder().musicFades.push_back(ms); };
    s.fadeOutScreen = [] { ++Recorder().screenFades; };
    s.requestLeaveMatch = [] { ++Recorder().leaveRequests; };
    // The frame's milliseconds follow its seconds, so one value sets both.
    s.frameMs = [] { return int(std::lround(Recorder().frameSeconds * 1000.0f)); };
    s.actionHeld = [](int player, int action) {
        return player == 0 && action >= 0 && action < 4 && Recorder().directionHeld[action];
    };
    s.playFx = [](int id, const Vec3* p, uint32_t) {
        Recorder().sounds.push_back(RecordedSound{id, p != nullptr, p ? *p : Vec3{}});
        return 0;
    };
    s.selectedPower = [] { return Recorder().selectedPower; };
    s.selectPower = [](int power) { Recorder().selectedPower = power; };
    s.targetMarker = [] { return Recorder().targetMarker; };
    s.setTargetMarker = [](bool on) { Recorder().targetMarker = on; };
    s.secondTick = [] { return Recorder().secondTick; };
    s.screenItem = [](int type) { Recorder().screenItems.push_back(type); };
    g_GamePacketSink = [](const uint8_t* event, size_t size) {
        Recorder().events.emplace_back(event, event + size);
    };
    InstallKitEffectPool();
}

void RemoveFighterRecorders() {
    ResetFighterShellCalls();
    ResetGamePacketSink();
    ResetEffectCalls();
}

}  // namespace testsupport
