// A frame's OpenGL batches as the game submits them, caught at the draw and buffer-upload entry
// points while a recording is open, and their replay through a minimal hand-written OpenGL path
// in another context that shares the game's textures and buffers.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace benchsupport {

class FrameRecording {
public:
    FrameRecording();
    ~FrameRecording();
    // Whether this build catches draws at all (the linker's wrappers exist on x86-64 only).
    static bool Available();
    // Catches what the game's context submits until Stop.
    void Start();
    void Stop();
    size_t Draws() const;
    // Replays into the current context: the uploads as they came, each draw's matrices, texture,
    // lights and states set only where they differ from the draw before.
    void Replay();

    struct Event;
    // Called by the wrapped entry points.
    void CatchDrawCall(unsigned mode, int first, int count, unsigned indexType, const void* indices);
    void CatchUploadCall(unsigned target, intptr_t offset, intptr_t size, const void* data, unsigned usage);

private:
    std::vector<Event> events_;
};

// The hand-written copies hand a long frame to the driver as the game's OpenGL device does (on a
// software rasteriser only, gfx::kGLDrawsPerHandOver draws a part, each waiting until the one
// before it is drawn), so a copy draws the same way and stays a floor: the draws between the two
// calls count, from 0 each time. The copy's context must be current at the first call.
void BeginRawDrawing();
void EndRawDrawing();

}  // namespace benchsupport
