// How far the program may run ahead of the picture: a present waits until the frame before it
// is drawn. Without a bound, a renderer that draws on its own threads (Mesa's software one)
// takes every frame the program hands it and holds each one's work in memory until its turn,
// which grows without end whenever drawing is slower than the game loop.
#include "platform/gfx/gl_internal.h"

namespace gfx::gl {

namespace {

// Long enough for any frame, short enough that a wedged driver does not hang the loop.
constexpr GLuint64 kFrameWaitNs = 2000000000ull;

// Marks the end of what was handed over so far, and waits until the mark before it is passed.
void MarkAndWaitForLast(GLsync* pending) {
    GLsync mine = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    if (*pending) {
        glClientWaitSync(*pending, GL_SYNC_FLUSH_COMMANDS_BIT, kFrameWaitNs);
        glDeleteSync(*pending);
    }
    *pending = mine;
}

void Forget(GLsync* pending) {
    if (*pending) glDeleteSync(*pending);
    *pending = nullptr;
}

}  // namespace

void GLDevice::PaceFrames() {
    if (fenceSync) MarkAndWaitForLast(&framePending_);
}

// Mesa's software rasteriser keeps the work of every draw until what it was handed is drawn, tens
// of kilobytes a draw that changes texture: a burst of a thousand effect sprites held tens of
// megabytes, twice over beside the frame before it. Handed over in parts, each waiting until the
// part before it is drawn, a frame holds two parts at most, and the rasteriser starts on a long
// frame while the rest of it is made. Parts handed over without the wait piled up instead.
void GLDevice::HandOverLongFrame() {
    if (++drawsSinceHandOver_ < kGLDrawsPerHandOver) return;
    drawsSinceHandOver_ = 0;
    if (fenceSync) MarkAndWaitForLast(&partPending_);
    glFlush();
}

void GLDevice::ForgetPendingFrame() {
    Forget(&framePending_);
    Forget(&partPending_);
}

}  // namespace gfx::gl
