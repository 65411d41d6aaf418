// The element-map editor's panels: their texts for chosen states, the timed messages, the help
// page, the checkpoint path and cursor cell on the recording device, and a drawn palette bar.
#include <bit>

// The picture fixture first: its device names must not meet the game's texture class.
#include "scene/glow_picture_fixture.h"

#include "editor_fixture.h"
#include "frontend/gui_primitives.h"
#include "platform/gfx/recording_device.h"
#include "platform/os/os.h"
#include "platform/text/text.h"
#include "render/debug_draw.h"

namespace elementtest {
namespace {

using gfxtest::ColorNear;

class PanelTest : public EditorTest {
protected:
    void TearDown() override {
        os::SetTimeSource({});
        EditorTest::TearDown();
    }
    static std::vector<std::string> Texts(int panel) {
        std::vector<std::string> out;
        for (const EditorTextLine& l : EditorPanelLines(g_MapEditor.panels[panel])) out.push_back(l.text);
        return out;
    }
    using Strings = std::vector<std::string>;
    // The colours of the debug vertices of every draw, one per draw.
    std::vector<uint32_t> DrawColours() const {
        std::vector<uint32_t> out;
        for (const gfx::DrawRecord& d : rec->Draws()) {
            DebugVertex v{};
            if (d.vertexData.size() >= sizeof v) std::memcpy(&v, d.vertexData.data(), sizeof v);
            out.push_back(v.colour);
        }
        return out;
    }
};

TEST_F(PanelTest, SelectorsNameTheKindGroupAndTheirKeys) {
    Kind(1);
    g_ElementMap.currentElementKind = ELEMENT_SPECIAL;
    g_ElementMap.currentGroup = 1;
    EXPECT_EQ(Texts(PANEL_GAME_KIND), Strings{"Carrera de Obst\xE1" "culos (Q/E)"});
    EXPECT_EQ(Texts(PANEL_ELEMENT_KIND), Strings{"Elem.Especiales (Z/C)"});
    EXPECT_EQ(Texts(PANEL_GROUP), Strings{"Checkpoints (B/G)"});
    g_ElementMap.currentGroup = 2;
    EXPECT_EQ(Texts(PANEL_GROUP), Strings{"-------------------"});
    Kind(9);
    g_ElementMap.currentElementKind = ELEMENT_PROP;
    g_ElementMap.currentGroup = 0;
    EXPECT_EQ(Texts(PANEL_GAME_KIND), Strings{"Comunes (Q/E)"});
    EXPECT_EQ(Texts(PANEL_ELEMENT_KIND), Strings{"Elem. Fisicos (Z/C)"});
    EXPECT_EQ(Texts(PANEL_GROUP), Strings{"-------------------"});
    g_ElementMap.currentElementKind = ELEMENT_ITEM;
    g_ElementMap.currentGroup = 7;
    EXPECT_EQ(Texts(PANEL_GROUP), Strings{"Multijugador (B/G)"});
    EXPECT_EQ(Texts(PANEL_MODE), (Strings{"Insert Mode (TAB)", "-1,-1(-1)"}));
    g_MapEditor.cursorCell = CellRef{3, 4, 0};
    Frame({EDIT_TOGGLE_MODE});
    EXPECT_EQ(Texts(PANEL_MODE), (Strings{"Edit Mode (TAB)", "3,4(0)"}));
}

// The text as the font shows it: each byte one character of its code page, in UTF-8.
std::string AsShown(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        const uint32_t u = text::CodePointFrom1252(c);
        if (u < 0x80) {
            out += char(u);
        } else if (u < 0x800) {
            out += char(0xC0 | (u >> 6));
            out += char(0x80 | (u & 0x3F));
        } else {
            out += char(0xE0 | (u >> 12));
            out += char(0x80 | ((u >> 6) & 0x3F));
            out += char(0x80 | (u & 0x3F));
        }
    }
    return out;
}

TEST_F(PanelTest, EveryNameIsShownAsWrittenInTheFontsOneByteCodePage) {
    const char* const kinds[6] = {"Robar el Simbolo (Q/E)", "Carrera de Obstáculos (Q/E)", "Codicia (Q/E)",
                                  "Búsqueda (Q/E)",         "Maldición (Q/E)",             "Aniquilación (Q/E)"};
    for (int k = 0; k < 6; ++k) {
        Kind(k);
        ASSERT_EQ(Texts(PANEL_GAME_KIND).size(), 1u);
        EXPECT_EQ(AsShown(Texts(PANEL_GAME_KIND)[0]), kinds[k]);
    }
    EXPECT_EQ(AsShown(EditorItemNames[2]), "Cóckteles Molotov");
    EXPECT_EQ(AsShown(EditorItemNames[20]), "Créditos 1");
    // No name anywhere carries a letter as two bytes: the font would draw two wrong glyphs.
    std::vector<std::string> names;
    for (int k : {0, 1, 2, 3, 4, 5, 9}) {
        Kind(k);
        for (int e = 0; e < ELEMENT_KINDS; ++e)
            for (int group = 0; group < 8; ++group) {
                g_ElementMap.currentElementKind = e;
                g_ElementMap.currentGroup = group;
                for (int panel : {PANEL_GAME_KIND, PANEL_ELEMENT_KIND, PANEL_GROUP, PANEL_HELP})
                    for (const std::string& t : Texts(panel)) names.push_back(t);
            }
    }
    for (const char* n : EditorItemNames) names.push_back(n);
    for (const char* n : EditorEffectNames) names.push_back(n);
    for (const std::string& n : names)
        for (size_t i = 0; i + 1 < n.size(); ++i) {
            const auto lead = uint8_t(n[i]), next = uint8_t(n[i + 1]);
            EXPECT_FALSE(lead >= 0xC2 && lead <= 0xF4 && next >= 0x80 && next <= 0xBF) << n;
        }
}

TEST_F(PanelTest, TheBarCountsItsSubtypesAndTotalsTheCredits) {
    Kind(9);
    ASSERT_TRUE(Place(ELEMENT_ITEM, 23, 1, 1));
    Kind(2);
    ASSERT_TRUE(Place(ELEMENT_ITEM, 21, 2, 1));
    ASSERT_TRUE(Place(ELEMENT_ITEM, 21, 3, 1));
    Kind(3);
    ASSERT_TRUE(Place(ELEMENT_ITEM, 22, 4, 1));     // another game kind's: neither shown nor counted
    Kind(2);
    g_ElementMap.DespawnAll();
    g_ElementMap.SpawnAll();
    g_ElementMap.currentElementKind = ELEMENT_ITEM;
    g_ElementMap.currentGroup = 4;
    EXPECT_EQ(Texts(PANEL_BAR), (Strings{"Cr\xE9" "ditos 1", "0", "Cr\xE9" "ditos 5", "2", "Cr\xE9" "ditos 25", "0", "Cr\xE9" "ditos 50", "1",
                                         "Creditos", "60"}));
    g_ElementMap.currentElementKind = ELEMENT_EFFECT;
    g_ElementMap.currentGroup = 0;
    EditorPanel& bar = g_MapEditor.panels[PANEL_BAR];
    bar.scroll[ELEMENT_EFFECT][0] = 17;
    EXPECT_EQ(Texts(PANEL_BAR), (Strings{"Portal Poder", "0", "", "0", "", "0", "fuego1", "0", "fuego2", "0"}));
}

TEST_F(PanelTest, TheSelectedElementShowsItsPlaceCellAndGlowValues) {
    Kind(0);
    ASSERT_TRUE(Place(ELEMENT_ITEM, 5, 5, 5));
    EditorSelectElement(Last());
    EXPECT_EQ(Texts(PANEL_SELECTED),
              (Strings{"Posx=5.50,Posy=0.50,Posz=5.50,Rotx=0.00,Roty=0.00, Rotz=0.00",
                       "Cx=5,Cz=5,PosRelx=0.00,PosRely=0.50,PosRelz=0.00"}));
    g_MapEditor.cursorPoint = Vec3{1.0f, 2.0f, 3.0f};
    ASSERT_TRUE(Place(ELEMENT_GLOW, 3, -1, -1));
    EditorSelectElement(Last());
    EXPECT_EQ(Texts(PANEL_SELECTED)[1], "Scale=0.0700,R=128,G=128,B=128");
    EditorSelectElement(nullptr);
    EXPECT_TRUE(Texts(PANEL_SELECTED).empty());
}

TEST_F(PanelTest, SaveAndLoadMessagesLastTwoSeconds) {
    uint32_t now = 50000;
    os::SetTimeSource([&] { return now; });
    ASSERT_TRUE(g_ElementMap.Save(nullptr));
    now += 1999;
    Frame();
    EXPECT_EQ(Texts(PANEL_WORLD), Strings{"Mapa Salvado"});
    now += 1;
    EXPECT_TRUE(Texts(PANEL_WORLD).empty());
    Frame();
    EXPECT_EQ(g_ElementMap.savedMessage, 0);
    ASSERT_TRUE(g_ElementMap.Load(nullptr, -1));
    EXPECT_EQ(Texts(PANEL_WORLD), Strings{"Mapa Cargado"});
}

TEST_F(PanelTest, HelpShowsWithTheModeLineOnlyAndHidesAgain) {
    Frame({EDIT_HELP});
    std::vector<int> shown;
    for (const EditorPanel& p : g_MapEditor.panels)
        if (p.visible) shown.push_back(p.type);
    EXPECT_EQ(shown, (std::vector<int>{PANEL_MODE, PANEL_HELP}));
    const Strings help = Texts(PANEL_HELP);
    ASSERT_EQ(help.size(), 17u);
    EXPECT_EQ(help.front(), "Q/E - Cambian el tipo de Juego ");
    EXPECT_EQ(help.back(), "BackSpace - Borra el elemento seleccionado");
    Frame({EDIT_HELP});
    EXPECT_TRUE(g_MapEditor.panels[PANEL_BAR].visible);
    EXPECT_FALSE(g_MapEditor.panels[PANEL_HELP].visible);
    EXPECT_FALSE(g_MapEditor.panels[PANEL_SELECTED].visible);
}

TEST_F(PanelTest, TheCheckpointPathRunsGreenWhiteRedAndTheCursorCellShowsWhetherItIsFree) {
    Kind(1);
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(Place(ELEMENT_SPECIAL, 2, 2 + 2 * i, 2));
    rec->ClearLog();
    DrawCheckpointPath();
    EXPECT_EQ(DrawColours(), (std::vector<uint32_t>{0xff00ff00, 0xffffffff, 0xffff0000}));
    // One checkpoint draws no path; neither does another game kind.
    Kind(0);
    rec->ClearLog();
    DrawCheckpointPath();
    EXPECT_TRUE(rec->Draws().empty());
    rec->ClearLog();
    DrawCursorCell(CellRef{2, 2, 0});
    DrawCursorCell(CellRef{3, 2, 0});
    EXPECT_EQ(DrawColours(), (std::vector<uint32_t>{0x80ff0000, 0x8000ff00}));
}

class PanelPictureTest : public fxtest::FxPictureTest {
protected:
    void TearDown() override {
        ResetQuadDrawState();
        ResetMapEditor();
        fxtest::FxPictureTest::TearDown();
    }
};

TEST_F(PanelPictureTest, TheBarIsGreyWithItsMarkedSlotInTeal) {
    EditorPanel& bar = g_MapEditor.panels[PANEL_BAR];
    EditorButtons(&bar, PANEL_BAR, 0.0f, 0.86f, 1.0f, 0.14f);
    bar.selectedSlot[g_ElementMap.currentElementKind][g_ElementMap.currentGroup] = 1;
    Clear(0xFF204060);
    DrawPanelFrame(bar);
    EXPECT_TRUE(ColorNear(Pixel(3, 30), 0xFF808080));
    EXPECT_TRUE(ColorNear(Pixel(9, 30), 0xFF0A5064));
    EXPECT_TRUE(ColorNear(Pixel(9, 20), 0xFF204060));
}

}  // namespace
}  // namespace elementtest
