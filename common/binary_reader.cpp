#include "common/binary_reader.h"

#include <bit>
#include <cstring>

BinaryReader::BinaryReader(const uint8_t* data, size_t size)
    : data_(data), size_(data ? size : 0), pos_(0), ok_(true) {}

bool BinaryReader::Take(size_t n, const uint8_t** at) {
    if (n > size_ - pos_) {
        ok_ = false;
        return false;
    }
    *at = data_ + pos_;
    pos_ += n;
    return true;
}

bool BinaryReader::ReadU8(uint8_t& out) {
    const uint8_t* p;
    if (!Take(1, &p)) {
        out = 0;
        return false;
    }
    out = p[0];
    return true;
}

bool BinaryReader::ReadU16(uint16_t& out) {
    const uint8_t* p;
    if (!Take(2, &p)) {
        out = 0;
        return false;
    }
    out = static_cast<uint16_t>(p[0] | (p[1] << 8));
    return true;
}

bool BinaryReader::ReadU32(uint32_t& out) {
    const uint8_t* p;
    if (!Take(4, &p)) {
        out = 0;
        return false;
    }
    out = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
          (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
    return true;
}

bool BinaryReader::ReadI16(int16_t& out) {
    uint16_t u;
    bool r = ReadU16(u);
    out = static_cast<int16_t>(u);
    return r;
}

const uint8_t* BinaryReader::Span(size_t n) {
    const uint8_t* p;
    return Take(n, &p) ? p : nullptr;
}

bool BinaryReader::PeekU32(uint32_t& out) const {
    out = 0;
    if (size_ - pos_ < 4) return false;
    const uint8_t* p = data_ + pos_;
    out = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
          (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
    return true;
}

bool BinaryReader::ReadI32(int32_t& out) {
    uint32_t u;
    bool r = ReadU32(u);
    out = static_cast<int32_t>(u);
    return r;
}

bool BinaryReader::ReadF32(float& out) {
    uint32_t u;
    if (!ReadU32(u)) {
        out = 0.0f;
        return false;
    }
    out = std::bit_cast<float>(u);
    return true;
}

bool BinaryReader::ReadBytes(void* dst, size_t n) {
    const uint8_t* p;
    if (!Take(n, &p)) {
        if (n) std::memset(dst, 0, n);
        return false;
    }
    if (n) std::memcpy(dst, p, n);
    return true;
}

bool BinaryReader::Skip(size_t n) {
    const uint8_t* p;
    return Take(n, &p);
}

bool BinaryReader::Seek(size_t pos) {
    if (pos > size_) {
        ok_ = false;
        return false;
    }
    pos_ = pos;
    return true;
}

void BinaryWriter::PutU8(uint8_t v) { bytes_.push_back(v); }

void BinaryWriter::PutU16(uint16_t v) {
    bytes_.push_back(static_cast<uint8_t>(v));
    bytes_.push_back(static_cast<uint8_t>(v >> 8));
}

void BinaryWriter::PutU32(uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) bytes_.push_back(static_cast<uint8_t>(v >> shift));
}

void BinaryWriter::PutI32(int32_t v) { PutU32(static_cast<uint32_t>(v)); }

void BinaryWriter::PutF32(float v) { PutU32(std::bit_cast<uint32_t>(v)); }

void BinaryWriter::PutBytes(const void* src, size_t n) {
    if (n == 0) return;
    const uint8_t* p = static_cast<const uint8_t*>(src);
    bytes_.insert(bytes_.end(), p, p + n);
}

bool BinaryWriter::PatchU32(size_t at, uint32_t v) {
    if (at > bytes_.size() || bytes_.size() - at < 4) return false;
    for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<uint8_t>(v >> (8 * i));
    return true;
}
