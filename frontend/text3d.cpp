#include "frontend/text3d.h"

#include <cmath>
#include <cstring>

#include "core/clocks.h"
#include "core/debug_log.h"
#include "render/geometry.h"
#include "scene/camera.h"
#include "scene/glow.h"
#include "scene/object_list.h"
#include "scene/scene.h"
#include "shell/mouse.h"

namespace {

constexpr float kLetterGap = 0.05f;
constexpr float kBlankAdvance = 0.33333334f;

}  // namespace

bool Text3D::Create(int32_t fontHeight, const char* word, const char* face, const char*, int32_t material) {
    Release();
    if (!word) word = "";
    const size_t n = std::strlen(word);
    text = new char[n + 1];
    std::memcpy(text, word, n + 1);
    height = fontHeight;
    scale = float(fontHeight) * 0.01f;
    halfScale = scale * 0.5f;
    letterCount = int32_t(n);
    letters.assign(n, Letter3D{});
    centres.assign(n, Vec3{});
    advances.assign(n, 0.0f);

    text::FontDesc desc;
    desc.height = fontHeight;   // the cell height
    desc.weight = text::FW_BOLD;
    desc.face = face ? face : "";
    text::Font* font = n ? text::CreateFont(desc) : nullptr;
    if (n && !font) WriteDebugLogF("Text3D::Create: no font '%s' of height %d", desc.face.c_str(), int(fontHeight));
    size_t failed = font ? 0 : n;
    for (size_t i = 0; i < n; ++i) {
        Letter3D& l = letters[i];
        if (font && l.Build(fontHeight, word + i, font, &centres[i], 1, material) != 0) ++failed;
        advances[i] = l.mesh ? l.boxMax.x - l.boxMin.x : scale * kBlankAdvance;
    }
    text::DeleteFont(font);

    position = angles = Vec3{0, 0, 0};
    MatrixRotation(&wordMatrix, 0, 0, 0);
    second = Mat4Identity();
    totalWidth = 0;
    for (float a : advances) totalWidth += a + kLetterGap;
    float pen = 0;
    for (size_t i = 0; i < n; ++i) {
        Letter3D& l = letters[i];
        l.offset = Vec3{pen + advances[i] * 0.5f - totalWidth * 0.5f, 0, -centres[i].z};
        pen += advances[i] + kLetterGap;
        l.home = l.offset;
        l.wordMatrix = &wordMatrix;
        l.wordPosition = &position;
        l.UpdateMatrix();
    }

    // Blanks leave no letter behind; a word of blanks only has an empty box.
    size_t kept = 0;
    for (size_t i = 0; i < n; ++i)
        if (letters[i].mesh) {
            letters[kept] = letters[i];
            centres[kept] = centres[i];
            advances[kept] = advances[i];
            ++kept;
        }
    if (kept) {
        boxMin = Vec3Add(letters[0].offset, letters[0].boxMin);
        boxMax = Vec3Add(letters[kept - 1].offset, letters[kept - 1].boxMax);
    } else {
        boxMin = boxMax = Vec3{0, 0, 0};
    }
    letters.resize(kept);
    centres.resize(kept);
    advances.resize(kept);
    letterCount = int32_t(kept);
    homes.assign(kept, Vec3{});
    directions.assign(kept, Vec3{});
    velocities.assign(kept, Vec3{});
    phases.assign(kept, 0.0f);
    startTimes.assign(kept, 0);
    done.assign(kept, 0);
    dirty = 1;
    return kept > 0 || failed == 0;
}

void Text3D::PlaceAtScreen(float x, float y, uint8_t alignLetter) {
    const Camera* camera = g_Scene.camera;
    if (!camera) return;
    Ray ray{};
    ScreenPointToRay(&ray, int32_t(SpriteScreenWidth() * x), int32_t(SpriteScreenHeight() * y), *camera);
    const Vec3 view = camera->GetDirection();
    const float cosine = Vec3Dot(ray.direction, view);
    if (std::fabs(cosine) < 0.0001f) {
        // Along the surface: as far out along the ray as the origin lies from the eye.
        position = Vec3Add(ray.origin, Vec3Scale(ray.direction, Vec3Length(ray.origin)));
    } else {
        const float t = -Vec3Dot(ray.origin, view) / cosine;
        position = Vec3Add(ray.origin, Vec3Scale(ray.direction, t));
    }
    if (alignLetter == 'D' || alignLetter == 'd') position.x -= totalWidth * 0.5f;
    if (alignLetter == 'I' || alignLetter == 'i') position.x += totalWidth * 0.5f;
    dirty = 1;
}

bool Text3D::IsUnderCursor() const {
    const Camera* camera = g_Scene.camera;
    if (!camera) return false;
    Ray ray{};
    ScreenPointToRay(&ray, g_Mouse.x, g_Mouse.y, *camera);
    const AxisBox box{Vec3Add(position, boxMax), Vec3Add(position, boxMin)};
    return RayBoxIntersect(box, ray, nullptr) != 0;
}

void Text3D::Update3DText() {
    now = GetTime(CLOCK_MENU);
    StepMotion();
    StepLetters();
    if (dirty) UpdateMatrices();
}

void Text3D::UpdateMatrices() {
    MatrixRotation(&wordMatrix, angles.x, angles.y, angles.z);
    wordMatrix.m[3][0] = position.x;
    wordMatrix.m[3][1] = position.y;
    wordMatrix.m[3][2] = position.z;
    for (Letter3D& l : letters) l.UpdateMatrix();
    dirty = 0;
}

void Text3D::Release() {
    for (Letter3D& l : letters) {
        // A mesh no longer in the list went with its scene.
        if (l.mesh && g_Scene.objects) g_Scene.objects->Delete(l.mesh);
        l.mesh = nullptr;
    }
    delete[] text;
    text = nullptr;
    height = letterCount = 0;
    scale = halfScale = totalWidth = 0;
    letters.clear();
    centres.clear();
    advances.clear();
    position = angles = boxMax = boxMin = Vec3{0, 0, 0};
    wordMatrix = second = Mat4Identity();
    dirty = 0;
    motionMode = 0;
    animation = requested = TEXT3D_STILL;
    now = lastMotionTime = motionStart = 0;
    motionTarget = motionDirection = motionVelocity = Vec3{0, 0, 0};
    homes.clear();
    directions.clear();
    velocities.clear();
    phases.clear();
    startTimes.clear();
    done.clear();
    waveAmplitude = waveSpeed = 0;
    stop = 0;
}
