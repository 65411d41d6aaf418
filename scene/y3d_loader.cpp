#include "scene/y3d_loader.h"

#include "scene/scene_element.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "common/binary_reader.h"
#include "effects/effect_list.h"
#include "frontend/loading_screen.h"
#include "render/index_buffer_table.h"
#include "render/material.h"
#include "render/mesh.h"
#include "render/render_octree.h"
#include "render/vertex_buffer_table.h"
#include "render/video.h"
#include "scene/animation.h"
#include "scene/bone.h"
#include "scene/character_model.h"
#include "scene/collision_mesh.h"
#include "scene/collision_octree.h"
#include "scene/flare.h"
#include "scene/glow.h"
#include "scene/lava.h"
#include "scene/light_node.h"
#include "scene/mesh_node.h"
#include "scene/mirror.h"
#include "scene/object_list.h"
#include "scene/scene.h"
#include "scene/water.h"
#include "world/dynamic_mesh.h"
#include "core/debug_log.h"
#include "core/pack_file.h"

namespace {

constexpr const char* kModelPack = "MODELOS.DAT";
constexpr const char* kAnimationPack = "ANIMACIONES.DAT";
constexpr const char* kSignature = "QTXMAX";
constexpr uint32_t kLightTail = 29;
constexpr uint32_t kPointLightExtra = 16;
constexpr uint32_t kDirectionalLightExtra = 36;

void CopyName(char* dst, const uint8_t* src) {
    std::memcpy(dst, src, Y3D_OBJECT_NAME_SIZE);
    dst[Y3D_OBJECT_NAME_SIZE] = 0;
}

bool ReadVec3(BinaryReader& in, Vec3& v) { return in.ReadF32(v.x) && in.ReadF32(v.y) && in.ReadF32(v.z); }
bool ReadQuat(BinaryReader& in, Quat& q) { return in.ReadF32(q.x) && in.ReadF32(q.y) && in.ReadF32(q.z) && in.ReadF32(q.w); }

// The counts of the file's own blocks, against which every stored index is checked.
struct FileLimits {
    uint32_t materials = 0;
    uint32_t vertexBuffers = 0;
    uint32_t indexBuffers = 0;
};

// Walks `count` mesh records from the reader's position without keeping anything, so that a mesh
// reader that cannot report a bad record is never handed one. The reader is put back.
bool ScanMeshRecords(BinaryReader& in, uint32_t count, const FileLimits& limits) {
    const size_t start = in.Tell();
    bool ok = true;
    for (uint32_t i = 0; i < count && ok; ++i) {
        const uint8_t* raw = in.Span(MESH_RECORD_SIZE);
        if (!raw) {
            WriteDebugLogF("Y3D: malla %u cortada", i);
            ok = false;
            break;
        }
        BinaryReader r(raw, MESH_RECORD_SIZE);
        uint32_t material = 0, ib = 0, vb = 0, startIndex = 0;
        uint8_t headerByte = 0;
        uint16_t triangles = 0, lo = 0, hi = 0, flags = 0;
        r.ReadU32(material);
        r.ReadU8(headerByte);
        r.ReadU32(ib);
        r.ReadU32(vb);
        r.ReadU32(startIndex);
        r.ReadU16(triangles);
        r.ReadU16(lo);
        r.ReadU16(hi);
        r.ReadU16(flags);
        if (material >= limits.materials || ib >= limits.indexBuffers || vb >= limits.vertexBuffers) {
            WriteDebugLogF("Y3D: malla %u con material %u, indices %u o vertices %u fuera del fichero", i, material, ib,
                           vb);
            ok = false;
            break;
        }
        if (!in.Skip(size_t(triangles) * 12)) {
            WriteDebugLogF("Y3D: centros de la malla %u fuera del fichero", i);
            ok = false;
            break;
        }
        if (flags & MESH_FLAG_COLLISION) {
            CollisionMesh mesh;
            if (!mesh.Read(in, g_Y3DVersion)) {
                WriteDebugLog("Y3D: malla de colision ilegible");
                ok = false;
                break;
            }
        }
    }
    in.Seek(start);
    return ok;
}

// What a load adds to the scene's tables, so that a file that turns out malformed can be taken
// out again: the slots that were empty before it started.
struct TableMarks {
    std::vector<bool> materials, vertexBuffers, indexBuffers, meshes;

    template <typename T>
    static std::vector<bool> Occupied(const std::vector<T*>& slots) {
        std::vector<bool> used(slots.size());
        for (size_t i = 0; i < slots.size(); ++i) used[i] = slots[i] != nullptr;
        return used;
    }
    static bool IsNew(const std::vector<bool>& before, size_t i) { return i >= before.size() || !before[i]; }

    void Take(const Scene& s) {
        materials = Occupied(s.materials->slots);
        vertexBuffers = Occupied(s.vertexBuffers->buffers);
        indexBuffers = Occupied(s.indexBuffers->buffers);
        meshes = Occupied(s.meshes->slots);
    }
    // Meshes first: they hold references on the buffers and materials.
    void Undo(Scene& s) const {
        for (size_t i = 0; i < s.meshes->slots.size(); ++i)
            if (s.meshes->slots[i] && IsNew(meshes, i)) MeshTableDelete(s.meshes, int32_t(i));
        for (size_t i = 0; i < s.indexBuffers->buffers.size(); ++i)
            if (IsNew(indexBuffers, i))
                while (s.indexBuffers->Get(int32_t(i))) s.indexBuffers->Release(int32_t(i));
        for (size_t i = 0; i < s.vertexBuffers->buffers.size(); ++i)
            if (IsNew(vertexBuffers, i))
                while (s.vertexBuffers->Get(int32_t(i))) s.vertexBuffers->Release(int32_t(i));
        for (size_t i = 0; i < s.materials->slots.size(); ++i)
            if (s.materials->slots[i] && IsNew(materials, i)) MaterialTableDelete(s.materials, int32_t(i));
    }
};

// Everything one file makes, handed to the scene only once the whole file has been read.
struct PendingLoad {
    std::vector<SceneNode*> objects;
    std::vector<SceneNode*> collidables;
    std::vector<SceneNode*> elements;
    std::vector<SceneNode*> texturedElements;
    std::vector<SceneNode*> mirrors;
    std::vector<SceneNode*> waters;
    std::vector<PositionedObject*> effects;
    std::vector<LightNode*> lights;
    LightNode* sun = nullptr;
    std::unique_ptr<RenderOctree> renderOctree;
    std::unique_ptr<CollisionOctree> collisionOctree;

    ~PendingLoad() { Discard(); }
    static void DeleteAll(std::vector<SceneNode*>& nodes) {
        for (SceneNode* node : nodes) delete node;
        nodes.clear();
    }
    void Discard() {
        DeleteAll(objects);
        DeleteAll(collidables);
        DeleteAll(elements);
        DeleteAll(texturedElements);
        DeleteAll(mirrors);
        DeleteAll(waters);
        for (PositionedObject* effect : effects) delete effect;
        effects.clear();
        for (LightNode* light : lights) delete light;
        lights.clear();
        delete sun;
        sun = nullptr;
        renderOctree.reset();
        collisionOctree.reset();
    }
};

enum class RecordResult { Loaded, Skip, Fail };

struct LoadContext {
    BinaryReader& in;
    const std::vector<int32_t>& materialIds;
    int32_t firstIndexBuffer;
    int32_t firstVertexBuffer;
    FileLimits limits;
    PendingLoad& pending;
};

// A mesh node, or one of the movable kinds built on it, into the list.
template <typename Node>
RecordResult LoadMeshNode(LoadContext& c, std::vector<SceneNode*>& into) {
    // The mesh count sits in the tail after the node header; its records are checked first.
    const size_t start = c.in.Tell();
    const uint8_t* head = c.in.Span(SCENE_NODE_HEADER_SIZE + MESH_NODE_TAIL_SIZE);
    if (!head) {
        WriteDebugLog("Y3D: nodo de mallas cortado");
        return RecordResult::Fail;
    }
    const uint8_t meshCount = head[SCENE_NODE_HEADER_SIZE + 4];
    if (!ScanMeshRecords(c.in, meshCount, c.limits)) return RecordResult::Fail;
    c.in.Seek(start);
    auto node = std::make_unique<Node>();
    if (!node->Load(c.in, c.materialIds, c.firstIndexBuffer, c.firstVertexBuffer)) return RecordResult::Fail;
    into.push_back(node.release());
    return RecordResult::Loaded;
}

RecordResult LoadLight(LoadContext& c, uint32_t type) {
    std::unique_ptr<LightNode> light;
    uint32_t extra = kDirectionalLightExtra;
    if (type == Y3D_RECORD_DIRECTIONAL_LIGHT) {
        light = std::make_unique<DirectionalLight>();
    } else if (type == Y3D_RECORD_AIMED_LIGHT) {
        light = std::make_unique<AimedLight>();
    } else {
        light = std::make_unique<PointLight>();
        extra = kPointLightExtra;
    }
    // The light reads its own record only.
    const size_t size = SCENE_NODE_HEADER_SIZE + kLightTail + extra;
    const uint8_t* bytes = c.in.Span(size);
    if (!bytes) {
        WriteDebugLog("Y3D: luz cortada");
        return RecordResult::Fail;
    }
    BinaryReader in(bytes, size);
    if (!light->Load(&in)) {
        WriteDebugLogF("Y3D: luz de tipo 0x%X ilegible", type);
        return RecordResult::Fail;
    }
    // A point light never becomes the sun, whatever its name says.
    if (type != Y3D_RECORD_POINT_LIGHT && Y3DNameHasTag(light->name.c_str(), "SOL")) {
        delete c.pending.sun;   // a second sun in one file replaces the first
        c.pending.sun = light.release();
    } else {
        c.pending.lights.push_back(light.release());
    }
    return RecordResult::Loaded;
}

// Loads a node from the reader and keeps it in the list.
template <typename T, typename... Args>
RecordResult LoadNode(std::vector<SceneNode*>& into, Args&&... args) {
    auto node = std::make_unique<T>();
    if (!node->Load(std::forward<Args>(args)...)) return RecordResult::Fail;
    into.push_back(node.release());
    return RecordResult::Loaded;
}

// The flare reads the node header that stands at the reader.
RecordResult LoadFlare(LoadContext& c) {
    auto flare = std::make_unique<FlareNode>();
    if (!flare->LoadFromNode(c.in)) return RecordResult::Fail;
    c.pending.effects.push_back(flare.release());
    return RecordResult::Loaded;
}

RecordResult LoadGlow(LoadContext& c) {
    auto glow = std::make_unique<GlowNode>();
    if (!glow->LoadFromNode(c.in)) return RecordResult::Fail;
    c.pending.effects.push_back(glow.release());
    return RecordResult::Loaded;
}

RecordResult LoadRecord(LoadContext& c, const Y3DObjectRecord& record) {
    PendingLoad& p = c.pending;
    switch (record.type) {
    case Y3D_RECORD_MESH_NODE:
        return LoadMeshNode<MeshNode>(c, p.objects);
    case Y3D_RECORD_DYNAMIC_MESH:
        return LoadMeshNode<DynamicMesh>(c, p.objects);
    case Y3D_RECORD_DYNAMIC_COLLIDABLE:
        return LoadMeshNode<DynamicCollidableMesh>(c, p.collidables);
    case Y3D_RECORD_DIRECTIONAL_LIGHT:
    case Y3D_RECORD_POINT_LIGHT:
    case Y3D_RECORD_AIMED_LIGHT:
        return LoadLight(c, record.type);
    case Y3D_RECORD_TEXTURED_ELEMENT: {
        // Then treated as a helper: a flare when its name is tagged, else left by its offset.
        const RecordResult element = LoadNode<TexturedElement>(p.texturedElements, c.in);
        if (element != RecordResult::Loaded) return element;
        return Y3DNameHasTag(record.name, "FLARE") ? LoadFlare(c) : RecordResult::Skip;
    }
    case Y3D_RECORD_HELPER:
        return Y3DNameHasTag(record.name, "FLARE") ? LoadFlare(c) : RecordResult::Skip;
    case Y3D_RECORD_GLOW:
        return LoadGlow(c);
    case Y3D_RECORD_MIRROR:
        return LoadNode<Mirror>(p.mirrors, c.in, c.materialIds, c.firstIndexBuffer, c.firstVertexBuffer);
    case Y3D_RECORD_WATER:
        return LoadNode<WaterObject>(p.waters, c.in, c.materialIds);
    case Y3D_RECORD_LAVA:
        return LoadNode<LavaNode>(p.objects, c.in, c.materialIds);
    case Y3D_RECORD_ELEMENT_8:
        return LoadNode<SceneElement8>(p.elements, c.in);
    case Y3D_RECORD_ELEMENT_4:
        return LoadNode<SceneElement4>(p.elements, c.in);
    default:
        return RecordResult::Skip;
    }
}

// Hands the nodes to the list; without one they are not kept.
void Commit(std::vector<SceneNode*>& nodes, ObjectList* list) {
    for (SceneNode* node : nodes) {
        if (list)
            list->Add(node);
        else
            delete node;
    }
    nodes.clear();
}

bool Contains(const char* text, const char* part) { return text && std::strstr(text, part) != nullptr; }


}  // namespace

// ---- Container records ----

bool ParseY3DHeader(const uint8_t (&bytes)[Y3D_FILE_HEADER_SIZE], Y3DHeader* out) {
    BinaryReader in(bytes, Y3D_FILE_HEADER_SIZE);
    Y3DHeader h{};
    in.ReadBytes(h.signature, sizeof h.signature);
    in.ReadU16(h.version);
    in.ReadU32(h.geometry);
    in.ReadBytes(h.ambient, sizeof h.ambient);
    in.ReadU32(h.objectCount);
    in.ReadU32(h.frameCount);
    in.ReadU32(h.firstObject);
    if (out) *out = h;
    // Compared as a zero-terminated string: the seventh byte ends it.
    if (std::memcmp(h.signature, kSignature, 7) != 0) return false;
    return h.version <= Y3D_MAX_VERSION;
}

bool ReadY3DHeader(BinaryReader& in, Y3DHeader* out) {
    uint8_t bytes[Y3D_FILE_HEADER_SIZE];
    if (!in.ReadBytes(bytes, sizeof bytes)) {
        WriteDebugLog("Y3D: cabecera cortada");
        return false;
    }
    Y3DHeader h{};
    const bool ok = ParseY3DHeader(bytes, &h);
    if (out) *out = h;
    if (!ok) {
        WriteDebugLogF("Y3D: firma o version %u no admitida", unsigned(h.version));
        return false;
    }
    g_Y3DVersion = h.version;
    return true;
}

bool ParseY3DObjectRecord(const uint8_t (&bytes)[Y3D_OBJECT_RECORD_SIZE], Y3DObjectRecord* out) {
    BinaryReader in(bytes, Y3D_OBJECT_RECORD_SIZE);
    CopyName(out->name, bytes);
    in.Skip(Y3D_OBJECT_NAME_SIZE);
    in.ReadU32(out->type);
    in.Skip(12);
    in.ReadU32(out->next);
    return in.ok();
}

bool ReadY3DObjectRecord(BinaryReader& in, Y3DObjectRecord* out) {
    uint8_t bytes[Y3D_OBJECT_RECORD_SIZE];
    if (!in.ReadBytes(bytes, sizeof bytes)) return false;
    return ParseY3DObjectRecord(bytes, out);
}

bool FindY3DObject(BinaryReader& in, uint32_t firstObject, uint32_t objectCount, uint32_t type,
                   Y3DObjectRecord* record) {
    if (!in.Seek(firstObject)) return false;
    for (uint32_t i = 0; i < objectCount; ++i) {
        const size_t at = in.Tell();
        if (!ReadY3DObjectRecord(in, record)) return false;
        if (record->type == type) return true;
        // Records only ever point forward: anything else would walk the same records again.
        if (record->next < at + Y3D_OBJECT_RECORD_SIZE || !in.Seek(record->next)) {
            WriteDebugLogF("Y3D: objeto %u apunta fuera del fichero (%u)", i, record->next);
            return false;
        }
    }
    return false;
}

bool ReadY3DNodeHeader(BinaryReader& in, Y3DNodeHeader* out) {
    if (in.Remaining() < SCENE_NODE_HEADER_SIZE) return false;
    const size_t start = in.Tell();
    Y3DNodeHeader h{};
    uint8_t name[Y3D_OBJECT_NAME_SIZE];
    in.ReadBytes(name, sizeof name);
    CopyName(h.name, name);
    in.ReadU32(h.childCount);
    in.ReadU32(h.nodesBelow);
    in.ReadU32(h.type);
    in.ReadU32(h.animationGroup);
    in.Skip(52);
    for (float& v : h.world) in.ReadF32(v);
    in.Skip(4);
    ReadVec3(in, h.parts.translation);
    ReadQuat(in, h.parts.rotation);
    ReadQuat(in, h.parts.stretchRotation);
    ReadVec3(in, h.parts.stretchScale);
    in.ReadF32(h.parts.sign);
    ReadVec3(in, h.position);
    in.Skip(48);
    in.ReadU32(h.trackWords[0]);
    in.ReadU32(h.trackWords[1]);
    in.ReadU8(h.trackFlags);
    in.ReadU32(h.keyCount);
    in.Seek(start + SCENE_NODE_HEADER_SIZE);
    *out = h;
    return true;
}

bool ReadLightNodeHeader(BinaryReader& file, uint32_t* recordType, std::string* name) {
    Y3DNodeHeader h;
    if (!ReadY3DNodeHeader(file, &h)) return false;
    if (recordType) *recordType = h.type;
    if (name) *name = h.name;
    return true;
}

bool Y3DNameHasTag(const char* name, const char* tag) { return HasNameTag(name, tag); }

std::string CharacterModelLevelName(const char* name, int level) {
    if (!name) return {};
    if (level == 0) return name;
    std::string base(name);
    base = base.substr(0, base.find('.'));
    return base + char('A' + level) + ".Y3D";
}

std::string CharacterModelShadowName(const char* name) {
    if (!name) return {};
    std::string base(name);
    return base.substr(0, base.find('.')) + "shadow.Y3D";
}

int CountCharacterModelLevels(const char* name) {
    int levels = 0;
    while (levels < 5 && FindPackEntry(kModelPack, CharacterModelLevelName(name, levels).c_str()) != 0) ++levels;
    return levels;
}


// ---- Scene loaders ----

bool Scene::LoadModel(const char* fileName, const char* textureFolder, uint32_t materialFlags, bool showProgress) {
    if (!fileName) return false;
    if (!objects) {
        WriteDebugLogF("Y3D: no hay escena para %s", fileName);
        return false;
    }
    PackEntry entry;
    if (!entry.Open(kModelPack, fileName)) {
        WriteDebugLogF("Y3D: no se puede abrir %s", fileName);
        return false;
    }
    BinaryReader& in = entry.Reader();
    WriteDebugLogNewLine();
    WriteDebugLogNewLine();
    WriteDebugLogF("Cargando fichero %s...", fileName);

    Y3DHeader header;
    if (!ReadY3DHeader(in, &header)) return false;

    TableMarks marks;
    marks.Take(*this);
    PendingLoad pending;
    std::vector<int32_t> materialIds;
    bool ok = false;
    do {
        if (!materials->Load(in, &materialIds, textureFolder, materialFlags, showProgress)) break;
        if (showProgress) g_LoadingScreen.Show(0.5f);
        FileLimits limits;
        limits.materials = uint32_t(materialIds.size());

        // An empty block and a rejected one both give -1: the stored count tells them apart.
        if (!in.PeekU32(limits.vertexBuffers)) break;
        const int32_t firstVertexBuffer = vertexBuffers->Load(in, Y3D_BUFFER_USAGE);
        if (limits.vertexBuffers > 0 && firstVertexBuffer < 0) break;
        if (!in.PeekU32(limits.indexBuffers)) break;
        const int32_t firstIndexBuffer = indexBuffers->Load(in, firstVertexBuffer, Y3D_BUFFER_USAGE);
        if (limits.indexBuffers > 0 && firstIndexBuffer < 0) break;

        if (header.geometry == 1) {
            const size_t meshList = in.Tell();
            uint32_t meshCount = 0;
            if (!in.ReadU32(meshCount)) break;
            const bool sound = ScanMeshRecords(in, meshCount, limits);
            in.Seek(meshList);
            if (!sound) break;
            const int32_t firstMesh = meshes->Load(in, materialIds, firstIndexBuffer, firstVertexBuffer);
            if (meshCount > 0 && firstMesh < 0) break;
            pending.renderOctree = std::make_unique<RenderOctree>();
            if (!pending.renderOctree->Read(in, firstMesh)) {
                WriteDebugLog("Y3D: octree de dibujo ilegible");
                break;
            }
            pending.collisionOctree = std::make_unique<CollisionOctree>();
            if (!pending.collisionOctree->Read(in, g_Y3DVersion)) {
                WriteDebugLog("Y3D: octree de colision ilegible");
                break;
            }
        }

        LoadContext context{in, materialIds, firstIndexBuffer, firstVertexBuffer, limits, pending};
        bool failed = false;
        for (uint32_t i = 0; i < header.objectCount && !failed; ++i) {
            const size_t at = in.Tell();
            Y3DObjectRecord record;
            // A short record ends the run; what came before it stands.
            if (!ReadY3DObjectRecord(in, &record)) break;
            switch (LoadRecord(context, record)) {
            case RecordResult::Loaded:
                break;
            case RecordResult::Fail:
                WriteDebugLogF("Y3D: objeto %u (\"%.64s\", tipo 0x%X) ilegible en %s", i, record.name, record.type,
                               fileName);
                failed = true;
                break;
            case RecordResult::Skip: {
                // Records only ever point forward, so the run always ends.
                if (record.next < at + Y3D_OBJECT_RECORD_SIZE || !in.Seek(record.next)) {
                    WriteDebugLogF("Y3D: objeto %u apunta fuera del fichero (%u) en %s", i, record.next, fileName);
                    failed = true;
                }
                break;
            }
            }
        }
        ok = !failed;
    } while (false);
    entry.Close();

    if (!ok) {
        // Nodes first: they hold references on the meshes the marks then take out.
        pending.Discard();
        marks.Undo(*this);
        WriteDebugLogF("Y3D: %s rechazado", fileName);
        return false;
    }

    // The file is sound: what it made joins the scene.
    Commit(pending.objects, objects);
    Commit(pending.collidables, collidables);
    Commit(pending.elements, elements);
    Commit(pending.texturedElements, texturedElements);
    Commit(pending.mirrors, mirrors);
    Commit(pending.waters, waters);
    for (PositionedObject* effect : pending.effects) {
        if (!effects || !effects->Add(effect)) delete effect;
    }
    pending.effects.clear();
    for (LightNode* light : pending.lights) lights.insert(lights.begin(), light);
    pending.lights.clear();
    if (pending.sun) {
        if (sun && std::find(lights.begin(), lights.end(), sun) == lights.end()) delete sun;
        sun = pending.sun;
        pending.sun = nullptr;
    }
    if (pending.renderOctree) {
        delete renderOctree;
        renderOctree = pending.renderOctree.release();
    }
    if (pending.collisionOctree) {
        const bool shared = SceneCollisionOctree() == collisionOctree;
        delete collisionOctree;
        collisionOctree = pending.collisionOctree.release();
        if (shared) SetSceneCollisionOctree(collisionOctree);
    }
    if (Contains(fileName, "Escenario") && !Contains(fileName, "Merge") && g_Video.device)
        g_Video.SetAmbient(0xFF000000u | uint32_t(header.ambient[0]) << 16 | uint32_t(header.ambient[1]) << 8 |
                           header.ambient[2]);
    if (showProgress) g_LoadingScreen.Show(0.55f);
    WriteDebugLogF("Cargando fichero %s... OK", fileName);
    return true;
}

// The load flags are not passed on: the model's detail-level loader takes none.
CharacterModel* Scene::LoadCharacterModel(const char* fileName, const char*, uint32_t, bool showProgress) {
    if (!fileName) return nullptr;
    PackEntry entry;
    if (!entry.Open(kModelPack, fileName)) {
        WriteDebugLogF("Y3D: no se puede abrir %s", fileName);
        return nullptr;
    }
    BinaryReader& in = entry.Reader();
    WriteDebugLogNewLine();
    WriteDebugLogNewLine();
    WriteDebugLogF("Cargando fichero %s...", fileName);

    Y3DHeader header;
    if (!ReadY3DHeader(in, &header)) return nullptr;
    if (header.objectCount < 1) {
        WriteDebugLogF("Y3D: %s sin objetos", fileName);
        return nullptr;
    }
    // The skeleton starts at the first bone record.
    Y3DObjectRecord record;
    if (!FindY3DObject(in, header.firstObject, header.objectCount, Y3D_RECORD_BONE, &record)) {
        WriteDebugLogF("Y3D: %s sin esqueleto", fileName);
        return nullptr;
    }
    in.Seek(in.Tell() - Y3D_OBJECT_RECORD_SIZE);

    CharacterModel* model = new CharacterModel();
    const bool skeleton = model->LoadSkeleton(in);
    entry.Close();
    if (!skeleton) {
        WriteDebugLogF("Y3D: esqueleto de %s ilegible", fileName);
        delete model;
        return nullptr;
    }

    // Detail levels, until the first one missing; level 0 must be there. A file that is there but
    // does not load fills no level, and the next one takes the first empty level.
    for (int level = 0; level < 5; ++level) {
        const std::string name = CharacterModelLevelName(fileName, level);
        if (FindPackEntry(kModelPack, name.c_str()) == 0) {
            if (level == 0) {
                WriteDebugLogF("Y3D: %s sin nivel de detalle 0", fileName);
                delete model;
                return nullptr;
            }
            break;
        }
        if (!model->LoadFromPack(name.c_str())) WriteDebugLogF("Y3D: nivel de detalle %s ilegible", name.c_str());
    }
    const std::string shadow = CharacterModelShadowName(fileName);
    if (FindPackEntry(kModelPack, shadow.c_str()) != 0) model->LoadWithLoader(shadow.c_str());
    if (showProgress) g_LoadingScreen.Advance(0.1f);
    if (model->animationGroup >= 0) LoadAnimationGroup(model->animationGroup);
    if (showProgress) g_LoadingScreen.Advance(0.1f);
    return model;
}

bool Scene::LoadAnimationGroup(int group) {
    if (group < 0 || group >= SCENE_ANIMATION_GROUPS) {
        WriteDebugLogF("Y3D: grupo de animaciones %d fuera de 0..%d", group, SCENE_ANIMATION_GROUPS - 1);
        return false;
    }
    if (animations[group]) return true;
    animations[group] = new Animation*[SCENE_ANIMATIONS_PER_GROUP]();
    for (int i = 0; i < SCENE_ANIMATIONS_PER_GROUP; ++i) {
        char path[64];
        std::snprintf(path, sizeof path, "ANIMACIONES\\Grupo%02d\\ani%02d%03d.y3d", group, group, i);
        PackEntry entry;
        if (!entry.Open(kAnimationPack, path)) continue;
        // A failed read keeps the (empty) animation in its slot.
        Animation* animation = new Animation();
        animations[group][i] = animation;
        animation->Read(entry.Reader());
    }
    return true;
}

void Scene::ReloadAnimations() {
    for (int g = 0; g < SCENE_ANIMATION_GROUPS; ++g) {
        if (!animations[g]) continue;
        for (int i = 0; i < SCENE_ANIMATIONS_PER_GROUP; ++i) {
            if (!animations[g][i]) continue;
            animations[g][i]->Free();
            delete animations[g][i];
        }
        delete[] animations[g];
        animations[g] = nullptr;
        LoadAnimationGroup(g);
    }
}
