#include "scene/scene_element.h"

#include <cstring>

#include "common/binary_reader.h"
#include "render/texture_manager.h"
#include "scene/scene.h"
#include "core/debug_log.h"

namespace {

uint32_t U32At(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

bool HasNameTag(const char* name, const char* tag) {
    if (!name || !tag || !*tag) return false;
    const char* at = std::strstr(name, tag);
    if (!at || at == name || at[-1] != '(') return false;
    return std::strpbrk(at, "):") != nullptr;
}

template <int N, uint32_t Type>
bool SceneElement<N, Type>::Load(BinaryReader& in) {
    const uint8_t* header = in.Span(SCENE_NODE_HEADER_SIZE);
    if (!header) {
        WriteDebugLog("SceneElement: short node header");
        return false;
    }
    char text[SCENE_NODE_NAME_SIZE + 1];
    std::memcpy(text, header, SCENE_NODE_NAME_SIZE);
    text[SCENE_NODE_NAME_SIZE] = 0;
    SetName(text);
    const uint8_t* tail = in.Span(4 * N);
    if (!tail) {
        WriteDebugLog("SceneElement: short values");
        return false;
    }
    for (int i = 0; i < N; ++i) values[i] = U32At(tail + 4 * i);
    return true;
}

template class SceneElement<8, NODE_TYPE_ELEMENT_A>;
template class SceneElement<4, NODE_TYPE_ELEMENT_B>;

TexturedElement::~TexturedElement() { TexturedElement::Release(); }

void TexturedElement::Release() {
    SceneNode::Release();
    values[0] = 0;
}

bool TexturedElement::Load(BinaryReader& in) {
    const uint8_t* record = in.Span(TEXTURED_ELEMENT_RECORD_SIZE);
    if (!record) {
        WriteDebugLog("TexturedElement: short record");
        return false;
    }
    for (int i = 0; i < TEXTURED_ELEMENT_VALUES; ++i) values[i] = U32At(record + 4 * i);
    // The stored name need not be terminated.
    char fileName[TEXTURED_ELEMENT_NAME_SIZE + 1];
    std::memcpy(fileName, record + 4 * TEXTURED_ELEMENT_VALUES, TEXTURED_ELEMENT_NAME_SIZE);
    fileName[TEXTURED_ELEMENT_NAME_SIZE] = 0;
    texture = g_Scene.textures ? g_Scene.textures->LoadTexture(fileName, true, true, true) : -1;
    return true;
}
