#include "platform/gfx/types.h"

namespace gfx {

uint32_t FvfBlendWeights(uint32_t fvf) {
    uint32_t v = (fvf & D3DFVF_POSITION_MASK) >> 1;
    return v > 2 ? v - 2 : 0;
}

uint32_t FvfStride(uint32_t fvf) {
    uint32_t size = 0;
    uint32_t pos = fvf & D3DFVF_POSITION_MASK;
    if (pos == D3DFVF_XYZRHW)
        size += 16;
    else if (pos != 0)
        size += 12 + 4 * FvfBlendWeights(fvf);
    if (fvf & D3DFVF_NORMAL) size += 12;
    if (fvf & D3DFVF_PSIZE) size += 4;
    if (fvf & D3DFVF_DIFFUSE) size += 4;
    if (fvf & D3DFVF_SPECULAR) size += 4;
    uint32_t sets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (sets > 8) sets = 8;
    for (uint32_t i = 0; i < sets; ++i) {
        static const uint32_t kFloats[4] = {2, 3, 4, 1};
        size += 4 * kFloats[(fvf >> (16 + 2 * i)) & 3];
    }
    return size;
}

}  // namespace gfx

namespace gfx {

const char* DescribeResult(Result r) {
    switch (r) {
    case D3D_OK: return "D3D_OK: no error";
    case S_FALSE: return "S_FALSE: no error";
    case E_FAIL: return "E_FAIL: unspecified failure";
    case E_NOTIMPL: return "E_NOTIMPL: not implemented";
    case E_INVALIDARG: return "E_INVALIDARG: an argument is invalid";
    case E_OUTOFMEMORY: return "E_OUTOFMEMORY: out of memory";
    case D3DERR_WRONGTEXTUREFORMAT: return "D3DERR_WRONGTEXTUREFORMAT: texture format not usable here";
    case D3DERR_UNSUPPORTEDCOLOROPERATION: return "D3DERR_UNSUPPORTEDCOLOROPERATION: colour operation not supported";
    case D3DERR_UNSUPPORTEDCOLORARG: return "D3DERR_UNSUPPORTEDCOLORARG: colour argument not supported";
    case D3DERR_UNSUPPORTEDALPHAOPERATION: return "D3DERR_UNSUPPORTEDALPHAOPERATION: alpha operation not supported";
    case D3DERR_UNSUPPORTEDALPHAARG: return "D3DERR_UNSUPPORTEDALPHAARG: alpha argument not supported";
    case D3DERR_TOOMANYOPERATIONS: return "D3DERR_TOOMANYOPERATIONS: too many texture operations";
    case D3DERR_CONFLICTINGTEXTUREFILTER: return "D3DERR_CONFLICTINGTEXTUREFILTER: conflicting texture filters";
    case D3DERR_UNSUPPORTEDFACTORVALUE: return "D3DERR_UNSUPPORTEDFACTORVALUE: texture factor not supported";
    case D3DERR_CONFLICTINGRENDERSTATE: return "D3DERR_CONFLICTINGRENDERSTATE: conflicting render states";
    case D3DERR_UNSUPPORTEDTEXTUREFILTER: return "D3DERR_UNSUPPORTEDTEXTUREFILTER: texture filter not supported";
    case D3DERR_DRIVERINTERNALERROR: return "D3DERR_DRIVERINTERNALERROR: internal driver error";
    case D3DERR_NOTFOUND: return "D3DERR_NOTFOUND: not found";
    case D3DERR_MOREDATA: return "D3DERR_MOREDATA: more data than the buffer holds";
    case D3DERR_DEVICELOST: return "D3DERR_DEVICELOST: the device is lost";
    case D3DERR_DEVICENOTRESET: return "D3DERR_DEVICENOTRESET: the device is lost and can be reset";
    case D3DERR_NOTAVAILABLE: return "D3DERR_NOTAVAILABLE: not available";
    case D3DERR_OUTOFVIDEOMEMORY: return "D3DERR_OUTOFVIDEOMEMORY: out of video memory";
    case D3DERR_INVALIDDEVICE: return "D3DERR_INVALIDDEVICE: invalid device";
    case D3DERR_INVALIDCALL: return "D3DERR_INVALIDCALL: invalid call";
    case D3DERR_DRIVERINVALIDCALL: return "D3DERR_DRIVERINVALIDCALL: invalid driver call";
    default: return "Unknown error";
    }
}

}  // namespace gfx
