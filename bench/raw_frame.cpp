#define GL_GLEXT_PROTOTYPES 1
#include "raw_frame.h"

#include <GL/glext.h>

#include <algorithm>
#include <cstring>

#include "render/geometry.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/character_model.h"
#include "scene/character_shadow.h"
#include "scene/object_list.h"
#include "scene/scene.h"

namespace benchsupport {

namespace {

const void* At(size_t offset) { return reinterpret_cast<const void*>(offset); }

// One-colour 64 x 64 textures, as the game loads them: mipmapped when its device is.
void MakeSolidTextures(GLuint* ids, int count, uint32_t (*colour)(int), bool mipmapped) {
    glGenTextures(count, ids);
    for (int t = 0; t < count; ++t) {
        std::vector<uint32_t> pixels(64 * 64, colour(t));
        glBindTexture(GL_TEXTURE_2D, ids[t]);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 64, 64, 0, GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
        if (mipmapped) glGenerateMipmap(GL_TEXTURE_2D);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, mipmapped ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    }
}

bool Visible(const float box[6]) {
    return g_Scene.camera->BoxVisible(AxisBox{{box[3], box[4], box[5]}, {box[0], box[1], box[2]}});
}

void Colour(uint32_t argb, float out[4]) {
    out[0] = float((argb >> 16) & 0xFF) / 255.0f, out[1] = float((argb >> 8) & 0xFF) / 255.0f;
    out[2] = float(argb & 0xFF) / 255.0f, out[3] = float(argb >> 24) / 255.0f;
}

// The two-bone blend of the characters: bone 0 takes the vertex's weight w, bone 1 the rest, so
// a point goes to p B + w p (A - B); a normal likewise without the translation. Six floats out
// per vertex: position, normal.
void SkinTwoBones(const float* __restrict x, const float* __restrict y, const float* __restrict z,
                  const float* __restrict nx, const float* __restrict ny, const float* __restrict nz,
                  const float* __restrict weight, size_t count, const Mat4& a, const Mat4& b, float* __restrict out) {
    float m[4][3], d[4][3];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c) m[r][c] = b.m[r][c], d[r][c] = a.m[r][c] - b.m[r][c];
    for (size_t i = 0; i < count; ++i) {
        const float px = x[i], py = y[i], pz = z[i], qx = nx[i], qy = ny[i], qz = nz[i], w = weight[i];
        float* o = out + 6 * i;
        for (int c = 0; c < 3; ++c) {
            const float base = px * m[0][c] + py * m[1][c] + pz * m[2][c] + m[3][c];
            const float delta = px * d[0][c] + py * d[1][c] + pz * d[2][c] + d[3][c];
            o[c] = base + w * delta;
            const float nBase = qx * m[0][c] + qy * m[1][c] + qz * m[2][c];
            const float nDelta = qx * d[0][c] + qy * d[1][c] + qz * d[2][c];
            o[3 + c] = nBase + w * nDelta;
        }
    }
}

}  // namespace

RawFrame::RawFrame(const FrameConfig& config, const GameScene& game)
    : config_(config), window_(int(kFrameWidth), int(kFrameHeight), false) {
    if (!window_.Ready()) return;
    // What stays for every frame: the target, the tests, the texture stage, the material.
    glViewport(0, 0, GLsizei(kFrameWidth), GLsizei(kFrameHeight));
    float clear[4];
    Colour(0xFF1A334Du, clear);
    glClearColor(clear[0], clear[1], clear[2], clear[3]);
    glClearStencil(0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CW);
    glCullFace(GL_BACK);
    glEnable(GL_TEXTURE_2D);
    gfx::Device* device = g_Video.device;
    gfx::Material material{};
    device->GetMaterial(&material);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, &material.Ambient.r);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, &material.Diffuse.r);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, &material.Specular.r);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, &material.Emissive.r);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, std::clamp(material.Power, 0.0f, 128.0f));
    uint32_t ambient = 0, normalize = 0;
    device->GetRenderState(gfx::D3DRS_AMBIENT, &ambient);
    device->GetRenderState(gfx::D3DRS_NORMALIZENORMALS, &normalize);
    float global[4];
    Colour(ambient, global);
    global[3] = 1.0f;
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, global);
    if (normalize) glEnable(GL_NORMALIZE);
    const float none[4] = {0, 0, 0, 1};
    for (int i = 0; i < 4; ++i) {
        glLightfv(GLenum(GL_LIGHT0 + i), GL_AMBIENT, none);
        glLightfv(GLenum(GL_LIGHT0 + i), GL_SPECULAR, none);
    }
    const bool mipmapped = game.Mipmapped();
    MakeSolidTextures(textures_, kTextures, TextureColour, mipmapped);
    if (config.world) SetUpWorld(game);
    if (config.characters) SetUpCharacters(game);
    if (config.panes) SetUpPanes(mipmapped);
    darkness_ = float(kShadowDarkness) / 255.0f;
    window_.Restore();
    ready_ = true;
}

RawFrame::~RawFrame() {
    if (!window_.Ready()) return;
    window_.MakeCurrent();
    glDeleteTextures(kTextures, textures_);
    glDeleteBuffers(kGroups, groupVertices_);
    glDeleteBuffers(kGroups, groupIndices_);
    const GLuint others[7] = {skinStream_,   skinTexCoords_, skinIndices_, volumeStream_,
                              overlayQuad_, paneVertices_,  paneIndices_};
    glDeleteBuffers(7, others);
    glDeleteTextures(kPaneTextures, paneTextures_);
}

void RawFrame::SetUpWorld(const GameScene& game) {
    const SceneData& d = FrameSceneData();
    glGenBuffers(kGroups, groupVertices_);
    glGenBuffers(kGroups, groupIndices_);
    for (int g = 0; g < kGroups; ++g) {
        const auto& vertices = d.groupVertices[size_t(g)];
        const auto& indices = d.groupIndices[size_t(g)];
        glBindBuffer(GL_ARRAY_BUFFER, groupVertices_[g]);
        glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertices.size() * sizeof(WorldVertex)), vertices.data(),
                     GL_STATIC_DRAW);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, groupIndices_[g]);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(indices.size() * 2), indices.data(), GL_STATIC_DRAW);
    }
    if (config_.lit)
        for (int m = 0; m < kMeshes; ++m) meshLights_.push_back(game.LightsForBox(d.meshBoxes[size_t(m)].data()));
    // By texture, then by buffer: on the software rasteriser every change of texture stores the
    // whole fragment state anew, a change of buffer does not.
    for (int t = 0; t < kTextures; ++t)
        for (int m = t; m < kMeshes; m += kTextures) worldOrder_.push_back(m);
}

void RawFrame::SetUpCharacters(const GameScene& game) {
    const SceneData& d = FrameSceneData();
    for (const SkinVertex& v : d.skinVertices) {
        bind_.x.push_back(v.x), bind_.y.push_back(v.y), bind_.z.push_back(v.z);
        bind_.nx.push_back(v.nx), bind_.ny.push_back(v.ny), bind_.nz.push_back(v.nz);
        bind_.weight.push_back(v.weight);
    }
    std::vector<float> texCoords;
    std::vector<uint16_t> indices;
    for (int c = 0; c < kCharacters; ++c) {
        for (const SkinVertex& v : d.skinVertices) texCoords.insert(texCoords.end(), {v.u, v.v});
        for (uint16_t i : d.skinIndices) indices.push_back(uint16_t(i + c * kSkinVertices));
    }
    glGenBuffers(1, &skinTexCoords_);
    glBindBuffer(GL_ARRAY_BUFFER, skinTexCoords_);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(texCoords.size() * 4), texCoords.data(), GL_STATIC_DRAW);
    glGenBuffers(1, &skinIndices_);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, skinIndices_);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(indices.size() * 2), indices.data(), GL_STATIC_DRAW);
    glGenBuffers(1, &skinStream_);
    glBindBuffer(GL_ARRAY_BUFFER, skinStream_);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(size_t(kCharacters) * kSkinVertices * 6 * 4), nullptr, GL_STREAM_DRAW);
    for (ObjectListNode* n = g_Scene.characterModels->head; n; n = n->next)
        characterLights_.push_back(game.LightsForBox(static_cast<CharacterModel*>(n->object)->box));
    glGenBuffers(1, &volumeStream_);
    // Clockwise on the screen, as the faces the culling keeps.
    const float quad[8] = {-1, 1, 1, 1, -1, -1, 1, -1};
    glGenBuffers(1, &overlayQuad_);
    glBindBuffer(GL_ARRAY_BUFFER, overlayQuad_);
    glBufferData(GL_ARRAY_BUFFER, sizeof quad, quad, GL_STATIC_DRAW);
}

void RawFrame::SetUpPanes(bool mipmapped) {
    const SceneData& d = FrameSceneData();
    MakeSolidTextures(paneTextures_, kPaneTextures, PaneTextureColour, mipmapped);
    glGenBuffers(1, &paneVertices_);
    glBindBuffer(GL_ARRAY_BUFFER, paneVertices_);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(d.paneVertices.size() * sizeof(PaneVertex)), d.paneVertices.data(),
                 GL_STATIC_DRAW);
    glGenBuffers(1, &paneIndices_);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, paneIndices_);
    // Refilled each frame with the triangles in the order they are drawn.
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(d.paneIndices.size() * 2), nullptr, GL_STREAM_DRAW);
    paneSorted_.resize(d.paneIndices.size());
    paneOrder_.resize(d.paneCentres.size());
    paneDistances_.resize(d.paneCentres.size());
}

void RawFrame::UseLights(const LightSet& set) {
    for (int i = 0; i < 4; ++i) {
        const GLenum light = GLenum(GL_LIGHT0 + i);
        const bool had = lightsKnown_ && i < lights_.count;
        if (i >= set.count) {
            if (had || !lightsKnown_) glDisable(light);
            continue;
        }
        // Only what differs from the light the slot holds: mostly the colour, which the game
        // fades with the distance of each box.
        const gfx::Light& l = set.lights[i];
        const gfx::Light* was = had ? &lights_.lights[i] : nullptr;
        auto same = [](const auto& a, const auto& b) { return std::memcmp(&a, &b, sizeof a) == 0; };
        if (!was || !same(l.Diffuse, was->Diffuse)) glLightfv(light, GL_DIFFUSE, &l.Diffuse.r);
        if (!was || l.Type != was->Type || !same(l.Position, was->Position) || !same(l.Direction, was->Direction)) {
            if (l.Type == gfx::D3DLIGHT_DIRECTIONAL) {
                const float towards[4] = {-l.Direction.x, -l.Direction.y, -l.Direction.z, 0};
                glLightfv(light, GL_POSITION, towards);
            } else {
                const float at[4] = {l.Position.x, l.Position.y, l.Position.z, 1};
                glLightfv(light, GL_POSITION, at);
            }
        }
        if (l.Type != gfx::D3DLIGHT_DIRECTIONAL &&
            (!was || was->Type == gfx::D3DLIGHT_DIRECTIONAL || l.Attenuation0 != was->Attenuation0 ||
             l.Attenuation1 != was->Attenuation1 || l.Attenuation2 != was->Attenuation2)) {
            glLightf(light, GL_CONSTANT_ATTENUATION, l.Attenuation0);
            glLightf(light, GL_LINEAR_ATTENUATION, l.Attenuation1);
            glLightf(light, GL_QUADRATIC_ATTENUATION, l.Attenuation2);
        }
        if (!had) glEnable(light);
    }
    lights_ = set;
    lightsKnown_ = true;
}

void RawFrame::Frame(std::vector<uint32_t>* picture) {
    window_.MakeCurrent();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    // The game's projection with its depth range made OpenGL's and its pixel centres, which lie
    // half a pixel from OpenGL's, kept.
    Mat4 adjust = Mat4Identity();
    adjust.m[2][2] = 2.0f, adjust.m[3][2] = -1.0f;
    adjust.m[3][0] = 1.0f / float(kFrameWidth), adjust.m[3][1] = -1.0f / float(kFrameHeight);
    const Mat4 projection = Mat4Mul(g_Scene.camera->projection, adjust);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(&projection.m[0][0]);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(&g_Scene.camera->view.m[0][0]);
    // The lights' positions were taken under last frame's view.
    lightsKnown_ = false;
    if (config_.world) DrawWorld();
    if (config_.characters && config_.shadows) DrawShadows();
    if (config_.characters) DrawCharacters();
    if (config_.panes) DrawPanes();
    if (picture) {
        picture->resize(size_t(kFrameWidth) * kFrameHeight);
        std::vector<uint32_t> rows(picture->size());
        glReadPixels(0, 0, GLsizei(kFrameWidth), GLsizei(kFrameHeight), GL_BGRA, GL_UNSIGNED_BYTE, rows.data());
        for (uint32_t y = 0; y < kFrameHeight; ++y)
            std::memcpy(&(*picture)[size_t(y) * kFrameWidth], &rows[size_t(kFrameHeight - 1 - y) * kFrameWidth],
                        size_t(kFrameWidth) * 4);
    }
    window_.Swap();
    glFinish();
}

void RawFrame::DrawWorld() {
    const SceneData& d = FrameSceneData();
    const bool lit = config_.lit;
    // The stage modulates the texture by the vertex colour, which is white where nothing lights it.
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, lit ? GL_MODULATE : GL_REPLACE);
    if (lit) glEnable(GL_LIGHTING);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    if (lit) glEnableClientState(GL_NORMAL_ARRAY);
    int texture = -1, group = -1;
    for (int m : worldOrder_) {
        if (!Visible(d.meshBoxes[size_t(m)].data())) continue;
        const int g = SceneData::Group(m);
        if (g != group) {
            group = g;
            glBindBuffer(GL_ARRAY_BUFFER, groupVertices_[g]);
            glVertexPointer(3, GL_FLOAT, sizeof(WorldVertex), At(offsetof(WorldVertex, x)));
            glTexCoordPointer(2, GL_FLOAT, sizeof(WorldVertex), At(offsetof(WorldVertex, u)));
            if (lit) glNormalPointer(GL_FLOAT, sizeof(WorldVertex), At(offsetof(WorldVertex, nx)));
            glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, groupIndices_[g]);
        }
        if (m % kTextures != texture) {
            texture = m % kTextures;
            glBindTexture(GL_TEXTURE_2D, textures_[texture]);
        }
        if (lit) UseLights(meshLights_[size_t(m)]);
        const GLuint first = SceneData::FirstVertex(m);
        glDrawRangeElements(GL_TRIANGLES, first, first + kMeshVertices - 1, kMeshIndices, GL_UNSIGNED_SHORT,
                            At(SceneData::FirstIndex(m) * 2));
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    if (lit) {
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisable(GL_LIGHTING);
    }
}

void RawFrame::DrawPanes() {
    const SceneData& d = FrameSceneData();
    // Farthest first by the squared distance of each triangle's centre from the eye.
    const Vec3 eye = g_Scene.camera->eye;
    for (size_t t = 0; t < d.paneCentres.size(); ++t) {
        const Vec3 v = Vec3Sub(d.paneCentres[t], eye);
        paneDistances_[t] = Vec3Dot(v, v);
        paneOrder_[t] = uint32_t(t);
    }
    std::sort(paneOrder_.begin(), paneOrder_.end(),
              [&](uint32_t a, uint32_t b) { return paneDistances_[a] > paneDistances_[b]; });
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_FALSE);
    glBindBuffer(GL_ARRAY_BUFFER, paneVertices_);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(PaneVertex), At(offsetof(PaneVertex, x)));
    glTexCoordPointer(2, GL_FLOAT, sizeof(PaneVertex), At(offsetof(PaneVertex, u)));
    // The sorted triangles go out in one streamed index buffer, drawn in runs of one texture.
    for (size_t k = 0; k < paneOrder_.size(); ++k)
        std::copy_n(d.paneIndices.begin() + std::ptrdiff_t(paneOrder_[k]) * 3, 3, paneSorted_.begin() + std::ptrdiff_t(k) * 3);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, paneIndices_);
    // Orphaned first, so the frame never waits on the last one's draws.
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(paneSorted_.size() * 2), nullptr, GL_STREAM_DRAW);
    glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, GLsizeiptr(paneSorted_.size() * 2), paneSorted_.data());
    const GLuint last = GLuint(d.paneVertices.size() - 1);
    for (size_t k = 0; k < paneOrder_.size();) {
        const int texture = SceneData::PaneTexture(int(paneOrder_[k] / kPaneTriangles));
        size_t end = k + 1;
        while (end < paneOrder_.size() && SceneData::PaneTexture(int(paneOrder_[end] / kPaneTriangles)) == texture) ++end;
        glBindTexture(GL_TEXTURE_2D, paneTextures_[texture]);
        glDrawRangeElements(GL_TRIANGLES, 0, last, GLsizei((end - k) * 3), GL_UNSIGNED_SHORT, At(k * 6));
        k = end;
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
}

void RawFrame::DrawCharacters() {
    const size_t slot = size_t(kSkinVertices) * 6;
    glBindBuffer(GL_ARRAY_BUFFER, skinStream_);
    auto* out = static_cast<float*>(glMapBufferRange(GL_ARRAY_BUFFER, 0, GLsizeiptr(kCharacters * slot * 4),
                                                     GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_BUFFER_BIT));
    if (!out) return;
    uint32_t visible = 0;  // a bit per character
    int c = 0;
    for (ObjectListNode* n = g_Scene.characterModels->head; n && c < kCharacters; n = n->next, ++c) {
        auto* model = static_cast<CharacterModel*>(n->object);
        if (model->skinMatrices.size() < 2 || !Visible(model->box)) continue;
        SkinTwoBones(bind_.x.data(), bind_.y.data(), bind_.z.data(), bind_.nx.data(), bind_.ny.data(), bind_.nz.data(),
                     bind_.weight.data(), size_t(kSkinVertices), model->skinMatrices[0], model->skinMatrices[1],
                     out + size_t(c) * slot);
        visible |= 1u << c;
    }
    glUnmapBuffer(GL_ARRAY_BUFFER);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_LIGHTING);
    glBindTexture(GL_TEXTURE_2D, textures_[kCharacterTexture]);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 24, At(0));
    glNormalPointer(GL_FLOAT, 24, At(12));
    glBindBuffer(GL_ARRAY_BUFFER, skinTexCoords_);
    glTexCoordPointer(2, GL_FLOAT, 0, At(0));
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, skinIndices_);
    const GLsizei count = GLsizei(FrameSceneData().skinIndices.size());
    for (c = 0; c < kCharacters; ++c) {
        if (!(visible & (1u << c))) continue;
        UseLights(characterLights_[size_t(c)]);
        const GLuint first = GLuint(c * kSkinVertices);
        glDrawRangeElements(GL_TRIANGLES, first, first + kSkinVertices - 1, count, GL_UNSIGNED_SHORT,
                            At(size_t(c) * size_t(count) * 2));
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisable(GL_LIGHTING);
}

void RawFrame::DrawShadows() {
    // Which characters cast, as the game decides it, and their volumes in one buffer.
    const Vec3 eye = g_Scene.camera->eye;
    size_t total = 0;
    std::array<const ModelLoader*, kCharacters> casting{};
    int c = 0;
    for (ObjectListNode* n = g_Scene.characterModels->head; n && c < kCharacters; n = n->next, ++c) {
        auto* model = static_cast<CharacterModel*>(n->object);
        const ModelLoader* s = model->shadow;
        if (!s || s->volumeCount < 3 || model->alpha != 255 || model->invisible || !Visible(model->box) ||
            Vec3Length(Vec3Sub(model->position, eye)) >= SHADOW_CAST_RANGE)
            continue;
        casting[size_t(c)] = s;
        total += s->volumeCount;
    }
    glDisable(GL_TEXTURE_2D);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnable(GL_STENCIL_TEST);
    if (total) {
        glBindBuffer(GL_ARRAY_BUFFER, volumeStream_);
        if (total > volumeCapacity_) {
            volumeCapacity_ = total;
            glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(total * sizeof(Vec3)), nullptr, GL_STREAM_DRAW);
        }
        auto* out = static_cast<Vec3*>(glMapBufferRange(GL_ARRAY_BUFFER, 0, GLsizeiptr(total * sizeof(Vec3)),
                                                        GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_BUFFER_BIT));
        for (const ModelLoader* s : casting)
            if (s && out) out = std::copy_n(s->volume.data(), s->volumeCount, out);
        glUnmapBuffer(GL_ARRAY_BUFFER);
        glVertexPointer(3, GL_FLOAT, 0, At(0));
        glDepthMask(GL_FALSE);
        glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
        glStencilFunc(GL_ALWAYS, 1, 0xFFFFFFFFu);
        // The counts wrap as the game's do, so the order of the volumes does not matter.
        glStencilOp(GL_KEEP, GL_KEEP, GL_INCR_WRAP);
        glDrawArrays(GL_TRIANGLES, 0, GLsizei(total));
        glCullFace(GL_FRONT);
        glStencilOp(GL_KEEP, GL_KEEP, GL_DECR_WRAP);
        glDrawArrays(GL_TRIANGLES, 0, GLsizei(total));
        glCullFace(GL_BACK);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glDepthMask(GL_TRUE);
    }
    // The darkening quad over the whole window where the count is at least 1.
    glStencilFunc(GL_LEQUAL, 1, 0xFFFFFFFFu);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glBindBuffer(GL_ARRAY_BUFFER, overlayQuad_);
    glVertexPointer(2, GL_FLOAT, 0, At(0));
    glColor4f(0, 0, 0, darkness_);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glColor4f(1, 1, 1, 1);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_STENCIL_TEST);
    glEnable(GL_TEXTURE_2D);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

}  // namespace benchsupport
