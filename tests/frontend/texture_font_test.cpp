// The texture font on the recording device, with the test font: at 15 points (20 pixels to the
// em at 96 dpi) every glyph cell is 24 pixels high and as wide as the glyph's advance: space 5,
// 'A' 10, 'B' 12, 'W' 20, e acute 9, the euro sign 14, every other character (the missing
// glyph) 10. Cells are packed left to right with one pixel between them into a 512 x 512
// texture, so the first row holds space at x 0, '!' to '@' at 6 + 11 i, 'A' at 358, 'B' at
// 369, 'C' to 'M' at 382 + 11 i ('M' at 492); 'N' does not fit (503 + 10 + 1 > 512) and starts
// the second row at y 25, where 'W' lies at x 99.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "frontend/text_table.h"
#include "frontend/texture_font.h"
#include "platform/gfx/recording_device.h"
#include "render/video.h"
#include "core/settings.h"
#include "support/temp_dir.h"
#include "test_font.h"

namespace {

using namespace gfx;

struct Vtx {
    float x, y, z, rhw;
    uint32_t colour;
    float u, v;
};

// A quad as drawn: left, top, right, bottom in pixels and the texture rectangle.
struct Quad {
    float x0, y0, x1, y1;
    float u0, v0, u1, v1;
    uint32_t colour;
};

class TextureFontTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fonttest::RegisterTestFont());
        ResetRecordingFactory();
        g_Settings.Clear();
        g_TextTable.Reset();
        g_Font.Release();
        g_Font.Zero();
        g_Video.Zero();
        GetRecordingFactory().config.caps.MaxTextureWidth = 2048;
        GetRecordingFactory().config.caps.MaxTextureHeight = 2048;
        ASSERT_EQ(CreateRecordingDevice(RecordingDeviceParams(640, 480), &rec), D3D_OK);
        g_Video.device = rec;
        ASSERT_EQ(rec->BeginScene(), D3D_OK);
    }

    void TearDown() override {
        g_Font.Release();
        g_Video.device = nullptr;
        if (rec) rec->Release();
        g_Video.Zero();
        g_TextTable.Reset();
        g_Settings.Clear();
        ResetRecordingFactory();
    }

    void CreateTestFont() {
        ASSERT_TRUE(g_Font.Create(fonttest::kFamily, 15, 0));
        rec->ClearLog();
    }

    std::vector<Quad> Quads() const {
        std::vector<Quad> out;
        for (const DrawRecord& d : rec->Draws()) {
            std::vector<Vtx> v(d.vertexData.size() / sizeof(Vtx));
            if (!v.empty()) std::memcpy(v.data(), d.vertexData.data(), v.size() * sizeof(Vtx));
            if (v.size() != 6) {
                ADD_FAILURE() << "a draw of " << v.size() << " vertices";
                continue;
            }
            out.push_back({v[0].x, v[0].y, v[2].x, v[2].y, v[0].u, v[0].v, v[2].u, v[2].v, v[0].colour});
        }
        return out;
    }

    static GlyphRect Cell(float x, float y, float w, float h = 24.0f, float size = 512.0f) {
        return {x / size, y / size, (x + w) / size, (y + h) / size};
    }

    RecordingDevice* rec = nullptr;
};

void ExpectRect(const GlyphRect& got, const GlyphRect& want) {
    EXPECT_TRUE(got.left == want.left && got.top == want.top && got.right == want.right && got.bottom == want.bottom)
        << got.left * 512 << "," << got.top * 512 << " - " << got.right * 512 << "," << got.bottom * 512;
}

// ---- Create -------------------------------------------------------------------------------

TEST_F(TextureFontTest, TextureSizeFollowsTheHeightAndGrowsForGlyphsThatDoNotFit) {
    struct Case {
        int32_t height;
        uint32_t size;
    };
    // At 40 points (53 pixels to the em) the test font's cells are 64 high and mostly 27 wide:
    // 18 to a row of 512, 13 rows, 845 pixels: they do not fit the 512 that the height asks for
    // and the texture grows to 1024 (36 to a row, 7 rows).
    for (const Case& c : {Case{14, 256}, Case{28, 512}, Case{40, 1024}}) {
        SCOPED_TRACE(c.height);
        ASSERT_TRUE(g_Font.Create(fonttest::kFamily, c.height, 0));
        EXPECT_EQ(g_Font.textureWidth, c.size);
        EXPECT_EQ(g_Font.textureHeight, c.size);
        EXPECT_EQ(rec->LiveResources(), 1u);   // the font made before went
    }
}

TEST_F(TextureFontTest, FailuresLeaveNothingBehind) {
    rec->FailNext(CallKind::CreateTexture, E_OUTOFMEMORY);
    EXPECT_FALSE(g_Font.Create(fonttest::kFamily, 15, 0));
    EXPECT_EQ(g_Font.texture, nullptr);
    EXPECT_EQ(rec->LiveResources(), 0u);
    EXPECT_EQ(rec->StateBlockCount(), 0u);
    // A height no font can take.
    EXPECT_FALSE(g_Font.Create(fonttest::kFamily, 100000, 0));
    EXPECT_EQ(rec->LiveResources(), 0u);
    EXPECT_FALSE(g_Font.Create(nullptr, 15, 0));
    // Without a device.
    g_Video.device = nullptr;
    EXPECT_FALSE(g_Font.Create(fonttest::kFamily, 15, 0));
    EXPECT_TRUE(g_Font.DrawText(0, 0, 0xFFFFFFFF, 0, "A"));
    EXPECT_FLOAT_EQ(g_Font.TextWidth("A", 1, 2), 0.0f);
    g_Video.device = rec;
}

// ---- State blocks -------------------------------------------------------------------------

TEST_F(TextureFontTest, RestoreRecordsTheBlocksAnewAndReleaseFreesEverything) {
    CreateTestFont();
    uint32_t draw = g_Font.drawBlock;
    g_Font.RestoreDeviceObjects();
    EXPECT_EQ(rec->StateBlockCount(), 2u);   // the old ones were deleted
    EXPECT_NE(g_Font.drawBlock, draw);
    g_Font.Release();
    EXPECT_EQ(rec->StateBlockCount(), 0u);
    EXPECT_EQ(rec->LiveResources(), 0u);
    g_Font.Release();   // again: nothing to do
    rec->ClearLog();
    EXPECT_TRUE(g_Font.DrawText(0, 0, 0xFFFFFFFF, 0, "A"));
    EXPECT_TRUE(rec->Draws().empty());
}

TEST_F(TextureFontTest, DrawingUsesTheFontStatesAndRestoresTheDevice) {
    CreateTestFont();
    Texture* other = nullptr;
    ASSERT_EQ(rec->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &other), D3D_OK);
    rec->SetTexture(0, other);
    rec->SetRenderState(D3DRS_ZENABLE, 1);
    rec->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_ANISOTROPIC);
    for (uint32_t flags : {0u, FONT_FILTERED}) {
        SCOPED_TRACE(flags);
        rec->ClearLog();
        ASSERT_TRUE(g_Font.DrawText(10, 20, 0xFF00FF00, flags, "A"));
        ASSERT_EQ(rec->Draws().size(), 1u);
        const DrawRecord& d = rec->Draws()[0];
        EXPECT_EQ(d.textures[0], g_Font.texture);
        EXPECT_EQ(d.RenderState(D3DRS_ALPHABLENDENABLE), 1u);
        EXPECT_EQ(d.RenderState(D3DRS_ZENABLE), 0u);
        EXPECT_EQ(d.RenderState(D3DRS_CULLMODE), uint32_t(D3DCULL_NONE));
        EXPECT_EQ(d.StageState(0, D3DTSS_MAGFILTER), flags ? uint32_t(D3DTEXF_LINEAR) : uint32_t(D3DTEXF_POINT));
        // Everything is as it was.
        EXPECT_EQ(rec->TextureAt(0), other);
        EXPECT_EQ(rec->RenderState(D3DRS_ZENABLE), 1u);
        EXPECT_EQ(rec->StageState(0, D3DTSS_MAGFILTER), uint32_t(D3DTEXF_ANISOTROPIC));
    }
    other->Release();
}

// ---- DrawText -----------------------------------------------------------------------------

TEST_F(TextureFontTest, DrawTextPlacesOneQuadPerCharacterAtTheCellSize) {
    CreateTestFont();
    // Bytes below 32 are skipped without moving the pen.
    ASSERT_TRUE(g_Font.DrawText(10, 20, 0xFF00FF00, 0, "AB\n\tW"));
    std::vector<Quad> q = Quads();
    ASSERT_EQ(q.size(), 3u);
    struct Want {
        float x0, x1;
        GlyphRect cell;
    };
    const Want want[3] = {{10, 20, Cell(358, 0, 10)}, {20, 32, Cell(369, 0, 12)}, {32, 52, Cell(99, 25, 20)}};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const Quad& g = q[size_t(i)];
        EXPECT_TRUE(g.x0 == want[i].x0 && g.x1 == want[i].x1 && g.y0 == 20.0f && g.y1 == 44.0f);
        ExpectRect({g.u0, g.v0, g.u1, g.v1}, want[i].cell);
        EXPECT_EQ(g.colour, 0xFF00FF00u);
    }
}

TEST_F(TextureFontTest, AccentedCharactersDrawFromTheirOwnCells) {
    CreateTestFont();
    ASSERT_TRUE(g_Font.DrawText(0, 0, 0xFFFFFFFF, 0, "\xE9\x80\xE8"));
    std::vector<Quad> q = Quads();
    ASSERT_EQ(q.size(), 3u);
    EXPECT_FLOAT_EQ(q[0].x1 - q[0].x0, 9.0f);
    EXPECT_FLOAT_EQ(q[1].x1 - q[1].x0, 14.0f);
    EXPECT_NE(q[0].u0, q[2].u0) << "e acute and e grave have cells of their own";
    EXPECT_FLOAT_EQ(g_Font.TextWidth("\xE9", 1, 2), 9 * 0.4f / 640);
}

// ---- Scaled text, measuring and Print -----------------------------------------------------
// On the 640 x 480 viewport one line at scale 2 is 0.02 x 480 = 9.6 pixels high, so a glyph is
// drawn 0.4 times its cell: 'A' 4 pixels wide, 'B' 4.8.

TEST_F(TextureFontTest, PrintAlignsAtTheGivenPoint) {
    CreateTestFont();
    struct Case {
        uint8_t align;
        float firstLeft, lastRight;
    };
    // "AB" is 8.8 pixels wide at scale 2; x = 0.5 is pixel 320.
    for (const Case& c : {Case{'D', 311.2f, 320.0f}, Case{'c', 315.6f, 324.4f}, Case{'?', 320.0f, 328.8f}}) {
        SCOPED_TRACE(c.align);
        rec->ClearLog();
        g_Font.Print(2, 5, 0.5f, 0.25f, 0, "AB", c.align, false);
        std::vector<Quad> q = Quads();
        ASSERT_EQ(q.size(), 2u);
        EXPECT_NEAR(q[0].x0, c.firstLeft, 1e-3);
        EXPECT_NEAR(q[1].x1, c.lastRight, 1e-3);
        EXPECT_FLOAT_EQ(q[0].y0, 120.0f);
        EXPECT_EQ(q[0].colour, FontColors[5]);
    }
    EXPECT_FLOAT_EQ(g_Font.TextWidth(nullptr, 3, 2), -1.0f);
}

TEST_F(TextureFontTest, TheShadowGoesFirstInColourZeroOffsetByAThousandth) {
    CreateTestFont();
    g_Font.Print(2, 5, 0.5f, 0.25f, 0, "A", 'I', true);
    std::vector<Quad> q = Quads();
    ASSERT_EQ(q.size(), 2u);
    EXPECT_EQ(q[0].colour, 0xFF000046u);
    EXPECT_NEAR(q[0].x0, 320.64f, 1e-3);
    EXPECT_NEAR(q[0].y0, 120.48f, 1e-3);
    EXPECT_EQ(q[1].colour, 0xFFFF0000u);
    EXPECT_FLOAT_EQ(q[1].x0, 320.0f);
}

TEST_F(TextureFontTest, PrintTakesTextsByNumberFromTheTextTable) {
    CreateTestFont();
    ScopedWorkDir dir;
    dir.Write("textos.txt", "TXT0007\"AB\";TXT0008\"\";");
    g_TextTable.Load("textos.txt");
    g_Font.Print(2, 5, 0.1f, 0.1f, 7, nullptr, 'I', false);
    EXPECT_EQ(rec->Draws().size(), 2u);
    // Numbers outside the table or without a text draw nothing.
    for (int32_t id : {1500, 9}) {
        rec->ClearLog();
        g_Font.Print(2, 5, 0.1f, 0.1f, id, nullptr, 'C', true);
        EXPECT_TRUE(rec->Draws().empty()) << id;
    }
}

TEST_F(TextureFontTest, ScaleAndColourNumbersOutsideTheTablesAreHeldToTheirEnds) {
    CreateTestFont();
    g_Font.Print(50, 99, 0.0f, 0.0f, 0, "A", 'I', false);
    g_Font.Print(-4, -1, 0.0f, 0.0f, 0, "A", 'I', false);
    std::vector<Quad> q = Quads();
    ASSERT_EQ(q.size(), 2u);
    EXPECT_EQ(q[0].colour, FontColors[18]);
    EXPECT_NEAR(q[0].y1 - q[0].y0, 0.055f * 480, 1e-3);
    EXPECT_EQ(q[1].colour, FontColors[0]);
    EXPECT_NEAR(q[1].y1 - q[1].y0, 0.010f * 480, 1e-3);
}

}  // namespace
