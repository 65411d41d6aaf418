// The game events of the props and of the hits they deal.
#include "common/binary_reader.h"
#include "fighters/action_pace.h"
#include "net/event_writer.h"
#include "net/game_ops.h"
#include "net/session.h"
#include "world/dynamic_object.h"

namespace {

// A prop's slot and one vector.
void WriteVectorEvent(uint8_t type, uint32_t slot, const Vec3& v) {
    BinaryWriter w;
    w.PutU8(type);
    w.PutU32(slot);
    PutVec3(w, v);
    SendGameEvent(w);
}

}  // namespace

void GamePacket::WriteApplyHit(int victimSlot, int attackerSlot, float damage, const Vec3& point, int32_t reaction,
                               uint32_t heavy) {
    BinaryWriter w;
    w.PutU8(EVENT_APPLY_HIT);
    w.PutU8(uint8_t(victimSlot));
    w.PutU8(uint8_t(int8_t(attackerSlot)));
    w.PutF32(damage);
    PutVec3(w, point);
    w.PutI32(reaction);
    w.PutU32(heavy);
    SendGameEvent(w);
    if (!g_NetSession.hosting) return;
    NoteHitTold(victimSlot, point, reaction, heavy);
    // The reaction cuts short whatever the victim's machine was playing.
    if (reaction >= 0) ForgetPace(victimSlot);
}

void GamePacket::WriteSpawnDynamicObject(uint32_t slot, uint32_t kind, uint32_t type, const Vec3& position,
                                         int ownerSlot) {
    BinaryWriter w;
    w.PutU8(EVENT_SPAWN_DYNAMIC_OBJECT);
    w.PutU32(slot);
    w.PutU8(uint8_t(kind));
    w.PutU8(uint8_t(type));
    PutVec3(w, position);
    w.PutU8(uint8_t(int8_t(ownerSlot)));
    SendGameEvent(w);
}

void GamePacket::WriteSetDynamicObjectPosition(DynamicObject* prop) {
    if (!prop) return;
    WriteVectorEvent(EVENT_SET_DYNAMIC_OBJECT_POSITION, prop->slot, prop->position);
    prop->lastSentPosition = prop->position;
}

void GamePacket::WriteSetDynamicObjectVelocity(DynamicObject* prop) {
    if (!prop) return;
    WriteVectorEvent(EVENT_SET_DYNAMIC_OBJECT_VELOCITY, prop->slot, prop->velocity);
    prop->lastSentVelocity = prop->velocity;
}
