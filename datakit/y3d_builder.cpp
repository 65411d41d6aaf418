#include "y3d_builder.h"

#include <algorithm>
#include <cstring>

#include "common/binary_reader.h"

namespace datakit {

namespace {

void PutAt(std::vector<uint8_t>* out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) (*out)[at + i] = uint8_t(v >> (8 * i));
}

void PutF32At(std::vector<uint8_t>* out, size_t at, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    PutAt(out, at, bits);
}

void PutName(std::vector<uint8_t>* out, size_t at, const std::string& name) {
    std::memcpy(out->data() + at, name.data(), std::min<size_t>(name.size(), 255));
}

void Flatten(const Y3DBone& bone, std::vector<Y3DObject>* out) {
    Y3DObject o;
    o.name = bone.name;
    o.typeCode = 0x500;
    o.childCount = uint32_t(bone.children.size());
    o.world = bone.world;
    o.parts = bone.parts;
    out->push_back(o);
    for (const Y3DBone& child : bone.children) Flatten(child, out);
}

}  // namespace

std::vector<uint8_t> BuildY3DHeader(const Y3DHeaderFields& f, uint32_t objectCount) {
    std::vector<uint8_t> h(Y3D_HEADER_SIZE, 0);
    std::memcpy(h.data(), f.signature.data(), std::min<size_t>(f.signature.size(), 7));
    h[7] = uint8_t(f.version);
    h[8] = uint8_t(f.version >> 8);
    PutAt(&h, 9, f.geometry);
    std::memcpy(h.data() + 13, f.ambient, 3);
    PutAt(&h, 16, f.objectCount.value_or(objectCount));
    PutAt(&h, 20, uint32_t(f.length));
    PutAt(&h, 24, f.firstObject);
    return h;
}

void AppendY3DObject(std::vector<uint8_t>* out, const Y3DObject& o) {
    const size_t start = out->size();
    out->resize(start + Y3D_RECORD_SIZE + Y3D_NODE_HEADER_SIZE, 0);
    PutName(out, start, o.name);
    PutAt(out, start + 256, o.typeCode);
    const size_t node = start + Y3D_RECORD_SIZE;
    PutName(out, node, o.name);
    PutAt(out, node + 256, o.childCount);
    PutAt(out, node + 260, o.nodesBelow);
    PutAt(out, node + 264, o.typeCode);
    PutAt(out, node + 268, o.animationGroup);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c) PutF32At(out, node + 324 + 4 * (r * 3 + c), o.world.m[r][c]);
    const float parts[15] = {o.parts.translation.x,     o.parts.translation.y,     o.parts.translation.z,
                             o.parts.rotation.x,        o.parts.rotation.y,        o.parts.rotation.z,
                             o.parts.rotation.w,        o.parts.stretchRotation.x, o.parts.stretchRotation.y,
                             o.parts.stretchRotation.z, o.parts.stretchRotation.w, o.parts.stretchScale.x,
                             o.parts.stretchScale.y,    o.parts.stretchScale.z,    o.parts.sign};
    for (int i = 0; i < 15; ++i) PutF32At(out, node + 376 + 4 * i, parts[i]);
    PutAt(out, node + 496, o.extra[0]);
    PutAt(out, node + 500, o.extra[1]);
    (*out)[node + 504] = o.trackFlags;
    PutAt(out, node + 505, o.keyCount.value_or(uint32_t(o.keys.size())));
    BinaryWriter w;
    for (const Y3DKey& k : o.keys) {
        w.PutU16(k.frame);
        w.PutU8(uint8_t((k.rotation ? 1 : 0) | (k.position ? 2 : 0)));
        if (k.rotation) {
            w.PutF32(k.rotation->x);
            w.PutF32(k.rotation->y);
            w.PutF32(k.rotation->z);
            w.PutF32(k.rotation->w);
        }
        if (k.position) {
            w.PutF32(k.position->x);
            w.PutF32(k.position->y);
            w.PutF32(k.position->z);
        }
    }
    out->insert(out->end(), w.Data().begin(), w.Data().end());
    PutAt(out, start + 272, uint32_t(out->size()));
}

std::vector<Y3DObject> FlattenSkeleton(const Y3DBone& root, uint32_t animationGroup) {
    std::vector<Y3DObject> objects;
    Flatten(root, &objects);
    objects[0].animationGroup = animationGroup;
    objects[0].nodesBelow = uint32_t(objects.size() - 1);
    return objects;
}

std::vector<uint8_t> BuildSkeletonRecords(const Y3DBone& root, uint32_t animationGroup) {
    std::vector<uint8_t> out;
    for (const Y3DObject& o : FlattenSkeleton(root, animationGroup)) AppendY3DObject(&out, o);
    return out;
}

std::vector<uint8_t> Y3DAnimation::Build() const {
    const uint32_t count = uint32_t(nodes.size() + named.size());
    std::vector<uint8_t> out = BuildY3DHeader(header, count);
    out.resize(std::max<size_t>(out.size(), header.firstObject), 0);
    for (size_t i = 0; i < nodes.size(); ++i) {
        Y3DObject o = nodes[i];
        if (i == 0 && o.nodesBelow == 0) o.nodesBelow = uint32_t(nodes.size() - 1);
        AppendY3DObject(&out, o);
    }
    for (const Y3DObject& o : named) AppendY3DObject(&out, o);
    return out;
}

Y3DObject AnimTrackObject(const std::string& name, std::vector<Y3DKey> keys) {
    Y3DObject o;
    o.name = name;
    o.typeCode = 0x500;
    for (const Y3DKey& k : keys) o.trackFlags |= uint8_t((k.rotation ? 1 : 0) | (k.position ? 2 : 0));
    o.keys = std::move(keys);
    return o;
}

namespace {

void PutName(BinaryWriter& w, const std::string& name, size_t size) {
    std::vector<uint8_t> field(size, 0);
    std::memcpy(field.data(), name.data(), std::min(name.size(), size - 1));
    w.PutBytes(field.data(), field.size());
}

}  // namespace

std::vector<uint8_t> Y3DMaterial::Build() const {
    BinaryWriter w;
    uint32_t mask = 0;
    for (const Y3DMaterialLayer& l : layers) mask |= l.kind;
    w.PutU32(kindMask.value_or(mask));
    w.PutU32(layerCount.value_or(uint32_t(layers.size())));
    w.PutU32(options);
    for (const Y3DMaterialLayer& l : layers) {
        w.PutU32(l.kind);
        PutName(w, l.file, 64);
    }
    return w.Data();
}

std::vector<uint8_t> Y3DOldMaterial::Build() const {
    BinaryWriter w;
    w.PutU32((namedCount & 0xFF) | (vertexColour ? 0x100u : 0u));
    for (const std::string& n : names) PutName(w, n, 64);
    for (uint32_t t : types) w.PutU32(t);
    w.PutU32(totalLayers);
    w.PutU8(0);
    w.PutU8(options);
    w.PutU8(0);
    w.PutU8(0);
    w.PutU8(0);
    return w.Data();
}

std::vector<uint8_t> BuildMaterialList(const std::vector<std::vector<uint8_t>>& records,
                                       std::optional<uint32_t> countOverride) {
    BinaryWriter w;
    w.PutU32(countOverride.value_or(uint32_t(records.size())));
    for (const auto& r : records) w.PutBytes(r.data(), r.size());
    return w.Data();
}

std::vector<uint8_t> Y3DMesh::Build() const {
    BinaryWriter w;
    w.PutU32(material);
    w.PutU8(headerByte);
    w.PutU32(indexBuffer);
    w.PutU32(vertexBuffer);
    w.PutU32(startIndex);
    w.PutU16(triangleCount);
    w.PutU16(minVertex);
    w.PutU16(maxVertex);
    w.PutU16(flags);
    for (const Vec3& c : centres) {
        w.PutF32(c.x);
        w.PutF32(c.y);
        w.PutF32(c.z);
    }
    w.PutBytes(collision.data(), collision.size());
    return w.Data();
}

std::vector<uint8_t> BuildMeshList(const std::vector<Y3DMesh>& meshes, std::optional<uint32_t> countOverride) {
    BinaryWriter w;
    w.PutU32(countOverride.value_or(uint32_t(meshes.size())));
    for (const Y3DMesh& m : meshes) {
        std::vector<uint8_t> r = m.Build();
        w.PutBytes(r.data(), r.size());
    }
    return w.Data();
}

std::vector<uint8_t> BuildNodeHeader(const Y3DObject& node) {
    Y3DObject plain = node;
    plain.keys.clear();
    plain.keyCount = node.keyCount.value_or(0);
    std::vector<uint8_t> out;
    AppendY3DObject(&out, plain);
    return std::vector<uint8_t>(out.begin() + Y3D_RECORD_SIZE, out.end());
}

std::vector<uint8_t> Y3DMeshNode::BuildTail() const {
    Y3DObject header;
    header.name = name;
    header.typeCode = type;
    header.parts = parts;
    std::vector<uint8_t> out = BuildNodeHeader(header);
    const size_t tail = out.size();
    out.resize(tail + 32, 0);
    out[tail + 4] = meshCount.value_or(uint8_t(meshes.size()));
    for (int k = 0; k < 6; ++k) PutF32At(&out, tail + 8 + 4 * k, box[k]);
    for (const Y3DMesh& mesh : meshes) {
        std::vector<uint8_t> bytes = mesh.Build();
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    out.insert(out.end(), collision.begin(), collision.end());
    return out;
}

std::vector<uint8_t> Y3DLight::BuildTail() const {
    Y3DObject header;
    header.name = name;
    header.typeCode = type;
    std::vector<uint8_t> out = BuildNodeHeader(header);
    BinaryWriter w;
    w.PutF32(position.x);
    w.PutF32(position.y);
    w.PutF32(position.z);
    for (float c : colour) w.PutF32(c);
    w.PutF32(intensity);
    w.PutU8(shadowTest);
    if (type == 0x201) {
        for (float r : ranges) w.PutF32(r);
    } else {
        w.PutF32(direction.x);
        w.PutF32(direction.y);
        w.PutF32(direction.z);
        for (float d : distances) w.PutF32(d);
        w.PutF32(inner);
        w.PutF32(outer);
    }
    out.insert(out.end(), w.Data().begin(), w.Data().end());
    return out;
}

Y3DRecord MeshNodeRecord(const Y3DMeshNode& node) { return {node.name, node.type, node.BuildTail(), std::nullopt}; }
Y3DRecord LightRecord(const Y3DLight& light) { return {light.name, light.type, light.BuildTail(), std::nullopt}; }
Y3DRecord OpaqueRecord(const std::string& name, uint32_t type, size_t tailBytes) {
    Y3DRecord r{name, type, std::vector<uint8_t>(tailBytes), std::nullopt};
    for (size_t i = 0; i < tailBytes; ++i) r.tail[i] = uint8_t(0xA5 ^ i);
    return r;
}

std::vector<uint8_t> Y3DSceneFile::Build(Y3DSceneLayout* layout) const {
    Y3DSceneLayout l;
    std::vector<uint8_t> out = BuildY3DHeader(header, uint32_t(records.size()));
    auto append = [&out](const std::vector<uint8_t>& bytes, size_t* at) {
        *at = out.size();
        out.insert(out.end(), bytes.begin(), bytes.end());
    };
    append(materials, &l.materials);
    append(vertexBuffers, &l.vertexBuffers);
    append(indexBuffers, &l.indexBuffers);
    if (header.geometry == 1) {
        append(meshList, &l.meshList);
        append(renderOctree, &l.renderOctree);
        append(collisionOctree, &l.collisionOctree);
    }
    for (const Y3DRecord& r : records) {
        const size_t start = out.size();
        l.records.push_back(start);
        out.resize(start + Y3D_RECORD_SIZE, 0);
        PutName(&out, start, r.name);
        PutAt(&out, start + 256, r.type);
        out.insert(out.end(), r.tail.begin(), r.tail.end());
        PutAt(&out, start + 272, r.next.value_or(uint32_t(out.size())));
    }
    l.end = out.size();
    if (layout) *layout = l;
    return out;
}

namespace y3drec {

void PutU32(std::vector<uint8_t>* out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out->push_back(uint8_t(v >> (8 * i)));
}
void PutF32(std::vector<uint8_t>* out, float f) {
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    PutU32(out, u);
}
void PutVec3(std::vector<uint8_t>* out, const Vec3& v) {
    PutF32(out, v.x);
    PutF32(out, v.y);
    PutF32(out, v.z);
}
void PutText(std::vector<uint8_t>* out, const std::string& text, size_t size) {
    std::vector<uint8_t> field(size, 0);
    std::memcpy(field.data(), text.data(), std::min(text.size(), size));
    out->insert(out->end(), field.begin(), field.end());
}
std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

std::vector<uint8_t> NodeHeader(const std::string& name, uint32_t type, const Vec3& position) {
    std::vector<uint8_t> h;
    PutText(&h, name, 256);
    h.resize(Y3D_NODE_HEADER_SIZE, 0);
    PutAt(&h, 264, type);
    PutF32At(&h, 436, position.x);
    PutF32At(&h, 440, position.y);
    PutF32At(&h, 444, position.z);
    return h;
}

std::vector<uint8_t> VertexRecordBytes(uint32_t fvf, const std::vector<uint8_t>& vertices, uint32_t count) {
    std::vector<uint8_t> out;
    PutU32(&out, count);
    PutU32(&out, fvf);
    out.insert(out.end(), vertices.begin(), vertices.end());
    return out;
}
std::vector<uint8_t> IndexRecordBytes(const std::vector<uint16_t>& indices) {
    std::vector<uint8_t> out;
    PutU32(&out, uint32_t(indices.size()));
    PutU32(&out, 0);
    for (uint16_t i : indices) {
        out.push_back(uint8_t(i));
        out.push_back(uint8_t(i >> 8));
    }
    return out;
}

std::vector<uint8_t> QuadBuffers(const SurfaceVertex (&corners)[4]) {
    std::vector<uint8_t> bytes;
    for (const SurfaceVertex& c : corners) {
        PutF32(&bytes, c.x);
        PutF32(&bytes, c.y);
        PutF32(&bytes, c.z);
        PutU32(&bytes, c.colour);
        PutF32(&bytes, c.u);
        PutF32(&bytes, c.v);
    }
    return Concat({VertexRecordBytes(kSurfaceFvf, bytes, 4), IndexRecordBytes({0, 1, 2, 0, 2, 3})});
}
std::vector<uint8_t> FlatQuad(float y, float h) {
    const SurfaceVertex c[4] = {{-h, y, -h, 0xFFFFFFFF, 0, 1},
                                {-h, y, h, 0xFFFFFFFF, 0, 0},
                                {h, y, h, 0xFFFFFFFF, 1, 0},
                                {h, y, -h, 0xFFFFFFFF, 1, 1}};
    return QuadBuffers(c);
}

std::vector<uint8_t> LavaOrWaterRecord(uint32_t triangles, float second, const float box[6], uint32_t material) {
    std::vector<uint8_t> r;
    PutU32(&r, triangles);
    PutF32(&r, second);
    for (int k = 0; k < 6; ++k) PutF32(&r, box[k]);
    PutU32(&r, material);
    return r;
}

std::vector<uint8_t> MirrorRecord(const MirrorRecordFields& f) {
    std::vector<uint8_t> r;
    PutU32(&r, f.triangles);
    PutVec3(&r, f.reflection);
    PutU32(&r, f.spare);
    for (const Vec3& a : f.axes) PutVec3(&r, a);
    PutVec3(&r, f.position);
    PutF32(&r, f.sizeScale);
    r.push_back(f.sizeByte);
    for (float b : f.box) PutF32(&r, b);
    PutU32(&r, f.material);
    return r;
}

}  // namespace y3drec

Y3DRecord GlowNodeRecord(const std::string& name, const Vec3& position, float size, const float rgb[3],
                         uint32_t textureNumber) {
    std::vector<uint8_t> tail = y3drec::NodeHeader(name, 0x700, position);
    y3drec::PutF32(&tail, size);
    for (int k = 0; k < 3; ++k) y3drec::PutF32(&tail, rgb[k]);
    y3drec::PutU32(&tail, textureNumber);
    return {name, 0x700, tail, std::nullopt};
}

Y3DRecord FlareNodeRecord(const std::string& name, const Vec3& position) {
    return {name, 0x400, y3drec::NodeHeader(name, 0x400, position), std::nullopt};
}

Y3DRecord ElementRecord(const std::string& name, uint32_t type, const std::vector<uint32_t>& values) {
    std::vector<uint8_t> tail = y3drec::NodeHeader(name, type, {0, 0, 0});
    for (uint32_t v : values) y3drec::PutU32(&tail, v);
    return {name, type, tail, std::nullopt};
}

Y3DRecord TexturedElementRecord(const std::string& name, const std::vector<uint32_t>& values,
                                const std::string& textureFile, const Vec3& flarePosition) {
    std::vector<uint8_t> tail;
    for (size_t i = 0; i < 15; ++i) y3drec::PutU32(&tail, i < values.size() ? values[i] : 0);
    y3drec::PutText(&tail, textureFile, 256);
    const size_t tag = name.find("(FLARE");
    if (tag != std::string::npos && tag > 0) {
        const std::vector<uint8_t> header = y3drec::NodeHeader(name, 0x400, flarePosition);
        tail.insert(tail.end(), header.begin(), header.end());
    }
    return {name, 0x210, tail, std::nullopt};
}

Y3DRecord LavaNodeRecord(const std::string& name, float y, uint32_t material) {
    const float box[6] = {-2, y, -2, 2, y, 2};
    return {name, 0x802, y3drec::Concat({y3drec::LavaOrWaterRecord(2, 0, box, material), y3drec::FlatQuad(y, 2)}),
            std::nullopt};
}

Y3DRecord WaterNodeRecord(const std::string& name, float level, uint32_t material) {
    const float box[6] = {-2, level, -2, 2, level, 2};
    return {name, 0x801,
            y3drec::Concat({y3drec::LavaOrWaterRecord(2, level, box, material), y3drec::FlatQuad(level, 2)}),
            std::nullopt};
}

Y3DRecord MirrorNodeRecord(const std::string& name, const y3drec::MirrorRecordFields& fields) {
    const Vec3 p = fields.position;
    const y3drec::SurfaceVertex c[4] = {{p.x - 1, p.y - 1, p.z, 0xFFFFFFFF, 0, 1},
                                        {p.x - 1, p.y + 1, p.z, 0xFFFFFFFF, 0, 0},
                                        {p.x + 1, p.y + 1, p.z, 0xFFFFFFFF, 1, 0},
                                        {p.x + 1, p.y - 1, p.z, 0xFFFFFFFF, 1, 1}};
    return {name, 0x800, y3drec::Concat({y3drec::MirrorRecord(fields), y3drec::QuadBuffers(c)}), std::nullopt};
}

}  // namespace datakit
