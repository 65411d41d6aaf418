// How a mesh is textured: up to eight layers turned into up to eight passes of texture stages,
// kept by integer id in the scene's reference-counted material table; and the list through which
// timed override materials are updated every frame and deleted once nothing references them.
#pragma once

#include <cstdint>
#include <vector>

class BinaryReader;

constexpr int MATERIAL_MAX_LAYERS = 8;
constexpr int MATERIAL_MAX_PASSES = 8;
constexpr int MATERIAL_MAX_STAGES = 8;

// Layer kinds; a description's kind mask is the OR of its layers' kinds.
constexpr uint32_t MATERIAL_KIND_BASE = 1;
constexpr uint32_t MATERIAL_KIND_SECOND = 2;         // blended by its own alpha
constexpr uint32_t MATERIAL_KIND_SPECULAR = 16;      // only while ESPECULAR is on
constexpr uint32_t MATERIAL_KIND_LIGHTMAP = 32;
constexpr uint32_t MATERIAL_KIND_VERTEX_COLOUR = 64; // no texture
constexpr uint32_t MATERIAL_KIND_HAZE = 128;         // the scene's sky texture

// Stage animation modes.
constexpr uint8_t MATERIAL_ANIM_NONE = 0;
constexpr uint8_t MATERIAL_ANIM_HAZE = 1;
constexpr uint8_t MATERIAL_ANIM_SCROLL = 2;
constexpr uint8_t MATERIAL_ANIM_SPECULAR = 3;

// ReadMaterial / MaterialTable::Load flags.
constexpr uint32_t MATERIAL_LOAD_HAZE = 1;       // append the sky haze layer when the scene has a sky
constexpr uint32_t MATERIAL_LOAD_COMPRESS = 2;   // kinds 1, 2 and 32 may be DXT1-compressed

// Record sizes of the two stored forms.
constexpr uint32_t MATERIAL_RECORD_HEADER_SIZE = 12;   // version 310 on
constexpr uint32_t MATERIAL_RECORD_LAYER_SIZE = 68;
constexpr uint32_t MATERIAL_RECORD_OLD_SIZE = 285;     // before version 310
constexpr uint16_t MATERIAL_RECORD_NEW_VERSION = 310;

struct MaterialLayer {
    uint32_t kind;
    int32_t texture;   // in the scene's TextureManager, -1 = none
};

struct MaterialDescription {
    uint32_t kindMask;
    uint32_t layerCount;   // at most MATERIAL_MAX_LAYERS
    MaterialLayer layers[MATERIAL_MAX_LAYERS];
    uint32_t options;      // bit 0: the first pass is drawn with blend preset 1
};

struct MaterialStage {
    uint32_t arg1;          // D3DTA_*
    uint32_t arg2;
    uint32_t op;            // D3DTOP_*
    int32_t texture;        // -1 = none
    int8_t texCoordIndex;   // -1 = leave the stage's index as it is
    uint8_t mode;           // MATERIAL_ANIM_*
};

struct MaterialPass {
    MaterialStage stages[MATERIAL_MAX_STAGES];
    uint32_t stageCount;
    uint32_t blendPreset;   // for Video::SetBlendMode
    uint8_t factorAlpha;    // texture-factor alpha of preset 5
};

// Both back to their defaults.
void ResetMaterialStage(MaterialStage* stage);
void ResetMaterialPass(MaterialPass* pass);

class Material {
public:
    MaterialDescription description;
    MaterialPass passes[MATERIAL_MAX_PASSES];
    uint32_t passCount;
    int32_t refCount;   // kept by the MaterialTable

    Material();
    // Releases the layer textures.
    virtual ~Material();
    Material(const Material&) = delete;
    Material& operator=(const Material&) = delete;

    // Elapsed ms since the last update; the base does nothing and returns 0.
    virtual int Update(uint32_t elapsedMs);
    virtual bool IsFinished() const;
    virtual bool Apply(int pass);
    // Animates device stage `stage` by a stage record's mode; always true.
    virtual bool AnimatePasses(int stage, int mode);

    // One material record at the reader, in the form of the loaded file's version (g_Y3DVersion).
    // False for a short or malformed record.
    bool ReadMaterial(BinaryReader& in, const char* textureFolder, uint32_t flags);
    // Copies the description (layer count cut to the arrays, kind mask taken from the layers)
    // and rebuilds; adds no texture references.
    bool SetDescription(const MaterialDescription& desc);
    // Copies another material's description, adds a reference to each of its textures, rebuilds.
    void Assign(const Material& other);
    void Rebuild();
    void Clear();
    void ReleaseTextures();
    // Appends the sky haze layer unless there is one already (or no room).
    void AddSpecialLayer();
};

// Drops the haze layer (the last one) when the material has one.
void MaterialRemoveSpecialLayer(Material* material);

class MaterialTable {
public:
    std::vector<Material*> slots;   // owned; null = free; the capacity is its size
    uint32_t count;                 // slots in use
    int32_t lastId;                 // last material and pass set, -1 after a cache reset
    int32_t lastPass;

    static constexpr uint32_t kGrowth = 50;

    MaterialTable() : count(0), lastId(-1), lastPass(-1) {}
    ~MaterialTable() { Free(); }
    MaterialTable(const MaterialTable&) = delete;
    MaterialTable& operator=(const MaterialTable&) = delete;

    uint32_t Capacity() const { return uint32_t(slots.size()); }
    // The material of an id, or null for an id out of range or an empty slot.
    Material* Get(int32_t id) const;

    int32_t Add(Material* material);
    // The material list block. *ids is emptied first and then holds one id per material read;
    // false for a malformed block (materials read before the fault stay in the table with their
    // ids in *ids).
    bool Load(BinaryReader& in, std::vector<int32_t>* ids, const char* textureFolder, uint32_t flags,
              bool showProgress);
    bool SetMaterial(int32_t id, int pass);
    // Forgets the material last set, so the next one is sent to the device again.
    void ResetCache();
    int32_t AddRef(int32_t id);
    int32_t Release(int32_t id);
    void Free();
    void AddSpecialLayerAll();
    void RemoveSpecialLayerAll();
};

// Deletes the material of a slot and empties it; false for an id outside the table.
bool MaterialTableDelete(MaterialTable* table, int32_t id);

// The id a file's material index maps to, -1 for an index outside the list.
int32_t MaterialIdFromFile(const std::vector<int32_t>& ids, uint32_t index);

struct MaterialRefNode {
    int32_t materialId;
    uint32_t owner;
    MaterialRefNode* next;
    MaterialRefNode* prev;
};

// Timed materials made at run time; works on the scene's material table.
class MaterialRefList {
public:
    MaterialRefNode* head;
    uint32_t count;

    MaterialRefList() : head(nullptr), count(0) {}
    ~MaterialRefList() { Free(); }
    MaterialRefList(const MaterialRefList&) = delete;
    MaterialRefList& operator=(const MaterialRefList&) = delete;

    // Adds the material to the scene's table (taking ownership) and pushes a node at the head;
    // -1 (material deleted) without a scene table.
    int32_t Add(Material* material, uint32_t owner);
    MaterialRefNode* Find(int32_t id) const;
    void Update(uint32_t elapsedMs);
    void Free();
};

bool MaterialRefListRemove(MaterialRefList* list, int32_t id);
