// The game events of the item slots.
#include "common/binary_reader.h"
#include "net/session.h"

void GamePacket::WriteSpawnItem(uint32_t slot, int type, const Vec3& position, bool withSpawnEffect) {
    BinaryWriter w;
    w.PutU8(EVENT_SPAWN_ITEM);
    w.PutU32(slot);
    w.PutU8(uint8_t(type));
    w.PutF32(position.x);
    w.PutF32(position.y);
    w.PutF32(position.z);
    w.PutU8(withSpawnEffect ? 1 : 0);
    g_GamePacketSink(w.Data().data(), w.Size());
}

void GamePacket::WriteCollectItem(uint32_t slot) {
    BinaryWriter w;
    w.PutU8(EVENT_COLLECT_ITEM);
    w.PutU32(slot);
    g_GamePacketSink(w.Data().data(), w.Size());
}
