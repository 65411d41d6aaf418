#include "shell/wav_file.h"

#include <sys/types.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/os/path.h"
#include "core/debug_log.h"

namespace {

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }

bool ReadAt(FILE* f, uint64_t pos, uint8_t* dst, size_t n) {
    if (fseeko(f, off_t(pos), SEEK_SET) != 0) return false;
    return std::fread(dst, 1, n, f) == n;
}

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
uint32_t FindChunk(FILE* f, uint64_t formEnd, const char* id, const char* name, uint64_t* start, uint32_t* size) {
    uint64_t pos = 12;
    while (pos + 8 <= formEnd) {
        uint8_t head[8];
        if (!ReadAt(f, pos, head, sizeof(head))) return Refuse(name, "no se puede leer un bloque", WAVE_ERR_CANNOTREAD);
        uint32_t chunkSize = U32(head + 4);
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

}  // namespace

uint32_t ReadWaveHeader(FILE* f, const char* name, WaveHeader* out) {
    if (!f || !out) return WAVE_ERR_CANNOTOPEN;
    if (fseeko(f, 0, SEEK_END) != 0) return Refuse(name, "no se puede buscar en el fichero", WAVE_ERR_CANNOTSEEK);
    off_t end = ftello(f);
    if (end < 0) return Refuse(name, "no se puede buscar en el fichero", WAVE_ERR_CANNOTSEEK);
    const uint64_t fileSize = uint64_t(end);

    uint8_t riff[12];
    if (fileSize < sizeof(riff) || !ReadAt(f, 0, riff, sizeof(riff)))
        return Refuse(name, "cabecera RIFF incompleta", WAVE_ERR_CANNOTREAD);
    if (std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0)
        return Refuse(name, "no es un fichero RIFF/WAVE", WAVE_ERR_NOTWAVE);
    const uint32_t riffSize = U32(riff + 4);
    if (riffSize < 4) return Refuse(name, "tamano RIFF no valido", WAVE_ERR_NOTWAVE);
    const uint64_t formEnd = 8 + uint64_t(riffSize);
    if (formEnd > fileSize) return Refuse(name, "el fichero acaba antes que su bloque RIFF", WAVE_ERR_CANNOTREAD);

    uint64_t fmtStart = 0;
    uint32_t fmtSize = 0;
    if (uint32_t e = FindChunk(f, formEnd, "fmt ", name, &fmtStart, &fmtSize)) return e;
    if (fmtSize < 16) return Refuse(name, "bloque 'fmt ' demasiado corto", WAVE_ERR_NOTWAVE);
    uint8_t fmt[16];
    if (!ReadAt(f, fmtStart, fmt, sizeof(fmt))) return Refuse(name, "no se puede leer el formato", WAVE_ERR_CANNOTREAD);
    audio::WaveFormat wf;
    wf.formatTag = U16(fmt);
    wf.channels = U16(fmt + 2);
    wf.samplesPerSec = U32(fmt + 4);
    wf.avgBytesPerSec = U32(fmt + 8);
    wf.blockAlign = U16(fmt + 12);
    wf.bitsPerSample = U16(fmt + 14);
    std::vector<uint8_t> extra;
    if (wf.formatTag != audio::WAVE_FORMAT_PCM) {
        if (fmtSize < 18) return Refuse(name, "falta el tamano de los datos extra del formato", WAVE_ERR_NOTWAVE);
        uint8_t cb[2];
        if (!ReadAt(f, fmtStart + 16, cb, sizeof(cb)))
            return Refuse(name, "no se puede leer el formato", WAVE_ERR_CANNOTREAD);
        uint32_t extraSize = U16(cb);
        if (18u + extraSize > fmtSize) return Refuse(name, "datos extra fuera del bloque 'fmt '", WAVE_ERR_NOTWAVE);
        try {
            extra.resize(extraSize);
        } catch (const std::bad_alloc&) {
            return Refuse(name, "sin memoria", WAVE_ERR_OUTOFMEMORY);
        }
        if (extraSize && !ReadAt(f, fmtStart + 18, extra.data(), extraSize))
            return Refuse(name, "no se puede leer el formato", WAVE_ERR_CANNOTREAD);
    }
    // Later arithmetic divides by these.
    if (wf.channels == 0 || wf.blockAlign == 0 || wf.samplesPerSec == 0 || wf.avgBytesPerSec == 0)
        return Refuse(name, "formato no valido", WAVE_ERR_NOTWAVE);

    uint64_t dataStart = 0;
    uint32_t dataSize = 0;
    if (uint32_t e = FindChunk(f, formEnd, "data", name, &dataStart, &dataSize)) return e;
    if (dataStart > UINT32_MAX) return Refuse(name, "bloque 'data' fuera de alcance", WAVE_ERR_NOTWAVE);

    out->format = wf;
    out->extra = std::move(extra);
    out->dataOffset = uint32_t(dataStart);
    out->dataSize = dataSize;
    return 0;
}

// ---- WaveFile --------------------------------------------------------------------------------

WaveFile::WaveFile() : format(nullptr), file(nullptr), dataOffset(0), dataSize(0), remaining(0), formatStore{} {}

WaveFile::~WaveFile() { Close(); }

void WaveFile::Close() {
    if (file) std::fclose(file);
    file = nullptr;
    format = nullptr;
    extra.clear();
    dataOffset = dataSize = remaining = 0;
}

HRESULT WaveFile::Open(const char* name) {
    Close();
    if (!name) return E_FAIL;
    file = os::OpenFile(name, "rb");
    if (!file) return E_FAIL;
    WaveHeader header;
    if (ReadWaveHeader(file, name, &header) != 0) {
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
    if (!file) return E_FAIL;
    if (fseeko(file, off_t(dataOffset), SEEK_SET) != 0) return E_FAIL;
    remaining = dataSize;
    return S_OK;
}

HRESULT WaveFile::Read(uint32_t bytes, uint8_t* buffer, uint32_t* count) {
    if (count) *count = 0;
    if (!file || !count || (bytes && !buffer)) return E_FAIL;
    uint32_t n = std::min(bytes, remaining);
    if (n && std::fread(buffer, 1, n, file) != n) return E_FAIL;
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
      file(nullptr),
      dataOffset(0),
      formatStore{} {}

StreamWaveFile::~StreamWaveFile() { Close(); }

void StreamWaveFile::Close() {
    if (file) std::fclose(file);
    file = nullptr;
    format = nullptr;
    extra.clear();
    duration = blockAlign = avgBytesPerSec = dataSize = bytesRead = dataOffset = 0;
}

uint32_t StreamWaveFile::Open(const char* name) {
    Close();
    file = name ? os::OpenFile(name, "rb") : nullptr;
    if (!file) return lastError = WAVE_ERR_CANNOTOPEN;
    WaveHeader header;
    if (uint32_t e = ReadWaveHeader(file, name, &header)) {
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
    if (!file) return lastError = WAVE_ERR_CANNOTREAD;
    if (fseeko(file, off_t(dataOffset), SEEK_SET) != 0) return lastError = WAVE_ERR_CANNOTSEEK;
    bytesRead = 0;
    return 0;
}

uint32_t StreamWaveFile::Read(uint8_t* buffer, uint32_t bytes, uint32_t* count) {
    if (count) *count = 0;
    if (!file || !count || (bytes && !buffer)) return lastError = WAVE_ERR_CANNOTREAD;
    uint32_t n = std::min(bytes, Remaining());
    uint32_t got = n ? uint32_t(std::fread(buffer, 1, n, file)) : 0;
    bytesRead += got;
    *count = got;
    if (got != n) return lastError = WAVE_ERR_CANNOTREAD;
    return 0;
}
