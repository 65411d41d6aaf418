#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "common/binary_reader.h"

namespace {

TEST(BinaryReader, ReadsLittleEndianFieldsFromHandMadeBytes) {
    const uint8_t bytes[] = {
        0xAB,                    // u8
        0x34, 0x12,              // u16 0x1234
        0x78, 0x56, 0x34, 0x12,  // u32 0x12345678
        0xFE, 0xFF, 0xFF, 0xFF,  // i32 -2
        0x00, 0x00, 0x80, 0x3F,  // f32 1.0 (0x3F800000)
        0x00, 0x00, 0x20, 0xC0,  // f32 -2.5 (0xC0200000)
        'a',  'b',  'c',
    };
    BinaryReader r(bytes, sizeof bytes);
    uint8_t u8;
    uint16_t u16;
    uint32_t u32;
    int32_t i32;
    float f1, f2;
    char text[3];
    ASSERT_TRUE(r.ReadU8(u8));
    ASSERT_TRUE(r.ReadU16(u16));
    ASSERT_TRUE(r.ReadU32(u32));
    ASSERT_TRUE(r.ReadI32(i32));
    ASSERT_TRUE(r.ReadF32(f1));
    ASSERT_TRUE(r.ReadF32(f2));
    ASSERT_TRUE(r.ReadBytes(text, 3));
    EXPECT_EQ(u8, 0xAB);
    EXPECT_EQ(u16, 0x1234);
    EXPECT_EQ(u32, 0x12345678u);
    EXPECT_EQ(i32, -2);
    EXPECT_EQ(f1, 1.0f);
    EXPECT_EQ(f2, -2.5f);
    EXPECT_EQ(std::memcmp(text, "abc", 3), 0);
    EXPECT_EQ(r.Tell(), sizeof bytes);
    EXPECT_EQ(r.Remaining(), 0u);
    EXPECT_TRUE(r.ok());
}

TEST(BinaryReader, ShortReadsFailZeroTheOutputAndKeepThePosition) {
    const uint8_t bytes[] = {0x11, 0x22, 0x33};
    struct Case {
        const char* name;
        bool (*read)(BinaryReader&);
    } cases[] = {
        {"u16", [](BinaryReader& r) { uint16_t v = 7; bool ok = r.ReadU16(v); return !ok && v == 0; }},
        {"u32", [](BinaryReader& r) { uint32_t v = 7; bool ok = r.ReadU32(v); return !ok && v == 0; }},
        {"i32", [](BinaryReader& r) { int32_t v = 7; bool ok = r.ReadI32(v); return !ok && v == 0; }},
        {"f32", [](BinaryReader& r) { float v = 7; bool ok = r.ReadF32(v); return !ok && v == 0.0f; }},
        {"bytes", [](BinaryReader& r) {
             uint8_t v[3] = {7, 7, 7};
             bool ok = r.ReadBytes(v, 3);
             return !ok && v[0] == 0 && v[1] == 0 && v[2] == 0;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BinaryReader r(bytes, sizeof bytes);
        ASSERT_TRUE(r.Skip(2));
        EXPECT_TRUE(c.read(r));  // one byte left, each of these needs more
        EXPECT_EQ(r.Tell(), 2u);
        EXPECT_FALSE(r.ok());
        // The failure stays, but a read that fits still works.
        uint8_t b = 0;
        EXPECT_TRUE(r.ReadU8(b));
        EXPECT_EQ(b, 0x33);
        EXPECT_FALSE(r.ok());
    }
}

TEST(BinaryReader, SkipAndSeekAreBounded) {
    const uint8_t bytes[] = {1, 2, 3, 4};
    BinaryReader r(bytes, sizeof bytes);
    EXPECT_TRUE(r.Skip(3));
    EXPECT_FALSE(r.Skip(2));
    EXPECT_EQ(r.Tell(), 3u);
    EXPECT_FALSE(r.ok());

    BinaryReader s(bytes, sizeof bytes);
    EXPECT_TRUE(s.Seek(4));  // the end itself is a valid position
    EXPECT_EQ(s.Remaining(), 0u);
    EXPECT_TRUE(s.ok());
    EXPECT_FALSE(s.Seek(5));
    EXPECT_EQ(s.Tell(), 4u);
    EXPECT_FALSE(s.ok());
    EXPECT_TRUE(s.Seek(1));
    uint8_t v;
    EXPECT_TRUE(s.ReadU8(v));
    EXPECT_EQ(v, 2);
    // A skip so large that pos + n would wrap must still fail.
    EXPECT_FALSE(s.Skip(SIZE_MAX));
    EXPECT_EQ(s.Tell(), 2u);
}

TEST(BinaryReader, EmptyAndNullData) {
    BinaryReader empty(nullptr, 100);  // no bytes behind a null pointer, whatever the size says
    EXPECT_EQ(empty.Size(), 0u);
    uint8_t v = 9;
    EXPECT_FALSE(empty.ReadU8(v));
    EXPECT_EQ(v, 0);
    EXPECT_TRUE(BinaryReader(nullptr, 0).ReadBytes(nullptr, 0));
}

TEST(BinaryWriter, ProducesLittleEndianBytes) {
    BinaryWriter w;
    w.PutU8(0xAB);
    w.PutU16(0x1234);
    w.PutU32(0x12345678u);
    w.PutI32(-2);
    w.PutF32(-2.5f);
    w.PutBytes("xy", 2);
    const std::vector<uint8_t> expected = {0xAB, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0xFE, 0xFF,
                                           0xFF, 0xFF, 0x00, 0x00, 0x20, 0xC0, 'x',  'y'};
    EXPECT_EQ(w.Data(), expected);
}

TEST(BinaryWriter, PatchU32OnlyInsideTheData) {
    BinaryWriter w;
    w.PutU32(0);
    w.PutU16(0);
    EXPECT_TRUE(w.PatchU32(2, 0xA1B2C3D4u));
    EXPECT_EQ(w.Data(), (std::vector<uint8_t>{0, 0, 0xD4, 0xC3, 0xB2, 0xA1}));
    EXPECT_FALSE(w.PatchU32(3, 1));  // would run one byte past the end
    EXPECT_FALSE(w.PatchU32(100, 1));
    EXPECT_FALSE(w.PatchU32(SIZE_MAX, 1));
    EXPECT_EQ(w.Size(), 6u);
}

}  // namespace
