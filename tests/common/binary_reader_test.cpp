#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "common/binary_reader.h"

namespace {

TEST(BinaryReader, ReadsLittleEndianFieldsFromHandMadeBytes) {
    const uint8_t bytes[] = {
        0xAB,                    // u8
        0x34, 0x12,              // u16 0x1234
        0x78, 0x56, 0x34, 0x12,  // u32 0x12345678
        0xFE, 0xFF, 0xFF, 0xFF,  // i32 -2
        0x00, 0x00, 0x20, 0xC0,  // f32 -2.5 (0xC0200000)
    };
    BinaryReader r(bytes, sizeof bytes);
    uint8_t u8;
    uint16_t u16;
    uint32_t u32;
    int32_t i32;
    float f2;
    r.ReadU8(u8);
    r.ReadU16(u16);
    r.ReadU32(u32);
    r.ReadI32(i32);
    r.ReadF32(f2);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(u8, 0xAB);
    EXPECT_EQ(u16, 0x1234);
    EXPECT_EQ(u32, 0x12345678u);
    EXPECT_EQ(i32, -2);
    EXPECT_EQ(f2, -2.5f);
    EXPECT_EQ(r.Remaining(), 0u);
}

TEST(BinaryReader, ShortReadsFailZeroTheOutputAndKeepThePosition) {
    const uint8_t bytes[] = {0x11, 0x22, 0x33};
    struct Case {
        const char* name;
        bool (*read)(BinaryReader&);
    } cases[] = {
        {"u32", [](BinaryReader& r) { uint32_t v = 7; bool ok = r.ReadU32(v); return !ok && v == 0; }},
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

    BinaryReader empty(nullptr, 100);  // no bytes behind a null pointer, whatever the size says
    EXPECT_EQ(empty.Size(), 0u);
    EXPECT_FALSE(empty.ReadU8(v));
    EXPECT_EQ(v, 0);
}

TEST(BinaryWriter, ProducesLittleEndianBytesAndPatchesOnlyInsideThem) {
    BinaryWriter w;
    w.PutU8(0xAB);
    w.PutU16(0x1234);
    w.PutU32(0);
    w.PutI32(-2);
    w.PutF32(-2.5f);
    w.PutBytes("xy", 2);
    EXPECT_TRUE(w.PatchU32(3, 0x12345678u));
    const std::vector<uint8_t> expected = {0xAB, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0xFE, 0xFF,
                                           0xFF, 0xFF, 0x00, 0x00, 0x20, 0xC0, 'x',  'y'};
    EXPECT_EQ(w.Data(), expected);
    EXPECT_FALSE(w.PatchU32(14, 1));  // would run one byte past the end
    EXPECT_FALSE(w.PatchU32(SIZE_MAX, 1));
    EXPECT_EQ(w.Data(), expected);
}

}  // namespace
