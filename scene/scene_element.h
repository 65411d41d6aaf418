// Undrawn data of a scene file: named points and boxes (eight or four values) and one record
// with a texture, kept in the scene's lists for the parts that read them; and the name-tag rule
// by which the scene loader picks some node kinds.
#pragma once

#include <cstdint>

#include "scene/scene_node.h"

class BinaryReader;

constexpr uint32_t TEXTURED_ELEMENT_RECORD_SIZE = 316;
constexpr int TEXTURED_ELEMENT_VALUES = 15;
constexpr uint32_t TEXTURED_ELEMENT_NAME_SIZE = 256;

// True when the first occurrence of the tag in the name comes after its first character, right
// after a "(", and a ")" or ":" follows somewhere from there to the end: "Torch(FLARE)",
// "Sun(SOL:2)". Null texts give false.
bool HasNameTag(const char* name, const char* tag);

// A named node with N 32-bit values after its node header.
template <int N, uint32_t Type>
class SceneElement : public SceneNode {
public:
    uint32_t values[N] = {};

    SceneElement() { typeCode = Type; }
    // Draws nothing.
    bool Draw() override { return true; }
    // The node header (its name becomes the node's) and the values; false (logged) on a short
    // read.
    virtual bool Load(BinaryReader& in);
};

using SceneElement8 = SceneElement<8, NODE_TYPE_ELEMENT_A>;
using SceneElement4 = SceneElement<4, NODE_TYPE_ELEMENT_B>;

class TexturedElement : public SceneNode {
public:
    uint32_t values[TEXTURED_ELEMENT_VALUES] = {};
    int32_t texture = -1;

    TexturedElement() = default;
    ~TexturedElement() override;
    // Frees the name and zeroes the first value.
    void Release() override;
    bool Draw() override { return true; }
    // The 316-byte record: the values and a texture file name, which is loaded. The node takes no
    // name from the file. False (logged) on a short read.
    virtual bool Load(BinaryReader& in);
};
