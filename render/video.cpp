#include "render/video.h"

Video g_Video;

// Device reset, mode change and viewport tracking arrive with the video object on the
// graphics layer; until then there is no device and these are never reached with one.
bool Video::Reset() { return false; }
bool Video::ChangeMode(const VideoSettings&) { return false; }
void Video::UpdateViewport() {}
