#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "common/math.h"

struct MatchTally;
struct PlayerRecord;
namespace netio {
class Message;
}

// Entries of the receive queue, and kinds of the session messages (each message's first byte).
constexpr int32_t RECEIVE_QUEUE_SIZE = 10000;
constexpr uint8_t SESSION_MESSAGE_GAME_PACKET = 4;

// Characters of the player's name a session keeps.
constexpr size_t SESSION_NAME_CHARS = 15;

// The network session: whether a network game runs and whether this machine hosts it, the
// receive queue the network thread fills, its once-per-frame drain and the single send.
class NetSession {
public:
    uint8_t hosting;    // this machine hosts an active session
    uint8_t active;     // a network game runs, from a successful Start until Stop
    uint32_t playerId = 0;  // this machine's session player id
    int32_t scenarioId;   // the session's scenario and game kind
    int32_t gameKind;
    char playerName[SESSION_NAME_CHARS + 1] = {};  // the name Start chose

    // Traffic counters of the statistics overlay: received [0] and sent [1].
    struct Traffic {
        int32_t bytesPerSecond[2];
        int32_t data[2];
        int32_t maxData[2];
        int32_t packets[2];
    } traffic = {};
    uint32_t bytesAtLastRate[2] = {};

    NetSession() : hosting(0), active(0), scenarioId(0), gameKind(0) {}

    // Hosts (host true) or joins; a failed start returns false and leaves `active` at 0, and
    // the caller then calls Stop.
    bool Start(bool host, const char* name, uint32_t port, const char* hostAddress);
    void Stop();
    // Joins the session of that slot of the search's list; true once the host admitted us.
    bool JoinSession(int i);
    // The listed players plus the host, unless the host takes no player slot.
    int GetPlayerCount() const;
    // Recomputes the per-second figures from the running totals (once per second).
    void UpdateTrafficRates();
    void RefreshPlayerList();
    // Drains the receive queue and dispatches each game packet.
    void ProcessIncoming();
    // A client's send goes to the host; the host's to one player or, for 0, to all. Nothing is
    // sent while no session runs.
    void Send(uint32_t target, const uint8_t* data, uint32_t size);
};

extern NetSession g_NetSession;

// Written by the network thread, read by the main thread: the session ended under us, and the
// players each role lists (the host's own player is never among them).
extern std::atomic<uint8_t> g_SessionTerminated;
extern std::atomic<int32_t> g_ServerPlayerCount;
extern std::atomic<int32_t> g_ClientPlayerCount;
extern std::atomic<uint8_t> g_ClientServerOnly;    // the welcome's flag: the host takes no slot

// A game is running with at least one other player listed; every appended event tests it.
bool IsNetworkActive();
void RemovePlayerCharacters(uint32_t playerId);

// Network thread: queues a received message with its sender's player id. A message that finds
// no queue, or a full one, is refused and handed back at once (false).
bool EnqueueReceivedPacket(uint32_t playerContext, netio::Message&& message);
// Passes a game packet on to the dispatcher; every other kind, and an empty message, is dropped.
void DispatchQueuedPacket(uint32_t playerContext, const uint8_t* data, size_t size);
// Where DispatchQueuedPacket sends game packets: the game packet's dispatcher, unless a test put
// a recorder here.
using PacketDispatcher = void (*)(uint32_t playerContext, const uint8_t* data, size_t size);
extern PacketDispatcher g_PacketDispatcher;
void ResetPacketDispatcher();

// Network thread: what the roles report reaches the main loop as window messages. A join or
// leave posts WM_APP with the player id and 0 or 1; a session end sets g_SessionTerminated,
// then posts the Escape key.
void NotifyPlayerJoined(uint32_t playerId);
void NotifyPlayerLeft(uint32_t playerId);
void NotifySessionTerminated();
// The match time at which the packet being dispatched reached this machine: the host's own late
// frames are no haste of its sender's. The match time itself outside a drain.
uint32_t DispatchedPacketTime();
// Messages waiting in the queue (tests and the statistics).
int32_t ReceiveQueueCount();

// The host's and the client's sides of a session (NetServer, NetClient); tests put transports
// of their own here.
struct NetRoleCalls {
    bool (*startServer)(const char* name, uint32_t port);
    void (*stopServer)();   // also writes the session defaults back
    bool (*startClient)(const char* name, const char* hostAddress, uint32_t port);
    void (*stopClient)();
    void (*send)(bool hosting, uint32_t target, const uint8_t* data, uint32_t size);
    void (*disconnect)(uint32_t player);    // the host sends a player away
    // Whether that player is still in the hosted session (false once its leave is known).
    bool (*inSession)(uint32_t player);
    // The host's LinkLateBoundMs; 0 when not hosting.
    uint32_t (*lateBound)(uint32_t player);
};
extern NetRoleCalls g_NetRoleCalls;
void ResetNetRoleCalls();

// How much later than its fellows a message from that player may reach the host because its link
// lost datagrams before it and they were resent; bounded, and 0 for a player not in the hosted
// session or on a machine that does not host. Main thread, without waiting on the network.
uint32_t LinkLateBoundMs(uint32_t player);

// Everything of the session layer back to its start state: the session stopped, the queue
// freed, the flags and counts cleared, the packet emptied (tests).
void ResetNetSession();

// A session that ends while the front end runs sends the menu back to its first page.
void OnSessionEndedInFrontEnd();

// The network's log lines ("NET ERROR - " and the progress ones): an empty line, a row of
// asterisks, then the text.
void LogNetError(const char* text);

class Character;
class DynamicObject;

// Event types of the game packet.
constexpr uint8_t EVENT_SET_POSITION = 0;
constexpr uint8_t EVENT_SET_YAW = 3;
constexpr uint8_t EVENT_SET_TARGET = 4;
constexpr uint8_t EVENT_SET_AIM_POINT = 5;
constexpr uint8_t EVENT_SET_ANIMATION = 9;
constexpr uint8_t EVENT_SET_ANIMATION_TIME = 10;
constexpr uint8_t EVENT_CLEAR_LOOP_ANIMATION = 11;
constexpr uint8_t EVENT_START_GUARD = 13;
constexpr uint8_t EVENT_END_GUARD = 14;
constexpr uint8_t EVENT_RESPAWN = 17;
constexpr uint8_t EVENT_CHANGE_HEALTH = 18;
constexpr uint8_t EVENT_CHANGE_ENERGY = 19;
constexpr uint8_t EVENT_ADD_EXPERIENCE = 20;
constexpr uint8_t EVENT_ADD_CREDITS = 21;
constexpr uint8_t EVENT_START_POWER = 30;
constexpr uint8_t EVENT_START_TIMED_STATE = 32;
constexpr uint8_t EVENT_STOP_TIMED_STATE = 33;
constexpr uint8_t EVENT_APPLY_HIT = 22;
constexpr uint8_t EVENT_SPAWN_DYNAMIC_OBJECT = 23;
constexpr uint8_t EVENT_SET_DYNAMIC_OBJECT_POSITION = 24;
constexpr uint8_t EVENT_SET_DYNAMIC_OBJECT_VELOCITY = 25;
constexpr uint8_t EVENT_CREATE_EFFECT = 31;
constexpr uint8_t EVENT_SPAWN_ITEM = 34;
constexpr uint8_t EVENT_COLLECT_ITEM = 35;
constexpr uint8_t EVENT_PLAY_SOUND = 37;
constexpr uint8_t EVENT_SET_CHARGE = 15;
constexpr uint8_t EVENT_SPAWN_CHARACTER = 38;
constexpr uint8_t EVENT_REMOVE_PLAYER = 40;
constexpr uint8_t EVENT_MATCH_STATE = 44;
constexpr uint8_t EVENT_ATTACH_TO_SCENE = 41;
constexpr uint8_t EVENT_MATCH_TIME = 43;
// The host's tallies a client cannot make itself: both sides' points, letters and word states,
// and the fighters the match ended with. 77 bytes.
constexpr uint8_t EVENT_MATCH_TALLY = 42;
constexpr size_t MATCH_TALLY_BYTES = 77;
constexpr uint8_t EVENT_MATCH_RESULTS = 45;
constexpr uint8_t EVENT_RECORD_KILL = 55;
constexpr uint8_t EVENT_SCREEN_EFFECT = 36;
constexpr uint8_t EVENT_SET_SYMBOL_CARRIER = 46;
constexpr uint8_t EVENT_CAPTURE_SYMBOL = 47;
constexpr uint8_t EVENT_PASS_CHECKPOINT = 48;
constexpr uint8_t EVENT_PLACE_SEARCH_OBJECT = 49;
constexpr uint8_t EVENT_MOVE_SEARCH_OBJECT = 50;
constexpr uint8_t EVENT_SET_SEARCH_OBJECT_POSITION = 51;
constexpr uint8_t EVENT_COLLECT_SEARCH_OBJECT = 52;
constexpr uint8_t EVENT_SET_CURSED_CHARACTER = 53;
constexpr uint8_t EVENT_SET_CURSE_TIME = 54;

// Where the writers put each finished event (type byte first, little-endian, packed): the
// outgoing game packet, unless a test put a recorder here.
using GamePacketSink = void (*)(const uint8_t* event, size_t size);
extern GamePacketSink g_GamePacketSink;
void ResetGamePacketSink();

// The packet on the wire: kind 4, u32 sequence, u16 payload length, then the events.
constexpr size_t GAME_PACKET_HEADER = 7;
constexpr uint8_t JOIN_DONE = 0, JOIN_ASKED = 1, JOIN_ANSWERING = 2;
constexpr size_t GAME_PACKET_PAYLOAD = 50000;

class GamePacket {
public:
    uint8_t dispatching = 0;    // set while the events of a received packet are applied
    // A client's way through the host's answer to its request for a fighter: JOIN_ASKED takes
    // nothing before its fighter, which the answer tells again; JOIN_ANSWERING takes the rest of
    // the answer, which ends with the match's result block.
    uint8_t joining = 0;
    uint32_t addressee = 0;     // the one player what is appended now goes to; 0: every player
    uint32_t sequence = 0;      // of the last packet sent
    uint16_t length = 0;        // payload bytes appended since the last flush
    uint8_t buffer[GAME_PACKET_HEADER + GAME_PACKET_PAYLOAD] = {};
    // Received and sent traffic: total payload bytes, packets, the largest payload.
    uint32_t receivedBytes = 0, receivedPackets = 0, largestReceived = 0;
    uint32_t sentBytes = 0, sentPackets = 0, largestSent = 0;

    // Empty, sequence and statistics back to 0.
    void Reset();
    // Appends one finished event; one that does not fit sends what is there first.
    void Append(const uint8_t* event, size_t size);
    // Applies a received game packet (kind byte first) on the main thread. On the host, a
    // packet from a client (sender not 0) applies only what that client may say.
    void Dispatch(const uint8_t* data, size_t size, uint32_t sender = 0);
    // The match's kind, state, times and the kind's goals and counters, for a joining player.
    void WriteMatchState();
    // The match's tally (the host's, for its clients).
    void WriteMatchTally(const MatchTally& tally);

    // The local fighter's charge, position, facing, target and aim point; the writers keep the
    // last-sent position and facing up to date.
    void WriteSetCharge(Character* player);
    void WriteSetPosition(Character* player);
    void WriteSetYaw(Character* player);
    void WriteSetTarget(Character* player);
    void WriteSetAimPoint(Character* player);
    void WriteRemovePlayer(uint32_t playerId);
    void WriteRespawn(int slot);
    // A fighter's animation changes: the blend is the one it was played with.
    void WriteSetAnimation(int slot, int animation, uint32_t blendMs, int layer);
    void WriteSetAnimationTime(int slot, int bone, float frame);
    void WriteClearLoopAnimation(int slot);
    void WriteStartGuard(int slot);
    void WriteEndGuard(int slot);
    // A fighter the host is asked to make: slot (-1 any), the asking machine's player id, side,
    // level, position and the look dwords of its player record.
    void WriteSpawnCharacter(int slot, uint32_t playerId, int side, int level, const Vec3& position,
                             const PlayerRecord& record);
    void WriteAttachToScene(int slot);
    // The host's match time, so that receivers keep the same elapsed time.
    void WriteMatchTime(uint32_t elapsedMs);
    // The match's result block of `count` dwords.
    void WriteMatchResults(const uint32_t* block, size_t count);
    // A death: points (i8), victim slot (u8) and killer slot (i8, -1 none).
    void WriteRecordKill(int points, int victimSlot, int killerSlot);
    // Meter changes as applied; a slot of -1 names no fighter.
    void WriteChangeHealth(int slot, int attackerSlot, float amount);
    void WriteChangeEnergy(int slot, float amount);
    void WriteAddExperience(int slot, float amount, int otherSlot);
    void WriteAddCredits(int slot, float amount);
    void WriteStartPower(int slot, int power);
    void WriteStartTimedState(int slot, int state, uint32_t durationMs);
    void WriteStopTimedState(int slot, int state, uint32_t fadeMs);
    // A hit for the machine whose local player is the victim: slots (attacker -1 none), damage
    // value, hit point, reaction code and heavy flag (0 or 2).
    void WriteApplyHit(int victimSlot, int attackerSlot, float damage, const Vec3& point, int32_t reaction,
                       uint32_t heavy);
    // A prop the host made: slot, pool kind, model type, position, owner's slot (-1 none).
    void WriteSpawnDynamicObject(uint32_t slot, uint32_t kind, uint32_t type, const Vec3& position, int ownerSlot);
    // A ball's position or velocity; each also becomes the ball's last sent one.
    void WriteSetDynamicObjectPosition(DynamicObject* prop);
    void WriteSetDynamicObjectVelocity(DynamicObject* prop);
    // An item the host made (slot, type, position, with its spawn effect) or took (slot).
    void WriteSpawnItem(uint32_t slot, int type, const Vec3& position, bool withSpawnEffect);
    void WriteCollectItem(uint32_t slot);
    // An effect for the other machines to make as CreateEffect was asked here: slot (-1 the
    // first free), type, the five vectors, lifetime, size, colour and the owner's slot (-1 none).
    void WriteCreateEffect(int32_t slot, int32_t type, const Vec3& position, const Vec3& aimPoint,
                           const Vec3& velocity, const Vec3& acceleration, const Vec3& direction, int32_t durationMs,
                           float scale, uint32_t colour, int ownerSlot);
    // A sound effect for the other machines to play at the point.
    void WritePlaySound(uint32_t id, const Vec3& position, uint8_t flag);
    // A screen item's effect for every other machine: the collector's slot and the item type.
    void WriteScreenEffect(int collectorSlot, int type);
    // The mode objects; a carrier or fighter slot of -1 is sent as "none".
    void WriteSetSymbolCarrier(int team, const Vec3& point, int carrierSlot);
    void WriteCaptureSymbol(int carrierSlot);
    void WritePassCheckpoint(int index, int team, int slot);
    void WritePlaceSearchObject(int index, const Vec3& point);
    void WriteMoveSearchObject(int index, const Vec3& point);
    void WriteSetSearchObjectPosition(int index, const Vec3& point);
    void WriteCollectSearchObject(int index, int slot);
    void WriteSetCursedCharacter(int slot, bool freeze);
    void WriteSetCurseTime(int team, uint32_t ms);
    // Sends the events appended since the last flush as one packet; nothing when none were.
    void Flush();
    // What was appended leaves first; events appended from here on go to that player alone
    // (0: to every player).
    void Address(uint32_t player);
};

extern GamePacket g_GamePacket;
