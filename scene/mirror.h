// A flat surface of a scene that shows the scene reflected in it: each mirror renders the view
// of a camera mirrored in its plane into a square render-target texture of its own, then draws
// its triangles with that texture. Live mirrors (ESPEJOS on) refresh while the eye is near and in
// front; otherwise the image is made once per target creation.
#pragma once

#include <cstdint>
#include <vector>

#include "common/math.h"
#include "scene/scene_node.h"

class BinaryReader;
class Camera;
class IndexBuffer;
class VertexBuffer;
struct MirrorFrame;
namespace gfx {
class Surface;
class Texture;
}  // namespace gfx

constexpr uint32_t MIRROR_RECORD_SIZE = 101;
// The eye must be this near for a live mirror to refresh.
constexpr float MIRROR_LIVE_DISTANCE = 75.0f;

// Whether the adapter allows a render-target texture for the back buffer's depth and the
// texture-depth setting (reflections of mirrors and water).
bool ReflectionTargetsAllowed();
// Edge of a square reflection target: halved while larger than the screen's smaller side.
uint32_t FitTargetToScreen(uint32_t size);
// The size x size X8R8G8B8 render-target texture and, when the device multisamples, a D16 depth
// surface. False when either cannot be made (what was made is kept).
bool CreateReflectionTargets(uint32_t size, gfx::Texture** texture, gfx::Surface** depth);
void ReleaseReflectionTargets(gfx::Texture** texture, gfx::Surface** depth);

class Mirror : public SceneNode {
public:
    uint32_t triangleCount = 0;
    Vec3 reflection{0, 0, 0};      // kept from the record
    uint32_t spare = 0;            // kept from the record
    Vec3 axes[3] = {};             // X, Y, Z as stored; Z is the front normal
    Vec3 position{0, 0, 0};
    float sizeScale = 0.0f;
    uint8_t sizeByte = 0;
    Mat4 worldToMirror = Mat4Identity();
    float box[6] = {0, 0, 0, 0, 0, 0};
    int32_t materialId = -1;
    gfx::Texture* texture = nullptr;
    gfx::Surface* depthSurface = nullptr;
    uint32_t targetSize = 0;
    VertexBuffer* vertexBuffer = nullptr;
    IndexBuffer* indexBuffer = nullptr;
    uint8_t reflectionOn = 0;
    uint8_t staticImageDone = 0;
    Camera* mirroredCamera = nullptr;

    Mirror() { typeCode = NODE_TYPE_MIRROR; }
    ~Mirror() override;

    void Release() override;
    bool Draw() override;
    // The 101-byte record and its vertex and index blocks after a type 0x800 object record; the
    // last two arguments are not used. False (logged) on a short record or a malformed block.
    virtual bool Load(BinaryReader& in, const std::vector<int32_t>& materialIds, int32_t indexBase,
                      int32_t vertexBase);
    virtual void RenderReflection();

    bool CreateTargets(uint32_t size);
    void ReleaseTargets();
    // What Camera::SetupMirror takes from this mirror.
    MirrorFrame Frame() const;
    // Size byte x scale raised to a power of two, then fitted to the screen.
    uint32_t ChooseTargetSize() const;
    // The eye on the front side of the plane (or in it).
    bool FacesEye(const Vec3& eye) const;
};
