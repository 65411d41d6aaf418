// A screenshot of a known frame from the real OpenGL device, decoded back and compared, on a
// back buffer of odd width.
#include <filesystem>
#include <fstream>

#include "gl_fixture.h"
#include "platform/gfx/image.h"
#include "render/screenshot.h"
#include "support/temp_dir.h"

namespace gfxtest {
namespace {

class GLScreenshotTest : public GLDeviceTest {
protected:
    // 33 x 17: 99 bytes of pixels per row, padded to 100 in the file.
    void SetUp() override { ASSERT_TRUE(CreateDevice(33, 17, D3DFMT_X8R8G8B8, true, D3DFMT_D24S8)); }
};

TEST_F(GLScreenshotTest, KnownFrameDecodesBack) {
    ScopedWorkDir dir;
    PlainStates();
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    Clear(0xFF2040A0u);
    DrawRect(0, 0, 11, 17, 0xFFFF0000u);   // left third red
    DrawRect(22, 8, 33, 17, 0xFF00FF00u);  // bottom-right block green
    ASSERT_EQ(device->EndScene(), D3D_OK);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    std::vector<uint32_t> frame = ReadBack();
    ASSERT_EQ(frame.size(), 33u * 17u);

    SaveScreenshot(device);
    std::ifstream in(dir.path() / "BrmVshot000.bmp", std::ios::binary);
    std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(file.size(), 54u + 100u * 17u);
    Image img;
    ASSERT_TRUE(DecodeBmp(file.data(), file.size(), &img)) << LastImageError();
    ASSERT_EQ(img.width, 33u);
    ASSERT_EQ(img.height, 17u);
    for (size_t i = 0; i < frame.size(); ++i) ASSERT_EQ(img.pixels[i], frame[i] | 0xFF000000u) << "pixel " << i;
    EXPECT_TRUE(ColorNear(img.pixels[5 * 33 + 5], 0xFFFF0000u));
    EXPECT_TRUE(ColorNear(img.pixels[16 * 33 + 32], 0xFF00FF00u));
}

}  // namespace
}  // namespace gfxtest
