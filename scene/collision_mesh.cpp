#include "scene/collision_mesh.h"

#include <cmath>

#include "common/binary_reader.h"
#include "core/debug_log.h"

namespace {

constexpr float kTolerance = 0.0001f;
constexpr float kNormaliseMin = 0.000001f;
constexpr float kFacing = -0.001f;

Vec3 UnitOrZero(const Vec3& v) {
    float len = Vec3Length(v);
    if (len < kNormaliseMin) return {0, 0, 0};
    return Vec3Scale(v, 1.0f / len);
}

float PlaneValue(const Plane& p, const Vec3& v) { return p.a * v.x + p.b * v.y + p.c * v.z + p.d; }

bool ReadVec3(BinaryReader& in, Vec3& v) { return in.ReadF32(v.x) && in.ReadF32(v.y) && in.ReadF32(v.z); }

bool SameNormal(const Vec3& a, const Vec3& b) {
    return std::fabs(a.x - b.x) <= kTolerance && std::fabs(a.y - b.y) <= kTolerance && std::fabs(a.z - b.z) <= kTolerance;
}

// Keeps the part of the polygon inside the plane; false when nothing is inside.
bool ClipByPlane(const Plane& plane, const Vec3* in, int count, Vec3* out, int* outCount) {
    bool inside[SWEEP_CLIP_CAPACITY];
    int insideCount = 0;
    for (int i = 0; i < count; ++i) {
        inside[i] = PlaneValue(plane, in[i]) > 0.0f;
        insideCount += inside[i];
    }
    if (insideCount == 0) return false;
    if (insideCount == count) {
        for (int i = 0; i < count; ++i) out[i] = in[i];
        *outCount = count;
        return true;
    }
    int n = 0;
    const Vec3 normal{plane.a, plane.b, plane.c};
    for (int i = 0; i < count; ++i) {
        int j = (i + 1) % count;
        if (inside[i] && n < SWEEP_CLIP_CAPACITY) out[n++] = in[i];
        if (inside[i] != inside[j]) {
            Vec3 e = UnitOrZero(Vec3Sub(in[i], in[j]));
            float c = Vec3Dot(e, normal);
            if (std::fabs(c) > kTolerance && n < SWEEP_CLIP_CAPACITY)
                out[n++] = Vec3Sub(in[i], Vec3Scale(e, PlaneValue(plane, in[i]) / c));
        }
    }
    *outCount = n;
    return true;
}

}  // namespace

void FreeSweepContacts(SweepContact* head) {
    while (head) {
        SweepContact* next = head->next;
        delete head;
        head = next;
    }
}

void CollisionMesh::Clear() {
    typeMask = 0;
    vertices.clear();
    normals.clear();
    groups.clear();
    faceCount = 0;
    flatGroups_.clear();
    flatFaces_.clear();
    edges_.clear();
}

void CollisionMesh::BuildFlatFaces() {
    flatGroups_.clear();
    flatFaces_.clear();
    edges_.clear();
    size_t faces = 0, edges = 0;
    for (const CollisionFaceGroup& group : groups) {
        faces += group.faces.size();
        for (const CollisionFace& face : group.faces) edges += face.indices.size();
    }
    flatGroups_.reserve(groups.size());
    flatFaces_.reserve(faces);
    edges_.reserve(edges);
    for (const CollisionFaceGroup& group : groups) {
        flatGroups_.push_back({group.typeMask, uint32_t(flatFaces_.size()), uint32_t(group.faces.size())});
        for (const CollisionFace& face : group.faces) {
            const Vec3& n = normals[face.normalIndex];
            const size_t count = face.indices.size();
            flatFaces_.push_back({n, Vec3Dot(n, vertices[face.indices[0]]), uint32_t(edges_.size()), uint32_t(count)});
            for (size_t i = 0; i < count; ++i) {
                const Vec3& vi = vertices[face.indices[i]];
                const Vec3& vj = vertices[face.indices[(i + 1) % count]];
                edges_.push_back({Vec3Cross(Vec3Sub(vi, vj), n), vi});
            }
        }
    }
}

void CollisionMesh::CopyFrom(const CollisionMesh& other) {
    if (this == &other) return;
    typeMask = other.typeMask;
    vertices = other.vertices;
    normals = other.normals;
    groups = other.groups;
    faceCount = other.faceCount;
    flatGroups_ = other.flatGroups_;
    flatFaces_ = other.flatFaces_;
    edges_ = other.edges_;
}

void CollisionMesh::PlaceInto(const Mat4& m, CollisionMesh* out) const {
    if (!out || out == this) return;
    out->typeMask = typeMask;
    out->faceCount = faceCount;
    out->vertices.clear();
    out->normals.clear();
    out->groups.clear();
    out->flatGroups_ = flatGroups_;
    out->flatFaces_.resize(flatFaces_.size());
    out->edges_.resize(edges_.size());
    for (size_t f = 0; f < flatFaces_.size(); ++f) {
        const CollisionFlatFace& face = flatFaces_[f];
        CollisionFlatFace& placed = out->flatFaces_[f];
        placed = face;
        placed.normal = Vec3TransformNormal(face.normal, m);
        CollisionEdge* edges = out->edges_.data() + face.firstEdge;
        for (uint32_t i = 0; i < face.edgeCount; ++i)
            edges[i].start = Vec3TransformCoord(edges_[face.firstEdge + i].start, m);
        for (uint32_t i = 0; i < face.edgeCount; ++i) {
            const Vec3& next = edges[(i + 1) % face.edgeCount].start;
            edges[i].side = Vec3Cross(Vec3Sub(edges[i].start, next), placed.normal);
        }
        placed.normalDotFirst = face.edgeCount ? Vec3Dot(placed.normal, edges[0].start) : 0.0f;
    }
}

bool CollisionMesh::Read(BinaryReader& in, uint16_t version) {
    Clear();
    const bool wide = version < 310;
    uint32_t vertexCount = 0, normalCount = 0, groupCount = 1, storedFaces = 0;
    uint8_t meshMask = 1;
    bool ok;
    if (wide) {
        uint32_t v = 0, n = 0, f = 0;
        ok = in.ReadU32(v) && in.ReadU32(n) && in.ReadU32(f);
        vertexCount = v & 0xFFFF;
        normalCount = n & 0xFFFF;
        storedFaces = f & 0xFFFF;
    } else {
        uint16_t v = 0, n = 0, g = 0, f = 0;
        if (version >= 320) {
            ok = in.ReadU8(meshMask) && in.ReadU16(v) && in.ReadU16(n) && in.ReadU16(g) && in.ReadU16(f);
            groupCount = g;
        } else {
            ok = in.ReadU16(v) && in.ReadU16(n) && in.ReadU16(f);
        }
        vertexCount = v;
        normalCount = n;
        storedFaces = f;
    }
    if (!ok || in.Remaining() / 12 < size_t(vertexCount) + normalCount) {
        WriteDebugLog("Collision mesh: short header or vertex data\n");
        Clear();
        return false;
    }
    typeMask = meshMask;
    vertices.resize(vertexCount);
    normals.resize(normalCount);
    for (Vec3& v : vertices) ReadVec3(in, v);
    for (Vec3& n : normals) ReadVec3(in, n);

    auto readFace = [&](CollisionFaceGroup& group) -> bool {
        uint8_t indexCount = 0;
        uint32_t normalIndex = 0;
        if (wide) {
            if (!in.ReadU8(indexCount) || !in.ReadU32(normalIndex)) return false;
            normalIndex &= 0xFFFF;
        } else {
            uint16_t ni = 0;
            if (!in.ReadU8(indexCount) || !in.ReadU16(ni)) return false;
            normalIndex = ni;
        }
        CollisionFace face;
        face.normalIndex = uint16_t(normalIndex);
        face.indices.resize(indexCount);
        for (uint16_t& index : face.indices) {
            uint32_t value = 0;
            if (wide) {
                if (!in.ReadU32(value)) return false;
                value &= 0xFFFF;
            } else {
                uint16_t v16 = 0;
                if (!in.ReadU16(v16)) return false;
                value = v16;
            }
            if (value >= vertexCount) {
                WriteDebugLogF("Collision mesh: vertex index %u of %u\n", value, vertexCount);
                return false;
            }
            index = uint16_t(value);
        }
        if (normalIndex >= normalCount) {
            WriteDebugLogF("Collision mesh: normal index %u of %u\n", normalIndex, normalCount);
            return false;
        }
        if (indexCount < 3) return true;   // no area to hit; dropped
        group.faces.push_back(std::move(face));
        return true;
    };

    uint32_t kept = 0;
    groups.resize(groupCount);
    for (uint32_t g = 0; g < groupCount; ++g) {
        CollisionFaceGroup& group = groups[g];
        uint32_t faces = storedFaces;
        if (version >= 320) {
            uint16_t f = 0;
            if (!in.ReadU8(group.typeMask) || !in.ReadU16(f)) {
                Clear();
                return false;
            }
            faces = f;
        } else {
            group.typeMask = 1;
        }
        for (uint32_t i = 0; i < faces; ++i) {
            if (!readFace(group)) {
                WriteDebugLog("Collision mesh: bad face\n");
                Clear();
                return false;
            }
        }
        kept += uint32_t(group.faces.size());
    }
    faceCount = uint16_t(kept > 0xFFFF ? 0xFFFF : kept);
    BuildFlatFaces();
    return true;
}

bool CollisionMesh::RayTest(const Ray& ray, Vec3* outPoint, Vec3* outNormal, uint16_t* outType, uint32_t mask) const {
    if ((typeMask & mask) == 0) return false;
    const Vec3 o = ray.origin;
    const Vec3 d = ray.direction;
    const bool bothSides = (mask & COLLISION_BOTH_SIDES) != 0;
    const CollisionFlatFace* faces = flatFaces_.data();
    const CollisionEdge* edges = edges_.data();
    bool found = false;
    float bestSq = 0.0f;
    Vec3 bestPoint{}, bestNormal{};
    uint16_t bestType = 0;
    for (const CollisionFlatGroup& group : flatGroups_) {
        if ((group.typeMask & mask) == 0) continue;
        const uint32_t end = group.firstFace + group.faceCount;
        for (uint32_t f = group.firstFace; f < end; ++f) {
            const CollisionFlatFace& face = faces[f];
            const Vec3& n = face.normal;
            float nd = Vec3Dot(n, d);
            if (!bothSides && nd >= 0.0f) continue;
            if (std::fabs(nd) <= kTolerance) continue;
            float t = -(Vec3Dot(n, o) - face.normalDotFirst) / nd;
            if (t < 0.0f) continue;
            Vec3 p = Vec3Add(o, Vec3Scale(d, t));
            // The distance decides before the edges do: a face no nearer than the best is
            // passed over whether or not the point is inside it.
            Vec3 op = Vec3Sub(p, o);
            float sq = Vec3Dot(op, op);
            if (found && !(sq < bestSq)) continue;
            // Every edge without an early exit: which edge rejects a point is a coin toss that
            // costs more in mispredicted branches than the remaining arithmetic.
            const CollisionEdge* e = edges + face.firstEdge;
            bool inside;
            if (face.edgeCount == 3) {
                inside = (Vec3Dot(e[0].side, Vec3Sub(p, e[0].start)) >= -kTolerance) &
                         (Vec3Dot(e[1].side, Vec3Sub(p, e[1].start)) >= -kTolerance) &
                         (Vec3Dot(e[2].side, Vec3Sub(p, e[2].start)) >= -kTolerance);
            } else {
                inside = true;
                for (const CollisionEdge* eEnd = e + face.edgeCount; e != eEnd; ++e)
                    inside &= Vec3Dot(e->side, Vec3Sub(p, e->start)) >= -kTolerance;
            }
            if (!inside) continue;
            found = true;
            bestSq = sq;
            bestPoint = p;
            bestNormal = n;
            bestType = group.typeMask;
        }
    }
    if (!found) return false;
    if (outPoint) *outPoint = bestPoint;
    if (outNormal) *outNormal = bestNormal;
    if (outType) *outType = bestType;
    return true;
}

bool CollisionMesh::SweepSphere(const Plane* planes, int planeCount, Vec3* outPoint, float* bestDistance,
                                SweepContact* best, SweepContact** contacts, uint8_t mask) const {
    if (!planes || planeCount <= 4 || !bestDistance || !best) return false;
    if (planeCount > 6) planeCount = 6;
    const Plane& start = planes[4];
    const Vec3 m = UnitOrZero({start.a, start.b, start.c});
    // Two buffers reused for every face.
    Vec3 bufA[SWEEP_CLIP_CAPACITY], bufB[SWEEP_CLIP_CAPACITY];
    bool result = false;
    for (const CollisionFlatGroup& group : flatGroups_) {
        if ((group.typeMask & mask) == 0) continue;
        const uint32_t end = group.firstFace + group.faceCount;
        for (uint32_t f = group.firstFace; f < end; ++f) {
            const CollisionFlatFace& face = flatFaces_[f];
            const Vec3& n = face.normal;
            if (Vec3Dot(m, n) > kFacing) continue;
            int count = int(face.edgeCount);
            const CollisionEdge* corners = edges_.data() + face.firstEdge;
            for (int i = 0; i < count; ++i) bufA[i] = corners[i].start;
            Vec3* cur = bufA;
            Vec3* other = bufB;
            bool kept = true;
            for (int p = 0; p < planeCount && kept; ++p) {
                int n2 = 0;
                kept = ClipByPlane(planes[p], cur, count, other, &n2);
                if (kept && n2 != count) {
                    std::swap(cur, other);
                    count = n2;
                } else if (kept) {
                    std::swap(cur, other);
                }
            }
            if (!kept || count == 0) continue;
            int deepest = 0;
            float distance = PlaneValue(start, cur[0]);
            for (int i = 1; i < count; ++i) {
                float v = PlaneValue(start, cur[i]);
                if (v < distance) {
                    distance = v;
                    deepest = i;
                }
            }
            bool becomes = false;
            if (best->vertexCount == 0) {
                becomes = true;
            } else if (distance - kTolerance < *bestDistance) {
                if (std::fabs(distance - *bestDistance) >= kTolerance) {
                    becomes = true;
                } else if (SameNormal(n, best->normal)) {
                    continue;   // the same surface again at the same depth
                }
            }
            if (contacts) {
                SweepContact* c = new SweepContact;
                c->vertexCount = uint16_t(count);
                for (int i = 0; i < count; ++i) c->vertices[i] = cur[i];
                c->normal = n;
                c->next = *contacts;
                *contacts = c;
            }
            if (becomes) {
                if (outPoint) *outPoint = cur[deepest];
                *bestDistance = distance;
                best->vertexCount = uint16_t(count);
                for (int i = 0; i < count; ++i) best->vertices[i] = cur[i];
                best->normal = n;
                result = true;
            }
        }
    }
    return result;
}
