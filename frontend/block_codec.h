// The visitors through which one field list both reads and writes a stored block of the front
// end, and the checker that puts values out of range back to their defaults.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "common/binary_reader.h"

// Lays the fields there are over the block; a field the data end inside keeps its value.
class FieldReader {
public:
    FieldReader(const uint8_t* data, size_t size) : r_(data, size) {}
    void U8(uint8_t& v) { Take(v, &BinaryReader::ReadU8); }
    void U32(uint32_t& v) { Take(v, &BinaryReader::ReadU32); }
    void I32(int32_t& v) { Take(v, &BinaryReader::ReadI32); }
    void F32(float& v) { Take(v, &BinaryReader::ReadF32); }
    void Bytes(void* dst, size_t n) {
        if (r_.Remaining() >= n) r_.ReadBytes(dst, n);
        else r_.Skip(r_.Remaining());
    }
    void Pad(size_t n) { r_.Skip(r_.Remaining() < n ? r_.Remaining() : n); }

private:
    template <class T>
    void Take(T& v, bool (BinaryReader::*read)(T&)) {
        T t;
        if ((r_.*read)(t)) v = t;
        else r_.Skip(r_.Remaining());
    }
    BinaryReader r_;
};

class FieldWriter {
public:
    void U8(uint8_t& v) { w_.PutU8(v); }
    void U32(uint32_t& v) { w_.PutU32(v); }
    void I32(int32_t& v) { w_.PutI32(v); }
    void F32(float& v) { w_.PutF32(v); }
    void Bytes(const void* src, size_t n) { w_.PutBytes(src, n); }
    void Pad(size_t n) {
        for (size_t i = 0; i < n; ++i) w_.PutU8(0);
    }
    const std::vector<uint8_t>& Data() const { return w_.Data(); }

private:
    BinaryWriter w_;
};

// Tells whether every value checked was in range; with `fix`, each one that was not takes the
// default given for it.
struct FieldChecker {
    bool fix;
    bool valid = true;

    template <class T, class D>
    void Check(T& field, const D& fallback, bool ok) {
        if (ok) return;
        valid = false;
        if (fix) field = T(fallback);
    }
    // A text must end inside its field; one that does not is cut at the field's last byte.
    void Terminated(char* text, size_t size) {
        if (std::memchr(text, 0, size)) return;
        valid = false;
        if (fix) text[size - 1] = 0;
    }
};
