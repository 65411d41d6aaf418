// libFuzzer target: any bytes as a character's files at once: the skeleton from its first bone
// record, a detail level and a shadow model, posed, drawn and shadowed once on a recording device.
#include <cstdint>
#include <cstdlib>

#include "core/pack_file.h"
#include "platform/gfx/recording_device.h"
#include "render/video.h"
#include "scene/character_model.h"
#include "scene/character_shadow.h"
#include "scene/scene.h"
#include "scene/y3d_loader.h"

namespace {
gfx::RecordingDevice* g_device = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // A device, so that the vertex and index buffers are made and filled from the bytes.
    if (gfx::CreateRecordingDevice(gfx::RecordingDeviceParams(64, 32), &g_device) != gfx::D3D_OK) std::abort();
    g_Video.device = g_device;
    g_device->GetDeviceCaps(&g_Video.caps);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The device lives for the whole run; its call log would otherwise grow with every input.
    g_device->ClearLog();
    g_Scene.Create();
    PackEntry entry;
    entry.Assign(data, size, "FUZZ.Y3D");
    BinaryReader& in = entry.Reader();
    CharacterModel* model = new CharacterModel();
    Y3DHeader header;
    Y3DObjectRecord record;
    if (ReadY3DHeader(in, &header) &&
        FindY3DObject(in, header.firstObject, header.objectCount, Y3D_RECORD_BONE, &record) &&
        in.Seek(in.Tell() - Y3D_OBJECT_RECORD_SIZE))
        model->LoadSkeleton(in);
    in.Seek(0);
    model->LoadDetailLevel(in);
    model->shadow = g_ModelLoaders.Create();
    in.Seek(0);
    LoadModel(model->shadow, in, model);
    model->UpdatePose(true);
    model->Draw();
    model->shadow->BuildShadowVolume(model);
    delete model;
    g_ModelLoaders.Clear();
    g_Scene.Destroy(true);
    return 0;
}
