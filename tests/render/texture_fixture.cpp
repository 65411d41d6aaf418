#include "texture_fixture.h"

#include <sstream>

#include "platform/gfx/d3dx_helpers.h"

namespace rendertest {

std::vector<std::string> TextureTest::LogLines() const {
    std::vector<std::string> out;
    std::istringstream in(dir->Read("debug.txt"));
    std::string line;
    while (std::getline(in, line)) {
        size_t space = line.find(' ');
        out.push_back(space == std::string::npos ? line : line.substr(space + 1));
    }
    return out;
}

gfx::SurfaceDesc LevelDesc(gfx::Texture* texture, uint32_t level) {
    gfx::SurfaceDesc desc{};
    if (texture) texture->GetLevelDesc(level, &desc);
    return desc;
}

std::vector<uint32_t> LevelPixels(gfx::Texture* texture, uint32_t level) {
    gfx::SurfaceDesc desc = LevelDesc(texture, level);
    gfx::LockedRect locked{};
    std::vector<uint32_t> out(size_t(desc.Width) * desc.Height);
    if (!texture || gfx::Failed(texture->LockRect(level, &locked, nullptr, gfx::D3DLOCK_READONLY))) return {};
    if (!gfx::ConvertToArgb(static_cast<const uint8_t*>(locked.pBits), locked.Pitch, desc.Width, desc.Height,
                            desc.Format, out.data()))
        out.clear();
    texture->UnlockRect(level);
    return out;
}

}  // namespace rendertest
