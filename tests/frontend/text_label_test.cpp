// Paragraph layout with a fixed-advance measure, and labels rendered with a real face on the
// recording device.
#include <gtest/gtest.h>

#include <string>

#include "frontend/paragraph_layout.h"
#include "frontend/text_label.h"
#include "frontend/texture_font.h"
#include "platform/text/text.h"
#include "screen_2d_fixture.h"
#include "shell/mouse.h"

namespace {

using namespace gfx;

// Ten pixels per byte.
int32_t TenEach(const std::string& s) { return int32_t(s.size()) * 10; }

struct Expected {
    const char* text;
    uint8_t flag;
    int32_t words;
};

void ExpectLines(const char* paragraph, int32_t width, std::initializer_list<Expected> want) {
    SCOPED_TRACE(paragraph);
    const auto lines = LayoutParagraph(paragraph, width, TenEach);
    ASSERT_EQ(lines.size(), want.size());
    size_t i = 0;
    for (const Expected& e : want) {
        SCOPED_TRACE(i);
        EXPECT_EQ(lines[i].text, e.text);
        EXPECT_EQ(lines[i].flag, e.flag);
        EXPECT_EQ(lines[i].words, e.words);
        ++i;
    }
}

TEST(ParagraphLayoutTest, MarkersBreaksAndJustification) {
    ExpectLines("one two|nthree", 500, {{"one two", LINE_LEFT, 2}, {"three", LINE_LEFT, 1}});
    // 12 bytes to a line: full lines are justified, the last one is not.
    ExpectLines("aa bb cc dd ee ff gg", 120,
                {{"aa bb cc dd", LINE_JUSTIFIED, 4}, {"ee ff gg", LINE_LEFT, 3}});
    ExpectLines("ab  cd", 500, {{"ab  cd", LINE_LEFT, 3}});
    ExpectLines("a |xb|| c|", 500, {{"a xb| c", LINE_LEFT, 3}});
}

TEST(ParagraphLayoutTest, CentringLastsUntilTheParagraphBreaks) {
    ExpectLines("aa bb|ccc|ndd", 500, {{"aa bb cc", LINE_CENTRED, 3}, {"dd", LINE_LEFT, 1}});
    ExpectLines("aa|cbb cc dd ee|nff", 60,
                {{"aa bb", LINE_CENTRED, 2}, {"cc dd", LINE_CENTRED, 2}, {"ee", LINE_CENTRED, 1}, {"ff", LINE_LEFT, 1}});
}

TEST(ParagraphLayoutTest, AWordWiderThanTheBoxIsCutOnALineOfItsOwn) {
    ExpectLines("ab abcdefghij cd", 50, {{"ab", LINE_JUSTIFIED, 1}, {"abcde", LINE_LEFT, 1}, {"cd", LINE_LEFT, 1}});
    ExpectLines("abcdefgh", 35, {{"abc", LINE_LEFT, 1}});
}

TEST(ParagraphLayoutTest, LinesAndBytesAreBounded) {
    std::string many;
    for (int i = 0; i < 300; ++i) many += "x|n";
    EXPECT_EQ(LayoutParagraph(many.c_str(), 100, TenEach).size(), size_t(PARAGRAPH_MAX_LINES));
    std::string wide;
    for (int i = 0; i < 300; ++i) wide += "y ";
    for (const ParagraphLine& line : LayoutParagraph(wide.c_str(), 1000000, TenEach))
        EXPECT_LE(line.text.size(), PARAGRAPH_MAX_LINE_BYTES);
    const std::string huge(1000, 'z');
    const auto cut = LayoutParagraph(huge.c_str(), 1000000, TenEach);
    ASSERT_EQ(cut.size(), 1u);
    EXPECT_EQ(cut[0].text.size(), PARAGRAPH_MAX_LINE_BYTES);
}

// The rightmost column with ink in rows [top, bottom) of a label's texture, or -1.
int32_t InkRight(const TextLabel& label, int32_t top, int32_t bottom) {
    LockedRect lr{};
    if (label.texture->LockRect(0, &lr, nullptr, D3DLOCK_READONLY) != D3D_OK) return -2;
    int32_t right = -1;
    for (int32_t y = std::max(top, 0); y < bottom && y < int32_t(label.textureHeight); ++y) {
        const auto* row = reinterpret_cast<const uint16_t*>(static_cast<const uint8_t*>(lr.pBits) + size_t(y) * lr.Pitch);
        for (int32_t x = 0; x < int32_t(label.textureWidth); ++x)
            if (row[x]) right = std::max(right, x);
    }
    label.texture->UnlockRect(0);
    return right;
}

class TextLabelTest : public screentest::Screen2DTest {
protected:
    void SetUp() override {
        Screen2DTest::SetUp();
        Screen(640, 480);
        ResetTextLabels();
        SetTextLabelMode(LABEL_MODE_TEXTURE);
    }
    void TearDown() override {
        ResetTextLabels();
        Screen2DTest::TearDown();
    }
};

TEST_F(TextLabelTest, ASingleLineIsRenderedAsWideAsItMeasures) {
    TextLabel label;
    ASSERT_TRUE(CreateTextLabel(&label, 0.5f, 0.5f, 'C', "Hello World", 4, 2));
    ASSERT_NE(label.texture, nullptr);
    EXPECT_EQ(label.size, 12);
    EXPECT_GT(label.pixelWidth, 60);
    EXPECT_EQ(label.textureWidth, label.pixelWidth <= 128 ? 128u : 256u);
    EXPECT_FLOAT_EQ(label.w, float(label.pixelWidth) / 640.0f);
    const int32_t right = InkRight(label, 0, label.pixelHeight);
    EXPECT_LT(right, label.pixelWidth);
    EXPECT_GE(right, label.pixelWidth - 4);   // the last glyph's side bearing
    // Nothing outside the rendered corner.
    EXPECT_EQ(InkRight(label, label.pixelHeight, int32_t(label.textureHeight)), -1);
}

TEST_F(TextLabelTest, JustifiedParagraphLinesEndAtTheBoxEdge) {
    TextLabel label;
    const char* text = "The quick brown fox jumps over the lazy dog and runs far away into the hills again";
    ASSERT_TRUE(CreateTextParagraph(&label, 0.1f, 0.1f, 0.5f, 0.5f, text, 4, 1));
    EXPECT_EQ(label.alignment, LABEL_PARAGRAPH);
    EXPECT_EQ(label.pixelWidth, 320);
    EXPECT_EQ(label.pixelHeight, 240);
    // Text set afterwards is one line sized to itself.
    {
        TextLabel other;
        ASSERT_TRUE(CreateTextParagraph(&other, 0, 0, 0.5f, 0.5f, "a b", 4, 1));
        other.SetText("Hello");
        EXPECT_LT(other.pixelWidth, 100);
        EXPECT_LT(other.pixelHeight, 40);
    }
    // The label's font: 4 x 3 points at 96 dpi, light, the label face.
    text::FontDesc desc;
    desc.height = -16;
    desc.weight = 100;
    desc.face = "Comic Sans MS";
    text::Font* font = text::CreateFont(desc);
    ASSERT_NE(font, nullptr);
    text::DrawContext dc;
    dc.SelectFont(font);
    text::Size cell{};
    dc.GetTextExtentPoint32("x", 1, &cell);
    const auto lines = LayoutParagraph(text, 320, [&](const std::string& s) {
        text::Size e{};
        dc.GetTextExtentPoint32(s.data(), int32_t(s.size()), &e);
        return e.cx;
    });
    text::DeleteFont(font);
    ASSERT_GE(lines.size(), 2u);
    ASSERT_EQ(lines[0].flag, LINE_JUSTIFIED);
    const int32_t n = int32_t(lines.size());
    const int32_t gap = (240 - n * cell.cy) / (n + 1);
    const int32_t right = InkRight(label, gap, gap + cell.cy);
    EXPECT_LT(right, 320);
    EXPECT_GE(right, 320 - 4);
}

TEST_F(TextLabelTest, TheSameTextAgainRendersNothingAndTheCanvasGoesWithTheLastLabel) {
    const size_t resources = rec->LiveResources();
    TextLabel a, b;
    ASSERT_TRUE(CreateTextLabel(&a, 0, 0, 'I', "One", 3, 1));
    ASSERT_TRUE(CreateTextLabel(&b, 0, 0, 'I', "Two", 3, 1));
    EXPECT_EQ(g_LabelCanvas.users, 2u);
    rec->ClearLog();
    a.visible = 0;
    a.SetText("One");
    EXPECT_EQ(rec->CountCalls(CallKind::CreateTexture), 0u);
    EXPECT_EQ(a.visible, 1);
    a.SetText("Three");
    EXPECT_EQ(rec->CountCalls(CallKind::CreateTexture), 1u);
    EXPECT_EQ(g_LabelCanvas.users, 2u);
    const size_t blocks = rec->StateBlockCount();
    DestroyTextLabel(&a);
    EXPECT_NE(g_LabelCanvas.bitmap, nullptr);
    DestroyTextLabel(&b);
    EXPECT_EQ(g_LabelCanvas.users, 0u);
    EXPECT_EQ(g_LabelCanvas.bitmap, nullptr);
    EXPECT_EQ(rec->StateBlockCount(), blocks - 2);
    EXPECT_EQ(rec->LiveResources(), resources);
    // A label given text without being created gives its texture and canvas back all the same.
    TextLabel loose;
    loose.SetText("Loose");
    EXPECT_EQ(g_LabelCanvas.users, 1u);
    DestroyTextLabel(&loose);
    EXPECT_EQ(g_LabelCanvas.users, 0u);
    EXPECT_EQ(rec->LiveResources(), resources);
}

TEST_F(TextLabelTest, DrawingPlacesTheQuadByAlignmentAndKeepsTheStates) {
    TextLabel label;
    ASSERT_TRUE(CreateTextLabel(&label, 0.5f, 0.25f, 'D', "Right", 3, 40));   // colour past the table
    UnusualStates();
    const screentest::StateSnapshot before(*rec);
    rec->ClearLog();
    DrawTextLabel(&label);
    ASSERT_EQ(rec->Draws().size(), 1u);
    EXPECT_TRUE(screentest::StateSnapshot(*rec).values == before.values);
    const DrawRecord& d = rec->Draws()[0];
    EXPECT_EQ(d.textures[0], label.texture);
    const auto v = screentest::VerticesOf(d);
    // The recording viewport is the device's 64 x 64.
    EXPECT_FLOAT_EQ(v[0].x, 32.0f - float(label.pixelWidth));
    EXPECT_FLOAT_EQ(v[0].y, 16.0f);
    EXPECT_FLOAT_EQ(v[2].u, float(label.pixelWidth) / float(label.textureWidth));
    EXPECT_EQ(v[0].diffuse, FontColors[FONT_COLOURS - 1]);
    label.visible = 0;
    rec->ClearLog();
    DrawTextLabel(&label);
    EXPECT_TRUE(rec->Draws().empty());
}

TEST_F(TextLabelTest, LowerCaseAlignmentLettersPlaceAndHitLikeUpperCaseOnes) {
    // The widgets create their labels with 'c' and 'd'.
    for (const char letter : {'c', 'd', 'i'}) {
        SCOPED_TRACE(letter);
        TextLabel lower, upper;
        ASSERT_TRUE(CreateTextLabel(&lower, 0.5f, 0.25f, uint8_t(letter), "Middle", 3, 1));
        ASSERT_TRUE(CreateTextLabel(&upper, 0.5f, 0.25f, uint8_t(letter - 'a' + 'A'), "Middle", 3, 1));
        rec->ClearLog();
        DrawTextLabel(&lower);
        DrawTextLabel(&upper);
        ASSERT_EQ(rec->Draws().size(), 2u);
        const float left = screentest::VerticesOf(rec->Draws()[0])[0].x;
        EXPECT_FLOAT_EQ(left, screentest::VerticesOf(rec->Draws()[1])[0].x);
        const float expected = letter == 'c' ? 32.0f - float(lower.pixelWidth / 2)
                               : letter == 'd' ? 32.0f - float(lower.pixelWidth) : 32.0f;
        EXPECT_FLOAT_EQ(left, expected);
        // The pointer just left of the anchor is over a centred or right-aligned text only.
        g_Mouse.x = 310;
        g_Mouse.y = 125;
        EXPECT_EQ(lower.IsMouseOver(), letter != 'i');
        g_Mouse = MouseState();
    }
}

TEST_F(TextLabelTest, TheRenderedAreaStaysOnTheCanvas) {
    Screen(4096, 4096);
    TextLabel label;
    ASSERT_TRUE(CreateTextParagraph(&label, 0, 0, 1.0f, 0.5f, "wide box", 3, 1));
    EXPECT_EQ(label.pixelWidth, LABEL_CANVAS_SIZE);
    EXPECT_EQ(label.pixelHeight, LABEL_CANVAS_SIZE);
}

TEST_F(TextLabelTest, FontModeMeasuresNothingForParagraphsAndUnknownModesFail) {
    SetTextLabelMode(LABEL_MODE_FONT);
    TextLabel label;
    EXPECT_TRUE(CreateTextParagraph(&label, 0.2f, 0.3f, 0.4f, 0.1f, "a|nb", 1, 1));
    EXPECT_EQ(label.texture, nullptr);
    EXPECT_FLOAT_EQ(label.w, 0.4f);
    // The box is tested from x, whatever the text: pixels 128 to 384 across, 144 to 192 down.
    g_Mouse.x = 200;
    g_Mouse.y = 170;
    EXPECT_TRUE(label.IsMouseOver());
    g_Mouse.x = 100;
    EXPECT_FALSE(label.IsMouseOver());
    g_Mouse = MouseState();
    SetTextLabelMode(7);
    EXPECT_FALSE(CreateTextLabel(&label, 0, 0, 'I', "x", 1, 1));
    EXPECT_EQ(label.inUse, 1u);
    EXPECT_STREQ(label.text, "x");
    SetTextLabelMode(LABEL_MODE_FONT);
}

}  // namespace
