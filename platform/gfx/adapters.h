// Adapters, display modes, format questions and capabilities, answered before any window or
// device exists. Adapters are SDL's displays; every device is the OpenGL one.
//
// What Linux does not have is answered with fixed facts: every display size is offered in
// X8R8G8B8 and in R5G6B5 (16-bit desktops are gone, but the game still asks for 16-bit modes),
// the standard sizes up to the desktop's are offered even where the display lists no such mode
// (virtual X servers and many Wayland desktops list only the desktop; those sizes are shown
// scaled on a desktop-sized full screen), unknown refresh rates read 60 Hz, multisampling is reported absent, and the video memory is
// the machine's memory (the software renderer draws from it; no portable query tells more).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gfx/device.h"

namespace gfx {

struct AdapterIdentifier {
    char Driver[512];       // the SDL video driver ("x11", "wayland", "offscreen", ...)
    char Description[512];  // the display's name
    uint64_t DriverVersion;
    uint32_t VendorId;
    uint32_t DeviceId;
    uint32_t SubSysId;
    uint32_t Revision;
    uint8_t DeviceIdentifier[16];  // stable for a display name and index
    uint32_t WHQLLevel;            // always 0: not certified
};

// GetAdapterIdentifier flag: skip the certification check (the only kind there is here).
constexpr uint32_t D3DENUM_NO_WHQL_LEVEL = 2;

// Index of the default adapter.
constexpr uint32_t D3DADAPTER_DEFAULT = 0;

// The display data, read from SDL once (SDL video is started for it when nobody has yet, and
// stopped again afterwards) and kept until ResetAdapterCache.
uint32_t GetAdapterCount();
Result GetAdapterIdentifier(uint32_t adapter, uint32_t flags, AdapterIdentifier* identifier);
uint32_t GetAdapterModeCount(uint32_t adapter);
// Modes by size (ascending), then R5G6B5 before X8R8G8B8, then refresh rate (ascending).
Result EnumAdapterModes(uint32_t adapter, uint32_t mode, DisplayMode* out);
// The desktop mode.
Result GetAdapterDisplayMode(uint32_t adapter, DisplayMode* out);
// Whether the display itself has a mode of that size (the desktop's counts); false for the
// standard sizes the list adds and for unknown adapters.
bool IsNativeDisplayMode(uint32_t adapter, uint32_t width, uint32_t height);

// Format questions (D3D_OK or D3DERR_NOTAVAILABLE; D3DERR_INVALIDCALL for a bad adapter). The
// display format must be X8R8G8B8 or R5G6B5; the rest is what the OpenGL device can create.
Result CheckDeviceType(uint32_t adapter, DevType type, Format displayFormat, Format backBufferFormat,
                       bool windowed);
Result CheckDeviceFormat(uint32_t adapter, DevType type, Format adapterFormat, uint32_t usage,
                         ResourceType resourceType, Format checkFormat);
Result CheckDepthStencilMatch(uint32_t adapter, DevType type, Format adapterFormat, Format renderTargetFormat,
                              Format depthStencilFormat);
Result CheckDeviceMultiSampleType(uint32_t adapter, DevType type, Format surfaceFormat, bool windowed,
                                  MultiSampleType multiSample);
// The OpenGL device's capabilities, the same for every adapter and device type.
Result GetDeviceCaps(uint32_t adapter, DevType type, Caps* caps);
// Total video memory in bytes (see above); 0 when unknown.
uint64_t GetTotalVideoMemory();

// Forgets what was read, so the next call reads SDL again (tests, display changes).
void ResetAdapterCache();

// The adapter-level object the video code starts from: the calls above, plus device creation.
// Reference counted like the device's objects; tests derive fakes from it.
class Direct3D : public RefCounted {
public:
    virtual uint32_t GetAdapterCount() { return gfx::GetAdapterCount(); }
    virtual Result GetAdapterIdentifier(uint32_t a, uint32_t flags, AdapterIdentifier* id) {
        return gfx::GetAdapterIdentifier(a, flags, id);
    }
    virtual uint32_t GetAdapterModeCount(uint32_t a) { return gfx::GetAdapterModeCount(a); }
    virtual Result EnumAdapterModes(uint32_t a, uint32_t mode, DisplayMode* out) {
        return gfx::EnumAdapterModes(a, mode, out);
    }
    virtual Result GetAdapterDisplayMode(uint32_t a, DisplayMode* out) { return gfx::GetAdapterDisplayMode(a, out); }
    virtual Result CheckDeviceType(uint32_t a, DevType t, Format display, Format backBuffer, bool windowed) {
        return gfx::CheckDeviceType(a, t, display, backBuffer, windowed);
    }
    virtual Result CheckDeviceFormat(uint32_t a, DevType t, Format adapterFormat, uint32_t usage,
                                     ResourceType rt, Format check) {
        return gfx::CheckDeviceFormat(a, t, adapterFormat, usage, rt, check);
    }
    virtual Result CheckDepthStencilMatch(uint32_t a, DevType t, Format adapterFormat, Format rt, Format ds) {
        return gfx::CheckDepthStencilMatch(a, t, adapterFormat, rt, ds);
    }
    virtual Result CheckDeviceMultiSampleType(uint32_t a, DevType t, Format f, bool windowed, MultiSampleType ms) {
        return gfx::CheckDeviceMultiSampleType(a, t, f, windowed, ms);
    }
    virtual Result GetDeviceCaps(uint32_t a, DevType t, Caps* caps) { return gfx::GetDeviceCaps(a, t, caps); }
    // The OpenGL device on params->hDeviceWindow (focusWindow when that is null).
    virtual Result CreateDevice(uint32_t adapter, DevType type, void* focusWindow, uint32_t behaviorFlags,
                                PresentParameters* params, Device** device);
};

// Null when there is no display to enumerate (SDL video cannot start, or no display).
Direct3D* Direct3DCreate();

}  // namespace gfx
