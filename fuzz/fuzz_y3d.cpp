// libFuzzer target: any bytes as a Y3D scene file loaded into a fresh scene. Whatever the bytes,
// the load must end without a crash, a leak or a sanitizer report.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz/scratch_folder.h"
#include "scene/scene.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::EnterScratchFolder("y3d");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::WriteScratchFile("FUZZ.Y3D", data, size);
    g_Scene.Create();
    g_Scene.LoadModel("FUZZ.Y3D", "", 0, false);
    g_Scene.Destroy(true);
    return 0;
}
