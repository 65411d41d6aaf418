// libFuzzer target: any bytes as the text file "textos.txt". Whatever the bytes, loading must end
// without a crash, a leak or a sanitizer report, every slot's length must match its text, and
// no text may exceed the longest kept.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fuzz/scratch_folder.h"
#include "core/debug_log.h"
#include "frontend/text_table.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::EnterScratchFolder("text_table");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::WriteScratchFile("textos.txt", data, size);

    TextTable table;
    table.Load("textos.txt");
    if (table.count != TEXT_TABLE_SLOTS) std::abort();
    for (int32_t id = 0; id < table.count; ++id) {
        const char* text = table.Find(id);
        const uint32_t length = table.lengths[size_t(id)];
        if (!text) {
            if (length != 0) std::abort();
            continue;
        }
        if (length != table.strings[size_t(id)].size() + 1 || length > uint32_t(TEXT_TABLE_MAX_TEXT) + 1)
            std::abort();
    }
    for (int32_t id : {-1, 0, 42, TEXT_TABLE_SLOTS - 1, TEXT_TABLE_SLOTS}) table.Get(id);
    ResetDebugLog();
    return 0;
}
