// libFuzzer target: any bytes as the settings file "Brimvale.ini", loaded whole, and as the text
// the key readers search. Whatever the text, reading must end without a crash, a leak or a
// sanitizer report, and a quoted value never overruns its buffer.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/scratch_folder.h"
#include "core/debug_log.h"
#include "core/settings.h"

namespace {

// The adapter is not asked here: the stencil answer comes from the input instead.
bool g_stencil = false;
bool StencilFromInput(int) { return g_stencil; }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::EnterScratchFolder("ini");
    g_SettingsCalls.isStencilSupported = StencilFromInput;
    // The player saves have a target of their own; reading 2000 empty slots per input would only
    // slow this one down.
    g_SettingsCalls.loadPlayerSaves = [](int) {};
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::WriteScratchFile("Brimvale.ini", data, size);
    g_stencil = size > 0 && (data[0] & 1);
    g_Settings.Clear();
    g_Settings.LoadIni();
    ResetDebugLog();
    if (g_HostAddress[HOST_ADDRESS_SIZE - 1] != 0) std::abort();

    // The readers on the text as given, and with keys taken from its own start.
    const std::string text(reinterpret_cast<const char*>(data), size);
    const char* t = text.c_str();
    static const char* const kKeys[] = {"MODO", "NIVEL", "NIVEL_ENE", "FACTOR VELOCIDAD", "IP_HOST", "=", ""};
    for (const char* key : kKeys) {
        ReadIniInt(t, key);
        for (int capacity : {1, 2, 8, HOST_ADDRESS_SIZE}) {
            char out[HOST_ADDRESS_SIZE + 1];
            std::memset(out, 'Z', sizeof out);
            ReadIniString(t, key, out, capacity);
            if (out[HOST_ADDRESS_SIZE] != 'Z' || std::strlen(out) >= size_t(capacity)) std::abort();
        }
    }
    const std::string ownKey = text.substr(0, std::min<size_t>(text.size(), 12));
    ReadIniInt(t, ownKey.c_str());
    char out[HOST_ADDRESS_SIZE];
    ReadIniString(t, ownKey.c_str(), out, sizeof out);
    return 0;
}
