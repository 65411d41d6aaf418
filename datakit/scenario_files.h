// Writes the files of one scenario into the working folder for tests: its scene file (a square
// floor with collision, the named nodes asked for and textured elements), sky, lights, merge
// parts, fog texture and lava-bubble models.
#pragma once

#include <string>
#include <vector>

#include "common/math.h"
#include "datakit/y3d_builder.h"

namespace datakit {

// A scene file with a horizontal square floor of half edge `half` at height `y`, centred on the
// origin, with a collision mesh under it; then one mesh node per name (no geometry), the
// textured elements and the further records.
std::vector<uint8_t> FloorSceneFile(float half, float y, const std::vector<std::string>& nodeNames,
                                    int texturedElements = 0, const std::vector<Y3DRecord>& more = {});
// A spring element (subtype 1 health, 2 energy) at a point.
Y3DRecord SpringRecord(uint32_t subtype, const Vec3& at);
// A scene file of mesh nodes with the names and nothing else; none at all gives a file that
// adds nothing to the scene.
std::vector<uint8_t> NamedNodesFile(const std::vector<std::string>& nodeNames);

struct ScenarioFiles {
    int number = 0;
    float floorHalf = 20.0f;
    float floorY = 0.0f;
    std::vector<std::string> sceneNodes = {"Suelo"};
    int texturedElements = 0;
    bool sky = false;
    std::vector<std::string> skyNodes = {"Cielo"};   // empty: a sky file that adds nothing
    bool lights = false;
    std::vector<int> merges;                         // merge parts written, each with node "MergeNN"
    bool fogTexture = false;
    // Bubble files written into "Modelos\Objetos Dinamicos\", each holding "HellBubble(DIN)" and
    // a node named after the file (without extension) to tell them apart.
    std::vector<std::string> bubbleFiles;
    // Further records of the scene file (springs, portals).
    std::vector<Y3DRecord> elements;

    // Into the working folder, with the game's folder names.
    void Write() const;
};

}  // namespace datakit
