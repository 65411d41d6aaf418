#include "datakit/scenario_files.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "datakit/image_writer.h"
#include "datakit/pack_writer.h"
#include "datakit/y3d_builder.h"
#include "datakit/y3d_octree_builder.h"

namespace datakit {

namespace {

constexpr uint16_t kVersion = 320;

Y3DRecord NamedNode(const std::string& name) {
    Y3DMeshNode node;
    node.name = name;
    return MeshNodeRecord(node);
}

std::string ScenarioName(int number) {
    char name[32];
    std::snprintf(name, sizeof name, "Escenario%02d", number);
    return name;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    WriteBytes(path, bytes);
}

}  // namespace

std::vector<uint8_t> FloorSceneFile(float half, float y, const std::vector<std::string>& nodeNames,
                                    int texturedElements, const std::vector<Y3DRecord>& more) {
    Y3DSceneFile f;
    f.header.version = kVersion;
    f.header.geometry = 1;
    // One leaf wide enough for any floor the tests ask for.
    const int32_t corner[3] = {-512, -512, -512};
    std::vector<OctreeNodeDesc> render = GridOctree(0, corner, 10);
    f.renderOctree = BuildRenderOctreeBlock(render);
    std::vector<OctreeNodeDesc> collision = GridOctree(0, corner, 10);
    collision[0].first = 0;
    collision[0].itemCount = 1;
    CollisionMeshDesc floor;
    floor.AddFace(0, {{-half, y, -half}, {half, y, -half}, {half, y, half}, {-half, y, half}}, {0, 1, 0});
    f.collisionOctree = BuildCollisionOctreeBlock(collision, {floor}, kVersion);
    for (const std::string& name : nodeNames) f.records.push_back(NamedNode(name));
    for (int i = 0; i < texturedElements; ++i)
        f.records.push_back(TexturedElementRecord("Adorno" + std::to_string(i), {1, 2, 3}, "ADORNO.TGA"));
    f.records.insert(f.records.end(), more.begin(), more.end());
    return f.Build();
}

Y3DRecord SpringRecord(uint32_t subtype, const Vec3& at) {
    uint32_t bits[3];
    std::memcpy(bits, &at, sizeof bits);
    return ElementRecord(subtype == 1 ? "Fuente vida" : "Fuente energia", 0x1001, {bits[0], bits[1], bits[2], subtype});
}

std::vector<uint8_t> NamedNodesFile(const std::vector<std::string>& nodeNames) {
    Y3DSceneFile f;
    f.header.version = kVersion;
    for (const std::string& name : nodeNames) f.records.push_back(NamedNode(name));
    return f.Build();
}

void ScenarioFiles::Write() const {
    const std::string name = ScenarioName(number);
    const std::string models = "Modelos/Escenarios/" + name + "/";
    char numbered[16];
    std::snprintf(numbered, sizeof numbered, "%02d", number);

    WriteFile(models + name + ".y3d", FloorSceneFile(floorHalf, floorY, sceneNodes, texturedElements, elements));
    if (sky) WriteFile(models + "Cielo" + numbered + ".y3d", NamedNodesFile(skyNodes));
    if (lights) {
        Y3DSceneFile f;
        f.header.version = kVersion;
        Y3DLight lamp;
        lamp.name = "Lampara";
        lamp.position = {0, 5, 0};
        f.records.push_back(LightRecord(lamp));
        WriteFile(models + "Luces" + numbered + ".y3d", f.Build());
    }
    for (int k : merges) {
        char part[16];
        std::snprintf(part, sizeof part, "Merge%02d", k);
        WriteFile(models + part + ".y3d", NamedNodesFile({part}));
    }
    if (fogTexture)
        WriteFile("Texturas/Escenarios/" + name + "/Fog.tga", TgaFile(SolidPicture(4, 4, 0xff808080u)));
    for (const std::string& file : bubbleFiles) {
        const std::string stem = file.substr(0, file.find('.'));
        WriteFile("Modelos/Objetos Dinamicos/" + file, NamedNodesFile({"HellBubble(DIN)", stem}));
    }
}

}  // namespace datakit
