// A recording device behind the video object for the length of one benchmark: everything the
// drawing and texture code reaches through the video object, with nothing shown.
#pragma once

#include <benchmark/benchmark.h>

#include "platform/gfx/recording_device.h"
#include "render/video.h"

namespace benchsupport {

class RecordingVideo {
public:
    // Without a device the benchmark is skipped and device stays null.
    explicit RecordingVideo(benchmark::State& state) {
        if (gfx::CreateRecordingDevice(gfx::RecordingDeviceParams(64, 64), &device) != gfx::D3D_OK) {
            state.SkipWithError("no recording device");
            device = nullptr;
            return;
        }
        g_Video.Zero();
        g_Video.device = device;
        device->GetDeviceCaps(&g_Video.caps);
        g_Video.RestoreStates();
    }
    ~RecordingVideo() {
        g_Video.Zero();
        if (device) device->Release();
    }
    RecordingVideo(const RecordingVideo&) = delete;
    RecordingVideo& operator=(const RecordingVideo&) = delete;

    gfx::RecordingDevice* device = nullptr;
};

}  // namespace benchsupport
