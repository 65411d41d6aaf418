#include "support/scripted_program.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "core/settings.h"
#include "frontend/menu.h"
#include "frontend/menu_screens.h"
#include "frontend/menu_widgets.h"
#include "frontend/overlays.h"
#include "frontend/text3d.h"
#include "frontend/text_label.h"
#include "frontend/text_table.h"
#include "frontend/player_saves.h"
#include "platform/gfx/d3dx_helpers.h"
#include "platform/gfx/device.h"
#include "platform/os/os.h"
#include "platform/video/video.h"
#include "render/geometry.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/glow.h"
#include "scene/scene.h"
#include "shell/main_loop.h"
#include "datakit/element_kit.h"
#include "support/frontend_data.h"
#include "support/match_harness.h"
#include "datakit/save_images.h"
#include "support/sdl_events.h"
#include "support/temp_dir.h"

namespace testsupport {

using namespace datakit;

namespace {

ScriptedProgram* g_running = nullptr;

// The settings keys this harness decides; a data folder's own file keeps the rest.
const std::map<std::string, std::string> kMenuKeys = {
    {"MODO", "0"}, {"MENU", "1"}, {"PRUEBAS", "0"}, {"DEBUG", "1"}, {"FULL_SCREEN", "0"},
};

// A small match picture, one of the options' resolutions.
const std::map<std::string, std::string> kMatchDisplay = {{"RESX", "640"}, {"RESY", "480"}};

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Each key's line is replaced (or added); the reader finds a key anywhere, so no line may keep
// an old value of one of them.
std::string WithKeys(const std::string& text, const std::map<std::string, std::string>& keys) {
    std::istringstream in(text);
    std::string line, out;
    while (std::getline(in, line)) {
        const size_t eq = line.find('=');
        std::string key = line.substr(0, eq);
        key.erase(std::remove_if(key.begin(), key.end(), [](char c) { return c == ' ' || c == '\t' || c == '\r'; }),
                  key.end());
        if (eq != std::string::npos && keys.count(key)) continue;
        out += line + "\n";
    }
    for (const auto& [key, value] : keys) out += key + "=" + value + "\n";
    return out;
}

std::string Slashes(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

struct KeyCode {
    SDL_Keycode sym;
    SDL_Scancode scan;
};

KeyCode KeyFor(int vk) {
    SDL_Keycode sym = SDLK_UNKNOWN;
    if (vk >= 'A' && vk <= 'Z') sym = SDL_Keycode('a' + (vk - 'A'));
    else if (vk >= '0' && vk <= '9') sym = SDL_Keycode(vk);
    else if (vk >= os::VK_F1 && vk <= os::VK_F12) sym = SDL_Keycode(SDLK_F1 + (vk - os::VK_F1));
    else {
        switch (vk) {
        case os::VK_ESCAPE: sym = SDLK_ESCAPE; break;
        case os::VK_RETURN: sym = SDLK_RETURN; break;
        case os::VK_BACK: sym = SDLK_BACKSPACE; break;
        case os::VK_SPACE: sym = SDLK_SPACE; break;
        case os::VK_TAB: sym = SDLK_TAB; break;
        case os::VK_UP: sym = SDLK_UP; break;
        case os::VK_DOWN: sym = SDLK_DOWN; break;
        case os::VK_LEFT: sym = SDLK_LEFT; break;
        case os::VK_RIGHT: sym = SDLK_RIGHT; break;
        case os::VK_MENU: sym = SDLK_LALT; break;
        default: break;
        }
    }
    return {sym, SDL_GetScancodeFromKey(sym)};
}

int Channel(uint32_t c, int shift) { return int((c >> shift) & 0xFF); }

// The arena also as scenario 0, where the training set-up starts and the one-player campaign
// of side 0 begins: a match on a scenario that is missing does not start.
void CopyArenaAsScenario0() {
    char from[64], to[64];
    std::snprintf(from, sizeof from, "Modelos/Escenarios/Escenario%02d/Escenario%02d.y3d", MATCH_SCENARIO, MATCH_SCENARIO);
    std::snprintf(to, sizeof to, "Modelos/Escenarios/Escenario%02d/Escenario%02d.y3d", 0, 0);
    std::filesystem::create_directories(std::filesystem::path(to).parent_path());
    std::filesystem::copy_file(from, to);
    const std::filesystem::path elements = Slashes(ScenarioElementPath(0));
    std::filesystem::create_directories(elements.parent_path());
    std::filesystem::copy_file(Slashes(ScenarioElementPath(MATCH_SCENARIO)), elements);
}

}  // namespace

// ---- the data folder ----

void WriteScriptedFolder(const ScopedWorkDir& dir, const ScriptedFolder& folder) {
    MatchOptions match;
    match.kind = 5;
    match.fightersPerSide = 2;
    WriteMatchFolder(match);
    CopyArenaAsScenario0();
    WriteFrontEndData(dir);
    // Every screen's captions get a text of their own number, so that labels show ink.
    std::string texts = ReadWhole("textos.txt");
    for (int id = 400; id < 1400; ++id) {
        char line[32];
        std::snprintf(line, sizeof line, "TXT%04d", id);
        if (texts.find(line) != std::string::npos) continue;
        texts += std::string(line) + "\"T" + std::to_string(id) + "\";\n";
    }
    dir.Write("textos.txt", texts);
    const std::string ini = ReadWhole("Brimvale.ini");
    std::map<std::string, std::string> keys = kMenuKeys;
    keys.insert(kMatchDisplay.begin(), kMatchDisplay.end());
    keys["SONIDO"] = folder.sound ? "1" : "0";
    keys["MUSICA"] = folder.music ? "1" : "0";
    keys["PRUEBAS"] = folder.testMode ? "1" : "0";
    dir.Write("Brimvale.ini", WithKeys(ini, keys));
    WriteSavedPlayers(dir.path().string(), folder.playersPerSide);
    for (const auto& [name, bytes] : EnemyRecordFiles(84)) {
        const std::filesystem::path file = dir.path() / Slashes(name);
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
}

void WriteSavedPlayers(const std::string& folder, int perSide) {
    for (int mode = 0; mode <= 2; ++mode)
        for (int side = 0; side < 2; ++side)
            for (int slot = 0; slot < perSide; ++slot) {
                const std::string path = Slashes(PlayerSavePath(side, slot, mode));
                if (path.empty()) continue;
                const std::filesystem::path file = std::filesystem::path(folder) / path;
                std::filesystem::create_directories(file.parent_path());
                char name[16];
                std::snprintf(name, sizeof name, "Jug%c%d", side ? 'V' : 'O', slot);
                const std::string bytes = PlayerSaveImage(uint32_t(side), uint32_t(slot), name).Str();
                std::ofstream(file, std::ios::binary) << bytes;
            }
}

void OpenMenuInSettings(const std::string& folder) { SetKeysInSettings(folder, kMenuKeys); }

void SetKeysInSettings(const std::string& folder, const std::map<std::string, std::string>& keys) {
    const std::string path = folder + "/Brimvale.ini";
    const std::string text = WithKeys(ReadWhole(path), keys);
    std::ofstream(path, std::ios::binary) << text;
}

// ---- pictures ----

int FramePixels::CountDiffering(float x, float y, float w, float h, uint32_t background, int tolerance) const {
    const int x0 = std::max(0, int(x * float(width))), y0 = std::max(0, int(y * float(height)));
    const int x1 = std::min(width, int((x + w) * float(width))), y1 = std::min(height, int((y + h) * float(height)));
    int n = 0;
    for (int py = y0; py < y1; ++py)
        for (int px = x0; px < x1; ++px) {
            const uint32_t c = At(px, py);
            for (int shift : {0, 8, 16})
                if (std::abs(Channel(c, shift) - Channel(background, shift)) > tolerance) {
                    ++n;
                    break;
                }
        }
    return n;
}

uint32_t FramePixels::MostCommon(float x, float y, float w, float h) const {
    std::map<uint32_t, int> seen;
    const int x0 = std::max(0, int(x * float(width))), y0 = std::max(0, int(y * float(height)));
    const int x1 = std::min(width, int((x + w) * float(width))), y1 = std::min(height, int((y + h) * float(height)));
    for (int py = y0; py < y1; ++py)
        for (int px = x0; px < x1; ++px) ++seen[At(px, py) | 0xff000000u];
    uint32_t best = 0;
    int most = -1;
    for (const auto& [colour, count] : seen)
        if (count > most) best = colour, most = count;
    return best;
}

int FramePixels::LabelInk(const TextLabel& label) const {
    if (!label.inUse || label.w <= 0.0f || label.h <= 0.0f) return 0;
    const char align = char(label.alignment);
    const float left = align == 'D' ? label.x - label.w : align == 'C' ? label.x - label.w / 2 : label.x;
    return CountDiffering(left, label.y, label.w, label.h, MostCommon(left, label.y, label.w, label.h));
}

FramePixels ScriptedProgram::ReadFrame() {
    FramePixels out;
    gfx::Device* device = g_Video.GetDevice();
    if (!device) return out;
    gfx::Surface* back = nullptr;
    if (gfx::Failed(device->GetBackBuffer(0, gfx::D3DBACKBUFFER_TYPE_MONO, &back)) || !back) return out;
    gfx::SurfaceDesc desc{};
    gfx::LockedRect locked{};
    if (!gfx::Failed(back->GetDesc(&desc)) && desc.Width && desc.Height &&
        !gfx::Failed(back->LockRect(&locked, nullptr, gfx::D3DLOCK_READONLY))) {
        out.argb.resize(size_t(desc.Width) * desc.Height);
        if (gfx::ConvertToArgb(static_cast<const uint8_t*>(locked.pBits), locked.Pitch, desc.Width, desc.Height,
                               desc.Format, out.argb.data())) {
            out.width = int(desc.Width);
            out.height = int(desc.Height);
        } else {
            out.argb.clear();
        }
        back->UnlockRect();
    }
    back->Release();
    return out;
}

// ---- the run ----

ScriptedProgram::ScriptedProgram(uint32_t frameMs) : frameMs_(frameMs) {}

ScriptedProgram::~ScriptedProgram() {
    if (g_running == this) g_running = nullptr;
}

ScriptedProgram& ScriptedProgram::Then(const char* what, Step step, int maxFrames) {
    script_.push_back({what, std::move(step), maxFrames});
    return *this;
}

ScriptedProgram& ScriptedProgram::Do(const char* what, std::function<void(ScriptedProgram&)> action) {
    return Then(what, [action](ScriptedProgram& p) {
        action(p);
        return true;
    });
}

ScriptedProgram& ScriptedProgram::Wait(int frames) {
    auto left = std::make_shared<int>(frames);
    return Then("wait", [left](ScriptedProgram&) { return --*left <= 0; }, frames + 1);
}

ScriptedProgram& ScriptedProgram::WaitUntil(const char* what, std::function<bool()> condition, int maxFrames) {
    return Then(what, [condition](ScriptedProgram&) { return condition(); }, maxFrames);
}

ScriptedProgram& ScriptedProgram::WaitForPage(int page, int maxFrames) {
    char what[48];
    std::snprintf(what, sizeof what, "page %d", page);
    return WaitUntil(
        what,
        [page] {
            const MenuScreens* s = g_Menu.screens;
            const bool screenReady = page > 23 || (s && s->built && s->screen == page);
            return g_Menu.active && g_Menu.page == page && screenReady && !g_Fader.IsRunning();
        },
        maxFrames);
}

ScriptedProgram& ScriptedProgram::ChooseMenuButton(int k, int maxFrames) {
    char what[48];
    std::snprintf(what, sizeof what, "3D button %d", k);
    auto page = std::make_shared<int>(-1);
    return Then(
        what,
        [k, page](ScriptedProgram& p) {
            if (*page < 0) *page = g_Menu.page;
            if (g_Menu.page != *page) {
                float x = 0, y = 0;
                MenuButtonPoint(k, &x, &y);
                p.ButtonUp(x, y);
                return true;
            }
            float x = 0, y = 0;
            // The words fly in: the pointer follows the word until its press is taken.
            if (MenuButtonPoint(k, &x, &y)) {
                p.MoveTo(x, y);
                if (!(os::GetAsyncKeyState(os::VK_LBUTTON) & 0x8000)) p.ButtonDown(x, y);
            }
            return false;
        },
        maxFrames);
}

ScriptedProgram& ScriptedProgram::ClickAt(float x, float y) {
    return ClickWhere("click", [x, y](float* px, float* py) {
        *px = x;
        *py = y;
        return true;
    });
}

ScriptedProgram& ScriptedProgram::ClickWhere(const char* what, Locate where, int maxFrames) {
    return Then(
               what,
               [where](ScriptedProgram& p) {
                   float x = 0, y = 0;
                   if (!where(&x, &y)) return false;
                   p.MoveTo(x, y);
                   p.ButtonDown(x, y);
                   p.Later(2, [&p, x, y] { p.ButtonUp(x, y); });
                   return true;
               },
               maxFrames)
        .Wait(3);
}

ScriptedProgram& ScriptedProgram::Drag(const char* what, Locate from, Locate to, int frames) {
    struct State {
        int frame = -1;
        float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    };
    auto state = std::make_shared<State>();
    return Then(
        what,
        [from, to, frames, state](ScriptedProgram& p) {
            State& s = *state;
            if (s.frame < 0) {
                if (!from(&s.x0, &s.y0) || !to(&s.x1, &s.y1)) return false;
                p.MoveTo(s.x0, s.y0);
                p.ButtonDown(s.x0, s.y0);
                s.frame = 0;
                return false;
            }
            ++s.frame;
            const float t = float(std::min(s.frame, frames)) / float(frames);
            const float x = s.x0 + (s.x1 - s.x0) * t, y = s.y0 + (s.y1 - s.y0) * t;
            if (s.frame <= frames) {
                p.MoveTo(x, y);
                return false;
            }
            p.ButtonUp(x, y);
            return true;
        },
        frames + 300);
}

ScriptedProgram& ScriptedProgram::ClickUntil(const char* what, Locate where, std::function<bool()> done,
                                             int maxClicks) {
    auto frame = std::make_shared<int>(0);
    return Then(
        what,
        [where, done, frame](ScriptedProgram& p) {
            if (done()) return true;
            if ((*frame)++ % 3 != 0) return false;
            float x = 0, y = 0;
            if (where(&x, &y)) {
                p.MoveTo(x, y);
                p.ButtonDown(x, y);
                p.Later(1, [&p, x, y] { p.ButtonUp(x, y); });
            }
            return false;
        },
        maxClicks * 3 + 3);
}

bool ScriptedProgram::Middle(const ImageButton& b, float* x, float* y) {
    if (!b.visible || !b.highlightSprite || b.w <= 0.0f) return false;
    const float left = AlignIs(b.align, 'D') ? b.x - b.w : AlignIs(b.align, 'C') ? b.x - b.w / 2 : b.x;
    *x = left + b.w / 2;
    *y = b.y + b.h / 2;
    return true;
}

bool ScriptedProgram::Middle(const MenuButton& b, float* x, float* y) {
    if (b.pw <= 0 || b.ph <= 0) return false;
    const float px = float(PixelX(b.x));
    const float left = AlignIs(b.align, 'D') ? px - float(b.pw) : AlignIs(b.align, 'C') ? px - float(b.pw) / 2 : px;
    *x = FractionX(left + float(b.pw) / 2);
    *y = FractionY(float(b.py) + float(b.ph) / 2);
    return true;
}

bool ScriptedProgram::Middle(const MenuPanel& p, float* x, float* y) {
    if (p.w <= 0.0f || p.h <= 0.0f) return false;
    *x = p.x + p.w / 2;
    *y = p.y + p.h / 2;
    return true;
}

float ScriptedProgram::FractionX(float px) {
    const float w = SpriteScreenWidth();
    return w > 0.0f ? px / w : 0.0f;
}

float ScriptedProgram::FractionY(float py) {
    const float h = SpriteScreenHeight();
    return h > 0.0f ? py / h : 0.0f;
}

ScriptedProgram& ScriptedProgram::TapKey(int vk) {
    return Do("key", [vk](ScriptedProgram& p) { p.Key(vk); }).Wait(2);
}

ScriptedProgram& ScriptedProgram::WaitForTheEnd(int maxFrames) {
    Then("the program's end", [](ScriptedProgram&) { return false; }, maxFrames);
    script_.back().endsProgram = true;
    return *this;
}

ScriptedProgram& ScriptedProgram::AltKey(int vk) {
    Do("alt down", [](ScriptedProgram& p) { p.KeyDown(os::VK_MENU); }).Wait(1);
    return TapKey(vk).Do("alt up", [](ScriptedProgram& p) { p.KeyUp(os::VK_MENU); }).Wait(1);
}

ScriptedProgram& ScriptedProgram::Type(const std::string& text) {
    return Do("type", [text](ScriptedProgram& p) { p.Text(text); }).Wait(2);
}

int ScriptedProgram::Run(int frameLimit) {
    frameLimit_ = frameLimit;
    g_running = this;
    realPoll_ = g_ShellCalls.pollInput;
    g_ShellCalls.pollInput = OnFrame;
    // A wait that spins outside the frames (a join, a fighter awaited) would never see the
    // frozen clock move: past many reads without a frame, each read moves it on by 1 ms.
    os::SetTimeSource([this] {
        if (++readsSinceFrame_ > kSpinReads) ++now_;
        return now_;
    });
    // The start-up videos wait for their frames' times: their sleeps move the same clock.
    video::SetSleepFunction([this](uint32_t ms) { now_ += ms; });
    // The game's text table is read while its globals are built, before the entry runs.
    g_TextTable.Load("textos.txt");
    const int code = WinMain(nullptr, nullptr, "", 1);
    video::SetSleepFunction({});
    os::SetTimeSource({});
    g_ShellCalls.pollInput = realPoll_;
    g_running = nullptr;
    if (step_ < script_.size() && script_[step_].endsProgram && failure.empty()) ++step_;
    if (step_ < script_.size() && failure.empty()) failure = "the program ended during step \"" + script_[step_].what + "\"";
    return code;
}

void ScriptedProgram::OnFrame() {
    if (g_running) g_running->Frame_();
}

void ScriptedProgram::Frame_() {
    now_ += frameMs_;
    readsSinceFrame_ = 0;
    ++frame_;
    const int page = g_Menu.active ? g_Menu.page : -1;
    if (page != PAGE_TRANSITION && (pages_.empty() || pages_.back() != page)) pages_.push_back(page);
    for (size_t i = 0; i < later_.size();) {
        if (later_[i].frame <= frame_) {
            auto action = std::move(later_[i].action);
            later_.erase(later_.begin() + long(i));
            action();
        } else {
            ++i;
        }
    }
    if (!closing_) {
        bool stop = false;
        if (frame_ >= frameLimit_) {
            failure = "frame limit reached";
            stop = true;
        } else if (step_ < script_.size()) {
            Scripted& s = script_[step_];
            if (s.step(*this)) {
                ++step_;
                stepFrames_ = 0;
            } else if (++stepFrames_ > s.maxFrames) {
                failure = "gave up waiting for " + s.what + " at frame " + std::to_string(frame_) + " (pages " +
                          PagesText() + ")";
                stop = true;
            }
        }
        if (stop || step_ >= script_.size()) {
            closing_ = true;
            os::PostMessage(os::GetMainWindow(), os::WM_CLOSE, 0, 0);
        }
    }
    if (realPoll_) realPoll_();
}

std::string ScriptedProgram::PagesText() const {
    std::string s;
    for (int p : pages_) s += (s.empty() ? "" : " ") + std::to_string(p);
    return s;
}

void ScriptedProgram::Later(int frames, std::function<void()> action) {
    later_.push_back({frame_ + frames, std::move(action)});
}

// ---- input ----

void ScriptedProgram::Push(const void* event) {
    SDL_Event e = *static_cast<const SDL_Event*>(event);
    if (void* native = os::NativeWindow(os::GetMainWindow()))
        e.window.windowID = SDL_GetWindowID(static_cast<SDL_Window*>(native));
    SDL_PushEvent(&e);
}

void ScriptedProgram::KeyDown(int vk) {
    const KeyCode k = KeyFor(vk);
    SDL_Event e = KeyEvent(true, k.sym, k.scan);
    Push(&e);
}

void ScriptedProgram::KeyUp(int vk) {
    const KeyCode k = KeyFor(vk);
    SDL_Event e = KeyEvent(false, k.sym, k.scan);
    Push(&e);
}

void ScriptedProgram::Key(int vk) {
    KeyDown(vk);
    Later(1, [this, vk] { KeyUp(vk); });
}

void ScriptedProgram::Text(const std::string& text) {
    SDL_Event e = TextEvent(text.c_str());
    Push(&e);
}

namespace {

void ToWindow(float x, float y, int* px, int* py) {
    int w = 0, h = 0;
    os::GetClientSize(os::GetMainWindow(), &w, &h);
    *px = int(x * float(w));
    *py = int(y * float(h));
}

}  // namespace

void ScriptedProgram::MoveTo(float x, float y) {
    int px = 0, py = 0;
    ToWindow(x, y, &px, &py);
    SDL_Event e = MotionEvent(px, py);
    Push(&e);
}

void ScriptedProgram::ButtonDown(float x, float y) {
    int px = 0, py = 0;
    ToWindow(x, y, &px, &py);
    SDL_Event e = ButtonEvent(true, SDL_BUTTON_LEFT, px, py);
    Push(&e);
}

void ScriptedProgram::ButtonUp(float x, float y) {
    int px = 0, py = 0;
    ToWindow(x, y, &px, &py);
    SDL_Event e = ButtonEvent(false, SDL_BUTTON_LEFT, px, py);
    Push(&e);
}

bool ScriptedProgram::MenuButtonPoint(int k, float* x, float* y) {
    if (k < 0 || k >= g_Menu.buttonCount || !g_Scene.camera) return false;
    const Text3D& b = g_Menu.buttons[k];
    if (!b.text) return false;
    const Vec3 mid = Vec3Add(b.position, Vec3Scale(Vec3Add(b.boxMin, b.boxMax), 0.5f));
    int32_t sx = 0, sy = 0;
    if (!WorldToScreen(mid.x, mid.y, mid.z, &sx, &sy, *g_Scene.camera)) return false;
    const float sw = SpriteScreenWidth(), sh = SpriteScreenHeight();
    if (sw <= 0.0f || sh <= 0.0f) return false;
    *x = float(sx) / sw;
    *y = float(sy) / sh;
    return true;
}

}  // namespace testsupport
