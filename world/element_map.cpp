#include "world/element_map.h"

#include <cstring>

#include "fighters/match.h"
#include "world/item.h"
#include "world/map_editor.h"
#include "world/scenario.h"
#include "world/world_seams.h"

ElementMap g_ElementMap;

// ---- The list ----

ElementList::ElementList() { sentinel_.prev = sentinel_.next = &sentinel_; }

void ElementList::Append(ElementRecord* record) {
    record->prev = sentinel_.prev;
    record->next = &sentinel_;
    sentinel_.prev->next = record;
    sentinel_.prev = record;
}

void ElementList::Unlink(ElementRecord* record) {
    record->prev->next = record->next;
    record->next->prev = record->prev;
    record->prev = record->next = nullptr;
}

void ElementList::Clear() {
    ElementRecord* r = sentinel_.next;
    while (r != &sentinel_) {
        ElementRecord* next = r->next;
        delete r;
        r = next;
    }
    sentinel_.prev = sentinel_.next = &sentinel_;
}

int32_t ElementList::Count() const {
    int32_t n = 0;
    for (const ElementRecord* r = First(); r; r = Next(r)) ++n;
    return n;
}

// ---- The object ----

ElementMap::ElementMap() { InitFields(); }

ElementMap::~ElementMap() { Release(); }

void ElementMap::InitFields() {
    lastFound = nullptr;
    glowPaletteCount = 0;
    currentGameKind = int32_t(ELEMENT_COMMON);
    currentElementKind = 0;
    currentGroup = 0;
    creditCode = 0;
    std::memset(spawnCounts, 0, sizeof spawnCounts);
    for (ElementCheckpoint& c : checkpoints) c = ElementCheckpoint{{0.0f, 0.0f, 0.0f}, nullptr};
    for (GlowPaletteEntry& g : glowPalette) g = GlowPaletteEntry{};
    savedMessage = loadedMessage = 0;
    messageTime = 0;
}

void ElementMap::Release() {
    Clear();
    for (std::vector<uint32_t>& sizes : groupSizes) {
        sizes.clear();
        sizes.shrink_to_fit();
    }
    ReleaseEditorPaletteModels();
}

void ElementMap::Clear() {
    // The editor's pointers into the list go with it.
    g_MapEditor.ForgetAll();
    list.Clear();
    lastFound = nullptr;
}

void ElementMap::InitMatch() {
    g_Match.gameKind = currentGameKind;
    LoadGlowTextures();
    LoadEditorPaletteModels();
    Load(g_MapEditor.playTest ? ELEMENT_PLAY_TEST_FILE : nullptr, -1);
    DespawnAll();
    SpawnAll();
    BuildGroupSizes();
}

void ElementMap::BuildGroupSizes() {
    groupSizes[ELEMENT_FIGHTER] = {2};
    std::vector<uint32_t>& items = groupSizes[ELEMENT_ITEM];
    items.assign(ITEM_GROUP_COUNT, 0);
    for (const ItemTypeRow& row : ItemTypeTable)
        if (row.group < uint32_t(ITEM_GROUP_COUNT)) ++items[row.group];
    groupSizes[ELEMENT_PROP] = {4};
    groupSizes[ELEMENT_SPECIAL] = {2, 1, 0};
    groupSizes[ELEMENT_GLOW] = {uint32_t(glowPaletteCount)};
    groupSizes[ELEMENT_EFFECT] = {20};
}

void ResetElementMap() {
    g_ElementMap.Release();
    g_ElementMap.InitFields();
}

// ---- Queries ----

void ElementMapAppend(ElementRecord* record) { g_ElementMap.list.Append(record); }

int CountElements(int elementKind, int n) {
    if (elementKind != int(ELEMENT_ITEM) && elementKind != int(ELEMENT_SPECIAL)) return 0;
    return CountElementsOfGroups(g_ElementMap.groupSizes[elementKind], n);
}

int CountElementsOfGroups(const std::vector<uint32_t>& sizes, int n) {
    int sum = 0;
    for (int g = 0; g < n && size_t(g) < sizes.size(); ++g) sum += int(sizes[size_t(g)]);
    return sum;
}

bool FindPlacedCharacter(int side, int n, Vec3* position, float* facing) {
    const ElementList& list = g_ElementMap.list;
    for (const ElementRecord* r = list.First(); r; r = list.Next(r)) {
        if (r->elementKind != ELEMENT_FIGHTER || int64_t(r->subtype) != side || !r->placeable) continue;
        if (n-- > 0) continue;
        if (position) *position = r->position;
        if (facing) *facing = r->block[1];
        return true;
    }
    return false;
}

uint32_t CountScenarioCredits(int scenario) {
    char path[96];
    ElementFilePath(scenario, path, sizeof path);
    ElementList own;
    uint32_t code = 0;
    // The front end reads without a path map: no cell is checked.
    if (!ReadElementFile(path, ElementReadRules{2, nullptr, false}, &own, &code)) return 0;
    uint32_t sum = 0;
    for (const ElementRecord* r = own.First(); r; r = own.Next(r))
        if (r->elementKind == ELEMENT_ITEM) sum += ItemCreditValue(int(r->subtype));
    return sum;
}

void ClearWorldElements() {
    g_ElementMap.DespawnAll();
    g_Scenario.pathMap.ClearOccupants();
    g_ElementMap.Clear();
}

void LoadGlowTextures() {
    static constexpr const char* kTextures[GLOW_PALETTE_SIZE] = {"glow00.tga", "glow01.tga", "glow02.tga",
                                                                 "glow03.tga", "glow04.tga", "glow05.bmp",
                                                                 "glow06.bmp", "glow07.bmp"};
    ElementMap& map = g_ElementMap;
    map.glowPaletteCount = 0;
    for (const char* texture : kTextures) {
        GlowPaletteEntry& e = map.glowPalette[map.glowPaletteCount++];
        e = GlowPaletteEntry{128, 128, 128, 128, 300, 0.07f, {}};
        std::strncpy(e.texture, texture, sizeof e.texture - 1);
    }
}
