// A jagged, textured band from a start point to an end point (lightning, a beam between a
// fighter and his target): a random polyline built once, drawn as a ribbon that faces the camera.
// It never ends by itself; the compound effect that holds it ends it.
#pragma once

#include <cstdint>
#include <vector>

#include "common/math.h"
#include "effects/positioned_object.h"

// A walk that never gets as far from the start as the end is stops at this many nodes.
constexpr uint32_t BOLT_MAX_NODES = 1024;
// Steps shorter than this would let a walk crawl without end.
constexpr float BOLT_MIN_STEP = 0.001f;

class BoltEffect : public PositionedObject {
public:
    BoltEffect();
    ~BoltEffect() override;

    void Release() override;
    bool Render() override;
    // The start point: the base position is not drawn from.
    void GetPosition(Vec3* out) override;
    float* GetPositionPtr() override;
    // Moves both ends by the same offset; the polyline stays until the next Build.
    void SetPosition(const Vec3& p) override;

    // Stores the values and builds the polyline. jitter: the greatest turn of a step away from
    // the end, in units of pi.
    virtual void Init(const Vec3& from, const Vec3& to, float minStepLength, float maxStepLength, float bandWidth,
                      float turn, uint8_t blend, int32_t textureId, uint32_t argb);
    // A new random polyline from start to end; nothing changes when the two coincide.
    virtual void Build();

    Vec3 start;
    Vec3 end;
    float minStep, maxStep;
    float width;
    float jitter;
    uint8_t blendMode;
    int32_t texture;        // -1 = none
    uint32_t colour;        // ARGB
    std::vector<Vec3> nodes;   // the polyline, from start; its last node lies on end
};
