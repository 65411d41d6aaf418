// The extension-library helpers the game uses, in our own code: matrix inverse, rotation matrix
// to quaternion, and textures made from image files or filled from other surfaces, with the
// pixel conversions they need.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/gfx/device.h"
#include "platform/gfx/image.h"

namespace gfx {

// "Take it from the file" / "the whole chain" / "the default filter", where a size, level
// count, format or filter is asked for.
constexpr uint32_t D3DX_DEFAULT = 0xFFFFFFFFu;

// Resampling filters (low bits); higher bits (dither, mirror, ...) are accepted and ignored.
constexpr uint32_t D3DX_FILTER_NONE = 1;      // no scaling: copied at the top-left, clipped
constexpr uint32_t D3DX_FILTER_POINT = 2;     // nearest texel
constexpr uint32_t D3DX_FILTER_LINEAR = 3;    // these three: area-weighted (box) averaging
constexpr uint32_t D3DX_FILTER_TRIANGLE = 4;
constexpr uint32_t D3DX_FILTER_BOX = 5;

// The file could not be read as an image.
constexpr Result D3DXERR_INVALIDDATA = int32_t(0x88760B59u);

// What a file held, as reported by CreateTextureFromFileInMemoryEx.
struct ImageInfo {
    uint32_t Width;
    uint32_t Height;
    uint32_t Depth;
    uint32_t MipLevels;
    gfx::Format Format;             // the file's pixel layout
    gfx::ResourceType ResourceType; // always a texture
    ImageFileType ImageFileFormat;
};

// General 4 x 4 inverse. False when the matrix is singular; *out is then left alone.
// determinant may be null.
bool MatrixInverse(Matrix* out, float* determinant, const Matrix& m);

// The unit quaternion {x, y, z, w} of a rotation matrix used with row vectors (p' = p x M), so
// that a rotation by angle a about a unit axis n gives (n sin(a/2), cos(a/2)).
Quat QuaternionRotationMatrix(const Matrix& m);

// An empty texture. width/height 0 or D3DX_DEFAULT mean 256; levels 0 or D3DX_DEFAULT the whole
// chain. Sizes are clamped to the device's maximum; a format the device refuses falls back to
// X8R8G8B8 when it has no alpha (DXT1 counted so) and to A8R8G8B8 when it has.
Result CreateTexture(Device* device, uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                     Format format, Pool pool, Texture** texture);

// A texture from an image file held in memory (any format DecodeImage reads). width/height
// 0 or D3DX_DEFAULT take the file's size; levels 0 or D3DX_DEFAULT the whole chain; format
// D3DFMT_UNKNOWN or D3DX_DEFAULT the file's own (DXT kept, otherwise A8R8G8B8 with alpha and
// X8R8G8B8 without). The colour key (0 = none) turns matching pixels transparent before any
// resampling. Level 0 is resampled with `filter`, further levels halved with `mipFilter`.
// A DDS whose blocks already have the requested format and size is copied without re-encoding.
// D3DERR_INVALIDCALL for bad arguments, D3DXERR_INVALIDDATA for unreadable data.
Result CreateTextureFromFileInMemoryEx(Device* device, const void* data, size_t size, uint32_t width,
                                       uint32_t height, uint32_t levels, uint32_t usage, Format format,
                                       Pool pool, uint32_t filter, uint32_t mipFilter, Color colorKey,
                                       ImageInfo* srcInfo, Texture** texture);

// The text of a result of the calls above for the debug log: for D3DXERR_INVALIDDATA the
// decoder's own reason from the last decode on this thread, otherwise DescribeResult's.
const char* DescribeTextureResult(Result r);

// Copies (and converts, resamples, colour-keys) a rectangle of one surface into another.
// Rects null: the whole surface. Block-compressed destinations take whole surfaces only.
Result LoadSurfaceFromSurface(Surface* dest, const Rect* destRect, Surface* src, const Rect* srcRect,
                              uint32_t filter, Color colorKey);

// Writes all levels of `texture` from `image`: level 0 resampled to its size with `filter`,
// each further level the halving of the one before. Pixels are converted to the texture's format.
Result FillTextureFromImage(Texture* texture, const Image& image, uint32_t filter, uint32_t mipFilter);

// ---- Pixel conversion ----
// Whether a pixel layout can be written from and read into 32-bit pixels.
bool CanConvertFormat(Format format);
// Rows of `width` 0xAARRGGBB pixels to the format; `pitch` is the distance between destination
// rows in bytes (block rows for DXT). False for formats that cannot be written.
bool ConvertFromArgb(const uint32_t* argb, uint32_t width, uint32_t height, Format format, uint8_t* dst,
                     int32_t pitch);
// The reverse, for reading surfaces back.
bool ConvertToArgb(const uint8_t* src, int32_t pitch, uint32_t width, uint32_t height, Format format,
                   uint32_t* argb);
// Bytes of one pixel (of one 4 x 4 block for DXT); 0 for unknown formats.
uint32_t FormatUnitBytes(Format format);

}  // namespace gfx
