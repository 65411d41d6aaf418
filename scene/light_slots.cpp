#include "scene/light_slots.h"

#include "render/video.h"
#include "scene/light_node.h"
#include "scene/scene.h"

void LightSlots::DisableAll() {
    if (gfx::Device* device = g_Video.device)
        for (uint32_t i = 0; i < LIGHT_SLOT_COUNT; ++i) device->LightEnable(i, false);
    for (LightNode*& s : slots) s = nullptr;
}

bool LightSlots::Assign(LightNode* light, float x, float y, float z) {
    if (!light) return false;
    for (int i = 0; i < LIGHT_SLOT_COUNT; ++i) {
        if (slots[i] == light) return true;
        if (!slots[i]) {
            slots[i] = light;
            light->Apply(uint32_t(i), x, y, z);
            return true;
        }
    }
    return false;
}

bool LightSlots::SelectForBox(const float box[6]) {
    DisableAll();
    float cx = (box[0] + box[3]) * 0.5f, cy = (box[1] + box[4]) * 0.5f, cz = (box[2] + box[5]) * 0.5f;
    if (g_Scene.sun && g_Scene.sun->Reaches(cx, cy, cz)) Assign(g_Scene.sun, cx, cy, cz);
    for (LightNode* light : g_Scene.lights)
        if (light && light->Reaches(cx, cy, cz)) Assign(light, cx, cy, cz);
    return true;
}
