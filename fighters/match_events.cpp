// The receiving side of the mode-object events: each field is read through the bounded reader
// and every team, checkpoint, object and fighter index checked before the match is touched.
#include "common/binary_reader.h"
#include "core/debug_log.h"
#include "effects/effect_slots.h"
#include "fighters/match.h"
#include "fighters/match_checks.h"

using namespace matchrules;

namespace {

constexpr uint8_t kNoSlot = 255;

bool ReadPoint(BinaryReader& in, Vec3* p) { return in.ReadF32(p->x) && in.ReadF32(p->y) && in.ReadF32(p->z); }

// A fighter slot of an event: "none" (the byte given) or an active record.
bool ReadFighter(BinaryReader& in, uint8_t none, Character** out) {
    uint8_t slot = 0;
    if (!in.ReadU8(slot)) return false;
    if (slot == none) {
        *out = nullptr;
        return true;
    }
    *out = ActiveFighter(slot);
    return *out != nullptr;
}

bool IsObject(uint8_t i) { return i < MATCH_SEARCH_OBJECTS; }

// The host's word on who the match ended with, kept to the slots this machine holds a fighter in
// or already counted as ended: a leaver in the end's pause keeps its row, an empty slot gets none.
uint16_t HeldEndFighters(uint16_t told) {
    uint16_t held = g_Match.endFighters;
    for (int slot = 0; slot < MAX_CHARACTERS; ++slot)
        if (g_Characters[slot].active) held |= uint16_t(1u << slot);
    return told & held;
}

bool Apply(uint8_t type, BinaryReader& in) {
    Match& m = g_Match;
    uint8_t index = 0;
    Vec3 p{};
    Character* c = nullptr;
    switch (type) {
    case EVENT_SET_SYMBOL_CARRIER:
        if (!in.ReadU8(index) || !ReadPoint(in, &p) || !ReadFighter(in, kNoSlot, &c) || index > 1) return false;
        m.SetSymbolCarrier(index, p.x, p.y, p.z, c);
        return true;
    case EVENT_CAPTURE_SYMBOL:
        if (!ReadFighter(in, kNoSlot, &c)) return false;
        m.CaptureSymbol(c);
        return true;
    case EVENT_PASS_CHECKPOINT: {
        uint32_t n = 0;
        uint8_t team = 0;
        if (!in.ReadU32(n) || !in.ReadU8(team) || !ReadFighter(in, uint8_t(-1), &c)) return false;
        if (n >= MATCH_CHECKPOINTS || team > 1) return false;
        return m.PassCheckpoint(int(n), team, c ? c->slot : -1);
    }
    case EVENT_PLACE_SEARCH_OBJECT:
        if (!in.ReadU8(index) || !ReadPoint(in, &p) || !IsObject(index)) return false;
        m.PlaceSearchObject(index);
        if (m.searchObjects[index] != EFFECT_NO_SLOT) EffectSlotSetPosition(m.searchObjects[index], p);
        return true;
    case EVENT_MOVE_SEARCH_OBJECT:
        if (!in.ReadU8(index) || !ReadPoint(in, &p) || !IsObject(index)) return false;
        if (m.searchObjects[index] != EFFECT_NO_SLOT) EffectSlotSetPosition(m.searchObjects[index], p);
        return true;
    case EVENT_SET_SEARCH_OBJECT_POSITION:
        if (!in.ReadU8(index) || !ReadPoint(in, &p) || !IsObject(index)) return false;
        m.SetSearchObjectPosition(index, p.x, p.y, p.z);
        return true;
    case EVENT_COLLECT_SEARCH_OBJECT:
        if (!in.ReadU8(index) || !ReadFighter(in, kNoSlot, &c) || !IsObject(index) || !c) return false;
        m.CollectSearchObject(index, c->slot);
        return true;
    case EVENT_SET_CURSED_CHARACTER: {
        uint8_t freeze = 0;
        if (!ReadFighter(in, kNoSlot, &c) || !in.ReadU8(freeze)) return false;
        m.SetCursedCharacter(c, freeze != 0);
        return true;
    }
    case EVENT_MATCH_TALLY: {
        MatchTally t{};
        for (int32_t& p : t.points)
            if (!in.ReadI32(p)) return false;
        for (auto& side : t.letters)
            for (int8_t& letter : side) {
                uint8_t v = 0;
                if (!in.ReadU8(v) || int8_t(v) < -1) return false;
                letter = int8_t(v);
            }
        for (uint8_t& w : t.wordState)
            if (!in.ReadU8(w) || w > 3) return false;
        if (!in.ReadU8(t.showSide) || t.showSide > 1 || !in.ReadU16(t.endFighters)) return false;
        t.endFighters = HeldEndFighters(t.endFighters);
        m.HearHostTally(t);
        return true;
    }
    case EVENT_SET_CURSE_TIME: {
        uint32_t ms = 0;
        if (!in.ReadU8(index) || !in.ReadU32(ms) || index > 1) return false;
        m.curseTime[index] = ms;
        return true;
    }
    default: return false;
    }
}

}  // namespace

bool ApplyMatchEvent(const uint8_t* data, size_t size) {
    BinaryReader in(data, size);
    uint8_t type = 0;
    if (!in.ReadU8(type)) return false;
    if (Apply(type, in)) return true;
    WriteDebugLogF("Evento de partida %u rechazado", unsigned(type));
    return false;
}
