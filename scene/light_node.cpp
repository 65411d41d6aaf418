#include "scene/light_node.h"

#include <cmath>

#include "common/binary_reader.h"
#include "render/geometry.h"
#include "render/video.h"
#include "scene/collision_octree.h"

using namespace gfx;

namespace {

constexpr float kShadowRayLength = 10000.0f;
constexpr uint32_t kShadowMaskWide = 263;
constexpr uint32_t kShadowMaskPoint = 7;

// 1 at a, falling to 0 at b; an empty span (equal radii) counts as already faded.
float FadeBetween(float v, float a, float b) {
    if (b - a <= 0.0f) return 0.0f;
    return 1.0f - (v - a) / (b - a);
}

bool RayBlocked(const Vec3& origin, const Vec3& direction, float length, uint32_t mask) {
    if (!g_LightRayQuery) return false;
    Ray ray{direction, origin};
    return g_LightRayQuery(&ray, length, mask);
}

Vec3 UnitOrZero(const Vec3& v) {
    float len = Vec3Length(v);
    if (len < 1e-6f) return {0.0f, 0.0f, 0.0f};
    return Vec3Scale(v, 1.0f / len);
}

bool IsZero(const Vec3& v) { return v.x == 0.0f && v.y == 0.0f && v.z == 0.0f; }

bool ReadVec3(BinaryReader& f, Vec3& v) { return f.ReadF32(v.x) && f.ReadF32(v.y) && f.ReadF32(v.z); }

}  // namespace

bool CollisionLightRayQuery(Ray* ray, float length, uint32_t mask) {
    CollisionOctree* octree = SceneCollisionOctree();
    return octree && octree->RayQuery(ray, length, nullptr, nullptr, nullptr, mask);
}

LightRayQuery g_LightRayQuery = CollisionLightRayQuery;

// ---- LightNode ----

void LightNode::Release() {
    name.clear();
    name.shrink_to_fit();
}

void LightNode::Set(const char* n, float r, float g, float b, float inten, float x, float y, float z, bool shadow) {
    name = n ? n : "";
    colour[0] = r;
    colour[1] = g;
    colour[2] = b;
    intensity = inten;
    position = {x, y, z};
    shadowTest = shadow ? 1 : 0;
}

bool LightNode::Load(BinaryReader* file) {
    if (!file) return false;
    uint32_t type = 0;
    std::string n;
    if (!ReadLightNodeHeader(*file, &type, &n)) return false;
    if (type != RecordType()) return false;
    return LoadTail(*file, n.c_str());
}

bool LightNode::LoadTail(BinaryReader&, const char*) { return false; }
bool LightNode::Reaches(float, float, float) const { return false; }
bool LightNode::Apply(uint32_t, float, float, float) { return false; }

// ---- DirectionalLight ----

void DirectionalLight::SetFull(const char* n, float r, float g, float b, float inten, float x, float y, float z,
                               bool shadow, const Vec3& fileDirection, const float d[4], float inner, float outer) {
    Set(n, r, g, b, inten, x, y, z, shadow);
    direction = UnitOrZero(fileDirection);
    innerRadius = inner;
    outerRadius = outer;
    for (int i = 0; i < 4; ++i) distances[i] = d[i];
    for (int i = 0; i < 5; ++i) {
        Vec3 p = i == 0 ? position : Vec3Add(position, Vec3Scale(direction, distances[i - 1]));
        planes[i][0] = fileDirection.x;
        planes[i][1] = fileDirection.y;
        planes[i][2] = fileDirection.z;
        planes[i][3] = -Vec3Dot(fileDirection, p);
    }
    deviceLight = Light{};
    deviceLight.Type = D3DLIGHT_DIRECTIONAL;
    deviceLight.Diffuse = {colour[0], colour[1], colour[2], 0.0f};
    deviceLight.Direction = {direction.x, direction.y, direction.z};
}

bool DirectionalLight::LoadTail(BinaryReader& f, const char* n) {
    Vec3 pos{}, dir{};
    float rgbi[4], d[4], inner = 0, outer = 0;
    uint8_t shadow = 0;
    if (!ReadVec3(f, pos)) return false;
    for (float& v : rgbi)
        if (!f.ReadF32(v)) return false;
    if (!f.ReadU8(shadow) || !ReadVec3(f, dir)) return false;
    for (float& v : d)
        if (!f.ReadF32(v)) return false;
    if (!f.ReadF32(inner) || !f.ReadF32(outer)) return false;
    SetFull(n, rgbi[0], rgbi[1], rgbi[2], rgbi[3], pos.x, pos.y, pos.z, shadow != 0, dir, d, inner, outer);
    return true;
}

bool DirectionalLight::Reaches(float x, float y, float z) const {
    if (!shadowTest || IsZero(direction)) return true;
    Vec3 c{x, y, z};
    Vec3 origin = Vec3Sub(c, Vec3Scale(direction, kShadowRayLength));
    return !RayBlocked(origin, direction, kShadowRayLength, kShadowMaskWide);
}

bool DirectionalLight::Apply(uint32_t slot, float, float, float) {
    Device* device = g_Video.device;
    if (!device) return false;
    device->SetLight(slot, &deviceLight);
    device->LightEnable(slot, true);
    return true;
}

void DirectionalLight::AccumulateVertexLight(const Vec3& point, const Vec3& normal, int32_t* r, int32_t* g,
                                             int32_t* b, bool useShadow) const {
    const Vec3 n{planes[0][0], planes[0][1], planes[0][2]};
    const Vec3& D = direction;
    float along = Vec3Dot(Vec3Scale(D, -1.0f), n);
    if (along == 0.0f) return;   // zero direction: no beam
    if (!(Vec3Dot(n, point) + planes[0][3] > 0.0f)) return;
    if (!(Vec3Dot(n, point) + planes[4][3] < 0.0f)) return;
    float t = -(Vec3Dot(n, point) + planes[0][3]) / along;
    Vec3 Q = Vec3Sub(point, Vec3Scale(D, t));
    float s = Vec3Length(Vec3Sub(Vec3Add(position, Vec3Scale(D, t)), point));
    if (s >= outerRadius) return;
    float q = -Vec3Dot(normal, D);
    if (q <= 0.0f) return;
    if (shadowTest && useShadow) {
        float len = Vec3Length(Vec3Sub(point, Q)) - 0.005f;
        if (len > 0.0f && RayBlocked(Q, D, len, kShadowMaskWide)) return;
    }
    float f = t < distances[2] ? 1.0f : FadeBetween(t, distances[2], distances[3]);
    float e = s < innerRadius ? 1.0f : FadeBetween(s, innerRadius, outerRadius);
    int32_t* sums[3] = {r, g, b};
    for (int i = 0; i < 3; ++i) {
        int32_t c = int32_t(colour[i] * intensity * 255.0f);
        c = int32_t(float(c) * f);
        if (t < distances[1]) {
            float k = t < distances[0] ? 1.0f : FadeBetween(t, distances[0], distances[1]);
            c += int32_t(255.0f * k);
        }
        *sums[i] += int32_t(float(c) * e * q);
    }
}

Vec3 DirectionalLight::GetDirectionTo(const Vec3&) const { return direction; }

// ---- AimedLight ----

bool AimedLight::Reaches(float x, float y, float z) const {
    if (!shadowTest) return true;
    Vec3 c{x, y, z};
    Vec3 u = UnitOrZero(GetDirectionTo(c));
    if (IsZero(u)) return true;   // at the light itself: nothing can lie between
    Vec3 origin = Vec3Sub(c, Vec3Scale(u, kShadowRayLength));
    return !RayBlocked(origin, u, kShadowRayLength, kShadowMaskWide);
}

void AimedLight::AccumulateVertexLight(const Vec3&, const Vec3&, int32_t*, int32_t*, int32_t*, bool) const {}

Vec3 AimedLight::GetDirectionTo(const Vec3& point) const { return UnitOrZero(Vec3Sub(point, position)); }

// ---- PointLight ----

void PointLight::Release() {
    LightNode::Release();
    for (float& r : ranges) r = 0.0f;
}

void PointLight::SetFull(const char* n, float r, float g, float b, float inten, float x, float y, float z,
                         bool shadow, const float rr[4]) {
    Set(n, r, g, b, inten, x, y, z, shadow);
    for (int i = 0; i < 4; ++i) ranges[i] = rr[i];
    deviceLight = Light{};
    deviceLight.Type = D3DLIGHT_POINT;
    deviceLight.Diffuse = {colour[0], colour[1], colour[2], 0.0f};
    deviceLight.Position = {position.x, position.y, position.z};
    deviceLight.Range = ranges[1];
    deviceLight.Attenuation0 = 1.0f;
    // A zero boost radius would divide by zero.
    deviceLight.Attenuation1 = ranges[1] > 0.0f ? 1.0f / ranges[1] : 0.0f;
}

bool PointLight::LoadTail(BinaryReader& f, const char* n) {
    Vec3 pos{};
    float rgbi[4], rr[4];
    uint8_t shadow = 0;
    if (!ReadVec3(f, pos)) return false;
    for (float& v : rgbi)
        if (!f.ReadF32(v)) return false;
    if (!f.ReadU8(shadow)) return false;
    for (float& v : rr)
        if (!f.ReadF32(v)) return false;
    SetFull(n, rgbi[0], rgbi[1], rgbi[2], rgbi[3], pos.x, pos.y, pos.z, shadow != 0, rr);
    return true;
}

bool PointLight::Reaches(float x, float y, float z) const {
    Vec3 c{x, y, z};
    Vec3 d = Vec3Sub(c, position);
    float s = Vec3Length(d);
    if (s > ranges[3]) return false;
    if (!shadowTest || s < 1e-6f) return true;
    return !RayBlocked(position, Vec3Scale(d, 1.0f / s), s, kShadowMaskPoint);
}

bool PointLight::Apply(uint32_t slot, float x, float y, float z) {
    float s = Vec3Length(Vec3Sub(Vec3{x, y, z}, position));
    if (s >= ranges[3]) return false;
    Device* device = g_Video.device;
    if (!device) return false;
    float c[3] = {colour[0], colour[1], colour[2]};
    if (s <= ranges[2]) {
        if (s < ranges[1]) {
            float k = s < ranges[0] ? 1.0f : FadeBetween(s, ranges[0], ranges[1]);
            for (float& v : c) v += k;
        }
    } else {
        float f = FadeBetween(s, ranges[2], ranges[3]);
        for (float& v : c) v *= f;
    }
    for (float& v : c) v *= intensity;
    deviceLight = Light{};
    deviceLight.Type = D3DLIGHT_POINT;
    deviceLight.Diffuse = {c[0], c[1], c[2], 0.0f};
    deviceLight.Position = {position.x, position.y, position.z};
    deviceLight.Range = ranges[3];
    deviceLight.Attenuation0 = 1.0f;
    device->SetLight(slot, &deviceLight);
    device->LightEnable(slot, true);
    return true;
}

void PointLight::AccumulateVertexLight(const Vec3& point, const Vec3& normal, int32_t* r, int32_t* g, int32_t* b,
                                       bool useShadow) const {
    Vec3 d = Vec3Sub(point, position);
    float s = Vec3Length(d);
    if (s >= ranges[3] || s < 1e-6f) return;
    Vec3 L = Vec3Scale(d, 1.0f / s);
    float q = -Vec3Dot(L, normal);
    if (q <= 0.0f) return;
    if (shadowTest && useShadow) {
        float len = s - 0.005f;
        if (len > 0.0f && RayBlocked(position, L, len, kShadowMaskWide)) return;
    }
    float f = s < ranges[2] ? 1.0f : FadeBetween(s, ranges[2], ranges[3]);
    int32_t* sums[3] = {r, g, b};
    for (int i = 0; i < 3; ++i) {
        int32_t base = int32_t(colour[i] * intensity * 255.0f);
        *sums[i] += int32_t(float(base) * f * q);
        if (s < ranges[1]) {
            float k = s < ranges[0] ? 1.0f : FadeBetween(s, ranges[0], ranges[1]);
            *sums[i] += int32_t(255.0f * k * q);
        }
    }
}

Vec3 PointLight::GetDirectionTo(const Vec3& point) const { return UnitOrZero(Vec3Sub(point, position)); }
