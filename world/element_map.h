// The element map: everything placed by hand in one scenario (fighter starts, items, props, team
// symbols and checkpoints, glows and effects), each element for one game kind or for every kind.
// A match places the elements of its game kind; the element-map editor (MODO 3) spawns the whole
// list, edits it and writes it back to the scenario's element file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/math.h"
#include "world/path_map.h"

class Character;
class Item;
class DynamicObject;
class GlowNode;
struct CheckpointRecord;

// Game kinds 0-9 in a record; 9 marks an element common to every game kind.
constexpr int ELEMENT_GAME_KINDS = 10;
constexpr uint32_t ELEMENT_COMMON = 9;

enum ElementKind : uint32_t {
    ELEMENT_FIGHTER,    // subtype: the side
    ELEMENT_ITEM,       // subtype: the item type
    ELEMENT_PROP,       // 0, 1 balls of types 0, 1; 2, 3 boxes of types 0, 1
    ELEMENT_SPECIAL,    // 0, 1 the symbol of team 0, 1; 2 a checkpoint
    ELEMENT_GLOW,       // subtype: the glow palette entry
    ELEMENT_EFFECT,     // effect type 50 + subtype
    ELEMENT_KINDS,
};
// The most subtypes of any kind (the items).
constexpr int ELEMENT_SUBTYPES = 58;

constexpr uint32_t ELEMENT_ROLE_SYMBOL = 1;
constexpr uint32_t ELEMENT_ROLE_CHECKPOINT = 2;

constexpr int GLOW_PALETTE_SIZE = 8;
constexpr int ELEMENT_CHECKPOINTS = 100;
constexpr int ELEMENT_EFFECT_TYPE_FIRST = 50;

constexpr const char* ELEMENT_PACK = "MODELOS.DAT";
// The editor's play-test list, in the working folder.
constexpr const char* ELEMENT_PLAY_TEST_FILE = "temp.map";
constexpr uint32_t ELEMENT_FILE_VERSION = 101;
constexpr uint32_t ELEMENT_FILE_OLD_VERSION = 100;

// What a record put into the world; the member its element kind uses.
struct ElementObject {
    Character* fighter = nullptr;
    Item* item = nullptr;
    DynamicObject* prop = nullptr;
    GlowNode* glow = nullptr;
    int32_t slot = -1;      // the symbol's team or the checkpoint's index; the effect slot
};

// The editor's pick box around a spawned record.
struct ElementPickBox {
    Vec3 centre;
    float half;
    Vec3 max;
    Vec3 min;
};
constexpr float ELEMENT_PICK_HALF = 0.45f;

// One placed element: the stored fields first, in file order, then what only a run keeps.
struct ElementRecord {
    uint32_t gameKind = 0;
    uint32_t elementKind = 0;
    uint32_t subtype = 0;
    CellRef cell{};                 // meaningful for kinds 0-3
    uint32_t role = 0;              // ELEMENT_ROLE_*, 0 otherwise
    uint8_t index = 0;              // a symbol's team, a checkpoint's number, a glow's palette entry
    Vec3 position{};
    // A prop's rotation quaternion (x, y, z, w); starts, specials and effects keep their facing in
    // [1]; a glow its red, green, blue and alpha 0-255.
    float block[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    uint32_t extra = 0;             // stored for kinds 4 and 5 only: a glow's scale (float bits)

    // Every field sound and, for kinds 0-3, the cell valid on the map it was read over. The
    // editor keeps a record that is not, never places it, and saves it back as it was read.
    uint8_t placeable = 1;
    ElementObject object;
    ElementPickBox pickBox{};
    ElementRecord* prev = nullptr;
    ElementRecord* next = nullptr;
};

// A circular doubly linked list of records around a sentinel; records are appended at the tail,
// so list order is file order. The list owns its records.
class ElementList {
public:
    ElementList();
    ~ElementList() { Clear(); }
    ElementList(const ElementList&) = delete;
    ElementList& operator=(const ElementList&) = delete;

    void Append(ElementRecord* record);
    // Out of the list; the caller owns the record again.
    void Unlink(ElementRecord* record);
    // Unlinks and frees every record.
    void Clear();
    // Null at the end.
    ElementRecord* First() const { return Next(&sentinel_); }
    ElementRecord* Next(const ElementRecord* record) const {
        return record->next == &sentinel_ ? nullptr : record->next;
    }
    bool Empty() const { return sentinel_.next == &sentinel_; }
    int32_t Count() const;
    // For walks that wrap around.
    ElementRecord* Sentinel() { return &sentinel_; }

private:
    ElementRecord sentinel_;
};

struct GlowPaletteEntry {
    uint32_t red, green, blue, alpha;
    uint32_t setting;           // handed to the glow as its fade time
    float scale;
    char texture[11];           // a file of "Texturas\Efectos\"
};

// A checkpoint the editor placed, by its number.
struct ElementCheckpoint {
    Vec3 position;
    CheckpointRecord* slot;
};

class ElementMap {
public:
    ElementRecord* lastFound;   // the editor's search for the next element of a kind
    int32_t glowPaletteCount;
    // The editor's selections.
    int32_t currentGameKind;
    int32_t currentElementKind;
    int32_t currentGroup;
    uint32_t creditCode;        // of the file header; nothing reads it
    // Elements of each game kind, element kind and subtype the editor has spawned.
    uint32_t spawnCounts[ELEMENT_GAME_KINDS][ELEMENT_KINDS][ELEMENT_SUBTYPES];
    ElementList list;
    // The editor's groups of subtypes per element kind (BuildGroupSizes).
    std::vector<uint32_t> groupSizes[ELEMENT_KINDS];
    ElementCheckpoint checkpoints[ELEMENT_CHECKPOINTS];
    GlowPaletteEntry glowPalette[GLOW_PALETTE_SIZE];
    uint8_t savedMessage;       // "Mapa Salvado" / "Mapa Cargado" until 2000 ms after messageTime
    uint8_t loadedMessage;
    uint32_t messageTime;       // os::timeGetTime()

    // Nothing placed, game kind 9 selected.
    ElementMap();
    ~ElementMap();
    ElementMap(const ElementMap&) = delete;
    ElementMap& operator=(const ElementMap&) = delete;

    // Clear, the group tables and the editor's palette models; may be called again.
    void Release();
    // Frees every record; what was spawned for them is not touched.
    void Clear();
    // Appends the records of the element file that pass the filters: the game kind (9 and the
    // given one; a negative kind takes all), sound fields and, outside the front end, a valid cell.
    // Null reads the scenario's own file and raises the loaded message. False when the file does
    // not open or is refused.
    bool Load(const char* path, int gameKind);
    // The whole list as a stored file (null: the scenario's own), with the credit code of the
    // spawned credit items. False, logged and with the older file kept, when it cannot be written.
    bool Save(const char* path);
    // The editor's start: its game kind for the match, the palettes, the edited list (the
    // play-test's "temp.map" while one runs) spawned, and the group tables.
    void InitMatch();
    // A match's placing: fighters, items, props, symbols and checkpoints, glows and effects of the
    // game kind, read from the scenario's file (the play-test's "temp.map" while one runs).
    void LoadForMatch(int gameKind);
    // The editor's placement fills these: every record's world object removed, or spawned for the
    // current game kind.
    void DespawnAll();
    void SpawnAll();
    // Sizes of the editor's groups: from the item-type table for items, the glow palette for glows.
    void BuildGroupSizes();

private:
    void InitFields();
    friend void ResetElementMap();
};

extern ElementMap g_ElementMap;
// Released and back as constructed (tests).
void ResetElementMap();

// Links a record at the tail of the global list.
void ElementMapAppend(ElementRecord* record);
// For element kinds 1 and 3: the first subtype of group n (the sizes of groups 0 to n-1 summed);
// 0 for other kinds and for n <= 0.
int CountElements(int elementKind, int n);
// The sizes of groups 0 to n-1 summed.
int CountElementsOfGroups(const std::vector<uint32_t>& sizes, int n);
// The credit value placed in a scenario's element file for greed (items of game kinds 2 and 9);
// read into a list of its own, so the global list and tables stay as they are.
uint32_t CountScenarioCredits(int scenario);
// At the return to the front end: every placed element despawned, the path map's occupants
// cleared and the list emptied.
void ClearWorldElements();
// The eight glow palette entries: grey, half alpha, setting 300, scale 0.07.
void LoadGlowTextures();
// The element-map editor fills these: its palette models of kinds 0-3.
void LoadEditorPaletteModels();
void ReleaseEditorPaletteModels();

// A glow from stored values (colour channels 0-255, truncated), with the palette entry's setting
// and texture, in the scene's effect list; null when the entry is not loaded or there is no list.
GlowNode* CreateGlowFromValues(const Vec3& position, float red, float green, float blue, float alpha, float scale,
                               int paletteEntry);
// An effect element of the type at the point, with the type's lifetime; the slot or -1.
int32_t CreateEffectAt(int32_t type, const Vec3& position);

// ---- The editor's placement ----

// Per-kind limits of the editor, over the current game kind plus the common elements.
constexpr uint32_t EDITOR_MAX_FIGHTERS = 16;
constexpr uint32_t EDITOR_MAX_ITEMS = 1000;
constexpr uint32_t EDITOR_MAX_BALLS = 80;
constexpr uint32_t EDITOR_MAX_BOXES = 40;
constexpr uint32_t EDITOR_MAX_CHECKPOINTS = 100;
constexpr uint32_t EDITOR_MAX_GLOWS = 40;
constexpr uint32_t EDITOR_MAX_EFFECTS = 150;
constexpr uint32_t ELEMENT_SPECIAL_CHECKPOINT = 2;   // the subtype of a checkpoint

// One element into the world under the editor's limits and cell rules; false when refused. With
// createRecord a new record is appended, otherwise `record` is respawned from its own fields (the
// role is then not used). Null position, block and extra take the defaults.
bool SpawnElement(int gameKind, int elementKind, int role, int subtype, int cellX, int cellZ, int cellLayer,
                  const Vec3* position, const float* block, const uint32_t* extra, bool createRecord,
                  ElementRecord* record);
// Out of the world and the list, and freed; a common record stays while a specific kind is edited.
void DespawnElement(ElementRecord* record);
// Only the record's world object goes.
void DespawnRecord(ElementRecord* record);
bool IsCellFreeForElement(const CellRef& cell);
bool IsCellFreeOfKindElements(const CellRef& cell);
void DrawCursorCell(const CellRef& cell);
// The selected record follows its position onto the cell under it, occupants and all.
void MoveElementToCell(const CellRef& oldCell);
// The next record of the current element kind and the subtype after the last one found; the
// camera looks at it. Null when there is none.
ElementRecord* FindNextElement(int subtype);
uint32_t CountCharacters();
uint32_t CountItems();
uint32_t CountPropsPool80();
uint32_t CountPropsPool40();
uint32_t CountCheckpoints();
uint32_t CountGlows();
uint32_t CountEffects();
// Spawned elements of a subtype (current game kind plus the common ones).
uint32_t CountSpawnedSubtype(int elementKind, int subtype);
uint32_t CountSymbolsOfTeam(int team);
void RenumberCheckpoints(int n);
void RemoveTeamSymbol(int team);
// A glow of a palette entry's colour, setting, scale and texture; null without the entry.
GlowNode* CreateGlow(int paletteEntry, const Vec3& position, bool addToScene);

// ---- The element file ----

// "Modelos\Escenarios\Escenario%02d\Escenario%02d.dat"; the scenario's own with the loaded number.
void ElementFilePath(int scenario, char* out, size_t size);

struct ElementReadRules {
    int gameKind;               // negative: every record
    const PathMap* cells;       // kinds 0-3 must stand on a valid cell of it; null: no check
    bool keepUnplaceable;       // keep unsound and off-map records, marked not placeable
};
// Appends what the file holds under the rules; a record cut short by the end of the file is
// dropped. False (logged) when the file does not open, is not an element file or has a version
// other than 100 and 101; the list is unchanged then.
bool ReadElementFile(const char* path, const ElementReadRules& rules, ElementList* out, uint32_t* creditCode);
// Version 101 with the credit code, every record as its kind stores it.
bool WriteElementFile(const char* path, const ElementList& list, uint32_t creditCode);
// Game kind 0-9, element kind 0-5, subtype within its kind, a symbol's team 0 or 1, finite
// position, block and glow scale.
bool IsElementRecordSound(const ElementRecord& record);
