// Solid low-poly geometry for the demo data: boxes, quads and wedges with their shading baked
// into the vertex colours (the demo's materials draw vertex colour, or a texture, unlit), and the
// model files built from it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/math.h"
#include "datakit/y3d_builder.h"
#include "datakit/y3d_octree_builder.h"

namespace demodata {

// Position, normal, diffuse colour, one texture pair.
constexpr uint32_t MESH_FVF = 0x152;

struct MeshVertex {
    Vec3 p, n;
    uint32_t colour;
    float u, v;
};

struct UvRect {
    float u0 = 0, v0 = 0, u1 = 1, v1 = 1;
};

class Geometry {
public:
    // A convex polygon (3 or 4 corners, counter-clockwise seen from its front); the colour is
    // darkened by how far its normal turns from straight up.
    void Polygon(const std::vector<Vec3>& corners, uint32_t colour, UvRect uv = {});
    void Box(const Vec3& min, const Vec3& max, uint32_t colour, UvRect uv = {});
    // A ramp-shaped solid over x0..x1, z0..z1 whose top rises from y0 to y1 along +x.
    void Wedge(float x0, float x1, float z0, float z1, float base, float y0, float y1, uint32_t colour);
    // A low-poly sphere of `rings` bands and `segments` slices.
    void Sphere(const Vec3& centre, float radius, int rings, int segments, uint32_t colour);
    // A square floor split into tiles of two colours.
    void Checker(float x0, float z0, float x1, float z1, float y, float tile, uint32_t a, uint32_t b);

    const std::vector<MeshVertex>& Vertices() const { return vertices_; }
    const std::vector<uint16_t>& Indices() const { return indices_; }
    uint16_t TriangleCount() const { return uint16_t(indices_.size() / 3); }
    std::vector<Vec3> Centres() const;
    std::vector<uint8_t> VertexBytes() const;

private:
    std::vector<MeshVertex> vertices_;
    std::vector<uint16_t> indices_;
};

// Scales the colour's red, green and blue by f (alpha kept).
uint32_t Shade(uint32_t argb, float f);

// The light grain texture that the vertex colours tint; every texture folder the models load
// from holds a copy. A material of vertex colour alone is drawn too, but its one stage modulates
// the current colour, which at the first stage is the vertex colour itself: the colours would
// come out squared, darker than chosen.
constexpr const char* GRAIN_TEXTURE = "Grano.tga";
std::vector<uint8_t> ColourMaterial();
// A material of one base texture.
std::vector<uint8_t> TextureMaterial(const std::string& file);

// A model file of one mesh node (0x100 plain, 0x101 movable, 0x102 movable and solid; the solid
// kind also carries the geometry as its collision mesh) named `node`, at the origin.
std::vector<uint8_t> MeshModelFile(const std::string& node, uint32_t type, const Geometry& g,
                                   const std::vector<uint8_t>& material = ColourMaterial());

// The collision faces of the geometry, one group of type mask 1.
datakit::CollisionMeshDesc CollisionOf(const Geometry& g);

}  // namespace demodata
