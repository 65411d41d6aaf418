// Types and constants of the graphics device. The numeric values are the classic fixed-function
// ones: model files store vertex-format codes and formats, and game code passes states by number.
#pragma once

#include <bit>
#include <cstdint>

#include "common/math.h"
#include "common/result.h"

namespace gfx {

using Result = int32_t;
using Color = uint32_t;  // 0xAARRGGBB

constexpr Color D3DCOLOR_ARGB(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return ((a & 0xFF) << 24) | ((r & 0xFF) << 16) | ((g & 0xFF) << 8) | (b & 0xFF);
}
constexpr Color D3DCOLOR_XRGB(uint32_t r, uint32_t g, uint32_t b) { return D3DCOLOR_ARGB(0xFF, r, g, b); }

// ---- Result codes ----
constexpr Result D3D_OK = 0;
constexpr Result S_FALSE = 1;
using ::E_FAIL;  // shared with the rest of the program
constexpr Result E_NOTIMPL = int32_t(0x80004001u);
constexpr Result E_INVALIDARG = int32_t(0x80070057u);
constexpr Result E_OUTOFMEMORY = int32_t(0x8007000Eu);
constexpr Result D3DERR_WRONGTEXTUREFORMAT = int32_t(0x88760818u);
constexpr Result D3DERR_UNSUPPORTEDCOLOROPERATION = int32_t(0x88760819u);
constexpr Result D3DERR_UNSUPPORTEDCOLORARG = int32_t(0x8876081Au);
constexpr Result D3DERR_UNSUPPORTEDALPHAOPERATION = int32_t(0x8876081Bu);
constexpr Result D3DERR_UNSUPPORTEDALPHAARG = int32_t(0x8876081Cu);
constexpr Result D3DERR_TOOMANYOPERATIONS = int32_t(0x8876081Du);
constexpr Result D3DERR_CONFLICTINGTEXTUREFILTER = int32_t(0x8876081Eu);
constexpr Result D3DERR_UNSUPPORTEDFACTORVALUE = int32_t(0x8876081Fu);
constexpr Result D3DERR_CONFLICTINGRENDERSTATE = int32_t(0x88760821u);
constexpr Result D3DERR_UNSUPPORTEDTEXTUREFILTER = int32_t(0x88760822u);
constexpr Result D3DERR_DRIVERINTERNALERROR = int32_t(0x88760827u);
constexpr Result D3DERR_NOTFOUND = int32_t(0x88760866u);
constexpr Result D3DERR_MOREDATA = int32_t(0x88760867u);
constexpr Result D3DERR_DEVICELOST = int32_t(0x88760868u);
constexpr Result D3DERR_DEVICENOTRESET = int32_t(0x88760869u);
constexpr Result D3DERR_NOTAVAILABLE = int32_t(0x8876086Au);
constexpr Result D3DERR_OUTOFVIDEOMEMORY = int32_t(0x8876017Cu);
constexpr Result D3DERR_INVALIDDEVICE = int32_t(0x8876086Bu);
constexpr Result D3DERR_INVALIDCALL = int32_t(0x8876086Cu);
constexpr Result D3DERR_DRIVERINVALIDCALL = int32_t(0x8876086Du);

constexpr bool Succeeded(Result r) { return r >= 0; }
// The result's name and a short description ("D3DERR_DEVICELOST: the device is lost"); unknown
// codes give "Unknown error".
const char* DescribeResult(Result r);
constexpr bool Failed(Result r) { return r < 0; }

// ---- Formats ----
constexpr uint32_t MakeFourCC(char a, char b, char c, char d) {
    return uint32_t(uint8_t(a)) | (uint32_t(uint8_t(b)) << 8) | (uint32_t(uint8_t(c)) << 16) |
           (uint32_t(uint8_t(d)) << 24);
}

enum Format : uint32_t {
    D3DFMT_UNKNOWN = 0,
    D3DFMT_R8G8B8 = 20,
    D3DFMT_A8R8G8B8 = 21,
    D3DFMT_X8R8G8B8 = 22,
    D3DFMT_R5G6B5 = 23,
    D3DFMT_X1R5G5B5 = 24,
    D3DFMT_A1R5G5B5 = 25,
    D3DFMT_A4R4G4B4 = 26,
    D3DFMT_R3G3B2 = 27,
    D3DFMT_A8 = 28,
    D3DFMT_A8R3G3B2 = 29,
    D3DFMT_X4R4G4B4 = 30,
    D3DFMT_A2B10G10R10 = 31,
    D3DFMT_G16R16 = 34,
    D3DFMT_A8P8 = 40,
    D3DFMT_P8 = 41,
    D3DFMT_L8 = 50,
    D3DFMT_A8L8 = 51,
    D3DFMT_A4L4 = 52,
    D3DFMT_V8U8 = 60,
    D3DFMT_L6V5U5 = 61,
    D3DFMT_X8L8V8U8 = 62,
    D3DFMT_Q8W8V8U8 = 63,
    D3DFMT_V16U16 = 64,
    D3DFMT_W11V11U10 = 65,
    D3DFMT_A2W10V10U10 = 67,
    D3DFMT_UYVY = MakeFourCC('U', 'Y', 'V', 'Y'),
    D3DFMT_YUY2 = MakeFourCC('Y', 'U', 'Y', '2'),
    D3DFMT_DXT1 = MakeFourCC('D', 'X', 'T', '1'),
    D3DFMT_DXT2 = MakeFourCC('D', 'X', 'T', '2'),
    D3DFMT_DXT3 = MakeFourCC('D', 'X', 'T', '3'),
    D3DFMT_DXT4 = MakeFourCC('D', 'X', 'T', '4'),
    D3DFMT_DXT5 = MakeFourCC('D', 'X', 'T', '5'),
    D3DFMT_D16_LOCKABLE = 70,
    D3DFMT_D32 = 71,
    D3DFMT_D15S1 = 73,
    D3DFMT_D24S8 = 75,
    D3DFMT_D24X8 = 77,
    D3DFMT_D24X4S4 = 79,
    D3DFMT_D16 = 80,
    D3DFMT_VERTEXDATA = 100,
    D3DFMT_INDEX16 = 101,
    D3DFMT_INDEX32 = 102,
};

enum Pool : uint32_t {
    D3DPOOL_DEFAULT = 0,
    D3DPOOL_MANAGED = 1,
    D3DPOOL_SYSTEMMEM = 2,
};

enum ResourceType : uint32_t {
    D3DRTYPE_SURFACE = 1,
    D3DRTYPE_VOLUME = 2,
    D3DRTYPE_TEXTURE = 3,
    D3DRTYPE_VOLUMETEXTURE = 4,
    D3DRTYPE_CUBETEXTURE = 5,
    D3DRTYPE_VERTEXBUFFER = 6,
    D3DRTYPE_INDEXBUFFER = 7,
};

enum MultiSampleType : uint32_t {
    D3DMULTISAMPLE_NONE = 0,
    D3DMULTISAMPLE_2_SAMPLES = 2,
    D3DMULTISAMPLE_3_SAMPLES = 3,
    D3DMULTISAMPLE_4_SAMPLES = 4,
    D3DMULTISAMPLE_16_SAMPLES = 16,
};

// Usage flags.
constexpr uint32_t D3DUSAGE_RENDERTARGET = 0x1;
constexpr uint32_t D3DUSAGE_DEPTHSTENCIL = 0x2;
constexpr uint32_t D3DUSAGE_WRITEONLY = 0x8;
constexpr uint32_t D3DUSAGE_SOFTWAREPROCESSING = 0x10;
constexpr uint32_t D3DUSAGE_DONOTCLIP = 0x20;
constexpr uint32_t D3DUSAGE_POINTS = 0x40;
constexpr uint32_t D3DUSAGE_RTPATCHES = 0x80;
constexpr uint32_t D3DUSAGE_NPATCHES = 0x100;
constexpr uint32_t D3DUSAGE_DYNAMIC = 0x200;

// Lock flags.
constexpr uint32_t D3DLOCK_READONLY = 0x10;
constexpr uint32_t D3DLOCK_NOSYSLOCK = 0x800;
constexpr uint32_t D3DLOCK_NOOVERWRITE = 0x1000;
constexpr uint32_t D3DLOCK_DISCARD = 0x2000;
constexpr uint32_t D3DLOCK_NO_DIRTY_UPDATE = 0x8000;

// Clear flags.
constexpr uint32_t D3DCLEAR_TARGET = 0x1;
constexpr uint32_t D3DCLEAR_ZBUFFER = 0x2;
constexpr uint32_t D3DCLEAR_STENCIL = 0x4;

// ---- Vertex formats (FVF codes) ----
constexpr uint32_t D3DFVF_RESERVED0 = 0x001;
constexpr uint32_t D3DFVF_POSITION_MASK = 0x00E;
constexpr uint32_t D3DFVF_XYZ = 0x002;
constexpr uint32_t D3DFVF_XYZRHW = 0x004;
constexpr uint32_t D3DFVF_XYZB1 = 0x006;
constexpr uint32_t D3DFVF_XYZB2 = 0x008;
constexpr uint32_t D3DFVF_XYZB3 = 0x00A;
constexpr uint32_t D3DFVF_XYZB4 = 0x00C;
constexpr uint32_t D3DFVF_XYZB5 = 0x00E;
constexpr uint32_t D3DFVF_NORMAL = 0x010;
constexpr uint32_t D3DFVF_PSIZE = 0x020;
constexpr uint32_t D3DFVF_DIFFUSE = 0x040;
constexpr uint32_t D3DFVF_SPECULAR = 0x080;
constexpr uint32_t D3DFVF_TEXCOUNT_MASK = 0xF00;
constexpr uint32_t D3DFVF_TEXCOUNT_SHIFT = 8;
constexpr uint32_t D3DFVF_TEX0 = 0x000;
constexpr uint32_t D3DFVF_TEX1 = 0x100;
constexpr uint32_t D3DFVF_TEX2 = 0x200;
constexpr uint32_t D3DFVF_TEX3 = 0x300;
constexpr uint32_t D3DFVF_TEX4 = 0x400;
constexpr uint32_t D3DFVF_TEX5 = 0x500;
constexpr uint32_t D3DFVF_TEX6 = 0x600;
constexpr uint32_t D3DFVF_TEX7 = 0x700;
constexpr uint32_t D3DFVF_TEX8 = 0x800;
constexpr uint32_t D3DFVF_LASTBETA_UBYTE4 = 0x1000;
// Size code of texture-coordinate set i, in two bits at 16 + 2i: 0 = two floats, 1 = three,
// 2 = four, 3 = one.
constexpr uint32_t D3DFVF_TEXTUREFORMAT2 = 0;
constexpr uint32_t D3DFVF_TEXTUREFORMAT1 = 3;
constexpr uint32_t D3DFVF_TEXTUREFORMAT3 = 1;
constexpr uint32_t D3DFVF_TEXTUREFORMAT4 = 2;
constexpr uint32_t D3DFVF_TEXCOORDSIZE1(uint32_t i) { return D3DFVF_TEXTUREFORMAT1 << (i * 2 + 16); }
constexpr uint32_t D3DFVF_TEXCOORDSIZE2(uint32_t i) { return D3DFVF_TEXTUREFORMAT2 << (i * 2 + 16); }
constexpr uint32_t D3DFVF_TEXCOORDSIZE3(uint32_t i) { return D3DFVF_TEXTUREFORMAT3 << (i * 2 + 16); }
constexpr uint32_t D3DFVF_TEXCOORDSIZE4(uint32_t i) { return D3DFVF_TEXTUREFORMAT4 << (i * 2 + 16); }

// ---- Vertex-shader declarations (fixed-function use only: no shader function) ----
// Tokens of a declaration: a stream selector, then one register per element in memory order,
// then the end token.
constexpr uint32_t D3DVSD_TOKEN_NOP = 0;
constexpr uint32_t D3DVSD_TOKEN_STREAM = 1;
constexpr uint32_t D3DVSD_TOKEN_STREAMDATA = 2;
constexpr uint32_t D3DVSD_TOKEN_END = 7;
constexpr uint32_t D3DVSD_TOKENTYPESHIFT = 29;
constexpr uint32_t D3DVSD_STREAM(uint32_t stream) { return (D3DVSD_TOKEN_STREAM << 29) | stream; }
constexpr uint32_t D3DVSD_REG(uint32_t reg, uint32_t type) {
    return (D3DVSD_TOKEN_STREAMDATA << 29) | (type << 16) | reg;
}
constexpr uint32_t D3DVSD_SKIP(uint32_t dwords) { return (D3DVSD_TOKEN_STREAMDATA << 29) | 0x10000000u | (dwords << 16); }
constexpr uint32_t D3DVSD_END() { return 0xFFFFFFFFu; }
constexpr uint32_t D3DVSD_NOP() { return 0; }
// Element data types.
constexpr uint32_t D3DVSDT_FLOAT1 = 0;
constexpr uint32_t D3DVSDT_FLOAT2 = 1;
constexpr uint32_t D3DVSDT_FLOAT3 = 2;
constexpr uint32_t D3DVSDT_FLOAT4 = 3;
constexpr uint32_t D3DVSDT_D3DCOLOR = 4;
constexpr uint32_t D3DVSDT_UBYTE4 = 5;
constexpr uint32_t D3DVSDT_SHORT2 = 6;
constexpr uint32_t D3DVSDT_SHORT4 = 7;
// Input registers of the fixed-function pipeline.
constexpr uint32_t D3DVSDE_POSITION = 0;
constexpr uint32_t D3DVSDE_BLENDWEIGHT = 1;
constexpr uint32_t D3DVSDE_BLENDINDICES = 2;
constexpr uint32_t D3DVSDE_NORMAL = 3;
constexpr uint32_t D3DVSDE_PSIZE = 4;
constexpr uint32_t D3DVSDE_DIFFUSE = 5;
constexpr uint32_t D3DVSDE_SPECULAR = 6;
constexpr uint32_t D3DVSDE_TEXCOORD0 = 7;
constexpr uint32_t D3DVSDE_TEXCOORD7 = 14;

// ---- Primitive types ----
enum PrimitiveType : uint32_t {
    D3DPT_POINTLIST = 1,
    D3DPT_LINELIST = 2,
    D3DPT_LINESTRIP = 3,
    D3DPT_TRIANGLELIST = 4,
    D3DPT_TRIANGLESTRIP = 5,
    D3DPT_TRIANGLEFAN = 6,
};

// ---- Transform states ----
enum TransformStateType : uint32_t {
    D3DTS_VIEW = 2,
    D3DTS_PROJECTION = 3,
    D3DTS_TEXTURE0 = 16,
    D3DTS_TEXTURE1 = 17,
    D3DTS_TEXTURE2 = 18,
    D3DTS_TEXTURE3 = 19,
    D3DTS_TEXTURE4 = 20,
    D3DTS_TEXTURE5 = 21,
    D3DTS_TEXTURE6 = 22,
    D3DTS_TEXTURE7 = 23,
    D3DTS_WORLD = 256,
    D3DTS_WORLD1 = 257,
    D3DTS_WORLD2 = 258,
    D3DTS_WORLD3 = 259,
};
constexpr TransformStateType D3DTS_WORLDMATRIX(uint32_t index) { return TransformStateType(256 + index); }

// ---- Render states ----
enum RenderStateType : uint32_t {
    D3DRS_ZENABLE = 7,
    D3DRS_FILLMODE = 8,
    D3DRS_SHADEMODE = 9,
    D3DRS_LINEPATTERN = 10,
    D3DRS_ZWRITEENABLE = 14,
    D3DRS_ALPHATESTENABLE = 15,
    D3DRS_LASTPIXEL = 16,
    D3DRS_SRCBLEND = 19,
    D3DRS_DESTBLEND = 20,
    D3DRS_CULLMODE = 22,
    D3DRS_ZFUNC = 23,
    D3DRS_ALPHAREF = 24,
    D3DRS_ALPHAFUNC = 25,
    D3DRS_DITHERENABLE = 26,
    D3DRS_ALPHABLENDENABLE = 27,
    D3DRS_FOGENABLE = 28,
    D3DRS_SPECULARENABLE = 29,
    D3DRS_ZVISIBLE = 30,
    D3DRS_FOGCOLOR = 34,
    D3DRS_FOGTABLEMODE = 35,
    D3DRS_FOGSTART = 36,   // float bits
    D3DRS_FOGEND = 37,     // float bits
    D3DRS_FOGDENSITY = 38, // float bits
    D3DRS_EDGEANTIALIAS = 40,
    D3DRS_ZBIAS = 47,
    D3DRS_RANGEFOGENABLE = 48,
    D3DRS_STENCILENABLE = 52,
    D3DRS_STENCILFAIL = 53,
    D3DRS_STENCILZFAIL = 54,
    D3DRS_STENCILPASS = 55,
    D3DRS_STENCILFUNC = 56,
    D3DRS_STENCILREF = 57,
    D3DRS_STENCILMASK = 58,
    D3DRS_STENCILWRITEMASK = 59,
    D3DRS_TEXTUREFACTOR = 60,
    D3DRS_WRAP0 = 128,
    D3DRS_WRAP1 = 129,
    D3DRS_WRAP2 = 130,
    D3DRS_WRAP3 = 131,
    D3DRS_WRAP4 = 132,
    D3DRS_WRAP5 = 133,
    D3DRS_WRAP6 = 134,
    D3DRS_WRAP7 = 135,
    D3DRS_CLIPPING = 136,
    D3DRS_LIGHTING = 137,
    D3DRS_AMBIENT = 139,
    D3DRS_FOGVERTEXMODE = 140,
    D3DRS_COLORVERTEX = 141,
    D3DRS_LOCALVIEWER = 142,
    D3DRS_NORMALIZENORMALS = 143,
    D3DRS_DIFFUSEMATERIALSOURCE = 145,
    D3DRS_SPECULARMATERIALSOURCE = 146,
    D3DRS_AMBIENTMATERIALSOURCE = 147,
    D3DRS_EMISSIVEMATERIALSOURCE = 148,
    D3DRS_VERTEXBLEND = 151,
    D3DRS_CLIPPLANEENABLE = 152,
    D3DRS_SOFTWAREVERTEXPROCESSING = 153,
    D3DRS_POINTSIZE = 154,      // float bits
    D3DRS_POINTSIZE_MIN = 155,  // float bits
    D3DRS_POINTSPRITEENABLE = 156,
    D3DRS_POINTSCALEENABLE = 157,
    D3DRS_POINTSCALE_A = 158,
    D3DRS_POINTSCALE_B = 159,
    D3DRS_POINTSCALE_C = 160,
    D3DRS_MULTISAMPLEANTIALIAS = 161,
    D3DRS_MULTISAMPLEMASK = 162,
    D3DRS_PATCHEDGESTYLE = 163,
    D3DRS_PATCHSEGMENTS = 164,
    D3DRS_DEBUGMONITORTOKEN = 165,
    D3DRS_POINTSIZE_MAX = 166,
    D3DRS_INDEXEDVERTEXBLENDENABLE = 167,
    D3DRS_COLORWRITEENABLE = 168,
    D3DRS_TWEENFACTOR = 170,
    D3DRS_BLENDOP = 171,
    D3DRS_POSITIONORDER = 172,
    D3DRS_NORMALORDER = 173,
};
constexpr uint32_t kRenderStateCount = 256;  // ids are below this

enum ZBufferType : uint32_t { D3DZB_FALSE = 0, D3DZB_TRUE = 1, D3DZB_USEW = 2 };
enum FillMode : uint32_t { D3DFILL_POINT = 1, D3DFILL_WIREFRAME = 2, D3DFILL_SOLID = 3 };
enum ShadeMode : uint32_t { D3DSHADE_FLAT = 1, D3DSHADE_GOURAUD = 2, D3DSHADE_PHONG = 3 };
enum Blend : uint32_t {
    D3DBLEND_ZERO = 1,
    D3DBLEND_ONE = 2,
    D3DBLEND_SRCCOLOR = 3,
    D3DBLEND_INVSRCCOLOR = 4,
    D3DBLEND_SRCALPHA = 5,
    D3DBLEND_INVSRCALPHA = 6,
    D3DBLEND_DESTALPHA = 7,
    D3DBLEND_INVDESTALPHA = 8,
    D3DBLEND_DESTCOLOR = 9,
    D3DBLEND_INVDESTCOLOR = 10,
    D3DBLEND_SRCALPHASAT = 11,
    D3DBLEND_BOTHSRCALPHA = 12,
    D3DBLEND_BOTHINVSRCALPHA = 13,
};
enum BlendOp : uint32_t {
    D3DBLENDOP_ADD = 1,
    D3DBLENDOP_SUBTRACT = 2,
    D3DBLENDOP_REVSUBTRACT = 3,
    D3DBLENDOP_MIN = 4,
    D3DBLENDOP_MAX = 5,
};
enum Cmp : uint32_t {
    D3DCMP_NEVER = 1,
    D3DCMP_LESS = 2,
    D3DCMP_EQUAL = 3,
    D3DCMP_LESSEQUAL = 4,
    D3DCMP_GREATER = 5,
    D3DCMP_NOTEQUAL = 6,
    D3DCMP_GREATEREQUAL = 7,
    D3DCMP_ALWAYS = 8,
};
enum StencilOp : uint32_t {
    D3DSTENCILOP_KEEP = 1,
    D3DSTENCILOP_ZERO = 2,
    D3DSTENCILOP_REPLACE = 3,
    D3DSTENCILOP_INCRSAT = 4,
    D3DSTENCILOP_DECRSAT = 5,
    D3DSTENCILOP_INVERT = 6,
    D3DSTENCILOP_INCR = 7,
    D3DSTENCILOP_DECR = 8,
};
enum Cull : uint32_t { D3DCULL_NONE = 1, D3DCULL_CW = 2, D3DCULL_CCW = 3 };
enum FogMode : uint32_t { D3DFOG_NONE = 0, D3DFOG_EXP = 1, D3DFOG_EXP2 = 2, D3DFOG_LINEAR = 3 };
enum MaterialColorSource : uint32_t { D3DMCS_MATERIAL = 0, D3DMCS_COLOR1 = 1, D3DMCS_COLOR2 = 2 };
enum VertexBlendFlags : uint32_t {
    D3DVBF_DISABLE = 0,
    D3DVBF_1WEIGHTS = 1,
    D3DVBF_2WEIGHTS = 2,
    D3DVBF_3WEIGHTS = 3,
    D3DVBF_TWEENING = 255,
    D3DVBF_0WEIGHTS = 256,
};
constexpr uint32_t D3DCOLORWRITEENABLE_RED = 0x1;
constexpr uint32_t D3DCOLORWRITEENABLE_GREEN = 0x2;
constexpr uint32_t D3DCOLORWRITEENABLE_BLUE = 0x4;
constexpr uint32_t D3DCOLORWRITEENABLE_ALPHA = 0x8;
constexpr uint32_t D3DCLIPPLANE0 = 0x1;
constexpr uint32_t D3DCLIPPLANE1 = 0x2;
constexpr uint32_t D3DCLIPPLANE2 = 0x4;
constexpr uint32_t D3DCLIPPLANE3 = 0x8;
constexpr uint32_t D3DCLIPPLANE4 = 0x10;
constexpr uint32_t D3DCLIPPLANE5 = 0x20;
constexpr uint32_t D3DWRAP_U = 0x1;
constexpr uint32_t D3DWRAP_V = 0x2;
constexpr uint32_t D3DWRAP_W = 0x4;

// Render states that carry floats hold the float's bits.
constexpr uint32_t FloatBits(float f) { return std::bit_cast<uint32_t>(f); }
constexpr float BitsFloat(uint32_t u) { return std::bit_cast<float>(u); }

// ---- Texture-stage states ----
constexpr uint32_t kMaxTextureStages = 8;

enum TextureStageStateType : uint32_t {
    D3DTSS_COLOROP = 1,
    D3DTSS_COLORARG1 = 2,
    D3DTSS_COLORARG2 = 3,
    D3DTSS_ALPHAOP = 4,
    D3DTSS_ALPHAARG1 = 5,
    D3DTSS_ALPHAARG2 = 6,
    D3DTSS_BUMPENVMAT00 = 7,
    D3DTSS_BUMPENVMAT01 = 8,
    D3DTSS_BUMPENVMAT10 = 9,
    D3DTSS_BUMPENVMAT11 = 10,
    D3DTSS_TEXCOORDINDEX = 11,
    D3DTSS_ADDRESSU = 13,
    D3DTSS_ADDRESSV = 14,
    D3DTSS_BORDERCOLOR = 15,
    D3DTSS_MAGFILTER = 16,
    D3DTSS_MINFILTER = 17,
    D3DTSS_MIPFILTER = 18,
    D3DTSS_MIPMAPLODBIAS = 19,  // float bits
    D3DTSS_MAXMIPLEVEL = 20,
    D3DTSS_MAXANISOTROPY = 21,
    D3DTSS_BUMPENVLSCALE = 22,
    D3DTSS_BUMPENVLOFFSET = 23,
    D3DTSS_TEXTURETRANSFORMFLAGS = 24,
    D3DTSS_ADDRESSW = 25,
    D3DTSS_COLORARG0 = 26,
    D3DTSS_ALPHAARG0 = 27,
    D3DTSS_RESULTARG = 28,
};
constexpr uint32_t kTextureStageStateCount = 32;  // ids are below this

enum TextureOp : uint32_t {
    D3DTOP_DISABLE = 1,
    D3DTOP_SELECTARG1 = 2,
    D3DTOP_SELECTARG2 = 3,
    D3DTOP_MODULATE = 4,
    D3DTOP_MODULATE2X = 5,
    D3DTOP_MODULATE4X = 6,
    D3DTOP_ADD = 7,
    D3DTOP_ADDSIGNED = 8,
    D3DTOP_ADDSIGNED2X = 9,
    D3DTOP_SUBTRACT = 10,
    D3DTOP_ADDSMOOTH = 11,
    D3DTOP_BLENDDIFFUSEALPHA = 12,
    D3DTOP_BLENDTEXTUREALPHA = 13,
    D3DTOP_BLENDFACTORALPHA = 14,
    D3DTOP_BLENDTEXTUREALPHAPM = 15,
    D3DTOP_BLENDCURRENTALPHA = 16,
    D3DTOP_PREMODULATE = 17,
    D3DTOP_MODULATEALPHA_ADDCOLOR = 18,
    D3DTOP_MODULATECOLOR_ADDALPHA = 19,
    D3DTOP_MODULATEINVALPHA_ADDCOLOR = 20,
    D3DTOP_MODULATEINVCOLOR_ADDALPHA = 21,
    D3DTOP_BUMPENVMAP = 22,
    D3DTOP_BUMPENVMAPLUMINANCE = 23,
    D3DTOP_DOTPRODUCT3 = 24,
    D3DTOP_MULTIPLYADD = 25,
    D3DTOP_LERP = 26,
};

// Texture arguments: a source in the low bits plus modifiers.
constexpr uint32_t D3DTA_SELECTMASK = 0x0F;
constexpr uint32_t D3DTA_DIFFUSE = 0x00;
constexpr uint32_t D3DTA_CURRENT = 0x01;
constexpr uint32_t D3DTA_TEXTURE = 0x02;
constexpr uint32_t D3DTA_TFACTOR = 0x03;
constexpr uint32_t D3DTA_SPECULAR = 0x04;
constexpr uint32_t D3DTA_TEMP = 0x05;
constexpr uint32_t D3DTA_COMPLEMENT = 0x10;
constexpr uint32_t D3DTA_ALPHAREPLICATE = 0x20;

// TEXCOORDINDEX: set index in the low 16 bits, generation mode above.
constexpr uint32_t D3DTSS_TCI_PASSTHRU = 0x00000;
constexpr uint32_t D3DTSS_TCI_CAMERASPACENORMAL = 0x10000;
constexpr uint32_t D3DTSS_TCI_CAMERASPACEPOSITION = 0x20000;
constexpr uint32_t D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR = 0x30000;

enum TextureTransformFlags : uint32_t {
    D3DTTFF_DISABLE = 0,
    D3DTTFF_COUNT1 = 1,
    D3DTTFF_COUNT2 = 2,
    D3DTTFF_COUNT3 = 3,
    D3DTTFF_COUNT4 = 4,
    D3DTTFF_PROJECTED = 256,
};

enum TextureAddress : uint32_t {
    D3DTADDRESS_WRAP = 1,
    D3DTADDRESS_MIRROR = 2,
    D3DTADDRESS_CLAMP = 3,
    D3DTADDRESS_BORDER = 4,
    D3DTADDRESS_MIRRORONCE = 5,
};

enum TextureFilterType : uint32_t {
    D3DTEXF_NONE = 0,
    D3DTEXF_POINT = 1,
    D3DTEXF_LINEAR = 2,
    D3DTEXF_ANISOTROPIC = 3,
    D3DTEXF_FLATCUBIC = 4,
    D3DTEXF_GAUSSIANCUBIC = 5,
};

// ---- Lights and material ----
enum LightType : uint32_t { D3DLIGHT_POINT = 1, D3DLIGHT_SPOT = 2, D3DLIGHT_DIRECTIONAL = 3 };
constexpr uint32_t kMaxLights = 8;

using Matrix = ::Mat4;     // row-major, row vectors: p' = p x M
using Vector3 = ::Vec3;

struct ColorValue {
    float r, g, b, a;
};

struct Light {
    LightType Type;
    ColorValue Diffuse;
    ColorValue Specular;
    ColorValue Ambient;
    Vector3 Position;
    Vector3 Direction;
    float Range;
    float Falloff;
    float Attenuation0;
    float Attenuation1;
    float Attenuation2;
    float Theta;  // inner cone angle, radians
    float Phi;    // outer cone angle, radians
};

struct Material {
    ColorValue Diffuse;
    ColorValue Ambient;
    ColorValue Specular;
    ColorValue Emissive;
    float Power;
};

struct Viewport {
    uint32_t X, Y, Width, Height;
    float MinZ, MaxZ;
};

struct Rect {
    int32_t left, top, right, bottom;  // right and bottom exclusive, as the device takes them
};

struct Point {
    int32_t x, y;
};

struct LockedRect {
    int32_t Pitch;  // bytes from one row to the next
    void* pBits;    // row 0 is the top row
};

struct SurfaceDesc {
    gfx::Format Format;
    ResourceType Type;
    uint32_t Usage;
    gfx::Pool Pool;
    uint32_t Size;
    gfx::MultiSampleType MultiSampleType;
    uint32_t Width;
    uint32_t Height;
};

struct VertexBufferDesc {
    gfx::Format Format;
    ResourceType Type;
    uint32_t Usage;
    gfx::Pool Pool;
    uint32_t Size;
    uint32_t FVF;
};

struct IndexBufferDesc {
    gfx::Format Format;
    ResourceType Type;
    uint32_t Usage;
    gfx::Pool Pool;
    uint32_t Size;
};

struct GammaRamp {
    uint16_t red[256];
    uint16_t green[256];
    uint16_t blue[256];
};
constexpr uint32_t D3DSGR_NO_CALIBRATION = 0;
constexpr uint32_t D3DSGR_CALIBRATE = 1;

struct DisplayMode {
    uint32_t Width;
    uint32_t Height;
    uint32_t RefreshRate;
    gfx::Format Format;
};

// ---- Device creation and presentation ----
enum DevType : uint32_t { D3DDEVTYPE_HAL = 1, D3DDEVTYPE_REF = 2, D3DDEVTYPE_SW = 3 };
enum SwapEffect : uint32_t {
    D3DSWAPEFFECT_DISCARD = 1,
    D3DSWAPEFFECT_FLIP = 2,
    D3DSWAPEFFECT_COPY = 3,
    D3DSWAPEFFECT_COPY_VSYNC = 4,
};
enum BackBufferType : uint32_t { D3DBACKBUFFER_TYPE_MONO = 0 };
enum StateBlockType : uint32_t { D3DSBT_ALL = 1, D3DSBT_PIXELSTATE = 2, D3DSBT_VERTEXSTATE = 3 };

constexpr uint32_t D3DPRESENT_INTERVAL_DEFAULT = 0;
constexpr uint32_t D3DPRESENT_INTERVAL_ONE = 1;
constexpr uint32_t D3DPRESENT_INTERVAL_TWO = 2;
constexpr uint32_t D3DPRESENT_INTERVAL_IMMEDIATE = 0x80000000u;
constexpr uint32_t D3DPRESENT_RATE_DEFAULT = 0;

constexpr uint32_t D3DCREATE_FPU_PRESERVE = 0x02;
constexpr uint32_t D3DCREATE_MULTITHREADED = 0x04;
constexpr uint32_t D3DCREATE_PUREDEVICE = 0x10;
constexpr uint32_t D3DCREATE_SOFTWARE_VERTEXPROCESSING = 0x20;
constexpr uint32_t D3DCREATE_HARDWARE_VERTEXPROCESSING = 0x40;
constexpr uint32_t D3DCREATE_MIXED_VERTEXPROCESSING = 0x80;

// The present parameters; also what the OpenGL device is created from. hDeviceWindow is an
// os::WindowHandle (the window must have been created for OpenGL).
struct PresentParameters {
    uint32_t BackBufferWidth;
    uint32_t BackBufferHeight;
    Format BackBufferFormat;
    uint32_t BackBufferCount;
    gfx::MultiSampleType MultiSampleType;
    gfx::SwapEffect SwapEffect;
    void* hDeviceWindow;
    int32_t Windowed;
    int32_t EnableAutoDepthStencil;
    Format AutoDepthStencilFormat;
    uint32_t Flags;
    uint32_t FullScreen_RefreshRateInHz;
    uint32_t FullScreen_PresentationInterval;
};

struct DeviceCreationParameters {
    uint32_t AdapterOrdinal;
    DevType DeviceType;
    void* hFocusWindow;
    uint32_t BehaviorFlags;
};

// ---- Capabilities ----
struct Caps {
    DevType DeviceType;
    uint32_t AdapterOrdinal;
    uint32_t Caps;
    uint32_t Caps2;
    uint32_t Caps3;
    uint32_t PresentationIntervals;
    uint32_t CursorCaps;
    uint32_t DevCaps;
    uint32_t PrimitiveMiscCaps;
    uint32_t RasterCaps;
    uint32_t ZCmpCaps;
    uint32_t SrcBlendCaps;
    uint32_t DestBlendCaps;
    uint32_t AlphaCmpCaps;
    uint32_t ShadeCaps;
    uint32_t TextureCaps;
    uint32_t TextureFilterCaps;
    uint32_t CubeTextureFilterCaps;
    uint32_t VolumeTextureFilterCaps;
    uint32_t TextureAddressCaps;
    uint32_t VolumeTextureAddressCaps;
    uint32_t LineCaps;
    uint32_t MaxTextureWidth;
    uint32_t MaxTextureHeight;
    uint32_t MaxVolumeExtent;
    uint32_t MaxTextureRepeat;
    uint32_t MaxTextureAspectRatio;
    uint32_t MaxAnisotropy;
    float MaxVertexW;
    float GuardBandLeft;
    float GuardBandTop;
    float GuardBandRight;
    float GuardBandBottom;
    float ExtentsAdjust;
    uint32_t StencilCaps;
    uint32_t FVFCaps;
    uint32_t TextureOpCaps;
    uint32_t MaxTextureBlendStages;
    uint32_t MaxSimultaneousTextures;
    uint32_t VertexProcessingCaps;
    uint32_t MaxActiveLights;
    uint32_t MaxUserClipPlanes;
    uint32_t MaxVertexBlendMatrices;
    uint32_t MaxVertexBlendMatrixIndex;
    float MaxPointSize;
    uint32_t MaxPrimitiveCount;
    uint32_t MaxVertexIndex;
    uint32_t MaxStreams;
    uint32_t MaxStreamStride;
    uint32_t VertexShaderVersion;
    uint32_t MaxVertexShaderConst;
    uint32_t PixelShaderVersion;
    float MaxPixelShaderValue;
};

// Caps2
constexpr uint32_t D3DCAPS2_NO2DDURING3DSCENE = 0x00000002;
constexpr uint32_t D3DCAPS2_FULLSCREENGAMMA = 0x00020000;
constexpr uint32_t D3DCAPS2_CANRENDERWINDOWED = 0x00080000;
constexpr uint32_t D3DCAPS2_CANCALIBRATEGAMMA = 0x00100000;
constexpr uint32_t D3DCAPS2_CANMANAGERESOURCE = 0x10000000;
constexpr uint32_t D3DCAPS2_DYNAMICTEXTURES = 0x20000000;
// Caps3
constexpr uint32_t D3DCAPS3_ALPHA_FULLSCREEN_FLIP_OR_DISCARD = 0x00000020;
// DevCaps
constexpr uint32_t D3DDEVCAPS_EXECUTESYSTEMMEMORY = 0x00000010;
constexpr uint32_t D3DDEVCAPS_TLVERTEXSYSTEMMEMORY = 0x00000040;
constexpr uint32_t D3DDEVCAPS_TEXTURESYSTEMMEMORY = 0x00000100;
constexpr uint32_t D3DDEVCAPS_TEXTUREVIDEOMEMORY = 0x00000200;
constexpr uint32_t D3DDEVCAPS_DRAWPRIMTLVERTEX = 0x00000400;
constexpr uint32_t D3DDEVCAPS_CANRENDERAFTERFLIP = 0x00000800;
constexpr uint32_t D3DDEVCAPS_DRAWPRIMITIVES2 = 0x00002000;
constexpr uint32_t D3DDEVCAPS_DRAWPRIMITIVES2EX = 0x00008000;
constexpr uint32_t D3DDEVCAPS_HWTRANSFORMANDLIGHT = 0x00010000;
constexpr uint32_t D3DDEVCAPS_HWRASTERIZATION = 0x00080000;
constexpr uint32_t D3DDEVCAPS_PUREDEVICE = 0x00100000;
// PrimitiveMiscCaps
constexpr uint32_t D3DPMISCCAPS_MASKZ = 0x00000002;
constexpr uint32_t D3DPMISCCAPS_CULLNONE = 0x00000010;
constexpr uint32_t D3DPMISCCAPS_CULLCW = 0x00000020;
constexpr uint32_t D3DPMISCCAPS_CULLCCW = 0x00000040;
constexpr uint32_t D3DPMISCCAPS_COLORWRITEENABLE = 0x00000080;
constexpr uint32_t D3DPMISCCAPS_CLIPTLVERTS = 0x00000200;
constexpr uint32_t D3DPMISCCAPS_BLENDOP = 0x00000800;
// RasterCaps
constexpr uint32_t D3DPRASTERCAPS_DITHER = 0x00000001;
constexpr uint32_t D3DPRASTERCAPS_ZTEST = 0x00000010;
constexpr uint32_t D3DPRASTERCAPS_FOGVERTEX = 0x00000080;
constexpr uint32_t D3DPRASTERCAPS_FOGTABLE = 0x00000100;
constexpr uint32_t D3DPRASTERCAPS_MIPMAPLODBIAS = 0x00002000;
constexpr uint32_t D3DPRASTERCAPS_ZBIAS = 0x00004000;
constexpr uint32_t D3DPRASTERCAPS_FOGRANGE = 0x00010000;
constexpr uint32_t D3DPRASTERCAPS_ANISOTROPY = 0x00020000;
constexpr uint32_t D3DPRASTERCAPS_WFOG = 0x00100000;
constexpr uint32_t D3DPRASTERCAPS_ZFOG = 0x00200000;
constexpr uint32_t D3DPRASTERCAPS_COLORPERSPECTIVE = 0x00400000;
// Compare caps (ZCmpCaps, AlphaCmpCaps): bit (cmp - 1).
constexpr uint32_t D3DPCMPCAPS_ALL = 0xFF;
// Blend caps: bit (blend - 1).
constexpr uint32_t D3DPBLENDCAPS_ALL = 0x1FFF;
// ShadeCaps
constexpr uint32_t D3DPSHADECAPS_COLORGOURAUDRGB = 0x00000008;
constexpr uint32_t D3DPSHADECAPS_SPECULARGOURAUDRGB = 0x00000200;
constexpr uint32_t D3DPSHADECAPS_ALPHAGOURAUDBLEND = 0x00004000;
constexpr uint32_t D3DPSHADECAPS_FOGGOURAUD = 0x00080000;
// TextureCaps
constexpr uint32_t D3DPTEXTURECAPS_PERSPECTIVE = 0x00000001;
constexpr uint32_t D3DPTEXTURECAPS_POW2 = 0x00000002;
constexpr uint32_t D3DPTEXTURECAPS_ALPHA = 0x00000004;
constexpr uint32_t D3DPTEXTURECAPS_SQUAREONLY = 0x00000020;
constexpr uint32_t D3DPTEXTURECAPS_ALPHAPALETTE = 0x00000080;
constexpr uint32_t D3DPTEXTURECAPS_NONPOW2CONDITIONAL = 0x00000100;
constexpr uint32_t D3DPTEXTURECAPS_PROJECTED = 0x00000400;
constexpr uint32_t D3DPTEXTURECAPS_CUBEMAP = 0x00000800;
constexpr uint32_t D3DPTEXTURECAPS_MIPMAP = 0x00004000;
// TextureFilterCaps
constexpr uint32_t D3DPTFILTERCAPS_MINFPOINT = 0x00000100;
constexpr uint32_t D3DPTFILTERCAPS_MINFLINEAR = 0x00000200;
constexpr uint32_t D3DPTFILTERCAPS_MINFANISOTROPIC = 0x00000400;
constexpr uint32_t D3DPTFILTERCAPS_MIPFPOINT = 0x00010000;
constexpr uint32_t D3DPTFILTERCAPS_MIPFLINEAR = 0x00020000;
constexpr uint32_t D3DPTFILTERCAPS_MAGFPOINT = 0x01000000;
constexpr uint32_t D3DPTFILTERCAPS_MAGFLINEAR = 0x02000000;
constexpr uint32_t D3DPTFILTERCAPS_MAGFANISOTROPIC = 0x04000000;
// TextureAddressCaps
constexpr uint32_t D3DPTADDRESSCAPS_WRAP = 0x01;
constexpr uint32_t D3DPTADDRESSCAPS_MIRROR = 0x02;
constexpr uint32_t D3DPTADDRESSCAPS_CLAMP = 0x04;
constexpr uint32_t D3DPTADDRESSCAPS_BORDER = 0x08;
constexpr uint32_t D3DPTADDRESSCAPS_INDEPENDENTUV = 0x10;
constexpr uint32_t D3DPTADDRESSCAPS_MIRRORONCE = 0x20;
// LineCaps
constexpr uint32_t D3DLINECAPS_TEXTURE = 0x01;
constexpr uint32_t D3DLINECAPS_ZTEST = 0x02;
constexpr uint32_t D3DLINECAPS_BLEND = 0x04;
constexpr uint32_t D3DLINECAPS_ALPHACMP = 0x08;
constexpr uint32_t D3DLINECAPS_FOG = 0x10;
// StencilCaps: bit (op - 1).
constexpr uint32_t D3DSTENCILCAPS_KEEP = 0x01;
constexpr uint32_t D3DSTENCILCAPS_ZERO = 0x02;
constexpr uint32_t D3DSTENCILCAPS_REPLACE = 0x04;
constexpr uint32_t D3DSTENCILCAPS_INCRSAT = 0x08;
constexpr uint32_t D3DSTENCILCAPS_DECRSAT = 0x10;
constexpr uint32_t D3DSTENCILCAPS_INVERT = 0x20;
constexpr uint32_t D3DSTENCILCAPS_INCR = 0x40;
constexpr uint32_t D3DSTENCILCAPS_DECR = 0x80;
// FVFCaps
constexpr uint32_t D3DFVFCAPS_TEXCOORDCOUNTMASK = 0x0000FFFF;
constexpr uint32_t D3DFVFCAPS_DONOTSTRIPELEMENTS = 0x00080000;
constexpr uint32_t D3DFVFCAPS_PSIZE = 0x00100000;
// TextureOpCaps: bit (op - 1).
constexpr uint32_t D3DTEXOPCAPS_DISABLE = 1u << 0;
constexpr uint32_t D3DTEXOPCAPS_SELECTARG1 = 1u << 1;
constexpr uint32_t D3DTEXOPCAPS_SELECTARG2 = 1u << 2;
constexpr uint32_t D3DTEXOPCAPS_MODULATE = 1u << 3;
constexpr uint32_t D3DTEXOPCAPS_MODULATE2X = 1u << 4;
constexpr uint32_t D3DTEXOPCAPS_MODULATE4X = 1u << 5;
constexpr uint32_t D3DTEXOPCAPS_ADD = 1u << 6;
constexpr uint32_t D3DTEXOPCAPS_ADDSIGNED = 1u << 7;
constexpr uint32_t D3DTEXOPCAPS_ADDSIGNED2X = 1u << 8;
constexpr uint32_t D3DTEXOPCAPS_SUBTRACT = 1u << 9;
constexpr uint32_t D3DTEXOPCAPS_ADDSMOOTH = 1u << 10;
constexpr uint32_t D3DTEXOPCAPS_BLENDDIFFUSEALPHA = 1u << 11;
constexpr uint32_t D3DTEXOPCAPS_BLENDTEXTUREALPHA = 1u << 12;
constexpr uint32_t D3DTEXOPCAPS_BLENDFACTORALPHA = 1u << 13;
constexpr uint32_t D3DTEXOPCAPS_BLENDTEXTUREALPHAPM = 1u << 14;
constexpr uint32_t D3DTEXOPCAPS_BLENDCURRENTALPHA = 1u << 15;
constexpr uint32_t D3DTEXOPCAPS_PREMODULATE = 1u << 16;
constexpr uint32_t D3DTEXOPCAPS_MODULATEALPHA_ADDCOLOR = 1u << 17;
constexpr uint32_t D3DTEXOPCAPS_MODULATECOLOR_ADDALPHA = 1u << 18;
constexpr uint32_t D3DTEXOPCAPS_MODULATEINVALPHA_ADDCOLOR = 1u << 19;
constexpr uint32_t D3DTEXOPCAPS_MODULATEINVCOLOR_ADDALPHA = 1u << 20;
constexpr uint32_t D3DTEXOPCAPS_BUMPENVMAP = 1u << 21;
constexpr uint32_t D3DTEXOPCAPS_BUMPENVMAPLUMINANCE = 1u << 22;
constexpr uint32_t D3DTEXOPCAPS_DOTPRODUCT3 = 1u << 23;
constexpr uint32_t D3DTEXOPCAPS_MULTIPLYADD = 1u << 24;
constexpr uint32_t D3DTEXOPCAPS_LERP = 1u << 25;
// VertexProcessingCaps
constexpr uint32_t D3DVTXPCAPS_TEXGEN = 0x01;
constexpr uint32_t D3DVTXPCAPS_MATERIALSOURCE7 = 0x02;
constexpr uint32_t D3DVTXPCAPS_DIRECTIONALLIGHTS = 0x08;
constexpr uint32_t D3DVTXPCAPS_POSITIONALLIGHTS = 0x10;
constexpr uint32_t D3DVTXPCAPS_LOCALVIEWER = 0x20;
constexpr uint32_t D3DVTXPCAPS_TWEENING = 0x40;

// ---- Vertex-format helpers ----
// Bytes of one vertex of an FVF code as the device lays it out (XYZRHW is four floats,
// SPECULAR and PSIZE count, texture sets by their size codes).
uint32_t FvfStride(uint32_t fvf);
// Number of blend weights of the position field (XYZB1..XYZB5 give 1..5).
uint32_t FvfBlendWeights(uint32_t fvf);

}  // namespace gfx
