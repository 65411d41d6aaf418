// The dispatcher of received game packets: each event read field by field, its indices and
// values checked, applied through the game's operations and, on the host, passed on to the
// clients where the game operation does not do it itself.
#include <cmath>
#include <map>

#include "common/binary_reader.h"
#include "core/debug_log.h"
#include "fighters/animation_control.h"
#include "fighters/hit_marks.h"
#include "frontend/equipment_table.h"
#include "net/game_ops.h"
#include "net/session.h"
#include "platform/os/os.h"

namespace {

uint32_t g_FighterOwners[16];

// A client's refused events within the current window.
struct Refusals {
    uint32_t windowStart = 0;
    int count = 0;
};
std::map<uint32_t, Refusals> g_Refusals;

// The hits the host told a player's machine of, whose spark and flash that machine tells back:
// the host makes those as its own hit would, and no others, so that no client fills the effect
// pool or anyone's screen with them.
// A machine that never answers a hit: its effects lapse long after its answer could come.
constexpr uint32_t kOwedHitMs = 10000;
constexpr size_t kOwedHits = 512;

struct OwedHit {
    uint32_t player = 0;   // 0: free
    uint32_t told = 0;
    Vec3 point{};
    HitMarks marks{};
    bool spark = false, flash = false;   // still owed
};
OwedHit g_OwedHits[kOwedHits];
size_t g_NextOwedHit = 0;

// The owed effect of this type at this point, taken; false when the player is owed none.
bool TakeOwedHit(uint32_t player, int32_t type, const Vec3& point, OwedHit* out) {
    const uint32_t now = os::timeGetTime();
    OwedHit* best = nullptr;
    for (OwedHit& h : g_OwedHits) {
        if (h.player == 0) continue;
        if (now - h.told > kOwedHitMs) {
            h = OwedHit{};
            continue;
        }
        if (h.player != player || !(type == HIT_SPARK_TYPE ? h.spark : h.flash)) continue;
        if (h.point.x != point.x || h.point.y != point.y || h.point.z != point.z) continue;
        if (!best || int32_t(h.told - best->told) < 0) best = &h;
    }
    if (!best) return false;
    *out = *best;
    (type == HIT_SPARK_TYPE ? best->spark : best->flash) = false;
    if (!best->spark && !best->flash) *best = OwedHit{};
    return true;
}

// Events only the host writes: a client that sends one is not believed.
bool HostOnly(uint8_t type) {
    return (type >= EVENT_RESPAWN && type <= EVENT_SET_DYNAMIC_OBJECT_VELOCITY) ||
           (type >= EVENT_START_TIMED_STATE && type <= EVENT_COLLECT_ITEM) || type == EVENT_REMOVE_PLAYER ||
           (type >= EVENT_MATCH_TALLY && type <= EVENT_RECORD_KILL);
}

// Events about one fighter, written by the machine that controls it.
bool AboutOwnFighter(uint8_t type) {
    switch (type) {
    case EVENT_SET_POSITION: case EVENT_SET_YAW: case EVENT_SET_TARGET: case EVENT_SET_AIM_POINT:
    case EVENT_SET_ANIMATION: case EVENT_SET_ANIMATION_TIME: case EVENT_CLEAR_LOOP_ANIMATION:
    case EVENT_START_GUARD: case EVENT_END_GUARD: case EVENT_SET_CHARGE: case EVENT_START_POWER:
    case EVENT_ATTACH_TO_SCENE: return true;
    default: return false;
    }
}

// The effects a client makes and tells are those of the hits its own fighter takes: the spark
// and the flash. Powers and pickups run on the host, which tells their effects itself.
bool HitEffect(uint8_t type) { return type == HIT_SPARK_TYPE || type == HIT_FLASH_TYPE; }

constexpr int kSlots = 16;
constexpr uint32_t kItemSlots = 1000;
constexpr uint32_t kBallSlots = 80;
constexpr uint32_t kBoxSlots = 40;
constexpr int32_t kEffectTypes = 98;
constexpr int32_t kEffectSlots = 1500;
constexpr uint32_t kSounds = 300;
constexpr int kPowers = 10;
constexpr int kTimedStates = 12;
constexpr uint32_t kMaxRecords = 16;

// The bytes of each event by type, 0 for types nobody sends; event 44 is sized by its kind.
constexpr uint16_t kEventSize[56] = {
    14, 0, 0, 6, 3, 14, 0, 0, 0, 11, 7, 2, 0, 2, 2, 6, 0, 2, 7, 6, 7, 6, 27, 20, 17, 17, 0, 0,
    0,  0, 3, 79, 7, 7, 19, 5, 6, 18, 116, 0, 5, 2, 77, 5, 0, 1057, 15, 2, 7, 14, 14, 14, 3, 3, 6, 4};

static_assert(kEventSize[EVENT_MATCH_TALLY] == MATCH_TALLY_BYTES, "the tally's size");

// How long the event at `at` is, 0 when its type is unknown or unused.
size_t EventSize(const uint8_t* at, size_t left) {
    const uint8_t type = at[0];
    if (type > 55) return 0;
    if (type != EVENT_MATCH_STATE) return kEventSize[type];
    if (left < 2) return 11;    // too short either way: the walk stops
    switch (at[1]) {
    case 0: case 2: case 3: case 5: return 27;
    case 1: return 23;
    case 4: return 32;
    case 6: case 7: {
        if (left < 23) return 23;
        const uint32_t n = uint32_t(at[19]) | uint32_t(at[20]) << 8 | uint32_t(at[21]) << 16 | uint32_t(at[22]) << 24;
        return n > kMaxRecords ? 0 : 23 + 5 * n;
    }
    default: return 11;
    }
}

bool Finite(float v) { return std::isfinite(v); }
bool Finite(const Vec3& v) { return Finite(v.x) && Finite(v.y) && Finite(v.z); }

bool ReadPoint(BinaryReader& r, Vec3* p) { return r.ReadF32(p->x) && r.ReadF32(p->y) && r.ReadF32(p->z) && Finite(*p); }

// A fighter slot 0..15.
bool ReadSlot(BinaryReader& r, int* slot) {
    uint8_t v = 0;
    if (!r.ReadU8(v) || v >= kSlots) return false;
    *slot = v;
    return true;
}

// A fighter slot or none (-1 as i8, 255 as u8).
bool ReadOptionalSlot(BinaryReader& r, int* slot) {
    uint8_t v = 0;
    if (!r.ReadU8(v)) return false;
    if (v == 255) {
        *slot = -1;
        return true;
    }
    if (v >= kSlots) return false;
    *slot = v;
    return true;
}

// What the host makes of a client's event: applied, dropped unseen, or refused and held
// against its sender.
enum class Verdict : uint8_t { Refuse, Take, Drop };
Verdict TakeIf(bool allowed) { return allowed ? Verdict::Take : Verdict::Refuse; }

class Dispatcher {
public:
    Dispatcher(GameOps& ops, bool host, uint32_t sender) : ops_(ops), host_(host), sender_(host ? sender : 0) {}

    // On the host, whether the client that sent the packet may say this; the host's own
    // events and everything a client hears from the host pass.
    Verdict Judge(const uint8_t* at, size_t size) {
        if (sender_ == 0) return Verdict::Take;
        const uint8_t type = at[0];
        if (HostOnly(type)) return Verdict::Refuse;
        if (AboutOwnFighter(type)) {
            if (!Owns(at[1])) return Verdict::Refuse;
            // A killed fighter's machine tells what it did before it heard of the kill: that is
            // no fault of its, but none of it happens.
            if (ops_.OutOfTheFight(at[1]) && !DeathMotion(at, size)) return Verdict::Drop;
            return TakeIf(AllowedOfOwnFighter(at, size));
        }
        if (type == EVENT_CREATE_EFFECT) {
            if (!HitEffect(at[5]) || !(at[size - 1] == 255 || Owns(at[size - 1]))) return Verdict::Refuse;
            Vec3 point{};
            BinaryReader r(at + 6, size - 6);
            return TakeIf(ReadPoint(r, &point) && TakeOwedHit(sender_, at[5], point, &claimed_));
        }
        // Pickups run on the host: a screen effect from a client names an item it never took.
        if (type == EVENT_SCREEN_EFFECT) return Verdict::Refuse;
        // A client asks for its own one fighter, and only while it has none.
        if (type == EVENT_SPAWN_CHARACTER) return TakeIf(at[1] == 255 && !HasFighter());
        return Verdict::Take;
    }

    // False when the event was refused (a bad index or value).
    bool Apply(const uint8_t* at, size_t size) {
        BinaryReader r(at, size);
        uint8_t type = 0;
        r.ReadU8(type);
        // The host writes the facing it brought a fighter back with right after the respawn.
        const int respawned = respawned_;
        respawned_ = -1;
        switch (type) {
        case EVENT_SET_POSITION:
        case EVENT_SET_AIM_POINT: return FighterPoint(type, r);
        case EVENT_SET_YAW: {
            int s;
            float yaw;
            if (!ReadSlot(r, &s) || !r.ReadF32(yaw) || !Finite(yaw)) return false;
            // Where the host placed a fighter at its new life, and one's own in its answer, is where
            // it comes back to on every machine; one's own turns after are its own.
            const bool placed = s == respawned || (s == ops_.LocalSlot() && g_GamePacket.joining == JOIN_ANSWERING);
            if (placed && ops_.IsActive(s)) {
                ops_.FacePlaced(s, yaw);
            } else if (Remote(s)) {
                ops_.SetYaw(s, yaw);
                Relay(type, s);
            }
            return true;
        }
        case EVENT_SET_TARGET: {
            int s, target;
            if (!ReadSlot(r, &s) || !ReadOptionalSlot(r, &target)) return false;
            if (Remote(s)) {
                ops_.SetTarget(s, target);
                Relay(type, s);
            }
            return true;
        }
        case EVENT_SET_ANIMATION: {
            int s;
            uint32_t animation, parameter;
            uint8_t flag;
            if (!ReadSlot(r, &s) || !r.ReadU32(animation) || !r.ReadU32(parameter) || !r.ReadU8(flag)) return false;
            if (Remote(s)) ops_.SetAnimation(s, animation, parameter, flag);
            return true;
        }
        case EVENT_SET_ANIMATION_TIME: {
            int s;
            uint8_t bone;
            float time;
            if (!ReadSlot(r, &s) || !r.ReadU8(bone) || !r.ReadF32(time) || !Finite(time)) return false;
            if (Remote(s)) ops_.SetAnimationTime(s, bone, time);
            return true;
        }
        case EVENT_CLEAR_LOOP_ANIMATION:
        case EVENT_START_GUARD:
        case EVENT_END_GUARD:
        case EVENT_RESPAWN:
        case EVENT_ATTACH_TO_SCENE: return SlotOnly(type, r);
        case EVENT_SET_CHARGE: {
            int s;
            uint32_t ms;
            if (!ReadSlot(r, &s) || !r.ReadU32(ms)) return false;
            if (ops_.IsActive(s)) ops_.SetCharge(s, ms);
            return true;
        }
        case EVENT_CHANGE_HEALTH: {
            int s, attacker;
            float amount;
            if (!ReadSlot(r, &s) || !ReadOptionalSlot(r, &attacker) || !r.ReadF32(amount) || !Finite(amount))
                return false;
            if (ops_.IsActive(s)) ops_.ChangeHealth(s, amount, attacker);
            return true;
        }
        case EVENT_CHANGE_ENERGY:
        case EVENT_ADD_CREDITS: {
            int s;
            float amount;
            if (!ReadSlot(r, &s) || !r.ReadF32(amount) || !Finite(amount) || std::fabs(amount) > 1e9f) return false;
            if (!ops_.IsActive(s)) return true;
            if (type == EVENT_CHANGE_ENERGY)
                ops_.ChangeEnergy(s, amount);
            else
                ops_.AddCredits(s, int(amount));
            return true;
        }
        case EVENT_ADD_EXPERIENCE: {
            int s, other;
            float amount;
            if (!ReadSlot(r, &s) || !r.ReadF32(amount) || !Finite(amount) || !ReadOptionalSlot(r, &other))
                return false;
            if (ops_.IsActive(s)) ops_.AddExperience(s, amount, other);
            return true;
        }
        case EVENT_APPLY_HIT: {
            int s, attacker;
            float value;
            Vec3 p;
            int32_t reaction;
            uint32_t heavy;
            if (!ReadSlot(r, &s) || !ReadOptionalSlot(r, &attacker) || !r.ReadF32(value) || !Finite(value) ||
                !ReadPoint(r, &p) || !r.ReadI32(reaction) || !r.ReadU32(heavy))
                return false;
            // Only the victim's own machine takes the hit; it reports the result through the host.
            if (s != ops_.LocalSlot() || !ops_.IsActive(s)) return true;
            if (attacker >= 0 && !ops_.IsActive(attacker)) attacker = -1;
            ops_.ApplyHit(s, value, p, reaction, heavy, attacker);
            return true;
        }
        case EVENT_SPAWN_DYNAMIC_OBJECT: {
            uint32_t slot;
            uint8_t kind, model;
            Vec3 p;
            int owner;
            if (!r.ReadU32(slot) || !r.ReadU8(kind) || !r.ReadU8(model) || !ReadPoint(r, &p) ||
                !ReadOptionalSlot(r, &owner))
                return false;
            const uint32_t pool = kind == 0 ? kBallSlots : kind == 2 ? kBoxSlots : 0;
            if (slot >= pool || model > 1) return false;
            ops_.SpawnProp(slot, kind, model, p, owner);
            return true;
        }
        case EVENT_SET_DYNAMIC_OBJECT_POSITION:
        case EVENT_SET_DYNAMIC_OBJECT_VELOCITY: {
            uint32_t slot;
            Vec3 v;
            if (!r.ReadU32(slot) || !ReadPoint(r, &v) || slot >= kBallSlots) return false;
            if (type == EVENT_SET_DYNAMIC_OBJECT_POSITION)
                ops_.SetPropPosition(slot, v);
            else
                ops_.SetPropVelocity(slot, v);
            return true;
        }
        case EVENT_START_POWER: {
            int s;
            uint8_t power;
            if (!ReadSlot(r, &s) || !r.ReadU8(power) || power >= kPowers) return false;
            if (Remote(s)) ops_.StartPower(s, power);
            return true;
        }
        case EVENT_CREATE_EFFECT: return Effect(r);
        case EVENT_START_TIMED_STATE:
        case EVENT_STOP_TIMED_STATE: {
            int s;
            uint8_t state;
            uint32_t value;
            if (!ReadSlot(r, &s) || !r.ReadU8(state) || !r.ReadU32(value) || state >= kTimedStates) return false;
            if (!ops_.IsActive(s)) return true;
            if (type == EVENT_START_TIMED_STATE)
                ops_.StartTimedState(s, state, value);
            else
                ops_.StopTimedState(s, state, value);
            return true;
        }
        case EVENT_SPAWN_ITEM: {
            uint32_t slot;
            uint8_t itemType, flag;
            Vec3 p;
            if (!r.ReadU32(slot) || !r.ReadU8(itemType) || !ReadPoint(r, &p) || !r.ReadU8(flag) || slot >= kItemSlots)
                return false;
            ops_.SpawnItem(slot, itemType, p, flag);
            return true;
        }
        case EVENT_COLLECT_ITEM: {
            int32_t slot;
            if (!r.ReadI32(slot)) return false;
            if (slot < 0) return true;
            if (uint32_t(slot) >= kItemSlots) return false;
            ops_.CollectItem(uint32_t(slot));
            return true;
        }
        case EVENT_SCREEN_EFFECT: {
            uint32_t collector;
            uint8_t itemType;
            if (!r.ReadU32(collector) || !r.ReadU8(itemType) || collector >= uint32_t(kSlots)) return false;
            const int local = ops_.LocalSlot();
            if (local >= 0 && local != int(collector)) ops_.ScreenEffect(itemType);
            if (host_) g_GamePacket.WriteScreenEffect(int(collector), itemType);
            return true;
        }
        case EVENT_PLAY_SOUND: {
            uint32_t id;
            Vec3 p;
            uint8_t flag;
            if (!r.ReadU32(id) || !ReadPoint(r, &p) || !r.ReadU8(flag) || id >= kSounds) return false;
            ops_.PlaySound(id, p, flag);
            if (host_) g_GamePacket.WritePlaySound(id, p, flag);
            return true;
        }
        case EVENT_SPAWN_CHARACTER: return FighterRequest(r);
        case EVENT_REMOVE_PLAYER: {
            uint32_t id;
            if (!r.ReadU32(id)) return false;
            ops_.RemovePlayer(id);
            return true;
        }
        case EVENT_MATCH_TIME: {
            uint32_t ms;
            if (!r.ReadU32(ms)) return false;
            ops_.SetMatchTime(ms);
            return true;
        }
        case EVENT_MATCH_STATE: return MatchState(at, size);
        case EVENT_MATCH_RESULTS: {
            uint32_t words[264];
            for (uint32_t& w : words)
                if (!r.ReadU32(w)) return false;
            ops_.SetMatchResults(words);
            return true;
        }
        case EVENT_RECORD_KILL: {
            uint8_t points;
            int victim, killer;
            if (!r.ReadU8(points) || !ReadSlot(r, &victim) || !ReadOptionalSlot(r, &killer)) return false;
            ops_.ApplyModeEvent(at, size);
            return true;
        }
        default:
            // 42 and 46 to 54: the match checks their teams, objects, checkpoints and fighters itself.
            if (type == EVENT_MATCH_TALLY) {
                ops_.ApplyModeEvent(at, size);
                return true;
            }
            if (type >= EVENT_SET_SYMBOL_CARRIER && type <= EVENT_SET_CURSE_TIME) {
                const bool point = type == EVENT_SET_SYMBOL_CARRIER || type == EVENT_PLACE_SEARCH_OBJECT ||
                                   type == EVENT_MOVE_SEARCH_OBJECT || type == EVENT_SET_SEARCH_OBJECT_POSITION;
                Vec3 p;
                BinaryReader q(at + 2, size - 2);
                if (point && !ReadPoint(q, &p)) return false;
                ops_.ApplyModeEvent(at, size);
                return true;
            }
            return false;
        }
    }

private:
    bool Owns(uint8_t slot) const { return slot < kSlots && g_FighterOwners[slot] == sender_; }

    bool AllowedOfOwnFighter(const uint8_t* at, size_t size) {
        const uint8_t type = at[0];
        // The host holds the fighter's meters and level: a fair client never casts what they refuse.
        if (type == EVENT_START_POWER) return at[2] >= kPowers || ops_.AcceptPower(at[1], at[2]);
        if (type == EVENT_SET_ANIMATION) {
            BinaryReader r(at + 2, size - 2);
            uint32_t animation = 0;
            return r.ReadU32(animation) && ops_.AcceptAnimation(at[1], animation);
        }
        return true;
    }

    // What a killed fighter's machine still tells: where it falls and faces, its fall, death and
    // rise, and the end of what it held.
    static bool DeathMotion(const uint8_t* at, size_t size) {
        switch (at[0]) {
        case EVENT_SET_POSITION: case EVENT_SET_YAW: case EVENT_SET_TARGET: case EVENT_SET_AIM_POINT:
        case EVENT_CLEAR_LOOP_ANIMATION: case EVENT_END_GUARD: case EVENT_ATTACH_TO_SCENE: return true;
        case EVENT_SET_ANIMATION: {
            BinaryReader r(at + 2, size - 2);
            uint32_t animation = 0;
            return r.ReadU32(animation) && (IsDeathMotion(int(animation)) || IsRiseAnimation(int(animation)));
        }
        default: return false;
        }
    }

    bool HasFighter() const {
        for (int s = 0; s < kSlots; ++s)
            if (g_FighterOwners[s] == sender_ && ops_.IsActive(s)) return true;
        return false;
    }

    bool Remote(int s) { return ops_.IsActive(s) && s != ops_.LocalSlot(); }

    void Relay(uint8_t type, int s) {
        if (!host_) return;
        // The writers keep the last-sent copies of the fighter.
        ops_.WriteFighterMotion(s, type);
    }

    bool FighterPoint(uint8_t type, BinaryReader& r) {
        int s;
        Vec3 p;
        if (!ReadSlot(r, &s) || !ReadPoint(r, &p)) return false;
        if (!Remote(s)) return true;
        if (type == EVENT_SET_POSITION)
            ops_.SetPosition(s, p);
        else
            ops_.SetAimPoint(s, p);
        Relay(type, s);
        return true;
    }

    bool SlotOnly(uint8_t type, BinaryReader& r) {
        int s;
        if (!ReadSlot(r, &s)) return false;
        if (!ops_.IsActive(s)) return true;
        switch (type) {
        case EVENT_CLEAR_LOOP_ANIMATION: if (Remote(s)) ops_.EndSplitAnimation(s); break;
        case EVENT_START_GUARD: if (Remote(s)) ops_.StartGuard(s); break;
        case EVENT_END_GUARD: if (Remote(s)) ops_.EndGuard(s); break;
        case EVENT_RESPAWN:
            ops_.Respawn(s);
            respawned_ = s;
            break;
        default: ops_.AttachToScene(s); break;
        }
        return true;
    }

    bool Effect(BinaryReader& r) {
        EffectRequest e{};
        uint8_t type;
        if (!r.ReadI32(e.slot) || !r.ReadU8(type)) return false;
        for (Vec3& v : e.vectors)
            if (!ReadPoint(r, &v)) return false;
        if (!r.ReadI32(e.durationMs) || !r.ReadF32(e.scale) || !Finite(e.scale) || !r.ReadU32(e.colour) ||
            !ReadOptionalSlot(r, &e.owner))
            return false;
        e.type = type;
        if (e.type >= kEffectTypes || e.slot < -1 || e.slot >= kEffectSlots) return false;
        if (e.owner >= 0 && !ops_.IsActive(e.owner)) e.owner = -1;
        if (sender_ != 0) {
            // A client's hit effect, as the hit the host told it of makes it, in a free slot.
            const OwedHit& h = claimed_;
            e = EffectRequest{};
            e.slot = -1;
            e.type = type;
            for (Vec3& v : e.vectors) v = Vec3{0.0f, 0.0f, 0.0f};
            e.vectors[0] = e.vectors[1] = h.point;
            const bool spark = type == HIT_SPARK_TYPE;
            e.durationMs = spark ? HIT_SPARK_MS : HIT_FLASH_MS;
            e.scale = spark ? h.marks.sparkScale : 0.0f;
            e.colour = spark ? h.marks.sparkColour : 0;
            e.owner = -1;
        }
        ops_.CreateEffect(e);
        if (host_ && HitEffect(uint8_t(e.type))) {
            const Vec3* v = e.vectors;
            g_GamePacket.WriteCreateEffect(-1, e.type, v[0], v[1], v[2], v[3], v[4], e.durationMs, e.scale, e.colour, -1);
        }
        return true;
    }

    bool MatchState(const uint8_t* at, size_t size) {
        BinaryReader r(at, size);
        r.Skip(1);
        uint8_t kind = 0;
        r.ReadU8(kind);
        if (kind == 6 || kind == 7) {
            // Each record's fighter slot.
            for (size_t i = 23; i + 5 <= size; i += 5)
                if (at[i] >= kSlots) return false;
        }
        if (kind == 4 && at[23] != 255 && at[23] >= kSlots) return false;
        ops_.SetMatchState(at, size);
        return true;
    }

    bool FighterRequest(BinaryReader& r) {
        uint8_t slotByte, side, level;
        uint32_t id;
        Vec3 p;
        PlayerLook look{};
        if (!r.ReadU8(slotByte) || !r.ReadU32(id) || !r.ReadU8(side) || !r.ReadU8(level) || !ReadPoint(r, &p) ||
            !r.ReadBytes(look.name, sizeof look.name) || !r.ReadU32(look.skin) || !r.ReadU32(look.eyes) ||
            !r.ReadU32(look.clothes))
            return false;
        for (int32_t& t : look.tattoos)
            if (!r.ReadI32(t)) return false;
        if (!r.ReadI32(look.hair) || !r.ReadU32(look.hairColour) || !r.ReadI32(look.glasses)) return false;
        // A piece of equipment outside the catalogue counts as none; the other look numbers only
        // name files, and a missing file leaves the piece off.
        for (int32_t& e : look.equipment) {
            if (!r.ReadI32(e)) return false;
            if (e < 0 || e >= EQUIPMENT_ROWS_PER_KIND) e = -1;
        }
        look.name[sizeof look.name - 1] = 0;
        const int slot = int(int8_t(slotByte));
        if (side > 1 || slot < -1 || slot >= kSlots) return false;
        if (host_) {
            // The fighter is the sender's whatever id the event names, so that its leave takes it away.
            if (slot == -1) Answer(sender_ != 0 ? sender_ : id, side, level, look);
            return true;
        }
        if (slot >= 0 && !ops_.IsActive(slot))
            ops_.SpawnAnnounced(slot, id, side, level, p, look, OwnId(id));
        return true;
    }

    // A client's request for a fighter: one made for it, then the whole match as it stands.
    void Answer(uint32_t id, int side, int level, const PlayerLook& look) {
        const int made = ops_.SpawnRequested(id, side, level, look);
        const bool madeOne = made >= 0 && made < kSlots;
        if (madeOne && sender_ != 0) g_FighterOwners[made] = sender_;
        // The new fighter is news to every machine, its own first: what was written before it
        // leaves first, and the asker takes nothing it hears before its fighter.
        g_GamePacket.Address(0);
        if (madeOne) ops_.WriteFighterPicture(made);
        // The rest only the asker lacks: a machine already in the match would count the changes
        // in it (health, energy, experience, the timed states) a second time.
        g_GamePacket.Address(sender_);
        for (int s = 0; s < kSlots; ++s)
            if (s != made && ops_.IsActive(s)) ops_.WriteFighterPicture(s);
        ops_.WriteItemsAndProps();
        const int kind = ops_.MatchKind();
        if (kind == 1) {
            for (int team = 0; team < 2; ++team)
                for (int i = 0; i < ops_.CheckpointsPassed(team); ++i) g_GamePacket.WritePassCheckpoint(i, team, -1);
        } else if (kind == 0 || kind == 3 || kind == 4) {
            ops_.WriteModePicture(kind);
        }
        ops_.WriteMatchStateAndResults();
        g_GamePacket.Address(0);
    }

public:
    static bool OwnId(uint32_t id) { return id != 0 && id == g_NetSession.playerId; }

    // The host's announcement of this machine's own fighter (a whole event 38).
    static bool AnnouncesOwnFighter(const uint8_t* at) {
        return at[0] == EVENT_SPAWN_CHARACTER &&
               OwnId(uint32_t(at[2]) | uint32_t(at[3]) << 8 | uint32_t(at[4]) << 16 | uint32_t(at[5]) << 24);
    }

private:
    GameOps& ops_;
    bool host_;
    uint32_t sender_;
    OwedHit claimed_;   // the hit effect Allowed took for the event Apply makes next
    int respawned_ = -1;   // the fighter the event just applied brought back, -1 none
};

// Counts a client's refused events; past the limit within the window it is sent away.
void NoteRefusals(uint32_t sender, int refused, uint8_t firstType) {
    WriteDebugLogF("NET ERROR - player %u sent events it may not send, first of type %u", unsigned(sender),
                   unsigned(firstType));
    Refusals& r = g_Refusals[sender];
    const uint32_t now = os::timeGetTime();
    if (r.count == 0 || now - r.windowStart > REFUSED_EVENTS_WINDOW_MS) {
        r.windowStart = now;
        r.count = 0;
    }
    r.count += refused;
    if (r.count <= REFUSED_EVENTS_LIMIT) return;
    WriteDebugLogF("NET ERROR - player %u sent away for refused events", unsigned(sender));
    g_Refusals.erase(sender);
    g_NetRoleCalls.disconnect(sender);
}

}  // namespace

void SetFighterOwner(int slot, uint32_t player) {
    if (slot >= 0 && slot < kSlots) g_FighterOwners[slot] = player;
}

uint32_t FighterOwner(int slot) { return slot >= 0 && slot < kSlots ? g_FighterOwners[slot] : 0; }

void ForgetPlayerFighters(uint32_t player) {
    for (uint32_t& owner : g_FighterOwners)
        if (owner == player) owner = 0;
    g_Refusals.erase(player);
    for (OwedHit& h : g_OwedHits)
        if (h.player == player) h = OwedHit{};
}

void ResetFighterOwners() {
    for (uint32_t& owner : g_FighterOwners) owner = 0;
    g_Refusals.clear();
    for (OwedHit& h : g_OwedHits) h = OwedHit{};
    g_NextOwedHit = 0;
}

void NoteHitTold(int victimSlot, const Vec3& point, int32_t reaction, uint32_t heavy) {
    const uint32_t player = FighterOwner(victimSlot);
    if (player == 0) return;
    // The oldest is given up when every record is held.
    OwedHit& h = g_OwedHits[g_NextOwedHit];
    g_NextOwedHit = (g_NextOwedHit + 1) % kOwedHits;
    h.player = player;
    h.told = os::timeGetTime();
    h.point = point;
    h.marks = HitMarksOf(reaction, heavy);
    h.spark = true;
    h.flash = h.marks.flash;
}

void GamePacket::Dispatch(const uint8_t* data, size_t size, uint32_t sender) {
    if (!data || size < GAME_PACKET_HEADER) return;
    const size_t length = size_t(data[5]) | size_t(data[6]) << 8;
    if (length + GAME_PACKET_HEADER > size) {
        WriteDebugLog("NET ERROR - game packet shorter than its length");
        return;
    }
    // A packet still queued when its sender left would make a fighter that no later leave names.
    // The server drops the record before it posts the leave, so a packet applied here while the
    // record stood is always followed by the leave that takes back what it made.
    if (g_NetSession.hosting && sender != 0 && !g_NetRoleCalls.inSession(sender)) {
        WriteDebugLogF("NET ERROR - game packet of player %u, who left the session, dropped", unsigned(sender));
        return;
    }
    dispatching = 1;
    Dispatcher d(*g_GameOps, g_NetSession.hosting != 0, sender);
    int refused = 0;
    uint8_t firstRefused = 0;
    const uint8_t* payload = data + GAME_PACKET_HEADER;
    size_t at = 0;
    while (at < length) {
        const size_t n = EventSize(payload + at, length - at);
        // An unknown type or a cut event: nothing after it can be read reliably.
        if (n == 0 || n > length - at) {
            WriteDebugLogF("NET ERROR - game event %u unreadable, rest of packet dropped", unsigned(payload[at]));
            break;
        }
        // Until its fighter comes, a client's picture of the match is the answer still to come.
        if (joining == JOIN_ASKED && !Dispatcher::AnnouncesOwnFighter(payload + at)) {
            at += n;
            continue;
        }
        const Verdict verdict = d.Judge(payload + at, n);
        if (verdict == Verdict::Refuse) {
            if (refused++ == 0) firstRefused = payload[at];
        } else if (verdict == Verdict::Take && !d.Apply(payload + at, n)) {
            WriteDebugLogF("NET ERROR - game event %u refused", unsigned(payload[at]));
        }
        if (joining == JOIN_ASKED && g_GameOps->LocalSlot() >= 0) joining = JOIN_ANSWERING;
        else if (joining == JOIN_ANSWERING && payload[at] == EVENT_MATCH_RESULTS) joining = JOIN_DONE;
        at += n;
    }
    if (refused) NoteRefusals(sender, refused, firstRefused);
    receivedBytes += uint32_t(length);
    ++receivedPackets;
    if (length > largestReceived) largestReceived = uint32_t(length);
    dispatching = 0;
}
