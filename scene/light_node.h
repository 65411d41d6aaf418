// The scene's lights: directional, point and aimed lights with their prepared device records.
// The scene-node base (name, node slots 0-6, node header) is not there yet; a light keeps its
// own name until it is.
#pragma once

#include <cstdint>
#include <string>

#include "common/math.h"
#include "platform/gfx/types.h"

class BinaryReader;
struct Ray;

constexpr uint32_t LIGHT_RECORD_DIRECTIONAL = 0x200;
constexpr uint32_t LIGHT_RECORD_POINT = 0x201;
constexpr uint32_t LIGHT_RECORD_AIMED = 0x202;

// Reads the 573-byte node header of an object record: its record type and node name.
// Built with the Y3D container (y3d_loader.cpp); false when fewer than 573 bytes remain.
bool ReadLightNodeHeader(BinaryReader& file, uint32_t* recordType, std::string* name);

// The blocking test of shadowed lights: true when the ray hits something within length.
// The collision octree's ray query; tests put their own here.
using LightRayQuery = bool (*)(Ray* ray, float length, uint32_t mask);
bool CollisionLightRayQuery(Ray* ray, float length, uint32_t mask);
extern LightRayQuery g_LightRayQuery;

class LightNode {
public:
    std::string name;
    float colour[3] = {1.0f, 1.0f, 1.0f};
    float intensity = 1.0f;
    Vec3 position{0.0f, 0.0f, 0.0f};
    uint8_t shadowTest = 0;
    gfx::Light deviceLight{};

    virtual ~LightNode() = default;
    // Frees only the name.
    virtual void Release();
    virtual void Set(const char* name, float r, float g, float b, float intensity, float x, float y, float z,
                     bool shadowTest);
    // Header, then the tail of this kind's record. False for a null file, another record type
    // (only the header read) or a short record.
    bool Load(BinaryReader* file);
    // The record after its node header: the common tail and the kind's extra block.
    virtual bool LoadTail(BinaryReader& file, const char* name);
    virtual bool Reaches(float x, float y, float z) const;
    virtual bool Apply(uint32_t slot, float x, float y, float z);
    // Adds this light's share at a point to 0-255 colour sums.
    virtual void AccumulateVertexLight(const Vec3& point, const Vec3& normal, int32_t* r, int32_t* g, int32_t* b,
                                       bool useShadow) const = 0;
    virtual Vec3 GetDirectionTo(const Vec3& point) const = 0;
    virtual uint32_t RecordType() const = 0;
};

class DirectionalLight : public LightNode {
public:
    Vec3 direction{0.0f, 0.0f, 0.0f};   // unit, or zero when the file's was too short
    float innerRadius = 0.0f, outerRadius = 0.0f;
    float distances[4] = {};            // d1 <= d2 <= d3 <= d4 along the direction
    float planes[5][4] = {};            // {normal, d}: through the position and at d1..d4

    void SetFull(const char* name, float r, float g, float b, float intensity, float x, float y, float z,
                 bool shadowTest, const Vec3& fileDirection, const float d[4], float inner, float outer);
    bool LoadTail(BinaryReader& file, const char* name) override;
    bool Reaches(float x, float y, float z) const override;
    bool Apply(uint32_t slot, float x, float y, float z) override;
    void AccumulateVertexLight(const Vec3& point, const Vec3& normal, int32_t* r, int32_t* g, int32_t* b,
                               bool useShadow) const override;
    Vec3 GetDirectionTo(const Vec3& point) const override;
    uint32_t RecordType() const override { return LIGHT_RECORD_DIRECTIONAL; }
};

// Set like a directional light; reaches along the line from its position.
class AimedLight : public DirectionalLight {
public:
    bool Reaches(float x, float y, float z) const override;
    void AccumulateVertexLight(const Vec3& point, const Vec3& normal, int32_t* r, int32_t* g, int32_t* b,
                               bool useShadow) const override;
    Vec3 GetDirectionTo(const Vec3& point) const override;
    uint32_t RecordType() const override { return LIGHT_RECORD_AIMED; }
};

class PointLight : public LightNode {
public:
    // Inner boost radius, boost end, full-colour end, cut-off.
    float ranges[4] = {};

    void Release() override;
    void SetFull(const char* name, float r, float g, float b, float intensity, float x, float y, float z,
                 bool shadowTest, const float ranges[4]);
    bool LoadTail(BinaryReader& file, const char* name) override;
    bool Reaches(float x, float y, float z) const override;
    bool Apply(uint32_t slot, float x, float y, float z) override;
    void AccumulateVertexLight(const Vec3& point, const Vec3& normal, int32_t* r, int32_t* g, int32_t* b,
                               bool useShadow) const override;
    Vec3 GetDirectionTo(const Vec3& point) const override;
    uint32_t RecordType() const override { return LIGHT_RECORD_POINT; }
};
