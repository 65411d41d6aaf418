// The element file: "QTXMAP", a version, in version 101 the credit code, then records of 57 bytes,
// 61 for glows and effects, until the end of the file. Version 100 numbered the element kinds
// with a fourth kind before glows and the game kinds from 1.
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "common/binary_reader.h"
#include "core/debug_log.h"
#include "core/pack_file.h"
#include "core/settings.h"
#include "frontend/menu.h"
#include "platform/os/os.h"
#include "platform/os/path.h"
#include "world/element_map.h"
#include "world/scenario.h"

namespace {

constexpr char kSignature[8] = {'Q', 'T', 'X', 'M', 'A', 'P', 0, 0};
// The signature is compared as a string: its six letters and the end of the string.
constexpr size_t kSignatureCompared = 7;
// The most subtypes of each element kind.
constexpr uint32_t kSubtypes[ELEMENT_KINDS] = {2, 58, 4, 3, GLOW_PALETTE_SIZE, 20};

bool HasExtraWord(uint32_t elementKind) { return elementKind == ELEMENT_GLOW || elementKind == ELEMENT_EFFECT; }

// Version 100's game kinds: 0 and 7 were common, 1-6 the kinds 0-5.
uint32_t GameKindOfVersion100(uint32_t kind) {
    if (kind == 0 || kind == 7) return ELEMENT_COMMON;
    if (kind >= 1 && kind <= 6) return kind - 1;
    return kind;
}

bool Finite(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// One record's stored fields; false when the data end inside it.
bool ReadRecord(BinaryReader& in, uint32_t version, ElementRecord* r) {
    in.ReadU32(r->gameKind);
    in.ReadU32(r->elementKind);
    if (version == ELEMENT_FILE_OLD_VERSION && r->elementKind > ELEMENT_SPECIAL) --r->elementKind;
    in.ReadU32(r->subtype);
    in.ReadI32(r->cell.x);
    in.ReadI32(r->cell.z);
    in.ReadI32(r->cell.layer);
    in.ReadU32(r->role);
    in.ReadU8(r->index);
    in.ReadF32(r->position.x);
    in.ReadF32(r->position.y);
    in.ReadF32(r->position.z);
    for (float& f : r->block) in.ReadF32(f);
    if (HasExtraWord(r->elementKind)) in.ReadU32(r->extra);
    if (!in.ok()) return false;
    if (version == ELEMENT_FILE_OLD_VERSION) r->gameKind = GameKindOfVersion100(r->gameKind);
    return true;
}

void PutRecord(BinaryWriter& out, const ElementRecord& r) {
    out.PutU32(r.gameKind);
    out.PutU32(r.elementKind);
    out.PutU32(r.subtype);
    out.PutI32(r.cell.x);
    out.PutI32(r.cell.z);
    out.PutI32(r.cell.layer);
    out.PutU32(r.role);
    out.PutU8(r.index);
    out.PutF32(r.position.x);
    out.PutF32(r.position.y);
    out.PutF32(r.position.z);
    for (float f : r.block) out.PutF32(f);
    if (HasExtraWord(r.elementKind)) out.PutU32(r.extra);
}

}  // namespace

void ElementFilePath(int scenario, char* out, size_t size) {
    std::snprintf(out, size, "Modelos\\Escenarios\\Escenario%02d\\Escenario%02d.dat", scenario, scenario);
}

bool IsElementRecordSound(const ElementRecord& r) {
    if (r.gameKind >= uint32_t(ELEMENT_GAME_KINDS) || r.elementKind >= uint32_t(ELEMENT_KINDS)) return false;
    if (r.subtype >= kSubtypes[r.elementKind]) return false;
    if (r.elementKind == ELEMENT_SPECIAL && r.role == ELEMENT_ROLE_SYMBOL && r.index > 1) return false;
    if (!Finite(r.position)) return false;
    for (float f : r.block)
        if (!std::isfinite(f)) return false;
    return r.elementKind != ELEMENT_GLOW || std::isfinite(std::bit_cast<float>(r.extra));
}

bool ReadElementFile(const char* path, const ElementReadRules& rules, ElementList* out, uint32_t* creditCode) {
    PackEntry entry;
    if (!path || !entry.Open(ELEMENT_PACK, path)) return false;
    BinaryReader& in = entry.Reader();
    const uint8_t* signature = in.Span(sizeof kSignature);
    if (!signature || std::memcmp(signature, kSignature, kSignatureCompared) != 0) {
        WriteDebugLogF("Mapa de elementos %s rechazado: firma incorrecta", path);
        return false;
    }
    uint32_t version = 0;
    uint32_t code = 0;
    in.ReadU32(version);
    if (version > ELEMENT_FILE_OLD_VERSION) in.ReadU32(code);
    if (!in.ok() || (version != ELEMENT_FILE_OLD_VERSION && version != ELEMENT_FILE_VERSION)) {
        WriteDebugLogF("Mapa de elementos %s rechazado: version %u", path, version);
        return false;
    }
    if (creditCode) *creditCode = code;

    while (in.Remaining() > 0) {
        const size_t start = in.Tell();
        ElementRecord read;
        if (!ReadRecord(in, version, &read)) {
            // Its missing fields would read as zeros: a side-0 start at cell (0, 0, 0).
            WriteDebugLogF("Mapa de elementos %s: registro cortado en %zu descartado", path, start);
            break;
        }
        if (!IsElementRecordSound(read)) {
            if (!rules.keepUnplaceable) {
                WriteDebugLogF("Mapa de elementos %s: registro en %zu descartado (tipo %u/%u/%u)", path, start,
                               read.gameKind, read.elementKind, read.subtype);
                continue;
            }
            read.placeable = 0;
        } else if (rules.cells && read.elementKind <= ELEMENT_SPECIAL && !rules.cells->IsValidCell(read.cell)) {
            if (!rules.keepUnplaceable) continue;
            read.placeable = 0;
        }
        if (rules.gameKind >= 0 && read.gameKind != uint32_t(rules.gameKind) && read.gameKind != ELEMENT_COMMON)
            continue;
        ElementRecord* kept = new (std::nothrow) ElementRecord(read);
        if (!kept) break;
        out->Append(kept);
    }
    return true;
}

bool WriteElementFile(const char* path, const ElementList& list, uint32_t creditCode) {
    if (!path) return false;
    BinaryWriter out;
    out.PutBytes(kSignature, sizeof kSignature);
    out.PutU32(ELEMENT_FILE_VERSION);
    out.PutU32(creditCode);
    for (const ElementRecord* r = list.First(); r; r = list.Next(r)) PutRecord(out, *r);
    if (!os::WriteFileReplacing(path, out.Data())) {
        WriteDebugLogF("Mapa de elementos %s no guardado", path);
        return false;
    }
    return true;
}

bool ElementMap::Load(const char* path, int gameKind) {
    char own[96];
    if (!path) {
        ElementFilePath(g_Scenario.number, own, sizeof own);
    }
    // The front end reads without a path map; the editor keeps what it could not place, so that
    // a save gives it back as it was read.
    const ElementReadRules rules{gameKind, g_Menu.active ? nullptr : &g_Scenario.pathMap, g_Settings.mode == 3};
    if (!ReadElementFile(path ? path : own, rules, &list, &creditCode)) return false;
    if (!path) {
        loadedMessage = 1;
        messageTime = os::timeGetTime();
    }
    return true;
}

bool ElementMap::Save(const char* path) {
    char own[96];
    if (!path) {
        ElementFilePath(g_Scenario.number, own, sizeof own);
        path = own;
    }
    // The credit items of greed and the common ones, as spawned now.
    if (groupSizes[ELEMENT_ITEM].empty()) BuildGroupSizes();
    constexpr uint32_t kValues[4] = {1, 5, 25, 50};
    const int first = CountElements(ELEMENT_ITEM, 4);
    uint32_t code = 0;
    for (int i = 0; i < 4 && first + i < ELEMENT_SUBTYPES; ++i)
        code += (spawnCounts[2][ELEMENT_ITEM][first + i] + spawnCounts[ELEMENT_COMMON][ELEMENT_ITEM][first + i]) *
                kValues[i];
    if (!WriteElementFile(path, list, code)) return false;
    savedMessage = 1;
    messageTime = os::timeGetTime();
    return true;
}
