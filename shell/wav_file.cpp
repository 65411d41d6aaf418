#include "shell/wav_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "core/debug_log.h"

namespace {

constexpr uint16_t kFormatExtensible = 0xFFFE;
// The sub-format of an extensible header that means integer PCM.
constexpr uint8_t kPcmSubFormat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                       0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

uint32_t Refuse(const char* name, const char* why, uint32_t code) {
    WriteDebugLogF("ERROR: fichero WAV rechazado %s: %s", name ? name : "", why);
    return code;
}

// A chunk id as text for the log; stray bytes become '?'.
void IdText(const uint8_t* id, char out[5]) {
    for (int i = 0; i < 4; ++i) out[i] = (id[i] >= 0x20 && id[i] < 0x7F) ? char(id[i]) : '?';
    out[4] = 0;
}

// Walks the chunks of the form from its first one; every chunk passed must lie inside it.
uint32_t FindChunk(BinaryReader& in, uint64_t formEnd, const char* id, const char* name, uint64_t* start,
                   uint32_t* size) {
    uint64_t pos = 12;
    while (pos + 8 <= formEnd) {
        uint8_t head[4];
        uint32_t chunkSize = 0;
        if (!in.Seek(size_t(pos)) || !in.ReadBytes(head, sizeof(head)) || !in.ReadU32(chunkSize))
            return Refuse(name, "no se puede leer un bloque", WAVE_ERR_CANNOTREAD);
        uint64_t dataStart = pos + 8;
        if (dataStart + chunkSize > formEnd) {
            char text[5], why[64];
            IdText(head, text);
            std::snprintf(why, sizeof(why), "el bloque '%s' pasa del final del fichero", text);
            return Refuse(name, why, WAVE_ERR_CANNOTREAD);
        }
        if (std::memcmp(head, id, 4) == 0) {
            *start = dataStart;
            *size = chunkSize;
            return 0;
        }
        // Chunks start on even offsets.
        pos = dataStart + chunkSize + (chunkSize & 1u);
    }
    char why[64];
    std::snprintf(why, sizeof(why), "falta el bloque '%s'", id);
    return Refuse(name, why, WAVE_ERR_NOTWAVE);
}

// Why the mixer cannot play samples in this format, or null when it can.
const char* UnplayableReason(const audio::WaveFormat& f, char* text, size_t size) {
    if (f.formatTag != audio::WAVE_FORMAT_PCM)
        std::snprintf(text, size, "formato de muestras 0x%04X no admitido", unsigned(f.formatTag));
    else if (f.bitsPerSample != 8 && f.bitsPerSample != 16)
        std::snprintf(text, size, "muestras de %u bits no admitidas", unsigned(f.bitsPerSample));
    else if (f.channels != 1 && f.channels != 2)
        std::snprintf(text, size, "%u canales no admitidos", unsigned(f.channels));
    else if (f.samplesPerSec < audio::FREQUENCY_MIN || f.samplesPerSec > audio::FREQUENCY_MAX)
        std::snprintf(text, size, "frecuencia de %u Hz no admitida", unsigned(f.samplesPerSec));
    else if (!audio::IsPlayableFormat(f))
        std::snprintf(text, size, "tamano de bloque o bytes por segundo no validos");
    else
        return nullptr;
    return text;
}

}  // namespace

uint32_t ReadWaveHeader(BinaryReader& in, const char* name, WaveHeader* out) {
    if (!out) return WAVE_ERR_CANNOTOPEN;
    const uint64_t fileSize = in.Size();

    uint8_t riff[4], wave[4];
    uint32_t riffSize = 0;
    if (!in.Seek(0) || !in.ReadBytes(riff, 4) || !in.ReadU32(riffSize) || !in.ReadBytes(wave, 4))
        return Refuse(name, "cabecera RIFF incompleta", WAVE_ERR_CANNOTREAD);
    if (std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(wave, "WAVE", 4) != 0)
        return Refuse(name, "no es un fichero RIFF/WAVE", WAVE_ERR_NOTWAVE);
    if (riffSize < 4) return Refuse(name, "tamano RIFF no valido", WAVE_ERR_NOTWAVE);
    const uint64_t formEnd = 8 + uint64_t(riffSize);
    if (formEnd > fileSize) return Refuse(name, "el fichero acaba antes que su bloque RIFF", WAVE_ERR_CANNOTREAD);

    uint64_t fmtStart = 0;
    uint32_t fmtSize = 0;
    if (uint32_t e = FindChunk(in, formEnd, "fmt ", name, &fmtStart, &fmtSize)) return e;
    if (fmtSize < 16) return Refuse(name, "bloque 'fmt ' demasiado corto", WAVE_ERR_NOTWAVE);
    audio::WaveFormat wf;
    in.Seek(size_t(fmtStart));
    in.ReadU16(wf.formatTag);
    in.ReadU16(wf.channels);
    in.ReadU32(wf.samplesPerSec);
    in.ReadU32(wf.avgBytesPerSec);
    in.ReadU16(wf.blockAlign);
    in.ReadU16(wf.bitsPerSample);
    if (!in.ok()) return Refuse(name, "no se puede leer el formato", WAVE_ERR_CANNOTREAD);
    std::vector<uint8_t> extra;
    if (wf.formatTag != audio::WAVE_FORMAT_PCM) {
        if (fmtSize < 18) return Refuse(name, "falta el tamano de los datos extra del formato", WAVE_ERR_NOTWAVE);
        uint16_t extraSize = 0;
        if (!in.ReadU16(extraSize)) return Refuse(name, "no se puede leer el formato", WAVE_ERR_CANNOTREAD);
        if (18u + extraSize > fmtSize) return Refuse(name, "datos extra fuera del bloque 'fmt '", WAVE_ERR_NOTWAVE);
        try {
            extra.resize(extraSize);
        } catch (const std::bad_alloc&) {
            return Refuse(name, "sin memoria", WAVE_ERR_OUTOFMEMORY);
        }
        if (extraSize && !in.ReadBytes(extra.data(), extraSize))
            return Refuse(name, "no se puede leer el formato", WAVE_ERR_CANNOTREAD);
    }
    // Later arithmetic divides by these.
    if (wf.channels == 0 || wf.blockAlign == 0 || wf.samplesPerSec == 0 || wf.avgBytesPerSec == 0)
        return Refuse(name, "formato no valido", WAVE_ERR_NOTWAVE);

    uint64_t dataStart = 0;
    uint32_t dataSize = 0;
    if (uint32_t e = FindChunk(in, formEnd, "data", name, &dataStart, &dataSize)) return e;
    if (dataStart > UINT32_MAX) return Refuse(name, "bloque 'data' fuera de alcance", WAVE_ERR_NOTWAVE);

    // An extensible header whose sub-format is integer PCM (valid bits, channel mask, then the
    // sub-format) holds plain PCM.
    if (wf.formatTag == kFormatExtensible && extra.size() >= 22 &&
        std::memcmp(extra.data() + 6, kPcmSubFormat, sizeof(kPcmSubFormat)) == 0)
        wf.formatTag = audio::WAVE_FORMAT_PCM;
    char why[64];
    if (const char* reason = UnplayableReason(wf, why, sizeof(why))) return Refuse(name, reason, WAVE_ERR_NOTWAVE);

    out->format = wf;
    out->extra = std::move(extra);
    out->dataOffset = uint32_t(dataStart);
    out->dataSize = dataSize;
    return 0;
}

// ---- WaveFile --------------------------------------------------------------------------------

WaveFile::WaveFile() : format(nullptr), dataOffset(0), dataSize(0), remaining(0), formatStore{} {}

WaveFile::~WaveFile() { Close(); }

void WaveFile::Close() {
    file.Close();
    format = nullptr;
    extra.clear();
    dataOffset = dataSize = remaining = 0;
}

HRESULT WaveFile::Open(const char* name) {
    Close();
    if (!name || !file.OpenFile(name)) return E_FAIL;
    WaveHeader header;
    if (ReadWaveHeader(file.Reader(), name, &header) != 0) {
        Close();
        return E_FAIL;
    }
    formatStore = header.format;
    format = &formatStore;
    extra = std::move(header.extra);
    dataOffset = header.dataOffset;
    dataSize = header.dataSize;
    if (Reset() != S_OK) {
        Close();
        return E_FAIL;
    }
    return S_OK;
}

HRESULT WaveFile::Reset() {
    if (!file.IsOpen() || !file.Reader().Seek(dataOffset)) return E_FAIL;
    remaining = dataSize;
    return S_OK;
}

HRESULT WaveFile::Read(uint32_t bytes, uint8_t* buffer, uint32_t* count) {
    if (count) *count = 0;
    if (!file.IsOpen() || !count || (bytes && !buffer)) return E_FAIL;
    uint32_t n = std::min(bytes, remaining);
    if (n && !file.Reader().ReadBytes(buffer, n)) return E_FAIL;
    remaining -= n;
    *count = n;
    return S_OK;
}

// ---- StreamWaveFile ----------------------------------------------------------------------------

StreamWaveFile::StreamWaveFile()
    : format(nullptr),
      lastError(0),
      duration(0),
      blockAlign(0),
      avgBytesPerSec(0),
      dataSize(0),
      bytesRead(0),
      dataOffset(0),
      formatStore{} {}

StreamWaveFile::~StreamWaveFile() { Close(); }

void StreamWaveFile::Close() {
    file.Close();
    format = nullptr;
    extra.clear();
    duration = blockAlign = avgBytesPerSec = dataSize = bytesRead = dataOffset = 0;
}

uint32_t StreamWaveFile::Open(const char* name) {
    Close();
    if (!name || !file.OpenFile(name)) return lastError = WAVE_ERR_CANNOTOPEN;
    WaveHeader header;
    if (uint32_t e = ReadWaveHeader(file.Reader(), name, &header)) {
        Close();
        return lastError = e;
    }
    formatStore = header.format;
    format = &formatStore;
    extra = std::move(header.extra);
    dataOffset = header.dataOffset;
    dataSize = header.dataSize;
    blockAlign = header.format.blockAlign;
    avgBytesPerSec = header.format.avgBytesPerSec;
    duration = uint32_t(std::min<uint64_t>(uint64_t(dataSize) * 1000u / avgBytesPerSec, UINT32_MAX));
    if (uint32_t e = Rewind()) {
        Close();
        return lastError = e;
    }
    return lastError = 0;
}

uint32_t StreamWaveFile::Rewind() {
    if (!file.IsOpen()) return lastError = WAVE_ERR_CANNOTREAD;
    if (!file.Reader().Seek(dataOffset)) return lastError = WAVE_ERR_CANNOTSEEK;
    bytesRead = 0;
    return 0;
}

uint32_t StreamWaveFile::Read(uint8_t* buffer, uint32_t bytes, uint32_t* count) {
    if (count) *count = 0;
    if (!file.IsOpen() || !count || (bytes && !buffer)) return lastError = WAVE_ERR_CANNOTREAD;
    uint32_t n = std::min(bytes, Remaining());
    if (n && !file.Reader().ReadBytes(buffer, n)) return lastError = WAVE_ERR_CANNOTREAD;
    bytesRead += n;
    *count = n;
    return 0;
}
