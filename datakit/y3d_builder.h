// Writes Y3D files for tests: the 1024-byte header and object records with node headers.
// It knows animation files, skeletons, material lists and mesh lists; other blocks can be added in
// the same way.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "common/math.h"
#include "render/geometry.h"

namespace datakit {

constexpr size_t Y3D_HEADER_SIZE = 1024;
constexpr size_t Y3D_RECORD_SIZE = 276;
constexpr size_t Y3D_NODE_HEADER_SIZE = 573;

struct Y3DKey {
    uint16_t frame;
    std::optional<Quat> rotation;
    std::optional<Vec3> position;
};

// One object record with its node header and, for animation files, its keys.
struct Y3DObject {
    std::string name;
    uint32_t typeCode = 0x500;
    uint32_t childCount = 0;
    uint32_t nodesBelow = 0;
    uint32_t animationGroup = 0;
    Mat4 world = Mat4Identity();   // only the first three columns are stored
    TransformParts parts{{0, 0, 0}, {0, 0, 0, 1}, {0, 0, 0, 1}, {1, 1, 1}, 1.0f};
    uint32_t extra[2] = {0, 0};
    uint8_t trackFlags = 0;
    std::optional<uint32_t> keyCount;   // overrides keys.size()
    std::vector<Y3DKey> keys;
};

struct Y3DHeaderFields {
    std::string signature = "QTXMAX";
    uint16_t version = 320;
    std::optional<uint32_t> objectCount;   // overrides the number of objects written
    int32_t length = 0;
    uint32_t firstObject = Y3D_HEADER_SIZE;   // the builder pads up to it: keep it small
    uint32_t geometry = 0;                    // 1: mesh list and both octrees follow the buffers
    uint8_t ambient[3] = {0, 0, 0};           // red, green, blue
};

std::vector<uint8_t> BuildY3DHeader(const Y3DHeaderFields& fields, uint32_t objectCount);
// Appends one object; its next-record offset is the end of what it writes.
void AppendY3DObject(std::vector<uint8_t>* out, const Y3DObject& object);

// A skeleton bone as a tree; Flatten writes it depth-first, a node followed by its subtrees.
struct Y3DBone {
    std::string name;
    TransformParts parts{{0, 0, 0}, {0, 0, 0, 1}, {0, 0, 0, 1}, {1, 1, 1}, 1.0f};
    Mat4 world = Mat4Identity();
    std::vector<Y3DBone> children;
};
// The objects of a skeleton, root first; the root carries the animation group and the count of
// nodes below it.
std::vector<Y3DObject> FlattenSkeleton(const Y3DBone& root, uint32_t animationGroup);
// Just the objects (no header): what Bone::Load reads from its first record on.
std::vector<uint8_t> BuildSkeletonRecords(const Y3DBone& root, uint32_t animationGroup);

// An animation file: one track per node, then the named tracks.
struct Y3DAnimation {
    Y3DHeaderFields header;
    std::vector<Y3DObject> nodes;   // nodes[0].nodesBelow is filled from the count when 0
    std::vector<Y3DObject> named;
    std::vector<uint8_t> Build() const;
};

// A node track with rotation and/or position keys (the track flags follow the keys).
Y3DObject AnimTrackObject(const std::string& name, std::vector<Y3DKey> keys);

// Material records of the material list block, in both stored forms.
struct Y3DMaterialLayer {
    uint32_t kind = 1;
    std::string file;
};
// From format version 310 on: {kind mask, layer count, options}, then 68-byte layers.
struct Y3DMaterial {
    std::optional<uint32_t> kindMask;     // the OR of the layer kinds unless given
    std::optional<uint32_t> layerCount;   // layers.size() unless given
    uint32_t options = 0;
    std::vector<Y3DMaterialLayer> layers;
    std::vector<uint8_t> Build() const;
};
// Before version 310: one 285-byte record.
struct Y3DOldMaterial {
    uint32_t namedCount = 0;        // low byte of the flags
    bool vertexColour = false;      // flag bit 8
    std::string names[4];
    uint32_t types[4] = {0, 0, 0, 0};
    uint8_t totalLayers = 0;        // the byte at 276
    uint8_t options = 0;            // the byte at 281
    std::vector<uint8_t> Build() const;
};
// A u32 count (records.size() unless given), then the records as built.
std::vector<uint8_t> BuildMaterialList(const std::vector<std::vector<uint8_t>>& records,
                                       std::optional<uint32_t> countOverride = std::nullopt);

// One 25-byte mesh record followed by its triangle centres.
struct Y3DMesh {
    uint32_t material = 0;
    uint8_t headerByte = 0;
    uint32_t indexBuffer = 0;
    uint32_t vertexBuffer = 0;
    uint32_t startIndex = 0;
    uint16_t triangleCount = 0;
    uint16_t minVertex = 0;
    uint16_t maxVertex = 0;
    uint16_t flags = 0;
    std::vector<Vec3> centres;   // written as given, whatever the triangle count says
    std::vector<uint8_t> collision;   // a collision mesh's bytes, written after the centres
    std::vector<uint8_t> Build() const;
};
std::vector<uint8_t> BuildMeshList(const std::vector<Y3DMesh>& meshes,
                                   std::optional<uint32_t> countOverride = std::nullopt);

// Just the 573-byte node header of an object (its keys are not written).
std::vector<uint8_t> BuildNodeHeader(const Y3DObject& node);

// Record 0x100: node header, the 32-byte tail (mesh count byte at 4, box at 8) and the meshes.
// The movable kinds: 0x101 the same with the transform in the node header, 0x102 also followed
// by a collision mesh.
struct Y3DMeshNode {
    std::string name;
    float box[6] = {0, 0, 0, 0, 0, 0};        // min x, y, z, max x, y, z
    std::vector<Y3DMesh> meshes;
    std::optional<uint8_t> meshCount;         // meshes.size() unless given
    uint32_t type = 0x100;
    TransformParts parts{{0, 0, 0}, {0, 0, 0, 1}, {0, 0, 0, 1}, {1, 1, 1}, 1.0f};
    std::vector<uint8_t> collision;           // written after the meshes
    std::vector<uint8_t> BuildTail() const;
};

// Records 0x200-0x202: node header, the 29-byte common tail, then 16 bytes of ranges (0x201) or
// 36 bytes of direction, distances and radii (0x200, 0x202).
struct Y3DLight {
    std::string name;
    uint32_t type = 0x201;
    Vec3 position{0, 0, 0};
    float colour[3] = {1, 1, 1};
    float intensity = 1.0f;
    uint8_t shadowTest = 0;
    float ranges[4] = {1, 2, 3, 4};
    Vec3 direction{0, 0, 1};
    float distances[4] = {1, 2, 3, 4};
    float inner = 0.0f, outer = 0.0f;
    std::vector<uint8_t> BuildTail() const;
};

// One object record: name, type code and the tail as built; the next-record offset is
// back-patched to the end of the tail unless given.
struct Y3DRecord {
    std::string name;
    uint32_t type = 0;
    std::vector<uint8_t> tail;
    std::optional<uint32_t> next;
};
Y3DRecord MeshNodeRecord(const Y3DMeshNode& node);
Y3DRecord LightRecord(const Y3DLight& light);
// A record of a kind the loader skips, with a tail of filler bytes.
Y3DRecord OpaqueRecord(const std::string& name, uint32_t type, size_t tailBytes);

// The byte pieces of the surface and element records, shared with the node classes' own tests.
namespace y3drec {

void PutU32(std::vector<uint8_t>* out, uint32_t v);
void PutF32(std::vector<uint8_t>* out, float f);
void PutVec3(std::vector<uint8_t>* out, const Vec3& v);
// The text in a zero-filled field of `size` bytes (cut when longer).
void PutText(std::vector<uint8_t>* out, const std::string& text, size_t size);
std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts);

// The 573-byte node header with a name, a type code and the position at offset 436.
std::vector<uint8_t> NodeHeader(const std::string& name, uint32_t type, const Vec3& position);

// One vertex record {count, FVF, vertices} and one index record {count, buffer, indices}, as the
// surfaces read them (no block count).
std::vector<uint8_t> VertexRecordBytes(uint32_t fvf, const std::vector<uint8_t>& vertices, uint32_t count);
std::vector<uint8_t> IndexRecordBytes(const std::vector<uint16_t>& indices);

// Position, diffuse colour, one texture pair: what the surfaces' files hold.
constexpr uint32_t kSurfaceFvf = 0x142;
struct SurfaceVertex {
    float x, y, z;
    uint32_t colour;
    float u, v;
};
// A quad's four corners as vertex and index records (two triangles).
std::vector<uint8_t> QuadBuffers(const SurfaceVertex (&corners)[4]);
// A horizontal square at height y with half edge h.
std::vector<uint8_t> FlatQuad(float y, float h);

// The 36-byte lava or water record (the second value is the water level; lava does not read it).
std::vector<uint8_t> LavaOrWaterRecord(uint32_t triangles, float second, const float box[6], uint32_t material);

struct MirrorRecordFields {
    uint32_t triangles = 2;
    Vec3 reflection{0, 0, 0};
    uint32_t spare = 0;
    Vec3 axes[3] = {{-1, 0, 0}, {0, 1, 0}, {0, 0, -1}};
    Vec3 position{0, 0, 0};
    float sizeScale = 1.0f;
    uint8_t sizeByte = 2;
    float box[6] = {-1, -1, -0.1f, 1, 1, 0.1f};
    uint32_t material = 0;
};
// The 101-byte mirror record.
std::vector<uint8_t> MirrorRecord(const MirrorRecordFields& f);

}  // namespace y3drec

// Whole object records of the surface, effect and element kinds, buffers included.
// 0x700: node header (position) and the 20-byte tail.
Y3DRecord GlowNodeRecord(const std::string& name, const Vec3& position, float size, const float rgb[3],
                         uint32_t textureNumber);
// 0x400: node header only.
Y3DRecord FlareNodeRecord(const std::string& name, const Vec3& position);
// 0x1000 / 0x1001: node header (named) and the values.
Y3DRecord ElementRecord(const std::string& name, uint32_t type, const std::vector<uint32_t>& values);
// 0x210: the 316-byte record; a name tagged "FLARE" also gets the flare's node header after it.
Y3DRecord TexturedElementRecord(const std::string& name, const std::vector<uint32_t>& values,
                                const std::string& textureFile, const Vec3& flarePosition = {0, 0, 0});
// 0x802 and 0x801: the 36-byte record and a flat quad at height y.
Y3DRecord LavaNodeRecord(const std::string& name, float y, uint32_t material);
Y3DRecord WaterNodeRecord(const std::string& name, float level, uint32_t material);
// 0x800: the 101-byte record and a quad in its plane.
Y3DRecord MirrorNodeRecord(const std::string& name, const y3drec::MirrorRecordFields& fields);

// Where Build put each part, for tests that damage one of them.
struct Y3DSceneLayout {
    size_t materials = 0, vertexBuffers = 0, indexBuffers = 0;
    size_t meshList = 0, renderOctree = 0, collisionOctree = 0;   // with geometry only
    std::vector<size_t> records;
    size_t end = 0;
};

// A whole scene file: header, material list, buffer blocks, the geometry blocks when the header
// says so, and the object records.
struct Y3DSceneFile {
    Y3DHeaderFields header;
    std::vector<uint8_t> materials = {0, 0, 0, 0};
    std::vector<uint8_t> vertexBuffers = {0, 0, 0, 0};
    std::vector<uint8_t> indexBuffers = {0, 0, 0, 0};
    std::vector<uint8_t> meshList = {0, 0, 0, 0};
    std::vector<uint8_t> renderOctree;
    std::vector<uint8_t> collisionOctree;
    std::vector<Y3DRecord> records;
    std::vector<uint8_t> Build(Y3DSceneLayout* layout = nullptr) const;
};

}  // namespace datakit
