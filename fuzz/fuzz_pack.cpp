// libFuzzer target: any bytes as a data pack, searched for a name taken from the input. Whatever
// the directory says, finding and reading the entry must end without a crash, a leak or a
// sanitizer report, and never read past the entry.
//
// Input: one byte n, then n bytes of the wanted name (mapped onto name characters, so no path
// leaves the folder), then the pack.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/scratch_folder.h"
#include "core/pack_file.h"

namespace {

const char* const kPack = "FUZZ.DAT";

std::string NameFrom(const uint8_t* data, size_t n) {
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789._";
    std::string name;
    for (size_t i = 0; i < n; ++i) name += kChars[data[i] % (sizeof kChars - 1)];
    return name;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::EnterScratchFolder("pack");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const size_t n = data[0] % 16;
    if (size < 1 + n) return 0;
    const std::string name = NameFrom(data + 1, n);
    const size_t packSize = size - 1 - n;
    fuzzsupport::WriteScratchFile(kPack, data + 1 + n, packSize);

    FindPackEntry(kPack, name.c_str());

    PackEntry entry;
    if (entry.Open(kPack, name.c_str())) {
        if (entry.Length() > packSize) std::abort();
        BinaryReader& in = entry.Reader();
        uint32_t word = 0, sum = 0;
        while (in.ReadU32(word)) sum += word;
        uint8_t byte = 0;
        while (in.ReadU8(byte)) sum += byte;
        if (in.Remaining() != 0) std::abort();
        (void)sum;
    }

    // The stream form, read up to the entry's end as its older callers do.
    PackEntryInfo info{};
    if (FILE* stream = OpenPackEntry(kPack, name.c_str(), &info)) {
        size_t got = 0;
        while (!IsPackEntryAtEnd(stream, &info) && std::fgetc(stream) != EOF) ++got;
        if (got > info.size) std::abort();
        ClosePackEntry(stream);
    }
    return 0;
}
