// libFuzzer target: any bytes as a WAV file, read by the header parser and then by both readers
// the way the effect bank and the music stream read it. Whatever the bytes: no crash, leak or
// sanitizer report, and a file that is accepted has its samples inside the file in a format the
// mixer takes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz/scratch_folder.h"
#include "core/pack_file.h"
#include "platform/audio/sound.h"
#include "shell/wav_file.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::EnterScratchFolder("wav");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PackEntry entry;
    entry.Assign(data, size, "FUZZ.WAV");
    WaveHeader header;
    if (ReadWaveHeader(entry.Reader(), "FUZZ.WAV", &header) == 0) {
        BinaryReader& in = entry.Reader();
        if (!in.Seek(header.dataOffset) || !in.Span(header.dataSize)) std::abort();
        if (!audio::IsPlayableFormat(header.format)) std::abort();
    }

    fuzzsupport::WriteScratchFile("FUZZ.WAV", data, size);
    static uint8_t block[4096];
    uint32_t got = 0;
    WaveFile effect;
    if (effect.Open("FUZZ.WAV") == S_OK) {
        while (effect.Read(sizeof(block), block, &got) == S_OK && got) {
        }
        if (effect.Reset() != S_OK) std::abort();
    }
    StreamWaveFile music;
    if (music.Open("FUZZ.WAV") == 0) {
        while (music.Remaining() && music.Read(block, sizeof(block), &got) == 0 && got) {
        }
        if (music.Remaining() != 0 || music.Rewind() != 0) std::abort();
    }
    return 0;
}
