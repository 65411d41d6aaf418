// The game's own objects behind the dispatcher's operations.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/binary_reader.h"
#include "core/clocks.h"
#include "core/settings.h"
#include "effects/effect_slots.h"
#include "fighters/action_pace.h"
#include "fighters/animation_control.h"
#include "fighters/character.h"
#include "fighters/match.h"
#include "fighters/power_release.h"
#include "fighters/power_table.h"
#include "fighters/skin.h"
#include "frontend/menu.h"
#include "net/game_ops.h"
#include "net/session.h"
#include "scene/anim_controller.h"
#include "scene/bone.h"
#include "scene/character_model.h"
#include "shell/control.h"
#include "shell/sound.h"
#include "world/dynamic_object.h"
#include "world/item.h"
#include "world/scenario.h"
#include "world/world_seams.h"

namespace {

constexpr int kSpawnAnimation = 190, kReviveAnimation = 192;
// How far from its start point a fighter's announced feet may stand.
constexpr float kStartReach = 0.5f;

bool IsEntry(uint32_t animation) {
    return animation == uint32_t(kSpawnAnimation) || animation == uint32_t(kReviveAnimation);
}

Character* Opt(int slot) { return slot >= 0 && slot < MAX_CHARACTERS ? &g_Characters[slot] : nullptr; }

// The controller time of one bone of the fighter's model, 0 without one.
float BoneTime(const Character& c, size_t bone) {
    if (!c.model || bone >= c.model->bones.size() || !c.model->bones[bone] || !c.model->bones[bone]->controller)
        return 0.0f;
    return c.model->bones[bone]->controller->time;
}

// What the join answer tells of a fighter's record: its look.
PlayerRecord RecordOf(const Character& c) {
    PlayerRecord r{};
    if (c.lookCopy) r.look = *c.lookCopy;
    return r;
}

class LiveGameOps final : public GameOps {
public:
    bool IsActive(int s) override { return s >= 0 && s < MAX_CHARACTERS && g_Characters[s].active; }
    int LocalSlot() override { return g_Control.localCharacter ? g_Control.localCharacter->slot : -1; }

    void SetPosition(int s, const Vec3& p) override { g_Characters[s].SetPosition(p.x, p.y, p.z, true); }
    void SetYaw(int s, float yaw) override { g_Characters[s].SetYaw(yaw); }
    void FacePlaced(int s, float yaw) override { g_Characters[s].FaceStart(yaw); }
    void SetTarget(int s, int target) override { g_Characters[s].attackTarget = Opt(target); }
    void SetAimPoint(int s, const Vec3& p) override { g_Characters[s].aimPoint = p; }
    void WriteFighterMotion(int s, uint8_t type) override {
        Character* c = &g_Characters[s];
        switch (type) {
        case EVENT_SET_POSITION: g_GamePacket.WriteSetPosition(c); break;
        case EVENT_SET_YAW: g_GamePacket.WriteSetYaw(c); break;
        case EVENT_SET_TARGET: g_GamePacket.WriteSetTarget(c); break;
        default: g_GamePacket.WriteSetAimPoint(c); break;
        }
    }
    void SetAnimation(int s, uint32_t animation, uint32_t parameter, uint8_t flag) override {
        Character& c = g_Characters[s];
        if (IsEntry(animation)) c.entryOwed = 0;
        // Leaving the spawn or revive pose: the arrival's overlay goes and a short protection starts.
        // It is the one protection of this spawn, entered or not.
        if (int32_t(animation) != c.currentAnimation &&
            (c.currentAnimation == kSpawnAnimation || c.currentAnimation == kReviveAnimation)) {
            if (c.overlayPresent) c.RemoveBodyOverlay(0);
            c.states[STATE_INVULNERABILITY].active = 0;
            c.StartInvulnerability(5000, 1000);
            c.entryOwed = 0;
        }
        // A player's machine leaves an attack or a cast only once it has played through: what its
        // packets came too close together for the host's copy to reach is still carried out.
        if (g_NetSession.hosting) CatchUpPace(c, int(animation), flag, DispatchedPacketTime());
        c.SetAnimation(int(animation), int(parameter), 0, flag);
    }
    bool OutOfTheFight(int s) override { return g_Characters[s].OutOfTheFight(); }
    bool AcceptAnimation(int s, uint32_t animation) override {
        Character& c = g_Characters[s];
        // A rise ends in a respawn with full meters: only for a fighter held dead. A client still
        // rising after the host's respawn of its fighter asks for nothing more.
        if (IsRiseAnimation(int(animation))) return c.dead != 0;
        // The entry's end protects and clears the timed states: once after each spawn or respawn,
        // and an entry again is no new one.
        if (IsEntry(animation)) return c.entryOwed || c.currentAnimation == int32_t(animation);
        // The basic power's cast played again over itself is a cast anew, by the same rules and
        // at the same pace.
        const uint32_t charge = uint32_t(PowerRowOf(c.side == 1 ? 1 : 0, 0).castAnimation);
        if (animation == charge && c.currentPower == 0 && c.upperAnimation == int32_t(charge))
            return c.AcceptsReceivedCast(0) && TakePacedCast(c, 0, DispatchedPacketTime(), true);
        // Every attack or throw told is one anew, with its hits or its body: no sooner than the
        // player's own machine could start it.
        // One past the ids wraps below them: no strike.
        if (IsStrikeAnimation(int(animation))) return TakePacedAttack(c, int(animation), DispatchedPacketTime());
        return true;
    }
    void SetAnimationTime(int s, int bone, float time) override {
        Character& c = g_Characters[s];
        if (!c.model) return;
        // A player's machine sets a time to enter a chain's step or a jump's attack at its frame,
        // to land its jump and to wind its defence back: none plays a frame sooner than it could.
        if (g_NetSession.hosting) time = std::min(time, TellableFrame(c, bone, DispatchedPacketTime()));
        c.model->SetAnimationFrame(bone, time, true);
    }
    void EndSplitAnimation(int s) override { g_Characters[s].EndSplitAnimation(); }
    void StartGuard(int s) override { g_Characters[s].StartGuard(); }
    void EndGuard(int s) override { g_Characters[s].EndGuard(); }
    void SetCharge(int s, uint32_t ms) override { g_Characters[s].throwCharge = ms; }
    void Respawn(int s) override { g_Characters[s].Respawn(); }
    void ChangeHealth(int s, float amount, int attacker) override { g_Characters[s].ChangeHealth(amount, Opt(attacker)); }
    void ChangeEnergy(int s, float amount) override { g_Characters[s].ChangeEnergy(amount); }
    void AddExperience(int s, float amount, int other) override { g_Characters[s].AddExperience(amount, Opt(other)); }
    void AddCredits(int s, int amount) override { g_Characters[s].AddCredits(amount); }
    void ApplyHit(int s, float value, const Vec3& p, int32_t reaction, uint32_t heavy, int attacker) override {
        g_Characters[s].ApplyHit(value, p, reaction, int(heavy), Opt(attacker));
    }
    void StartPower(int s, int power) override { g_Characters[s].StartPower(power); }
    bool AcceptPower(int s, int power) override {
        Character& c = g_Characters[s];
        if (c.AcceptsReceivedCast(power) && TakePacedCast(c, power, DispatchedPacketTime())) return true;
        // A copy of the cast still playing is no cast anew and ends nothing; any other refused
        // cast releases nothing.
        if (power != c.currentPower || c.upperAnimation != PowerRowOf(c.side == 1 ? 1 : 0, power).castAnimation)
            c.currentPower = -1;
        return false;
    }
    void StartTimedState(int s, int state, uint32_t ms) override {
        g_Characters[s].StartTimedState(state, int(ms), 1000);
    }
    void StopTimedState(int s, int state, uint32_t value) override { g_Characters[s].StopTimedState(state, int(value)); }
    void AttachToScene(int s) override { g_Characters[s].AttachToScene(); }

    void SpawnProp(uint32_t slot, uint8_t kind, uint8_t type, const Vec3& p, int) override {
        ApplySpawnDynamicObjectEvent(slot, kind, type, p);
    }
    void SetPropPosition(uint32_t slot, const Vec3& p) override { ApplyDynamicObjectPositionEvent(slot, p); }
    void SetPropVelocity(uint32_t slot, const Vec3& v) override { ApplyDynamicObjectVelocityEvent(slot, v); }
    void SpawnItem(uint32_t slot, int type, const Vec3& p, uint8_t flag) override {
        ::SpawnItem(int(slot), type, p, flag != 0);
    }
    void CollectItem(uint32_t slot) override { ApplyCollectItemEvent(int32_t(slot)); }
    int32_t CreateEffect(const EffectRequest& e) override {
        const Vec3* v = e.vectors;
        Character* owner = Opt(e.owner);
        const int32_t made =
            ::CreateEffect(e.slot, e.type, v[0], v[1], v[2], v[3], v[4], e.durationMs, e.scale, e.colour, owner);
        // Seekers follow whatever their caster is fighting.
        if (made >= 0 && owner && (e.type == 8 || e.type == 18 || e.type == 19))
            EffectSlotSetTarget(made, owner->attackTarget);
        return made;
    }
    void ScreenEffect(int type) override { g_Control.StartScreenEffect(type); }
    void PlaySound(uint32_t id, const Vec3& p, uint8_t flag) override { PlayFx(int(id), &p, flag); }
    void RemovePlayer(uint32_t playerId) override { RemovePlayerCharacters(playerId); }

    void SetMatchTime(uint32_t ms) override {
        g_Match.elapsed = ms;
        g_Match.startTime = GetTime(0) - ms;
    }
    void SetMatchState(const uint8_t* event, size_t size) override;
    void SetMatchResults(const uint32_t* words) override {
        std::memcpy(g_Scenario.results, words, sizeof g_Scenario.results);
        // Outside a join answer the host sends its block only as its match ends.
        if (g_GamePacket.joining == JOIN_DONE) g_Match.HearHostEnd();
    }
    void ApplyModeEvent(const uint8_t* event, size_t size) override {
        if (event[0] == EVENT_RECORD_KILL)
            g_Match.RecordKill(int8_t(event[1]), event[2], int8_t(event[3]));
        else
            ApplyMatchEvent(event, size);
    }

    void SpawnAnnounced(int slot, uint32_t playerId, int side, int level, const Vec3& p, const PlayerLook& look,
                        bool local) override {
        PlayerRecord record{};
        record.side = uint32_t(side);
        record.level = uint32_t(level);
        record.look = look;
        // A spawn without a cache leaves the fighter in the model's bare skin.
        SkinImageCache cache;
        const int s = SpawnCharacter(slot, playerId, side, level, p.x, p.y, p.z, &record, &cache);
        if (s < 0 || !local) return;
        // The announcement carries no facing: until the facing the answer tells, it faces as the
        // start point the host put it on. The feet it tells of stand a little ahead of that point.
        Vec3 at{};
        float facing = 0.0f, nearest = kStartReach;
        for (int n = 0; FindPlacedCharacter(side, n, &at, &facing); ++n) {
            const float d = std::hypot(at.x - p.x, at.z - p.z);
            if (d >= nearest) continue;
            nearest = d;
            g_Characters[s].FaceStart(facing);
        }
        g_Control.localCharacter = &g_Characters[s];
        g_Characters[s].SelectDefaultPower();
        NoteLocalFighterSlot(s);
    }
    int SpawnRequested(uint32_t playerId, int side, int level, const PlayerLook& look) override {
        int n = 0;
        for (const Character& c : g_Characters) n += c.active && c.side == side ? 1 : 0;
        Vec3 at{};
        float facing = 0.0f;
        if (!FindPlacedCharacter(side, n, &at, &facing)) return -1;
        PlayerRecord record{};
        record.side = uint32_t(side);
        record.level = uint32_t(level);
        record.look = look;
        SkinImageCache cache;
        const int s = SpawnCharacter(-1, playerId, side, level, at.x, at.y, at.z, &record, &cache);
        if (s < 0) return -1;
        g_Characters[s].FaceStart(facing);
        g_Characters[s].DetachFromScene();
        return s;
    }
    void WriteFighterPicture(int s) override;
    void WriteItemsAndProps() override {
        for (const Item& item : g_Items)
            if (item.active && item.present) g_GamePacket.WriteSpawnItem(uint32_t(item.slot), item.type, item.position, true);
        for (DynamicObject& prop : g_Balls) {
            if (!prop.mesh) continue;
            g_GamePacket.WriteSpawnDynamicObject(prop.slot, prop.kind, prop.type, prop.position,
                                                 prop.owner ? prop.owner->slot : -1);
            const Vec3 sent = prop.lastSentVelocity;
            g_GamePacket.WriteSetDynamicObjectVelocity(&prop);
            if (g_GamePacket.addressee != 0) prop.lastSentVelocity = sent;
        }
    }
    int MatchKind() override { return g_Match.gameKind; }
    int CheckpointsPassed(int team) override {
        const int n = g_Match.checkpointsPassed[team];
        return n < 0 ? 0 : n > MATCH_CHECKPOINTS ? MATCH_CHECKPOINTS : n;
    }
    void WriteModePicture(int kind) override {
        const Match& m = g_Match;
        if (kind == 0) {
            for (int t = 0; t < 2; ++t) {
                const SymbolRecord& sym = m.symbols[t];
                if (sym.carrier)
                    g_GamePacket.WriteSetSymbolCarrier(t, Vec3{0, 0, 0}, sym.carrier->slot);
                else if (!sym.atHome)
                    g_GamePacket.WriteSetSymbolCarrier(t, sym.symbolPosition, -1);
            }
        } else if (kind == 3) {
            for (int i = 0; i < MATCH_SEARCH_OBJECTS; ++i)
                if (m.searchObjects[i] != EFFECT_NO_SLOT)
                    g_GamePacket.WritePlaceSearchObject(i, EffectSlotPosition(m.searchObjects[i]));
        } else if (kind == 4) {
            if (m.cursedFighter) g_GamePacket.WriteSetCursedCharacter(m.cursedFighter->slot, false);
            g_GamePacket.WriteSetCurseTime(0, m.curseTime[0]);
            g_GamePacket.WriteSetCurseTime(1, m.curseTime[1]);
        }
    }
    void WriteMatchStateAndResults() override {
        g_GamePacket.WriteMatchTally(g_Match.Tally());
        g_GamePacket.WriteMatchState();
        g_GamePacket.WriteMatchResults(g_Scenario.results, MATCH_RESULT_DWORDS);
    }
};

void LiveGameOps::WriteFighterPicture(int s) {
    Character& c = g_Characters[s];
    GamePacket& g = g_GamePacket;
    g.WriteSpawnCharacter(s, c.playerId, c.side, c.level, c.position, RecordOf(c));
    if (c.attached) g.WriteAttachToScene(s);
    g.WriteSetAnimation(s, c.currentAnimation, 0, 0);
    g.WriteStopTimedState(s, STATE_INVULNERABILITY, 0);
    g.WriteSetAnimationTime(s, 0, BoneTime(c, 0));
    if (c.upperAnimation != c.currentAnimation) {
        g.WriteSetAnimation(s, c.upperAnimation, 0, 4);
        g.WriteSetAnimationTime(s, 4, BoneTime(c, 4));
    }
    // The writers skip what they last sent; the newcomer must hear all of it. The last-sent
    // copies stand for what every client holds, which a picture for one player leaves as it was.
    const Vec3 sentPosition = c.lastSentPosition, sentAim = c.lastSentAimPoint;
    const float sentYaw = c.lastSentYaw;
    Character* const sentTarget = c.lastSentTarget;
    c.lastSentTarget = reinterpret_cast<Character*>(&c);
    c.lastSentAimPoint = Vec3{1e30f, 1e30f, 1e30f};
    g.WriteSetPosition(&c);
    g.WriteSetYaw(&c);
    g.WriteSetTarget(&c);
    g.WriteSetAimPoint(&c);
    if (g.addressee != 0) {
        c.lastSentPosition = sentPosition;
        c.lastSentYaw = sentYaw;
        c.lastSentTarget = sentTarget;
        c.lastSentAimPoint = sentAim;
    }
    if (c.health < c.maxHealth) g.WriteChangeHealth(s, -1, c.health - c.maxHealth);
    if (c.energy < c.maxEnergy) g.WriteChangeEnergy(s, c.energy - c.maxEnergy);
    if (c.experience > 0.0f) g.WriteAddExperience(s, c.experience, -1);
    for (int k = TIMED_STATE_COUNT - 1; k >= 0; --k) {
        if (!c.states[k].active) continue;
        g.WriteStartTimedState(s, k, 30000);
        break;
    }
}

void LiveGameOps::SetMatchState(const uint8_t* event, size_t size) {
    BinaryReader r(event, size);
    uint8_t kind = 0, state = 0;
    uint32_t limit = 0, elapsed = 0;
    r.Skip(1);
    r.ReadU8(kind);
    r.ReadU8(state);
    r.ReadU32(limit);
    r.ReadU32(elapsed);
    Match& m = g_Match;
    Settings& s = g_Settings;
    m.gameKind = kind;
    // A match that has ended here keeps its end: the host tells its state again to every newcomer,
    // and a join in the pause must neither cut this machine's pause short nor turn its won or lost.
    // A match the host's word ends pauses from now, as one that ends by itself.
    if (m.state == MATCH_PLAYING && state != MATCH_PLAYING) {
        // A client hears event 44 only in its own join answer, after its fighter: a match the
        // host says has ended did so before that fighter came, and none of its rows is that one's,
        // even where the fighter took the slot of one who fought and left. The rows are those of
        // the fighters the host ended with, which its tally told before this.
        m.joinedAfterEnd = 1;
        if (!m.endFighters) {
            m.FollowEndFighters(m.state, state);
            if (const Character* own = g_Control.localCharacter) m.endFighters &= uint16_t(~(1u << own->slot));
        }
        m.state = state;
        m.stateTime = GetTime(0);
    }
    m.timeLimit = limit;
    m.elapsed = elapsed;
    m.startTime = GetTime(0) - elapsed;
    auto pair = [&r](int32_t (&v)[2]) {
        uint32_t a = 0, b = 0;
        r.ReadU32(a);
        r.ReadU32(b);
        v[0] = int32_t(a);
        v[1] = int32_t(b);
    };
    auto perFighter = [&r](bool kills) {
        uint32_t n = 0;
        r.ReadU32(n);
        for (uint32_t i = 0; i < n; ++i) {
            uint8_t slot = 0;
            uint32_t value = 0;
            if (!r.ReadU8(slot) || !r.ReadU32(value) || slot >= MAX_CHARACTERS) return;
            Character& c = g_Characters[slot];
            if (!c.active) continue;
            (kills ? c.killScore : c.credits) = int32_t(value);
        }
    };
    switch (kind) {
    case 0: pair(s.stealsGoal); pair(m.captures); break;
    case 1: {
        uint32_t count = 0;
        r.ReadU32(count);
        m.checkpointCount = int32_t(count);
        pair(m.checkpointsPassed);
        break;
    }
    case 2: pair(s.creditsGoal); pair(m.points); break;
    case 3: pair(s.capturesGoal); pair(m.found); break;
    case 4: {
        pair(s.curseMinutes);
        uint32_t freeze = 0;
        uint8_t cursed = 255;
        r.ReadU32(freeze);
        r.ReadU8(cursed);
        s.freezeTime = int32_t(freeze);
        m.cursedFighter = cursed < MAX_CHARACTERS && g_Characters[cursed].active ? &g_Characters[cursed] : nullptr;
        r.ReadU32(m.curseTime[0]);
        r.ReadU32(m.curseTime[1]);
        break;
    }
    case 5: pair(s.maxDeaths); pair(m.killScore); break;
    case 6: pair(s.maxDeaths); perFighter(true); break;
    case 7: pair(s.creditsGoal); perFighter(false); break;
    default: break;
    }
}

LiveGameOps g_LiveGameOps;

}  // namespace

GameOps* g_GameOps = &g_LiveGameOps;
void ResetGameOps() { g_GameOps = &g_LiveGameOps; }

void RemovePlayerCharacters(uint32_t playerId) {
    for (Character& c : g_Characters)
        if (c.active && c.playerId == playerId) c.LeaveMatch();
    ForgetPlayerFighters(playerId);
}

void NoteLocalFighterSlot(int slot) { g_Menu.localSlot = slot >= 0 && slot < MAX_CHARACTERS ? slot : -1; }
