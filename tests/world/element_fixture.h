// The item and element-map tests' set-up: the props' fixture (fighter arena as scenario 1 with its
// path map, recorders, clock, prop templates), the 58 item models, a scratch working folder for
// element files, and the element map, items, line-up and play-test byte back at their start.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <vector>

#include "core/pack_file.h"
#include "frontend/line_up.h"
#include "platform/os/path.h"
#include "prop_fixture.h"
#include "datakit/element_kit.h"
#include "support/item_models.h"
#include "datakit/pack_writer.h"
#include "support/temp_dir.h"
#include "support/path_map_builder.h"
#include "support/pmap_writer.h"
#include "datakit/scenario_files.h"
#include "datakit/y3d_builder.h"
#include "world/element_map.h"
#include "world/item.h"
#include "world/map_editor.h"
#include "world/world_seams.h"

namespace elementtest {

using datakit::ElementBytes;
using testsupport::Recorder;

class ElementTest : public proptest::PropTest {
protected:
    void SetUp() override {
        proptest::PropTest::SetUp();
        testsupport::InstallItemModels();
        // The kit's folder holds the skeletons, already loaded; element files go elsewhere.
        dir_.emplace();
    }
    void TearDown() override {
        dir_.reset();
        ResetElementMap();
        ResetItems();
        ResetLineUp();
        ResetLineUpCalls();
        g_MapEditor.playTest = 0;
        os::SetWriteLimitForTests(-1);
        ResetPackFiles();
        proptest::PropTest::TearDown();
    }

    static std::vector<const ElementRecord*> Records() {
        std::vector<const ElementRecord*> out;
        for (const ElementRecord* r = g_ElementMap.list.First(); r; r = g_ElementMap.list.Next(r)) out.push_back(r);
        return out;
    }
    // A record at the centre of an arena cell (floor 0) with the facing in its block.
    static ElementBytes At(uint32_t gameKind, uint32_t elementKind, uint32_t subtype, int32_t x, int32_t z,
                           float facing = 0.0f) {
        ElementBytes r;
        r.gameKind = gameKind;
        r.elementKind = elementKind;
        r.subtype = subtype;
        r.cell = {x, z, 0};
        r.position = {float(x) + 0.5f, 0.0f, float(z) + 0.5f};
        r.block[1] = facing;
        return r;
    }
    static void WriteFile(const std::vector<ElementBytes>& records, uint32_t version = ELEMENT_FILE_VERSION) {
        datakit::WriteScenarioElementFile(1, datakit::ElementFileBytes(version, 0, records));
    }
    template <typename T, size_t N>
    static int CountActive(const T (&records)[N]) {
        int n = 0;
        for (const T& r : records) n += r.active;
        return n;
    }
    static uint32_t U32At(const std::vector<uint8_t>& e, size_t at) {
        uint32_t u;
        std::memcpy(&u, e.data() + at, sizeof u);
        return u;
    }

    std::optional<ScopedWorkDir> dir_;
};

// A model file holding one movable mesh named after it, as the item and prop folders hold them.
inline void WriteModel(const std::string& folder, const std::string& name) {
    std::filesystem::create_directories(folder);
    datakit::Y3DSceneFile file;
    datakit::Y3DMeshNode node;
    node.name = name + " (DIN)";
    node.type = 0x101;
    file.records.push_back(datakit::MeshNodeRecord(node));
    ASSERT_TRUE(datakit::WriteBytes(folder + "/" + name + ".y3d", file.Build()));
}

// Scenario 1 as files: a flat floor of 40 x 40 cells from -20, the models of items 3 and 21 and of
// the small box.
inline void WriteFloorScenario() {
    datakit::ScenarioFiles files;
    files.number = 1;
    files.Write();
    PathMap floor;
    testsupport::PathMapBuilder(40, 40, 20.0f, 20.0f).Area(0, 0, 39, 39, 0.0f).Build(&floor);
    ASSERT_TRUE(datakit::WriteBytes("Modelos/Escenarios/Escenario01/pmap.dat", testsupport::PmapBytes(floor)));
    WriteModel("Modelos/Items", "item03");
    WriteModel("Modelos/Items", "item21");
    WriteModel("Modelos/Objetos Dinamicos", "Caja de 1m");
}
// A record of an arena cell moved onto the floor's cell of the same number (cell 22 is world 2).
inline ElementBytes OnFloor(ElementBytes r) {
    r.position.x -= 20.0f;
    r.position.z -= 20.0f;
    return r;
}

}  // namespace elementtest
