// Solid 3D words of the 3D menu: each character's outline is tessellated and extruded into a
// closed mesh of its own, so that letters can fly in, wave and fly out on their own; the word
// moves, turns and is picked as one.
#pragma once

#include <cstdint>
#include <vector>

#include "common/math.h"
#include "platform/text/text.h"
#include "world/dynamic_mesh.h"

// An outline tessellated and extruded: front face at z 0, back face at the depth, side walls.
struct TessellatedMesh {
    std::vector<MeshVertex> vertices;
    std::vector<uint32_t> indices;   // three per triangle
    float depth = 0;
    uint32_t frontTriangles = 0;

    // False (logged) when the tessellator cannot be made.
    bool Build(const std::vector<text::OutlineContour>& contours, int32_t height);
};

struct Letter3D {
    DynamicMesh* mesh = nullptr;      // null for a character without outline
    uint32_t indexCount = 0;
    Vec3 boxMax{}, boxMin{};          // in the letter's own frame
    Vec3 offset{};                    // in the word's frame
    Vec3 home{};
    Vec3 angles{};
    Mat4 world = Mat4Identity();
    const Mat4* wordMatrix = nullptr;
    const Vec3* wordPosition = nullptr;

    // Outline, tessellation, extrusion and mesh of one character, in the scene's main object
    // list. 0, or -1 when the outline, the tessellator or the mesh failed (then no mesh); a blank
    // gets no mesh and 0.
    int32_t Build(int32_t height, const char* chars, const text::Font* font, Vec3* centreOut, int32_t length,
                  int32_t material);
    // World = rotation by the angles with the offset, times the word's matrix; written into the
    // mesh with its bounds.
    void UpdateMatrix();
};

constexpr int TEXT3D_STILL = 0;
constexpr int TEXT3D_FLY_IN = 1;
constexpr int TEXT3D_FLY_OUT = 2;
constexpr int TEXT3D_STOP = 3;
constexpr int TEXT3D_WAVE = 4;

struct Text3D {
    char* text = nullptr;
    int32_t height = 0;
    float scale = 0, halfScale = 0;
    int32_t letterCount = 0;
    std::vector<Letter3D> letters;
    std::vector<Vec3> centres;
    Vec3 position{}, angles{};
    Mat4 wordMatrix = Mat4Identity();
    Mat4 second = Mat4Identity();
    Vec3 boxMax{}, boxMin{};          // relative to the position
    std::vector<float> advances;
    float totalWidth = 0;
    uint8_t dirty = 0;
    int32_t motionMode = 0;           // 0 idle, 1 moving to the target
    int32_t animation = TEXT3D_STILL;
    int32_t requested = TEXT3D_STILL;
    uint32_t now = 0;                 // ms of the menu clock
    Vec3 motionTarget{}, motionDirection{}, motionVelocity{};
    uint32_t lastMotionTime = 0, motionStart = 0;
    // Per letter.
    std::vector<Vec3> homes, directions, velocities;
    std::vector<float> phases;
    std::vector<uint32_t> startTimes;
    std::vector<uint8_t> done;
    float waveAmplitude = 0, waveSpeed = 0;
    uint8_t stop = 0;

    Text3D() = default;
    ~Text3D() { Release(); }
    Text3D(const Text3D&) = delete;
    Text3D& operator=(const Text3D&) = delete;

    // The word in the face at the cell height; the letter material carries the texture. False
    // when no letter could be built and some failed (an empty or blank text is true).
    bool Create(int32_t height, const char* text, const char* face, const char* textureFile, int32_t material);
    // Under a screen point (fractions): on the plane through the origin facing the camera; "D"
    // ends the word there, "I" starts it there, anything else centres it.
    void PlaceAtScreen(float x, float y, uint8_t alignLetter);
    bool IsUnderCursor() const;
    void StartAnimation(int mode);
    // Per frame: the menu clock, the motion, the letters, then the matrices when anything moved.
    void Update3DText();
    void UpdateMatrices();
    // Takes the letters out of the scene and deletes them; frees everything.
    void Release();

private:
    void StepMotion();
    void StepLetters();
    void StepFlight(bool in);
    void StepWave();
    // A point a random distance and direction from a letter's home that the camera cannot see.
    Vec3 PointOutOfView(size_t letter);
};

// The fly-in acceleration, fixed by the first word that flies in (tests put it back).
void ResetText3DRates();
