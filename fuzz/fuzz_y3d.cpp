// libFuzzer target: any bytes as a Y3D scene file loaded into a fresh scene. Whatever the bytes,
// the load must end without a crash, a leak or a sanitizer report.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <unistd.h>

#include "scene/scene.h"

namespace {

char g_folder[] = "/tmp/fuzz_y3d_XXXXXX";

void RemoveFolder() {
    std::remove("FUZZ.Y3D");
    rmdir(g_folder);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The loader opens files by name from the working folder: give it a folder of its own.
    if (!mkdtemp(g_folder) || chdir(g_folder) != 0) std::abort();
    std::atexit(RemoveFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FILE* file = std::fopen("FUZZ.Y3D", "wb");
    if (!file) std::abort();
    if (size && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
    g_Scene.Create();
    g_Scene.LoadModel("FUZZ.Y3D", "", 0, false);
    g_Scene.Destroy(true);
    return 0;
}
