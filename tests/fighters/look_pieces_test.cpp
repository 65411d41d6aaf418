// The look pieces a fighter wears from its player record: file and node names, the bones they
// hang on, pairs from one equipment number, the helmet over the hair, re-texturing, and what
// stays when a model, a node or a catalogue row is missing.
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "core/pack_file.h"
#include "fighters/look_pieces.h"
#include "frontend/equipment_table.h"
#include "frontend/player_record.h"
#include "render/material.h"
#include "render/mesh.h"
#include "render/texture_manager.h"
#include "support/buffer_block_writer.h"
#include "support/fighter_fixture.h"
#include "support/image_writer.h"
#include "support/temp_dir.h"
#include "world/dynamic_mesh.h"

namespace fightertest {
namespace {

using namespace testsupport;

// Every kind's row: helmet class 3, gloves 2, boots 1, bracelets 4, shoulder pads 5, with set
// words 102, 102, 200, 400, 502; any number gives the kind's row.
const EquipmentRow* TestRow(int kind, int) {
    static EquipmentRow rows[EQUIPMENT_KIND_COUNT];
    const uint32_t classes[] = {3, 2, 1, 4, 5}, sets[] = {102, 102, 200, 400, 502};
    EquipmentRow& row = rows[kind % EQUIPMENT_KIND_COUNT];
    row.pieceClass = classes[kind % EQUIPMENT_KIND_COUNT];
    row.setWord = sets[kind % EQUIPMENT_KIND_COUNT];
    return &row;
}

// One movable mesh named `node` with one triangle whose material has two layers.
std::vector<uint8_t> PieceFile(const std::string& node) {
    Y3DSceneFile f;
    f.header.version = 320;
    Y3DMaterial material;
    material.layers = {{1, "pieza.tga"}, {2, "segunda.tga"}};
    f.materials = BuildMaterialList({material.Build()});
    f.vertexBuffers = BuildVertexBufferBlock({PatternVertices(3, 0x142, 1)});
    f.indexBuffers = BuildIndexBufferBlock({SequentialIndices(3, 0)});
    Y3DMeshNode piece;
    piece.name = node;
    piece.type = 0x101;
    Y3DMesh mesh;
    mesh.triangleCount = 1;
    mesh.maxVertex = 2;
    mesh.centres = {{0, 0, 0}};
    piece.meshes = {mesh};
    f.records.push_back(MeshNodeRecord(piece));
    return f.Build();
}

class LookPiecesTest : public FighterTest {
protected:
    void SetUp() override {
        FighterTest::SetUp();
        dir.emplace();
        for (const char* name : {"Pelo01", "Gafas02", "Casco003", "Guante02L", "Guante02R", "bota001L", "bota001R",
                                 "Bracelet04L", "Bracelet04R", "Hombrera05L", "Hombrera05R"})
            Write("Modelos/Objetos Dinamicos/" + std::string(name) + ".y3d", PieceFile(std::string(name) + "(DIN)"));
        Write("Modelos/Objetos Dinamicos/Pelo03.y3d", PieceFile("Otro(DIN)"));
        for (const char* name : {"p05", "Guante0102", "Casco0102", "bota0200", "Bracelet0400", "Hombrera0502"})
            Write("Texturas/Objetos Dinamicos/" + std::string(name) + ".tga", TgaFile(SolidPicture(2, 2, 0xff336699u)));
        SetEquipmentRowSource(TestRow);
    }
    void TearDown() override {
        SetEquipmentRowSource(nullptr);
        dir.reset();
        ResetPackFiles();
        FighterTest::TearDown();
    }
    void Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        dir->Write(name, std::string(bytes.begin(), bytes.end()));
        ResetPackFiles();
    }
    // Hair 1 in colour 5, glasses 2, and every equipment kind at number 1 (the helmet only when
    // asked).
    static PlayerRecord Record(bool helmet) {
        PlayerRecord r;
        MakeRandomPlayer(0, &r);
        r.look.hair = 1;
        r.look.hairColour = 5;
        r.look.glasses = 2;
        for (int32_t& e : r.look.equipment) e = 1;
        if (!helmet) r.look.equipment[0] = -1;
        return r;
    }
    Character& Dressed(int slot, const PlayerRecord& record) {
        EXPECT_EQ(SpawnCharacter(slot, 0, 0, 0, 4.5f + float(slot), 0, 4.5f, &record, nullptr), slot);
        return g_Characters[slot];
    }
    static const CharacterAttachment& Worn(const Character& c, int piece) { return c.model->attachments[piece]; }
    static const Material* PieceMaterial(const Character& c, int piece) {
        const DynamicMesh* object = AsDynamicMesh(Worn(c, piece).object);
        return object ? g_Scene.materials->Get(g_Scene.meshes->Get(object->meshIds[0])->materialId) : nullptr;
    }
    static std::string TextureName(int32_t index) {
        const ::Texture* t = g_Scene.textures->Get(index);
        return t && t->name ? t->name : "";
    }
    static uint32_t Listed() { return g_Scene.objects->count; }

    std::optional<ScopedWorkDir> dir;
};

TEST(LookPieceNamesTest, FilesNodesAndTexturesTakeTheSideWhereTheirPieceDoes) {
    const struct {
        int piece, side, model;
        const char *file, *node;
    } names[] = {
        {LOOK_HAIR, 1, 7, "Modelos\\Objetos Dinamicos\\Pelo17.y3d", "Pelo17(DIN)"},
        {LOOK_HELMET, 0, 3, "Modelos\\Objetos Dinamicos\\Casco003.y3d", "Casco003(DIN)"},
        {LOOK_GLOVE_RIGHT, 1, 2, "Modelos\\Objetos Dinamicos\\Guante02R.y3d", "Guante02R(DIN)"},
        {LOOK_BOOT_LEFT, 1, 12, "Modelos\\Objetos Dinamicos\\bota112L.y3d", "bota112L(DIN)"},
        {LOOK_SHOULDER_RIGHT, 1, 5, "Modelos\\Objetos Dinamicos\\Hombrera05R.y3d", "Hombrera05R(DIN)"},
    };
    for (const auto& n : names) {
        char file[128], node[64];
        ASSERT_TRUE(LookPieceNames(n.piece, n.side, n.model, file, sizeof file, node, sizeof node)) << n.piece;
        EXPECT_STREQ(file, n.file);
        EXPECT_STREQ(node, n.node);
    }
    const struct {
        int piece, model, texture;
        const char* name;   // null: the piece keeps its own
    } textures[] = {
        {LOOK_HAIR, 5, 3, "Texturas\\Objetos Dinamicos\\p03.tga"},
        {LOOK_HAIR, 4, 2, "Texturas\\Objetos Dinamicos\\p12.tga"},
        {LOOK_HAIR, 6, 2, nullptr},
        {LOOK_GLASSES, 1, 2, nullptr},
        {LOOK_HELMET, 3, 102, "Texturas\\Objetos Dinamicos\\Casco0102.tga"},
        {LOOK_BRACELET_RIGHT, 4, 400, "Texturas\\Objetos Dinamicos\\Bracelet0400.tga"},
    };
    for (const auto& t : textures) {
        char name[128];
        EXPECT_EQ(LookPieceTextureName(t.piece, t.model, t.texture, name, sizeof name), t.name != nullptr) << t.piece;
        if (t.name) {
            EXPECT_STREQ(name, t.name);
        }
    }
}

TEST_F(LookPiecesTest, PiecesHangOnTheirBonesInPairsAndAHelmetTakesTheHairOff) {
    const Character& helmeted = Dressed(2, Record(true));
    const Character& bare = Dressed(3, Record(false));
    const struct {
        int piece;
        const char* node;
        int bone;
    } pieces[] = {
        {LOOK_GLASSES, "Gafas02(DIN)", 6},       {LOOK_GLOVE_LEFT, "Guante02L(DIN)", 70},
        {LOOK_GLOVE_RIGHT, "Guante02R(DIN)", 90}, {LOOK_BOOT_LEFT, "bota001L(DIN)", 119},
        {LOOK_BOOT_RIGHT, "bota001R(DIN)", 124},  {LOOK_BRACELET_LEFT, "Bracelet04L(DIN)", 69},
        {LOOK_BRACELET_RIGHT, "Bracelet04R(DIN)", 89}, {LOOK_SHOULDER_LEFT, "Hombrera05L(DIN)", 67},
        {LOOK_SHOULDER_RIGHT, "Hombrera05R(DIN)", 87},
    };
    for (const Character* c : {&helmeted, &bare}) {
        for (const auto& p : pieces) {
            SCOPED_TRACE(testing::Message() << "slot " << c->slot << ", " << p.node);
            const CharacterAttachment& a = Worn(*c, p.piece);
            ASSERT_EQ(a.inUse, 1);
            ASSERT_NE(a.object, nullptr);
            EXPECT_STREQ(a.object->name, p.node);
            EXPECT_EQ(a.boneIndex, p.bone);
            EXPECT_TRUE(g_Scene.objects->Contains(a.object));
        }
    }
    EXPECT_EQ(Worn(helmeted, LOOK_HAIR).inUse, 0);
    EXPECT_EQ(Worn(helmeted, LOOK_HAIR).object, nullptr);
    EXPECT_STREQ(Worn(helmeted, LOOK_HELMET).object->name, "Casco003(DIN)");
    EXPECT_EQ(Worn(helmeted, LOOK_HELMET).boneIndex, 6);
    EXPECT_EQ(Worn(bare, LOOK_HELMET).inUse, 0);
    EXPECT_STREQ(Worn(bare, LOOK_HAIR).object->name, "Pelo01(DIN)");
    EXPECT_EQ(Worn(bare, LOOK_HAIR).boneIndex, 6);
    // Ten pieces on one, ten on the other: the helmet's hair is out of the scene.
    EXPECT_EQ(Listed(), 20u);
}

TEST_F(LookPiecesTest, ReTexturingLeavesOneLayerOfThePiecesTexture) {
    const Character& c = Dressed(3, Record(false));
    const Material* hair = PieceMaterial(c, LOOK_HAIR);
    const Material* glove = PieceMaterial(c, LOOK_GLOVE_LEFT);
    ASSERT_NE(hair, nullptr);
    ASSERT_NE(glove, nullptr);
    EXPECT_EQ(hair->description.layerCount, 1u);
    EXPECT_EQ(TextureName(hair->description.layers[0].texture), "TEXTURAS\\OBJETOS DINAMICOS\\P05.TGA");
    const int32_t gloves = glove->description.layers[0].texture;
    EXPECT_EQ(glove->description.layerCount, 1u);
    EXPECT_EQ(glove->description.layers[0].kind, MATERIAL_KIND_BASE);
    EXPECT_EQ(TextureName(gloves), "TEXTURAS\\OBJETOS DINAMICOS\\GUANTE0102.TGA");
    EXPECT_EQ(g_Scene.textures->entries[size_t(gloves)].refs, 2u);   // left and right

    // The same texture again keeps it alive; one that cannot be read leaves the piece as it was.
    LoadLookPieceTexture(3, LOOK_GLOVE_LEFT, 2, 102);
    LoadLookPieceTexture(3, LOOK_GLOVE_LEFT, 2, 999);
    EXPECT_EQ(glove->description.layerCount, 1u);
    EXPECT_EQ(glove->description.layers[0].texture, gloves);
    EXPECT_EQ(g_Scene.textures->entries[size_t(gloves)].refs, 2u);
}

TEST_F(LookPiecesTest, MissingModelsNodesAndRowsLeaveTheSlotsEmpty) {
    const Character& c = Dressed(3, Record(false));
    // No file for hair 7; hair 3's file holds another node.
    for (int model : {7, 3}) {
        g_Menu.LoadLookPiece(3, LOOK_HAIR, model);
        EXPECT_EQ(Worn(c, LOOK_HAIR).inUse, 0) << model;
        EXPECT_EQ(Worn(c, LOOK_HAIR).object, nullptr) << model;
    }
    LoadEquipmentPiece(3, 0, EQUIPMENT_ROWS_PER_KIND);
    LoadEquipmentPiece(3, EQUIPMENT_KIND_COUNT, 1);
    EXPECT_EQ(Worn(c, LOOK_HELMET).inUse, 0);

    PlayerRecord record = Record(true);
    record.look.equipment[1] = EQUIPMENT_ROWS_PER_KIND;
    EXPECT_EQ(GetPlayerEquipment(&record, 1), -1);
    EXPECT_EQ(GetPlayerEquipment(&record, 0), 1);
    EXPECT_EQ(GetPlayerEquipment(&record, EQUIPMENT_KIND_COUNT), -1);
    SetPlayerEquipment(&record, 2, 60);
    SetPlayerEquipment(&record, 3, 53);
    SetPlayerEquipment(&record, -1, 7);
    EXPECT_EQ(record.look.equipment[2], -1);
    EXPECT_EQ(record.look.equipment[3], 53);

    // Without the catalogue no equipment is worn; the hair and the glasses are.
    SetEquipmentRowSource(nullptr);
    const Character& plain = Dressed(4, Record(true));
    EXPECT_EQ(Worn(plain, LOOK_HAIR).inUse, 1);
    EXPECT_EQ(Worn(plain, LOOK_GLASSES).inUse, 1);
    for (int piece = LOOK_HELMET; piece < LOOK_PIECE_COUNT; ++piece) EXPECT_EQ(Worn(plain, piece).inUse, 0) << piece;
}

TEST_F(LookPiecesTest, OnlyAnActiveFighterGivesItsPiecesBackAndADespawnDoes) {
    const uint32_t before = Listed();
    Dressed(2, Record(false));
    Dressed(3, Record(true));
    const uint32_t dressed = Listed();
    for (int slot : {5, -1, MAX_CHARACTERS}) g_Menu.RemoveCharacterLook(slot);
    EXPECT_EQ(Listed(), dressed);
    EXPECT_EQ(Worn(g_Characters[2], LOOK_HAIR).inUse, 1);

    ASSERT_TRUE(g_Characters[2].Despawn());
    EXPECT_EQ(Listed(), dressed - 10);
    g_Menu.RemoveCharacter(3);
    EXPECT_EQ(g_Characters[3].active, 0);
    EXPECT_EQ(Listed(), before);
}

}  // namespace
}  // namespace fightertest
