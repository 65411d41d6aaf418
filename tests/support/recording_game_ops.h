// A stand-in for the game behind the packet dispatcher: it keeps a line for every call and holds
// the few facts the dispatcher asks for. Every call's indices are checked; a call the dispatcher
// should never have made is counted in `invalid`. Header-only, so fuzz targets can use it too.
#pragma once

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "net/game_ops.h"
#include "net/session.h"

namespace testsupport {

class RecordingGameOps final : public GameOps {
public:
    bool active[16] = {};
    int local = -1;
    int kind = 2;
    int passed[2] = {};
    std::vector<std::string> calls;
    int invalid = 0;
    // Fighters killed, by slot bit: the host takes only their fall, death and rise.
    uint16_t killed = 0;

    // The dispatcher asks only about slots it has read as fighters.
    bool IsActive(int s) override {
        if (!Slot(s)) ++invalid;
        return Slot(s) && active[s];
    }
    int LocalSlot() override { return local; }
    bool OutOfTheFight(int s) override { return Slot(s) && (killed >> s & 1u); }
    void SetPosition(int s, const Vec3& p) override { Call("SetPosition", s, Ok(p)); }
    void SetYaw(int s, float yaw) override { Call("SetYaw", s, std::isfinite(yaw)); }
    void FacePlaced(int s, float yaw) override { Call("FacePlaced", s, std::isfinite(yaw)); }
    void SetTarget(int s, int t) override { Call("SetTarget", s, t == -1 || Slot(t)); }
    void SetAimPoint(int s, const Vec3& p) override { Call("SetAimPoint", s, Ok(p)); }
    void WriteFighterMotion(int s, uint8_t type) override {
        Call("Relay" + std::to_string(type), s, true);
        g_GamePacket.WriteSetAnimationTime(s, type, 0.0f);  // a marker in the outgoing packet
    }
    void SetAnimation(int s, uint32_t a, uint32_t, uint8_t) override { Call("SetAnimation" + std::to_string(a), s, true); }
    void SetAnimationTime(int s, int, float t) override { Call("SetAnimationTime", s, std::isfinite(t)); }
    void EndSplitAnimation(int s) override { Call("EndSplitAnimation", s, true); }
    void StartGuard(int s) override { Call("StartGuard", s, true); }
    void EndGuard(int s) override { Call("EndGuard", s, true); }
    void SetCharge(int s, uint32_t) override { Call("SetCharge", s, true); }
    void Respawn(int s) override { Call("Respawn", s, true); }
    void ChangeHealth(int s, float a, int att) override { Call("ChangeHealth", s, std::isfinite(a) && Opt(att)); }
    void ChangeEnergy(int s, float a) override { Call("ChangeEnergy", s, std::isfinite(a)); }
    void AddExperience(int s, float a, int o) override { Call("AddExperience", s, std::isfinite(a) && Opt(o)); }
    void AddCredits(int s, int) override { Call("AddCredits", s, true); }
    void ApplyHit(int s, float v, const Vec3& p, int32_t, uint32_t, int a) override {
        Call("ApplyHit", s, std::isfinite(v) && Ok(p) && (a == -1 || IsActive(a)));
    }
    void StartPower(int s, int k) override { Call("StartPower", s, k >= 0 && k < 10); }
    void StartTimedState(int s, int st, uint32_t) override { Call("StartTimedState", s, st >= 0 && st < 12); }
    void StopTimedState(int s, int st, uint32_t) override { Call("StopTimedState", s, st >= 0 && st < 12); }
    void AttachToScene(int s) override { Call("AttachToScene", s, true); }
    void SpawnProp(uint32_t slot, uint8_t kind_, uint8_t type, const Vec3& p, int o) override {
        Plain("SpawnProp", (kind_ == 0 ? slot < 80 : kind_ == 2 && slot < 40) && type < 2 && Ok(p) && Opt(o));
    }
    void SetPropPosition(uint32_t slot, const Vec3& p) override { Plain("SetPropPosition", slot < 80 && Ok(p)); }
    void SetPropVelocity(uint32_t slot, const Vec3& v) override { Plain("SetPropVelocity", slot < 80 && Ok(v)); }
    void SpawnItem(uint32_t slot, int, const Vec3& p, uint8_t) override { Plain("SpawnItem", slot < 1000 && Ok(p)); }
    void CollectItem(uint32_t slot) override { Plain("CollectItem", slot < 1000); }
    std::vector<EffectRequest> effects;   // every effect asked for, as asked
    int32_t CreateEffect(const EffectRequest& e) override {
        effects.push_back(e);
        bool ok = e.type >= 0 && e.type < 98 && e.slot >= -1 && e.slot < 1500 && std::isfinite(e.scale) &&
                  (e.owner == -1 || IsActive(e.owner));
        for (const Vec3& v : e.vectors) ok = ok && Ok(v);
        Plain("CreateEffect" + std::to_string(e.type), ok);
        return 0;
    }
    void ScreenEffect(int type) override { Plain("ScreenEffect" + std::to_string(type), true); }
    void PlaySound(uint32_t id, const Vec3& p, uint8_t) override {
        Plain("PlaySound" + std::to_string(id), id < 300 && Ok(p));
    }
    void RemovePlayer(uint32_t id) override { Plain("RemovePlayer" + std::to_string(id), true); }
    void SetMatchTime(uint32_t) override { Plain("SetMatchTime", true); }
    void SetMatchState(const uint8_t* e, size_t n) override {
        // The cursed fighter of kind 4 and the records of kinds 6 and 7 name fighters or none.
        bool ok = true;
        if (e[1] == 4) ok = n > 23 && (e[23] == 255 || Slot(e[23]));
        if (e[1] == 6 || e[1] == 7)
            for (size_t i = 23; i + 5 <= n; i += 5) ok = ok && Slot(e[i]);
        Plain("SetMatchState" + std::to_string(e[1]), ok);
    }
    void SetMatchResults(const uint32_t*) override { Plain("SetMatchResults", true); }
    // The match checks the other mode events itself; a kill's victim and killer come checked.
    void ApplyModeEvent(const uint8_t* e, size_t n) override {
        const bool ok = e[0] != EVENT_RECORD_KILL || (n >= 4 && Slot(e[2]) && (e[3] == 255 || Slot(e[3])));
        Plain("Mode" + std::to_string(e[0]), ok);
    }
    uint32_t playerIds[16] = {};    // of the fighters made here
    void SpawnAnnounced(int s, uint32_t id, int side, int, const Vec3& p, const PlayerLook& look, bool loc) override {
        Call(loc ? "SpawnLocal" : "SpawnAnnounced", s, side >= 0 && side < 2 && Ok(p) && Catalogued(look));
        Made(s, id);
        if (loc && Slot(s)) local = s;
    }
    int spawnSlot = -1;     // what a fighter request makes
    int SpawnRequested(uint32_t id, int side, int, const PlayerLook& look) override {
        Plain("SpawnRequested", side < 2 && Catalogued(look));
        Made(spawnSlot, id);
        return spawnSlot;
    }
    void WriteFighterPicture(int s) override {
        Call("Picture", s, true);
        g_GamePacket.WriteAttachToScene(s);
    }
    void WriteItemsAndProps() override { Plain("ItemsAndProps", true); }
    int MatchKind() override { return kind; }
    int CheckpointsPassed(int team) override { return passed[team]; }
    void WriteModePicture(int k) override { Plain("ModePicture" + std::to_string(k), true); }
    void WriteMatchStateAndResults() override {
        Plain("StateAndResults", true);
        g_GamePacket.WriteMatchState();
    }

private:
    static bool Catalogued(const PlayerLook& look) {
        for (int32_t e : look.equipment)
            if (e < -1 || e >= 54) return false;
        return true;
    }
    static bool Slot(int s) { return s >= 0 && s < 16; }
    void Made(int s, uint32_t id) {
        if (!Slot(s)) return;
        active[s] = true;
        playerIds[s] = id;
    }
    static bool Ok(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }
    bool Opt(int s) { return s == -1 || Slot(s); }
    void Plain(const std::string& name, bool ok) {
        calls.push_back(name);
        invalid += ok ? 0 : 1;
    }
    void Call(const std::string& name, int s, bool ok) {
        calls.push_back(name + ":" + std::to_string(s));
        invalid += ok && Slot(s) ? 0 : 1;
    }
};

}  // namespace testsupport
