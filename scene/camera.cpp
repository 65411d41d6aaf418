#include "scene/camera.h"

#include <algorithm>
#include <cmath>

#include "platform/gfx/device.h"
#include "render/video.h"
#include "scene/camera_animators.h"

namespace {

// Through the video object so its last result is kept. No device, nothing to set.
void SetDeviceViewMatrix(const Mat4& m) {
    if (g_Video.GetDevice()) g_Video.SetViewMatrix(&m);
}
void SetDeviceProjectionMatrix(const Mat4& m) {
    if (g_Video.GetDevice()) g_Video.SetProjectionMatrix(&m);
}

Vec3 NormalizeOrZero(const Vec3& v) {
    float len = Vec3Length(v);
    if (len < 1e-6f) return {0.0f, 0.0f, 0.0f};
    return {v.x / len, v.y / len, v.z / len};
}

// Affine row-vector transform with w = 1; the camera's matrices keep (0, 0, 0, 1) in their
// fourth column.
Vec3 TransformPoint(const Vec3& p, const Mat4& m) {
    return {p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0],
            p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1],
            p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2]};
}

Mat4 PerspectiveProjection(float fovX, float fovY, float nearPlane, float farPlane) {
    float q = farPlane / (farPlane - nearPlane);
    Mat4 p{};
    p.m[0][0] = 1.0f / std::tan(fovX / 2.0f);
    p.m[1][1] = 1.0f / std::tan(fovY / 2.0f);
    p.m[2][2] = q;
    p.m[2][3] = 1.0f;
    p.m[3][2] = -q * nearPlane;
    return p;
}

// Rows hold the basis vectors' components across the columns: column 0 right, 1 up, 2 forward.
Mat4 BasisColumns(const Vec3& r, const Vec3& u, const Vec3& f) {
    Mat4 m = Mat4Identity();
    m.m[0][0] = r.x; m.m[0][1] = u.x; m.m[0][2] = f.x;
    m.m[1][0] = r.y; m.m[1][1] = u.y; m.m[1][2] = f.y;
    m.m[2][0] = r.z; m.m[2][1] = u.z; m.m[2][2] = f.z;
    return m;
}

// A singular matrix (degenerate basis) leaves the previous inverse in place.
void InvertInto(Mat4* out, const Mat4& m) { Mat4Inverse(out, m); }

// The six planes from camera-space points carried to the world by inverseView. A mirrored
// view reverses handedness, so its edge vectors are crossed the other way round.
void BuildFrustumPlanes(Plane planes[FRUSTUM_PLANE_COUNT], const Mat4& inverseView, float fovX, float fovY,
                        float nearPlane, float farPlane, bool mirrored) {
    float tX = std::tan(fovX / 2.0f);
    float tY = std::tan(fovY / 2.0f);
    const Vec3 points[FRUSTUM_PLANE_COUNT][3] = {
        {{0, 0, nearPlane}, {1, 0, nearPlane}, {0, 1, nearPlane}},
        {{0, 0, farPlane}, {0, 1, farPlane}, {1, 0, farPlane}},
        {{0, 0, 0}, {1, tY, 1}, {0, tY, 1}},
        {{0, 0, 0}, {0, -tY, 1}, {1, -tY, 1}},
        {{0, 0, 0}, {-tX, 1, 1}, {-tX, 0, 1}},
        {{0, 0, 0}, {tX, 0, 1}, {tX, 1, 1}},
    };
    for (int i = 0; i < FRUSTUM_PLANE_COUNT; ++i) {
        Vec3 w0 = TransformPoint(points[i][0], inverseView);
        Vec3 e1 = Vec3Sub(TransformPoint(points[i][1], inverseView), w0);
        Vec3 e2 = Vec3Sub(TransformPoint(points[i][2], inverseView), w0);
        Vec3 n = mirrored ? Vec3Cross(e2, e1) : Vec3Cross(e1, e2);
        float len = Vec3Length(n);
        if (!(len > 0.0001f)) continue;
        n = {n.x / len, n.y / len, n.z / len};
        planes[i] = {n.x, n.y, n.z, -Vec3Dot(n, w0)};
    }
}

}  // namespace

Camera::Camera()
    : eye{},
      target{},
      roll(0.0f),
      fovX(0.0f),
      fovY(0.0f),
      nearPlane(0.0f),
      farPlane(0.0f),
      upVector{},
      useUpVector(0),
      direction{},
      right{},
      up{},
      forward{},
      planes{},
      rotation{},
      inverseRotation{},
      translation{},
      view{},
      inverseView{},
      projection{},
      viewProjection{},
      animator(nullptr) {}

Camera::~Camera() { AttachAnimator(nullptr); }

void Camera::Set(float eyeX, float eyeY, float eyeZ, float targetX, float targetY, float targetZ, float newRoll,
                 float fov, float nearDist, float farDist) {
    eye = {eyeX, eyeY, eyeZ};
    target = {targetX, targetY, targetZ};
    roll = newRoll;
    SetFov(fov);
    nearPlane = nearDist;
    farPlane = farDist;
    useUpVector = 0;
    // A roll animator puts roll back to 0 as it goes, whatever was just stored.
    AttachAnimator(nullptr);
}

void Camera::Set(const Vec3& newEye, const Vec3& newTarget, float newRoll, float fov, float nearDist,
                 float farDist) {
    Set(newEye.x, newEye.y, newEye.z, newTarget.x, newTarget.y, newTarget.z, newRoll, fov, nearDist, farDist);
}

void Camera::SetWithUp(float eyeX, float eyeY, float eyeZ, float targetX, float targetY, float targetZ, float upX,
                       float upY, float upZ, float fov, float nearDist, float farDist) {
    eye = {eyeX, eyeY, eyeZ};
    target = {targetX, targetY, targetZ};
    roll = 0.0f;
    SetFov(fov);
    nearPlane = nearDist;
    farPlane = farDist;
    useUpVector = 1;
    upVector = {upX, upY, upZ};
    AttachAnimator(nullptr);
}

void Camera::SetFov(float angle) {
    const ScreenRect& r = g_Video.screenRect;
    float w = float(int64_t(r.right) - r.left + 1);
    float h = float(int64_t(r.bottom) - r.top + 1);
    float m = std::max(w, h);
    // An empty or inverted rectangle has no aspect; keep the angle on both axes.
    if (!(w > 0.0f) || !(h > 0.0f)) {
        fovX = fovY = angle;
        return;
    }
    fovX = angle * w / m;
    fovY = angle * h / m;
}

void Camera::RefreshFov() { SetFov(std::max(fovX, fovY)); }

void Camera::Update() {
    UpdateBasis();
    UpdateMatrices();
    direction = NormalizeOrZero(Vec3Sub(target, eye));
    UpdateFrustum();
}

void Camera::UpdateBasis() {
    forward = NormalizeOrZero(Vec3Sub(target, eye));
    Vec3 hint;
    if (useUpVector) {
        hint = upVector;
    } else {
        float s = std::sin(roll);
        hint = NormalizeOrZero({s * forward.z, std::cos(roll), -s * forward.x});
    }
    right = Vec3Cross(hint, forward);
    if (std::fabs(right.x) < 0.0001f && std::fabs(right.y) < 0.0001f && std::fabs(right.z) < 0.0001f)
        right = {-forward.y, forward.x, 0.0f};
    right = NormalizeOrZero(right);
    up = NormalizeOrZero(Vec3Cross(forward, right));
}

void Camera::UpdateMatrices() {
    translation = Mat4Translation(-eye.x, -eye.y, -eye.z);
    rotation = BasisColumns(right, up, forward);
    view = Mat4Mul(translation, rotation);
    projection = PerspectiveProjection(fovX, fovY, nearPlane, farPlane);
    SetDeviceViewMatrix(view);
    SetDeviceProjectionMatrix(projection);
    InvertInto(&inverseRotation, rotation);
    InvertInto(&inverseView, view);
    viewProjection = Mat4Mul(view, projection);
}

void Camera::UpdateFrustum() { BuildFrustumPlanes(planes, inverseView, fovX, fovY, nearPlane, farPlane, false); }

void Camera::AttachAnimator(Animator* next) {
    // Re-attaching the animator already held must not delete it under the caller.
    if (next == animator) return;
    Animator* old = animator;
    animator = nullptr;
    delete old;
    animator = next;
}

void Camera::UpdateAnimator(uint32_t dt) {
    if (!animator) return;
    animator->Advance(dt);
    if (animator->IsFinished()) AttachAnimator(nullptr);
}

void Camera::ApplyAnimator() {
    if (animator) animator->Apply();
}

void Camera::Turn(float a, float b, float c) {
    Mat4 r;
    MatrixRotation(&r, a, b, c);
    target = Vec3Add(eye, Vec3TransformNormal(Vec3Sub(target, eye), r));
}

void Camera::Orbit(float a, float b, float c) {
    Mat4 r;
    MatrixRotation(&r, a, b, c);
    eye = Vec3Add(target, Vec3TransformNormal(Vec3Sub(eye, target), r));
}

float Camera::GetPitch() const {
    const Vec3& d = direction;
    float h = std::sqrt(d.x * d.x + d.z * d.z);
    if (h < 0.001f) return kPi / 2.0f;
    return -std::atan(d.y / h);
}

float Camera::GetYaw() const {
    const Vec3& d = direction;
    if (std::fabs(d.z) <= 0.001f) return d.x > 0.0f ? kPi / 2.0f : -kPi / 2.0f;
    float yaw = std::atan(d.x / d.z);
    if (d.z < 0.0f) yaw += kPi;
    return yaw;
}

void Camera::SetTargetKeepDistance(const Vec3& newTarget, float back) {
    float dist = Vec3Length(Vec3Sub(target, eye));
    target = newTarget;
    eye = Vec3Sub(newTarget, Vec3Scale(direction, dist));
    Vec3 backOff = Vec3Scale(direction, back);
    eye = Vec3Sub(eye, backOff);
    target = Vec3Sub(target, backOff);
    Update();
}

bool Camera::PointVisible(const Vec3& p) const {
    for (const Plane& pl : planes)
        if (pl.a * p.x + pl.b * p.y + pl.c * p.z + pl.d < 0.0f) return false;
    return true;
}

bool Camera::BoxVisible(const AxisBox& box, uint8_t* straddleMask) const {
    if (straddleMask) *straddleMask = 0;
    for (int i = 0; i < FRUSTUM_PLANE_COUNT; ++i) {
        const Plane& pl = planes[i];
        float fx = pl.a >= 0.0f ? box.max.x : box.min.x;
        float fy = pl.b >= 0.0f ? box.max.y : box.min.y;
        float fz = pl.c >= 0.0f ? box.max.z : box.min.z;
        if (pl.a * fx + pl.b * fy + pl.c * fz + pl.d < 0.0f) return false;
        if (straddleMask) {
            float nx = pl.a >= 0.0f ? box.min.x : box.max.x;
            float ny = pl.b >= 0.0f ? box.min.y : box.max.y;
            float nz = pl.c >= 0.0f ? box.min.z : box.max.z;
            if (pl.a * nx + pl.b * ny + pl.c * nz + pl.d < 0.0f) *straddleMask |= uint8_t(1u << i);
        }
    }
    return true;
}

void Camera::SetupMirror(const Camera& viewer, const MirrorFrame& mirror) {
    const Vec3& c = mirror.centre;
    const Vec3& n = mirror.normal;
    Vec3 toCentre = Vec3Sub(c, viewer.eye);
    float dist = Vec3Length(toCentre);
    Vec3 v = NormalizeOrZero(toCentre);
    Vec3 r = NormalizeOrZero(Vec3Sub(v, Vec3Scale(n, 2.0f * Vec3Dot(n, v))));
    Vec3 reflectedEye = Vec3Sub(c, Vec3Scale(r, dist));
    float d = Vec3Dot(r, n) * dist;

    fovX = fovY = 2.0f * std::atan((mirror.size / 2.0f) / d);
    nearPlane = d;
    farPlane = d + 100.0f;
    projection = PerspectiveProjection(fovX, fovY, nearPlane, farPlane);

    Vec3 p = Vec3Sub(c, Vec3Scale(n, d));
    translation = Mat4Translation(-p.x, -p.y, -p.z);
    rotation = BasisColumns(mirror.right, mirror.up, n);
    Mat4 v0 = Mat4Mul(translation, rotation);

    Vec3 e = TransformPoint(reflectedEye, v0);
    Vec3 pp = TransformPoint(p, v0);
    Mat4 shear = Mat4Identity();
    shear.m[2][0] = -(e.x - pp.x) / d;
    shear.m[2][1] = (e.y - pp.y) / d;
    Mat4 flip = Mat4Scaling(-1.0f, 1.0f, 1.0f);
    Mat4 mirrorInverse = Mat4Identity();
    Mat4Inverse(&mirrorInverse, mirror.matrix);

    view = Mat4Mul(Mat4Mul(Mat4Mul(Mat4Mul(mirror.matrix, flip), shear), mirrorInverse), v0);
    SetDeviceViewMatrix(view);
    SetDeviceProjectionMatrix(projection);

    eye = reflectedEye;
    target = c;
    InvertInto(&inverseRotation, rotation);
    InvertInto(&inverseView, view);
    viewProjection = Mat4Mul(view, projection);
    right = {view.m[0][0], view.m[0][1], view.m[0][2]};
    up = {view.m[1][0], view.m[1][1], view.m[1][2]};
    forward = {view.m[2][0], view.m[2][1], view.m[2][2]};

    BuildFrustumPlanes(planes, inverseView, fovX, fovY, nearPlane, farPlane, true);
}

Vec3 Vec3Set(float x, float y, float z) { return {x, y, z}; }

void Vec3DivInPlace(Vec3* v, Vec3 divisor) {
    v->x /= divisor.x;
    v->y /= divisor.y;
    v->z /= divisor.z;
}

float Tangent(float angle) { return std::tan(angle); }
