// Names and bit depths of pixel formats (mode choice and the log), and vertex sizes of
// vertex-format codes.
#pragma once

#include <cstdint>

// Copies the format's name ("D3DFMT_X8R8G8B8", ...; "D3DFMT_UNKNOWN" for any other value) into
// buffer, which must hold at least 16 characters.
void FormatName(uint32_t format, char* buffer);
// Bits per pixel read off the name: for each of X, A, P, R, G, B (in this order) the digit after
// its first occurrence; -1 for "D3DFMT_UNKNOWN". Luminance is not counted (L8 gives 0).
int FormatBits(uint32_t format);

// Bytes of a vertex: 12 for any position, 4 per blend weight, 12 for a normal, 4 for the diffuse
// colour, 8 per texture-coordinate set; RHW, point size and specular add nothing.
uint32_t FvfVertexSize(uint32_t fvf);
// XYZB1..XYZB5 give 1..5, other positions 0.
uint32_t FvfBlendWeightCount(uint32_t fvf);
uint32_t FvfTexCoordCount(uint32_t fvf);
