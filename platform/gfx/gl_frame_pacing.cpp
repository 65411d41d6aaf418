// How far the program may run ahead of the picture: a present waits until the frame before it
// is drawn. Without a bound, a renderer that draws on its own threads (Mesa's software one)
// takes every frame the program hands it and holds each one's work in memory until its turn,
// which grows without end whenever drawing is slower than the game loop.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/gfx/gl_internal.h"

namespace gfx {

namespace {

const char* g_rendererOverride = nullptr;

// Whether `word` stands in `text` with no letter or digit joined to either end of it.
bool HasWord(const std::string& text, const char* word) {
    const size_t n = std::strlen(word);
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        const bool openBefore = at == 0 || !std::isalnum(static_cast<unsigned char>(text[at - 1]));
        const bool openAfter = at + n == text.size() || !std::isalnum(static_cast<unsigned char>(text[at + n]));
        if (openBefore && openAfter) return true;
    }
    return false;
}

}  // namespace

// A layered driver (zink, virgl, d3d12) names the renderer beneath it, so a software one is found
// inside its name too. Hardware names carry "LLVM" as well (AMD's shader compiler): only the
// rasterisers' own names count.
bool IsSoftwareRasteriser(const char* renderer) {
    if (!renderer) return false;
    std::string name(renderer);
    for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
    static const char* const kParts[] = {"llvmpipe", "softpipe", "lavapipe", "swrast", "swiftshader", "software",
                                         "gdi generic", "basic render driver", "mesa x11", "mesa offscreen"};
    for (const char* part : kParts)
        if (name.find(part) != std::string::npos) return true;
    return HasWord(name, "swr");
}

void OverrideGLRendererName(const char* renderer) { g_rendererOverride = renderer; }

namespace gl {

namespace {

// Long enough for any frame, short enough that a wedged driver does not hang the loop.
constexpr GLuint64 kFrameWaitNs = 2000000000ull;

// Marks the end of what was handed over so far, and waits until the mark before it is passed. A
// wait that ends otherwise is told once (`told`): a driver that stops drawing would cost two
// seconds a wait, unseen.
void MarkAndWaitForLast(GLsync* pending, bool* told) {
    GLsync mine = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    if (*pending) {
        const GLenum r = glClientWaitSync(*pending, GL_SYNC_FLUSH_COMMANDS_BIT, kFrameWaitNs);
        if ((r == GL_TIMEOUT_EXPIRED || r == GL_WAIT_FAILED) && !*told) {
            *told = true;
            std::fprintf(stderr, "gfx: %s; the game goes on without waiting for it\n",
                         r == GL_TIMEOUT_EXPIRED ? "the OpenGL driver has not drawn a frame in two seconds"
                                                 : "waiting for the OpenGL driver to draw failed");
        }
        glDeleteSync(*pending);
    }
    *pending = mine;
}

void Forget(GLsync* pending) {
    if (*pending) glDeleteSync(*pending);
    *pending = nullptr;
}

}  // namespace

// Decided once, from the driver's name: a hardware driver is not asked to hand a frame over.
void GLDevice::ChooseHandOver() {
    const char* driver = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    handsOverParts_ = IsSoftwareRasteriser(g_rendererOverride ? g_rendererOverride : driver);
}

void GLDevice::PaceFrames() {
    drawsThisPart_ = 0;
    if (fenceSync) MarkAndWaitForLast(&framePending_, &waitFailureTold_);
}

// Mesa's software rasteriser keeps the work of every draw until what it was handed is drawn, tens
// of kilobytes a draw that changes texture: a burst of a thousand effect sprites held tens of
// megabytes, twice over beside the frame before it. Handed over in parts, each waiting until the
// part before it is drawn, a frame holds two parts at most, and the rasteriser starts on a long
// frame while the rest of it is made. Parts handed over without the wait piled up instead.
// A hardware driver is left alone: a wait inside a frame would keep the program at most two parts
// ahead of the GPU, and a flush inside a frame makes a tiled GPU write out and read back every tile.
void GLDevice::HandOverLongFrame() {
    if (!handsOverParts_ || ++drawsThisPart_ < kGLDrawsPerHandOver) return;
    drawsThisPart_ = 0;
    if (fenceSync) MarkAndWaitForLast(&partPending_, &waitFailureTold_);
    glFlush();
}

void GLDevice::ForgetPendingFrame() {
    Forget(&framePending_);
    Forget(&partPending_);
}

}  // namespace gl
}  // namespace gfx
