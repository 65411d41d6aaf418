#include "render/screenshot.h"

// Filled by the screenshot writer of the graphics layer.
void SaveScreenshot() {}
