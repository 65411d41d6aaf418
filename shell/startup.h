#pragma once

#include "platform/os/os.h"

struct VideoSettings;

bool InitApp(os::WindowProc proc);
bool InitVideo();
void InitAudio();
// The record for Video::Create and Video::ChangeMode, from Settings.
void FillVideoSettings(VideoSettings* out);
void StartGame();
bool LeaveFrontEnd();
bool ReleaseGame(bool full);
