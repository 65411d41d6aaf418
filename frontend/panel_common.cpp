#include "frontend/panel_common.h"

#include <cstdarg>
#include <cstdio>

#include "frontend/menu.h"
#include "frontend/menu_calls.h"
#include "frontend/text_table.h"
#include "scene/glow.h"
#include "shell/mouse.h"

void PanelSound(int id) {
    if (g_MenuShellCalls.playFx) g_MenuShellCalls.playFx(id);
}

void ShowPanelTip(int textId) {
    const float sw = SpriteScreenWidth(), sh = SpriteScreenHeight();
    if (sw <= 0.0f || sh <= 0.0f) return;
    g_Menu.tooltip.SetText(PanelText(textId));
    g_Menu.tooltip.SetPosition(float(g_Mouse.x) / sw, float(g_Mouse.y) / sh);
    g_Menu.tooltip.visible = 1;
}

const char* PanelText(int textId) {
    const char* t = g_TextTable.Find(textId);
    return t ? t : "";
}

void PanelPrint(char* out, size_t capacity, const char* format, ...) {
    if (!out || capacity == 0) return;
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(out, capacity, format, args);
    va_end(args);
    if (n < 0) out[0] = 0;
}
