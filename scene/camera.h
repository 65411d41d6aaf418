// The viewpoint of the 3D world: eye, target, roll or up vector, field of view and clip
// distances; from them the basis, view and projection matrices and six frustum planes.
// Left-handed, y up, looking along +z in camera space; row vectors (see common/math.h).
#pragma once

#include <cstdint>

#include "common/math.h"
#include "render/geometry.h"

class Animator;

// What a mirror hands to Camera::SetupMirror.
struct MirrorFrame {
    Vec3 centre;
    Vec3 normal;     // unit, pointing to the side the mirror reflects
    Vec3 right;
    Vec3 up;
    float size;      // edge length
    Mat4 matrix;     // the mirror's own matrix, as the mirror keeps it
};

enum FrustumPlane {
    FRUSTUM_NEAR = 0,
    FRUSTUM_FAR = 1,
    FRUSTUM_TOP = 2,
    FRUSTUM_BOTTOM = 3,
    FRUSTUM_LEFT = 4,
    FRUSTUM_RIGHT = 5,
    FRUSTUM_PLANE_COUNT = 6
};

class Camera {
public:
    Vec3 eye;
    Vec3 target;
    float roll;            // radians; only while useUpVector is 0
    float fovX;            // full angles, radians
    float fovY;
    float nearPlane;
    float farPlane;
    Vec3 upVector;         // as given, not normalised
    uint8_t useUpVector;

    // Derived by Update (or SetupMirror); the setters leave them alone.
    Vec3 direction;        // unit view direction, or zero
    Vec3 right;
    Vec3 up;
    Vec3 forward;
    Plane planes[FRUSTUM_PLANE_COUNT];   // normals point into the visible volume
    Mat4 rotation;
    Mat4 inverseRotation;
    Mat4 translation;
    Mat4 view;             // translation x rotation
    Mat4 inverseView;      // camera space to world
    Mat4 projection;
    Mat4 viewProjection;

    Animator* animator;    // owned; null when none

    Camera();
    ~Camera();
    Camera(const Camera&) = delete;
    Camera& operator=(const Camera&) = delete;

    // Both drop an attached animator after storing the values; neither updates.
    void Set(float eyeX, float eyeY, float eyeZ, float targetX, float targetY, float targetZ, float roll,
             float fov, float nearPlane, float farPlane);
    void Set(const Vec3& eye, const Vec3& target, float roll, float fov, float nearPlane, float farPlane);
    void SetWithUp(float eyeX, float eyeY, float eyeZ, float targetX, float targetY, float targetZ, float upX,
                   float upY, float upZ, float fov, float nearPlane, float farPlane);
    // The longer side of the screen gets the whole angle, the shorter a proportional part.
    void SetFov(float angle);
    // After the screen size changed.
    void RefreshFov();

    // Basis, matrices (also set on the device), direction, frustum.
    void Update();
    void UpdateBasis();
    void UpdateMatrices();
    void UpdateFrustum();

    // Deletes the attached animator first; null just detaches.
    void AttachAnimator(Animator* next);
    void UpdateAnimator(uint32_t dt);
    void ApplyAnimator();

    // Rotate target about eye, or eye about target, by Rx(a) x Ry(b) x Rz(c).
    void Turn(float a, float b, float c);
    void Orbit(float a, float b, float c);
    // Positive pitch looks down; straight up or down both give +pi/2.
    float GetPitch() const;
    // In (-pi/2, 3pi/2).
    float GetYaw() const;
    // Moves the view onto newTarget keeping distance and direction, backs off by back,
    // and updates.
    void SetTargetKeepDistance(const Vec3& newTarget, float back);

    Vec3 GetEye() const { return eye; }
    // The unit view direction as the last Update left it.
    Vec3 GetDirection() const { return direction; }
    float GetNearDistance() const { return nearPlane; }

    // On a plane counts as inside.
    bool PointVisible(const Vec3& point) const;
    // straddleMask (optional) gets bit i for each plane i the box crosses.
    bool BoxVisible(const AxisBox& box, uint8_t* straddleMask = nullptr) const;

    // This camera becomes viewer's reflection in the mirror; sets its view and
    // projection on the device. Never Update a mirrored camera afterwards.
    void SetupMirror(const Camera& viewer, const MirrorFrame& mirror);
};

Vec3 Vec3Set(float x, float y, float z);
// Componentwise.
void Vec3DivInPlace(Vec3* v, Vec3 divisor);
float Tangent(float angle);
