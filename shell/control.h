// Player control and the game frame: the local fighter, the key bindings, the action slots of
// eight players, the frame time and one-second tick, and the camera parameters of the control
// modes.
#pragma once

#include <cstdint>

#include "common/math.h"

class Character;
class CharacterModel;
class ParticleEmitter;
class EffectList;

constexpr int CONTROL_PLAYERS = 8;
constexpr int CONTROL_ACTIONS = 51;
constexpr int32_t BINDING_NONE = -1;
constexpr uint32_t DOUBLE_PRESS_MS = 200;
constexpr uint32_t MAX_FRAME_MS = 100;

// The actions whose roles the frame itself needs.
enum ControlAction {
    ACTION_FORWARD = 0,
    ACTION_BACK = 1,
    ACTION_STEP_LEFT = 2,
    ACTION_STEP_RIGHT = 3,
};

// Two virtual keys (mouse buttons are keys 1 and 2) and one index into the merged controller
// action values; -1 means none.
struct KeyBinding {
    int32_t key1;
    int32_t key2;
    int32_t deviceAction;
};

struct ActionSlot {
    uint8_t held;
    uint8_t doublePress;
    uint8_t pressed;        // for the frame in which the press was read
    uint8_t released;       // for the frame in which the release was read
    uint32_t pressTime;     // system milliseconds of the last press
    int32_t heldMs;         // since that press while held; -1 after a clear
};

class Control {
public:
    Character* localCharacter;      // the local fighter, null when none
    float strafeAngle[CONTROL_PLAYERS];
    float strafeTarget[CONTROL_PLAYERS];
    int32_t selectedPower;          // -1 none, 0..8 power index
    Character* aimCharacter;
    Vec3 aimPoint;
    uint8_t targetMarker;
    KeyBinding bindings[CONTROL_ACTIONS];
    ActionSlot slots[CONTROL_PLAYERS][CONTROL_ACTIONS];
    int32_t comboIndex;             // -1 none
    int32_t comboStep;
    uint32_t stepTime;
    int32_t frameMs;
    float frameSeconds;
    uint32_t lastFrameTime;         // clock 0; 0 before the first frame
    uint8_t secondTick;
    uint32_t tickBase;              // clock 0 time from which the next second counts
    CharacterModel* viewerModel;
    float viewerRate;
    int32_t viewerBlend;
    uint8_t showBones;
    int32_t controlMode;            // 0 free, 1 viewer orbit, 2 fly, 3 match, 4 menu camera
    int32_t previousMode;
    float cameraPitch;
    float cameraYawOffset;
    float reservedAngle;
    float cameraDistance;
    float cameraDistanceTarget;
    Vec3 cameraTarget;
    Vec3 cameraEye;
    Vec3 placedTarget;
    Vec3 placedEye;
    ParticleEmitter* particleCurtain;   // owned by the scene's effect list, never deleted here
    uint8_t octreeDraw;
    int32_t fillMode;
    uint8_t invertedControls;
    uint32_t inversionStart;        // clock 0
    uint32_t inversionDuration;     // ms
    // A press made early in an attack or jump waits here for the animation's chain frame.
    uint8_t attackChainLatch;
    uint8_t jumpChainLatch;

    // Everything zero and none, then the viewer's rate and blend and the default keys (a zeroed
    // binding would name key 0 and the first controller axis for every action).
    Control();

    // Match start.
    void Init();
    void SetDefaultKeys();
    void UpdateInput();
    void ReadAction(int player, int action);
    void StartInvertedControls(uint32_t ms);
    void ClearActionSlot(int player, int action);

    // The game frame.
    void RunFrame();
    void UpdateMouseHoldTimes();
    void UpdateCharacterDetail();
    void RequestLeaveMatch();

    // Control modes and camera.
    void SelectMode();
    void SetMode(int mode);
    void UpdateCamera(float frameSeconds);
    void UpdateFreeCamera();
    void UpdateViewerCamera();
    void UpdateFlyCamera(float seconds);
    void UpdateFollowCamera();
    void SetCamera(const Vec3& eye, const Vec3& target);
    // The match camera's eye and target behind a fighter, pulled in before walls.
    void PlaceCamera(Character* character, Vec3* eye, Vec3* target, uint8_t* pulledIn);

    // Local fighter control.
    void UpdateAimPoint();
    void UpdateMouseLook(Character* character, int player);
    void ApplyLocalActions(Character* character, int player);
    void ApplyDirectMovement(Character* character, int player);
    void ApplyAttackInput(Character* character, int player);
    void UpdateBackOff(Character* character, int player);
    void UpdatePowerCombo(Character* character, int player);
    bool IsComboStepDown(int player, int action, bool doublePress, bool hold) const;
    bool IsComboStepInTime(bool doublePress, bool hold, uint32_t now) const;
    void UpdateCharacters();

    // Viewer hotkeys and the viewer's animation cues.
    void PlayViewerAnimationSounds();
    void ViewerNextAnimation();
    void ViewerPrevAnimation();
    void ToggleFreeCamera();
    void ToggleOctreeDraw();
    void CycleFillMode();
    void ViewerToggleSkeleton();
    void ViewerCameraToModel();
    void ToggleCurtain();
    void ViewerShorterBlend();
    void ViewerLongerBlend();
    void ViewerSlower();
    void ViewerFaster();
    void ViewerReloadAnimations();
    void ViewerLevelDown();
    void ViewerLevelUp();
    void ViewerToggleLighting();
    void RandomLook();

    // Screen and camera effect requests.
    void StartCameraShake();
    void StartCameraFlip();
    void StartCameraSpin();
    void StartScreenPulse();
    void StartParticleCurtain();
    // The screen effect of a power or item type (52 shake, 53 flip, 54 inverted controls for 15 s,
    // 55 spin, 56 pulse, 57 curtain); other types do nothing.
    void StartScreenEffect(int type);
    void UpdateParticleCurtain();
};

extern Control g_Control;

// The calls the game frame makes into other subsystems and into the later parts of Control,
// gathered so that tests can watch their order. They point at the real functions unless a test
// replaces them.
struct FrameCalls {
    void (*sceneUpdate)(int frameMs);
    void (*updateInput)(Control& control);
    void (*netProcessIncoming)();
    void (*packetFlush)();
    void (*updateAimPoint)(Control& control);
    void (*updateMouseLook)(Control& control, Character* character, int player);
    void (*applyLocalActions)(Control& control, Character* character, int player);
    void (*updateCharacters)(Control& control);
    void (*scenarioUpdateAmbient)(int frameMs);
    void (*matchUpdate)();
    void (*playViewerAnimationSounds)(Control& control);
    void (*updateCamera)(Control& control, float frameSeconds);
    void (*selectLevelOfDetail)(Character* character);
    void (*updateEffects)(uint32_t frameMs);
    void (*hudUpdateMarkers)();
    void (*mapEditorTick)();
};
extern FrameCalls g_FrameCalls;
void ResetFrameCalls();

// Puts the pointer in the middle of the window (the warp produces a mouse move).
void CenterCursor();
