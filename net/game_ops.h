// What a received game packet may do to this machine's game: the one narrow way from the
// dispatcher to the fighters, items, props, effects, sounds and match. Every index and value has
// been checked by the dispatcher before a call arrives. Tests, fuzz targets and the net bot put
// a recording fake here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/math.h"
#include "frontend/player_record.h"

struct EffectRequest {
    int32_t slot;       // -1: the first free one
    int32_t type;
    Vec3 vectors[5];    // position, aim point, velocity, acceleration, direction
    int32_t durationMs;
    float scale;
    uint32_t colour;
    int owner;          // -1 none
};

class GameOps {
public:
    virtual ~GameOps() = default;

    virtual bool IsActive(int slot) = 0;
    // This machine's own fighter, -1 while it has none.
    virtual int LocalSlot() = 0;

    virtual void SetPosition(int slot, const Vec3& p) = 0;
    virtual void SetYaw(int slot, float yaw) = 0;
    // The facing the host placed the fighter with: it faces so now and at its next new life.
    virtual void FacePlaced(int slot, float yaw) = 0;
    virtual void SetTarget(int slot, int target) = 0;       // -1 none
    virtual void SetAimPoint(int slot, const Vec3& p) = 0;
    // The host passes a fighter's position, facing, target or aim point on with the writers,
    // which keep their last-sent copies.
    virtual void WriteFighterMotion(int slot, uint8_t type) = 0;
    virtual void SetAnimation(int slot, uint32_t animation, uint32_t parameter, uint8_t flag) = 0;
    virtual void SetAnimationTime(int slot, int bone, float time) = 0;
    virtual void EndSplitAnimation(int slot) = 0;
    virtual void StartGuard(int slot) = 0;
    virtual void EndGuard(int slot) = 0;
    virtual void SetCharge(int slot, uint32_t ms) = 0;
    virtual void Respawn(int slot) = 0;
    virtual void ChangeHealth(int slot, float amount, int attacker) = 0;
    virtual void ChangeEnergy(int slot, float amount) = 0;
    virtual void AddExperience(int slot, float amount, int other) = 0;
    virtual void AddCredits(int slot, int amount) = 0;
    virtual void ApplyHit(int slot, float value, const Vec3& p, int32_t reaction, uint32_t heavy, int attacker) = 0;
    virtual void StartPower(int slot, int power) = 0;
    // On the host, a client's cast: false where its player's own rules, on the fighter as this
    // machine holds it, refuse it (level, energy, in the air, dead). A refused cast leaves the
    // fighter no power, so that the cast animation sent with it releases nothing here.
    virtual bool AcceptPower(int /*slot*/, int /*power*/) { return true; }
    // On the host, a client's animation for its fighter: false for a rise of a fighter held alive,
    // an entry not owed, and a repeat of the basic power's cast its rules refuse.
    virtual bool AcceptAnimation(int /*slot*/, uint32_t /*animation*/) { return true; }
    // On the host, a client's fighter killed (health 0, whether or not its death has come): until
    // its new life only its fall, death and rise are taken from its machine.
    virtual bool OutOfTheFight(int /*slot*/) { return false; }
    virtual void StartTimedState(int slot, int state, uint32_t ms) = 0;
    virtual void StopTimedState(int slot, int state, uint32_t value) = 0;
    virtual void AttachToScene(int slot) = 0;

    virtual void SpawnProp(uint32_t slot, uint8_t kind, uint8_t type, const Vec3& p, int owner) = 0;
    virtual void SetPropPosition(uint32_t slot, const Vec3& p) = 0;
    virtual void SetPropVelocity(uint32_t slot, const Vec3& v) = 0;
    virtual void SpawnItem(uint32_t slot, int type, const Vec3& p, uint8_t flag) = 0;
    virtual void CollectItem(uint32_t slot) = 0;
    // The effect made, or -1.
    virtual int32_t CreateEffect(const EffectRequest& e) = 0;
    virtual void ScreenEffect(int itemType) = 0;
    virtual void PlaySound(uint32_t id, const Vec3& p, uint8_t flag) = 0;
    virtual void RemovePlayer(uint32_t playerId) = 0;

    virtual void SetMatchTime(uint32_t ms) = 0;
    // Event 44 as received, its size already checked against its kind.
    virtual void SetMatchState(const uint8_t* event, size_t size) = 0;
    virtual void SetMatchResults(const uint32_t* words) = 0;
    // Events 46 to 55 as received.
    virtual void ApplyModeEvent(const uint8_t* event, size_t size) = 0;

    // Event 38 on a client: a fighter the host announced (local: it is this machine's).
    virtual void SpawnAnnounced(int slot, uint32_t playerId, int side, int level, const Vec3& p,
                                const PlayerLook& look, bool local) = 0;
    // Event 38 on the host: a client asks for a fighter; the slot made, or -1.
    virtual int SpawnRequested(uint32_t playerId, int side, int level, const PlayerLook& look) = 0;
    // The join answer's parts, each appended to the outgoing packet.
    virtual void WriteFighterPicture(int slot) = 0;
    virtual void WriteItemsAndProps() = 0;
    virtual int MatchKind() = 0;
    virtual int CheckpointsPassed(int team) = 0;
    virtual void WriteModePicture(int kind) = 0;   // kinds 0, 3 and 4
    virtual void WriteMatchStateAndResults() = 0;
};

// The host's record of which player's machine controls each fighter slot (0: the host's own or
// nobody): set by its answer to a player's fighter request, cleared when the player leaves.
void SetFighterOwner(int slot, uint32_t player);
uint32_t FighterOwner(int slot);
void ForgetPlayerFighters(uint32_t player);
void ResetFighterOwners();
// On the host, a hit told to the machine of a fighter another player drives: that machine answers
// with the hit's spark and flash, and the host makes only those.
void NoteHitTold(int victimSlot, const Vec3& point, int32_t reaction, uint32_t heavy);
// Past this many refused events within the window, a client is sent away.
constexpr int REFUSED_EVENTS_LIMIT = 100;
constexpr uint32_t REFUSED_EVENTS_WINDOW_MS = 10000;

// Records, for the results pages, which slot is this machine's fighter (-1: none).
void NoteLocalFighterSlot(int slot);

// The live game, unless a test put something else here.
extern GameOps* g_GameOps;
void ResetGameOps();
