#include "frontend/adapter_queries.h"

#include "platform/gfx/types.h"
#include "render/adapter_table.h"
#include "render/video.h"

namespace {

constexpr int kMultisampleTypes = 16;

const AdapterRecord* CurrentAdapter() {
    const int32_t a = g_Video.adapter;
    if (a < 0 || uint32_t(a) >= g_AdapterTable.adapterCount || uint32_t(a) >= AdapterTable::kMaxAdapters)
        return nullptr;
    return &g_AdapterTable.adapters[a];
}

// The flags of that depth; entry i stands for type i + 1.
const uint8_t* MultisampleFlags(int bitsPerPixel) {
    const AdapterRecord* r = CurrentAdapter();
    if (!r) return nullptr;
    if (bitsPerPixel == 16) return r->multisample16;
    if (bitsPerPixel == 32) return r->multisample32;
    return nullptr;
}

}  // namespace

bool IsStencilSupported(int bitsPerPixel) {
    const uint32_t colour = bitsPerPixel == 16 ? gfx::D3DFMT_R5G6B5 : gfx::D3DFMT_X8R8G8B8;
    return CheckVideoFormat(colour, colour, gfx::D3DFMT_D24S8) == 0;
}

bool HasAnisotropicFiltering() {
    const AdapterRecord* r = CurrentAdapter();
    return r && r->anisotropic;
}

bool HasMultisampling(int bitsPerPixel) { return NextMultisample(bitsPerPixel, 0) != 0; }

int NextMultisample(int bitsPerPixel, int current) {
    const uint8_t* flags = MultisampleFlags(bitsPerPixel);
    if (!flags) return 0;
    for (int type = current < 0 ? 1 : current + 1; type <= kMultisampleTypes; ++type)
        if (flags[type - 1]) return type;
    return 0;
}

int PreviousMultisample(int bitsPerPixel, int current) {
    const uint8_t* flags = MultisampleFlags(bitsPerPixel);
    if (!flags) return 0;
    const int from = current <= 0 || current > kMultisampleTypes ? kMultisampleTypes : current - 1;
    for (int type = from; type >= 1; --type)
        if (flags[type - 1]) return type;
    return 0;
}
