// How far the program may run ahead of the picture: a present waits until the frame before it
// is drawn. Without a bound, a renderer that draws on its own threads (Mesa's software one)
// takes every frame the program hands it and holds each one's work in memory until its turn,
// which grows without end whenever drawing is slower than the game loop.
#include "platform/gfx/gl_internal.h"

namespace gfx::gl {

namespace {

// Long enough for any frame, short enough that a wedged driver does not hang the loop.
constexpr GLuint64 kFrameWaitNs = 2000000000ull;

}  // namespace

void GLDevice::PaceFrames() {
    if (!fenceSync) return;
    GLsync mine = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    if (framePending_) {
        glClientWaitSync(framePending_, GL_SYNC_FLUSH_COMMANDS_BIT, kFrameWaitNs);
        glDeleteSync(framePending_);
    }
    framePending_ = mine;
}

void GLDevice::ForgetPendingFrame() {
    if (framePending_) glDeleteSync(framePending_);
    framePending_ = nullptr;
}

}  // namespace gfx::gl
