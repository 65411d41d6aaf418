#include "render/material.h"

#include <cmath>
#include <cstring>

#include "common/binary_reader.h"
#include "common/math.h"
#include "frontend/loading_screen.h"
#include "platform/gfx/types.h"
#include "render/texture_manager.h"
#include "render/video.h"
#include "scene/animation.h"
#include "scene/camera.h"
#include "scene/light_node.h"
#include "scene/scene.h"
#include "core/clocks.h"
#include "core/debug_log.h"
#include "core/settings.h"
#include "world/scenario.h"


namespace {

constexpr uint32_t kKindOrder[] = {MATERIAL_KIND_BASE,     MATERIAL_KIND_SECOND,        MATERIAL_KIND_SPECULAR,
                                   MATERIAL_KIND_LIGHTMAP, MATERIAL_KIND_VERTEX_COLOUR, MATERIAL_KIND_HAZE};
constexpr size_t kNameSize = 64;
constexpr uint32_t kOldNamedLayers = 4;

uint32_t MaskOf(const MaterialDescription& d) {
    uint32_t mask = 0;
    for (uint32_t i = 0; i < d.layerCount && i < MATERIAL_MAX_LAYERS; ++i) mask |= d.layers[i].kind;
    return mask;
}

bool SkyAvailable() { return g_Scene.skyTexture >= 0; }

// A texture index with one reference of the material's, or -1.
int32_t LoadLayerTexture(uint32_t kind, const char* name, const char* folder, uint32_t flags, bool newForm) {
    const bool compress = (flags & MATERIAL_LOAD_COMPRESS) != 0;
    bool mipmaps = false;
    const char* prefix = folder ? folder : "";
    switch (kind) {
    case MATERIAL_KIND_BASE:
    case MATERIAL_KIND_SECOND:
        mipmaps = true;
        break;
    case MATERIAL_KIND_SPECULAR:
        if (newForm) prefix = "Texturas\\Efectos\\";
        break;
    case MATERIAL_KIND_LIGHTMAP:
        break;
    case MATERIAL_KIND_HAZE:
        return g_Scene.skyTexture;
    default:
        return -1;
    }
    if (!g_SceneTextures) return -1;
    char path[512];
    std::snprintf(path, sizeof(path), "%s%s", prefix, name);
    int32_t index = g_SceneTextures->LoadTexture(path, kind == MATERIAL_KIND_SPECULAR ? false : compress, mipmaps, true);
    if (index >= 0) g_SceneTextures->AddRef(index);
    return index;
}

// A stored name, cut at its NUL (or at the field's end).
void CopyName(char* out, const uint8_t* field) {
    std::memcpy(out, field, kNameSize);
    out[kNameSize] = '\0';
}

void PlaceStage(MaterialPass& pass, uint32_t arg1, uint32_t arg2, uint32_t op, int32_t texture, int8_t index,
                uint8_t mode) {
    if (pass.stageCount >= MATERIAL_MAX_STAGES) return;
    MaterialStage& s = pass.stages[pass.stageCount++];
    s.arg1 = arg1;
    s.arg2 = arg2;
    s.op = op;
    s.texture = texture;
    s.texCoordIndex = index;
    s.mode = mode;
}

void SetStageTransform(int stage, const Mat4& m) {
    gfx::Matrix t;
    std::memcpy(t.m, m.m, sizeof(t.m));
    g_Video.device->SetTransform(gfx::TransformStateType(gfx::D3DTS_TEXTURE0 + stage), &t);
}

Vec3 NormalizeOrZero(const Vec3& v) {
    float len = Vec3Length(v);
    if (len < 1e-6f) return Vec3{0.0f, 0.0f, 0.0f};
    return Vec3Scale(v, 1.0f / len);
}

// The haze layer borrows the scene's sky texture; every other layer texture is referenced.
bool HoldsReference(const MaterialLayer& layer) { return layer.texture >= 0 && layer.kind != MATERIAL_KIND_HAZE; }

}  // namespace

void ResetMaterialStage(MaterialStage* stage) {
    stage->arg1 = gfx::D3DTA_TEXTURE;
    stage->arg2 = gfx::D3DTA_DIFFUSE;
    stage->op = gfx::D3DTOP_DISABLE;
    stage->texture = -1;
    stage->texCoordIndex = -1;
    stage->mode = MATERIAL_ANIM_NONE;
}

void ResetMaterialPass(MaterialPass* pass) {
    for (MaterialStage& s : pass->stages) ResetMaterialStage(&s);
    pass->stageCount = 0;
    pass->blendPreset = 0;
    pass->factorAlpha = 255;
}

Material::Material() : description{}, passCount(0), refCount(0) {
    for (MaterialPass& p : passes) ResetMaterialPass(&p);
}

Material::~Material() { ReleaseTextures(); }

int Material::Update(uint32_t) { return 0; }

bool Material::IsFinished() const { return false; }

bool Material::SetDescription(const MaterialDescription& desc) {
    description = desc;
    if (description.layerCount > MATERIAL_MAX_LAYERS) description.layerCount = MATERIAL_MAX_LAYERS;
    for (uint32_t i = description.layerCount; i < MATERIAL_MAX_LAYERS; ++i) description.layers[i] = MaterialLayer{0, -1};
    // A mask naming kinds that have no layer would bind another layer's texture (or texture 0).
    description.kindMask = MaskOf(description);
    Rebuild();
    return true;
}

void Material::Assign(const Material& other) {
    if (&other == this) return;
    SetDescription(other.description);
    if (!g_SceneTextures) return;
    for (uint32_t i = 0; i < description.layerCount; ++i)
        if (HoldsReference(description.layers[i])) g_SceneTextures->AddRef(description.layers[i].texture);
}

void Material::Clear() {
    description.layerCount = 0;
    description.options = 0;
    passCount = 0;
    for (MaterialPass& p : passes) ResetMaterialPass(&p);
}

void Material::ReleaseTextures() {
    if (g_SceneTextures) {
        for (uint32_t i = 0; i < description.layerCount && i < MATERIAL_MAX_LAYERS; ++i)
            if (HoldsReference(description.layers[i])) g_SceneTextures->Release(description.layers[i].texture);
    }
    Clear();
}

void Material::AddSpecialLayer() {
    if (description.kindMask & MATERIAL_KIND_HAZE) return;
    // A description that is already full cannot take the haze layer.
    if (description.layerCount >= MATERIAL_MAX_LAYERS) return;
    description.kindMask |= MATERIAL_KIND_HAZE;
    description.layers[description.layerCount++] = MaterialLayer{MATERIAL_KIND_HAZE, g_Scene.skyTexture};
    Rebuild();
}

void MaterialRemoveSpecialLayer(Material* material) {
    if (!material) return;
    MaterialDescription& d = material->description;
    if (!(d.kindMask & MATERIAL_KIND_HAZE)) return;
    d.kindMask &= ~MATERIAL_KIND_HAZE;
    if (d.layerCount > 0) d.layers[--d.layerCount] = MaterialLayer{0, -1};
    material->Rebuild();
}

void Material::Rebuild() {
    for (MaterialPass& pass : passes) ResetMaterialPass(&pass);
    passCount = 0;
    // The stage cache of the video object holds VIDEO_STAGES stages, the last one kept for the
    // closing DISABLE.
    uint32_t limit = g_Video.caps.MaxSimultaneousTextures;
    if (limit > uint32_t(VIDEO_STAGES - 1)) limit = VIDEO_STAGES - 1;
    if (limit < 1) limit = 1;
    const uint32_t mask = description.kindMask;
    const uint32_t layers = description.layerCount < MATERIAL_MAX_LAYERS ? description.layerCount : MATERIAL_MAX_LAYERS;
    uint32_t p = 0, n = 0, j = 0;
    int8_t t = 0;
    bool consumed = false;
    uint32_t lastPlacedKind = 0;
    MaterialStage* lastPlaced = nullptr;

    auto openPass = [&](uint32_t preset) -> MaterialPass& {
        if (p + 1 < MATERIAL_MAX_PASSES) ++p;
        passes[p].blendPreset = preset;
        n = 1;
        return passes[p];
    };
    auto place = [&](MaterialPass& pass, uint32_t a1, uint32_t a2, uint32_t op, int32_t tex, int8_t idx, uint8_t mode,
                     uint32_t kind) {
        uint32_t before = pass.stageCount;
        PlaceStage(pass, a1, a2, op, tex, idx, mode);
        if (pass.stageCount > before) {
            lastPlaced = &pass.stages[before];
            lastPlacedKind = kind;
        }
    };

    for (uint32_t kind : kKindOrder) {
        if (!(mask & kind)) continue;
        // Layers are stored in ascending kind order; looking forward for the kind keeps a
        // disordered record from handing one kind's texture to another.
        uint32_t found = j;
        while (found < layers && description.layers[found].kind != kind) ++found;
        if (found >= layers) continue;
        const int32_t tex = description.layers[found].texture;
        j = found + 1;
        consumed = true;
        switch (kind) {
        case MATERIAL_KIND_BASE:
            place(passes[p], gfx::D3DTA_TEXTURE, gfx::D3DTA_DIFFUSE, gfx::D3DTOP_SELECTARG1, tex, 0, MATERIAL_ANIM_NONE, kind);
            passes[p].blendPreset = (description.options & 1) ? 1 : 0;
            n = 1;
            t = 1;
            break;
        case MATERIAL_KIND_SECOND:
            if (n < limit) {
                place(passes[p], gfx::D3DTA_TEXTURE, gfx::D3DTA_CURRENT, gfx::D3DTOP_BLENDTEXTUREALPHA, tex, t, MATERIAL_ANIM_NONE, kind);
                ++n;
            } else {
                place(openPass(1), gfx::D3DTA_TEXTURE, gfx::D3DTA_DIFFUSE, gfx::D3DTOP_SELECTARG1, tex, t, MATERIAL_ANIM_NONE, kind);
            }
            ++t;
            break;
        case MATERIAL_KIND_SPECULAR:
            if (!g_Settings.specular) break;
            if (n < limit) {
                place(passes[p], gfx::D3DTA_TEXTURE, gfx::D3DTA_CURRENT, gfx::D3DTOP_ADD, tex, -1, MATERIAL_ANIM_SPECULAR, kind);
                ++n;
            } else {
                place(openPass(2), gfx::D3DTA_TEXTURE, gfx::D3DTA_DIFFUSE, gfx::D3DTOP_SELECTARG1, tex, -1, MATERIAL_ANIM_SPECULAR,
                      kind);
            }
            break;
        case MATERIAL_KIND_LIGHTMAP:
            if (n < limit) {
                place(passes[p], gfx::D3DTA_TEXTURE, gfx::D3DTA_CURRENT, gfx::D3DTOP_MODULATE, tex, t, MATERIAL_ANIM_NONE, kind);
                ++n;
            } else {
                place(openPass(10), gfx::D3DTA_TEXTURE, gfx::D3DTA_DIFFUSE, gfx::D3DTOP_SELECTARG1, tex, t, MATERIAL_ANIM_NONE, kind);
            }
            break;
        case MATERIAL_KIND_VERTEX_COLOUR:
            if (n == 1 && lastPlaced && ((mask & MATERIAL_KIND_LIGHTMAP) || (lastPlacedKind & 0xF))) {
                lastPlaced->op = gfx::D3DTOP_MODULATE;
            } else {
                PlaceStage(passes[p], gfx::D3DTA_CURRENT, gfx::D3DTA_DIFFUSE, gfx::D3DTOP_MODULATE, -1, -1, MATERIAL_ANIM_NONE);
            }
            break;
        case MATERIAL_KIND_HAZE:
            if (n < limit && (p == 0 || passes[p].blendPreset == 1)) {
                place(passes[p], gfx::D3DTA_TEXTURE, gfx::D3DTA_CURRENT, gfx::D3DTOP_BLENDTEXTUREALPHA, tex, -1, MATERIAL_ANIM_HAZE,
                      kind);
                ++n;
            } else {
                place(openPass(1), gfx::D3DTA_TEXTURE, gfx::D3DTA_DIFFUSE, gfx::D3DTOP_SELECTARG1, g_Scene.skyTexture, -1,
                      MATERIAL_ANIM_HAZE, kind);
            }
            break;
        }
    }
    if (consumed) passCount = p + 1;
}

bool Material::Apply(int pass) {
    if (pass < 0 || uint32_t(pass) >= passCount || uint32_t(pass) >= MATERIAL_MAX_PASSES) return false;
    if (!g_Video.device) return false;
    const MaterialPass& p = passes[pass];
    int d = 0;
    for (uint32_t i = 0; i < p.stageCount && i < MATERIAL_MAX_STAGES; ++i) {
        const MaterialStage& s = p.stages[i];
        if (s.mode == MATERIAL_ANIM_HAZE && !g_Scene.skyLayer) continue;
        // The video object caches VIDEO_STAGES stages and the closing DISABLE needs one.
        if (d >= VIDEO_STAGES - 1) break;
        g_Video.SetColorOp(d, s.op);
        g_Video.SetColorArg(d, 0, s.arg1);
        g_Video.SetColorArg(d, 1, s.arg2);
        if (g_SceneTextures)
            g_SceneTextures->SetTexture(d, s.texture);
        else
            g_Video.SetTexture(d, nullptr);
        if (s.mode != MATERIAL_ANIM_NONE) {
            AnimatePasses(d, s.mode);
        } else {
            if (s.texCoordIndex >= 0) g_Video.SetTexCoordIndex(d, uint32_t(s.texCoordIndex));
            g_Video.SetTextureTransform(d, gfx::D3DTTFF_DISABLE);
            g_Video.SetTextureClamp(d, false);
        }
        ++d;
    }
    g_Video.SetColorOp(d, gfx::D3DTOP_DISABLE);
    g_Video.SetBlendMode(int(p.blendPreset));
    if (p.blendPreset == 5)
        g_Video.device->SetRenderState(gfx::D3DRS_TEXTUREFACTOR, (uint32_t(p.factorAlpha) << 24) | 0xFFFFFFu);
    return d > 0;
}

bool Material::AnimatePasses(int stage, int mode) {
    if (!g_Video.device || stage < 0 || stage >= VIDEO_STAGES) return true;
    switch (mode) {
    case MATERIAL_ANIM_HAZE: {
        g_Video.SetTextureClamp(stage, true);
        g_Video.SetTexCoordIndex(stage, gfx::D3DTSS_TCI_CAMERASPACEPOSITION);
        g_Video.SetTextureTransform(stage, gfx::D3DTTFF_COUNT2);
        Mat4 m{};
        const float nearD = g_Scenario.row ? g_Scenario.row->fogNear : 0.0f;
        const float farD = g_Scenario.row ? g_Scenario.row->fogFar : 0.0f;
        // Equal distances would divide by zero: the depth then maps to 0 throughout.
        if (farD != nearD) {
            m.m[2][1] = 1.0f / (farD - nearD);
            m.m[3][1] = -nearD / (farD - nearD);
        }
        SetStageTransform(stage, m);
        break;
    }
    case MATERIAL_ANIM_SCROLL: {
        g_Video.SetTextureTransform(stage, gfx::D3DTTFF_COUNT2);
        Mat4 m = Mat4Identity();
        // (u, v, 1) times the matrix: the third row translates.
        m.m[2][1] = -0.0002f * float(GetTime(0));
        SetStageTransform(stage, m);
        break;
    }
    case MATERIAL_ANIM_SPECULAR: {
        g_Video.SetTextureClamp(stage, true);
        g_Video.SetTexCoordIndex(stage, gfx::D3DTSS_TCI_CAMERASPACENORMAL);
        g_Video.SetTextureTransform(stage, gfx::D3DTTFF_COUNT2);
        g_Video.SetColorOp(stage, gfx::D3DTOP_ADD);
        Vec3 l{0.0f, -1.0f, 0.0f};
        if (const auto* sun = dynamic_cast<const DirectionalLight*>(g_Scene.sun))
            l = sun->direction;
        else if (g_Scene.sun)
            l = Vec3{g_Scene.sun->deviceLight.Direction.x, g_Scene.sun->deviceLight.Direction.y,
                     g_Scene.sun->deviceLight.Direction.z};
        Vec3 view = g_Scene.camera ? g_Scene.camera->direction : Vec3{0.0f, 0.0f, 1.0f};
        Vec3 h = NormalizeOrZero(Vec3Add(l, view));
        Vec3 tv = NormalizeOrZero(Vec3{h.z, 0.0f, -h.x});
        Vec3 c = NormalizeOrZero(Vec3Cross(h, tv));
        Mat4 m{};
        const Vec3 cols[3] = {c, tv, h};
        for (int col = 0; col < 3; ++col) {
            m.m[0][col] = cols[col].x;
            m.m[1][col] = cols[col].y;
            m.m[2][col] = cols[col].z;
        }
        m.m[3][3] = 1.0f;
        Mat4 s{};
        s.m[0][0] = 0.5f;
        s.m[1][1] = -0.5f;
        s.m[2][2] = 1.0f;
        s.m[3][0] = 0.5f;
        s.m[3][1] = 0.5f;
        s.m[3][2] = 1.0f;
        s.m[3][3] = 1.0f;
        Mat4 inverseView = g_Scene.camera ? g_Scene.camera->inverseView : Mat4Identity();
        SetStageTransform(stage, Mat4Mul(Mat4Mul(inverseView, m), s));
        g_Video.device->SetRenderState(gfx::D3DRS_NORMALIZENORMALS, 1);
        break;
    }
    default:
        break;
    }
    return true;
}

bool Material::ReadMaterial(BinaryReader& in, const char* textureFolder, uint32_t flags) {
    const bool haze = (flags & MATERIAL_LOAD_HAZE) && SkyAvailable();
    MaterialDescription d{};
    for (MaterialLayer& l : d.layers) l = MaterialLayer{0, -1};
    char names[MATERIAL_MAX_LAYERS][kNameSize + 1] = {};

    if (g_Y3DVersion >= MATERIAL_RECORD_NEW_VERSION) {
        uint32_t storedMask = 0, layerCount = 0, options = 0;
        if (in.Remaining() < MATERIAL_RECORD_HEADER_SIZE) {
            WriteDebugLog("Material::ReadMaterial: registro de material truncado");
            return false;
        }
        in.ReadU32(storedMask);
        in.ReadU32(layerCount);
        in.ReadU32(options);
        if (uint64_t(layerCount) * MATERIAL_RECORD_LAYER_SIZE > in.Remaining()) {
            WriteDebugLogF("Material::ReadMaterial: %u capas no caben en el fichero", layerCount);
            return false;
        }
        for (uint32_t i = 0; i < layerCount; ++i) {
            const uint8_t* rec = in.Span(MATERIAL_RECORD_LAYER_SIZE);
            // Layers past the description's room are stepped over.
            if (i >= MATERIAL_MAX_LAYERS) continue;
            BinaryReader lr(rec, MATERIAL_RECORD_LAYER_SIZE);
            lr.ReadU32(d.layers[i].kind);
            CopyName(names[i], rec + 4);
        }
        if (layerCount > MATERIAL_MAX_LAYERS)
            WriteDebugLogF("Material::ReadMaterial: %u capas, se usan %d", layerCount, MATERIAL_MAX_LAYERS);
        d.layerCount = layerCount < MATERIAL_MAX_LAYERS ? layerCount : MATERIAL_MAX_LAYERS;
        d.options = options;
        (void)storedMask;   // the mask is derived from the layers
        for (uint32_t i = 0; i < d.layerCount; ++i)
            d.layers[i].texture = LoadLayerTexture(d.layers[i].kind, names[i], textureFolder, flags, true);
        if (haze && d.layerCount < MATERIAL_MAX_LAYERS)
            d.layers[d.layerCount++] = MaterialLayer{MATERIAL_KIND_HAZE, g_Scene.skyTexture};
    } else {
        const uint8_t* rec = in.Span(MATERIAL_RECORD_OLD_SIZE);
        if (!rec) {
            WriteDebugLog("Material::ReadMaterial: registro de material truncado");
            return false;
        }
        BinaryReader r(rec, MATERIAL_RECORD_OLD_SIZE);
        uint32_t recFlags = 0;
        r.ReadU32(recFlags);
        uint32_t named = recFlags & 0xFF;
        if (named > kOldNamedLayers) named = kOldNamedLayers;
        const bool vertexColour = (recFlags & 0x100) != 0;
        uint32_t types[kOldNamedLayers] = {};
        r.Seek(260);
        for (uint32_t& ty : types) r.ReadU32(ty);
        uint32_t total = rec[276];
        if (vertexColour) ++total;
        if (haze) ++total;
        if (total > MATERIAL_MAX_LAYERS) total = MATERIAL_MAX_LAYERS;
        d.options = rec[281] & 1;
        for (uint32_t i = 0; i < total; ++i) {
            uint32_t kind = 0;
            if (i < named) {
                if (types[i] == 0 || types[i] == 2)
                    kind = i + 1;
                else if (types[i] == 1)
                    kind = MATERIAL_KIND_LIGHTMAP;
                CopyName(names[i], rec + 4 + i * kNameSize);
            } else if (i == 0) {
                kind = vertexColour ? MATERIAL_KIND_VERTEX_COLOUR : (haze ? MATERIAL_KIND_HAZE : 0);
            } else if (vertexColour && d.layers[i - 1].kind != MATERIAL_KIND_VERTEX_COLOUR) {
                kind = MATERIAL_KIND_VERTEX_COLOUR;
            } else if (haze) {
                kind = MATERIAL_KIND_HAZE;
            }
            d.layers[i].kind = kind;
        }
        d.layerCount = total;
        for (uint32_t i = 0; i < d.layerCount; ++i) {
            uint32_t kind = d.layers[i].kind;
            // Only the named layers have a file; a haze layer takes the sky without a reference.
            if (kind == MATERIAL_KIND_HAZE)
                d.layers[i].texture = g_Scene.skyTexture;
            else if (i < named)
                d.layers[i].texture = LoadLayerTexture(kind, names[i], textureFolder, flags, false);
        }
    }
    return SetDescription(d);
}

// ---- MaterialTable ----

Material* MaterialTable::Get(int32_t id) const {
    if (id < 0 || uint32_t(id) >= slots.size()) return nullptr;
    return slots[size_t(id)];
}

int32_t MaterialTable::Add(Material* material) {
    if (!material) return -1;
    size_t slot = 0;
    while (slot < slots.size() && slots[slot]) ++slot;
    if (slot == slots.size()) slots.resize(slots.size() + kGrowth, nullptr);
    slots[slot] = material;
    ++count;
    return int32_t(slot);
}

bool MaterialTable::Load(BinaryReader& in, std::vector<int32_t>* ids, const char* textureFolder, uint32_t flags,
                         bool showProgress) {
    if (ids) ids->clear();
    uint32_t n = 0;
    if (!in.ReadU32(n)) {
        WriteDebugLog("MaterialTable::Load: lista de materiales truncada");
        return false;
    }
    if (n == 0) return true;
    // Each record takes at least 12 bytes: a count beyond that is not a material list.
    if (uint64_t(n) * MATERIAL_RECORD_HEADER_SIZE > in.Remaining()) {
        WriteDebugLogF("MaterialTable::Load: %u materiales no caben en el fichero", n);
        return false;
    }
    for (uint32_t i = 0; i < n; ++i) {
        Material* m = new Material();
        if (!m->ReadMaterial(in, textureFolder, flags)) {
            delete m;
            WriteDebugLogF("MaterialTable::Load: material %u ilegible", i);
            return false;
        }
        int32_t id = Add(m);
        if (ids) ids->push_back(id);
        if (showProgress) g_LoadingScreen.Show(0.1f + 0.4f * float(i) / float(n));
    }
    return true;
}

bool MaterialTable::SetMaterial(int32_t id, int pass) {
    Material* m = Get(id);
    if (!m) return false;
    if (id == lastId && pass == lastPass) return true;
    lastId = id;
    lastPass = pass;
    return m->Apply(pass);
}

void MaterialTable::ResetCache() {
    lastId = -1;
    lastPass = -1;
}

int32_t MaterialTable::AddRef(int32_t id) {
    Material* m = Get(id);
    if (!m) return -1;
    return ++m->refCount;
}

int32_t MaterialTable::Release(int32_t id) {
    Material* m = Get(id);
    if (!m) return -1;
    int32_t left = --m->refCount;
    if (left <= 0) {
        MaterialTableDelete(this, id);
        return 0;
    }
    return left;
}

bool MaterialTableDelete(MaterialTable* table, int32_t id) {
    if (!table || id < 0 || uint32_t(id) >= table->slots.size()) return false;
    Material*& slot = table->slots[size_t(id)];
    if (!slot) return true;
    delete slot;
    slot = nullptr;
    --table->count;
    // A later material in this slot must not be taken for the one last set.
    if (table->lastId == id) table->ResetCache();
    return true;
}

void MaterialTable::Free() {
    for (Material*& m : slots) {
        delete m;
        m = nullptr;
    }
    slots.clear();
    slots.shrink_to_fit();
    count = 0;
    ResetCache();
}

void MaterialTable::AddSpecialLayerAll() {
    for (Material* m : slots)
        if (m) m->AddSpecialLayer();
    ResetCache();
}

void MaterialTable::RemoveSpecialLayerAll() {
    for (Material* m : slots)
        if (m) MaterialRemoveSpecialLayer(m);
    ResetCache();
}

int32_t MaterialIdFromFile(const std::vector<int32_t>& ids, uint32_t index) {
    return index < ids.size() ? ids[index] : -1;
}

// ---- MaterialRefList ----

int32_t MaterialRefList::Add(Material* material, uint32_t owner) {
    if (!material) return -1;
    if (!g_Scene.materials) {
        delete material;
        return -1;
    }
    int32_t id = g_Scene.materials->Add(material);
    MaterialRefNode* node = new MaterialRefNode{id, owner, head, nullptr};
    if (head) head->prev = node;
    head = node;
    ++count;
    return id;
}

MaterialRefNode* MaterialRefList::Find(int32_t id) const {
    for (MaterialRefNode* n = head; n; n = n->next)
        if (n->materialId == id) return n;
    return nullptr;
}

bool MaterialRefListRemove(MaterialRefList* list, int32_t id) {
    if (!list) return false;
    MaterialRefNode* node = list->Find(id);
    if (!node) return false;
    if (node->prev)
        node->prev->next = node->next;
    else
        list->head = node->next;
    if (node->next) node->next->prev = node->prev;
    delete node;
    --list->count;
    return true;
}

void MaterialRefList::Update(uint32_t elapsedMs) {
    MaterialTable* table = g_Scene.materials;
    MaterialRefNode* node = head;
    while (node) {
        MaterialRefNode* next = node->next;
        Material* m = table ? table->Get(node->materialId) : nullptr;
        if (!m) {
            // Deleted behind the list's back: the node has nothing left to update.
            MaterialRefListRemove(this, node->materialId);
        } else if (m->refCount < 1) {
            MaterialTableDelete(table, node->materialId);
            MaterialRefListRemove(this, node->materialId);
        } else {
            m->Update(elapsedMs);
        }
        node = next;
    }
}

void MaterialRefList::Free() {
    while (head) {
        MaterialRefNode* next = head->next;
        delete head;
        head = next;
    }
    count = 0;
}
