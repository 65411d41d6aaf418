#include "scene/scene_node.h"

#include <cstring>

SceneNode::~SceneNode() { SceneNode::Release(); }

bool SceneNode::SetName(const char* text) {
    if (!text) return true;
    const size_t n = std::strlen(text);
    char* copy = new char[n + 1];
    std::memcpy(copy, text, n + 1);
    delete[] name;
    name = copy;
    return true;
}

void SceneNode::Release() {
    delete[] name;
    name = nullptr;
}

void SceneNode::CopyFrom(const SceneNode& other) {
    if (&other != this) SetName(other.name);
}

int SceneNode::RemapMeshIds(Scene*) { return 0; }

bool SceneNode::Render() { return Draw(); }

bool SceneNode::Draw() { return true; }
