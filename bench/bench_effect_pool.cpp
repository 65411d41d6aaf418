// The effect pool at a busy moment of a match, on the recording device: seeking projectiles,
// standing emitters, bursts, sparks and ground stains, about 5000 live particles in all. One
// iteration is one frame of the effects' own work: the lists' update, the pool's update, queueing,
// the queue's flush and the decal pass. Budget: under 2 ms a frame.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

#include "common/binary_reader.h"
#include "common/random.h"
#include "core/clocks.h"
#include "effects/bolt_effect.h"
#include "effects/decal.h"
#include "effects/effect_group.h"
#include "effects/effect_list.h"
#include "effects/effect_pool.h"
#include "effects/effects.h"
#include "effects/particle_emitter.h"
#include "fighters/fighter_shell.h"
#include "recording_video.h"
#include "render/dynamic_vertex_buffer.h"
#include "render/render_queue.h"
#include "scene/camera.h"
#include "scene/collision_octree.h"
#include "scene/scene.h"
#include "datakit/y3d_octree_builder.h"

namespace {

std::atomic<uint64_t> g_Allocations{0};

}  // namespace

// Every allocation of the program is counted, so that a frame's can be read off; the library's
// delete frees with std::free, so it stays as it is.
[[gnu::noinline]] void* operator new(size_t size) {
    g_Allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size) { return ::operator new(size); }

namespace {

constexpr uint32_t kFrameMs = 16;

// A ground of 8 x 8 quads over -8..8 at y 0, in one leaf, for the stains to lie on.
void LoadGround() {
    datakit::CollisionMeshDesc ground;
    for (int x = -8; x < 8; x += 2)
        for (int z = -8; z < 8; z += 2)
            ground.AddFace(0, {{float(x), 0, float(z)}, {float(x), 0, float(z + 2)}, {float(x + 2), 0, float(z + 2)},
                               {float(x + 2), 0, float(z)}},
                           {0, 1, 0});
    const int32_t corner[3] = {-8, -8, -8};
    std::vector<datakit::OctreeNodeDesc> nodes = datakit::GridOctree(0, corner, 4);
    nodes[0].first = 0;
    nodes[0].itemCount = 1;
    const std::vector<uint8_t> block = datakit::BuildCollisionOctreeBlock(nodes, {ground}, 320);
    BinaryReader in(block.data(), block.size());
    g_Scene.collisionOctree->Read(in, 320);
}

int32_t Make(int32_t type, const Vec3& at, const Vec3& aim, const Vec3& velocity, int32_t duration) {
    return CreateEffect(EFFECT_NO_SLOT, type, at, aim, velocity, Vec3{}, Vec3{}, duration, 0.0f, 0, nullptr);
}

// The scene of a busy match: projectiles circling the centre, emitters standing about, stains.
void Populate() {
    for (int i = 0; i < 10; ++i) {
        const float a = float(i) * 0.628f;
        const Vec3 at{6 * std::sin(a), 2, 6 * std::cos(a)};
        Make(i % 2 ? 0 : 8, at, Vec3{0, 2, 0}, Vec3{6 * std::cos(a), 0, -6 * std::sin(a)}, EFFECT_ENDLESS);
    }
    for (int i = 0; i < 35; ++i)
        Make(i % 3 ? 4 : 12, Vec3{float(i % 7) * 2 - 6, 0, float(i / 7) * 2 - 4}, {}, {}, EFFECT_ENDLESS);
    for (int i = 0; i < 20; ++i)
        CreateDecal("Texturas\\Efectos\\Mancha00.tga", Vec3{float(i % 5) * 2 - 4, 0.1f, float(i / 5) * 2 - 4},
                    i % 4 ? 0.4f : 3.0f, Vec3{}, 1000000, 20, 5000);
}

// One frame's bursts: a burst of side 1's power 3 every 20th frame, stopped after 10 frames, and
// a few sparks flying home.
void Bursts(uint64_t frame, int32_t* burst) {
    if (frame % 20 == 0) *burst = Make(5, Vec3{0, 1, 0}, {}, {}, EFFECT_ENDLESS);
    if (frame % 20 == 10 && *burst >= 0) EffectSlotStop(*burst, 300);
    if (frame % 4 == 0)
        for (int i = 0; i < 3; ++i) Make(42, Vec3{float(i), 1, 3}, Vec3{0, 1, 0}, Vec3{0, 12, 0}, EFFECT_ENDLESS);
}

// The draw calls the children may take: one per 250 particles of an emitter, one per sprite or
// bolt, one per chunk of a decal.
double DrawCallBound() {
    double bound = 0;
    for (const EffectSlot& s : g_EffectSlots) {
        if (!s.active || !s.group) continue;
        for (uint32_t i = 0; i < s.group->childCount; ++i) {
            PositionedObject* c = s.group->children[i];
            if (!c) continue;
            if (auto* e = dynamic_cast<ParticleEmitter*>(c))
                bound += e->particles ? std::ceil(double(e->particles->Count()) / 250.0) : 0.0;
            else
                bound += 1;
        }
    }
    const uint32_t capacity = g_Scene.dynamicBuffer ? g_Scene.dynamicBuffer->capacity : 1;
    for (EffectListNode* n = g_Scene.decals->Head(); n; n = n->next)
        if (auto* d = dynamic_cast<Decal*>(n->item)) bound += std::ceil(double(d->vertexCount) / double(capacity));
    return bound;
}

double LiveParticles() {
    double n = 0;
    for (const EffectSlot& s : g_EffectSlots) {
        if (!s.active || !s.group) continue;
        for (uint32_t i = 0; i < s.group->childCount; ++i)
            if (auto* e = dynamic_cast<ParticleEmitter*>(s.group->children[i]))
                n += e->particles ? e->particles->Count() : 0;
    }
    return n;
}

struct EffectBench {
    benchsupport::RecordingVideo video;
    explicit EffectBench(benchmark::State& state) : video(state) {
        if (!video.device) return;
        video.device->BeginScene();
        g_Scene.Create();
        g_Scene.camera->Set(0, 6, -14, 0, 0, 0, 0, 1.5f, 1, 100);
        g_Scene.camera->Update();
        g_Clocks.active = CLOCK_PAUSE;
        g_Clocks.stored[CLOCK_MATCH] = 1000;
        g_FighterShellCalls.frameSeconds = [] { return float(kFrameMs) / 1000.0f; };
        g_FighterShellCalls.frameMs = [] { return int(kFrameMs); };
        SeedRandom(1);
        ResetEffectPool();
    }
    ~EffectBench() {
        if (!video.device) return;
        ResetEffectPool();
        ResetFighterShellCalls();
        g_Scene.Destroy(true);
        video.device->EndScene();
    }
};

void BM_EffectPoolFrame(benchmark::State& state) {
    EffectBench bench(state);
    if (!bench.video.device) return;
    gfx::RecordingDevice* rec = bench.video.device;
    LoadGround();
    Populate();
    int32_t burst = EFFECT_NO_SLOT;
    uint64_t frame = 0;
    auto step = [&] {
        g_Clocks.stored[CLOCK_MATCH] += kFrameMs;
        Bursts(frame++, &burst);
        g_Scene.effects->Update(kFrameMs);
        g_Scene.decals->Update(kFrameMs);
        UpdateEffects(kFrameMs);
        g_Scene.effects->QueueAll();
        const uint32_t queued = g_Scene.renderQueue->Flush();
        g_Scene.renderQueue->Clear();
        g_Scene.decals->Draw();
        return queued;
    };
    // Two seconds to fill the emitters.
    for (int i = 0; i < 125; ++i) step();
    rec->ClearLog();

    double draws = 0, vertices = 0, queued = 0;
    const uint64_t allocationsBefore = g_Allocations.load();
    for (auto _ : state) {
        queued += step();
        state.PauseTiming();
        for (const gfx::DrawRecord& d : rec->Draws()) vertices += d.vertexCount;
        draws += double(rec->Draws().size());
        rec->ClearLog();
        state.ResumeTiming();
    }
    const double frames = double(state.iterations());
    state.counters["allocationsPerFrame"] = double(g_Allocations.load() - allocationsBefore) / frames;
    state.counters["drawCallsPerFrame"] = draws / frames;
    state.counters["drawCallBound"] = DrawCallBound();
    state.counters["verticesPerFrame"] = vertices / frames;
    state.counters["queueEntriesPerFrame"] = queued / frames;
    state.counters["particles"] = LiveParticles();
    state.counters["effects"] = double(g_ActiveEffectCount);
    state.counters["decals"] = double(g_Scene.decals->Count());
}
BENCHMARK(BM_EffectPoolFrame)->Unit(benchmark::kMicrosecond);

// CreateEffect of a projectile with the pool empty, 90 % full and full (the slot freed again).
void BM_CreateEffect(benchmark::State& state) {
    EffectBench bench(state);
    if (!bench.video.device) return;
    const int32_t filled = int32_t(state.range(0)) * EFFECT_SLOT_COUNT / 100;
    for (int32_t i = 0; i < filled; ++i) Make(61, Vec3{}, {}, {}, EFFECT_ENDLESS);
    for (auto _ : state) {
        const int32_t s = Make(0, Vec3{0, 1, 0}, Vec3{0, 1, 5}, Vec3{0, 0, 10}, EFFECT_ENDLESS);
        if (s >= 0) g_EffectSlots[s].Free();
        benchmark::DoNotOptimize(s);
    }
}
BENCHMARK(BM_CreateEffect)->Arg(0)->Arg(90)->Arg(100)->Unit(benchmark::kMicrosecond);

}  // namespace
