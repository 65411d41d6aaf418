// The game events of pickups, sounds and the match's mode objects.
#include "common/binary_reader.h"
#include "net/event_writer.h"
#include "net/session.h"

namespace {

// A slot of -1 travels as 255 in a u8 field.
uint8_t SlotByte(int slot) { return slot < 0 ? uint8_t(255) : uint8_t(slot); }

}  // namespace

void GamePacket::WriteScreenEffect(int collectorSlot, int type) {
    BinaryWriter w;
    w.PutU8(EVENT_SCREEN_EFFECT);
    w.PutU32(uint32_t(collectorSlot));
    w.PutU8(uint8_t(type));
    SendGameEvent(w);
}

void GamePacket::WriteSetSymbolCarrier(int team, const Vec3& point, int carrierSlot) {
    BinaryWriter w;
    w.PutU8(EVENT_SET_SYMBOL_CARRIER);
    w.PutU8(uint8_t(team));
    PutVec3(w, point);
    w.PutU8(SlotByte(carrierSlot));
    SendGameEvent(w);
}

void GamePacket::WriteCaptureSymbol(int carrierSlot) {
    BinaryWriter w;
    w.PutU8(EVENT_CAPTURE_SYMBOL);
    w.PutU8(SlotByte(carrierSlot));
    SendGameEvent(w);
}

void GamePacket::WritePassCheckpoint(int index, int team, int slot) {
    BinaryWriter w;
    w.PutU8(EVENT_PASS_CHECKPOINT);
    w.PutU32(uint32_t(index));
    w.PutU8(uint8_t(team));
    w.PutU8(uint8_t(int8_t(slot)));
    SendGameEvent(w);
}

namespace {

void WriteIndexPoint(uint8_t type, int index, const Vec3& point) {
    BinaryWriter w;
    w.PutU8(type);
    w.PutU8(uint8_t(index));
    PutVec3(w, point);
    SendGameEvent(w);
}

}  // namespace

void GamePacket::WritePlaceSearchObject(int index, const Vec3& point) {
    WriteIndexPoint(EVENT_PLACE_SEARCH_OBJECT, index, point);
}
void GamePacket::WriteMoveSearchObject(int index, const Vec3& point) {
    WriteIndexPoint(EVENT_MOVE_SEARCH_OBJECT, index, point);
}
void GamePacket::WriteSetSearchObjectPosition(int index, const Vec3& point) {
    WriteIndexPoint(EVENT_SET_SEARCH_OBJECT_POSITION, index, point);
}

void GamePacket::WriteCollectSearchObject(int index, int slot) {
    BinaryWriter w;
    w.PutU8(EVENT_COLLECT_SEARCH_OBJECT);
    w.PutU8(uint8_t(index));
    w.PutU8(SlotByte(slot));
    SendGameEvent(w);
}

void GamePacket::WriteSetCursedCharacter(int slot, bool freeze) {
    BinaryWriter w;
    w.PutU8(EVENT_SET_CURSED_CHARACTER);
    w.PutU8(SlotByte(slot));
    w.PutU8(freeze ? 1 : 0);
    SendGameEvent(w);
}

void GamePacket::WriteSetCurseTime(int team, uint32_t ms) {
    BinaryWriter w;
    w.PutU8(EVENT_SET_CURSE_TIME);
    w.PutU8(uint8_t(int8_t(team)));
    w.PutU32(ms);
    SendGameEvent(w);
}
