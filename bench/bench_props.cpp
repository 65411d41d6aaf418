// The physics props: 80 balls rolling and colliding on a terrain of about 30,000 collision faces
// in 64 leaves with ten movable boxes standing on it, one game frame of 16 ms per iteration; and
// the swept-volume test of one movable solid of about 2,000 faces.
#include <benchmark/benchmark.h>

#include <cmath>

#include "common/random.h"
#include "fighters/fighter_shell.h"
#include "scene/collision_mesh.h"
#include "scene/object_list.h"
#include "scene/scene.h"
#include "support/ball_arena.h"
#include "terrain_world.h"
#include "world/dynamic_mesh.h"
#include "world/dynamic_object.h"

namespace {

constexpr int kTerrainGrid = 15;          // 15 x 15 x 2 faces per leaf, 28,800 in all
constexpr int kFramesBetweenKicks = 150;  // friction stops a kicked ball within about 3 s
constexpr float kFrameSeconds = 0.016f;
const float kTop = benchsupport::TerrainLayerHeight(3);

float RandomIn(float lo, float hi) { return lo + (hi - lo) * float(Random()) / 32767.0f; }

// Every ball rolling again in a random direction.
void KickAll() {
    for (DynamicObject& ball : g_Balls) {
        if (!ball.InUse()) continue;
        ball.state = PROP_ROLLING;
        ball.SetVelocity({RandomIn(-6, 6), 0, RandomIn(-6, 6)});
    }
}

class PropWorld {
public:
    PropWorld() {
        g_Scene.Create();
        delete g_Scene.collisionOctree;
        g_Scene.collisionOctree = new CollisionOctree();
        benchsupport::BuildTerrainTree(kTerrainGrid, g_Scene.collisionOctree);
        SetSceneCollisionOctree(g_Scene.collisionOctree);
        g_FighterShellCalls.frameSeconds = [] { return kFrameSeconds; };
        g_FighterShellCalls.playFx = [](int, const Vec3*, uint32_t) { return -1; };
        testsupport::InstallPropTemplates();
        SeedRandom(5);
        for (int i = 0; i < 10; ++i) testsupport::AddCollidableBox({RandomIn(-30, 30), kTop, RandomIn(-30, 30)}, 1.0f);
        // Close together, so that they meet each other as they roll.
        for (int i = 0; i < PROP_BALL_COUNT; ++i) {
            const Vec3 at{-18.0f + 4.0f * float(i % 10), kTop + 8.0f, -14.0f + 4.0f * float(i / 10)};
            SpawnDynamicObject(-1, int(PROP_KIND_BALL), i % 4 == 3 ? int(PROP_TYPE_SMALL) : int(PROP_TYPE_LARGE), at,
                               nullptr);
        }
        KickAll();
    }
    ~PropWorld() {
        ResetDynamicObjects();
        g_Scene.Destroy(true);
        ResetFighterShellCalls();
    }
};

void BM_PropsUpdateFrame(benchmark::State& state) {
    PropWorld world;
    int frame = 0;
    int64_t moving = 0;
    for (auto _ : state) {
        if (++frame % kFramesBetweenKicks == 0) {
            state.PauseTiming();
            KickAll();
            state.ResumeTiming();
        }
        UpdateDynamicObjects();
        for (const DynamicObject& ball : g_Balls) moving += ball.InUse() && ball.state != PROP_RESTING;
    }
    state.counters["moving balls"] = double(moving) / double(state.iterations());
}
BENCHMARK(BM_PropsUpdateFrame)->Iterations(600)->Unit(benchmark::kMillisecond);

void BM_CollidableSweep(benchmark::State& state) {
    g_Scene.Create();
    // A bumpy 2 x 32 x 31 sheet of triangles, turned and raised where it stands.
    datakit::CollisionMeshDesc sheet;
    auto h = [](int i, int k) { return 0.5f * std::sin(0.6f * float(i)) * std::cos(0.4f * float(k)); };
    for (int i = 0; i < 32; ++i)
        for (int k = 0; k < 31; ++k) {
            const Vec3 a{float(i), h(i, k), float(k)}, b{float(i + 1), h(i + 1, k), float(k)},
                c{float(i + 1), h(i + 1, k + 1), float(k + 1)}, d{float(i), h(i, k + 1), float(k + 1)};
            for (const auto& tri : {std::initializer_list<Vec3>{a, b, c}, std::initializer_list<Vec3>{a, c, d}}) {
                const Vec3* p = tri.begin();
                Vec3 n = Vec3Normalize(Vec3Cross(Vec3Sub(p[1], p[0]), Vec3Sub(p[2], p[0])));
                if (n.y < 0) n = Vec3Scale(n, -1.0f);
                sheet.AddFace(0, {p[0], p[1], p[2]}, n);
            }
        }
    auto* solid = new DynamicCollidableMesh();
    solid->collision = new CollisionMesh();
    testsupport::ReadCollisionMesh(sheet, solid->collision);
    const float box[6] = {0, -1, 0, 32, 1, 31};
    for (int k = 0; k < 6; ++k) solid->localBox[k] = box[k];
    solid->SetPosition({-16, 2, -15});
    solid->transform.rotation = {0, std::sin(0.2f), 0, std::cos(0.2f)};
    uint32_t seed = 3;
    for (auto _ : state) {
        seed = seed * 1664525u + 1013904223u;
        const float x = float(seed % 2000) / 100.0f - 10.0f;
        const float z = float((seed >> 12) % 2000) / 100.0f - 10.0f;
        // A 1 x 1 square falling 6 units onto the sheet.
        const float y = 6.0f;
        const Plane planes[6] = {{0, 0, 1, -z}, {-1, 0, 0, x + 1}, {0, 0, -1, z + 1}, {1, 0, 0, -x},
                                 {0, -1, 0, y}, {0, 1, 0, -(y - 6.0f)}};
        Vec3 point;
        float best = 6.0f;
        SweepContact contact;
        SweepContact* list = nullptr;
        benchmark::DoNotOptimize(solid->SweepSphere(planes, 6, &point, &best, &contact, &list, 1));
        FreeSweepContacts(list);
    }
    state.counters["faces"] = double(solid->collision->faceCount);
    delete solid;
    g_Scene.Destroy(true);
}
BENCHMARK(BM_CollidableSweep);

}  // namespace
