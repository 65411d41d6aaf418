// Writes small MPEG-1 system streams for tests and the demo data: flat grey frames whose
// brightness is known per frame (or pictures painted by the caller), and a sine tone, encoded
// in-process with FFmpeg's mpeg1video and mp2 encoders. The same description gives the same
// bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace video {

struct TestClipSpec {
    int width = 160;
    int height = 120;
    int fps = 25;       // an MPEG-1 rate: 24, 25, 30, 50 or 60
    int frames = 25;
    int videoBitRate = 400000;
    // Luma of frame i is firstLuma + i * lumaStep, kept within 16..235.
    int firstLuma = 40;
    int lumaStep = 6;
    // No audio stream when toneHz is 0. The tone lasts as long as the frames.
    double toneHz = 440.0;
    int sampleRate = 44100;
    int channels = 2;
    double toneAmplitude = 0.5;   // of full scale
    // When set, paints frame i into the Y, U and V planes (4:2:0) instead of the flat grey.
    std::function<void(int frame, uint8_t* const planes[3], const int strides[3])> paint;
};

// The luma the writer gives frame i.
int TestClipLuma(const TestClipSpec& spec, int frame);

// False with a reason in *error when the clip cannot be written.
bool WriteTestClip(const char* path, const TestClipSpec& spec, std::string* error);

}  // namespace video
