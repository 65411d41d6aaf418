// The texture manager's tests: a recording device behind the video object, a fresh working
// folder for "TEXTURAS.DAT" and "debug.txt", and a manager that stands for the scene's.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "render/texture_manager.h"
#include "datakit/image_writer.h"
#include "datakit/pack_writer.h"
#include "support/temp_dir.h"
#include "vertex_buffer_fixture.h"

namespace rendertest {

class TextureTest : public DeviceTest {
protected:
    void SetUp() override {
        dir = std::make_unique<ScopedWorkDir>();
        DeviceTest::SetUp();
        g_SceneTextures = &manager;
    }
    void TearDown() override {
        DeviceTest::TearDown();
        dir.reset();
    }
    void ReleaseResources() override {
        g_SceneTextures = nullptr;
        manager.Clear();
    }

    // Writes the pack with what was added so far.
    void WritePack() { ASSERT_TRUE(pack.WriteTo("TEXTURAS.DAT")); }
    void AddTga(const std::string& name, const datakit::Picture& picture, uint8_t depth = 24) {
        datakit::TgaOptions o;
        o.depth = depth;
        pack.Add(name, datakit::TgaFile(picture, o));
    }
    // The lines of "debug.txt" without their time stamps.
    std::vector<std::string> LogLines() const;

    std::unique_ptr<ScopedWorkDir> dir;
    datakit::PackWriter pack;
    TextureManager manager;
};

// A level of a texture as 0xAARRGGBB pixels, row 0 at the top; empty when it cannot be read.
std::vector<uint32_t> LevelPixels(gfx::Texture* texture, uint32_t level = 0);
gfx::SurfaceDesc LevelDesc(gfx::Texture* texture, uint32_t level = 0);

}  // namespace rendertest
