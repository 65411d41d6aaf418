// libFuzzer target: any bytes as a material list, in the record form of the file version picked
// by the first byte (before or from 310) and with the load flags of the second.
#include <cstdint>
#include <vector>

#include "common/binary_reader.h"
#include "render/material.h"
#include "scene/animation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    g_Y3DVersion = (data[0] & 1) ? 320 : 300;
    const uint32_t flags = data[1] & 3;
    BinaryReader in(data + 2, size - 2);
    MaterialTable table;
    std::vector<int32_t> ids;
    table.Load(in, &ids, "Texturas\\", flags, false);
    for (int32_t id : ids)
        if (Material* m = table.Get(id)) MaterialRemoveSpecialLayer(m);
    return 0;
}
