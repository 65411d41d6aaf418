// Ray and swept-volume queries on a collision octree of about 100k faces.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "common/binary_reader.h"
#include "scene/collision_octree.h"
#include "terrain_world.h"

namespace {

constexpr int kGrid = 28;        // 28 x 28 squares, two triangles each, per leaf: about 100k faces

struct World {
    CollisionOctree tree;
    World() { benchsupport::BuildTerrainTree(kGrid, &tree); }
};

World& TheWorld() {
    static World world;
    return world;
}

void BM_CollisionRayDown(benchmark::State& state) {
    CollisionOctree& tree = TheWorld().tree;
    uint32_t seed = 1;
    int64_t hits = 0;
    for (auto _ : state) {
        seed = seed * 1664525u + 1013904223u;
        float x = float(seed % 25000) / 100.0f - 125.0f;
        float z = float((seed >> 12) % 25000) / 100.0f - 125.0f;
        Ray ray{{0, -1, 0}, {x, 127, z}};
        Vec3 p;
        hits += tree.RayQuery(&ray, 2000.0f, &p, nullptr, nullptr, 1);
    }
    state.counters["queries/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["hit ratio"] = double(hits) / double(state.iterations());
}
BENCHMARK(BM_CollisionRayDown);

void BM_CollisionRaySlanted(benchmark::State& state) {
    CollisionOctree& tree = TheWorld().tree;
    uint32_t seed = 7;
    for (auto _ : state) {
        seed = seed * 1664525u + 1013904223u;
        float x = float(seed % 20000) / 100.0f - 100.0f;
        Ray ray{{0.6f, -0.3f, 0.74f}, {x, 120, -120}};
        benchmark::DoNotOptimize(tree.RayQuery(&ray, 1000.0f, nullptr, nullptr, nullptr, 1));
    }
    state.counters["queries/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CollisionRaySlanted);

// One leaf's mesh with rays that cross it at a slant: the cost of a single face test.
void BM_CollisionMeshRaySlanted(benchmark::State& state) {
    const CollisionMesh& mesh = TheWorld().tree.Meshes()[0];
    uint32_t seed = 11;
    for (auto _ : state) {
        seed = seed * 1664525u + 1013904223u;
        float x = float(seed % 6400) / 100.0f - 128.0f;
        Ray ray{Vec3Normalize({0.6f, -0.3f, 0.74f}), {x, -80, -128}};
        benchmark::DoNotOptimize(mesh.RayTest(ray, nullptr, nullptr, nullptr, 1));
    }
    state.counters["faces/s"] =
        benchmark::Counter(double(state.iterations()) * mesh.faceCount, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CollisionMeshRaySlanted);

void BM_CollisionSweepFall(benchmark::State& state) {
    CollisionOctree& tree = TheWorld().tree;
    uint32_t seed = 3;
    for (auto _ : state) {
        seed = seed * 1664525u + 1013904223u;
        float x = float(seed % 24000) / 100.0f - 120.0f;
        float z = float((seed >> 12) % 24000) / 100.0f - 120.0f;
        // A 1 x 1 square falling 10 units from just above a terrain layer.
        const float y = -128.0f + 64.0f + 32.0f + 4.0f;
        Plane planes[6] = {{0, 0, 1, -z}, {-1, 0, 0, x + 1}, {0, 0, -1, z + 1}, {1, 0, 0, -x},
                           {0, -1, 0, y}, {0, 1, 0, -(y - 10.0f)}};
        Vec3 point;
        float best = 10.0f;
        SweepContact contact;
        SweepContact* list = nullptr;
        benchmark::DoNotOptimize(tree.SweepSphere(planes, 6, &point, &best, &contact, &list, 1));
        FreeSweepContacts(list);
    }
    state.counters["queries/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CollisionSweepFall);

}  // namespace
