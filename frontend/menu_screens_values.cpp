// The numbers the team choice and the player record print over their widgets every frame.
#include <cstdio>
#include <cstring>

#include "frontend/equipment_lists.h"
#include "frontend/menu.h"
#include "frontend/menu_screens.h"
#include "frontend/player_saves.h"
#include "frontend/texture_font.h"

namespace {

constexpr int kStatLines = 1 + PLAYER_ATTRIBUTES;   // the level, then the five attributes
constexpr int kPlainColour = 18, kEquippedColour = 4;

bool IsSlot(int slot) { return slot >= 0 && slot < PLAYER_SLOTS; }

// Line 0 is the level as players count it (from 1); lines 1-5 the attributes with equipment.
int StatValue(const PlayerRecord& r, int line) {
    return line == 0 ? int(r.level) + 1 : int(GetPlayerAttribute(line - 1, &r));
}

}  // namespace

void MenuScreens::DrawTeamChoiceValues() {
    int sums[kStatLines] = {};
    for (int k = 0; k < SCREEN_TEAM; ++k) {
        if (!IsSlot(teamIndex[k])) continue;
        const MenuPanel& p = panels[k];
        DrawRecordValues(teamRecords[k], p.x + p.w - 0.01f, p.y + 0.025f, 0.025f, 5, true);
        for (int line = 0; line < kStatLines; ++line) sums[line] += StatValue(teamRecords[k], line);
    }
    // The shown player: its values beside the names of the lines.
    const MenuPanel& shown = panels[5];
    const float top = labels[5].y;
    // The values follow the shown record, also when its preview could not be spawned.
    if (candidateRecord && !noCandidate)
        DrawRecordValues(*candidateRecord, shown.x + shown.w - 0.01f, top, 0.04f, 5, true);
    // The team's averages, empty slots counting as nothing.
    const TextLabel& head = labels[13];
    for (int line = 0; line < kStatLines; ++line) {
        std::snprintf(work, sizeof work, "%d", sums[line] / SCREEN_TEAM);
        g_Font.Print(4, kPlainColour, head.x, head.y + 0.03f * float(line + 1), 0, work, 'd', true);
    }
}

void MenuScreens::DrawRecordScreenValues() {
    for (int k = 0; k < SCREEN_TEAM; ++k) {
        if (!IsSlot(teamIndex[k])) continue;
        const PlayerRecord& r = teamRecords[k];
        const MenuPanel& p = panels[4 + k];
        const float right = p.x + p.w - 0.01f;
        for (int a = 0; a < PLAYER_ATTRIBUTES; ++a) {
            const float y = p.y + 0.04f + 0.025f * float(a);
            const int full = int(GetPlayerAttribute(a, &r));
            const int bonus = EquipmentAttributeSum(a, r);
            std::snprintf(work, sizeof work, "%d", full);
            g_Font.Print(4, kPlainColour, right, y, 0, work, 'd', true);
            if (bonus == 0) continue;
            // The sum's parts end where the full value begins, so every value ends at one x.
            const float valueWidth = g_Font.TextWidth(work, int32_t(std::strlen(work)), 4);
            std::snprintf(work, sizeof work, "%d+%d= ", full - bonus, bonus);
            const float partsWidth = g_Font.TextWidth(work, int32_t(std::strlen(work)), 4);
            g_Font.Print(4, kPlainColour, right - valueWidth - partsWidth, y, 0, work, 'i', true);
        }
    }
}
