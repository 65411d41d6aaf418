#include "effects/sprite_mover.h"

#include <algorithm>
#include <cmath>

#include "effects/effect_draw.h"
#include "platform/gfx/types.h"
#include "render/dynamic_vertex_buffer.h"
#include "render/geometry.h"
#include "render/render_queue.h"
#include "render/texture_manager.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/scene.h"

namespace {

// Where a curve stands: the two keys it runs between and the shaped progress between them.
struct CurvePlace {
    int from, to;   // key indices 0 start, 1 middle, 2 end
    float s;
};

float Shape(float s, uint16_t flags, uint16_t sqrtFlag, uint16_t squareFlag) {
    if (flags & sqrtFlag) return std::sqrt(s);
    if (flags & squareFlag) return s * s;
    return s;
}

CurvePlace CurveAt(float middleTime, uint16_t flags, uint32_t age, int32_t lifetime) {
    const float p = SegmentProgress(float(age), float(lifetime));
    if (flags & CURVE_THREE_KEYS) {
        // The middle key in whole milliseconds.
        const float m = std::trunc(float(lifetime) * middleTime);
        if (middleTime > p)
            return {0, 1, Shape(SegmentProgress(float(age), m), flags, CURVE_FIRST_SQRT, CURVE_FIRST_SQUARE)};
        return {1, 2,
                Shape(SegmentProgress(float(age) - m, float(lifetime) - m), flags, CURVE_SECOND_SQRT,
                      CURVE_SECOND_SQUARE)};
    }
    if (flags & CURVE_TWO_KEYS) return {0, 2, Shape(p, flags, CURVE_FIRST_SQRT, CURVE_FIRST_SQUARE)};
    return {0, 0, 0.0f};
}

uint32_t LerpColour(uint32_t a, uint32_t b, float s) {
    uint32_t out = 0;
    // Alpha, red, green, blue. a + (b - a) s is a (1 - s) + b s, but keeps an unchanged
    // channel exact under truncation.
    for (int shift = 24; shift >= 0; shift -= 8) {
        const double ca = double((a >> shift) & 0xFF), cb = double((b >> shift) & 0xFF);
        const uint32_t c = uint32_t(std::clamp(std::trunc(ca + (cb - ca) * double(s)), 0.0, 255.0));
        out |= c << shift;
    }
    return out;
}

}  // namespace

SpriteMover::SpriteMover()
    : lifetime(0), age(0), direction{}, speed(0), accelDirection{}, accel(0), pivot{}, spinAxis{}, spinSpeed(0),
      spinAccel(0), drag(0), angleSpeed(0), angle(0), facingDirection{}, fadeNear(0), fadeFar(0), colourStart(0),
      colourMiddle(0), colourEnd(0), colourMiddleTime(0), currentColour(0), colourFlags(0), sizeStart(0),
      sizeMiddle(0), sizeEnd(0), sizeMiddleTime(0), currentSize(0), sizeFlags(0), texture(-1), drawFlags(0),
      blendMode(0), animatedTexture(nullptr) {}

SpriteMover::~SpriteMover() { SpriteMover::Release(); }

void SpriteMover::Release() {
    finished = 1;
    delete animatedTexture;
    animatedTexture = nullptr;
}

void SpriteMover::TakeTemplate(const SpriteMoverTemplate& t) {
    kind = KIND_SPRITE_MOVER;
    finished = 0;
    age = 0;
    lifetime = t.lifetime;
    x = t.position.x;
    y = t.position.y;
    z = t.position.z;
    direction = t.direction;
    speed = t.speed;
    accelDirection = t.accelDirection;
    accel = t.accel;
    pivot = t.pivot;
    spinAxis = t.spinAxis;
    spinSpeed = t.spinSpeed;
    spinAccel = t.spinAccel;
    drag = t.drag;
    angle = t.angle;
    angleSpeed = t.angleSpeed;
    facingDirection = t.facingDirection;
    fadeNear = t.fadeNear;
    fadeFar = t.fadeFar;
    colourStart = t.colourStart;
    colourMiddle = t.colourMiddle;
    colourEnd = t.colourEnd;
    colourMiddleTime = t.colourMiddleTime;
    colourFlags = t.colourFlags;
    currentColour = t.colourStart;
    sizeStart = t.sizeStart;
    sizeMiddle = t.sizeMiddle;
    sizeEnd = t.sizeEnd;
    sizeMiddleTime = t.sizeMiddleTime;
    sizeFlags = t.sizeFlags;
    currentSize = t.sizeStart;
    texture = t.texture;
    blendMode = t.blendMode;
    drawFlags = t.drawFlags;
}

bool SpriteMover::Init(const SpriteMoverTemplate* from, uint32_t removal) {
    if (!from) return false;
    delete animatedTexture;
    animatedTexture = nullptr;
    TakeTemplate(*from);
    removalFlags = removal;
    direction = UnitOrZero(direction);
    accelDirection = UnitOrZero(accelDirection);
    if (texture >= 0 && from->frameRate != 0) {
        auto* handle = new AnimatedTexture;
        const float rate = float(from->frameRate);
        if (handle->Init(texture, -1, rate, rate, 0))
            animatedTexture = handle;
        else
            delete handle;
    }
    return true;
}

int SpriteMover::Update(uint32_t dtMs) {
    const int removal = (removalFlags & REMOVE_WHEN_FINISHED) ? 1 : 0;
    if (finished) return removal;
    age += dtMs;
    if (lifetime >= 0 && age > uint32_t(lifetime)) {
        finished = 1;
        return removal;
    }
    const float t = float(dtMs) * 0.001f;

    const Vec3 v = Vec3Add(Vec3Scale(direction, speed), Vec3Scale(accelDirection, accel * t));
    const float length = Vec3Length(v);
    if (length != 0.0f) {
        direction = Vec3Scale(v, 1.0f / length);
        // Drag slows the sprite to a stop, never backwards.
        speed = std::max(length - t * drag, 0.0f);
    } else {
        speed = 0.0f;
    }
    Vec3 p = Vec3Add(Vec3{x, y, z}, Vec3Scale(direction, speed * t));

    spinSpeed += t * spinAccel;
    const float turn = spinSpeed * t;
    if (turn > 0.0001f) p = RotateAbout(p, pivot, spinAxis, turn);
    x = p.x;
    y = p.y;
    z = p.z;

    if (std::fabs(angleSpeed) >= 0.0001f) angle += t * angleSpeed;

    if (lifetime < 0) {
        currentColour = colourStart;
        currentSize = sizeStart;
    } else {
        const uint32_t colours[3] = {colourStart, colourMiddle, colourEnd};
        const CurvePlace c = CurveAt(colourMiddleTime, colourFlags, age, lifetime);
        currentColour = LerpColour(colours[c.from], colours[c.to], c.s);
        const float sizes[3] = {sizeStart, sizeMiddle, sizeEnd};
        const CurvePlace k = CurveAt(sizeMiddleTime, sizeFlags, age, lifetime);
        currentSize = sizes[k.from] * (1.0f - k.s) + sizes[k.to] * k.s;
    }

    if (animatedTexture) animatedTexture->Update(dtMs);
    return 0;
}

bool SpriteMover::IsVisible() const {
    const Camera* camera = g_Scene.camera;
    if (!camera) return true;
    const float h = currentSize * 0.5f;
    const AxisBox box{{x + h, y + h, z + h}, {x - h, y - h, z - h}};
    return camera->BoxVisible(box);
}

bool SpriteMover::Queue() {
    if (!IsVisible()) return true;
    if (blendMode == 0) {
        Render();
        return true;
    }
    if (g_Scene.renderQueue) g_Scene.renderQueue->AddSpriteMover(this);
    return true;
}

uint32_t SpriteMover::DrawColour() const {
    const Camera* camera = g_Scene.camera;
    if (!(drawFlags & SPRITE_DISTANCE_FADE) || !camera) return currentColour;
    const float distance = Vec3Length(Vec3Sub(Vec3{x, y, z}, camera->eye));
    return FadeColour(currentColour, DistanceFade(distance, fadeNear, fadeFar), blendMode);
}

void SpriteMover::FollowMotion() {
    if (g_Scene.camera) angle = ScreenAngleOf(direction, g_Scene.camera->view);
}

void SetSpriteStates(const SpriteMover& sprite) {
    SetQuadBatchStates(EffectTexture(sprite.texture, sprite.animatedTexture), sprite.blendMode,
                       !(sprite.drawFlags & SPRITE_NO_CULLING));
}

bool SpriteMover::Render() {
    if (finished) return false;
    const Camera* camera = g_Scene.camera;
    DynamicVertexBuffer* buffer = g_Scene.dynamicBuffer;
    if (!camera || !buffer || !g_Video.GetDevice()) return true;

    const uint32_t colour = DrawColour();
    if (drawFlags & SPRITE_ANGLE_FOLLOWS_MOTION) FollowMotion();
    Vec3 xAxis = camera->right, yAxis = camera->up;
    if (drawFlags & SPRITE_FIXED_FACING) {
        facingDirection = UnitOrZero(facingDirection);
        const Mat4 frame = FacingFrame(facingDirection);
        xAxis = FrameXAxis(frame);
        yAxis = FrameYAxis(frame);
    }

    SetSpriteStates(*this);
    g_Video.SetZEnable(true);
    g_Video.SetZWrite(false);
    if (auto* v = static_cast<EffectVertex*>(buffer->Lock(QUAD_VERTICES))) {
        WriteQuad(v, Vec3{x, y, z}, currentSize, angle, xAxis, yAxis, colour);
        buffer->Unlock(QUAD_VERTICES);
    }
    buffer->Flush();
    return true;
}
