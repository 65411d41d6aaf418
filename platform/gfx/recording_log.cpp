// The recording device's call log: recording calls, injected failures, the queries tests
// make, and the text form of each call.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/gfx/recording_internal.h"

namespace gfx {

// ---- The log ----

size_t RecordingDevice::Record(CallKind kind, std::initializer_list<uint32_t> args, const void* object) {
    Call c;
    c.kind = kind;
    size_t i = 0;
    for (uint32_t a : args)
        if (i < 6) c.args[i++] = a;
    log_.push_back(c);
    if (object) Remember(log_.back(), 0, object);
    return log_.size() - 1;
}

void RecordingDevice::Remember(Call& call, int slot, const void* object) {
    call.objects[slot] = object;
    auto it = object ? ids_.find(object) : ids_.end();
    call.objectIds[slot] = it == ids_.end() ? 0 : it->second;
}

bool RecordingDevice::TakeFailure(CallKind kind, Result* result) {
    for (size_t i = 0; i < failures_.size(); ++i) {
        Failure& f = failures_[i];
        if (f.kind != kind) continue;
        if (f.skip > 0) {
            --f.skip;
            return false;
        }
        *result = f.result;
        if (--f.count == 0) failures_.erase(failures_.begin() + ptrdiff_t(i));
        return true;
    }
    return false;
}

Result RecordingDevice::Finish(size_t at, Result result) {
    log_[at].result = result;
    return result;
}

void RecordingDevice::FailNext(CallKind kind, Result result, uint32_t count, uint32_t skip) {
    if (count == 0) return;
    failures_.push_back({kind, result, count, skip});
}

void RecordingDevice::ClearLog() {
    log_.clear();
    draws_.clear();
}

size_t RecordingDevice::CountCalls(CallKind kind) const {
    return size_t(std::count_if(log_.begin(), log_.end(), [kind](const Call& c) { return c.kind == kind; }));
}

std::vector<Call> RecordingDevice::CallsOf(CallKind kind) const {
    std::vector<Call> out;
    for (const Call& c : log_)
        if (c.kind == kind) out.push_back(c);
    return out;
}

size_t RecordingDevice::FindCall(CallKind kind, size_t from) const {
    for (size_t i = from; i < log_.size(); ++i)
        if (log_[i].kind == kind) return i;
    return npos;
}

std::vector<uint32_t> RecordingDevice::RenderStateSends(RenderStateType state) const {
    std::vector<uint32_t> out;
    for (const Call& c : log_)
        if (c.kind == CallKind::SetRenderState && c.args[0] == state) out.push_back(c.args[1]);
    return out;
}

std::vector<uint32_t> RecordingDevice::StageStateSends(uint32_t stage, TextureStageStateType type) const {
    std::vector<uint32_t> out;
    for (const Call& c : log_)
        if (c.kind == CallKind::SetTextureStageState && c.args[0] == stage && c.args[1] == type)
            out.push_back(c.args[2]);
    return out;
}

std::string RecordingDevice::NameOf(const void* object) const {
    if (!object) return "null";
    auto it = ids_.find(object);
    return it == ids_.end() ? "foreign" : names_[it->second];
}

// ---- Text ----

const char* CallKindName(CallKind kind) {
    static const char* const kNames[] = {
        "TestCooperativeLevel", "Reset", "Present", "BeginScene", "EndScene", "Clear", "GetDeviceCaps",
        "GetDisplayMode", "GetCreationParameters", "GetAvailableTextureMem", "SetGammaRamp", "GetGammaRamp",
        "ValidateDevice", "GetBackBuffer", "GetFrontBuffer", "CreateRenderTarget", "CreateDepthStencilSurface",
        "CreateImageSurface", "CopyRects", "SetRenderTarget", "GetRenderTarget", "GetDepthStencilSurface",
        "CreateTexture", "CreateVertexBuffer", "CreateIndexBuffer", "CreateVertexShader", "DeleteVertexShader",
        "SetTransform", "GetTransform", "MultiplyTransform", "SetViewport", "GetViewport", "SetMaterial",
        "GetMaterial", "SetLight", "GetLight", "LightEnable", "GetLightEnable", "SetClipPlane", "GetClipPlane",
        "SetRenderState", "GetRenderState", "SetTexture", "GetTexture", "SetTextureStageState",
        "GetTextureStageState", "CreateStateBlock", "BeginStateBlock", "EndStateBlock", "ApplyStateBlock",
        "CaptureStateBlock", "DeleteStateBlock", "SetVertexShader", "GetVertexShader", "SetStreamSource",
        "GetStreamSource", "SetIndices", "GetIndices", "DrawPrimitive", "DrawIndexedPrimitive", "DrawPrimitiveUP",
        "DrawIndexedPrimitiveUP", "LockVertexBuffer", "UnlockVertexBuffer", "LockIndexBuffer", "UnlockIndexBuffer",
        "LockTexture", "UnlockTexture", "LockSurface", "UnlockSurface",
    };
    static_assert(sizeof(kNames) / sizeof(kNames[0]) == size_t(CallKind::Count));
    size_t i = size_t(kind);
    return i < size_t(CallKind::Count) ? kNames[i] : "?";
}

namespace {

bool IsIdentity(const Matrix& m) {
    const Matrix identity = Mat4Identity();
    return std::memcmp(&m, &identity, sizeof(Matrix)) == 0;
}

#define NAME(prefix, x) \
    case prefix##x: return #x;

const char* RenderStateName(uint32_t s) {
    switch (s) {
        NAME(D3DRS_, ZENABLE) NAME(D3DRS_, FILLMODE) NAME(D3DRS_, SHADEMODE) NAME(D3DRS_, LINEPATTERN)
        NAME(D3DRS_, ZWRITEENABLE) NAME(D3DRS_, ALPHATESTENABLE) NAME(D3DRS_, LASTPIXEL) NAME(D3DRS_, SRCBLEND)
        NAME(D3DRS_, DESTBLEND) NAME(D3DRS_, CULLMODE) NAME(D3DRS_, ZFUNC) NAME(D3DRS_, ALPHAREF)
        NAME(D3DRS_, ALPHAFUNC) NAME(D3DRS_, DITHERENABLE) NAME(D3DRS_, ALPHABLENDENABLE) NAME(D3DRS_, FOGENABLE)
        NAME(D3DRS_, SPECULARENABLE) NAME(D3DRS_, ZVISIBLE) NAME(D3DRS_, FOGCOLOR) NAME(D3DRS_, FOGTABLEMODE)
        NAME(D3DRS_, FOGSTART) NAME(D3DRS_, FOGEND) NAME(D3DRS_, FOGDENSITY) NAME(D3DRS_, EDGEANTIALIAS)
        NAME(D3DRS_, ZBIAS) NAME(D3DRS_, RANGEFOGENABLE) NAME(D3DRS_, STENCILENABLE) NAME(D3DRS_, STENCILFAIL)
        NAME(D3DRS_, STENCILZFAIL) NAME(D3DRS_, STENCILPASS) NAME(D3DRS_, STENCILFUNC) NAME(D3DRS_, STENCILREF)
        NAME(D3DRS_, STENCILMASK) NAME(D3DRS_, STENCILWRITEMASK) NAME(D3DRS_, TEXTUREFACTOR) NAME(D3DRS_, WRAP0)
        NAME(D3DRS_, WRAP1) NAME(D3DRS_, WRAP2) NAME(D3DRS_, WRAP3) NAME(D3DRS_, WRAP4) NAME(D3DRS_, WRAP5)
        NAME(D3DRS_, WRAP6) NAME(D3DRS_, WRAP7) NAME(D3DRS_, CLIPPING) NAME(D3DRS_, LIGHTING) NAME(D3DRS_, AMBIENT)
        NAME(D3DRS_, FOGVERTEXMODE) NAME(D3DRS_, COLORVERTEX) NAME(D3DRS_, LOCALVIEWER)
        NAME(D3DRS_, NORMALIZENORMALS) NAME(D3DRS_, DIFFUSEMATERIALSOURCE) NAME(D3DRS_, SPECULARMATERIALSOURCE)
        NAME(D3DRS_, AMBIENTMATERIALSOURCE) NAME(D3DRS_, EMISSIVEMATERIALSOURCE) NAME(D3DRS_, VERTEXBLEND)
        NAME(D3DRS_, CLIPPLANEENABLE) NAME(D3DRS_, SOFTWAREVERTEXPROCESSING) NAME(D3DRS_, POINTSIZE)
        NAME(D3DRS_, POINTSIZE_MIN) NAME(D3DRS_, POINTSPRITEENABLE) NAME(D3DRS_, POINTSCALEENABLE)
        NAME(D3DRS_, POINTSCALE_A) NAME(D3DRS_, POINTSCALE_B) NAME(D3DRS_, POINTSCALE_C)
        NAME(D3DRS_, MULTISAMPLEANTIALIAS) NAME(D3DRS_, MULTISAMPLEMASK) NAME(D3DRS_, PATCHEDGESTYLE)
        NAME(D3DRS_, PATCHSEGMENTS) NAME(D3DRS_, DEBUGMONITORTOKEN) NAME(D3DRS_, POINTSIZE_MAX)
        NAME(D3DRS_, INDEXEDVERTEXBLENDENABLE) NAME(D3DRS_, COLORWRITEENABLE) NAME(D3DRS_, TWEENFACTOR)
        NAME(D3DRS_, BLENDOP) NAME(D3DRS_, POSITIONORDER) NAME(D3DRS_, NORMALORDER)
    default: return nullptr;
    }
}

bool IsFloatRenderState(uint32_t s) {
    switch (s) {
    case D3DRS_FOGSTART: case D3DRS_FOGEND: case D3DRS_FOGDENSITY: case D3DRS_POINTSIZE: case D3DRS_POINTSIZE_MIN:
    case D3DRS_POINTSIZE_MAX: case D3DRS_POINTSCALE_A: case D3DRS_POINTSCALE_B: case D3DRS_POINTSCALE_C:
    case D3DRS_TWEENFACTOR: case D3DRS_PATCHSEGMENTS:
        return true;
    default: return false;
    }
}

const char* StageStateName(uint32_t t) {
    switch (t) {
        NAME(D3DTSS_, COLOROP) NAME(D3DTSS_, COLORARG1) NAME(D3DTSS_, COLORARG2) NAME(D3DTSS_, ALPHAOP)
        NAME(D3DTSS_, ALPHAARG1) NAME(D3DTSS_, ALPHAARG2) NAME(D3DTSS_, BUMPENVMAT00) NAME(D3DTSS_, BUMPENVMAT01)
        NAME(D3DTSS_, BUMPENVMAT10) NAME(D3DTSS_, BUMPENVMAT11) NAME(D3DTSS_, TEXCOORDINDEX)
        NAME(D3DTSS_, ADDRESSU) NAME(D3DTSS_, ADDRESSV) NAME(D3DTSS_, BORDERCOLOR) NAME(D3DTSS_, MAGFILTER)
        NAME(D3DTSS_, MINFILTER) NAME(D3DTSS_, MIPFILTER) NAME(D3DTSS_, MIPMAPLODBIAS) NAME(D3DTSS_, MAXMIPLEVEL)
        NAME(D3DTSS_, MAXANISOTROPY) NAME(D3DTSS_, BUMPENVLSCALE) NAME(D3DTSS_, BUMPENVLOFFSET)
        NAME(D3DTSS_, TEXTURETRANSFORMFLAGS) NAME(D3DTSS_, ADDRESSW) NAME(D3DTSS_, COLORARG0)
        NAME(D3DTSS_, ALPHAARG0) NAME(D3DTSS_, RESULTARG)
    default: return nullptr;
    }
}

bool IsFloatStageState(uint32_t t) {
    return t == D3DTSS_MIPMAPLODBIAS || (t >= D3DTSS_BUMPENVMAT00 && t <= D3DTSS_BUMPENVMAT11) ||
           t == D3DTSS_BUMPENVLSCALE || t == D3DTSS_BUMPENVLOFFSET;
}

const char* PrimitiveName(uint32_t p) {
    switch (p) {
        NAME(D3DPT_, POINTLIST) NAME(D3DPT_, LINELIST) NAME(D3DPT_, LINESTRIP) NAME(D3DPT_, TRIANGLELIST)
        NAME(D3DPT_, TRIANGLESTRIP) NAME(D3DPT_, TRIANGLEFAN)
    default: return nullptr;
    }
}

const char* FormatLabel(uint32_t f) {
    switch (f) {
        NAME(D3DFMT_, UNKNOWN) NAME(D3DFMT_, R8G8B8) NAME(D3DFMT_, A8R8G8B8) NAME(D3DFMT_, X8R8G8B8)
        NAME(D3DFMT_, R5G6B5) NAME(D3DFMT_, X1R5G5B5) NAME(D3DFMT_, A1R5G5B5) NAME(D3DFMT_, A4R4G4B4)
        NAME(D3DFMT_, R3G3B2) NAME(D3DFMT_, A8) NAME(D3DFMT_, A8R3G3B2) NAME(D3DFMT_, X4R4G4B4)
        NAME(D3DFMT_, A8P8) NAME(D3DFMT_, P8) NAME(D3DFMT_, L8) NAME(D3DFMT_, A8L8) NAME(D3DFMT_, A4L4)
        NAME(D3DFMT_, V8U8) NAME(D3DFMT_, DXT1) NAME(D3DFMT_, DXT2) NAME(D3DFMT_, DXT3) NAME(D3DFMT_, DXT4)
        NAME(D3DFMT_, DXT5) NAME(D3DFMT_, D16_LOCKABLE) NAME(D3DFMT_, D32) NAME(D3DFMT_, D15S1)
        NAME(D3DFMT_, D24S8) NAME(D3DFMT_, D24X8) NAME(D3DFMT_, D24X4S4) NAME(D3DFMT_, D16)
        NAME(D3DFMT_, INDEX16) NAME(D3DFMT_, INDEX32)
    default: return nullptr;
    }
}

const char* PoolLabel(uint32_t p) {
    switch (p) {
        NAME(D3DPOOL_, DEFAULT) NAME(D3DPOOL_, MANAGED) NAME(D3DPOOL_, SYSTEMMEM)
    default: return nullptr;
    }
}

#undef NAME

std::string Number(uint32_t v) {
    char buf[16];
    if (v < 0x10000)
        std::snprintf(buf, sizeof(buf), "%u", v);
    else
        std::snprintf(buf, sizeof(buf), "0x%08X", v);
    return buf;
}

std::string Hex(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof(buf), "0x%X", v);
    return buf;
}

std::string Real(float f) {
    char buf[32];
    std::snprintf(buf, sizeof(buf), "%g", double(f));
    return buf;
}

std::string Named(const char* name, uint32_t v) { return name ? std::string(name) : Number(v); }

std::string TransformLabel(uint32_t t) {
    if (t == D3DTS_VIEW) return "VIEW";
    if (t == D3DTS_PROJECTION) return "PROJECTION";
    if (t >= D3DTS_TEXTURE0 && t <= D3DTS_TEXTURE7) return "TEXTURE" + std::to_string(t - D3DTS_TEXTURE0);
    if (t == D3DTS_WORLD) return "WORLD";
    if (t > D3DTS_WORLD && t < D3DTS_WORLD + 256) return "WORLD" + std::to_string(t - D3DTS_WORLD);
    return Number(t);
}

std::string MatrixText(const Matrix& m) {
    if (IsIdentity(m)) return "identity";
    std::string s = "[";
    for (int r = 0; r < 4; ++r) {
        if (r) s += "; ";
        for (int c = 0; c < 4; ++c) {
            if (c) s += ' ';
            s += Real(m.m[r][c]);
        }
    }
    return s + "]";
}

std::string ClearFlags(uint32_t flags) {
    std::string s;
    auto add = [&](uint32_t bit, const char* name) {
        if (!(flags & bit)) return;
        if (!s.empty()) s += '|';
        s += name;
        flags &= ~bit;
    };
    add(D3DCLEAR_TARGET, "TARGET");
    add(D3DCLEAR_ZBUFFER, "ZBUFFER");
    add(D3DCLEAR_STENCIL, "STENCIL");
    if (flags || s.empty()) {
        if (!s.empty()) s += '|';
        s += Hex(flags);
    }
    return s;
}

std::string ResultLabel(Result r) {
    std::string d = DescribeResult(r);
    size_t colon = d.find(':');
    if (colon != std::string::npos) return d.substr(0, colon);
    char buf[16];
    std::snprintf(buf, sizeof(buf), "0x%08X", uint32_t(r));
    return buf;
}

}  // namespace

std::string RecordingDevice::Describe(const Call& c) const {
    auto obj = [&](int i) -> std::string {
        if (!c.objects[i]) return "null";
        return c.objectIds[i] ? names_[c.objectIds[i]] : "foreign";
    };
    const uint32_t* a = c.args;
    std::vector<std::string> p;  // the arguments as shown
    std::string created;         // " = tex#3" for calls that make or hand out objects
    switch (c.kind) {
    case CallKind::Reset:
        p = {Number(a[0]), Number(a[1]), Named(FormatLabel(a[2]), a[2]), a[3] ? "windowed" : "full screen"};
        break;
    case CallKind::Clear:
        p = {Number(a[0]), ClearFlags(a[1]), Hex(a[2]), Real(c.values[0]), Number(a[3])};
        break;
    case CallKind::SetGammaRamp: p = {Number(a[0])}; break;
    case CallKind::GetBackBuffer:
    case CallKind::GetRenderTarget:
    case CallKind::GetDepthStencilSurface:
        if (c.kind == CallKind::GetBackBuffer) p = {Number(a[0])};
        if (c.objects[0]) created = obj(0);
        break;
    case CallKind::GetFrontBuffer: p = {obj(0)}; break;
    case CallKind::CreateRenderTarget:
        p = {Number(a[0]), Number(a[1]), Named(FormatLabel(a[2]), a[2]), Number(a[3]), a[4] ? "lockable" : "0"};
        created = c.objects[0] ? obj(0) : "";
        break;
    case CallKind::CreateDepthStencilSurface:
        p = {Number(a[0]), Number(a[1]), Named(FormatLabel(a[2]), a[2]), Number(a[3])};
        created = c.objects[0] ? obj(0) : "";
        break;
    case CallKind::CreateImageSurface:
        p = {Number(a[0]), Number(a[1]), Named(FormatLabel(a[2]), a[2])};
        created = c.objects[0] ? obj(0) : "";
        break;
    case CallKind::CopyRects: p = {obj(0), Number(a[0]), obj(1)}; break;
    case CallKind::SetRenderTarget: p = {obj(0), obj(1)}; break;
    case CallKind::CreateTexture:
        p = {Number(a[0]), Number(a[1]), Number(a[2]), Hex(a[3]), Named(FormatLabel(a[4]), a[4]),
             Named(PoolLabel(a[5]), a[5])};
        created = c.objects[0] ? obj(0) : "";
        break;
    case CallKind::CreateVertexBuffer:
        p = {Number(a[0]), Hex(a[1]), Hex(a[2]), Named(PoolLabel(a[3]), a[3])};
        created = c.objects[0] ? obj(0) : "";
        break;
    case CallKind::CreateIndexBuffer:
        p = {Number(a[0]), Hex(a[1]), Named(FormatLabel(a[2]), a[2]), Named(PoolLabel(a[3]), a[3])};
        created = c.objects[0] ? obj(0) : "";
        break;
    case CallKind::CreateVertexShader:
        if (a[1]) created = Hex(a[1]);
        break;
    case CallKind::DeleteVertexShader:
    case CallKind::SetVertexShader: p = {Hex(a[0])}; break;
    case CallKind::GetVertexShader: created = Hex(a[0]); break;
    case CallKind::SetTransform:
    case CallKind::MultiplyTransform: p = {TransformLabel(a[0]), MatrixText(c.matrix)}; break;
    case CallKind::GetTransform: p = {TransformLabel(a[0])}; break;
    case CallKind::SetViewport:
        p = {Number(a[0]), Number(a[1]), Number(a[2]), Number(a[3]), Real(c.values[0]), Real(c.values[1])};
        break;
    case CallKind::SetMaterial:
        p = {"diffuse " + Real(c.values[0]) + " " + Real(c.values[1]) + " " + Real(c.values[2]) + " " +
             Real(c.values[3])};
        break;
    case CallKind::SetLight: p = {Number(a[0]), "type " + Number(a[1])}; break;
    case CallKind::GetLight:
    case CallKind::GetLightEnable:
    case CallKind::GetClipPlane: p = {Number(a[0])}; break;
    case CallKind::LightEnable: p = {Number(a[0]), Number(a[1])}; break;
    case CallKind::SetClipPlane:
        p = {Number(a[0]), Real(c.values[0]), Real(c.values[1]), Real(c.values[2]), Real(c.values[3])};
        break;
    case CallKind::SetRenderState:
        p = {Named(RenderStateName(a[0]), a[0]),
             IsFloatRenderState(a[0]) ? Real(BitsFloat(a[1])) : Number(a[1])};
        break;
    case CallKind::GetRenderState:
        p = {Named(RenderStateName(a[0]), a[0])};
        break;
    case CallKind::SetTexture: p = {Number(a[0]), obj(0)}; break;
    case CallKind::GetTexture:
        p = {Number(a[0])};
        created = obj(0);
        break;
    case CallKind::SetTextureStageState:
        p = {Number(a[0]), Named(StageStateName(a[1]), a[1]),
             IsFloatStageState(a[1]) ? Real(BitsFloat(a[2])) : Number(a[2])};
        break;
    case CallKind::GetTextureStageState: p = {Number(a[0]), Named(StageStateName(a[1]), a[1])}; break;
    case CallKind::CreateStateBlock:
        p = {Number(a[0])};
        if (a[1]) created = Number(a[1]);
        break;
    case CallKind::EndStateBlock:
        if (a[0]) created = Number(a[0]);
        break;
    case CallKind::ApplyStateBlock:
    case CallKind::CaptureStateBlock:
    case CallKind::DeleteStateBlock: p = {Number(a[0])}; break;
    case CallKind::SetStreamSource: p = {Number(a[0]), obj(0), Number(a[1])}; break;
    case CallKind::GetStreamSource: p = {Number(a[0])}; created = obj(0); break;
    case CallKind::SetIndices: p = {obj(0), Number(a[0])}; break;
    case CallKind::GetIndices: created = obj(0); break;
    case CallKind::DrawPrimitive: p = {Named(PrimitiveName(a[0]), a[0]), Number(a[1]), Number(a[2])}; break;
    case CallKind::DrawIndexedPrimitive:
        p = {Named(PrimitiveName(a[0]), a[0]), Number(a[1]), Number(a[2]), Number(a[3]), Number(a[4])};
        break;
    case CallKind::DrawPrimitiveUP: p = {Named(PrimitiveName(a[0]), a[0]), Number(a[1]), Number(a[2])}; break;
    case CallKind::DrawIndexedPrimitiveUP:
        p = {Named(PrimitiveName(a[0]), a[0]), Number(a[1]), Number(a[2]), Number(a[3]),
             Named(FormatLabel(a[4]), a[4]), Number(a[5])};
        break;
    case CallKind::LockVertexBuffer:
    case CallKind::LockIndexBuffer: p = {obj(0), Number(a[0]), Number(a[1]), Hex(a[2])}; break;
    case CallKind::LockTexture: p = {obj(0), Number(a[0]), Hex(a[1])}; break;
    case CallKind::UnlockTexture: p = {obj(0), Number(a[0])}; break;
    case CallKind::LockSurface: p = {obj(0), Hex(a[0])}; break;
    case CallKind::UnlockVertexBuffer:
    case CallKind::UnlockIndexBuffer:
    case CallKind::UnlockSurface: p = {obj(0)}; break;
    default: break;
    }
    std::string s = CallKindName(c.kind);
    s += '(';
    for (size_t i = 0; i < p.size(); ++i) {
        if (i) s += ", ";
        s += p[i];
    }
    s += ')';
    if (c.result != D3D_OK)
        s += " -> " + ResultLabel(c.result);
    else if (!created.empty())
        s += " = " + created;
    return s;
}

std::vector<std::string> RecordingDevice::LogLines() const {
    std::vector<std::string> out;
    out.reserve(log_.size());
    for (const Call& c : log_) out.push_back(Describe(c));
    return out;
}

std::string RecordingDevice::LogText() const {
    std::string s;
    for (const Call& c : log_) s += Describe(c) + "\n";
    return s;
}

}  // namespace gfx
