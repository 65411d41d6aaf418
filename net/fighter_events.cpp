// The game events of a fighter's actions, meters, states and effects.
#include <initializer_list>

#include "common/binary_reader.h"
#include "frontend/player_record.h"
#include "net/event_writer.h"
#include "net/session.h"

namespace {

// The events that carry nothing but the fighter's slot.
void SendSlotEvent(uint8_t type, int slot) {
    BinaryWriter w;
    w.PutU8(type);
    w.PutU8(uint8_t(slot));
    SendGameEvent(w);
}

// Events 19 and 21: the fighter's slot and an amount.
void SendAmountEvent(uint8_t type, int slot, float amount) {
    BinaryWriter w;
    w.PutU8(type);
    w.PutU8(uint8_t(slot));
    w.PutF32(amount);
    SendGameEvent(w);
}

// Events 32 and 33 share their layout: slot, state, then the duration or the fade.
void SendStateEvent(uint8_t type, int slot, int state, uint32_t ms) {
    BinaryWriter w;
    w.PutU8(type);
    w.PutU8(uint8_t(slot));
    w.PutU8(uint8_t(state));
    w.PutU32(ms);
    SendGameEvent(w);
}

}  // namespace

void GamePacket::WriteRespawn(int slot) { SendSlotEvent(EVENT_RESPAWN, slot); }

void GamePacket::WriteSetAnimation(int slot, int animation, uint32_t blendMs, int layer) {
    BinaryWriter w;
    w.PutU8(EVENT_SET_ANIMATION);
    w.PutU8(uint8_t(slot));
    w.PutU32(uint32_t(animation));
    w.PutU32(blendMs);
    w.PutU8(uint8_t(layer));
    SendGameEvent(w);
}

void GamePacket::WriteSetAnimationTime(int slot, int bone, float frame) {
    BinaryWriter w;
    w.PutU8(EVENT_SET_ANIMATION_TIME);
    w.PutU8(uint8_t(slot));
    w.PutU8(uint8_t(bone));
    w.PutF32(frame);
    SendGameEvent(w);
}

void GamePacket::WriteClearLoopAnimation(int slot) { SendSlotEvent(EVENT_CLEAR_LOOP_ANIMATION, slot); }
void GamePacket::WriteStartGuard(int slot) { SendSlotEvent(EVENT_START_GUARD, slot); }
void GamePacket::WriteEndGuard(int slot) { SendSlotEvent(EVENT_END_GUARD, slot); }

void GamePacket::WriteSpawnCharacter(int slot, uint32_t playerId, int side, int level, const Vec3& position,
                                     const PlayerRecord& record) {
    BinaryWriter w;
    w.PutU8(EVENT_SPAWN_CHARACTER);
    w.PutU8(uint8_t(int8_t(slot)));
    w.PutU32(playerId);
    w.PutU8(uint8_t(side));
    w.PutU8(uint8_t(level));
    PutVec3(w, position);
    // The look, field by field as the record stores it: 24 dwords from dword 9.
    const PlayerLook& look = record.look;
    w.PutBytes(look.name, sizeof look.name);
    w.PutU32(look.skin);
    w.PutU32(look.eyes);
    w.PutU32(look.clothes);
    for (int32_t t : look.tattoos) w.PutI32(t);
    w.PutI32(look.hair);
    w.PutU32(look.hairColour);
    w.PutI32(look.glasses);
    for (int32_t e : look.equipment) w.PutI32(e);
    SendGameEvent(w);
}

void GamePacket::WriteAttachToScene(int slot) {
    BinaryWriter w;
    w.PutU8(EVENT_ATTACH_TO_SCENE);
    w.PutU8(uint8_t(slot));
    SendGameEvent(w);
}

void GamePacket::WriteMatchTime(uint32_t elapsedMs) {
    BinaryWriter w;
    w.PutU8(EVENT_MATCH_TIME);
    w.PutU32(elapsedMs);
    SendGameEvent(w);
}

void GamePacket::WriteMatchResults(const uint32_t* block, size_t count) {
    BinaryWriter w;
    w.PutU8(EVENT_MATCH_RESULTS);
    for (size_t i = 0; i < count; ++i) w.PutU32(block[i]);
    SendGameEvent(w);
}

void GamePacket::WriteRecordKill(int points, int victimSlot, int killerSlot) {
    BinaryWriter w;
    w.PutU8(EVENT_RECORD_KILL);
    w.PutU8(uint8_t(int8_t(points)));
    w.PutU8(uint8_t(victimSlot));
    w.PutU8(uint8_t(int8_t(killerSlot)));
    SendGameEvent(w);
}

void GamePacket::WriteChangeHealth(int slot, int attackerSlot, float amount) {
    BinaryWriter w;
    w.PutU8(EVENT_CHANGE_HEALTH);
    w.PutU8(uint8_t(slot));
    w.PutU8(uint8_t(int8_t(attackerSlot)));
    w.PutF32(amount);
    SendGameEvent(w);
}

void GamePacket::WriteChangeEnergy(int slot, float amount) { SendAmountEvent(EVENT_CHANGE_ENERGY, slot, amount); }

void GamePacket::WriteAddExperience(int slot, float amount, int otherSlot) {
    BinaryWriter w;
    w.PutU8(EVENT_ADD_EXPERIENCE);
    w.PutU8(uint8_t(slot));
    w.PutF32(amount);
    w.PutU8(uint8_t(int8_t(otherSlot)));
    SendGameEvent(w);
}

void GamePacket::WriteAddCredits(int slot, float amount) { SendAmountEvent(EVENT_ADD_CREDITS, slot, amount); }

void GamePacket::WriteStartPower(int slot, int power) {
    BinaryWriter w;
    w.PutU8(EVENT_START_POWER);
    w.PutU8(uint8_t(slot));
    w.PutU8(uint8_t(power));
    SendGameEvent(w);
}

void GamePacket::WriteStartTimedState(int slot, int state, uint32_t durationMs) {
    SendStateEvent(EVENT_START_TIMED_STATE, slot, state, durationMs);
}

void GamePacket::WriteStopTimedState(int slot, int state, uint32_t fadeMs) {
    SendStateEvent(EVENT_STOP_TIMED_STATE, slot, state, fadeMs);
}

void GamePacket::WriteCreateEffect(int32_t slot, int32_t type, const Vec3& position, const Vec3& aimPoint,
                                   const Vec3& velocity, const Vec3& acceleration, const Vec3& direction,
                                   int32_t durationMs, float scale, uint32_t colour, int ownerSlot) {
    BinaryWriter w;
    w.PutU8(EVENT_CREATE_EFFECT);
    w.PutI32(slot);
    w.PutU8(uint8_t(type));
    for (const Vec3* v : {&position, &aimPoint, &velocity, &acceleration, &direction}) PutVec3(w, *v);
    w.PutI32(durationMs);
    w.PutF32(scale);
    w.PutU32(colour);
    w.PutU8(uint8_t(int8_t(ownerSlot)));
    SendGameEvent(w);
}

void GamePacket::WritePlaySound(uint32_t id, const Vec3& position, uint8_t flag) {
    BinaryWriter w;
    w.PutU8(EVENT_PLAY_SOUND);
    w.PutU32(id);
    PutVec3(w, position);
    w.PutU8(flag);
    SendGameEvent(w);
}

