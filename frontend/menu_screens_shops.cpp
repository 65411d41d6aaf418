// The two equipment shops: shop A sells the stock to the campaign's team and buys its pieces
// back, shop B puts the team's pieces on the shown member and takes them off again; the equipment
// pages both show.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/debug_log.h"
#include "core/settings.h"
#include "fighters/character.h"
#include "fighters/look_pieces.h"
#include "frontend/campaign.h"
#include "frontend/equipment_lists.h"
#include "frontend/menu.h"
#include "frontend/menu_screens.h"
#include "frontend/menu_screens_parts.h"
#include "frontend/panel_common.h"
#include "frontend/player_saves.h"
#include "frontend/screen_logic_setup.h"
#include "frontend/sprite2d.h"
#include "frontend/texture_font.h"
#include "platform/os/os.h"
#include "shell/mouse.h"

using namespace screenparts;

namespace {

// Label slots of the shops beside the pages' name labels 0-3.
constexpr int kPieceLabel = 4, kHeadLabel = 5, kHeadCount = 6, kListLabel = 11, kCreditsLabel = 12;
constexpr int kMemberNameLabel = 11, kMemberStatLabel = 12;
// Shop B's panels: the shown member's frame in its team slot's, the list panels in two other slots
// below 4, 4-5 the inventory rows, 9 the worn row.
constexpr int kMemberPanel = 6, kWornRowPanel = 9;
constexpr int kKeyC = 'C';
constexpr const char* kPictureFormats[EQUIPMENT_KIND_COUNT] = {"Casco%d%03d", "Guante%d%03d", "bota%d%03d",
                                                               "Bracelet%d%03d", "Hombrera%d%03d"};
// Column x of the six piece values (five bonuses, required level) in each shop.
constexpr float kColumnsA[kHeadCount] = {0.45f, 0.52f, 0.59f, 0.66f, 0.73f, 0.80f};
constexpr float kColumnsB[kHeadCount] = {0.55f, 0.61f, 0.67f, 0.73f, 0.79f, 0.87f};

const char* Text(int id) { return PanelText(id); }
bool LeftPressed() { return g_Mouse.buttons[MOUSE_LEFT].pressed != 0; }

const EquipmentRow* Row(int kind, int id) {
    const EquipmentRow* row = GetEquipmentRow(kind, id);
    return row && IsCatalogueItem(*row) ? row : nullptr;
}

// The lists' pieces in order, kinds first; ids outside the catalogue are passed over.
struct PieceList {
    int kinds[EQUIPMENT_KIND_COUNT * INVENTORY_PER_KIND];
    int ids[EQUIPMENT_KIND_COUNT * INVENTORY_PER_KIND];
    int count = 0;
    void Add(int kind, int id) {
        if (!Row(kind, id) || count >= int(std::size(ids))) return;
        kinds[count] = kind;
        ids[count++] = id;
    }
};

void PaintPage(MenuScreens& s, const PieceList& list, int first, int labelSlot, const MenuPanel* rows[2],
               int pictureSlot) {
    for (int j = 0; j < SHOP_VISIBLE_ROWS; ++j) {
        delete s.pictures[pictureSlot + j];
        s.pictures[pictureSlot + j] = nullptr;
        s.labels[labelSlot + j].visible = 0;
    }
    for (int j = 0; j < SHOP_VISIBLE_ROWS; ++j) {
        const int n = first + j;
        if (first < 0 || n >= list.count || !rows[j]) continue;
        const EquipmentRow* row = Row(list.kinds[n], list.ids[n]);
        const MenuPanel& at = *rows[j];
        TextLabel& name = s.labels[labelSlot + j];
        if (name.inUse) {
            name.SetText(Text(int(row->textId)));
            name.SetPosition(at.x + at.w / 2, at.y);
            name.visible = 1;
        }
        char picture[32];
        std::snprintf(picture, sizeof picture, kPictureFormats[list.kinds[n]], int(row->pieceClass), int(row->setWord));
        Sprite2D*& slot = s.pictures[pictureSlot + j];
        if (LoadMenuPicture(&slot, picture, 0.08f, 0, 0, 1, 1, SPRITE_SIZE_FROM_WIDTH))
            slot->SetPosition(at.x + 0.01f, at.y + 0.05f);
    }
}

PieceList StockPieces() {
    PieceList l;
    for (int k = 0; k < EQUIPMENT_KIND_COUNT; ++k)
        for (int32_t id : g_EquipmentLists.shop[k]) l.Add(k, id);
    return l;
}

PieceList OwnedPieces() {
    PieceList l;
    for (int k = 0; k < EQUIPMENT_KIND_COUNT; ++k)
        for (int32_t id : g_Campaign.inventory[k]) l.Add(k, id);
    return l;
}

PieceList WornPieces(const PlayerRecord& r) {
    PieceList l;
    for (int k = 0; k < EQUIPMENT_KIND_COUNT; ++k) l.Add(k, r.look.equipment[k]);
    return l;
}

void MakeScrollArrows(MenuScreens& s, float x, const float ys[4]) {
    for (int i = 0; i < 4; ++i) {
        const bool up = i % 2 == 0;
        ImageButton& b = s.images[i];
        b.Create(x, ys[i], g_Menu.pictures[up ? PIC_UP_ON : PIC_DOWN_ON], g_Menu.pictures[up ? PIC_UP_OFF : PIC_DOWN_OFF],
                 'i');
        b.SetSize(0.0f, 0.065f, SPRITE_SIZE_FROM_HEIGHT);
    }
}

}  // namespace

int32_t ShopBuyPrice(int kind, int id, float divisor) {
    const EquipmentRow* row = Row(kind, id);
    if (!row || !(divisor > 0.0f)) return 0;
    return int32_t(std::trunc(double(row->price) / double(divisor)));
}

int32_t ShopSellPrice(int kind, int id, float divisor) {
    const EquipmentRow* row = Row(kind, id);
    if (!row || !(divisor > 0.0f)) return 0;
    return int32_t(std::trunc(double(row->price) / double(divisor) * 0.6));
}

int MenuScreens::ShownMember() const {
    if (currentTeamSlot >= 0 && currentTeamSlot < SCREEN_TEAM && teamIndex[currentTeamSlot] >= 0) return currentTeamSlot;
    for (int i = 0; i < SCREEN_TEAM; ++i)
        if (teamIndex[i] >= 0) return i;
    return 0;
}

int MenuScreens::ShopListCount(int list) const {
    switch (list) {
    case SHOP_LIST_STOCK: return StockPieces().count;
    case SHOP_LIST_OWNED: return OwnedPieces().count;
    case SHOP_LIST_WORN: return WornPieces(teamRecords[ShownMember()]).count;
    default: return 0;
    }
}

bool MenuScreens::ShopListPiece(int list, int n, int* kind, int* id) const {
    const PieceList l = list == SHOP_LIST_STOCK ? StockPieces()
                        : list == SHOP_LIST_OWNED ? OwnedPieces()
                                                  : WornPieces(teamRecords[ShownMember()]);
    if (list < SHOP_LIST_STOCK || list > SHOP_LIST_WORN || n < 0 || n >= l.count) return false;
    if (kind) *kind = l.kinds[n];
    if (id) *id = l.ids[n];
    return true;
}

void MenuScreens::BuildEquipmentPage(int first) {
    const MenuPanel* rows[2] = {&panels[2], &panels[3]};
    PaintPage(*this, StockPieces(), first, 0, rows, 0);
}

void MenuScreens::BuildInventoryPage(int first) {
    const MenuPanel* rows[2] = {&panels[4], &panels[5]};
    PaintPage(*this, OwnedPieces(), first, 2, rows, 2);
}

void MenuScreens::BuildInventoryPageB(int first) {
    const MenuPanel* rows[2] = {&panels[4], &panels[5]};
    PaintPage(*this, OwnedPieces(), first, 0, rows, 0);
}

void MenuScreens::BuildWornPage(int first) {
    // The worn pieces share one row, side by side.
    const MenuPanel& row = panels[kWornRowPanel];
    MenuPanel halves[2];
    for (int j = 0; j < 2; ++j) halves[j].Create(row.x + row.w / 2 * float(j), row.y, row.w / 2, row.h, 0, 0);
    const MenuPanel* rows[2] = {&halves[0], &halves[1]};
    PaintPage(*this, WornPieces(teamRecords[ShownMember()]), first, 2, rows, 2);
    // "%d/%d": which of the member's worn pieces each one is.
    const int worn = WornPieces(teamRecords[ShownMember()]).count;
    for (int j = 0; j < SHOP_VISIBLE_ROWS; ++j) {
        TextLabel& l = labels[2 + j];
        if (!l.visible || !l.text) continue;
        char line[SCREEN_WORK_SIZE];
        std::snprintf(line, sizeof line, "%s %d/%d", l.text, first + j + 1, worn);
        l.SetText(line);
    }
}

void MenuScreens::ShowCredits(int slot) {
    std::snprintf(work, sizeof work, "%s:%d", Text(527), int(g_Campaign.credits));
    if (labels[slot].inUse) labels[slot].SetText(work);
    else MakeLabel(slot, 0.515f, 0.91f, 'C', work, 5, 1);
}

void MenuScreens::BuildShopA() {
    const int member = ShownMember();
    for (int i = 0; i < SCREEN_TEAM; ++i) CopyTeamRecord(i);
    currentTeamSlot = member;
    priceDivisor = g_Menu.gameType == 1 ? SHOP_DIVISOR_ONE_PLAYER : 1.0f;
    shopFirst[0] = shopFirst[1] = 0;
    shopSelected[0] = shopSelected[1] = -1;
    shopRequest = 0;
    MakePanel(0, 0.18f, 0.16f, 0.67f, 0.31f, GREY, 0);
    MakePanel(2, 0.185f, 0.17f, 0.66f, 0.133f, DARKER, 0);
    MakePanel(3, 0.185f, 0.325f, 0.66f, 0.133f, DARKER, 0);
    MakeButton(0, 0.22f, 0.525f, 'i', 797);
    MakeButton(1, 0.78f, 0.49f, 'd', 798);
    MakePanel(1, 0.18f, 0.59f, 0.67f, 0.31f, GREY, 0);
    MakePanel(4, 0.185f, 0.6f, 0.66f, 0.133f, DARKER, 0);
    MakePanel(5, 0.185f, 0.755f, 0.66f, 0.133f, DARKER, 0);
    ShowCredits(kCreditsLabel);
    const float arrows[4] = {0.24f, 0.336f, 0.666f, 0.761f};
    MakeScrollArrows(*this, 0.857f, arrows);
    MakeLabel(kPieceLabel, 0.515f, 0.08f, 'C', "", 6, 1).SetHighlightColor(2);
    for (int i = 0; i < kHeadCount; ++i)
        MakeTextLabel(kHeadLabel + i, kColumnsA[i], 0.125f, 'D', i < 5 ? 522 + i : 786, 4, 13);
    MakeTextLabel(kListLabel, 0.515f, 0.545f, 'C', 799, 5, 13);
    for (int i = 0; i < 4; ++i) MakeLabel(i, 0.0f, 0.0f, 'C', "", 5, 1).visible = 0;
    BuildEquipmentPage(0);
    BuildInventoryPage(0);
    MakeButton(2, 0.95f, 0.93f, 'd', 796);
    MakeBackArrow(4);
    confirm.Create(Text(703), g_Menu.pictures, 8);
}

void MenuScreens::BuildShopB() {
    const int side = ChosenSide();
    const int member = ShownMember();
    for (int i = 0; i < SCREEN_TEAM; ++i) CopyTeamRecord(i);
    currentTeamSlot = member;
    shopFirst[0] = shopFirst[1] = 0;
    shopSelected[0] = shopSelected[1] = -1;
    shopRequest = 0;
    // The shown member's frame sits in its own team slot's panel, where the preview looks for it.
    MakePanel(member, 0.11f, 0.11f, 0.11f, 0.33f, DARK, 0);
    PlaceRecordPreview();
    for (int i = 0; i < 2; ++i) {
        ImageButton& b = MakeImage(4 + i, i == 0 ? 0.03f : 0.285f, 0.4011f, i == 0 ? PIC_SMALL_LEFT_ON : PIC_SMALL_RIGHT_ON,
                                   i == 0 ? PIC_SMALL_LEFT_OFF : PIC_SMALL_RIGHT_OFF, i == 0 ? 'i' : 'd');
        b.SetSize(0.0533333f, 0.0f, SPRITE_SIZE_FROM_WIDTH);
        b.enabled = 0;
    }
    MakePanel(kMemberPanel, 0.03f, 0.5f, 0.26f, 0.3f, DARK, 0);
    std::snprintf(work, sizeof work, "%.*s", PLAYER_NAME_SIZE, teamIndex[member] >= 0 ? teamRecords[member].look.name : "");
    MakeLabel(kMemberNameLabel, 0.04f, 0.51f, 'I', work, 4, 1);
    for (int i = 0; i < 6; ++i) MakeTextLabel(kMemberStatLabel + i, 0.04f, 0.56f + 0.035f * float(i), 'I', 521 + i, 4, 1);
    // The two list panels lie under their rows, so they take panel slots before the rows'.
    int under[2], n = 0;
    for (int i = 0; i < SCREEN_TEAM && n < 2; ++i)
        if (i != member) under[n++] = i;
    MakePanel(under[0], 0.35f, 0.16f, 0.56f, 0.35f, GREY, 0);
    MakePanel(under[1], 0.35f, 0.63f, 0.56f, 0.21f, GREY, 0);
    MakePanel(4, 0.37f, 0.17f, 0.52f, 0.153f, DARKER, 0);
    MakePanel(5, 0.37f, 0.345f, 0.52f, 0.153f, DARKER, 0);
    MakePanel(kWornRowPanel, 0.37f, 0.655f, 0.52f, 0.16f, DARKER, 0);
    MakeButton(0, 0.39f, 0.565f, 'i', 787);
    MakeButton(1, 0.844f, 0.53f, 'd', 788);
    const float arrows[4] = {0.257f, 0.353f, 0.656f, 0.751f};
    MakeScrollArrows(*this, 0.913f, arrows);
    MakeLabel(kPieceLabel, 0.63f, 0.08f, 'C', "", 5, 1).SetHighlightColor(2);
    for (int i = 0; i < kHeadCount; ++i)
        MakeTextLabel(kHeadLabel + i, kColumnsB[i], 0.125f, 'D', i < 5 ? 522 + i : 786, 4, 13);
    for (int i = 0; i < 4; ++i) MakeLabel(i, 0.0f, 0.0f, 'C', "", 5, 1).visible = 0;
    BuildInventoryPageB(0);
    BuildWornPage(0);
    MakeButton(2, 0.95f, 0.9f, 'd', 790);
    MakeBackArrow(6);
    (void)side;
}

void MenuScreens::ShowShopPages() {
    for (int l = 0; l < 2; ++l) {
        // A shortened list keeps its first row and selection inside it.
        const int count = ShopListCount(screen == 14 ? l : l + 1);
        if (shopFirst[l] > count - SHOP_VISIBLE_ROWS) shopFirst[l] = count - SHOP_VISIBLE_ROWS;
        if (shopFirst[l] < 0) shopFirst[l] = 0;
        if (shopSelected[l] >= count) shopSelected[l] = count - 1;
    }
    if (screen == 14) {
        BuildEquipmentPage(shopFirst[0]);
        BuildInventoryPage(shopFirst[1]);
    } else {
        BuildInventoryPageB(shopFirst[0]);
        BuildWornPage(shopFirst[1]);
    }
}

bool MenuScreens::SaveOpenCampaign() {
    const int side = ChosenSide();
    // The one-player campaign carries its player in the same file.
    const PlayerRecord* own = g_Menu.gameType == 1 ? g_Menu.playerTables.records[side][0] : nullptr;
    return SaveCampaign(side, g_Campaign.slot, own);
}

PlayerRecord* MenuScreens::StoredMember(int k) const {
    const int slot = k >= 0 && k < SCREEN_TEAM ? teamIndex[k] : -1;
    return slot >= 0 && slot < PLAYER_SLOTS ? g_Menu.playerTables.records[ChosenSide()][slot] : nullptr;
}

bool MenuScreens::StoreMemberWithCampaign(int k, const PlayerRecord& card, const CampaignBlock& campaign) {
    const int slot = k >= 0 && k < SCREEN_TEAM ? teamIndex[k] : -1;
    PlayerRecord* stored = StoredMember(k);
    bool ok = false;
    if (stored) {
        const PlayerRecord was = *stored;
        ok = StoreMember(slot, teamRecords[k]);
        // Stored while the campaign's file still holds what moved onto it, the member would
        // have it twice after a restart.
        if (ok && !SaveOpenCampaign()) {
            ok = false;
            if (!StoreMember(slot, was)) WriteDebugLogF("No se pudo devolver el miembro %d a como estaba", k);
        }
        if (!ok) *stored = was;
    }
    if (ok) return true;
    teamRecords[k] = card;
    g_Campaign = campaign;
    WriteDebugLogF("El miembro %d y la campana quedan como estaban: no se pudieron guardar", k);
    return false;
}

bool MenuScreens::CanRequest(int list, bool quiet) {
    const bool shopA = screen == 14;
    const int listId = shopA ? list : list + 1;
    int kind = -1, id = -1;
    if (!ShopListPiece(listId, shopSelected[list], &kind, &id)) return false;
    const PlayerRecord& member = teamRecords[ShownMember()];
    bool ok = true;
    if (shopA && list == 0) {
        // A team may buy what one of its members can wear, and only with the credits to pay.
        bool wearable = false;
        for (int i = 0; i < SCREEN_TEAM; ++i)
            wearable = wearable || (teamIndex[i] >= 0 && MeetsEquipmentRequirement(teamRecords[i], kind, id));
        ok = wearable && ShopBuyPrice(kind, id, priceDivisor) <= g_Campaign.credits;
        // Full inventories take nothing more.
        int owned = 0;
        for (int32_t e : g_Campaign.inventory[kind]) owned += e >= 0;
        ok = ok && owned < INVENTORY_PER_KIND;
    } else if (!shopA && list == 0) {
        ok = teamIndex[ShownMember()] >= 0 && MeetsEquipmentRequirement(member, kind, id);
    } else if (!shopA && list == 1) {
        int owned = 0;
        for (int32_t e : g_Campaign.inventory[kind]) owned += e >= 0;
        ok = owned < INVENTORY_PER_KIND;
    }
    if (!ok && !quiet) PanelSound(FX_REFUSE);
    return ok;
}

void MenuScreens::RequestPiece(int list) {
    if (!CanRequest(list, false)) return;
    if (screen == 14) {
        // Shop A asks before money changes hands.
        shopRequest = uint8_t(list + 1);
        boxOpen = 1;
        confirm.open = 1;
        return;
    }
    if (list == 0) PutOnPiece();
    else TakeOffPiece();
}

void MenuScreens::CompleteShopRequest() {
    const int list = shopRequest - 1;
    shopRequest = 0;
    int kind = -1, id = -1;
    // Checked again: nothing may have changed under the question, but a refusal costs nothing.
    if (list < 0 || list > 1 || !CanRequest(list, false) || !ShopListPiece(list, shopSelected[list], &kind, &id)) return;
    if (list == 0) {
        if (!RemoveFromShop(kind, id) || !AddToInventory(kind, id)) return;
        g_Campaign.credits -= ShopBuyPrice(kind, id, priceDivisor);
    } else {
        if (!RemoveFromInventory(kind, id)) return;
        AddToShop(kind, id);
        g_Campaign.credits += ShopSellPrice(kind, id, priceDivisor);
    }
    ShowCredits(kCreditsLabel);
    SaveOpenCampaign();
    ShowShopPages();
}

void MenuScreens::RedressShownMember() {
    Character* fighter = teamFighters[ShownMember()];
    if (!fighter) return;
    g_Menu.RemoveCharacterLook(fighter->slot);
    g_Menu.ApplyCharacterLook(&teamRecords[ShownMember()], fighter->slot);
}

void MenuScreens::PutOnPiece() {
    const int m = ShownMember();
    int kind = -1, id = -1;
    if (!ShopListPiece(SHOP_LIST_OWNED, shopSelected[0], &kind, &id)) return;
    PlayerRecord& r = teamRecords[m];
    const PlayerRecord card = r;
    const auto campaign = std::make_unique<CampaignBlock>(g_Campaign);
    // The piece worn so far goes back to the team; nothing is lost or doubled, nor by a write
    // that fails.
    const int old = GetPlayerEquipment(&r, kind);
    if (!RemoveFromInventory(kind, id)) return;
    if (old >= 0) AddToInventory(kind, old);
    SetPlayerEquipment(&r, kind, id);
    StoreMemberWithCampaign(m, card, *campaign);
    RedressShownMember();
    PanelSound(FX_ACCEPT);
    ShowShopPages();
}

void MenuScreens::TakeOffPiece() {
    const int m = ShownMember();
    int kind = -1, id = -1;
    const PlayerRecord card = teamRecords[m];
    const auto campaign = std::make_unique<CampaignBlock>(g_Campaign);
    if (!ShopListPiece(SHOP_LIST_WORN, shopSelected[1], &kind, &id) || !AddToInventory(kind, id)) return;
    PlayerRecord& r = teamRecords[m];
    SetPlayerEquipment(&r, kind, -1);
    StoreMemberWithCampaign(m, card, *campaign);
    RedressShownMember();
    PanelSound(FX_ACCEPT);
    ShowShopPages();
}

void MenuScreens::UpdateShop() {
    const bool shopA = screen == 14;
    if (boxOpen) {
        const int answer = AnswerConfirmBox(true);
        if (answer == 0) return;
        if (answer == 1) CompleteShopRequest();
        shopRequest = 0;
        return;
    }
    // Test mode: each press of C adds credits once.
    if (shopA && g_Settings.test && (os::GetAsyncKeyState(kKeyC) & 1)) {
        g_Campaign.credits += 10000;
        ShowCredits(kCreditsLabel);
    }
    const MenuPanel* rows[2][2] = {{&panels[shopA ? 2 : 4], &panels[shopA ? 3 : 5]},
                                   {&panels[shopA ? 4 : kWornRowPanel], &panels[shopA ? 5 : kWornRowPanel]}};
    for (int l = 0; l < 2; ++l) {
        const int listId = shopA ? l : l + 1;
        const int count = ShopListCount(listId);
        images[2 * l].enabled = shopFirst[l] > 0 ? 1 : 0;
        images[2 * l + 1].enabled = shopFirst[l] + SHOP_VISIBLE_ROWS < count ? 1 : 0;
        for (int d = 0; d < 2; ++d) {
            if (!Hit(images[2 * l + d], -1)) continue;
            PanelSound(FX_ACCEPT);
            shopFirst[l] += d == 0 ? -1 : 1;
            ShowShopPages();
        }
        for (int j = 0; j < SHOP_VISIBLE_ROWS; ++j) {
            const MenuPanel& row = *rows[l][j];
            float x = row.x, w = row.w;
            // Shop B's worn pieces stand side by side in one row.
            if (rows[l][0] == rows[l][1]) w /= 2, x += w * float(j);
            if (!g_Mouse.IsInRelativeRect(x, row.y, w, row.h) || !LeftPressed()) continue;
            const int n = shopFirst[l] + j;
            if (n >= count) {
                PanelSound(FX_REFUSE);
            } else if (shopSelected[l] == n) {
                RequestPiece(l);
            } else {
                shopSelected[l] = n;
                PanelSound(FX_ACCEPT);
                int kind = -1, id = -1;
                if (ShopListPiece(listId, n, &kind, &id)) labels[kPieceLabel].SetText(Text(int(GetEquipmentRow(kind, id)->textId)));
            }
        }
    }
    for (int b = 0; b < 2; ++b) {
        buttons[b].enabled = CanRequest(b, true) ? 1 : 0;
        if (Hit(buttons[b], -1)) RequestPiece(b);
    }
    if (Hit(buttons[2], -1)) {
        LeaveScreenTo(screen, shopA ? 15 : 14, FX_FORWARD);
        return;
    }
    if (Hit(images[shopA ? 4 : 6], TIP_BACK)) LeaveScreenTo(screen, g_Menu.gameType == 1 ? 22 : 10, FX_FORWARD);
}

void MenuScreens::DrawStatLines(const PlayerRecord& record, float x, float y, float gap) {
    for (int k = 0; k < PLAYER_ATTRIBUTES; ++k) {
        const int full = int(GetPlayerAttribute(k, &record));
        const int bonus = EquipmentAttributeSum(k, record);
        const float at = y + gap * float(k);
        char value[32];
        std::snprintf(value, sizeof value, "%d", full);
        g_Font.Print(4, 18, x, at, 0, value, 'd', true);
        if (bonus == 0) continue;
        // The sum before it, so that every full value ends at the same x.
        std::snprintf(work, sizeof work, "%d + %d =", full - bonus, bonus);
        const float before =
            x - g_Font.TextWidth(value, int32_t(std::strlen(value)), 4) - g_Font.TextWidth(work, int32_t(std::strlen(work)), 4);
        g_Font.Print(4, 18, before, at, 0, work, 'i', true);
    }
}

void MenuScreens::DrawShopValues() {
    const bool shopA = screen == 14;
    const float* columns = shopA ? kColumnsA : kColumnsB;
    const MenuPanel* rows[2][2] = {{&panels[shopA ? 2 : 4], &panels[shopA ? 3 : 5]},
                                   {&panels[shopA ? 4 : kWornRowPanel], &panels[shopA ? 5 : kWornRowPanel]}};
    for (int l = 0; l < 2; ++l) {
        for (int j = 0; j < SHOP_VISIBLE_ROWS; ++j) {
            int kind = -1, id = -1;
            if (!ShopListPiece(shopA ? l : l + 1, shopFirst[l] + j, &kind, &id)) continue;
            const EquipmentRow* row = GetEquipmentRow(kind, id);
            // Two pieces in one row print on two lines.
            const float y = rows[l][j]->y + (rows[l][0] == rows[l][1] ? 0.05f + 0.05f * float(j) : 0.07f);
            const uint32_t colour = shopSelected[l] == shopFirst[l] + j ? 2 : 18;
            for (int k = 0; k < kHeadCount; ++k) {
                if (k < 5) std::snprintf(work, sizeof work, " +%d", int(row->bonuses[k]));
                else std::snprintf(work, sizeof work, "%d", int(row->requiredLevel) + 1);
                g_Font.Print(4, int(colour), columns[k], y, 0, work, 'd', true);
            }
        }
    }
    if (!shopA) {
        const PlayerRecord& r = teamRecords[ShownMember()];
        std::snprintf(work, sizeof work, "%d", int(r.level) + 1);
        g_Font.Print(4, 18, 0.28f, 0.56f, 0, work, 'd', true);
        DrawStatLines(r, 0.28f, 0.595f, 0.035f);
    }
    if (g_Settings.test) {
        const int values[4] = {shopSelected[0], shopSelected[1], shopFirst[0], shopFirst[1]};
        for (int i = 0; i < 4; ++i) {
            std::snprintf(work, sizeof work, "m_id%d=%d", i + 1, values[i]);
            g_Font.Print(4, 2, 0.01f, 0.1f + 0.03f * float(i), 0, work, 'i', true);
        }
    }
}
