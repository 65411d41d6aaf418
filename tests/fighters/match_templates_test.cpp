// The match's mode templates taken out of the scene's lists, on the recording device.
#include <gtest/gtest.h>

#include "core/pack_file.h"
#include "fighters/match.h"
#include "scene/object_list.h"
#include "scene/scene.h"
#include "scene/scene_element_records.h"
#include "scene/scene_node.h"
#include "datakit/scenario_files.h"
#include "support/temp_dir.h"

namespace {

class MatchTemplatesTest : public fxtest::FxDeviceTest {
protected:
    void SetUp() override {
        fxtest::FxDeviceTest::SetUp();
        ResetMatch();
        // Two of the seventeen and one of the collidable three are there; the symbol's file holds a
        // second node that stays in the scene.
        Write("symbol0", {"symbol0(DIN)", "Base"});
        Write("reloj", {"reloj(DIN)"});
        Write("pedestal0", {"pedestal0(DINCOL)"});
    }
    void TearDown() override {
        ResetMatch();
        ResetPackFiles();
        fxtest::FxDeviceTest::TearDown();
    }
    void Write(const std::string& name, const std::vector<std::string>& nodes) const {
        const std::vector<uint8_t> bytes = datakit::NamedNodesFile(nodes);
        dir.Write("Modelos/Objetos Dinamicos/" + name + ".y3d", std::string(bytes.begin(), bytes.end()));
    }
    static int Listed(const char* name) {
        int n = 0;
        for (ObjectListNode* node = g_Scene.objects->head; node; node = node->next)
            if (node->object && node->object->name && std::string(node->object->name) == name) ++n;
        return n;
    }

    ScopedWorkDir dir;
};

TEST_F(MatchTemplatesTest, SetupHoldsTheTemplatesOutOfTheSceneAndASecondSetupReplacesThem) {
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        g_Match.Setup(0, 0);
        SceneNode* symbol = g_Match.modeTemplates[TEMPLATE_SYMBOL0];
        ASSERT_NE(symbol, nullptr);
        EXPECT_STREQ(symbol->name, "symbol0(DIN)");
        ASSERT_NE(g_Match.modeTemplates[TEMPLATE_CLOCK], nullptr);
        EXPECT_STREQ(g_Match.modeTemplates[TEMPLATE_CLOCK]->name, "reloj(DIN)");
        for (int i = 0; i < MATCH_MODE_TEMPLATES; ++i) {
            if (i != TEMPLATE_SYMBOL0 && i != TEMPLATE_CLOCK) {
                EXPECT_EQ(g_Match.modeTemplates[i], nullptr) << i;
            }
        }
        // Only the collidable list is searched for the collidable tags.
        EXPECT_EQ(g_Match.collidableTemplates[TEMPLATE_PEDESTAL0], nullptr);
        EXPECT_EQ(Listed("symbol0(DIN)"), 0);
        EXPECT_EQ(Listed("Base"), round);
    }
    g_Match.Release();
    for (SceneNode* t : g_Match.modeTemplates) EXPECT_EQ(t, nullptr);
}

}  // namespace
