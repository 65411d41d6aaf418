#pragma once

namespace gfx { class Device; }

// Writes the next free "BrmVshot%03i.bmp" (000..999; 999 is overwritten once all exist) in the
// working folder: the device's back buffer as a 24-bit bottom-up BMP, rows padded to 4 bytes.
// Any failure ends it quietly. Returns 0.
int SaveScreenshot(gfx::Device* device);
// The same with the video object's device; nothing happens while there is none.
int SaveScreenshot();
