#include "frontend/settings_files.h"
#include "platform/os/path.h"
#include "render/gamma.h"
#include "shell/control.h"
#include "shell/input_system.h"
#include "shell/music.h"
#include "shell/sound.h"

namespace {

constexpr OptionsShellCalls kRealCalls = {
    [] { g_Control.SetDefaultKeys(); },
    [](StoredKeys out[OPTION_KEY_BINDINGS]) {
        for (int i = 0; i < OPTION_KEY_BINDINGS; ++i) {
            const KeyBinding& b = g_Control.bindings[i];
            out[i] = StoredKeys{b.key1, b.key2, b.deviceAction};
        }
    },
    [](const StoredKeys in[OPTION_KEY_BINDINGS]) {
        for (int i = 0; i < OPTION_KEY_BINDINGS; ++i)
            g_Control.bindings[i] = KeyBinding{in[i].key1, in[i].key2, in[i].deviceAction};
    },
    os::GetComputerName,
    [] { return g_Input.FindActiveControl(); },
    GetFirstPressedKey,
    TranslateKeyToAscii,
    [](float value) { SetBrightness(value); },
    [](int32_t volume) {
        if (MusicPlayer* music = g_SoundManager.musicPlayer) music->SetVolume(volume);
    },
};

}  // namespace

OptionsShellCalls g_OptionsShellCalls = kRealCalls;

void ResetOptionsShellCalls() { g_OptionsShellCalls = kRealCalls; }
