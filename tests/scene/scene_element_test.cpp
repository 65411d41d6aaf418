// Name tags and the element records.
#include <gtest/gtest.h>

#include "scene/scene_element.h"
#include "scene_element_records.h"

namespace {

using namespace fxtest;

TEST(HasNameTagTest, TagRuleExamples) {
    struct Case {
        const char* name;
        const char* tag;
        bool expected;
    };
    const Case cases[] = {
        {"(FLARE)", "FLARE", true},
        {"Sun(SOL:2)", "SOL", true},
        {"FLARE", "FLARE", false},          // no "(" before it
        {"X(SOLAR", "SOL", false},          // nothing closes it
        {"SOL)", "SOL", false},             // the tag at the first position
        {"A(SOL_B:", "SOL", true},
        {"SOL(SOL)", "SOL", false},         // only the first occurrence counts
        {"A(B)SOL", "SOL", false},          // the ")" before the tag does not count
        {"", "SOL", false},
        {"(SOL)", "", false},
        {nullptr, "SOL", false},
        {"(SOL)", nullptr, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HasNameTag(c.name, c.tag), c.expected)
            << (c.name ? c.name : "null") << " / " << (c.tag ? c.tag : "null");
}

class SceneElementTest : public FxDeviceTest {};

std::vector<uint8_t> ElementBytes(const std::string& name, uint32_t type, int n, uint32_t first) {
    std::vector<uint8_t> bytes = NodeHeader(name, type, {0, 0, 0});
    for (int i = 0; i < n; ++i) PutU32(&bytes, first + uint32_t(i) * 0x01010101u);
    return bytes;
}

// The four-value kind is checked through the scene loader.
TEST_F(SceneElementTest, AnEightValueElementTakesItsNameAndValues) {
    std::vector<uint8_t> bytes = ElementBytes("Spawn1", 0x1000, 8, 0x11);
    bytes.push_back(0xAB);   // the next record starts here
    auto f = datakit::EntryOf(bytes);
    SceneElement8 e;
    ASSERT_TRUE(e.Load(f->Reader()));
    EXPECT_EQ(long(f->Reader().Tell()), long(bytes.size() - 1));
    EXPECT_STREQ(e.name, "Spawn1");
    EXPECT_EQ(e.values[7], 0x11 + 7 * 0x01010101u);
}

TEST_F(SceneElementTest, ShortElementRecordsAreRefused) {
    ExpectEveryPrefixRefused(ElementBytes("E", 0x1000, 8, 1), 13, [](BinaryReader& f) { return SceneElement8().Load(f); });
    ExpectEveryPrefixRefused(ElementBytes("E", 0x1001, 4, 1), 13, [](BinaryReader& f) { return SceneElement4().Load(f); });
}

TEST_F(SceneElementTest, TexturedElementNameWithoutTerminatorIsBounded) {
    std::vector<uint8_t> bytes(60, 0);
    bytes.resize(316, 'A');   // 256 letters, no zero
    auto f = datakit::EntryOf(bytes);
    TexturedElement e;
    EXPECT_TRUE(e.Load(f->Reader()));   // the texture is missing: -1
    EXPECT_EQ(e.texture, -1);
    ExpectEveryPrefixRefused(bytes, 17, [](BinaryReader& s) { return TexturedElement().Load(s); });
}

}  // namespace
