#include "support/match_harness.h"

#include <algorithm>
#include <bit>
#include <iterator>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/clocks.h"
#include "core/settings.h"
#include "fighters/character.h"
#include "fighters/match.h"
#include "platform/gfx/adapters.h"
#include "platform/gfx/recording_device.h"
#include "render/video.h"
#include "shell/control.h"
#include "shell/main_loop.h"
#include "shell/startup.h"
#include "support/ball_arena.h"
#include "support/demo_data_folder.h"
#include "datakit/element_kit.h"
#include "support/fighter_kit.h"
#include "datakit/pack_writer.h"
#include "support/temp_dir.h"
#include "datakit/y3d_builder.h"
#include "datakit/y3d_octree_builder.h"
#include "world/element_map.h"

namespace fs = std::filesystem;

namespace testsupport {

using namespace datakit;

namespace {

// ---- The recording device behind the start-up's device-creation hook ----

class RecordingDirect3D : public gfx::Direct3D {
public:
    gfx::Result CreateDevice(uint32_t adapter, gfx::DevType type, void* focusWindow, uint32_t behaviorFlags,
                             gfx::PresentParameters* params, gfx::Device** device) override {
        if (!device || !params) return gfx::D3DERR_INVALIDCALL;
        gfx::DeviceParams p;
        p.present = *params;
        if (!p.present.hDeviceWindow) p.present.hDeviceWindow = focusWindow;
        p.adapter = adapter;
        p.deviceType = type;
        p.behaviorFlags = behaviorFlags;
        return gfx::CreateRecordingDevice(p, device);
    }
};

gfx::Direct3D* CreateRecordingDirect3D() { return new RecordingDirect3D(); }

// The start-up hooks take plain functions.
uint32_t g_seed = 1;
uint32_t g_now = 0;

// ---- The data folder ----

void WriteBytesTo(const std::string& path, const std::vector<uint8_t>& bytes) {
    const fs::path folder = fs::path(path).parent_path();
    if (!folder.empty()) fs::create_directories(folder);
    WriteBytes(path, bytes);
}

std::string SettingsText(const MatchOptions& o) {
    std::string s;
    auto key = [&s](const char* name, int value) { s += std::string(name) + "=" + std::to_string(value) + "\n"; };
    key("MODO", 0);
    key("MENU", 0);
    key("PRUEBAS", 1);
    key("ACTIVAR_IA", 1);
    key("DEBUG", 0);
    key("SOFTWARE", 0);
    key("FULL_SCREEN", 0);
    key("RESX", 160);
    key("RESY", 120);
    key("ID_ESCENARIO", o.dataFolder.empty() ? MATCH_SCENARIO : o.scenario);
    key("K_GAME", o.kind);
    key("TIPO_PERSONAJE", o.localSide);
    key("NUM_PER", o.fightersPerSide);
    key("NUM_PER_ENE", o.enemies >= 0 ? o.enemies : o.fightersPerSide);
    key("NIVEL", o.level);
    key("NIVEL_ENE", o.enemyLevel);
    key("ALE_NIVEL", 0);
    key("ALE_NIVEL_ENE", 0);
    key("DIFFICULTY", o.difficulty);
    for (const char* suffix : {"_ORLINS", "_VORAKS"}) {
        const bool voraks = suffix[1] == 'V';
        key(("STEALS_NUMBER" + std::string(suffix)).c_str(), o.steals);
        key(("CREDITS_NUMBER" + std::string(suffix)).c_str(), 50);
        key(("CAPTURES_NUMBER" + std::string(suffix)).c_str(),
            voraks && o.voraksCaptures >= 0 ? o.voraksCaptures : o.captures);
        key(("MAX_DEATHS" + std::string(suffix)).c_str(), o.maxDeaths);
        key(("MAX_TIME_MALDICION" + std::string(suffix)).c_str(), 1);
    }
    key("MAX_TIME_GLOBAL", o.matchMinutes);
    key("FREEZE_TIME", 3);
    for (const char* off : {"SONIDO", "MUSICA", "LOCUCIONES", "LLUVIA", "NIEBLA", "ESPEJOS", "SOMBRA_PERSONAJE",
                            "MULTISAMPLE", "ANISOTROPICO", "WAIT_RETRACE", "ESPECULAR", "CARAS_INTERFAZ",
                            "CALIDAD_MODELOS", "CALIDAD_AGUA", "CALIDAD_TEXTURAS_DIM"})
        key(off, 0);
    key("CALIDAD_TEXTURAS_BPP", 32);
    key("GAMMA", 100);
    key("FAR_PLANE", 100);
    key("VIOLENCE", 1);
    return s;
}

ElementBytes Element(uint32_t kind, uint32_t elementKind, uint32_t subtype, float x, float y, float z, float yaw = 0.0f) {
    ElementBytes e;
    e.gameKind = kind;
    e.elementKind = elementKind;
    e.subtype = subtype;
    e.cell = CellRef{int32_t(x), int32_t(z), 0};
    e.position = Vec3{x, y, z};
    e.block[1] = yaw;
    return e;
}

ElementBytes Special(uint32_t kind, uint32_t subtype, uint32_t role, uint8_t index, float x, float y, float z) {
    ElementBytes e = Element(kind, ELEMENT_SPECIAL, subtype, x, y, z);
    e.role = role;
    e.index = index;
    return e;
}

// Starts of both sides for every game kind (6 and 7 read those of 5 and 2), the mode objects,
// the credits of greed and the common items and props.
std::vector<ElementBytes> ArenaElements() {
    std::vector<ElementBytes> out;
    for (uint32_t kind = 0; kind <= 5; ++kind)
        for (int n = 0; n < 8; ++n) {
            // Two rows of four facing each other across the floor.
            const float z = 1.5f + 2.5f * float(n % 4), row = 2.0f * float(n / 4);
            out.push_back(Element(kind, ELEMENT_FIGHTER, 0, 1.5f + row, 0.0f, z, kPi / 2.0f));
            out.push_back(Element(kind, ELEMENT_FIGHTER, 1, 14.5f - row, 0.0f, z, 1.5f * kPi));
        }
    // Steal the symbol: a pedestal on the floor for side 0, on the platform for side 1.
    out.push_back(Special(0, 0, ELEMENT_ROLE_SYMBOL, 0, 3.5f, 0.0f, 5.5f));
    out.push_back(Special(0, 1, ELEMENT_ROLE_SYMBOL, 1, 21.5f, 2.0f, 4.5f));
    // The race: four posts in order, over the floor and up the ramp.
    const float posts[][3] = {{8.5f, 0.0f, 3.5f}, {10.5f, 0.0f, 13.5f}, {21.5f, 2.0f, 6.5f}, {6.5f, 0.0f, 7.5f}};
    for (uint8_t i = 0; i < 4; ++i)
        out.push_back(Special(1, 2, ELEMENT_ROLE_CHECKPOINT, i, posts[i][0], posts[i][1], posts[i][2]));
    // Greed: credits of every value.
    for (uint32_t t = 20; t <= 23; ++t) out.push_back(Element(2, ELEMENT_ITEM, t, 5.5f + 2.0f * float(t - 20), 0.0f, 10.5f));
    // Common to every kind: the letters L, I, F, E, boosts, a health and an energy item, a bomb,
    // and a ball and a box.
    const uint32_t common[] = {35, 32, 29, 28, 8, 9, 10, 11, 12, 3, 6, 15};
    for (size_t i = 0; i < std::size(common); ++i)
        out.push_back(Element(ELEMENT_COMMON, ELEMENT_ITEM, common[i], 4.5f + float(i % 6) * 1.5f, 0.0f,
                              i < 6 ? 1.5f : 14.5f));
    out.push_back(Element(ELEMENT_COMMON, ELEMENT_PROP, 1, 9.5f, 0.0f, 6.5f));
    out.push_back(Element(ELEMENT_COMMON, ELEMENT_PROP, 3, 7.5f, 0.0f, 11.5f));
    return out;
}

void WriteTemplatesAndModels() {
    const std::string objects = "Modelos/Objetos Dinamicos/";
    std::vector<std::string> plain = {"symbol0", "symbol1", "symbol2", "reloj", "brujula", "cartel_start",
                                      "cartel_meta"};
    for (int d = 0; d <= 9; ++d) plain.push_back("NUM" + std::to_string(d));
    for (const std::string& name : plain) WriteMovableNode(objects + name + ".y3d", name + "(DIN)", false);
    for (const char* name : {"pedestal0", "pedestal1", "poste_carrera"})
        WriteMovableNode(objects + name + ".y3d", std::string(name) + "(DINCOL)", true);
    for (const char* name : {"Bola de 2m", "Bola de 20cm", "Caja de 2m", "Caja de 1m"})
        WriteMovableNode(objects + name + ".y3d", std::string(name) + " (DIN)", false);
    for (int i = 0; i < 58; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "item%02d", i);
        WriteMovableNode(std::string("Modelos/Items/") + name + ".y3d", std::string(name) + " (DIN)", false);
    }
}

}  // namespace

// The solid ones are the pedestals and the race posts.
void WriteMovableNode(const std::string& file, const std::string& node, bool solid) {
    Y3DMeshNode n;
    n.name = node;
    n.type = solid ? 0x102 : 0x101;
    const float box[6] = {-0.3f, 0.0f, -0.3f, 0.3f, 0.6f, 0.3f};
    std::copy(std::begin(box), std::end(box), n.box);
    if (solid) AppendCollisionMesh(&n.collision, CubeCollision(0.3f), 320);
    Y3DSceneFile f;
    f.header.version = 320;
    f.records.push_back(MeshNodeRecord(n));
    WriteBytesTo(file, f.Build());
}

void WriteMatchFolder(const MatchOptions& options) {
    if (!options.dataFolder.empty()) {
        LinkDataFolder(options.dataFolder, fs::current_path());
        fs::remove("Brimvale.ini");
    }
    WriteBytesTo("Brimvale.ini", [&] {
        const std::string text = SettingsText(options);
        return std::vector<uint8_t>(text.begin(), text.end());
    }());
    if (!options.dataFolder.empty()) return;
    // The kit's skeletons and animations, shared by every run of the program.
    const fs::path& kit = FighterFilesFolder();
    fs::create_directories("Modelos");
    fs::create_directory_symlink(kit / "Modelos" / "Personajes", "Modelos/Personajes");
    fs::create_directory_symlink(kit / "ANIMACIONES", "ANIMACIONES");

    char scenario[64];
    std::snprintf(scenario, sizeof scenario, "Modelos/Escenarios/Escenario%02d/Escenario%02d.y3d", MATCH_SCENARIO,
                  MATCH_SCENARIO);
    WriteBytesTo(scenario, ArenaSceneFile());
    WriteScenarioElementFile(MATCH_SCENARIO, ElementFileBytes(ELEMENT_FILE_VERSION, 0, ArenaElements()));
    WriteTemplatesAndModels();
}

MatchRun::MatchRun(const MatchOptions& options) : dir_(std::make_unique<ScopedWorkDir>()) {
    WriteMatchFolder(options);
    g_Settings.Clear();
    ResetMainLoopState();
    Recorder().Clear();
    if (options.dataFolder.empty())
        InstallKitEffectPool();
    else
        ResetEffectCalls();
    g_seed = options.seed;
    g_StartupSeed = [] { return g_seed; };
    g_Direct3DCreate = CreateRecordingDirect3D;
    g_now = 100000;
    os::SetTimeSource([] { return g_now; });

    started_ = InitApp(WndProc) && g_Match.gameKind == options.kind;
    if (!options.render && !options.idlePlayer) g_Control.localCharacter = nullptr;
    g_RenderEnabled = options.render ? 1 : 0;
    g_QuitRequest = 0;
    g_BackToMenuRequest = 0;
    startMatchTime_ = GetTime(CLOCK_MATCH);
}

MatchRun::~MatchRun() {
    Release();
    ResetEffectCalls();
    g_Direct3DCreate = gfx::Direct3DCreate;
    ResetStartupSeed();
    os::SetTimeSource(nullptr);
    g_Settings.Clear();
    ResetMainLoopState();
}

void MatchRun::Release() {
    if (released_) return;
    ReleaseGame(true);
    released_ = true;
}

bool MatchRun::Turn() {
    if (released_) return false;
    g_now += MATCH_TURN_MS;
    // A drawn match would otherwise keep every call it made, gigabytes over a long match; nothing
    // looks further back than the last frame.
    if (gfx::RecordingDevice* device = gfx::AsRecordingDevice(g_Video.device)) {
        const std::vector<gfx::Call>& log = device->Log();
        auto presented = [](const gfx::Call& c) { return c.kind == gfx::CallKind::Present; };
        if (std::any_of(log.rbegin(), log.rend(), presented)) device->ClearLog();
    }
    if (RunLoopTurn(&msg_)) return true;
    Release();
    return false;
}

uint32_t MatchRun::SimulatedMs() const { return GetTime(CLOCK_MATCH) - startMatchTime_; }

uint64_t MatchFingerprint() {
    uint64_t h = 1469598103934665603ull;
    auto mix = [&h](uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            h ^= (v >> (8 * i)) & 0xffu;
            h *= 1099511628211ull;
        }
    };
    auto mixF = [&mix](float f) { mix(std::bit_cast<uint32_t>(f)); };
    for (const Character& c : g_Characters) {
        if (!c.active) continue;
        mix(uint32_t(c.slot));
        mixF(c.position.x);
        mixF(c.position.y);
        mixF(c.position.z);
        mixF(c.yaw);
        mixF(c.health);
        mixF(c.energy);
        mixF(c.experience);
        mix(uint32_t(c.currentAnimation));
        mix(uint32_t(c.actionClass));
        mix(c.dead);
        for (const TimedState& s : c.states) mix(s.active);
    }
    const Match& m = g_Match;
    mix(uint32_t(m.state));
    for (int t = 0; t < 2; ++t) {
        mix(uint32_t(m.captures[t]));
        mix(uint32_t(m.checkpointsPassed[t]));
        mix(uint32_t(m.points[t]));
        mix(uint32_t(m.killScore[t]));
        mix(uint32_t(m.found[t]));
        mix(m.curseTime[t]);
    }
    return h;
}

}  // namespace testsupport
