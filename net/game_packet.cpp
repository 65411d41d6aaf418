// The outgoing game packet: events appended during a frame leave together at the next frame's
// network step.
#include <algorithm>
#include <cstring>

#include "common/binary_reader.h"
#include "core/settings.h"
#include "fighters/character.h"
#include "fighters/match.h"
#include "net/event_writer.h"
#include "net/session.h"

GamePacket g_GamePacket;

namespace {

void AppendToPacket(const uint8_t* event, size_t size) { g_GamePacket.Append(event, size); }

void PutU32At(uint8_t* at, uint32_t v) {
    for (int i = 0; i < 4; ++i) at[i] = uint8_t(v >> (8 * i));
}

// A fighter's slot byte, or 255 for none.
uint8_t SlotOf(const Character* c) { return c ? uint8_t(c->slot) : uint8_t(255); }

void WritePointEvent(uint8_t type, const Character& c, const Vec3& point) {
    BinaryWriter w;
    w.PutU8(type);
    w.PutU8(uint8_t(c.slot));
    PutVec3(w, point);
    SendGameEvent(w);
}

}  // namespace

void SendGameEvent(const BinaryWriter& w) { g_GamePacketSink(w.Data().data(), w.Size()); }

GamePacketSink g_GamePacketSink = AppendToPacket;

void ResetGamePacketSink() { g_GamePacketSink = AppendToPacket; }

void GamePacket::Reset() {
    buffer[0] = SESSION_MESSAGE_GAME_PACKET;
    sequence = 0;
    length = 0;
    dispatching = 0;
    joining = JOIN_DONE;
    addressee = 0;
    receivedBytes = receivedPackets = largestReceived = 0;
    sentBytes = sentPackets = largestSent = 0;
}

void GamePacket::Append(const uint8_t* event, size_t size) {
    if (!event || size == 0) return;
    if (size > GAME_PACKET_PAYLOAD) {
        LogNetError("NET ERROR - event larger than a game packet");
        return;
    }
    // A join answer alone runs to tens of kilobytes: what is there leaves first.
    if (length + size > GAME_PACKET_PAYLOAD) Flush();
    std::memcpy(buffer + GAME_PACKET_HEADER + length, event, size);
    length = uint16_t(length + size);
}

void GamePacket::Flush() {
    if (length == 0) return;
    ++sequence;
    buffer[0] = SESSION_MESSAGE_GAME_PACKET;
    PutU32At(buffer + 1, sequence);
    buffer[5] = uint8_t(length);
    buffer[6] = uint8_t(length >> 8);
    g_NetSession.Send(addressee, buffer, uint32_t(length + GAME_PACKET_HEADER));
    sentBytes += length;
    ++sentPackets;
    largestSent = std::max<uint32_t>(largestSent, length);
    length = 0;
}

void GamePacket::Address(uint32_t player) {
    Flush();
    addressee = player;
}

void GamePacket::WriteSetPosition(Character* c) {
    if (!c) return;
    c->lastSentPosition = c->position;
    WritePointEvent(EVENT_SET_POSITION, *c, c->position);
}

void GamePacket::WriteSetYaw(Character* c) {
    if (!c) return;
    c->lastSentYaw = c->yaw;
    BinaryWriter w;
    w.PutU8(EVENT_SET_YAW);
    w.PutU8(uint8_t(c->slot));
    w.PutF32(c->yaw);
    SendGameEvent(w);
}

void GamePacket::WriteSetTarget(Character* c) {
    if (!c || c->attackTarget == c->lastSentTarget) return;
    c->lastSentTarget = c->attackTarget;
    BinaryWriter w;
    w.PutU8(EVENT_SET_TARGET);
    w.PutU8(uint8_t(c->slot));
    w.PutU8(SlotOf(c->attackTarget));
    SendGameEvent(w);
}

void GamePacket::WriteSetAimPoint(Character* c) {
    // Smaller moves of the aim are not worth a packet.
    if (!c || Vec3Length(Vec3Sub(c->aimPoint, c->lastSentAimPoint)) < 0.1f) return;
    c->lastSentAimPoint = c->aimPoint;
    WritePointEvent(EVENT_SET_AIM_POINT, *c, c->aimPoint);
}

void GamePacket::WriteSetCharge(Character* c) {
    if (!c) return;
    BinaryWriter w;
    w.PutU8(EVENT_SET_CHARGE);
    w.PutU8(uint8_t(c->slot));
    w.PutU32(c->throwCharge);
    SendGameEvent(w);
}

void GamePacket::WriteRemovePlayer(uint32_t playerId) {
    BinaryWriter w;
    w.PutU8(EVENT_REMOVE_PLAYER);
    w.PutU32(playerId);
    SendGameEvent(w);
}

void GamePacket::WriteMatchTally(const MatchTally& t) {
    BinaryWriter w;
    w.PutU8(EVENT_MATCH_TALLY);
    w.PutI32(t.points[0]);
    w.PutI32(t.points[1]);
    for (const auto& side : t.letters)
        for (int8_t letter : side) w.PutU8(uint8_t(letter));
    for (uint8_t state : t.wordState) w.PutU8(state);
    w.PutU8(t.showSide);
    w.PutU16(t.endFighters);
    SendGameEvent(w);
}

void GamePacket::WriteMatchState() {
    const Match& m = g_Match;
    const Settings& s = g_Settings;
    BinaryWriter w;
    w.PutU8(EVENT_MATCH_STATE);
    w.PutU8(uint8_t(m.gameKind));
    w.PutU8(uint8_t(m.state));
    w.PutU32(m.timeLimit);
    w.PutU32(m.elapsed);
    auto pair = [&w](const int32_t (&v)[2]) {
        w.PutU32(uint32_t(v[0]));
        w.PutU32(uint32_t(v[1]));
    };
    // Kinds 6 and 7: each active fighter's kill points or score.
    auto perFighter = [&w](bool kills) {
        uint32_t n = 0;
        for (const Character& c : g_Characters) n += c.active ? 1 : 0;
        w.PutU32(n);
        for (const Character& c : g_Characters) {
            if (!c.active) continue;
            w.PutU8(uint8_t(c.slot));
            w.PutU32(uint32_t(kills ? c.killScore : c.credits));
        }
    };
    switch (m.gameKind) {
    case 0:
        pair(s.stealsGoal);
        pair(m.captures);
        break;
    case 1:
        w.PutU32(uint32_t(m.checkpointCount));
        pair(m.checkpointsPassed);
        break;
    case 2:
        pair(s.creditsGoal);
        pair(m.points);
        break;
    case 3:
        pair(s.capturesGoal);
        pair(m.found);
        break;
    case 4:
        pair(s.curseMinutes);
        w.PutU32(uint32_t(s.freezeTime));
        w.PutU8(SlotOf(m.cursedFighter));
        w.PutU32(m.curseTime[0]);
        w.PutU32(m.curseTime[1]);
        break;
    case 5:
        pair(s.maxDeaths);
        pair(m.killScore);
        break;
    case 6:
        pair(s.maxDeaths);
        perFighter(true);
        break;
    case 7:
        pair(s.creditsGoal);
        perFighter(false);
        break;
    default: break;
    }
    SendGameEvent(w);
}
