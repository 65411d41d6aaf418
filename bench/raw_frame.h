// The frame benchmark's floor: the generated scene's triangles drawn as a careful OpenGL
// programmer would draw them, in a window and context of its own beside the game's. The scene's
// vertex-buffer groups are buffer objects and every mesh one glDrawRangeElements; each pass turns
// on only the arrays it reads; lit geometry is lit by OpenGL's fixed-function lights with the
// lights the game chose for it; the characters are skinned by a two-bone blend written for speed
// into one streamed buffer; the shadow volumes are drawn in two calls; the panes' triangles are
// sorted farthest first each frame into one streamed index buffer and drawn blended, one draw for
// each run of triangles that share a texture. The camera, the poses and the shadow volumes are
// taken from the scene the game drew, so both draw the same picture.
#pragma once

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <vector>

#include "frame_compare.h"
#include "frame_scene.h"

namespace benchsupport {

class RawFrame {
public:
    // Reads what it needs of the game's scene, which has drawn a frame already.
    RawFrame(const FrameConfig& config, const GameScene& game);
    ~RawFrame();
    RawFrame(const RawFrame&) = delete;
    RawFrame& operator=(const RawFrame&) = delete;
    bool Ready() const { return ready_; }

    // One frame, presented and finished; with picture, its pixels are read before the swap
    // (rows top-down, 0xAARRGGBB).
    void Frame(std::vector<uint32_t>* picture = nullptr);

private:
    void SetUpWorld(const GameScene& game);
    void SetUpCharacters(const GameScene& game);
    void SetUpPanes(bool mipmapped);
    void DrawWorld();
    void DrawPanes();
    void DrawShadows();
    void DrawCharacters();
    // Sets the lights that differ from those in force.
    void UseLights(const LightSet& set);

    FrameConfig config_;
    RawWindow window_;
    bool ready_ = false;
    GLuint textures_[kTextures] = {};
    GLuint groupVertices_[kGroups] = {}, groupIndices_[kGroups] = {};
    std::vector<int> worldOrder_;  // the meshes in the order they are drawn
    std::vector<LightSet> meshLights_, characterLights_;
    LightSet lights_;     // in force
    bool lightsKnown_ = false;
    // The characters: the bind pose one array per component, texture coordinates and indices
    // repeated for each character's slot in the streamed buffer, which takes positions and normals.
    struct BindPose {
        std::vector<float> x, y, z, nx, ny, nz, weight;
    } bind_;
    GLuint skinStream_ = 0, skinTexCoords_ = 0, skinIndices_ = 0;
    GLuint volumeStream_ = 0, overlayQuad_ = 0;
    size_t volumeCapacity_ = 0;
    float darkness_ = 0;
    GLuint paneTextures_[kPaneTextures] = {};
    GLuint paneVertices_ = 0, paneIndices_ = 0;
    std::vector<uint32_t> paneOrder_;  // the panes' triangles, farthest first
    std::vector<uint16_t> paneSorted_;  // their indices in that order
    std::vector<float> paneDistances_;
};

}  // namespace benchsupport
