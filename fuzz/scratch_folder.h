// Readers that open files by name from the working folder get a folder of their own per run,
// removed with whatever was written in it when the run ends.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace fuzzsupport {

inline std::string& ScratchFolder() {
    static std::string folder;
    return folder;
}

// Under `base`: a memory-backed folder suits targets that store files, whose every write is synced.
inline void EnterScratchFolder(const char* tag, const char* base = "/tmp") {
    std::string folder = std::string(base) + "/fuzz_" + tag + "_XXXXXX";
    if (!mkdtemp(folder.data()) || chdir(folder.c_str()) != 0) std::abort();
    ScratchFolder() = folder;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(ScratchFolder(), ignored);
    });
}

inline void WriteScratchFile(const char* name, const uint8_t* data, size_t size) {
    FILE* file = std::fopen(name, "wb");
    if (!file) std::abort();
    if (size && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
}

}  // namespace fuzzsupport
