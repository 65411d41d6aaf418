#include "fighters/combat_events.h"

#include "effects/effect_slots.h"
#include "fighters/character.h"
#include "fighters/fighter_shell.h"
#include "net/session.h"

int32_t MakeEffect(const EffectRequest& e, bool announce) {
    const int32_t slot = CreateEffect(EFFECT_NO_SLOT, e.type, e.start, e.second, e.velocity, e.fourth, e.fifth,
                                      e.durationMs, e.scale, e.colour, e.owner);
    if (announce)
        g_GamePacket.WriteCreateEffect(EFFECT_NO_SLOT, e.type, e.start, e.second, e.velocity, e.fourth, e.fifth,
                                       e.durationMs, e.scale, e.colour, e.owner ? e.owner->slot : -1);
    return slot;
}

void MakeSound(int id, const Vec3& at, bool play, bool announce) {
    if (play) g_FighterShellCalls.playFx(id, &at, 0);
    if (announce) g_GamePacket.WritePlaySound(uint32_t(id), at, 0);
}
