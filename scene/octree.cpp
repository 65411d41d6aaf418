#include "scene/octree.h"

#include <cmath>
#include <cstdint>

#include "common/binary_reader.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "core/debug_log.h"

using namespace gfx;

namespace {

constexpr float kAxisEpsilon = 0.0001f;

float Axis(const Vec3& v, int a) { return a == 0 ? v.x : (a == 1 ? v.y : v.z); }

}  // namespace

// ---- OctreeNode ----

bool OctreeNode::Read(BinaryReader& in, int32_t itemBase) {
    bool ok = in.ReadI32(corner[0]) && in.ReadI32(corner[1]) && in.ReadI32(corner[2]) && in.ReadU8(log2Edge) &&
              in.ReadU8(leaf) && in.ReadI32(first) && in.ReadU16(itemCount) && in.ReadU32(polygonCount);
    for (int i = 0; ok && i < 6; ++i) ok = in.ReadI32(neighbours[i]);
    if (!ok) return false;
    if (leaf && itemCount != 0) {
        const int64_t based = int64_t(first) + itemBase;
        if (based < INT32_MIN || based > INT32_MAX) return false;
        first = int32_t(based);
    }
    return true;
}

float OctreeNode::Edge() const { return std::ldexp(1.0f, log2Edge); }

AxisBox OctreeNode::Box() const {
    float e = Edge();
    Vec3 mn{float(corner[0]), float(corner[1]), float(corner[2])};
    return {{mn.x + e, mn.y + e, mn.z + e}, mn};
}

int32_t OctreeNode::FindLeaf(const Vec3& p, bool descend, const Octree& tree) const {
    AxisBox b = Box();
    if (p.x < b.min.x || p.x > b.max.x || p.y < b.min.y || p.y > b.max.y || p.z < b.min.z || p.z > b.max.z) return -1;
    if (leaf) return index;
    if (!descend) return -1;
    for (int c = 0; c < 8; ++c) {
        const OctreeNode* child = tree.GetNode(first + c);
        if (!child) return -1;
        int32_t r = child->FindLeaf(p, true, tree);
        if (r >= 0) return r;
    }
    return -1;
}

// ---- Octree ----

Octree::~Octree() { Octree::Clear(); }

void Octree::Clear() {
    headerA = headerB = headerC = 0;
    headerD = 0;
    nodes_.clear();
    nodes_.shrink_to_fit();
}

bool Octree::ReadHeader(BinaryReader& in) {
    return in.ReadU32(headerA) && in.ReadU32(headerB) && in.ReadU32(headerC) && in.ReadU8(headerD);
}

bool Octree::ReadNodes(BinaryReader& in, uint32_t count, int32_t itemBase) {
    nodes_.clear();
    if (in.Remaining() / OCTREE_NODE_RECORD_SIZE < count) {
        WriteDebugLogF("Octree: %u nodes do not fit in the block\n", count);
        return false;
    }
    nodes_.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        if (!nodes_[i].Read(in, itemBase)) return false;
        nodes_[i].index = int32_t(i);
    }
    if (!CheckLinks()) {
        nodes_.clear();
        return false;
    }
    return true;
}

// Every child lies after its parent, belongs to one parent only and has half its edge,
// so the tree walks are bounded by the node count and the depth by 255; neighbour links
// stay inside the array.
bool Octree::CheckLinks() const {
    const int64_t count = int64_t(nodes_.size());
    std::vector<uint8_t> claimed(nodes_.size(), 0);
    for (const OctreeNode& n : nodes_) {
        for (int32_t nb : n.neighbours) {
            if (nb >= count) {
                WriteDebugLogF("Octree: node %d links to node %d of %lld\n", n.index, nb, (long long)count);
                return false;
            }
        }
        if (n.leaf) continue;
        if (n.first <= n.index || int64_t(n.first) + 8 > count || n.log2Edge == 0) {
            WriteDebugLogF("Octree: inner node %d has bad children at %d\n", n.index, n.first);
            return false;
        }
        for (int c = 0; c < 8; ++c) {
            const OctreeNode& child = nodes_[size_t(n.first + c)];
            if (claimed[size_t(child.index)] || child.log2Edge + 1 != n.log2Edge) {
                WriteDebugLogF("Octree: node %d is not a proper child of node %d\n", child.index, n.index);
                return false;
            }
            claimed[size_t(child.index)] = 1;
        }
    }
    return true;
}

const OctreeNode* Octree::GetNode(int32_t i) const {
    if (i < 0 || size_t(i) >= nodes_.size()) return nullptr;
    return &nodes_[size_t(i)];
}

uint32_t Octree::GetNodeCount() const { return uint32_t(nodes_.size()); }

uint32_t Octree::GetPolygonCount() const { return nodes_.empty() ? 0 : nodes_[0].polygonCount; }

int32_t Octree::FindLeaf(float x, float y, float z) const {
    if (nodes_.empty()) return -1;
    return nodes_[0].FindLeaf({x, y, z}, true, *this);
}

int32_t Octree::LeavesInBox(const AxisBox& box, int32_t* out, uint32_t capacity) const {
    if (nodes_.empty()) return 0;
    uint32_t n = 0;
    if (LeavesInBoxFrom(0, box, out, capacity, &n) < 0) return -1;
    return int32_t(n);
}

int32_t Octree::LeavesInBoxFrom(int32_t i, const AxisBox& q, int32_t* out, uint32_t capacity, uint32_t* n) const {
    if (!out || *n >= capacity) return -1;
    const OctreeNode& node = nodes_[size_t(i)];
    AxisBox b = node.Box();
    if (q.max.x < b.min.x || q.max.y < b.min.y || q.max.z < b.min.z || q.min.x > b.max.x || q.min.y > b.max.y ||
        q.min.z > b.max.z)
        return 0;
    if (node.leaf) {
        if (node.itemCount != 0) out[(*n)++] = i;
        return 0;
    }
    for (int c = 0; c < 8; ++c)
        if (LeavesInBoxFrom(node.first + c, q, out, capacity, n) < 0) return -1;
    return 0;
}

int32_t Octree::SegmentQuery(int32_t i, const Ray& ray, float length) const {
    const OctreeNode* node = GetNode(i);
    if (!node) return -1;
    AxisBox b = node->Box();
    const Vec3& o = ray.origin;
    const Vec3& d = ray.direction;
    for (int a = 0; a < 3; ++a) {
        float comp = Axis(d, a);
        if (std::fabs(comp) <= kAxisEpsilon) continue;
        bool negative = comp <= 0.0f;
        // A leaf is left through the face ahead, an inner node entered through the face behind.
        float face = node->leaf ? (negative ? Axis(b.min, a) : Axis(b.max, a)) : (negative ? Axis(b.max, a) : Axis(b.min, a));
        float t = (face - Axis(o, a)) / comp;
        if (t < 0.0f) continue;
        Vec3 p = Vec3Add(o, Vec3Scale(d, t));
        int u = (a + 1) % 3, v = (a + 2) % 3;
        float pu = Axis(p, u), pv = Axis(p, v);
        if (node->leaf) {
            if (pu < Axis(b.min, u) || pu > Axis(b.max, u) || pv < Axis(b.min, v) || pv > Axis(b.max, v)) continue;
            if (Vec3Length(Vec3Sub(p, o)) >= length) return -1;
            static constexpr int kExit[3][2] = {{OCTREE_PLUS_X, OCTREE_MINUS_X},
                                                {OCTREE_PLUS_Y, OCTREE_MINUS_Y},
                                                {OCTREE_PLUS_Z, OCTREE_MINUS_Z}};
            return node->neighbours[kExit[a][negative ? 1 : 0]];
        }
        if (pu <= Axis(b.min, u) || pu >= Axis(b.max, u) || pv <= Axis(b.min, v) || pv >= Axis(b.max, v)) continue;
        float half = node->Edge() * 0.5f;
        int upper[3];
        for (int k = 0; k < 3; ++k) upper[k] = Axis(p, k) > Axis(b.min, k) + half ? 1 : 0;
        upper[a] = negative ? 1 : 0;
        return node->first + 4 * upper[0] + 2 * upper[1] + upper[2];
    }
    return -1;
}

void Octree::DebugDraw() {
    Device* d = g_Video.device;
    const Camera* camera = g_Scene.camera;
    if (!d || !camera || nodes_.empty()) return;
    uint32_t block = 0;
    if (Failed(d->CreateStateBlock(D3DSBT_ALL, &block))) block = 0;
    d->SetTexture(0, nullptr);
    d->SetRenderState(D3DRS_LIGHTING, 0);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    d->SetRenderState(D3DRS_ALPHATESTENABLE, 0);
    d->SetRenderState(D3DRS_FOGENABLE, 0);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetRenderState(D3DRS_ZENABLE, 1);
    d->SetRenderState(D3DRS_ZWRITEENABLE, 0);
    d->SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
    d->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_DISABLE);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    d->SetVertexShader(0x42);   // position and diffuse colour
    d->SetTransform(D3DTS_WORLDMATRIX(0), &IdentityMatrix);
    struct LineVertex {
        float x, y, z;
        uint32_t colour;
    };
    for (int withItems = 0; withItems < 2; ++withItems) {
        uint32_t colour = withItems ? 0xFFFF0000u : 0xFFFFFF00u;
        for (const OctreeNode& n : nodes_) {
            if ((n.itemCount != 0) != (withItems != 0)) continue;
            AxisBox b = n.Box();
            if (!camera->BoxVisible(b)) continue;
            const float lo[3] = {b.min.x, b.min.y, b.min.z}, hi[3] = {b.max.x, b.max.y, b.max.z};
            for (int a = 0; a < 3; ++a) {
                for (int side = 0; side < 2; ++side) {
                    int u = (a + 1) % 3, v = (a + 2) % 3;
                    float corner[4][2] = {{lo[u], lo[v]}, {hi[u], lo[v]}, {hi[u], hi[v]}, {lo[u], hi[v]}};
                    LineVertex strip[5];
                    for (int k = 0; k < 5; ++k) {
                        float p[3];
                        p[a] = side ? hi[a] : lo[a];
                        p[u] = corner[k % 4][0];
                        p[v] = corner[k % 4][1];
                        strip[k] = {p[0], p[1], p[2], colour};
                    }
                    d->DrawPrimitiveUP(D3DPT_LINESTRIP, 4, strip, sizeof(LineVertex));
                }
            }
        }
    }
    if (block) {
        d->ApplyStateBlock(block);
        d->DeleteStateBlock(block);
    }
}
