#include "geometry.h"

#include <algorithm>
#include <cmath>

#include "datakit/buffer_block_writer.h"
#include "datakit/y3d_octree_builder.h"

namespace demodata {

using namespace datakit;

uint32_t Shade(uint32_t argb, float f) {
    auto channel = [&](int shift) {
        const float c = float((argb >> shift) & 0xFF) * f;
        return uint32_t(std::clamp(c, 0.0f, 255.0f)) << shift;
    };
    return (argb & 0xFF000000u) | channel(16) | channel(8) | channel(0);
}

void Geometry::Polygon(const std::vector<Vec3>& corners, uint32_t colour, UvRect uv) {
    if (corners.size() < 3) return;
    const Vec3 n = Vec3Normalize(Vec3Cross(Vec3Sub(corners[1], corners[0]), Vec3Sub(corners[2], corners[0])));
    // A fixed light from above and a little to the side, so that faces of a box differ.
    const float light = 0.55f + 0.3f * n.y + 0.15f * (0.6f * n.x + 0.8f * n.z);
    const uint32_t shaded = Shade(colour, std::clamp(light, 0.3f, 1.0f));
    const uint16_t base = uint16_t(vertices_.size());
    const float us[4] = {uv.u0, uv.u1, uv.u1, uv.u0};
    const float vs[4] = {uv.v1, uv.v1, uv.v0, uv.v0};
    for (size_t i = 0; i < corners.size(); ++i)
        vertices_.push_back({corners[i], n, shaded, us[i % 4], vs[i % 4]});
    // A fan over the corners in their given order faces the way the normal points.
    for (size_t i = 1; i + 1 < corners.size(); ++i) {
        indices_.push_back(base);
        indices_.push_back(uint16_t(base + i));
        indices_.push_back(uint16_t(base + i + 1));
    }
}

void Geometry::Box(const Vec3& a, const Vec3& b, uint32_t colour, UvRect uv) {
    Polygon({{a.x, b.y, a.z}, {a.x, b.y, b.z}, {b.x, b.y, b.z}, {b.x, b.y, a.z}}, colour, uv);   // top
    Polygon({{a.x, a.y, a.z}, {b.x, a.y, a.z}, {b.x, a.y, b.z}, {a.x, a.y, b.z}}, colour, uv);   // bottom
    Polygon({{a.x, a.y, a.z}, {a.x, b.y, a.z}, {b.x, b.y, a.z}, {b.x, a.y, a.z}}, colour, uv);   // -z
    Polygon({{b.x, a.y, b.z}, {b.x, b.y, b.z}, {a.x, b.y, b.z}, {a.x, a.y, b.z}}, colour, uv);   // +z
    Polygon({{a.x, a.y, b.z}, {a.x, b.y, b.z}, {a.x, b.y, a.z}, {a.x, a.y, a.z}}, colour, uv);   // -x
    Polygon({{b.x, a.y, a.z}, {b.x, b.y, a.z}, {b.x, b.y, b.z}, {b.x, a.y, b.z}}, colour, uv);   // +x
}

void Geometry::Wedge(float x0, float x1, float z0, float z1, float base, float y0, float y1, uint32_t colour) {
    Polygon({{x0, y0, z0}, {x0, y0, z1}, {x1, y1, z1}, {x1, y1, z0}}, colour);
    Polygon({{x0, base, z0}, {x0, y0, z0}, {x1, y1, z0}, {x1, base, z0}}, colour);
    Polygon({{x1, base, z1}, {x1, y1, z1}, {x0, y0, z1}, {x0, base, z1}}, colour);
}

void Geometry::Sphere(const Vec3& c, float r, int rings, int segments, uint32_t colour) {
    auto at = [&](int ring, int seg) {
        const float theta = kPi * float(ring) / float(rings);
        const float phi = 2.0f * kPi * float(seg) / float(segments);
        return Vec3{c.x + r * std::sin(theta) * std::cos(phi), c.y + r * std::cos(theta),
                    c.z + r * std::sin(theta) * std::sin(phi)};
    };
    for (int ring = 0; ring < rings; ++ring) {
        for (int seg = 0; seg < segments; ++seg) {
            const Vec3 a = at(ring, seg), b = at(ring, seg + 1), d = at(ring + 1, seg), e = at(ring + 1, seg + 1);
            // The bands at the poles close into triangles.
            if (ring == 0)
                Polygon({a, e, d}, colour);
            else if (ring == rings - 1)
                Polygon({a, b, d}, colour);
            else
                Polygon({a, b, e, d}, colour);
        }
    }
}

void Geometry::Checker(float x0, float z0, float x1, float z1, float y, float tile, uint32_t a, uint32_t b) {
    int row = 0;
    for (float z = z0; z < z1 - 1e-3f; z += tile, ++row) {
        int col = 0;
        for (float x = x0; x < x1 - 1e-3f; x += tile, ++col) {
            const float xe = std::min(x + tile, x1), ze = std::min(z + tile, z1);
            Polygon({{x, y, z}, {x, y, ze}, {xe, y, ze}, {xe, y, z}}, (row + col) % 2 ? a : b);
        }
    }
}

std::vector<Vec3> Geometry::Centres() const {
    std::vector<Vec3> out;
    for (size_t i = 0; i + 2 < indices_.size(); i += 3) {
        const Vec3& a = vertices_[indices_[i]].p;
        const Vec3& b = vertices_[indices_[i + 1]].p;
        const Vec3& c = vertices_[indices_[i + 2]].p;
        out.push_back({(a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3, (a.z + b.z + c.z) / 3});
    }
    return out;
}

std::vector<uint8_t> Geometry::VertexBytes() const {
    std::vector<uint8_t> out;
    for (const MeshVertex& v : vertices_) {
        y3drec::PutVec3(&out, v.p);
        y3drec::PutVec3(&out, v.n);
        y3drec::PutU32(&out, v.colour);
        y3drec::PutF32(&out, v.u);
        y3drec::PutF32(&out, v.v);
    }
    return out;
}

std::vector<uint8_t> ColourMaterial() {
    Y3DMaterial m;
    m.layers = {Y3DMaterialLayer{1, GRAIN_TEXTURE}, Y3DMaterialLayer{64, ""}};
    return m.Build();
}

std::vector<uint8_t> TextureMaterial(const std::string& file) {
    Y3DMaterial m;
    m.layers = {Y3DMaterialLayer{1, file}};
    return m.Build();
}

CollisionMeshDesc CollisionOf(const Geometry& g) {
    CollisionMeshDesc mesh;
    mesh.typeMask = 1;
    const auto& v = g.Vertices();
    const auto& idx = g.Indices();
    for (size_t i = 0; i + 2 < idx.size(); i += 3)
        mesh.AddFace(0, {v[idx[i]].p, v[idx[i + 1]].p, v[idx[i + 2]].p}, v[idx[i]].n);
    return mesh;
}

std::vector<uint8_t> MeshModelFile(const std::string& node, uint32_t type, const Geometry& g,
                                   const std::vector<uint8_t>& material) {
    Y3DSceneFile f;
    f.header.version = 320;
    f.materials = BuildMaterialList({material});
    const uint32_t count = uint32_t(g.Vertices().size());
    f.vertexBuffers = BuildVertexBufferBlock({VertexRecord{count, MESH_FVF, g.VertexBytes()}});
    f.indexBuffers = BuildIndexBufferBlock({IndexRecord{uint32_t(g.Indices().size()), 0, g.Indices()}});
    Y3DMeshNode n;
    n.name = node;
    n.type = type;
    Y3DMesh mesh;
    mesh.triangleCount = g.TriangleCount();
    mesh.maxVertex = uint16_t(count ? count - 1 : 0);
    mesh.centres = g.Centres();
    float box[6] = {1e9f, 1e9f, 1e9f, -1e9f, -1e9f, -1e9f};
    for (const MeshVertex& v : g.Vertices()) {
        const float p[3] = {v.p.x, v.p.y, v.p.z};
        for (int k = 0; k < 3; ++k) {
            box[k] = std::min(box[k], p[k]);
            box[3 + k] = std::max(box[3 + k], p[k]);
        }
    }
    if (count == 0) std::fill(box, box + 6, 0.0f);
    std::copy(box, box + 6, n.box);
    n.meshes = {mesh};
    if (type == 0x102) AppendCollisionMesh(&n.collision, CollisionOf(g), 320);
    f.records.push_back(MeshNodeRecord(n));
    return f.Build();
}

}  // namespace demodata
