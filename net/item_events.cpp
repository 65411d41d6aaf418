// The game events of the item slots.
#include "common/binary_reader.h"
#include "net/event_writer.h"
#include "net/session.h"

void GamePacket::WriteSpawnItem(uint32_t slot, int type, const Vec3& position, bool withSpawnEffect) {
    BinaryWriter w;
    w.PutU8(EVENT_SPAWN_ITEM);
    w.PutU32(slot);
    w.PutU8(uint8_t(type));
    PutVec3(w, position);
    w.PutU8(withSpawnEffect ? 1 : 0);
    SendGameEvent(w);
}

void GamePacket::WriteCollectItem(uint32_t slot) {
    BinaryWriter w;
    w.PutU8(EVENT_COLLECT_ITEM);
    w.PutU32(slot);
    SendGameEvent(w);
}
