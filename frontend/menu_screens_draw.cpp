// Drawing of the 2D screens: each screen's widgets in a fixed order, the values that change with
// the data, and the preview fighters over a cleared depth buffer.
#include <cstdio>

#include "core/settings.h"
#include "fighters/character.h"
#include "fighters/match.h"
#include "frontend/menu.h"
#include "frontend/menu_screens.h"
#include "frontend/menu_screens_parts.h"
#include "frontend/preview_fighter.h"
#include "frontend/settings_files.h"
#include "frontend/sprite2d.h"
#include "frontend/texture_font.h"
#include "render/video.h"
#include "scene/character_model.h"

namespace {

// What a screen draws, in order: P panels, I image buttons (K only the four team frames, J all
// but them), L labels, B text buttons, S switches,
// F the text field, X the pictures, Q the player choice's player picture, T the screen's own values, C the confirm box, N the notice,
// V the preview fighters, Z the depth buffer cleared and enabled, M and O the set-up and options
// panels.
constexpr const char* kOrder[SCREEN_COUNT] = {
    "ILZC",      // 0 main menu
    "",          // 1
    "MBI",       // 2 training set-up
    "ISF",       // 3 profile choice
    "ILBCN",     // 4 campaign slots
    "PKLTBJV",   // 5 team choice: the frames under the members' values, the arrows over
    "MI",        // 6 network set-up
    "",          // 7
    "OI",        // 8 options
    "ILBFVCTN",  // 9 player editor
    "PXILBTV",   // 10 player record: the pictures under the rows and names they carry
    "XPILCN",    // 11 mission choice
    "PILTN",     // 12 match results
    "PILTV",     // 13 campaign team
    "PXILBTVC",  // 14 shop A
    "PXILBTV",   // 15 shop B
    "",          // 16
    "PXIL",      // 17
    "PILT",      // 18 network results
    "LIP",       // 19 credits
    "PQIFLV",    // 20 player choice: the player picture under its fighter and name
    "LPIVC",     // 21 team ready: its leaving question over everything
    "PILBTV",    // 22 team summary
    "PIL",       // 23 information box
};

// The result field a game kind scores with.
int KindField(int kind) {
    static const int kFields[8] = {TEAM_SYMBOLS, TEAM_CHECKPOINTS, TEAM_POINTS, TEAM_FOUND,
                                   TEAM_CURSE_MS, TEAM_KILL_SCORE, TEAM_KILL_SCORE, TEAM_POINTS};
    return kind >= 0 && kind < 8 ? kFields[kind] : TEAM_SYMBOLS;
}

}  // namespace

int FighterScoreField(int kind) { return FIGHTER_SYMBOLS + KindField(kind); }

void FormatResultValue(char* out, size_t capacity, int kind, uint32_t value, bool scoreRow) {
    if (scoreRow && kind == 4) {
        const uint32_t seconds = uint32_t(double(value) * 0.001);
        std::snprintf(out, capacity, "%u:%02u", seconds / 60, seconds % 60);
    } else {
        std::snprintf(out, capacity, "%d", int32_t(value));
    }
}

void MenuScreens::DrawScreen() {
    if (built && screen >= 0 && screen < SCREEN_COUNT) {
        for (const char* step = kOrder[screen]; *step; ++step) {
            switch (*step) {
            case 'P':
                for (const MenuPanel& p : panels)
                    if (p.visible) p.Draw();
                break;
            case 'I':
            case 'K':
            case 'J':
                for (int i = 0; i < SCREEN_IMAGES; ++i) {
                    if (*step == 'K' ? i >= SCREEN_TEAM : *step == 'J' && i < SCREEN_TEAM) continue;
                    if (images[i].visible && images[i].highlightSprite) images[i].Draw();
                }
                break;
            case 'L':
                for (int i = 0; i < SCREEN_LABELS; ++i) {
                    // The editor's two notes stand where its preview fighter is when it has one.
                    if (screen == 9 && candidate && (i == 18 || i == 19)) continue;
                    if (labels[i].inUse && labels[i].visible) DrawTextLabel(&labels[i]);
                }
                break;
            case 'B':
                for (MenuButton& b : buttons)
                    if (b.label.inUse) b.Draw();
                break;
            case 'S':
                for (MenuSwitch& s : switches)
                    if (s.onSprite) s.Draw();
                break;
            case 'F':
                if (field.target) field.Draw();
                break;
            case 'Q':
                if (Sprite2D* back = g_Menu.pictures[screenparts::PIC_PLAYER_BACK]) back->Draw();
                break;
            case 'X':
                for (Sprite2D* p : pictures)
                    if (p) p->Draw();
                break;
            case 'T': DrawValues(); break;
            case 'C': confirm.Draw(); break;
            case 'N': notice.Draw(); break;
            case 'M': matchSetup.Draw(); break;
            case 'O': options.Draw(); break;
            case 'Z':
                g_Video.ClearZBuffer();
                g_Video.SetZEnable(true);
                break;
            case 'V': DrawPreviews(); break;
            default: break;
            }
        }
    }
    // The options screen's save question stays up while the options wait to be saved.
    if (built && g_Menu.optionsChanged) confirm.Draw();
}

void MenuScreens::DrawPreviews() {
    g_Video.ClearZBuffer();
    g_Video.SetZEnable(true);
    DrawPreviewFighter(candidate);
    for (Character* c : teamFighters) DrawPreviewFighter(c);
    for (Character* c : enemyFighters) DrawPreviewFighter(c);
}

void MenuScreens::DrawValues() {
    const bool test = g_Settings.test != 0;
    switch (screen) {
    case 9:
        if (!test) break;
        std::snprintf(work, sizeof work, "%d", int(g_Menu.selectedPlayer));
        g_Font.Print(5, 2, 0.2f, 0.5f, 0, work, 'i', false);
        if (candidateRecord) {
            static const char* const kNames[5] = {"Casco=%d", "Guante=%d", "Botas=%d", "Brazalete=%d", "Hombrera=%d"};
            for (int k = 0; k < 5; ++k) {
                std::snprintf(work, sizeof work, kNames[k], int(candidateRecord->look.equipment[k]));
                g_Font.Print(4, 2, 0.73f, 0.21f + 0.03f * float(k), 0, work, 'i', false);
            }
        }
        break;
    case 12: {
        const int kind = g_Menu.gameKind;
        const int fields[7] = {KindField(kind), TEAM_KILL_POINTS, TEAM_DEATHS, TEAM_SELF_KILLS,
                               TEAM_ITEMS, TEAM_LETTERS, TEAM_POINTS};
        for (int column = 0; column < 2; ++column) {
            const TextLabel& head = labels[3 + column];
            if (!head.inUse) continue;
            const uint32_t* block = g_Menu.results + RESULT_TEAM_FIRST + column * RESULT_TEAM_FIELDS;
            for (int row = 0; row < 7; ++row) {
                const TextLabel& at = labels[5 + row];
                if (!at.inUse) continue;
                FormatResultValue(work, sizeof work, kind, block[fields[row]], row == 0);
                g_Font.Print(5, 18, head.x, at.y, 0, work, 'c', false);
            }
        }
        break;
    }
    case 5: DrawTeamChoiceValues(); break;
    case 10: DrawRecordScreenValues(); break;
    case 18: DrawNetworkResultValues(); break;
    case 13: DrawCampaignTeamValues(); break;
    case 14:
    case 15: DrawShopValues(); break;
    case 22: DrawSummaryValues(); break;
    default: break;
    }
}

void MenuScreens::DrawNetworkResultValues() {
    const int kind = g_Menu.gameKind;
    // The kind's score, four tallies, and the level as players count it.
    const int fields[6] = {FighterScoreField(kind), FIGHTER_KILL_POINTS, FIGHTER_DEATHS,
                           FIGHTER_SELF_KILLS, FIGHTER_ITEMS, FIGHTER_LEVEL};
    for (int row = 0; row < MAX_CHARACTERS; ++row) {
        const TextLabel& at = labels[8 + row];
        if (!at.inUse) continue;
        const uint32_t* values = g_Menu.results + RESULT_FIGHTER_FIRST + row * RESULT_FIGHTER_FIELDS;
        const int colour = row == g_Menu.localSlot ? 2 : 18;
        for (int column = 0; column < 6; ++column) {
            const TextLabel& head = labels[2 + column];
            if (!head.inUse) continue;
            const uint32_t value = values[fields[column]] + (column == 5 ? 1u : 0u);
            FormatResultValue(work, sizeof work, kind, value, column == 0);
            g_Font.Print(4, colour, head.x + head.w / 2, at.y, 0, work, 'c', true);
        }
    }
}
