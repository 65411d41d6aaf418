// Every scenario of the scenario table, built on one arena plan: a walled ground with a ramp up
// to a platform whose ledge drops to a lower floor (the path-map builder makes the jump link
// there), a ramp back up, a raised block, springs and a portal pair, and a pool that holds what
// the scenario's row calls for: water under rain (its ripples need a water surface), lava where
// bubbles rise, otherwise filled in with ground. The four worlds of the table differ in their
// ground and sky colours, each scenario a shade of its world's. Each gets its scene file (render
// geometry, collision, water or lava), sky, lights, surface and fog textures as its row needs,
// and an element file with elements of every kind. A glass awning along the south wall is drawn
// see-through, blended over what lies behind it. The character viewer gets a stage of its own,
// a plain floor about the origin.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include "data_set.h"
#include "geometry.h"
#include "datakit/buffer_block_writer.h"
#include "datakit/element_kit.h"
#include "datakit/scenario_files.h"
#include "datakit/y3d_octree_builder.h"
#include "scene/scene.h"
#include "world/scenario.h"

namespace demodata {

using namespace datakit;

namespace {

// The plan, in world units (path-map cells are one unit, counted from the walls at 0).
constexpr float SIZE_X = 64, SIZE_Z = 48, WALL = 5;
constexpr float LOWER = -1, PLATFORM = 3, BLOCK = 1;
// The pool.
constexpr float POOL_X0 = 44, POOL_X1 = 60, POOL_Z0 = 32, POOL_Z1 = 44;

enum class Pool { FILLED, WATER, LAVA };

// The grey ambient light of every scenario.
void SetSceneAmbient(Y3DSceneFile* f) { f->header.ambient[0] = f->header.ambient[1] = f->header.ambient[2] = 100; }

struct Surfaces {
    Pool kind;
    float bed, surface;
    uint32_t colour;
    uint8_t mask;   // collision type of the surface: 2 water, 4 lava
};

constexpr Surfaces FILLED_POOL{Pool::FILLED, 0, 0, 0, 0};
constexpr Surfaces WATER_POOL{Pool::WATER, -1.5f, -0.3f, 0xFF3070C0, 2};
constexpr Surfaces LAVA_POOL{Pool::LAVA, -2.0f, -1.0f, 0xFFE04010, 4};

// The colours of one scenario.
struct Palette {
    uint32_t ground0, ground1, lower0, lower1, skyTop, skyHorizon;
};

// One palette per world of the table: meadow, heath, the grey-green hills, scorched land.
constexpr Palette WORLD_PALETTES[4] = {
    {0xFF6A9448, 0xFF5E8842, 0xFF7A6A50, 0xFF70604A, 0xFF70A0E0, 0xFFC0D8F0},
    {0xFF80845A, 0xFF767A52, 0xFF806C54, 0xFF76624C, 0xFF8898B8, 0xFFD0C8B8},
    {0xFF6E8A4E, 0xFF62804A, 0xFF7A6A50, 0xFF70604A, 0xFF6088C8, 0xFFB0C8E0},
    {0xFF6A645C, 0xFF605A54, 0xFF5E5048, 0xFF564842, 0xFF402020, 0xFFC06030},
};

// The table's row, or the plain one of a scenario outside the table (the viewer's stage).
const ScenarioRow& RowOf(int number) { return *ScenarioRowOf(number); }

// Lava where the row makes bubbles rise, water where it rains.
Surfaces PoolOf(const ScenarioRow& row) {
    if (row.bubbles) return LAVA_POOL;
    if (row.rain) return WATER_POOL;
    return FILLED_POOL;
}

// The world's palette, lighter or darker by the scenario's place in its world.
Palette PaletteOf(const ScenarioRow& row) {
    const Palette& w = WORLD_PALETTES[row.world % 4];
    const float f = 0.92f + 0.04f * float(row.number % 5);
    return {Shade(w.ground0, f), Shade(w.ground1, f), w.lower0, w.lower1, Shade(w.skyTop, f), w.skyHorizon};
}

std::vector<Vec3> Flat(float x0, float x1, float z0, float z1, float y) {
    return {{x0, y, z0}, {x0, y, z1}, {x1, y, z1}, {x1, y, z0}};
}

struct Arena {
    Geometry look;           // drawn
    CollisionMeshDesc solid;  // collided with, walked on
    Geometry glass;          // drawn see-through, not solid
};

// The see-through awning's texture: pale blue, a little under half opaque.
constexpr const char* GLASS_TEXTURE = "Cristal.tga";
constexpr uint32_t GLASS_COLOUR = 0x70B0D8F0;

void Ground(Arena* a, float x0, float z0, float x1, float z1, float y, uint32_t c0, uint32_t c1) {
    a->look.Checker(x0, z0, x1, z1, y, 4, c0, c1);
    a->solid.AddFace(0, Flat(x0, x1, z0, z1, y), {0, 1, 0});
}

// A vertical face as both drawn and solid.
void Wall(Arena* a, const std::vector<Vec3>& corners, uint32_t colour) {
    a->look.Polygon(corners, colour);
    const Vec3 n = Vec3Normalize(Vec3Cross(Vec3Sub(corners[1], corners[0]), Vec3Sub(corners[2], corners[0])));
    a->solid.AddFace(0, corners, n);
}

Arena BuildArena(const Surfaces& pool, const Palette& colours) {
    Arena a;
    a.solid.typeMask = 1 | pool.mask;
    const uint32_t g0 = colours.ground0, g1 = colours.ground1, stone = 0xFF9C9488, dark = 0xFF8A7E70;
    // Main ground at 0 around the pool and the lower floor.
    Ground(&a, 0, 0, 40, 12, 0, g0, g1);
    Ground(&a, 0, 12, 36, 28, 0, g0, g1);
    Ground(&a, 0, 28, POOL_X0, SIZE_Z, 0, g0, g1);
    Ground(&a, POOL_X1, 28, SIZE_X, SIZE_Z, 0, g0, g1);
    Ground(&a, POOL_X0, 28, POOL_X1, POOL_Z0, 0, g0, g1);
    Ground(&a, POOL_X0, POOL_Z1, POOL_X1, SIZE_Z, 0, g0, g1);
    // Ramp down from the ground to the lower floor, and the lower floor.
    a.look.Polygon({{36, 0, 12}, {36, 0, 28}, {40, LOWER, 28}, {40, LOWER, 12}}, stone);
    a.solid.AddFace(0, {{36, 0, 12}, {36, 0, 28}, {40, LOWER, 28}, {40, LOWER, 12}}, Vec3Normalize({1, 4, 0}));
    Ground(&a, 40, 12, SIZE_X, 28, LOWER, colours.lower0, colours.lower1);
    // The step from the lower floor up to the back ground at z 28.
    Wall(&a, {{36, LOWER, 28}, {36, 0, 28}, {SIZE_X, 0, 28}, {SIZE_X, LOWER, 28}}, dark);
    // Ramp up to the platform, the platform, and its ledge over the lower floor.
    a.look.Polygon({{40, 0, 0}, {40, 0, 12}, {48, PLATFORM, 12}, {48, PLATFORM, 0}}, stone);
    a.solid.AddFace(0, {{40, 0, 0}, {40, 0, 12}, {48, PLATFORM, 12}, {48, PLATFORM, 0}}, Vec3Normalize({-3, 8, 0}));
    Ground(&a, 48, 0, SIZE_X, 12, PLATFORM, 0xFF9A9488, 0xFF8E887C);
    Wall(&a, {{SIZE_X, LOWER, 12}, {SIZE_X, PLATFORM, 12}, {48, PLATFORM, 12}, {40, 0, 12}, {40, LOWER, 12}}, dark);
    // A raised block on the ground, climbable by a jump.
    a.look.Box({8, 0, 32}, {16, BLOCK, 40}, stone);
    a.solid.AddFace(0, Flat(8, 16, 32, 40, BLOCK), {0, 1, 0});
    Wall(&a, {{8, 0, 32}, {8, BLOCK, 32}, {16, BLOCK, 32}, {16, 0, 32}}, stone);
    Wall(&a, {{16, 0, 40}, {16, BLOCK, 40}, {8, BLOCK, 40}, {8, 0, 40}}, stone);
    Wall(&a, {{8, 0, 40}, {8, BLOCK, 40}, {8, BLOCK, 32}, {8, 0, 32}}, stone);
    Wall(&a, {{16, 0, 32}, {16, BLOCK, 32}, {16, BLOCK, 40}, {16, 0, 40}}, stone);
    if (pool.kind == Pool::FILLED) {
        Ground(&a, POOL_X0, POOL_Z0, POOL_X1, POOL_Z1, 0, g0, g1);
    } else {
        // The pool: bed, sides, and its surface (not solid).
        a.look.Polygon(Flat(POOL_X0, POOL_X1, POOL_Z0, POOL_Z1, pool.bed), Shade(pool.colour, 0.5f));
        a.solid.AddFace(0, Flat(POOL_X0, POOL_X1, POOL_Z0, POOL_Z1, pool.bed), {0, 1, 0});
        Wall(&a, {{POOL_X0, pool.bed, POOL_Z0}, {POOL_X0, 0, POOL_Z0}, {POOL_X0, 0, POOL_Z1}, {POOL_X0, pool.bed, POOL_Z1}}, dark);
        Wall(&a, {{POOL_X1, pool.bed, POOL_Z1}, {POOL_X1, 0, POOL_Z1}, {POOL_X1, 0, POOL_Z0}, {POOL_X1, pool.bed, POOL_Z0}}, dark);
        Wall(&a, {{POOL_X1, pool.bed, POOL_Z0}, {POOL_X1, 0, POOL_Z0}, {POOL_X0, 0, POOL_Z0}, {POOL_X0, pool.bed, POOL_Z0}}, dark);
        Wall(&a, {{POOL_X0, pool.bed, POOL_Z1}, {POOL_X0, 0, POOL_Z1}, {POOL_X1, 0, POOL_Z1}, {POOL_X1, pool.bed, POOL_Z1}}, dark);
        a.solid.AddFace(1, Flat(POOL_X0, POOL_X1, POOL_Z0, POOL_Z1, pool.surface), {0, 1, 0});
        a.solid.groups[1].typeMask = pool.mask;
    }
    // The outer walls, facing in.
    const float top = WALL;
    Wall(&a, {{SIZE_X, LOWER, 0}, {SIZE_X, top, 0}, {0, top, 0}, {0, LOWER, 0}}, dark);
    Wall(&a, {{0, LOWER, SIZE_Z}, {0, top, SIZE_Z}, {SIZE_X, top, SIZE_Z}, {SIZE_X, LOWER, SIZE_Z}}, dark);
    Wall(&a, {{0, LOWER, 0}, {0, top, 0}, {0, top, SIZE_Z}, {0, LOWER, SIZE_Z}}, dark);
    Wall(&a, {{SIZE_X, LOWER, SIZE_Z}, {SIZE_X, top, SIZE_Z}, {SIZE_X, top, 0}, {SIZE_X, LOWER, 0}}, dark);
    // A glass awning along the south wall, above the fighters' heads, seen from above and below.
    const std::vector<Vec3> awning = {{8, 4.6f, 0.1f}, {8, 4.2f, 3}, {24, 4.2f, 3}, {24, 4.6f, 0.1f}};
    a.glass.Polygon(awning, 0xFFFFFFFF);
    a.glass.Polygon(std::vector<Vec3>(awning.rbegin(), awning.rend()), 0xFFFFFFFF);
    // Pillars on the walls' tops, for something to see over them.
    for (float x = 0; x <= SIZE_X; x += 16) {
        a.look.Box({x - 0.5f, top, -0.5f}, {x + 0.5f, top + 2, 0.5f}, stone);
        a.look.Box({x - 0.5f, top, SIZE_Z - 0.5f}, {x + 0.5f, top + 2, SIZE_Z + 0.5f}, stone);
    }
    return a;
}

// The character viewer's stage: a floor about the origin, where the viewer stands its figure.
Arena BuildStage(const Palette& colours) {
    constexpr float HALF = 12;
    Arena a;
    a.solid.typeMask = 1;
    Ground(&a, -HALF, -HALF, HALF, HALF, 0, colours.ground0, colours.ground1);
    return a;
}

// The water or lava record over the pool, with its quad.
Y3DRecord SurfaceRecord(uint32_t type, const std::string& name, float level, uint32_t colour) {
    const float box[6] = {POOL_X0, level, POOL_Z0, POOL_X1, level, POOL_Z1};
    const float uScale = (POOL_X1 - POOL_X0) / 4, vScale = (POOL_Z1 - POOL_Z0) / 4;
    const y3drec::SurfaceVertex c[4] = {{POOL_X0, level, POOL_Z0, colour, 0, vScale},
                                        {POOL_X0, level, POOL_Z1, colour, 0, 0},
                                        {POOL_X1, level, POOL_Z1, colour, uScale, 0},
                                        {POOL_X1, level, POOL_Z0, colour, uScale, vScale}};
    return {name, type, y3drec::Concat({y3drec::LavaOrWaterRecord(2, level, box, 0), y3drec::QuadBuffers(c)}),
            std::nullopt};
}

Y3DRecord PortalRecord(const Vec3& at, const Vec3& facing, uint32_t kind) {
    auto bits = [](float f) {
        uint32_t b;
        std::memcpy(&b, &f, sizeof b);
        return b;
    };
    return ElementRecord(kind == 0 ? "Portal A" : "Portal B", 0x1000,
                         {bits(facing.x), bits(facing.y), bits(facing.z), bits(at.x), bits(at.y), bits(at.z), kind, 0});
}

std::vector<uint8_t> SceneFile(const Arena& arena, const std::vector<Y3DRecord>& records) {
    Y3DSceneFile f;
    f.header.version = 320;
    f.header.geometry = 1;
    SetSceneAmbient(&f);
    // The glass blends by its texture's alpha: the game draws it after the world, triangle by
    // triangle back to front, each found by the collision face of the same number.
    Y3DMaterial glass;
    glass.layers = {Y3DMaterialLayer{1, GLASS_TEXTURE}};
    glass.options = 1;
    // A plan without glass names no glass texture either.
    const bool glassy = !arena.glass.Vertices().empty();
    f.materials = glassy ? BuildMaterialList({ColourMaterial(), glass.Build()}) : BuildMaterialList({ColourMaterial()});
    std::vector<VertexRecord> vertexBuffers;
    std::vector<IndexRecord> indexBuffers;
    std::vector<Y3DMesh> meshes;
    for (const Geometry* g : {&arena.look, &arena.glass}) {
        if (g->Vertices().empty()) continue;
        const uint32_t buffer = uint32_t(meshes.size());
        const uint32_t count = uint32_t(g->Vertices().size());
        vertexBuffers.push_back(VertexRecord{count, MESH_FVF, g->VertexBytes()});
        indexBuffers.push_back(IndexRecord{uint32_t(g->Indices().size()), buffer, g->Indices()});
        Y3DMesh mesh;
        mesh.material = mesh.indexBuffer = mesh.vertexBuffer = buffer;
        mesh.triangleCount = g->TriangleCount();
        mesh.maxVertex = uint16_t(count - 1);
        mesh.centres = g->Centres();
        if (g == &arena.glass) {
            mesh.flags = 1;  // its collision mesh follows
            AppendCollisionMesh(&mesh.collision, CollisionOf(*g), 320);
        }
        meshes.push_back(mesh);
    }
    f.vertexBuffers = BuildVertexBufferBlock(vertexBuffers);
    f.indexBuffers = BuildIndexBufferBlock(indexBuffers);
    f.meshList = BuildMeshList(meshes);
    // One leaf over the whole arena holds the meshes and the one collision mesh.
    const int32_t corner[3] = {-32, -32, -32};
    std::vector<OctreeNodeDesc> render = GridOctree(0, corner, 7);
    render[0].first = 0;
    render[0].itemCount = uint32_t(meshes.size());
    render[0].polygonCount = uint32_t(arena.look.TriangleCount()) + arena.glass.TriangleCount();
    f.renderOctree = BuildRenderOctreeBlock(render);
    std::vector<OctreeNodeDesc> collision = GridOctree(0, corner, 7);
    collision[0].first = 0;
    collision[0].itemCount = 1;
    f.collisionOctree = BuildCollisionOctreeBlock(collision, {arena.solid}, 320);
    f.records = records;
    return f.Build();
}

// A sky: a box seen from inside, bluish above and paler at the horizon, with a floor for the
// views down past the walls. The game moves a movable sky to the eye and draws it with a far
// plane of SCENE_SKY_FAR_PLANE: the box is movable, centred on its origin, and even its corners,
// sqrt(3) times its half size away, lie inside that plane.
std::vector<uint8_t> SkyFile(uint32_t top, uint32_t horizon) {
    Geometry sky;
    const float h = 0.95f * SCENE_SKY_FAR_PLANE / std::sqrt(3.0f);
    const float lo = -h, hi = h;
    // Corners in the order that faces them inwards, towards the eye.
    sky.Polygon({{lo, hi, lo}, {hi, hi, lo}, {hi, hi, hi}, {lo, hi, hi}}, top);
    sky.Polygon({{lo, lo, lo}, {lo, hi, lo}, {lo, hi, hi}, {lo, lo, hi}}, horizon);
    sky.Polygon({{hi, lo, hi}, {hi, hi, hi}, {hi, hi, lo}, {hi, lo, lo}}, horizon);
    sky.Polygon({{hi, lo, lo}, {hi, hi, lo}, {lo, hi, lo}, {lo, lo, lo}}, horizon);
    sky.Polygon({{lo, lo, hi}, {lo, hi, hi}, {hi, hi, hi}, {hi, lo, hi}}, horizon);
    sky.Polygon({{lo, lo, lo}, {lo, lo, hi}, {hi, lo, hi}, {hi, lo, lo}}, Shade(horizon, 0.6f));
    return MeshModelFile("Cielo", 0x101, sky);
}

std::vector<uint8_t> LightsFile() {
    Y3DSceneFile f;
    f.header.version = 320;
    // The game takes the ambient light from every file of the scenario's folder but the merge
    // parts, and this one loads last: without it the lit objects would be black out of the sun.
    SetSceneAmbient(&f);
    Y3DLight sun;
    sun.name = "Luz (SOL)";
    sun.type = 0x200;
    sun.position = {32, 60, 24};
    sun.direction = Vec3Normalize({-0.4f, -1.0f, 0.3f});
    sun.colour[0] = 1.0f, sun.colour[1] = 0.95f, sun.colour[2] = 0.85f;
    Y3DLight lamp;
    lamp.name = "Farol";
    lamp.type = 0x201;
    lamp.position = {52, PLATFORM + 3, 6};
    lamp.colour[0] = 1.0f, lamp.colour[1] = 0.7f, lamp.colour[2] = 0.4f;
    lamp.ranges[0] = 2, lamp.ranges[1] = 6, lamp.ranges[2] = 10, lamp.ranges[3] = 14;
    f.records = {LightRecord(sun), LightRecord(lamp)};
    return f.Build();
}

// ---- Element file ----

constexpr uint32_t EVERY_KIND = 9;

struct Placed {
    uint32_t gameKind, elementKind, subtype;
    float x, y, z;
    uint32_t role = 0;
    uint8_t index = 0;
    float facing = 0;
};

std::vector<Placed> Elements() {
    std::vector<Placed> e;
    // Fighter starts for the largest teams (eight a side), clear of the walls: the Orlins on the
    // west ground, the Voraks on the lower floor, two ranks each, facing each other.
    for (int rank = 0; rank < 2; ++rank)
        for (int i = 0; i < 4; ++i) {
            const float z = 15.5f + 3.0f * float(i);
            e.push_back({EVERY_KIND, 0, 0, 14.5f - 3.0f * float(rank), 0, z, 0, 0, kPi / 2});
            e.push_back({EVERY_KIND, 0, 1, 50.5f + 3.0f * float(rank), LOWER, z, 0, 0, -kPi / 2});
        }
    // Items of every type on the ground, in rows; credits belong to greed.
    int n = 0;
    for (uint32_t type = 0; type < 58; ++type) {
        if (type >= 20 && type <= 23) continue;
        const float x = 4.5f + 2.0f * float(n % 16), z = 3.5f + 2.0f * float(n / 16);
        e.push_back({EVERY_KIND, 1, type, x, 0, z});
        ++n;
    }
    for (uint32_t type = 20; type <= 23; ++type)
        for (int k = 0; k < 3; ++k) e.push_back({2, 1, type, 20.5f + 2.0f * float(k), 0, 44.5f - 2.0f * float(type - 20)});
    // Physics props of all four models.
    for (uint32_t t = 0; t < 4; ++t) e.push_back({EVERY_KIND, 2, t, 26.5f + 3.0f * float(t), 0, 34.5f});
    // The team symbols on their pedestals (steal the symbol): the Orlins' by the west wall, the
    // Voraks' in the far corner of the platform, up its ramp. They stand farther apart than the
    // 55 within which a computer's fighter leaves its role to run for a symbol, so that defenders
    // stay home and thieves cross the arena, and far from the portals, so that neither portal
    // leads into a base.
    e.push_back({0, 3, 0, 4.5f, 0, 14.5f, 1, 0});
    e.push_back({0, 3, 1, 61.5f, PLATFORM, 2.5f, 1, 1});
    // Race checkpoints along a lap over every level of the arena (obstacle race).
    const float route[][3] = {{20.5f, 0, 20.5f}, {52.5f, PLATFORM, 6.5f}, {52.5f, LOWER, 20.5f}, {30.5f, 0, 40.5f},
                              {4.5f, 0, 24.5f},   {60.5f, PLATFORM, 2.5f}, {62.0f, 0, 36.5f},   {12.5f, 0, 28.5f}};
    for (uint8_t k = 0; k < std::size(route); ++k) e.push_back({1, 3, 2, route[k][0], route[k][1], route[k][2], 2, k});
    // Glows of the whole palette along the back wall, and a few ambient effects.
    for (uint32_t g = 0; g < 8; ++g) e.push_back({EVERY_KIND, 4, g, 4.5f + 5.0f * float(g), 3.0f, 46.5f, 0, uint8_t(g)});
    for (uint32_t fx = 0; fx < 4; ++fx) e.push_back({EVERY_KIND, 5, fx, 34.5f + 2.0f * float(fx), 0.5f, 30.5f, 0, uint8_t(fx)});
    return e;
}

std::vector<uint8_t> ElementFile() {
    std::vector<ElementBytes> records;
    for (const Placed& p : Elements()) {
        ElementBytes r;
        r.gameKind = p.gameKind;
        r.elementKind = p.elementKind;
        r.subtype = p.subtype;
        r.cell = CellRef{int32_t(std::floor(p.x)), int32_t(std::floor(p.z)), 0};
        r.role = p.role;
        r.index = p.index;
        r.position = {p.x, p.y, p.z};
        if (p.elementKind == 4) {
            r.block[0] = r.block[1] = r.block[2] = 200.0f;
            r.block[3] = 128.0f;
            float scale = 0.07f;
            std::memcpy(&r.extra, &scale, sizeof scale);
        } else if (p.elementKind != 2) {
            r.block[0] = 0, r.block[1] = p.facing, r.block[2] = 0, r.block[3] = 1;
        }
        if (p.elementKind == 5) r.extra = p.subtype;
        records.push_back(r);
    }
    return ElementFileBytes(101, 0, records);
}

// The surface pictures the water or the lava draws with: three frames of waves.
std::vector<Picture> SurfacePictures(Pool kind) {
    std::vector<Picture> frames(3);
    for (int i = 0; i < 3; ++i) {
        Picture& p = frames[size_t(i)];
        p.width = p.height = 64;
        for (uint32_t y = 0; y < 64; ++y)
            for (uint32_t x = 0; x < 64; ++x) {
                const float wave = 0.5f + 0.5f * std::sin(float(x + 2 * y + 11 * i) * 0.2f) * std::cos(float(y) * 0.15f);
                const uint32_t c = kind == Pool::WATER ? Shade(0xC02060B0, 0.7f + 0.5f * wave) : Shade(0xFFE04010, 0.6f + 0.6f * wave);
                p.pixels.push_back(c);
            }
    }
    return frames;
}

// The haze: the fog colour blended in by alpha, which grows down the picture (the distance from
// the fog's near to its far plane). A row whose fog colour is black gets a dusk of its horizon.
Picture FogPicture(const ScenarioRow& row, const Palette& colours) {
    const uint32_t rgb = (row.fogColour & 0xFFFFFFu) ? row.fogColour & 0xFFFFFFu : Shade(colours.skyHorizon, 0.45f) & 0xFFFFFFu;
    Picture fog;
    fog.width = 4;
    fog.height = 64;
    for (uint32_t y = 0; y < fog.height; ++y) {
        const float t = float(y) / float(fog.height - 1);
        const uint32_t alpha = uint32_t(255.0f * t * t);
        for (uint32_t x = 0; x < fog.width; ++x) fog.pixels.push_back((alpha << 24) | rgb);
    }
    return fog;
}

// What every scenario has alike.
struct Shared {
    std::vector<uint8_t> lights, elements;
    std::vector<Picture> water, lava;
};

void AddScenario(DataSet* set, int number, const Shared& shared) {
    const ScenarioRow& row = RowOf(number);
    const Surfaces pool = PoolOf(row);
    const Palette colours = PaletteOf(row);
    char name[32];
    std::snprintf(name, sizeof name, "Escenario%02d", number);
    const std::string models = std::string("Modelos\\Escenarios\\") + name + "\\";
    const std::string textures = std::string("Texturas\\Escenarios\\") + name + "\\";
    std::vector<Y3DRecord> records = {
        SpringRecord(1, {6.5f, 0, 6.5f}),
        SpringRecord(2, {30.5f, 0, 6.5f}),
        PortalRecord({4.5f, 0, 44.5f}, {1, 0, 0}, 0),
        PortalRecord({62.5f, LOWER, 16.5f}, {-1, 0, 0}, 1),
    };
    if (pool.kind == Pool::WATER) records.push_back(SurfaceRecord(0x801, "Agua", pool.surface, 0xA03070C0));
    if (pool.kind == Pool::LAVA) records.push_back(SurfaceRecord(0x802, "Lava", pool.surface, 0xFFFF6010));
    set->Pack(MODEL_PACK, models + name + ".y3d", SceneFile(BuildArena(pool, colours), records));
    char numbered[16];
    std::snprintf(numbered, sizeof numbered, "%02d", number);
    set->Pack(MODEL_PACK, models + "Cielo" + numbered + ".y3d", SkyFile(colours.skyTop, colours.skyHorizon));
    set->Pack(MODEL_PACK, models + "Luces" + numbered + ".y3d", shared.lights);
    set->Pack(MODEL_PACK, models + name + ".dat", shared.elements);
    if (pool.kind != Pool::FILLED) {
        const bool water = pool.kind == Pool::WATER;
        for (size_t i = 0; i < 3; ++i) {
            char tex[32];
            std::snprintf(tex, sizeof tex, water ? "Water%02d.tga" : "Lava%02d.tga", int(i));
            set->Texture(textures + tex, (water ? shared.water : shared.lava)[i]);
        }
    }
    if (row.fog) set->PlainTexture(textures + "Fog.tga", FogPicture(row, colours), 32);
    set->PlainTexture(textures + GLASS_TEXTURE, SolidPicture(8, 8, GLASS_COLOUR), 32);
}

// The viewer loads its stage's scene, sky and lights and builds its path map; it places no
// elements.
void AddViewerStage(DataSet* set, const Shared& shared) {
    const ScenarioRow& row = RowOf(SCENARIO_VIEWER);
    const Palette colours = PaletteOf(row);
    char name[32], numbered[16];
    std::snprintf(name, sizeof name, "Escenario%02d", SCENARIO_VIEWER);
    std::snprintf(numbered, sizeof numbered, "%02d", SCENARIO_VIEWER);
    const std::string models = std::string("Modelos\\Escenarios\\") + name + "\\";
    set->Pack(MODEL_PACK, models + name + ".y3d", SceneFile(BuildStage(colours), {}));
    set->Pack(MODEL_PACK, models + "Cielo" + numbered + ".y3d", SkyFile(colours.skyTop, colours.skyHorizon));
    set->Pack(MODEL_PACK, models + "Luces" + numbered + ".y3d", shared.lights);
}

}  // namespace

void AddScenarios(DataSet* set) {
    const Shared shared{LightsFile(), ElementFile(), SurfacePictures(Pool::WATER), SurfacePictures(Pool::LAVA)};
    for (int number = 0; number < SCENARIO_COUNT; ++number) AddScenario(set, number, shared);
    AddViewerStage(set, shared);
}

}  // namespace demodata
