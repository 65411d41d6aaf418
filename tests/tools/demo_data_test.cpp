// The demo data set: written twice it is the same bytes, and the game's own loaders read its
// packs, texts, scenarios, element files and fighters without a fault.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <set>
#include <string>

#include <unistd.h>

#include "core/pack_file.h"
#include "data/data_set.h"
#include "demo_folder.h"
#include "fighters/character.h"
#include "fighters/match.h"
#include "fighters/look_pieces.h"
#include "fighters/skin.h"
#include "fighters/timed_states.h"
#include "frontend/equipment_table.h"
#include "frontend/menu.h"
#include "frontend/sprite2d.h"
#include "frontend/text_table.h"
#include "platform/video/video.h"
#include "render/index_buffer_table.h"
#include "render/material.h"
#include "render/mesh.h"
#include "render/render_queue.h"
#include "render/render_octree.h"
#include "render/texture_manager.h"
#include "scene/animation.h"
#include "scene/character_model.h"
#include "scene/collision_octree.h"
#include "scene/ground.h"
#include "scene/object_list.h"
#include "scene/scene_element_records.h"
#include "shell/sound.h"
#include "shell/wav_file.h"
#include "support/fighter_kit.h"
#include "support/temp_dir.h"
#include "world/dynamic_mesh.h"
#include "world/element_map.h"
#include "world/item.h"
#include "world/map_editor.h"
#include "world/scenario.h"

namespace fs = std::filesystem;

namespace {

std::string Contents(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

using demotest::DataFolder;
using demotest::FolderName;

struct RemoveDataFolder : ::testing::Environment {
    void TearDown() override { fs::remove_all(FolderName()); }
};
const auto* const kCleanUp = ::testing::AddGlobalTestEnvironment(new RemoveDataFolder);

TEST(DemoDataTest, TwoRunsWriteTheSameFilesByteForByte) {
    ScopedWorkDir other;
    std::string error;
    ASSERT_TRUE(demodata::WriteDataSet(other.path().string(), &error)) << error;
    size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(DataFolder())) {
        if (!entry.is_regular_file()) continue;
        const fs::path relative = fs::relative(entry.path(), DataFolder());
        SCOPED_TRACE(relative.string());
        ASSERT_TRUE(fs::exists(other.path() / relative));
        EXPECT_TRUE(Contents(entry.path()) == Contents(other.path() / relative));
        ++files;
    }
    size_t otherFiles = 0;
    for (const auto& entry : fs::recursive_directory_iterator(other.path())) otherFiles += entry.is_regular_file();
    EXPECT_EQ(files, otherFiles);
    for (const char* name : {"Brimvale.ini", "TEXTURAS.DAT", "MODELOS.DAT", "ANIMACIONES.DAT", "Logo.mpg", "Intro.mpg",
                             "ess_fx.cfg", "ess_sa.cfg", "Sonido/Fx/snd299.wav", "Sonido/Musica/Menu.wav"})
        EXPECT_TRUE(fs::exists(DataFolder() / name)) << name;
}

// With the data folder as the working folder, on the recording device.
class DemoDataLoadTest : public fxtest::FxDeviceTest {
protected:
    void SetUp() override {
        previous = fs::current_path();
        fs::current_path(DataFolder());
        fxtest::FxDeviceTest::SetUp();
        g_Settings.mode = 0;
    }
    void TearDown() override {
        g_Scenario.Unload();
        g_ElementMap.Release();
        fxtest::FxDeviceTest::TearDown();
        fs::current_path(previous);
    }
    fs::path previous;
};

TEST_F(DemoDataLoadTest, TheTextTableHasEveryNumberAndTheMenuWords) {
    TextTable table("textos.txt");
    ASSERT_EQ(table.count, 1430);
    for (int id = 0; id < table.count; ++id) EXPECT_FALSE(table.strings[size_t(id)].empty()) << id;
    EXPECT_EQ(table.strings[500], "Play");
    EXPECT_EQ(table.strings[605], "Annihilation");
}

TEST_F(DemoDataLoadTest, SoundTablesEffectsMusicAndVideosAreReadable) {
    EXPECT_EQ(LoadFxVolumes(), true);
    EXPECT_EQ(LoadSaValues(), true);
    int64_t numbers[FX_VOLUME_COUNT];
    EXPECT_EQ(ScanTableNumbers("ess_fx.cfg", numbers, FX_VOLUME_COUNT), FX_VOLUME_COUNT);
    ResetSound();
    std::vector<std::string> files = {"Sonido\\Musica\\Menu.wav"};
    for (int kind = 0; kind < 8; ++kind) files.push_back("Sonido\\Musica\\m0" + std::to_string(kind) + ".wav");
    for (int id = 0; id < 300; id += 37) files.push_back("Sonido\\Fx\\snd" + std::string(id < 100 ? "0" : "") +
                                                         std::string(id < 10 ? "0" : "") + std::to_string(id) + ".wav");
    for (const std::string& name : files) {
        PackEntry file;
        ASSERT_TRUE(file.OpenFile(name.c_str())) << name;
        WaveHeader header;
        EXPECT_EQ(ReadWaveHeader(file.Reader(), name.c_str(), &header), 0u) << name;
        EXPECT_GT(header.dataSize, 0u) << name;
    }
    for (const char* clip : {"Logo.mpg", "Intro.mpg"}) {
        video::Player player;
        ASSERT_EQ(player.RenderFile(clip, nullptr), S_OK) << clip;
        EXPECT_TRUE(player.Stats().hasVideo) << clip;
        EXPECT_TRUE(player.Stats().hasAudio) << clip;
    }
}

// Names as the menu's picture table, the loading screen and the HUD's sprite table give them.
std::vector<std::string> InterfacePictures() {
    std::vector<std::string> names;
    const std::string menu = "Texturas\\Interfaz\\Menu\\", hud = "Texturas\\Interfaz\\Sprites2D\\";
    for (const char* n : {"BotonDerOff", "BotonDerOn", "BotonIzqOff", "BotonIzqOn", "BarraDesplazamientoOn",
                          "BarraDesplazamientoOff", "ManecillaBarraDesplazamiento", "Switchoff", "Switchon", "FlechaIzdaOff",
                          "FlechaIzdaOn", "FlechaDchaOff", "FlechaDchaOn", "BotonMenuSinPulsar", "BotonMenuPulsado", "Parches",
                          "VentanaConfirmacion", "FlechaArrOff", "FlechaArrOn", "FlechaAbjOff", "FlechaAbjOn", "LogoOrlinsOff",
                          "LogoOrlinsOn", "LogoVoraksOff", "LogoVoraksOn", "fondo_per", "fondo_per_bi_des", "fondo_per_bi_act",
                          "fondo_per_bd_des", "fondo_per_bd_act", "MarcoPerSel_ON", "MarcoPerSel_OFF", "FlechaAddTeamON",
                          "FlechaAddTeamOFF", "RotaOn", "RotaOff", "RotaIzqOn", "RotaIzqOff", "RotaDerOn", "RotaDerOff", "AddOn",
                          "AddOff", "SubtractOn", "SubtractOff", "Logo_on", "Logo_off", "barraloading", "Menu00", "Menu01"})
        names.push_back(menu + n + ".tga");
    for (int k = 0; k <= 5; ++k)
        for (const char* state : {"On", "Off"}) names.push_back(menu + "KGame0" + std::to_string(k) + state + ".tga");
    names.push_back(menu + "Text3D.bmp");
    names.push_back(menu + "Text3D_Disabled.bmp");
    for (int n : {97, 98, 99}) names.push_back("Texturas\\Interfaz\\Pantallas\\Menu" + std::to_string(n) + ".tga");
    for (const char* n : {"Punto Mira 1", "Marcador Orlin", "Marcador Vorak", "Marcador Orlin 2", "Marcador Vorak 2",
                          "Barra Vida Orlin", "Barra Vida Vorak", "Barra Mana Orlin", "Barra Mana Vorak", "Barra Exp Orlin",
                          "Barra Exp Vorak", "Logo Orlins", "Logo Voraks", "Negativo", "DosPuntos", "Cartel - You Win",
                          "Cartel - You Loose", "Cartel - Start", "Cartel - Time Over", "Cartel - Pause", "Marcador Vorak m",
                          "Marcador Orlin m", "Numero 0", "Numero 9", "Letra00", "Letra25", "AnilloIconoOrlin02",
                          "AnilloIconoVorak00", "IconoPoderOrlin10", "IconoPoderVorak00"})
        names.push_back(hud + n + ".tga");
    return names;
}

TEST_F(DemoDataLoadTest, EveryInterfacePictureIsAnImageAndEverySkinLayerReadsForTheComposition) {
    for (const std::string& name : InterfacePictures()) {
        PackEntry entry;
        ASSERT_TRUE(entry.Open("TEXTURAS.DAT", name.c_str())) << name;
        ImageHeaderInfo info{};
        EXPECT_TRUE(ProbeImageHeader(entry.Reader(), &info)) << name;
        EXPECT_GT(info.width, 0) << name;
    }
    // The loading screen copies its pictures at their size scaled from 1024 x 768: full width.
    for (const char* name : {"Texturas\\Interfaz\\Pantallas\\Menu98.tga", "Texturas\\Interfaz\\Menu\\barraloading.tga"}) {
        PackEntry entry;
        ASSERT_TRUE(entry.Open("TEXTURAS.DAT", name));
        ImageHeaderInfo info{};
        ASSERT_TRUE(ProbeImageHeader(entry.Reader(), &info));
        EXPECT_EQ(info.width, 1024) << name;
    }
    // Every number the player records may hold, as the composition asks for it.
    for (int side = 0; side < 2; ++side) {
        std::vector<std::string> layers;
        for (const SkinLayerRow& row : SKIN_LAYERS)
            for (int n = 0; n <= (row.part == 0 ? 4 : 9); ++n) {
                char name[128];
                std::snprintf(name, sizeof name, row.file[side], n);
                layers.push_back(name);
            }
        for (int slot = 0; slot < SKIN_TATTOO_SLOTS; ++slot)
            for (int n = 0; n <= 7; ++n) {
                char name[128];
                std::snprintf(name, sizeof name, SKIN_TATTOO_FILE, side, slot, n);
                layers.push_back(name);
            }
        for (const std::string& name : layers) {
            SkinImage image{};
            EXPECT_TRUE(SkinImageCache::LoadTga(&image, name.c_str())) << name;
            image.Free();
        }
    }
}

// Every overlay the fighters' bodies wear: each side's spawn and rise flash (numbered by the
// side) and each timed state's, each side's own where its row has one.
TEST_F(DemoDataLoadTest, EveryBodyOverlayOfTheTimedStatesAndTheFlashesLoads) {
    std::set<int> numbers = {0, 1};
    for (const TimedStateRow& row : TIMED_STATE_TABLE)
        for (int side = 0; side < 2; ++side) numbers.insert(row.texture + (row.plusSide ? side : 0));
    EXPECT_EQ(numbers.size(), 16u);
    for (int n : numbers) {
        char name[64];
        std::snprintf(name, sizeof name, "Texturas\\Efectos\\vecorporal%02d.tga", n);
        EXPECT_GE(g_Scene.textures->LoadTexture(name, true, true, true), 0) << name;
    }
}

// Every piece of the catalogue: the texture its look pieces wear and the shop's picture of it
// ("Casco%d%03d" and its kin, class and set word) load through the game's own loaders.
TEST_F(DemoDataLoadTest, EveryCataloguePieceHasItsLookTextureAndItsShopPicture) {
    static const char* const kShopNames[EQUIPMENT_KIND_COUNT] = {"Casco%d%03d", "Guante%d%03d", "bota%d%03d",
                                                                 "Bracelet%d%03d", "Hombrera%d%03d"};
    int pieces = 0;
    for (int kind = 0; kind < EQUIPMENT_KIND_COUNT; ++kind)
        for (int n = 0; n < EQUIPMENT_ROWS_PER_KIND; ++n) {
            const EquipmentRow* row = GetEquipmentRow(kind, n);
            ASSERT_NE(row, nullptr);
            if (!IsCatalogueItem(*row)) continue;
            ++pieces;
            SCOPED_TRACE(testing::Message() << "kind " << kind << " row " << n);
            for (int8_t piece : EQUIPMENT_PIECES[kind]) {
                if (piece < 0) continue;
                char texture[128];
                ASSERT_TRUE(LookPieceTextureName(piece, int(row->pieceClass), int(row->setWord), texture, sizeof texture));
                const int32_t id = g_Scene.textures->LoadTexture(texture, false, false, false);
                EXPECT_GE(id, 0) << texture;
            }
            char shop[32];
            std::snprintf(shop, sizeof shop, kShopNames[kind], int(row->pieceClass), int(row->setWord));
            Sprite2D* picture = nullptr;
            EXPECT_TRUE(LoadMenuPicture(&picture, shop, 0.08f, 0, 0, 1, 1, SPRITE_SIZE_FROM_WIDTH)) << shop;
            delete picture;
        }
    EXPECT_GT(pieces, 5 * 50);
    // The hair of every model and colour the player editor offers.
    for (int model = 0; model <= 5; ++model)
        for (int colour = 0; colour <= 5; ++colour) {
            char texture[128];
            ASSERT_TRUE(LookPieceTextureName(LOOK_HAIR, model, colour, texture, sizeof texture));
            EXPECT_GE(g_Scene.textures->LoadTexture(texture, false, false, false), 0) << texture;
        }
}

// The element file of a loaded scenario, read by the game onto the path map it built itself:
// every element is kept (none stands on a cell the map lacks), with the starts, symbols and
// checkpoints the game kinds need.
void ExpectEveryElementKeptOnTheBuiltMap(int number) {
    char file[64];
    std::snprintf(file, sizeof file, "Modelos\\Escenarios\\Escenario%02d\\Escenario%02d.dat", number, number);
    PackEntry raw;
    ASSERT_TRUE(raw.Open("MODELOS.DAT", file));
    const size_t stored = raw.Length() - 16;
    raw.Close();
    // Greed tops up what the file lacks of its goal: three coins of each value are placed.
    EXPECT_EQ(CountScenarioCredits(number), 3u * (1 + 5 + 25 + 50));
    g_ElementMap.Load(nullptr, -1);
    size_t kept = 0, bytes = 0;
    int kinds[6] = {}, starts[2] = {}, symbols[2] = {};
    std::vector<int> checkpoints;
    for (ElementRecord* r = g_ElementMap.list.First(); r; r = g_ElementMap.list.Next(r)) {
        ++kept;
        bytes += r->elementKind >= 4 ? 61 : 57;
        ASSERT_LT(r->elementKind, 6u);
        ++kinds[r->elementKind];
        if (r->elementKind == 0 && r->subtype < 2) ++starts[r->subtype];
        if (r->elementKind == 3 && r->subtype < 2 && r->gameKind == 0) ++symbols[r->subtype];
        if (r->elementKind == 3 && r->subtype == 2 && r->gameKind == 1) checkpoints.push_back(r->index);
    }
    EXPECT_EQ(bytes, stored) << kept << " records kept";
    for (int k = 0; k < 6; ++k) EXPECT_GT(kinds[k], 0) << "element kind " << k;
    // Starts for the largest team on each side, a symbol for each team, checkpoints numbered in
    // order.
    EXPECT_EQ(starts[0], MAX_CHARACTERS / 2);
    EXPECT_EQ(starts[1], MAX_CHARACTERS / 2);
    EXPECT_EQ(symbols[0], 1);
    EXPECT_EQ(symbols[1], 1);
    EXPECT_EQ(checkpoints, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    g_ElementMap.Release();
}

// The glass awning over the south wall blends: its triangles are queued by the collision faces of
// the same numbers, whose centres are theirs, and a frame that looks at it from above draws the
// two turned towards the eye, one a draw in each pass, after the world.
void ExpectTheGlassDrawnSeeThrough(const Mesh& glass) {
    const Material* material = g_Scene.materials->Get(glass.materialId);
    ASSERT_NE(material, nullptr);
    ASSERT_GT(material->passCount, 0u);
    EXPECT_NE(material->passes[0].blendPreset, 0u);
    ASSERT_EQ(glass.triangleCount, 4);
    ASSERT_NE(glass.centres, nullptr);
    ASSERT_EQ(MeshCollisionFaceCount(&glass), glass.triangleCount);
    for (uint32_t t = 0; t < glass.triangleCount; ++t) {
        QueuedFace face{};
        ASSERT_TRUE(MeshCollisionFace(&glass, t, &face));
        ASSERT_EQ(face.vertexCount, 3u);
        const Vec3 centre = Vec3Scale(Vec3Add(Vec3Add(face.vertices[0], face.vertices[1]), face.vertices[2]), 1.0f / 3);
        EXPECT_NEAR(centre.x, glass.centres[3 * t], 1e-4f) << t;
        EXPECT_NEAR(centre.y, glass.centres[3 * t + 1], 1e-4f) << t;
        EXPECT_NEAR(centre.z, glass.centres[3 * t + 2], 1e-4f) << t;
    }
    const IndexBuffer* indices = g_SceneIndexBuffers->Get(glass.indexBufferId);
    ASSERT_NE(indices, nullptr);
    g_Scene.camera->Set(16, 9, 12, 16, 4.4f, 1, 0, std::numbers::pi_v<float> / 2, 1, 50);
    g_Scene.camera->Update();
    auto* device = gfx::AsRecordingDevice(g_Video.device);
    device->ClearLog();
    // A frame of its own, as the render frame begins one: loading ended the one the test began.
    const bool began = device->BeginScene() == gfx::D3D_OK;
    g_Scene.Render();
    if (began) device->EndScene();
    std::vector<uint32_t> starts;
    for (const gfx::DrawRecord& d : device->Draws())
        if (d.kind == gfx::CallKind::DrawIndexedPrimitive && d.indices == indices->buffer) {
            EXPECT_EQ(d.primitiveCount, 1u);
            EXPECT_EQ(d.RenderState(gfx::D3DRS_ALPHABLENDENABLE), 1u);
            starts.push_back(d.startIndex);
        }
    // A fogged scenario's materials take the haze as a pass of their own.
    EXPECT_EQ(starts.size(), 2u * material->passCount) << "the upper face's two triangles in every pass";
    for (uint32_t start : starts) EXPECT_LT(start, 6u);
}

// Every scenario the menu, the training set-up and the campaigns can choose, each in a scene of
// its own: drawn, standing ground on each level of the plan, its pool as its row says (lava
// under bubbles, water under rain, otherwise ground), its fog, sky and bubble model, every
// texture its materials name, and the elements on the path map the game built.
TEST_F(DemoDataLoadTest, EveryScenarioOfTheTableLoadsWithWhatItsRowCallsFor) {
    for (int number = 0; number < SCENARIO_COUNT; ++number) {
        SCOPED_TRACE(testing::Message() << "scenario " << number);
        const ScenarioRow& row = ScenarioTable[number];
        g_Scene.Destroy(true);
        ASSERT_TRUE(g_Scene.Create());
        ASSERT_TRUE(g_Scenario.Load(number));
        ASSERT_NE(g_Scene.renderOctree, nullptr);
        ASSERT_NE(g_SceneMeshTable, nullptr);
        const Mesh* mesh = g_SceneMeshTable->Get(0);
        ASSERT_NE(mesh, nullptr);
        EXPECT_GT(mesh->triangleCount, 0u);
        const Mesh* glass = g_SceneMeshTable->Get(1);
        ASSERT_NE(glass, nullptr);
        EXPECT_EQ(g_Scene.renderOctree->polygonCount, uint32_t(mesh->triangleCount) + glass->triangleCount);
        ExpectTheGlassDrawnSeeThrough(*glass);
        const Material* material = g_Scene.materials->Get(mesh->materialId);
        ASSERT_NE(material, nullptr);
        EXPECT_GT(material->passCount, 0u);
        for (const Material* m : g_Scene.materials->slots) {
            if (!m) continue;
            for (uint32_t l = 0; l < m->description.layerCount; ++l) {
                const MaterialLayer& layer = m->description.layers[l];
                if (layer.kind & (MATERIAL_KIND_VERTEX_COLOUR | MATERIAL_KIND_HAZE)) continue;
                EXPECT_GE(layer.texture, 0) << "a texture the scenario's materials name is missing";
            }
        }
        EXPECT_NEAR(GetGroundHeight(10.5f, 5.0f, 10.5f, nullptr), 0.0f, 1e-3f);
        EXPECT_NEAR(GetGroundHeight(55.5f, 8.0f, 5.5f, nullptr), 3.0f, 1e-3f);
        EXPECT_NEAR(GetGroundHeight(55.5f, 2.0f, 20.5f, nullptr), -1.0f, 1e-3f);
        // The pool's middle.
        const float poolGround = GetGroundHeight(52.0f, 3.0f, 38.0f, nullptr);
        const float lava = GetLavaHeight(52.0f, 3.0f, 38.0f, nullptr);
        const bool water = g_Scene.waters && g_Scene.waters->count > 0;
        if (row.bubbles) {
            EXPECT_NEAR(lava, -1.0f, 1e-3f);
            EXPECT_LT(poolGround, lava);
        } else {
            EXPECT_EQ(lava, GROUND_NONE);
        }
        EXPECT_EQ(water, row.rain != 0);
        if (row.rain) {
            EXPECT_LT(poolGround, -1.0f);
        } else if (!row.bubbles) {
            EXPECT_NEAR(poolGround, 0.0f, 1e-3f);
        }
        EXPECT_EQ(g_Scene.skyTexture >= 0, row.fog != 0);
        EXPECT_NE(g_Scene.sky, nullptr);
        EXPECT_EQ(g_Scenario.bubbleModel != nullptr, row.bubbles != 0);
        EXPECT_GE(g_Scenario.ripple0, 0);
        // Every model the scenario loads for its items and props is there.
        for (int i = 0; i < ITEM_TYPE_COUNT; ++i) EXPECT_NE(g_ItemModels[i], nullptr) << "item " << i;
        ExpectEveryElementKeptOnTheBuiltMap(number);
        g_Scenario.Unload();
    }
}

// The character viewer's stage: the viewer stands its figure at the origin, on the floor of a
// lit, drawn scene with a sky, and the game builds its path map there.
TEST_F(DemoDataLoadTest, TheViewersStageLoadsWithAFloorUnderTheFigure) {
    g_Settings.mode = 1;
    ASSERT_TRUE(g_Scenario.Load(SCENARIO_VIEWER));
    ASSERT_NE(g_SceneMeshTable, nullptr);
    const Mesh* floor = g_SceneMeshTable->Get(0);
    ASSERT_NE(floor, nullptr);
    EXPECT_GT(floor->triangleCount, 0u);
    EXPECT_NE(g_Scene.sky, nullptr);
    EXPECT_NEAR(GetGroundHeight(0.0f, 2.0f, 0.0f, nullptr), 0.0f, 1e-3f);
    CellRef under{};
    EXPECT_TRUE(g_Scenario.pathMap.WorldToCell(Vec3{0.0f, 0.0f, 0.0f}, &under, 100.0f)) << "no path map under the figure";
    for (const Material* m : g_Scene.materials->slots) {
        if (!m) continue;
        for (uint32_t l = 0; l < m->description.layerCount; ++l) {
            const MaterialLayer& layer = m->description.layers[l];
            if (layer.kind & (MATERIAL_KIND_VERTEX_COLOUR | MATERIAL_KIND_HAZE)) continue;
            EXPECT_GE(layer.texture, 0) << "a texture the stage's materials name is missing";
        }
    }
    PackEntry lights;
    EXPECT_TRUE(lights.Open("MODELOS.DAT", "Modelos\\Escenarios\\Escenario98\\Luces98.y3d"));
}

// The name of the texture a palette model is drawn with; empty when it has none.
std::string PaletteTexture(const DynamicMesh& model) {
    if (model.meshCount == 0) return "";
    const Mesh* mesh = g_SceneMeshTable->Get(model.meshIds[0]);
    const Material* material = mesh ? g_Scene.materials->Get(mesh->materialId) : nullptr;
    if (!material || material->description.layerCount == 0) return "";
    const Texture* texture = g_Scene.textures->Get(material->description.layers[0].texture);
    return texture && texture->name ? texture->name : "";
}

// The element-map editor on a demo scenario: every subtype of the kinds placed from models has
// its palette model, the fighters' two each side's own figure in its skin.
TEST_F(DemoDataLoadTest, TheEditorsPaletteHasEveryModelTheFightersOneForEachSide) {
    // What the editor's start made, gone again however the test ends.
    struct EditorWorld {
        ~EditorWorld() {
            g_ElementMap.DespawnAll();
            FreeSkeletons();
            g_Match.Release();
        }
    } editorWorld;
    g_Settings.mode = 3;
    g_Match.Setup(0, 0);
    ASSERT_TRUE(g_Scenario.Load(1));
    LoadSkeletons(false);
    g_ElementMap.InitMatch();
    const size_t sizes[EDITOR_PALETTE_KINDS] = {2, ITEM_TYPE_COUNT, 4, 3};
    for (int kind = 0; kind < EDITOR_PALETTE_KINDS; ++kind) {
        ASSERT_EQ(g_MapEditor.paletteModels[kind].size(), sizes[kind]) << "kind " << kind;
        for (size_t subtype = 0; subtype < sizes[kind]; ++subtype)
            EXPECT_TRUE(g_MapEditor.PaletteEntryExists(kind, int(subtype))) << "kind " << kind << " subtype " << subtype;
    }
    const DynamicMesh* orlin = g_MapEditor.PaletteModel(ELEMENT_FIGHTER, 0);
    const DynamicMesh* vorak = g_MapEditor.PaletteModel(ELEMENT_FIGHTER, 1);
    ASSERT_NE(orlin, nullptr);
    ASSERT_NE(vorak, nullptr);
    EXPECT_STREQ(orlin->name, "orlin(DIN)");
    EXPECT_STREQ(vorak->name, "vorak(DIN)");
    EXPECT_EQ(PaletteTexture(*orlin), "TEXTURAS\\PERSONAJES\\PIELES\\ORLIN00.TGA");
    EXPECT_EQ(PaletteTexture(*vorak), "TEXTURAS\\PERSONAJES\\PIELES\\VORAK00.TGA");
}

TEST_F(DemoDataLoadTest, BothSidesHaveFiveDetailLevelsAndEveryAnimationTheRulesPlay) {
    for (int side = 0; side < 2; ++side) {
        const std::string name = "Modelos\\Personajes\\Skeleton0" + std::to_string(side) + ".y3d";
        CharacterModel* model = g_Scene.LoadCharacterModel(name.c_str(), "Texturas\\Personajes\\", 3, false);
        ASSERT_NE(model, nullptr) << side;
        EXPECT_EQ(model->boneCount, datakit::KIT_BONE_COUNT);
        for (const ModelDetailLevel& level : model->levels) {
            EXPECT_TRUE(level.loaded);
            EXPECT_FALSE(level.subMeshes.empty());
        }
        delete model;
    }
    Animation** group = g_Scene.animations[datakit::KIT_ANIMATION_GROUP];
    ASSERT_NE(group, nullptr);
    for (size_t r = 0; r < datakit::KIT_ANIMATION_RANGE_COUNT; ++r)
        for (int32_t id = datakit::KIT_ANIMATIONS[r].first; id <= datakit::KIT_ANIMATIONS[r].last; ++id) {
            ASSERT_NE(group[id], nullptr) << id;
            EXPECT_EQ(group[id]->length, datakit::KIT_ANIMATIONS[r].frames) << id;
        }
}

// How far a rotation turns, and how high it leaves the up axis.
float TurnOf(const Quat& q) { return 2.0f * std::acos(std::min(1.0f, std::fabs(q.w))); }
float UpAfter(const Quat& q) { return 1.0f - 2.0f * (q.x * q.x + q.z * q.z); }

TEST_F(DemoDataLoadTest, AnimationsMoveThePartsTheirActionsNeed) {
    CharacterModel* model = g_Scene.LoadCharacterModel("Modelos\\Personajes\\Skeleton00.y3d", "", 3, false);
    ASSERT_NE(model, nullptr);
    delete model;
    Animation** group = g_Scene.animations[datakit::KIT_ANIMATION_GROUP];
    ASSERT_NE(group, nullptr);
    constexpr int ROOT = 0, LEG_L = 1, LEG_R = 2, ARMS = 5;
    auto rotation = [&](int id, int track, float frame) {
        Quat q{0, 0, 0, 1};
        EXPECT_TRUE(group[id]->SampleNodeRotation(track, frame, &q, true)) << id;
        return q;
    };
    auto position = [&](int id, int track, float frame) {
        Vec3 p{};
        EXPECT_TRUE(group[id]->SampleNodePosition(track, frame, &p, true)) << id;
        return p;
    };
    // Deaths fall over and stay down; lying animations lie throughout.
    for (int id = 130; id <= 133; ++id) {
        const float end = float(group[id]->length);
        EXPECT_GT(UpAfter(rotation(id, ROOT, 0)), 0.99f) << id;
        EXPECT_LT(std::fabs(UpAfter(rotation(id, ROOT, end))), 0.05f) << id;
    }
    for (int id : {124, 134}) EXPECT_LT(std::fabs(UpAfter(rotation(id, ROOT, 3))), 0.05f) << id;
    // Spawns rise out of the ground; rises get up from lying.
    for (int id : {190, 192}) {
        EXPECT_LT(position(id, ROOT, 0).y, -1.5f) << id;
        EXPECT_NEAR(position(id, ROOT, float(group[id]->length)).y, 0.0f, 1e-3f) << id;
    }
    for (int id : {191, 193}) EXPECT_GT(UpAfter(rotation(id, ROOT, float(group[id]->length))), 0.99f) << id;
    // Walks and runs swing the legs apart and carry the root forward by their stride.
    for (int id = 20; id <= 24; ++id) {
        const float quarter = float(group[id]->length) / 4;
        const Quat l = rotation(id, LEG_L, quarter), r = rotation(id, LEG_R, quarter);
        EXPECT_GT(TurnOf(QuatMul(l, Quat{-r.x, -r.y, -r.z, r.w})), 0.6f) << id;
        const int32_t frames = datakit::KitAnimationLength(id);
        float stride = 0;
        for (size_t k = 0; k < datakit::KIT_ANIMATION_RANGE_COUNT; ++k)
            if (id >= datakit::KIT_ANIMATIONS[k].first && id <= datakit::KIT_ANIMATIONS[k].last)
                stride = datakit::KIT_ANIMATIONS[k].stride;
        EXPECT_NEAR(position(id, ROOT, float(frames)).z, stride * float(frames), 1e-3f) << id;
    }
    // Attacks and casts bring the arms up at their middle.
    for (int id : {50, 79, 80, 104, 170, 189})
        EXPECT_GT(TurnOf(rotation(id, ARMS, float(group[id]->length) / 2)), 0.5f) << id;
}

}  // namespace
