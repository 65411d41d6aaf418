// A letter's outline turned into a closed mesh: the front face tessellated, a reversed copy as
// the back face, and side walls with split normals at sharp corners and smoothed ones on curves.
#include <cmath>
#include <string>

#include "core/debug_log.h"
#include "frontend/text3d.h"
#include "platform/text/tessellator.h"
#include "scene/object_list.h"
#include "scene/scene.h"

namespace {

// Corners whose inner angle is 135 degrees or less get a normal per wall.
constexpr double kSharpCosine = -0.7071068;
constexpr size_t kMaxMeshVertices = 0x10000;

struct TessState {
    TessellatedMesh* mesh;
};

void OnVertex(uint32_t id, void* user) { static_cast<TessState*>(user)->mesh->indices.push_back(id); }
void Ignore(void*) {}
void IgnoreType(uint32_t, void*) {}
void IgnoreFlag(bool, void*) {}
void IgnoreError(uint32_t, void*) {}

uint32_t OnCombine(const double coords[3], const uint32_t ids[4], const float weights[4], void* user) {
    std::vector<MeshVertex>& v = static_cast<TessState*>(user)->mesh->vertices;
    MeshVertex made{coords[0], coords[1], coords[2], 0, 0, -1, 0, 0};
    for (int i = 0; i < 4; ++i) {
        if (ids[i] >= v.size()) continue;
        made.u += double(weights[i]) * v[ids[i]].u;
        made.v += double(weights[i]) * v[ids[i]].v;
    }
    v.push_back(made);
    return uint32_t(v.size() - 1);
}

struct Dir {
    double x, y;
};

Dir Normalised(double x, double y) {
    const double l = std::hypot(x, y);
    return l > 0 ? Dir{x / l, y / l} : Dir{0, 0};
}

double SignedArea(const text::OutlineContour& c) {
    double a = 0;
    for (size_t i = 0; i < c.size(); ++i) {
        const text::OutlinePoint& p = c[i];
        const text::OutlinePoint& q = c[(i + 1) % c.size()];
        a += double(p.x) * q.y - double(q.x) * p.y;
    }
    return a * 0.5;
}

}  // namespace

bool TessellatedMesh::Build(const std::vector<text::OutlineContour>& contours, int32_t height) {
    vertices.clear();
    indices.clear();
    depth = float(height) * 0.25f;

    // Front vertices: the outline with y turned up, the mesh's way.
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    bool first = true;
    for (const text::OutlineContour& c : contours)
        for (const text::OutlinePoint& p : c) {
            const double x = p.x, y = -double(p.y);
            vertices.push_back({x, y, 0, 0, 0, -1, 0, 0});
            if (first) {
                minX = maxX = x;
                minY = maxY = y;
                first = false;
            }
            minX = std::min(minX, x), maxX = std::max(maxX, x);
            minY = std::min(minY, y), maxY = std::max(maxY, y);
        }
    for (MeshVertex& v : vertices) {
        v.u = maxX > minX ? (v.x - minX) / (maxX - minX) : 0;
        v.v = maxY > minY ? 1 - (v.y - minY) / (maxY - minY) : 0;
    }

    text::TessCallbacks callbacks;
    callbacks.begin = IgnoreType;
    callbacks.edgeFlag = IgnoreFlag;   // separate triangles only
    callbacks.vertex = OnVertex;
    callbacks.end = Ignore;
    callbacks.combine = OnCombine;
    callbacks.error = IgnoreError;
    text::Tessellator* tess = text::NewTessellator(callbacks);
    if (!tess) {
        WriteDebugLog("Creation of tesselation object failed.");
        return false;
    }
    TessState state{this};
    text::TessBeginPolygon(tess, &state);
    uint32_t id = 0;
    for (const text::OutlineContour& c : contours) {
        text::TessBeginContour(tess);
        for (size_t i = 0; i < c.size(); ++i, ++id) text::TessVertex(tess, vertices[id].x, vertices[id].y, 0, id);
        text::TessEndContour(tess);
    }
    text::TessEndPolygon(tess);
    text::DeleteTessellator(tess);
    indices.resize(indices.size() - indices.size() % 3);

    // Front triangles run clockwise as seen from in front (-z), whichever way the face's
    // contours turn, so that they survive the default culling.
    for (size_t t = 0; t < indices.size(); t += 3) {
        const MeshVertex &a = vertices[indices[t]], &b = vertices[indices[t + 1]], &c = vertices[indices[t + 2]];
        if ((b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y) > 0) std::swap(indices[t + 1], indices[t + 2]);
    }
    frontTriangles = uint32_t(indices.size() / 3);

    // Back face: a copy of every front vertex at the depth, triangles reversed.
    const uint32_t N = uint32_t(vertices.size());
    for (uint32_t i = 0; i < N; ++i) {
        MeshVertex back = vertices[i];
        back.z = depth;
        back.nz = 1;
        vertices.push_back(back);
    }
    for (uint32_t t = 0; t < frontTriangles * 3; t += 3) {
        const uint32_t a = indices[t], b = indices[t + 1], c = indices[t + 2];
        indices.insert(indices.end(), {a + N, c + N, b + N});
    }

    // Which way the outer contours turn decides which side of an edge is outside; the outer
    // contours outweigh the holes.
    double area = 0;
    for (const text::OutlineContour& c : contours) area += SignedArea(c);
    // Area below 0 in the outline's y-down frame: counter-clockwise as drawn, in either frame;
    // outside then lies to the right of the travel.
    const bool ccw = area < 0;

    uint32_t k = 0;
    for (const text::OutlineContour& c : contours) {
        const size_t M = c.size();
        const uint32_t V0 = uint32_t(vertices.size());
        auto point = [&](size_t i) {
            const text::OutlinePoint& p = c[(i + M) % M];
            return Dir{double(p.x), -double(p.y)};
        };
        auto edgeNormal = [&](size_t from) {
            const Dir a = point(from), b = point(from + 1);
            const Dir d = Normalised(b.x - a.x, b.y - a.y);
            return ccw ? Dir{d.y, -d.x} : Dir{-d.y, d.x};
        };
        for (size_t j = 0; j < M; ++j, ++k) {
            const Dir p = point(j), prev = point(j + M - 1), next = point(j + 1);
            const Dir a = Normalised(prev.x - p.x, prev.y - p.y), b = Normalised(next.x - p.x, next.y - p.y);
            const bool degenerate = (a.x == 0 && a.y == 0) || (b.x == 0 && b.y == 0);
            const double cosine = degenerate ? 0 : a.x * b.x + a.y * b.y;
            const bool sharp = cosine >= kSharpCosine && cosine <= 1.0;
            const Dir in = edgeNormal(j + M - 1), out = edgeNormal(j);
            auto wall = [&](Dir n) {
                MeshVertex f = vertices[k], bk = vertices[k + N];
                f.nx = bk.nx = n.x;
                f.ny = bk.ny = n.y;
                f.nz = bk.nz = 0;
                vertices.push_back(f);
                vertices.push_back(bk);
            };
            if (sharp) wall(in);
            wall(sharp ? out : Normalised(in.x + out.x, in.y + out.y));
            const uint32_t V = uint32_t(vertices.size());
            const uint32_t nx = j + 1 < M ? V : V0;
            if (ccw)
                indices.insert(indices.end(), {V - 2, nx, V - 1, nx, nx + 1, V - 1});
            else
                indices.insert(indices.end(), {V - 2, V - 1, nx, nx, V - 1, nx + 1});
        }
    }
    return true;
}

int32_t Letter3D::Build(int32_t fontHeight, const char* chars, const text::Font* font, Vec3* centreOut,
                        int32_t length, int32_t material) {
    *this = Letter3D{};
    if (centreOut) *centreOut = Vec3{0, 0, 0};
    if (!chars || length < 1) return 0;
    std::vector<text::OutlineContour> contours;
    if (!text::GetGlyphOutline(font, uint8_t(chars[0]), &contours)) {
        WriteDebugLog("PathPolygon constructor: An error occurred while retrieving the path information.");
        return -1;
    }
    if (contours.empty()) return 0;
    TessellatedMesh tessellated;
    if (!tessellated.Build(contours, fontHeight)) return -1;
    if (tessellated.vertices.size() > kMaxMeshVertices) {
        WriteDebugLogF("Letter3D: %u vertices are more than a mesh holds", unsigned(tessellated.vertices.size()));
        return -1;
    }
    const std::vector<uint16_t> indices(tessellated.indices.begin(), tessellated.indices.end());
    auto* built = new DynamicMesh();
    const std::string name(chars, size_t(length));
    AxisBox box{};
    Vec3 centre{};
    if (!built->BuildGeometry(fontHeight, name.c_str(), tessellated.vertices, indices, material, &box, &centre)) {
        WriteDebugLogF("Letter3D: no mesh for '%s'", name.c_str());
        delete built;
        return -1;
    }
    if (g_Scene.objects) g_Scene.objects->Add(built);
    mesh = built;
    indexCount = uint32_t(indices.size());
    boxMax = box.max;
    boxMin = box.min;
    if (centreOut) *centreOut = centre;
    return 0;
}

void Letter3D::UpdateMatrix() {
    Mat4 local;
    MatrixRotation(&local, angles.x, angles.y, angles.z);
    local.m[3][0] = offset.x;
    local.m[3][1] = offset.y;
    local.m[3][2] = offset.z;
    world = wordMatrix ? Mat4Mul(local, *wordMatrix) : local;
    if (!mesh) return;
    mesh->world = world;
    mesh->transformValid = 1;
    mesh->UpdateBounds();
}
