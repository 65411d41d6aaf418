// The whole program run through its own entry and message loop, driven by a script: SDL key,
// text and mouse events pushed into the OS layer at given frames, on a fake millisecond clock
// that advances a fixed step before every frame. The script is a list of steps; each step runs
// once a frame until it reports that it is done, and the next one starts at the following frame.
// A run ends when the script does (the window is closed), when a step gives up, or at the frame
// limit. The menu's pages, the files the program writes and the pixels of the last frame drawn
// can be looked at from inside the steps and afterwards.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

class ScopedWorkDir;
class Text3D;
struct TextLabel;
struct ImageButton;
struct MenuButton;
struct MenuPanel;

namespace testsupport {

// The settings, the front-end data, saved players of both sides and the fighter kit's arena as
// scenario 1 (both skeletons, the items and the element map of every game kind) in the working
// folder, with the menu on and test mode off unless asked (in test mode Escape on the menu ends
// the program, and Alt with a letter reaches the match's test keys).
struct ScriptedFolder {
    int playersPerSide = 4;
    bool sound = false;
    bool music = false;
    bool testMode = false;
};
void WriteScriptedFolder(const ScopedWorkDir& dir, const ScriptedFolder& folder = {});
// Players of both sides (named "JugO0".., "JugV0"..; slot n at level n) saved into the training,
// multiplayer and other save folders of a data folder.
void WriteSavedPlayers(const std::string& folder, int perSide);
// The settings file of a data folder written by someone else (the demo data) turned to the menu
// with the debug log on; the other keys stay.
void OpenMenuInSettings(const std::string& folder);
// The keys of a data folder's settings file set to the values; the other keys stay.
void SetKeysInSettings(const std::string& folder, const std::map<std::string, std::string>& keys);

// A picture read back from the device: 0xAARRGGBB, top row first.
struct FramePixels {
    int width = 0, height = 0;
    std::vector<uint32_t> argb;
    uint32_t At(int x, int y) const { return argb[size_t(y) * size_t(width) + size_t(x)]; }
    // Pixels in the rectangle (screen fractions) that differ from `background` by more than
    // `tolerance` in some channel.
    int CountDiffering(float x, float y, float w, float h, uint32_t background, int tolerance = 24) const;
    // The colour met most often in the rectangle.
    uint32_t MostCommon(float x, float y, float w, float h) const;
    // The pixels of a single-line label's box (from its anchor, alignment and measured size)
    // that differ from the colour met most often there: its ink over a plain background.
    int LabelInk(const TextLabel& label) const;
};

class ScriptedProgram {
public:
    using Step = std::function<bool(ScriptedProgram&)>;

    explicit ScriptedProgram(uint32_t frameMs = 33);
    ~ScriptedProgram();
    ScriptedProgram(const ScriptedProgram&) = delete;
    ScriptedProgram& operator=(const ScriptedProgram&) = delete;

    // ---- the script ----
    // A step that runs each frame until it returns true; it gives up (the run fails with `what`)
    // after `maxFrames` frames.
    ScriptedProgram& Then(const char* what, Step step, int maxFrames = 900);
    // A step done in one frame.
    ScriptedProgram& Do(const char* what, std::function<void(ScriptedProgram&)> action);
    ScriptedProgram& Wait(int frames);
    ScriptedProgram& WaitUntil(const char* what, std::function<bool()> condition, int maxFrames = 900);
    // Until the menu shows `page` with its screen built and no fade running.
    ScriptedProgram& WaitForPage(int page, int maxFrames = 900);
    // The left button held on 3D button k of the menu's page until the page changes.
    ScriptedProgram& ChooseMenuButton(int k, int maxFrames = 900);
    // A press and, two frames later, the release at a point (screen fractions).
    ScriptedProgram& ClickAt(float x, float y);
    // The same at the point `where` gives once the step starts (false: asked again next frame).
    using Locate = std::function<bool(float* x, float* y)>;
    ScriptedProgram& ClickWhere(const char* what, Locate where, int maxFrames = 300);
    // The left button pressed at `from`, moved to `to` over `frames` frames and released there.
    ScriptedProgram& Drag(const char* what, Locate from, Locate to, int frames = 6);
    // Clicks at `where` (three frames apart) until `done` holds; gives up after `maxClicks`.
    ScriptedProgram& ClickUntil(const char* what, Locate where, std::function<bool()> done, int maxClicks = 8);
    ScriptedProgram& TapKey(int vk);
    // The key pressed and released while Alt is held.
    ScriptedProgram& AltKey(int vk);
    ScriptedProgram& Type(const std::string& text);
    // The last step: the program ends by itself within `maxFrames` frames.
    ScriptedProgram& WaitForTheEnd(int maxFrames = 300);

    // Runs the program's entry until the script ends; returns its exit code. `failure` tells why
    // a run stopped early, empty when the script ran to its end.
    int Run(int frameLimit = 20000);
    std::string failure;

    // ---- input, from inside a step: reaches the program as window messages before the next frame ----
    void KeyDown(int vk);
    void KeyUp(int vk);
    // Down now, up at the next frame.
    void Key(int vk);
    void Text(const std::string& text);
    // Screen fractions of the client area.
    void MoveTo(float x, float y);
    void ButtonDown(float x, float y);
    void ButtonUp(float x, float y);
    // The middle of 3D button k, in screen fractions; false when it is not there.
    static bool MenuButtonPoint(int k, float* x, float* y);
    // The middle of a widget in screen fractions; false while it is not shown.
    static bool Middle(const ImageButton& b, float* x, float* y);
    static bool Middle(const MenuButton& b, float* x, float* y);
    static bool Middle(const MenuPanel& p, float* x, float* y);
    // The clock's step before each frame from now on (a match's minutes pass in fewer frames).
    void SetFrameMs(uint32_t ms) { frameMs_ = ms; }
    // Screen pixels of the program's 2D layer as screen fractions.
    static float FractionX(float px);
    static float FractionY(float py);

    // ---- what the program did ----
    int Frame() const { return frame_; }
    uint32_t Now() const { return now_; }
    // Every menu page seen at the start of a frame, each change once, the transition page left out.
    const std::vector<int>& Pages() const { return pages_; }
    std::string PagesText() const;
    // The picture of the last frame drawn; empty when there is no device.
    static FramePixels ReadFrame();

private:
    struct Timed {
        int frame;
        std::function<void()> action;
    };
    struct Scripted {
        std::string what;
        Step step;
        int maxFrames;
        bool endsProgram = false;
    };
    static void OnFrame();
    void Frame_();
    void Push(const void* event);
    void Later(int frames, std::function<void()> action);

    static constexpr uint32_t kSpinReads = 20000;
    uint32_t frameMs_;
    uint32_t readsSinceFrame_ = 0;
    uint32_t now_ = 100000;
    int frame_ = 0;
    int frameLimit_ = 0;
    size_t step_ = 0;
    int stepFrames_ = 0;
    bool closing_ = false;
    std::vector<Scripted> script_;
    std::vector<Timed> later_;
    std::vector<int> pages_;
    void (*realPoll_)() = nullptr;
};

}  // namespace testsupport
