// The Y3D container: its 1024-byte header, the 276-byte object records and the 573-byte node
// header, read field by field. Scene::LoadModel, Scene::LoadCharacterModel and
// Scene::LoadAnimationGroup (scene.h) are built on these.
#pragma once

#include <cstdint>
#include <string>

#include "common/math.h"
#include "render/geometry.h"

class BinaryReader;

constexpr uint32_t Y3D_FILE_HEADER_SIZE = 1024;
constexpr uint32_t Y3D_OBJECT_RECORD_SIZE = 276;
constexpr uint32_t Y3D_OBJECT_NAME_SIZE = 256;
constexpr uint16_t Y3D_MAX_VERSION = 320;
// Usage of the buffers a scene file creates: write-only.
constexpr uint32_t Y3D_BUFFER_USAGE = 8;

// Object record type codes.
enum Y3DRecordType : uint32_t {
    Y3D_RECORD_MESH_NODE = 0x100,
    Y3D_RECORD_DYNAMIC_MESH = 0x101,
    Y3D_RECORD_DYNAMIC_COLLIDABLE = 0x102,
    Y3D_RECORD_DIRECTIONAL_LIGHT = 0x200,
    Y3D_RECORD_POINT_LIGHT = 0x201,
    Y3D_RECORD_AIMED_LIGHT = 0x202,
    Y3D_RECORD_TEXTURED_ELEMENT = 0x210,
    Y3D_RECORD_HELPER = 0x400,
    Y3D_RECORD_BONE = 0x500,
    Y3D_RECORD_GLOW = 0x700,
    Y3D_RECORD_MIRROR = 0x800,
    Y3D_RECORD_WATER = 0x801,
    Y3D_RECORD_LAVA = 0x802,
    Y3D_RECORD_ELEMENT_8 = 0x1000,
    Y3D_RECORD_ELEMENT_4 = 0x1001,
};

struct Y3DHeader {
    char signature[7];     // as stored; compared as a zero-terminated string
    uint16_t version;
    uint32_t geometry;     // 1 = mesh list and both octrees follow the index buffers
    uint8_t ambient[3];    // red, green, blue
    uint32_t objectCount;
    uint32_t frameCount;
    uint32_t firstObject;
};

// False unless the signature is "QTXMAX" and the version at most Y3D_MAX_VERSION.
bool ParseY3DHeader(const uint8_t (&bytes)[Y3D_FILE_HEADER_SIZE], Y3DHeader* out);
// Reads 1024 bytes and parses them; false (logged) for a short read or a refused header. An
// accepted header's version becomes the current one (g_Y3DVersion).
bool ReadY3DHeader(BinaryReader& in, Y3DHeader* out);

struct Y3DObjectRecord {
    char name[Y3D_OBJECT_NAME_SIZE + 1];   // always terminated
    uint32_t type;
    uint32_t next;                         // from the start of the file
};
bool ParseY3DObjectRecord(const uint8_t (&bytes)[Y3D_OBJECT_RECORD_SIZE], Y3DObjectRecord* out);
// False for a short read.
bool ReadY3DObjectRecord(BinaryReader& in, Y3DObjectRecord* out);
// Walks at most objectCount records from firstObject, following each one's next-record offset, to
// the first of the type; the reader is left after its 276-byte record. An offset that does not
// move past the record or leaves the entry ends the walk (false), so a looping file cannot spin.
bool FindY3DObject(BinaryReader& in, uint32_t firstObject, uint32_t objectCount, uint32_t type,
                   Y3DObjectRecord* record);

struct Y3DNodeHeader {
    char name[Y3D_OBJECT_NAME_SIZE + 1];   // always terminated
    uint32_t childCount;
    uint32_t nodesBelow;
    uint32_t type;
    uint32_t animationGroup;
    float world[12];                       // four rows of three
    TransformParts parts;
    Vec3 position;
    uint32_t trackWords[2];
    uint8_t trackFlags;
    uint32_t keyCount;
};
// Reads the 573 bytes; false (reader left where it was) when fewer remain.
bool ReadY3DNodeHeader(BinaryReader& in, Y3DNodeHeader* out);

// True when the tag's first occurrence in the name comes after the first character, right after
// a "(", and a ")" or ":" follows somewhere from there to the end of the name.
bool Y3DNameHasTag(const char* name, const char* tag);

// The file of detail level 0-4: the name itself for 0, else the name cut at its first '.' with
// 'A' + level and ".Y3D" appended.
std::string CharacterModelLevelName(const char* name, int level);
// The name cut at its first '.' with "shadow.Y3D" appended.
std::string CharacterModelShadowName(const char* name);
// How many detail-level files exist one after another from level 0 (loose or in "MODELOS.DAT").
int CountCharacterModelLevels(const char* name);
