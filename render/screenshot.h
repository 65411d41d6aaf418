#pragma once

// Writes the next free "%sshot%03i.bmp" from the back buffer.
void SaveScreenshot();
