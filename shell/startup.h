#pragma once

#include <cstdint>

#include "platform/os/os.h"

struct VideoSettings;

// Where the start-up takes the random generator's seed: the time of day, unless a test gives
// its own so that a run repeats.
using StartupSeedSource = uint32_t (*)();
extern StartupSeedSource g_StartupSeed;
void ResetStartupSeed();

bool InitApp(os::WindowProc proc);
bool InitVideo();
void InitAudio();
// The record for Video::Create and Video::ChangeMode, from Settings.
void FillVideoSettings(VideoSettings* out);
void StartGame();
// The local fighter: the first active one of the local side, with its default power.
void ChooseLocalFighter();
// The scenario viewer's figures of the loaded path map: impassable sectors, walkable surface
// (one square metre per layer) and jump points.
void CountPathMapStatistics();
bool LeaveFrontEnd();
bool ReleaseGame(bool full);
