#include "render/video.h"

#include <cstring>

#include "platform/gfx/adapters.h"
#include "platform/os/os.h"
#include "render/formats.h"
#include "core/debug_log.h"
#include "core/settings.h"

using namespace gfx;

const Matrix IdentityMatrix = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};

Video g_Video;
Direct3DFactory g_Direct3DCreate = Direct3DCreate;

namespace {

// Devices made in this run, never reset: a serial is not given twice.
uint32_t g_DevicesMade = 0;

const char* ErrorDescription(Result r) {
    switch (r) {
    case D3DERR_DEVICELOST: return "D3DERR_DEVICELOST";
    case D3DERR_DEVICENOTRESET: return "D3DERR_DEVICENOTRESET";
    case D3DERR_INVALIDCALL: return "D3DERR_INVALIDCALL";
    case D3DERR_NOTAVAILABLE: return "D3DERR_NOTAVAILABLE";
    case D3DERR_OUTOFVIDEOMEMORY: return "D3DERR_OUTOFVIDEOMEMORY";
    case E_OUTOFMEMORY: return "E_OUTOFMEMORY";
    case E_INVALIDARG: return "E_INVALIDARG";
    case gfx::E_FAIL: return "gfx::E_FAIL";
    default: return "Unknown error";
    }
}

}  // namespace

void Video::Zero() {
    window = nullptr;
    d3d = nullptr;
    device = nullptr;
    deviceSerial = 0;
    adapter = 0;
    std::memset(&caps, 0, sizeof(caps));
    std::memset(&displayMode, 0, sizeof(displayMode));
    std::memset(&present, 0, sizeof(present));
    screenRect = {};
    windowRect = {};
    windowed = 0;
    hardwareVertexProcessing = 0;
    halfWidth = halfHeight = 0;
    modes.clear();
    renderTarget = savedRenderTarget = depthSurface = savedDepthSurface = nullptr;
    sceneOpen = 0;
    clipping = multisample = anisotropic = culling = 0;
    cullMode = D3DCULL_CCW;
    ambient = 0;
    lightingLocked = lighting = 0;
    for (StageCache& s : stages) {
        s = StageCache{};
        s.colorOp = D3DTOP_MODULATE;
    }
    highestStage = 0;
    vertexShader = 0;
    for (auto& s : streams) s = nullptr;
    indices = nullptr;
    for (auto& w : world) w = nullptr;
    world[0] = &IdentityMatrix;
    blendPreset = 0;
    zEnable = 0;
    wireframe = 0;
    lastResult = 0;
}

// ---- creation ----------------------------------------------------------------------

Result Video::CreteD3D() {
    d3d = g_Direct3DCreate();
    return d3d ? D3D_OK : gfx::E_FAIL;
}

Result Video::SetupMatrix() {
    Result r = device->SetTransform(D3DTS_WORLD, &IdentityMatrix);
    if (Failed(r)) return r;
    r = device->SetTransform(D3DTS_VIEW, &IdentityMatrix);
    if (Failed(r)) return r;
    return device->SetTransform(D3DTS_PROJECTION, &IdentityMatrix);
}

bool Video::Create(const VideoSettings& settings) {
    lastResult = 0;
    if (!settings.window) {
        lastResult = E_INVALIDARG;
        return false;
    }
    window = settings.window;
    windowed = settings.windowed;

    if (Failed(CreteD3D())) {
        WriteDebugLog("CreteD3D() failed!");
        return false;
    }
    lastResult = CreateDevice(settings);
    if (Failed(lastResult)) {
        WriteDebugLog("CreateDevice() failed!");
        return false;
    }
    lastResult = SetupMatrix();
    if (Failed(lastResult)) {
        WriteDebugLog("SetupMatrix() failed!");
        return false;
    }
    halfWidth = (screenRect.right - screenRect.left + 1) / 2;
    halfHeight = (screenRect.bottom - screenRect.top + 1) / 2;

    device->SetRenderState(D3DRS_CLIPPING, 1);
    device->SetRenderState(D3DRS_ZENABLE, 1);
    device->SetRenderState(D3DRS_ZWRITEENABLE, 1);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, 0);
    device->SetRenderState(D3DRS_ALPHAREF, 1);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    for (uint32_t s = 0; s < 3; ++s) {
        device->SetTextureStageState(s, D3DTSS_COLOROP, D3DTOP_DISABLE);
        device->SetTextureStageState(s, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(s, D3DTSS_COLORARG2, s == 0 ? D3DTA_DIFFUSE : D3DTA_CURRENT);
    }
    for (uint32_t s = 0; s < 4; ++s) {
        device->SetTextureStageState(s, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(s, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(s, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(s, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
        device->SetTextureStageState(s, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
    }
    lastResult = SetupMatrix();

    sceneOpen = 0;
    clipping = 1;
    cullMode = D3DCULL_CCW;
    culling = 1;
    multisample = present.MultiSampleType != 0;
    if (multisample) device->SetRenderState(D3DRS_MULTISAMPLEANTIALIAS, 1);
    anisotropic = settings.anisotropic;
    if (anisotropic) {
        for (uint32_t s = 0; s < 4; ++s) {
            device->SetTextureStageState(s, D3DTSS_MINFILTER, D3DTEXF_ANISOTROPIC);
            device->SetTextureStageState(s, D3DTSS_MAGFILTER, D3DTEXF_ANISOTROPIC);
            device->SetTextureStageState(s, D3DTSS_MAXANISOTROPY, 2);
        }
    }
    ambient = 0;
    lightingLocked = 0;
    lighting = 1;
    RestoreStates();
    return true;
}

Result Video::BuildPresentParameters(const VideoSettings& settings, DevType type) {
    std::memset(&present, 0, sizeof(present));
    if (windowed) {
        int x = 0, y = 0, w = 0, h = 0;
        os::WindowHandle win = static_cast<os::WindowHandle>(window);
        os::GetClientOrigin(win, &x, &y);
        os::GetClientSize(win, &w, &h);
        windowRect = {x, y, x + w - 1, y + h - 1};
        screenRect = {0, 0, windowRect.right - windowRect.left, windowRect.bottom - windowRect.top};
        present.BackBufferWidth = uint32_t(screenRect.right + 1);
        present.BackBufferHeight = uint32_t(screenRect.bottom + 1);
        present.BackBufferFormat = displayMode.Format;
        present.Windowed = 1;
        present.FullScreen_RefreshRateInHz = 0;
        present.FullScreen_PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;
    } else {
        const DisplayMode* chosen = nullptr;
        for (const DisplayMode& m : modes) {
            if (int32_t(m.Width) == settings.width && int32_t(m.Height) == settings.height &&
                FormatBits(m.Format) == int(settings.bitsPerPixel) &&
                Succeeded(d3d->CheckDeviceType(uint32_t(adapter), type, m.Format, m.Format, false))) {
                chosen = &m;
                break;
            }
        }
        if (!chosen) {
            os::MessageBox(nullptr, "Unable to initialize requested video mode", "Error", os::MB_ICONERROR);
            Destroy();
            return gfx::E_FAIL;
        }
        screenRect = {0, 0, int32_t(chosen->Width) - 1, int32_t(chosen->Height) - 1};
        windowRect = screenRect;
        present.Windowed = 0;
        present.BackBufferWidth = chosen->Width;
        present.BackBufferHeight = chosen->Height;
        present.BackBufferFormat = chosen->Format;
        present.FullScreen_RefreshRateInHz = 0;
        present.FullScreen_PresentationInterval =
            g_Settings.waitRetrace ? D3DPRESENT_INTERVAL_ONE : D3DPRESENT_INTERVAL_IMMEDIATE;
    }
    present.BackBufferCount = g_Settings.doubleBackBuffer ? 2 : 1;
    present.MultiSampleType = MultiSampleType(settings.multisample);
    present.SwapEffect = D3DSWAPEFFECT_DISCARD;
    present.hDeviceWindow = window;
    present.EnableAutoDepthStencil = 1;
    present.AutoDepthStencilFormat = settings.depthStencil ? D3DFMT_D24S8 : D3DFMT_D16;
    present.Flags = 0;
    return D3D_OK;
}

Result Video::CreateDevice(const VideoSettings& settings) {
    // A window that is gone (taken away by the display server) is no window either: asking for
    // a device on it would only end in the "no hardware" box.
    if (!d3d || !window || !os::NativeWindow(static_cast<os::WindowHandle>(window))) return E_INVALIDARG;
    adapter = settings.adapter;  // sign-extended
    DevType type = g_Settings.software ? D3DDEVTYPE_REF : D3DDEVTYPE_HAL;
    d3d->GetDeviceCaps(uint32_t(adapter), type, &caps);
    hardwareVertexProcessing = type == D3DDEVTYPE_HAL && (caps.DevCaps & D3DDEVCAPS_PUREDEVICE) != 0;
    d3d->GetAdapterDisplayMode(uint32_t(adapter), &displayMode);
    uint32_t count = d3d->GetAdapterModeCount(uint32_t(adapter));
    modes.assign(count, DisplayMode{});
    for (uint32_t i = 0; i < count; ++i) d3d->EnumAdapterModes(uint32_t(adapter), i, &modes[i]);

    Result r = BuildPresentParameters(settings, type);
    if (Failed(r)) return r;

    uint32_t behaviour =
        hardwareVertexProcessing ? D3DCREATE_MIXED_VERTEXPROCESSING : D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    r = d3d->CreateDevice(uint32_t(adapter), type, window, behaviour, &present, &device);
    if (Failed(r)) r = d3d->CreateDevice(uint32_t(adapter), type, window, behaviour, &present, &device);
    if (Failed(r)) {
        os::MessageBox(nullptr, "Hardware aceleration not found!", "Error", os::MB_ICONERROR);
        Destroy();
        return r;
    }
    deviceSerial = ++g_DevicesMade;
    device->GetDisplayMode(&displayMode);
    TakeSurfaces();
    if (g_Settings.debug) {
        char name[32];
        FormatName(displayMode.Format, name);
        WriteDebugLogF("Resolucion de pantalla: %d %d", int(displayMode.Width), int(displayMode.Height));
        WriteDebugLogF("Resolucion superficie de trabajo: %d %d", screenRect.right - screenRect.left + 1,
                       screenRect.bottom - screenRect.top + 1);
        WriteDebugLogF("Formato de pixel: %s", name);
        WriteDebugLogF("No. de back-buffers: %d", int(present.BackBufferCount));
    }
    return D3D_OK;
}

void Video::TakeSurfaces() {
    device->GetRenderTarget(&renderTarget);
    device->GetDepthStencilSurface(&depthSurface);
}

void Video::ReleaseSurfaces() {
    if (renderTarget) renderTarget->Release();
    if (depthSurface) depthSurface->Release();
    renderTarget = nullptr;
    depthSurface = nullptr;
}

void Video::Destroy() {
    // A pushed target still holds references; give them back before the device goes.
    if (savedRenderTarget) savedRenderTarget->Release();
    if (savedDepthSurface) savedDepthSurface->Release();
    savedRenderTarget = savedDepthSurface = nullptr;
    ReleaseSurfaces();
    if (device) {
        uint32_t n;
        do {
            n = device->Release();
            WriteDebugLogF("refcount: %d", int(n));
        } while (n > 0);
        device = nullptr;
        deviceSerial = 0;
    }
    if (d3d) {
        while (d3d->Release() > 0) {
        }
        d3d = nullptr;
    }
    modes.clear();
    window = nullptr;
    for (StageCache& s : stages) s.texture = nullptr;
    for (auto& s : streams) s = nullptr;
    indices = nullptr;
    lastResult = 0;
}

bool Video::Reset() {
    if (!device) return false;
    WriteDebugLog("Reseteando el sistema de video...");
    if (device->TestCooperativeLevel() != D3DERR_DEVICENOTRESET) {
        WriteDebugLog("ERROR: Sistema de video no preparado.");
        return false;
    }
    ReleaseSurfaces();
    Result r = device->Reset(&present);
    if (Failed(r)) {
        WriteDebugLog("Reset fallo!");
        WriteDebugLog(ErrorDescription(r));
        return false;
    }
    TakeSurfaces();
    device->SetRenderState(D3DRS_AMBIENT, ambient);
    RestoreStates();
    WriteDebugLog("Reset OK");
    return true;
}

bool Video::ChangeMode(const VideoSettings& settings) {
    if (!device) return false;
    WriteDebugLog("Cambiando el sistema de video...");
    ReleaseSurfaces();
    windowed = settings.windowed;
    DevType type = g_Settings.software ? D3DDEVTYPE_REF : D3DDEVTYPE_HAL;
    if (Failed(BuildPresentParameters(settings, type))) return false;
    Result r = device->Reset(&present);
    if (Failed(r)) {
        WriteDebugLog("Reset fallo!");
        WriteDebugLog(ErrorDescription(r));
        return false;
    }
    device->GetDisplayMode(&displayMode);
    TakeSurfaces();
    device->SetRenderState(D3DRS_AMBIENT, ambient);
    RestoreStates();
    WriteDebugLog("Sistema de video cambiado OK");
    return true;
}

// ---- viewports, scenes, targets ----------------------------------------------------

void Video::UpdateViewport() {
    int x = 0, y = 0, w = 0, h = 0;
    os::WindowHandle win = static_cast<os::WindowHandle>(window);
    os::GetClientOrigin(win, &x, &y);
    os::GetClientSize(win, &w, &h);
    windowRect = {x, y, x + w - 1, y + h - 1};
    SetViewport(0, 0, windowRect.right - windowRect.left, windowRect.bottom - windowRect.top);
}

void Video::SetViewport(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    screenRect = {left, top, right, bottom};
    if (!device) return;
    Viewport vp{uint32_t(left), uint32_t(top), uint32_t(right - left + 1), uint32_t(bottom - top + 1), 0.0f, 1.0f};
    device->SetViewport(&vp);
}

void Video::BeginScene() {
    if (sceneOpen) EndScene();
    device->BeginScene();
    sceneOpen = 1;
}

void Video::EndScene() {
    if (!sceneOpen) return;
    device->EndScene();
    sceneOpen = 0;
}

bool Video::Present() {
    lastResult = device->Present(nullptr, nullptr, nullptr, nullptr);
    return Succeeded(lastResult);
}

bool Video::Clear(Color colour) {
    uint32_t flags = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER;
    if (present.AutoDepthStencilFormat == D3DFMT_D24S8) flags |= D3DCLEAR_STENCIL;
    lastResult = device->Clear(0, nullptr, flags, colour, 1.0f, 0);
    return Succeeded(lastResult);
}

bool Video::ClearZBuffer() {
    uint32_t flags = D3DCLEAR_ZBUFFER;
    if (present.AutoDepthStencilFormat == D3DFMT_D24S8) flags |= D3DCLEAR_STENCIL;
    lastResult = device->Clear(0, nullptr, flags, 0, 1.0f, 127);
    return Succeeded(lastResult);
}

Surface* Video::GetBackBuffer() {
    Surface* surface = nullptr;
    if (!device || Failed(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &surface))) return nullptr;
    // Borrowed: the device keeps the back buffer alive.
    surface->Release();
    return surface;
}

bool Video::PushRenderTarget(Surface* target, Surface* depth) {
    // Without a current target (no device, or its surfaces let go by a failed reset) there would
    // be nothing to pop back to, and the callers only pop what was pushed.
    if (!target || savedRenderTarget || !renderTarget) return false;
    savedRenderTarget = renderTarget;
    savedDepthSurface = depthSurface;
    renderTarget = target;
    depthSurface = depth ? depth : depthSurface;
    // The pushed surfaces are borrowed for as long as they are current.
    renderTarget->AddRef();
    if (depthSurface) depthSurface->AddRef();
    device->SetRenderTarget(renderTarget, depthSurface);
    SurfaceDesc desc{};
    renderTarget->GetDesc(&desc);
    SetViewport(0, 0, int32_t(desc.Width) - 1, int32_t(desc.Height) - 1);
    return true;
}

bool Video::PopRenderTarget() {
    if (!savedRenderTarget) return false;
    ReleaseSurfaces();
    renderTarget = savedRenderTarget;
    depthSurface = savedDepthSurface;
    savedRenderTarget = nullptr;
    savedDepthSurface = nullptr;
    device->SetRenderTarget(renderTarget, depthSurface);
    SurfaceDesc desc{};
    renderTarget->GetDesc(&desc);
    SetViewport(0, 0, int32_t(desc.Width) - 1, int32_t(desc.Height) - 1);
    return true;
}

// ---- the state cache ---------------------------------------------------------------

bool Video::SetWorldMatrix(const Matrix* matrix, int index, bool useCache) {
    if (!matrix) matrix = &IdentityMatrix;
    if (useCache && world[index] == matrix) return true;
    lastResult = device->SetTransform(D3DTS_WORLDMATRIX(uint32_t(index)), matrix);
    if (Failed(lastResult)) return false;
    world[index] = matrix;
    return true;
}

bool Video::HasWorldMatrix() const { return world[0] != &IdentityMatrix; }

void Video::SetClipping(bool on) {
    if (clipping == uint8_t(on)) return;
    device->SetRenderState(D3DRS_CLIPPING, on);
    clipping = on;
}

void Video::EnableCulling(bool on) {
    if (culling == uint8_t(on)) return;
    device->SetRenderState(D3DRS_CULLMODE, on ? cullMode : uint32_t(D3DCULL_NONE));
    culling = on;
}

void Video::SetCullMode(uint32_t mode) {
    if (cullMode == mode) return;
    if (culling) device->SetRenderState(D3DRS_CULLMODE, mode);
    cullMode = mode;
}

void Video::SetStreamSource(int stream, VertexBuffer* buffer, uint32_t stride) {
    if (streams[stream] == buffer) return;
    device->SetStreamSource(uint32_t(stream), buffer, stride);
    streams[stream] = buffer;
}

void Video::SetIndices(IndexBuffer* buffer) {
    if (indices == buffer) return;
    device->SetIndices(buffer, 0);
    indices = buffer;
}

void Video::SetAmbient(uint32_t colour) {
    if (ambient == colour) return;
    device->SetRenderState(D3DRS_AMBIENT, colour);
    ambient = colour;
}

void Video::SetLighting(bool on) {
    if (lightingLocked || lighting == uint8_t(on)) return;
    device->SetRenderState(D3DRS_LIGHTING, on);
    lighting = on;
}

void Video::SetTexture(int stage, Texture* texture) {
    if (stage >= VIDEO_STAGES) return;
    if (stage < 0) {
        for (int s = 0; s < VIDEO_STAGES; ++s) SetStageTexture(s, texture);
        return;
    }
    SetStageTexture(stage, texture);
}

void Video::SetStageTexture(int stage, Texture* texture) {
    StageCache& st = stages[stage];
    if (st.frozen) return;
    // A stage the chain marked in use without a texture is not "unchanged" by a null texture:
    // taking it out of use must still cut the chain above it.
    if (st.texture == texture && (texture || !st.inUse)) return;
    device->SetTexture(uint32_t(stage), texture);
    st.texture = texture;
    if (texture) {
        if (!st.inUse) st.inUse = 1;
        if (stage < highestStage) return;
        for (int s = 0; s < stage; ++s) {
            if (stages[s].inUse) continue;
            stages[s].inUse = 1;
            // A frozen stage below passes the colour on unchanged.
            if (stages[s].frozen) SetColorOp(s, D3DTOP_SELECTARG2);
        }
        highestStage = uint8_t(stage);
    } else {
        if (st.inUse) {
            st.inUse = 0;
            if (stage == 0) SetColorOp(0, D3DTOP_DISABLE);
        }
        if (stage >= highestStage) return;
        for (int s = stage + 1; s < VIDEO_STAGES; ++s) {
            if (!stages[s].inUse) continue;
            SetColorOp(s, D3DTOP_DISABLE);
            stages[s].inUse = 0;
        }
        highestStage = uint8_t(stage);
    }
}

void Video::SetTextureClamp(int stage, bool clamp) {
    if (stage < 0) {
        for (int s = 0; s < VIDEO_STAGES; ++s) SetStageClamp(s, clamp);
        return;
    }
    SetStageClamp(stage, clamp);
}

void Video::SetStageClamp(int stage, bool clamp) {
    if (stages[stage].clamp == uint8_t(clamp)) return;
    uint32_t mode = clamp ? D3DTADDRESS_CLAMP : D3DTADDRESS_WRAP;
    device->SetTextureStageState(uint32_t(stage), D3DTSS_ADDRESSU, mode);
    device->SetTextureStageState(uint32_t(stage), D3DTSS_ADDRESSV, mode);
    stages[stage].clamp = clamp;
}

void Video::SetTexCoordIndex(int stage, uint32_t index) {
    if (stages[stage].texCoordIndex == index) return;
    device->SetTextureStageState(uint32_t(stage), D3DTSS_TEXCOORDINDEX, index);
    stages[stage].texCoordIndex = index;
}

void Video::SetTextureTransform(int stage, uint32_t flags) {
    if (stages[stage].transformFlags == flags) return;
    device->SetTextureStageState(uint32_t(stage), D3DTSS_TEXTURETRANSFORMFLAGS, flags);
    stages[stage].transformFlags = flags;
}

void Video::SetColorOp(int stage, uint32_t op) {
    if (stages[stage].colorOp == op) return;
    device->SetTextureStageState(uint32_t(stage), D3DTSS_COLOROP, op);
    stages[stage].colorOp = op;
}

void Video::SetColorArg(int stage, int which, uint32_t arg) {
    if (stages[stage].colorArg[which] == arg) return;
    device->SetTextureStageState(uint32_t(stage), which == 0 ? D3DTSS_COLORARG1 : D3DTSS_COLORARG2, arg);
    stages[stage].colorArg[which] = arg;
}

namespace {

// kKeep leaves a state as it is.
constexpr uint32_t kKeep = 0xFFFFFFFFu;

struct BlendPreset {
    bool defined;
    uint32_t blend, test, alphaOp, arg1, arg2, src, dest;
};

// Presets 6 to 9 and above 11 only record the number.
const BlendPreset kPresets[12] = {
    {true, 0, 0, D3DTOP_DISABLE, kKeep, kKeep, kKeep, kKeep},
    {true, 1, 1, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA},
    {true, 1, 1, D3DTOP_SELECTARG1, D3DTA_TEXTURE, kKeep, D3DBLEND_ONE, D3DBLEND_INVSRCCOLOR},
    {true, 1, 1, D3DTOP_SELECTARG1, D3DTA_TEXTURE, kKeep, D3DBLEND_ZERO, D3DBLEND_INVSRCCOLOR},
    {true, 1, 1, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DBLEND_SRCCOLOR, D3DBLEND_INVSRCCOLOR},
    {true, 1, 0, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_TFACTOR, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA},
    {}, {}, {}, {},
    {true, 1, 0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, kKeep, D3DBLEND_ZERO, D3DBLEND_SRCCOLOR},
    {true, 1, 0, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, kKeep, D3DBLEND_ZERO, D3DBLEND_SRCCOLOR},
};

}  // namespace

void Video::SetBlendMode(int preset) {
    if (blendPreset == uint8_t(preset)) return;
    blendPreset = uint8_t(preset);
    if (preset >= 0 && preset < 12 && kPresets[preset].defined) {
        const BlendPreset& p = kPresets[preset];
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, p.blend);
        device->SetRenderState(D3DRS_ALPHATESTENABLE, p.test);
        device->SetTextureStageState(0, D3DTSS_ALPHAOP, p.alphaOp);
        if (p.arg1 != kKeep) device->SetTextureStageState(0, D3DTSS_ALPHAARG1, p.arg1);
        if (p.arg2 != kKeep) device->SetTextureStageState(0, D3DTSS_ALPHAARG2, p.arg2);
        if (p.src != kKeep) device->SetRenderState(D3DRS_SRCBLEND, p.src);
        if (p.dest != kKeep) device->SetRenderState(D3DRS_DESTBLEND, p.dest);
    }
    device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
}

void Video::SetZEnable(bool on) {
    if (zEnable == uint8_t(on)) return;
    device->SetRenderState(D3DRS_ZENABLE, on);
    if (on) device->SetRenderState(D3DRS_ZWRITEENABLE, 1);
    zEnable = on;
}

void Video::SetWireframe(bool on) {
    if (wireframe == uint8_t(on)) return;
    device->SetRenderState(D3DRS_FILLMODE, on ? D3DFILL_WIREFRAME : D3DFILL_SOLID);
    wireframe = on;
}

bool Video::SetViewMatrix(const Matrix* matrix) {
    lastResult = device->SetTransform(D3DTS_VIEW, matrix);
    return Succeeded(lastResult);
}

bool Video::SetProjectionMatrix(const Matrix* matrix) {
    lastResult = device->SetTransform(D3DTS_PROJECTION, matrix);
    return Succeeded(lastResult);
}

void Video::SetSoftwareVertexProcessing(bool on) {
    device->SetRenderState(D3DRS_SOFTWAREVERTEXPROCESSING, on);
    for (auto& s : streams) s = nullptr;
    indices = nullptr;
}

void Video::SetVertexShader(uint32_t handle) {
    device->SetVertexShader(handle);
    vertexShader = handle;
}

bool Video::SetMaterial(const gfx::Material* material) { return Succeeded(device->SetMaterial(material)); }

void Video::SetZWrite(bool on) { device->SetRenderState(D3DRS_ZWRITEENABLE, on); }

bool Video::SetGammaRamp(const GammaRamp* ramp) {
    device->SetGammaRamp(D3DSGR_CALIBRATE, ramp);
    return true;
}

void Video::Begin2D() {
    SetTexture(-1, nullptr);
    SetZEnable(false);
    SetBlendMode(0);
    SetLighting(false);
    SetWorldMatrix(nullptr, 0, true);
    SetVertexShader(0x1C4);
    SetTextureClamp(0, true);
}

void Video::End2D() {
    SetZEnable(true);
    SetTextureClamp(0, false);
}

void Video::RestoreStates() {
    gfx::Material material{};
    material.Diffuse = {1, 1, 1, 1};
    material.Ambient = {1, 1, 1, 1};
    SetMaterial(&material);

    device->SetRenderState(D3DRS_CLIPPING, 1);
    clipping = 1;
    device->SetRenderState(D3DRS_CULLMODE, cullMode);
    culling = 1;

    uint32_t filter = anisotropic ? D3DTEXF_ANISOTROPIC : D3DTEXF_LINEAR;
    uint32_t maxAnisotropy = anisotropic ? caps.MaxAnisotropy : 1;
    for (int s = 0; s < VIDEO_STAGES; ++s) {
        uint32_t st = uint32_t(s);
        device->SetTexture(st, nullptr);
        device->SetTextureStageState(st, D3DTSS_TEXCOORDINDEX, st);
        device->SetTextureStageState(st, D3DTSS_TEXTURETRANSFORMFLAGS, 0);
        device->SetTextureStageState(st, D3DTSS_COLOROP, D3DTOP_DISABLE);
        device->SetTextureStageState(st, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(st, D3DTSS_COLORARG2, D3DTA_CURRENT);
        device->SetTextureStageState(st, D3DTSS_MINFILTER, filter);
        device->SetTextureStageState(st, D3DTSS_MAGFILTER, filter);
        device->SetTextureStageState(st, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(st, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
        device->SetTextureStageState(st, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
        device->SetTextureStageState(st, D3DTSS_MAXANISOTROPY, maxAnisotropy);
        StageCache& c = stages[s];
        c.texture = nullptr;
        c.inUse = 0;
        c.texCoordIndex = st;
        c.transformFlags = 0;
        c.colorOp = D3DTOP_DISABLE;
        c.colorArg[0] = D3DTA_TEXTURE;
        c.colorArg[1] = D3DTA_CURRENT;
        c.clamp = 0;
    }
    highestStage = 0;

    for (uint32_t s = 0; s < VIDEO_STREAMS; ++s) {
        device->SetStreamSource(s, nullptr, 0);
        streams[s] = nullptr;
    }
    device->SetIndices(nullptr, 0);
    indices = nullptr;

    device->SetRenderState(D3DRS_ZENABLE, 1);
    device->SetRenderState(D3DRS_ZWRITEENABLE, 1);
    zEnable = 1;

    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, 0);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    blendPreset = 0;

    device->SetRenderState(D3DRS_LIGHTING, 0);
    lighting = 0;

    for (uint32_t i = 0; i < VIDEO_WORLD_MATRICES; ++i) {
        device->SetTransform(D3DTS_WORLDMATRIX(i), &IdentityMatrix);
        world[i] = nullptr;
    }
}
