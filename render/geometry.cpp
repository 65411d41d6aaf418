#include "render/geometry.h"

#include <cctype>
#include <cmath>
#include <cstring>

#include "render/video.h"
#include "scene/camera.h"

namespace {

// Affine row-vector transform with w = 1, no division: every matrix fed here keeps
// (0, 0, 0, 1) in its fourth column.
Vec3 TransformPoint(const Vec3& p, const Mat4& m) {
    return {p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0],
            p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1],
            p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2]};
}

float LengthSq(const Vec3& v) { return Vec3Dot(v, v); }

// Normalised, or zero below the given length.
Vec3 NormalizeOrZero(const Vec3& v, float minLength) {
    float len = Vec3Length(v);
    if (len < minLength) return {0.0f, 0.0f, 0.0f};
    return {v.x / len, v.y / len, v.z / len};
}

// A float pixel coordinate cut toward zero. Points on the eye plane divide by zero, so
// out-of-range and NaN values saturate instead of overflowing the conversion.
int32_t TruncateToPixel(float v) {
    if (std::isnan(v)) return INT32_MIN;
    if (v >= 2147483648.0f) return INT32_MAX;
    if (v <= -2147483648.0f) return INT32_MIN;
    return static_cast<int32_t>(v);
}

float PlaneValue(const Plane& p, const Vec3& v) { return p.a * v.x + p.b * v.y + p.c * v.z + p.d; }

double Det3(double a, double b, double c, double d, double e, double f, double g, double h, double i) {
    return a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
}

// Cofactor expansion along the first row.
double Det4(const double m[4][4]) {
    double det = 0.0;
    for (int j = 0; j < 4; ++j) {
        int c[3], k = 0;
        for (int col = 0; col < 4; ++col)
            if (col != j) c[k++] = col;
        double minor = Det3(m[1][c[0]], m[1][c[1]], m[1][c[2]], m[2][c[0]], m[2][c[1]], m[2][c[2]],
                            m[3][c[0]], m[3][c[1]], m[3][c[2]]);
        det += ((j & 1) ? -1.0 : 1.0) * m[0][j] * minor;
    }
    return det;
}

}  // namespace

void StripExtension(char* name) {
    if (!name || name[0] == '\0') return;
    char* dot = std::strchr(name + 1, '.');
    if (dot && dot - name >= 2) *dot = '\0';
}

void StrUpper(char* name) {
    if (!name) return;
    for (; *name; ++name) *name = static_cast<char>(std::toupper(static_cast<unsigned char>(*name)));
}

void ScreenPointToRay(Ray* ray, int32_t x, int32_t y, const Camera& camera) {
    const ScreenRect& r = g_Video.screenRect;
    int64_t w = int64_t(r.right) - r.left + 1;
    int64_t h = int64_t(r.bottom) - r.top + 1;
    ray->origin = camera.eye;
    float p11 = camera.projection.m[0][0];
    float p22 = camera.projection.m[1][1];
    if (w <= 0 || h <= 0 || p11 == 0.0f || p22 == 0.0f) {
        ray->direction = {0.0f, 0.0f, 0.0f};
        return;
    }
    float px = (float(2 * int64_t(x) - w) / float(w)) / p11;
    float py = -(float(2 * int64_t(y) - h) / float(h)) / p22;
    Vec3 world = TransformPoint({px, py, 1.0f}, camera.inverseView);
    ray->direction = NormalizeOrZero(Vec3Sub(world, camera.eye), 0.000001f);
}

bool WorldToScreen(float x, float y, float z, int32_t* sx, int32_t* sy, const Camera& camera) {
    const Mat4& m = camera.viewProjection;
    const ScreenRect& r = g_Video.screenRect;
    float w = float(int64_t(r.right) - r.left + 1);
    float h = float(int64_t(r.bottom) - r.top + 1);
    float iw = 1.0f / (x * m.m[0][3] + y * m.m[1][3] + z * m.m[2][3] + m.m[3][3]);
    float cx = (x * m.m[0][0] + y * m.m[1][0] + z * m.m[2][0] + m.m[3][0]) * iw;
    float cy = (x * m.m[0][1] + y * m.m[1][1] + z * m.m[2][1] + m.m[3][1]) * iw;
    if (sx) *sx = TruncateToPixel((cx + 1.0f) * w * 0.5f);
    if (sy) *sy = TruncateToPixel((1.0f - cy) * h * 0.5f);
    return true;
}

void MatrixRotation(Mat4* out, float a, float b, float c) {
    *out = Mat4Mul(Mat4Mul(Mat4RotationX(a), Mat4RotationY(b)), Mat4RotationZ(c));
}

Mat4 QuatToMatrix(const Quat& q) {
    float x2 = q.x + q.x, y2 = q.y + q.y, z2 = q.z + q.z;
    Mat4 r = Mat4Identity();
    r.m[0][0] = 1.0f - q.y * y2 - q.z * z2;
    r.m[0][1] = q.x * y2 - q.w * z2;
    r.m[0][2] = q.x * z2 + q.w * y2;
    r.m[1][0] = q.x * y2 + q.w * z2;
    r.m[1][1] = 1.0f - q.x * x2 - q.z * z2;
    r.m[1][2] = q.y * z2 - q.w * x2;
    r.m[2][0] = q.x * z2 - q.w * y2;
    r.m[2][1] = q.y * z2 + q.w * x2;
    r.m[2][2] = 1.0f - q.x * x2 - q.y * y2;
    return r;
}

void BuildTransformMatrix(Mat4* out, const TransformParts& t) {
    Mat4 mt = Mat4Translation(t.translation.x, t.translation.y, t.translation.z);
    Mat4 mr1 = QuatToMatrix(t.rotation);
    Mat4 mr2 = QuatToMatrix(t.stretchRotation);
    Mat4 ms = Mat4Scaling(t.stretchScale.x * t.sign, t.stretchScale.y * t.sign, t.stretchScale.z * t.sign);
    // A singular stretch rotation (only from a malformed quaternion) leaves the stretch
    // axes unrotated rather than reading garbage.
    Mat4 mi = Mat4Identity();
    if (!Mat4Inverse(&mi, mr2)) mr2 = Mat4Identity();
    *out = Mat4Mul(Mat4Mul(Mat4Mul(Mat4Mul(mi, ms), mr2), mr1), mt);
}

bool NextPowerOfTwo(uint32_t value, uint32_t* lower, uint32_t* upper) {
    uint32_t up = 2;
    // Stop at 2^31: one more doubling would wrap to 0 and never end.
    while (up < value && up < 0x80000000u) up <<= 1;
    uint32_t low = up > 2 ? up >> 1 : 2;
    if (lower) *lower = low;
    if (upper) *upper = up;
    return value == up;
}

bool ClipPolygonByPlanes(const Plane* planes, int planeCount, const Vec3* points, int pointCount,
                         std::vector<Vec3>* newPoints) {
    newPoints->clear();
    if (pointCount < 0 || (pointCount > 0 && !points)) return false;
    if (planeCount > 0 && !planes) return false;

    // Each pass outputs at most one and a half points per input point, so the storage
    // grows with the polygon instead of being capped.
    std::vector<Vec3> current(points, points + pointCount);
    std::vector<Vec3> next;
    std::vector<uint8_t> inside;
    for (int p = 0; p < planeCount; ++p) {
        const Plane& plane = planes[p];
        size_t n = current.size();
        if (n == 0) return false;
        inside.assign(n, 0);
        bool any = false;
        for (size_t i = 0; i < n; ++i) {
            inside[i] = PlaneValue(plane, current[i]) <= 0.0f;
            any = any || inside[i];
        }
        if (!any) return false;

        next.clear();
        next.reserve(n + n / 2 + 1);
        const Vec3 normal{plane.a, plane.b, plane.c};
        for (size_t i = 0; i < n; ++i) {
            size_t j = (i + 1 == n) ? 0 : i + 1;
            const Vec3& pi = current[i];
            const Vec3& pj = current[j];
            if (inside[i]) next.push_back(pi);
            if (inside[i] == inside[j]) continue;
            Vec3 edge = Vec3Sub(pj, pi);
            float denom = Vec3Dot(normal, edge);
            if (std::fabs(denom) < 1.1920929e-7f) {
                next.push_back(inside[i] ? pj : pi);
            } else {
                float t = -PlaneValue(plane, pi) / denom;
                next.push_back(Vec3Add(pi, Vec3Scale(edge, t)));
            }
        }
        current.swap(next);
    }
    if (current.size() < 3) return false;
    newPoints->swap(current);
    return true;
}

bool SegmentIntersectXZ(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d, Vec3* out) {
    float ex = b.x - a.x, ez = b.z - a.z;
    float fx = d.x - c.x, fz = d.z - c.z;
    float den = ex * fz - ez * fx;
    if (std::fabs(den) < 0.000001f) return false;
    float num = (a.z - c.z) * fx - (a.x - c.x) * fz;
    if (num > 0.9999999f && num < 1.0000001f) return false;
    float t = num / den;
    out->x = a.x + t * ex;
    out->z = a.z + t * ez;
    return true;
}

bool SolveLinear4x4(const Mat4& m, const float rhs[4], float x[4]) {
    double a[4][4];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) a[i][j] = m.m[i][j];
    double det = Det4(a);
    if (!(std::fabs(det) >= 0.0001)) return false;
    for (int j = 0; j < 4; ++j) {
        double aj[4][4];
        for (int i = 0; i < 4; ++i)
            for (int k = 0; k < 4; ++k) aj[i][k] = (k == j) ? rhs[i] : a[i][k];
        x[j] = static_cast<float>(Det4(aj) / det);
    }
    return true;
}

bool SegmentClosestPoint(const Vec3& a, const Vec3& b, const Vec3& p, float* distance, Vec3* point) {
    // The foot of p on the line through b along d = b - a: the system x - s d = b, d . x = d . p,
    // whose determinant is |d|^2, solved in closed form (the props test it per face edge).
    const double dx = double(b.x) - a.x, dy = double(b.y) - a.y, dz = double(b.z) - a.z;
    const double dd = dx * dx + dy * dy + dz * dz;
    if (dd < 0.0001) return false;
    const double s = (dx * (double(p.x) - b.x) + dy * (double(p.y) - b.y) + dz * (double(p.z) - b.z)) / dd;
    const Vec3 foot{float(b.x + s * dx), float(b.y + s * dy), float(b.z + s * dz)};
    const Vec3 d{float(dx), float(dy), float(dz)};

    float toA = LengthSq(Vec3Sub(a, foot));
    float toB = LengthSq(Vec3Sub(b, foot));
    float ab = LengthSq(d);
    Vec3 chosen = foot;
    if (ab < toA || ab < toB) chosen = (toB <= toA) ? b : a;

    if (point) *point = chosen;
    if (distance) *distance = Vec3Length(Vec3Sub(chosen, p));
    return true;
}

int RayBoxIntersect(const AxisBox& box, const Ray& ray, Vec3* point) {
    struct Face {
        int axis;      // 0 x, 1 y, 2 z
        bool useMax;
        int code;
    };
    static const Face kFaces[6] = {{1, true, 1}, {1, false, 2}, {2, false, 4},
                                   {2, true, 3}, {0, false, 5}, {0, true, 6}};
    const float o[3] = {ray.origin.x, ray.origin.y, ray.origin.z};
    const float d[3] = {ray.direction.x, ray.direction.y, ray.direction.z};
    const float lo[3] = {box.min.x, box.min.y, box.min.z};
    const float hi[3] = {box.max.x, box.max.y, box.max.z};

    int bestCode = 0;
    float bestDistSq = 0.0f;
    Vec3 best{};
    for (const Face& f : kFaces) {
        if (std::fabs(d[f.axis]) <= 0.0001f) continue;
        float planeAt = f.useMax ? hi[f.axis] : lo[f.axis];
        float t = (planeAt - o[f.axis]) / d[f.axis];
        if (t < 0.0f) continue;
        float hit[3];
        for (int k = 0; k < 3; ++k) hit[k] = o[k] + t * d[k];
        hit[f.axis] = planeAt;
        bool within = true;
        for (int k = 0; k < 3; ++k)
            if (k != f.axis && !(hit[k] > lo[k] && hit[k] < hi[k])) within = false;
        if (!within) continue;
        Vec3 h{hit[0], hit[1], hit[2]};
        float distSq = LengthSq(Vec3Sub(h, ray.origin));
        if (bestCode == 0 || distSq < bestDistSq) {
            bestCode = f.code;
            bestDistSq = distSq;
            best = h;
        }
    }
    if (bestCode != 0 && point) *point = best;
    return bestCode;
}

bool RayCylinderIntersect(const Ray& ray, const Cylinder& cyl, Vec3* point, Vec3* normal) {
    const Vec3& d = ray.direction;
    Vec3 o = Vec3Sub(ray.origin, cyl.base);
    float r2 = cyl.radius * cyl.radius;

    bool hit = false;
    Vec3 bestPoint{}, bestNormal{};
    float bestDistSq = 0.0f;
    auto consider = [&](const Vec3& q, const Vec3& n) {
        float distSq = LengthSq(Vec3Sub(q, o));
        if (!hit || distSq < bestDistSq) {
            hit = true;
            bestDistSq = distSq;
            bestPoint = q;
            bestNormal = n;
        }
    };

    // A ray parallel to the caps cannot cross them.
    if (d.y != 0.0f) {
        const float capY[2] = {0.0f, cyl.height};
        const Vec3 capNormal[2] = {{0.0f, -1.0f, 0.0f}, {0.0f, 1.0f, 0.0f}};
        for (int c = 0; c < 2; ++c) {
            float t = (capY[c] - o.y) / d.y;
            if (t < 0.0f) continue;
            Vec3 q = Vec3Add(o, Vec3Scale(d, t));
            if (q.x * q.x + q.z * q.z < r2) consider(q, capNormal[c]);
        }
    }

    float a = d.x * d.x + d.z * d.z;
    float b = 2.0f * (o.x * d.x + o.z * d.z);
    float c = o.x * o.x + o.z * o.z - r2;
    float disc = b * b - 4.0f * a * c;
    if (disc > 0.0f) {
        float root = std::sqrt(disc);
        float t1 = (root - b) / (2.0f * a);
        float t2 = (-b - root) / (2.0f * a);
        float t = -1.0f;
        if (t1 >= 0.0f && t2 >= 0.0f) t = t2;
        else if (t1 >= 0.0f) t = t1;
        if (t >= 0.0f) {
            Vec3 q = Vec3Add(o, Vec3Scale(d, t));
            if (q.y >= 0.0f && q.y <= cyl.height)
                consider(q, NormalizeOrZero({q.x, 0.0f, q.z}, 0.000001f));
        }
    }

    if (!hit) return false;
    if (point) *point = Vec3Add(cyl.base, bestPoint);
    if (normal) *normal = bestNormal;
    return true;
}

bool RaySphereIntersect(const Ray& ray, const Sphere& sphere, Vec3* point, Vec3* normal) {
    const Vec3& d = ray.direction;
    Vec3 o = Vec3Sub(ray.origin, sphere.centre);
    float a = Vec3Dot(d, d);
    float b = 2.0f * Vec3Dot(o, d);
    float disc = b * b - 4.0f * a * (Vec3Dot(o, o) - sphere.radius * sphere.radius);
    if (!(disc > 0.0f)) return false;
    float root = std::sqrt(disc);
    float t1 = (root - b) / (2.0f * a);
    float t2 = (-b - root) / (2.0f * a);
    float t;
    if (t1 > 0.0f && t2 > 0.0f) t = t2;
    else if (t1 > 0.0f) t = t1;
    else return false;
    Vec3 q = Vec3Add(o, Vec3Scale(d, t));
    if (point) *point = Vec3Add(sphere.centre, q);
    if (normal) *normal = NormalizeOrZero(q, 0.000001f);
    return true;
}
