// WAV (RIFF/WAVE) reading for sound effects and streamed music. The chunks are walked field by
// field and every size is checked against the file: a malformed file, or one whose samples the
// mixer cannot play, is refused with a line in the debug log, never read past its end.
#pragma once

#include <cstdint>
#include <vector>

#include "common/binary_reader.h"
#include "common/result.h"
#include "core/pack_file.h"
#include "platform/audio/sound.h"

// Error codes of the streaming reader, with their classic values.
constexpr uint32_t WAVE_ERR_OUTOFMEMORY = 258;
constexpr uint32_t WAVE_ERR_CANNOTOPEN = 259;
constexpr uint32_t WAVE_ERR_CANNOTREAD = 261;   // the file ends before a chunk it declares
constexpr uint32_t WAVE_ERR_CANNOTSEEK = 263;
constexpr uint32_t WAVE_ERR_NOTWAVE = 272;      // not a RIFF/WAVE file, its chunks make no sense, or
                                                // its samples are not 8- or 16-bit PCM the mixer takes

// What the header of a WAV file says.
struct WaveHeader {
    audio::WaveFormat format;     // PCM in an extensible header comes out as plain PCM
    std::vector<uint8_t> extra;   // the format's extra bytes (none for PCM)
    uint32_t dataOffset;          // first sample byte, from the start of the file
    uint32_t dataSize;
};

// Reads the RIFF header of a whole file and finds its "fmt " and "data" chunks, wherever they
// lie in the form. 0, or one of the codes above; refusals are logged with `name`.
uint32_t ReadWaveHeader(BinaryReader& file, const char* name, WaveHeader* out);

// The effects' reader: a whole sample is read once into a sound buffer.
class WaveFile {
public:
    audio::WaveFormat* format;   // null until opened
    std::vector<uint8_t> extra;

    WaveFile();
    ~WaveFile();
    WaveFile(const WaveFile&) = delete;
    WaveFile& operator=(const WaveFile&) = delete;

    // E_FAIL when the file is missing or malformed.
    HRESULT Open(const char* name);
    // Back to the first sample byte.
    HRESULT Reset();
    // Copies min(bytes, what is left) into `buffer`; E_FAIL when the file gives less.
    HRESULT Read(uint32_t bytes, uint8_t* buffer, uint32_t* count);
    void Close();

    uint32_t Size() const { return dataSize; }

private:
    PackEntry file;
    uint32_t dataOffset;
    uint32_t dataSize;
    uint32_t remaining;
    audio::WaveFormat formatStore;
};

// The music's reader: the file is held whole and handed out a piece at a time.
class StreamWaveFile {
public:
    audio::WaveFormat* format;   // null until opened
    std::vector<uint8_t> extra;
    uint32_t lastError;
    uint32_t duration;           // ms of the whole sample data
    uint32_t blockAlign;
    uint32_t avgBytesPerSec;
    uint32_t dataSize;
    uint32_t bytesRead;

    StreamWaveFile();
    ~StreamWaveFile();
    StreamWaveFile(const StreamWaveFile&) = delete;
    StreamWaveFile& operator=(const StreamWaveFile&) = delete;

    // 0 or a WAVE_ERR_* code (also kept in lastError).
    uint32_t Open(const char* name);
    // Back to the first sample byte.
    uint32_t Rewind();
    // Copies min(bytes, what is left); WAVE_ERR_CANNOTREAD when the file gives less.
    uint32_t Read(uint8_t* buffer, uint32_t bytes, uint32_t* count);
    uint32_t Remaining() const { return dataSize - bytesRead; }
    void Close();

private:
    PackEntry file;
    uint32_t dataOffset;
    audio::WaveFormat formatStore;
};
