// Little-endian field readers and writers for stored files and packets.
// Every read is checked against the end of the data; nothing is cast from raw bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class BinaryReader {
public:
    // The bytes are not copied and must outlive the reader.
    BinaryReader(const uint8_t* data, size_t size);

    // Each read fails when too few bytes remain: the output is zeroed, the position
    // stays where it was and the reader remembers the failure in ok().
    bool ReadU8(uint8_t& out);
    bool ReadU16(uint16_t& out);
    bool ReadU32(uint32_t& out);
    bool ReadI32(int32_t& out);
    bool ReadF32(float& out);
    bool ReadI16(int16_t& out);
    bool ReadBytes(void* dst, size_t n);
    // The next n bytes in place, stepped over; null (and a failure) when fewer remain.
    const uint8_t* Span(size_t n);
    // The next four bytes without moving; false when fewer remain (not a failure).
    bool PeekU32(uint32_t& out) const;
    bool Skip(size_t n);
    // pos may be the end of the data, not past it.
    bool Seek(size_t pos);

    size_t Tell() const { return pos_; }
    size_t Size() const { return size_; }
    size_t Remaining() const { return size_ - pos_; }
    const uint8_t* Data() const { return data_; }
    // False once any read, skip or seek has failed; a later success does not clear it,
    // so a run of reads can be checked once at the end.
    bool ok() const { return ok_; }

private:
    bool Take(size_t n, const uint8_t** at);

    const uint8_t* data_;
    size_t size_;
    size_t pos_;
    bool ok_;
};

class BinaryWriter {
public:
    void PutU8(uint8_t v);
    void PutU16(uint16_t v);
    void PutU32(uint32_t v);
    void PutI32(int32_t v);
    void PutF32(float v);
    void PutBytes(const void* src, size_t n);
    // Overwrites four already written bytes, e.g. a size known only later.
    // False (nothing written) when they do not all lie inside the data.
    bool PatchU32(size_t at, uint32_t v);

    size_t Size() const { return bytes_.size(); }
    const std::vector<uint8_t>& Data() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};
