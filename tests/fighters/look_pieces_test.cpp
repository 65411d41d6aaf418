// The look pieces a fighter wears from its player record: names, bones, pairs from one equipment
// number, the helmet over the hair, re-texturing, and what a missing model, node or row leaves.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/pack_file.h"
#include "fighters/look_pieces.h"
#include "frontend/equipment_table.h"
#include "frontend/player_record.h"
#include "render/material.h"
#include "render/mesh.h"
#include "datakit/buffer_block_writer.h"
#include "support/fighter_fixture.h"
#include "datakit/image_writer.h"
#include "support/temp_dir.h"
#include "world/dynamic_mesh.h"

namespace fightertest {
namespace {

using namespace testsupport;
using namespace datakit;

// Any number of a kind gives its row: classes 3, 2, 1, 4, 5 and set words 102, 102, 200, 400, 502.
const EquipmentRow* TestRow(int kind, int) {
    static EquipmentRow rows[EQUIPMENT_KIND_COUNT] = {
        {.pieceClass = 3, .setWord = 102}, {.pieceClass = 2, .setWord = 102}, {.pieceClass = 1, .setWord = 200},
        {.pieceClass = 4, .setWord = 400}, {.pieceClass = 5, .setWord = 502}};
    return &rows[kind];
}

// A movable mesh named `node` with one triangle whose material has two layers.
std::vector<uint8_t> PieceFile(const std::string& node) {
    Y3DSceneFile f;
    Y3DMaterial material;
    material.layers = {{1, "pieza.tga"}, {2, "segunda.tga"}};
    f.materials = BuildMaterialList({material.Build()});
    f.vertexBuffers = BuildVertexBufferBlock({PatternVertices(3, 0x142, 1)});
    f.indexBuffers = BuildIndexBufferBlock({SequentialIndices(3, 0)});
    Y3DMeshNode piece;
    piece.name = node;
    piece.type = 0x101;
    piece.meshes = {Y3DMesh{.triangleCount = 1, .maxVertex = 2, .centres = {{0, 0, 0}}}};
    f.records.push_back(MeshNodeRecord(piece));
    return f.Build();
}

class LookPiecesTest : public FighterTest {
protected:
    void SetUp() override {
        FighterTest::SetUp();
        dir.emplace();
        for (const std::string name : {"Pelo01", "Gafas02", "Gafas12", "Casco003", "Casco103", "Guante02L", "Guante02R",
                                       "bota001L", "bota001R", "bota101L", "bota101R", "Bracelet04L", "Bracelet04R",
                                       "Hombrera05L", "Hombrera05R"})
            Write("Modelos/Objetos Dinamicos/" + name + ".y3d", PieceFile(name + "(DIN)"));
        Write("Modelos/Objetos Dinamicos/Pelo03.y3d", PieceFile("Otro(DIN)"));
        for (const std::string name : {"p05", "Guante0102", "Casco0102", "bota0200", "Bracelet0400", "Hombrera0502"})
            Write("Texturas/Objetos Dinamicos/" + name + ".tga", TgaFile(SolidPicture(2, 2, 0xff336699u)));
        SetEquipmentRowSource(TestRow);
    }
    void TearDown() override {
        ResetEquipmentRowSource();
        dir.reset();
        ResetPackFiles();
        FighterTest::TearDown();
    }
    void Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        dir->Write(name, std::string(bytes.begin(), bytes.end()));
        ResetPackFiles();
    }
    // Hair 1 in colour 5, glasses 2 and every equipment kind at number 1, the helmet if asked.
    static const Character& Dressed(int slot, int side, bool helmet) {
        PlayerRecord r;
        MakeRandomPlayer(side, &r);
        r.look.hair = 1;
        r.look.hairColour = 5;
        r.look.glasses = 2;
        for (int kind = 0; kind < EQUIPMENT_KIND_COUNT; ++kind) SetPlayerEquipment(&r, kind, kind > 0 || helmet ? 1 : -1);
        EXPECT_EQ(SpawnCharacter(slot, 0, side, 0, 4.5f + float(slot), 0, 4.5f, &r, nullptr), slot);
        return g_Characters[slot];
    }
    static const CharacterAttachment& Worn(const Character& c, int piece) { return c.model->attachments[piece]; }
    static const MaterialDescription& PieceLayers(const Character& c, int piece) {
        const DynamicMesh* object = AsDynamicMesh(Worn(c, piece).object);
        return g_Scene.materials->Get(g_Scene.meshes->Get(object->meshIds[0])->materialId)->description;
    }
    static std::string TextureName(int32_t index) { return g_Scene.textures->Get(index)->name; }
    std::optional<ScopedWorkDir> dir;
};

TEST_F(LookPiecesTest, PiecesHangOnTheirBonesByNamesOfSideAndNumberInPairsAndAHelmetTakesTheHairOff) {
    const Character& bare = Dressed(3, 0, false);
    const Character& helmeted = Dressed(2, 1, true);
    const struct {
        int piece;
        const char *bare, *helmeted;   // null: not worn
        int bone;
    } pieces[] = {
        {LOOK_HAIR, "Pelo01(DIN)", nullptr, 6},
        {LOOK_GLASSES, "Gafas02(DIN)", "Gafas12(DIN)", 6},
        {LOOK_HELMET, nullptr, "Casco103(DIN)", 6},
        {LOOK_GLOVE_LEFT, "Guante02L(DIN)", "Guante02L(DIN)", 70},
        {LOOK_GLOVE_RIGHT, "Guante02R(DIN)", "Guante02R(DIN)", 90},
        {LOOK_BOOT_LEFT, "bota001L(DIN)", "bota101L(DIN)", 119},
        {LOOK_BOOT_RIGHT, "bota001R(DIN)", "bota101R(DIN)", 124},
        {LOOK_BRACELET_LEFT, "Bracelet04L(DIN)", "Bracelet04L(DIN)", 69},
        {LOOK_BRACELET_RIGHT, "Bracelet04R(DIN)", "Bracelet04R(DIN)", 89},
        {LOOK_SHOULDER_LEFT, "Hombrera05L(DIN)", "Hombrera05L(DIN)", 67},
        {LOOK_SHOULDER_RIGHT, "Hombrera05R(DIN)", "Hombrera05R(DIN)", 87},
    };
    for (const auto& p : pieces) {
        for (const auto& [c, node] : {std::pair{&bare, p.bare}, std::pair{&helmeted, p.helmeted}}) {
            SCOPED_TRACE(testing::Message() << "side " << c->side << ", piece " << p.piece);
            const CharacterAttachment& a = Worn(*c, p.piece);
            ASSERT_EQ(a.inUse, node ? 1 : 0);
            if (!node) {
                EXPECT_EQ(a.object, nullptr);
                continue;
            }
            EXPECT_STREQ(a.object->name, node);
            EXPECT_EQ(a.boneIndex, p.bone);
            EXPECT_TRUE(g_Scene.objects->Contains(a.object));
        }
    }
    EXPECT_EQ(g_Scene.objects->count, 20u);   // the helmet's hair is out of the scene
}

TEST_F(LookPiecesTest, ReTexturingLeavesOneLayerAndMissingModelsNodesOrRowsLeaveSlotsEmpty) {
    const Character& c = Dressed(3, 0, false);
    EXPECT_EQ(PieceLayers(c, LOOK_HAIR).layerCount, 1u);
    EXPECT_EQ(TextureName(PieceLayers(c, LOOK_HAIR).layers[0].texture), "TEXTURAS\\OBJETOS DINAMICOS\\P05.TGA");
    const int32_t gloves = PieceLayers(c, LOOK_GLOVE_LEFT).layers[0].texture;
    EXPECT_EQ(TextureName(gloves), "TEXTURAS\\OBJETOS DINAMICOS\\GUANTE0102.TGA");
    // Again with the same texture, then one that cannot be read: references unchanged.
    LoadLookPieceTexture(3, LOOK_GLOVE_LEFT, 2, 102);
    LoadLookPieceTexture(3, LOOK_GLOVE_LEFT, 2, 999);
    EXPECT_EQ(PieceLayers(c, LOOK_GLOVE_LEFT).layers[0].texture, gloves);
    EXPECT_EQ(g_Scene.textures->entries[size_t(gloves)].refs, 2u);   // left and right

    // No file for hair 7; hair 3's file holds another node; no kind 5 nor number 54.
    for (int model : {7, 3}) {
        g_Menu.LoadLookPiece(3, LOOK_HAIR, model);
        EXPECT_EQ(Worn(c, LOOK_HAIR).inUse, 0) << model;
        EXPECT_EQ(Worn(c, LOOK_HAIR).object, nullptr) << model;
    }
    LoadEquipmentPiece(3, 0, EQUIPMENT_ROWS_PER_KIND);
    LoadEquipmentPiece(3, EQUIPMENT_KIND_COUNT, 1);
    EXPECT_EQ(Worn(c, LOOK_HELMET).inUse, 0);
    PlayerRecord record;
    MakeRandomPlayer(0, &record);
    record.look.equipment[1] = EQUIPMENT_ROWS_PER_KIND;
    EXPECT_EQ(GetPlayerEquipment(&record, 1), -1);
    EXPECT_EQ(GetPlayerEquipment(&record, EQUIPMENT_KIND_COUNT), -1);

    // Without catalogue rows no equipment is worn; the hair and the glasses are.
    SetEquipmentRowSource([](int, int) -> const EquipmentRow* { return nullptr; });
    const Character& plain = Dressed(4, 0, true);
    for (int piece = 0; piece < LOOK_PIECE_COUNT; ++piece) EXPECT_EQ(Worn(plain, piece).inUse, piece <= 1) << piece;
}

TEST_F(LookPiecesTest, OnlyAnActiveFighterGivesItsPiecesBackAndADespawnDoes) {
    Dressed(2, 0, false);
    Dressed(3, 1, true);
    for (int slot : {5, -1, MAX_CHARACTERS}) g_Menu.RemoveCharacterLook(slot);
    EXPECT_EQ(g_Scene.objects->count, 20u);
    ASSERT_TRUE(g_Characters[2].Despawn());
    EXPECT_EQ(g_Scene.objects->count, 10u);
    g_Menu.RemoveCharacter(3);
    EXPECT_EQ(g_Characters[3].active, 0);
    EXPECT_EQ(g_Scene.objects->count, 0u);
}

}  // namespace
}  // namespace fightertest
