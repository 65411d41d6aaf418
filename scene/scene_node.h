// The root of every named object a model file turns into: a name and a type code, and the first
// seven virtual operations all node kinds share (derived kinds add theirs after these).
#pragma once

#include <cstdint>

class Scene;

// Bytes of the node header that follows every object record of a model file.
constexpr uint32_t SCENE_NODE_HEADER_SIZE = 573;
// The name field at the start of the node header.
constexpr uint32_t SCENE_NODE_NAME_SIZE = 256;

enum SceneNodeType : uint32_t {
    NODE_TYPE_BASE = 0,
    NODE_TYPE_MESH = 1,
    NODE_TYPE_DYNAMIC_MESH = 2,
    NODE_TYPE_DYNAMIC_COLLIDABLE = 3,
    NODE_TYPE_CHARACTER_MODEL = 5,
    NODE_TYPE_MIRROR = 6,
    NODE_TYPE_ELEMENT_A = 10,
    NODE_TYPE_ELEMENT_B = 11,
};

class SceneNode {
public:
    char* name = nullptr;    // owned copy; null until set
    uint32_t typeCode = NODE_TYPE_BASE;

    SceneNode() = default;
    virtual ~SceneNode();
    SceneNode(const SceneNode&) = delete;
    SceneNode& operator=(const SceneNode&) = delete;

    // A null text changes nothing; otherwise the node keeps its own copy. Always true.
    virtual bool SetName(const char* text);
    // Frees what the node owns (here the name); safe to call again.
    virtual void Release();
    // The other node's name.
    virtual void CopyFrom(const SceneNode& other);
    // Moves the node's meshes into another scene's mesh table; nothing to move here.
    virtual int RemapMeshIds(Scene* target);
    // Kinds that cull or queue override this; the base draws at once.
    virtual bool Render();
    virtual bool Draw();
};
