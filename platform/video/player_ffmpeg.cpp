#include "platform/video/video.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <GL/gl.h>
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/audio/sound.h"

namespace video {

namespace {

std::mutex g_sleepLock;
std::function<void(uint32_t)> g_sleep;

// The sound runs this far ahead of what has been heard, in a ring of twice that.
constexpr uint32_t kRingSeconds = 2;
// Audio is decoded this far ahead of the clock so the ring never runs dry between pumps.
constexpr int64_t kAudioLeadMs = 500;
// A stalled sound output (nothing mixing) must not make decoded audio pile up without end.
constexpr uint32_t kMaxPendingSeconds = 5;
// Decoded pictures held at most; beyond this the audio lead gives way.
constexpr size_t kMaxQueuedFrames = 48;
// Time stamps further than this from the previous one are taken as damage, not as a pause.
constexpr int64_t kMaxTimestampJumpMs = 5000;
// Between two services of the sound ring while playing.
constexpr uint32_t kServiceMs = 20;

constexpr int kOutChannels = 2;
constexpr uint32_t kOutBlock = kOutChannels * sizeof(int16_t);

void QuietLibraries() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_ERROR); });
}

struct FrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;

struct QueuedFrame {
    FramePtr frame;
    int64_t ptsMs;
    int32_t index;
};

struct AudioChunk {
    int64_t first;                 // absolute sample frame of samples[0]
    std::vector<int16_t> samples;  // interleaved stereo
    size_t used = 0;               // frames already written or dropped
    int64_t Frames() const { return int64_t(samples.size() / kOutChannels); }
};

enum class State { Stopped, Paused, Running };

}  // namespace

void SetSleepFunction(std::function<void(uint32_t)> sleep) {
    std::lock_guard<std::mutex> hold(g_sleepLock);
    g_sleep = std::move(sleep);
}

void Sleep(uint32_t ms) {
    std::function<void(uint32_t)> f;
    {
        std::lock_guard<std::mutex> hold(g_sleepLock);
        f = g_sleep;
    }
    if (f)
        f(ms);
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

struct Player::Impl {
    // ---- input and decoders ----
    AVFormatContext* fmt = nullptr;
    AVCodecContext* vdec = nullptr;
    AVCodecContext* adec = nullptr;
    int vindex = -1;
    int aindex = -1;
    AVPacket* packet = nullptr;
    AVFrame* decoded = nullptr;
    SwsContext* sws = nullptr;
    SwrContext* swr = nullptr;
    AVChannelLayout swrLayout{};
    int swrFormat = -1;
    int swrRate = 0;
    int64_t startUs = 0;
    bool rendered = false;
    bool inputDone = false;

    // ---- pictures ----
    std::deque<QueuedFrame> frames;
    AVRational frameRate{25, 1};
    int64_t firstVideoMs = -1;
    int64_t videoEndMs = 0;
    std::vector<uint8_t> rgba;

    // ---- sound ----
    std::unique_ptr<audio::SoundSystem> ownSound;
    std::unique_ptr<audio::SoundBuffer> ring;
    uint32_t rate = 0;
    uint32_t ringFrames = 0;
    int64_t played = 0;            // absolute sample frames the ring's cursor has passed
    uint32_t lastCursor = 0;       // in frames
    int64_t nextAudio = -1;        // absolute frame of the next decoded sample; -1 before the first
    std::deque<AudioChunk> pending;
    int64_t pendingFrames = 0;

    // ---- clock ----
    State state = State::Stopped;
    uint32_t runStart = 0;
    int64_t mediaBase = 0;
    bool completed = false;

    // ---- window ----
    os::WindowHandle owner = nullptr;
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    GLuint texture = 0;
    int texWidth = 0;
    int texHeight = 0;
    int rect[4] = {0, 0, 0, 0};
    bool fullScreen = false;
    bool visible = false;
    bool autoShow = true;
    bool hideCursor = false;

    // ---- events ----
    std::deque<int32_t> events;
    os::WindowHandle notifyWindow = nullptr;
    uint32_t notifyMessage = 0;
    intptr_t notifyLParam = 0;

    PlaybackStats stats;
    std::function<void(const PresentedFrame&)> observer;

    ~Impl() {
        Detach();
        frames.clear();
        ring.reset();
        ownSound.reset();
        sws_freeContext(sws);
        swr_free(&swr);
        av_channel_layout_uninit(&swrLayout);
        av_frame_free(&decoded);
        av_packet_free(&packet);
        avcodec_free_context(&vdec);
        avcodec_free_context(&adec);
        avformat_close_input(&fmt);
    }

    int64_t MediaMs() const {
        if (state != State::Running) return mediaBase;
        return mediaBase + int64_t(uint32_t(os::timeGetTime() - runStart));
    }

    int64_t AudioEndMs() const {
        if (!rate || nextAudio < 0) return 0;
        return (nextAudio * 1000 + rate - 1) / rate;
    }

    // ---- opening ----

    AVCodecContext* OpenDecoder(int index) {
        const AVCodecParameters* par = fmt->streams[index]->codecpar;
        const AVCodec* codec = avcodec_find_decoder(par->codec_id);
        if (!codec) return nullptr;
        AVCodecContext* ctx = avcodec_alloc_context3(codec);
        if (!ctx) return nullptr;
        if (avcodec_parameters_to_context(ctx, par) < 0 || avcodec_open2(ctx, codec, nullptr) < 0) {
            avcodec_free_context(&ctx);
            return nullptr;
        }
        ctx->pkt_timebase = fmt->streams[index]->time_base;
        return ctx;
    }

    HRESULT Open(const char* path, audio::SoundSystem* sound) {
        std::error_code ec;
        if (!path || !std::filesystem::is_regular_file(path, ec)) return VIDEO_E_FILENOTFOUND;
        QuietLibraries();
        if (avformat_open_input(&fmt, path, nullptr, nullptr) < 0) return VIDEO_E_UNREADABLE;
        if (avformat_find_stream_info(fmt, nullptr) < 0) return VIDEO_E_UNREADABLE;
        packet = av_packet_alloc();
        decoded = av_frame_alloc();
        if (!packet || !decoded) return VIDEO_E_UNREADABLE;

        int v = av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (v >= 0 && (vdec = OpenDecoder(v)) != nullptr && vdec->width > 0 && vdec->height > 0) {
            vindex = v;
            AVRational fps = fmt->streams[v]->avg_frame_rate;
            if (fps.num <= 0 || fps.den <= 0) fps = fmt->streams[v]->r_frame_rate;
            // One frame a second up to a thousand; anything else is not a rate to trust.
            if (fps.num > 0 && fps.den > 0 && av_cmp_q(fps, AVRational{1, 1}) >= 0 && av_cmp_q(fps, AVRational{1000, 1}) <= 0)
                frameRate = fps;
            stats.hasVideo = true;
            stats.width = vdec->width;
            stats.height = vdec->height;
        } else {
            avcodec_free_context(&vdec);
        }
        int a = av_find_best_stream(fmt, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
        if (a >= 0 && (adec = OpenDecoder(a)) != nullptr && adec->sample_rate >= int(audio::FREQUENCY_MIN) &&
            adec->sample_rate <= int(audio::FREQUENCY_MAX)) {
            aindex = a;
            rate = uint32_t(adec->sample_rate);
            stats.hasAudio = true;
        } else {
            avcodec_free_context(&adec);
        }
        if (vindex < 0 && aindex < 0) return VIDEO_E_NOTHINGTOPLAY;
        startUs = fmt->start_time != AV_NOPTS_VALUE ? fmt->start_time : 0;
        if (aindex >= 0) OpenSound(sound);
        rendered = true;
        return S_OK;
    }

    // Without a sound output the video still plays, silent.
    void OpenSound(audio::SoundSystem* sound) {
        if (!sound) {
            audio::OutputFormat out;
            out.channels = 2;
            out.rate = 44100;
            out.bits = 16;
            if (audio::SoundSystem::Create(audio::GetDefaultOutput(), out, &ownSound) < 0) return;
            sound = ownSound.get();
        }
        ringFrames = rate * kRingSeconds;
        audio::BufferDesc desc{};
        desc.flags = 0;
        desc.bytes = ringFrames * kOutBlock;
        desc.format.formatTag = audio::WAVE_FORMAT_PCM;
        desc.format.channels = kOutChannels;
        desc.format.samplesPerSec = rate;
        desc.format.blockAlign = kOutBlock;
        desc.format.avgBytesPerSec = rate * kOutBlock;
        desc.format.bitsPerSample = 16;
        audio::SoundBuffer* buffer = nullptr;
        if (sound->CreateBuffer(desc, &buffer) < 0 || !buffer) return;
        ring.reset(buffer);
        stats.soundOutput = true;
    }

    // ---- decoding ----

    // MPEG system streams stamp only some packets, and what the parser makes of the rest can
    // be a frame off; the pictures of these videos come at a constant rate, so only the first
    // stamp is used and the rest follow by count.
    void OnVideoFrame(AVFrame* f) {
        if (firstVideoMs < 0) {
            int64_t ts = f->best_effort_timestamp;
            int64_t ms = 0;
            if (ts != AV_NOPTS_VALUE)
                ms = av_rescale_q(ts, fmt->streams[vindex]->time_base, AVRational{1, 1000}) - startUs / 1000;
            firstVideoMs = std::clamp<int64_t>(ms, 0, kMaxTimestampJumpMs);
        }
        const int64_t n = stats.videoFrames;
        const int64_t ms = firstVideoMs + n * 1000 * frameRate.den / frameRate.num;
        videoEndMs = firstVideoMs + (n + 1) * 1000 * frameRate.den / frameRate.num;
        FramePtr copy(av_frame_alloc());
        if (!copy) return;
        av_frame_move_ref(copy.get(), f);
        frames.push_back(QueuedFrame{std::move(copy), ms, stats.videoFrames});
        ++stats.videoFrames;
    }

    bool ConfigureResampler(AVFrame* f) {
        if (swr && swrFormat == f->format && swrRate == f->sample_rate &&
            av_channel_layout_compare(&swrLayout, &f->ch_layout) == 0)
            return true;
        swr_free(&swr);
        av_channel_layout_uninit(&swrLayout);
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        if (swr_alloc_set_opts2(&swr, &stereo, AV_SAMPLE_FMT_S16, int(rate), &f->ch_layout,
                                AVSampleFormat(f->format), f->sample_rate, 0, nullptr) < 0 ||
            swr_init(swr) < 0) {
            swr_free(&swr);
            return false;
        }
        av_channel_layout_copy(&swrLayout, &f->ch_layout);
        swrFormat = f->format;
        swrRate = f->sample_rate;
        return true;
    }

    void OnAudioFrame(AVFrame* f) {
        if (f->nb_samples <= 0 || f->sample_rate <= 0 || !ConfigureResampler(f)) return;
        int capacity = swr_get_out_samples(swr, f->nb_samples);
        if (capacity <= 0) return;
        AudioChunk chunk;
        chunk.samples.resize(size_t(capacity) * kOutChannels);
        auto* out = reinterpret_cast<uint8_t*>(chunk.samples.data());
        int n = swr_convert(swr, &out, capacity, const_cast<const uint8_t**>(f->extended_data), f->nb_samples);
        if (n <= 0) return;
        chunk.samples.resize(size_t(n) * kOutChannels);
        if (nextAudio < 0) {
            // The first sound starts where its time stamp says; after that it runs on unbroken.
            int64_t ts = f->best_effort_timestamp;
            int64_t first = 0;
            if (ts != AV_NOPTS_VALUE) {
                int64_t us = av_rescale_q(ts, fmt->streams[aindex]->time_base, AVRational{1, 1000000}) - startUs;
                first = us * int64_t(rate) / 1000000;
            }
            nextAudio = std::clamp<int64_t>(first, 0, int64_t(rate) * kMaxTimestampJumpMs / 1000);
        }
        chunk.first = nextAudio;
        nextAudio += n;
        stats.audioFrames += uint64_t(n);
        if (!ring) return;
        pendingFrames += n;
        pending.push_back(std::move(chunk));
        while (pendingFrames > int64_t(rate) * kMaxPendingSeconds && !pending.empty()) {
            pendingFrames -= pending.front().Frames() - int64_t(pending.front().used);
            pending.pop_front();
        }
    }

    void Drain(AVCodecContext* dec, bool video) {
        for (;;) {
            int r = avcodec_receive_frame(dec, decoded);
            if (r < 0) return;
            if (video)
                OnVideoFrame(decoded);
            else
                OnAudioFrame(decoded);
            av_frame_unref(decoded);
        }
    }

    // One packet of input; at the end of the input the decoders give up what they hold.
    void ReadOne() {
        int r = av_read_frame(fmt, packet);
        if (r < 0) {
            if (vdec) {
                avcodec_send_packet(vdec, nullptr);
                Drain(vdec, true);
            }
            if (adec) {
                avcodec_send_packet(adec, nullptr);
                Drain(adec, false);
            }
            inputDone = true;
            return;
        }
        // Damaged packets are skipped; the decoder resynchronises on the next good one.
        if (packet->stream_index == vindex && vdec) {
            if (avcodec_send_packet(vdec, packet) >= 0) Drain(vdec, true);
        } else if (packet->stream_index == aindex && adec) {
            if (avcodec_send_packet(adec, packet) >= 0) Drain(adec, false);
        }
        av_packet_unref(packet);
    }

    // Decodes until the frame after the one due now is known and the sound leads the clock.
    void DecodeAhead(int64_t media) {
        while (!inputDone) {
            bool needVideo = vindex >= 0 && (frames.empty() || frames.back().ptsMs <= media);
            bool needAudio = aindex >= 0 && AudioEndMs() < media + kAudioLeadMs;
            if (!needVideo && !needAudio) break;
            if (!needVideo && frames.size() >= kMaxQueuedFrames) break;
            ReadOne();
        }
    }

    // ---- sound ring ----

    // What the cursor has passed since the last look is silenced, so that a ring the decoder
    // did not refill in time plays silence rather than the sound of two seconds ago.
    void FollowCursor() {
        if (!ring) return;
        uint32_t position = 0;
        if (ring->GetCurrentPosition(&position) < 0) return;
        uint32_t cursor = (position / kOutBlock) % ringFrames;
        uint32_t passed = (cursor + ringFrames - lastCursor) % ringFrames;
        if (!passed) return;
        WriteRing(played, passed, nullptr);
        played += passed;
        lastCursor = cursor;
    }

    // Frames [first, first + count) of the absolute timeline into the ring; null writes silence.
    void WriteRing(int64_t first, uint32_t count, const int16_t* samples) {
        uint32_t offset = uint32_t(first % ringFrames) * kOutBlock;
        void* r1 = nullptr;
        void* r2 = nullptr;
        uint32_t b1 = 0, b2 = 0;
        if (ring->Lock(offset, count * kOutBlock, &r1, &b1, &r2, &b2) < 0) return;
        if (samples) {
            std::memcpy(r1, samples, b1);
            if (r2) std::memcpy(r2, reinterpret_cast<const uint8_t*>(samples) + b1, b2);
        } else {
            std::memset(r1, 0, b1);
            if (r2) std::memset(r2, 0, b2);
        }
        ring->Unlock(r1, b1, r2, b2);
    }

    // Each sample goes to the ring place of its own time, so the sound stays on the clock
    // whatever arrives late or early.
    void FeedRing() {
        if (!ring) return;
        const int64_t windowEnd = played + int64_t(ringFrames) - int64_t(ringFrames / 8);
        while (!pending.empty()) {
            AudioChunk& c = pending.front();
            int64_t from = c.first + int64_t(c.used);
            int64_t end = c.first + c.Frames();
            if (end <= played) {
                pendingFrames -= end - from;
                pending.pop_front();
                continue;
            }
            if (from >= windowEnd) break;
            int64_t start = std::max(from, played);
            int64_t stop = std::min(end, windowEnd);
            WriteRing(start, uint32_t(stop - start), c.samples.data() + size_t(start - c.first) * kOutChannels);
            stats.audioFramesQueued += uint64_t(stop - start);
            pendingFrames -= stop - from;
            c.used = size_t(stop - c.first);
            if (stop < end) break;
            pending.pop_front();
        }
    }

    // ---- window ----

    void Attach(os::WindowHandle w) {
        Detach();
        owner = w;
        if (!w || vindex < 0) return;
        auto* sdl = static_cast<SDL_Window*>(os::NativeWindow(w));
        if (!sdl || !(SDL_GetWindowFlags(sdl) & SDL_WINDOW_OPENGL)) return;
        SDL_GLContext previous = SDL_GL_GetCurrentContext();
        SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        context = SDL_GL_CreateContext(sdl);
        if (!context) {
            std::fprintf(stderr, "video: no GL context on the window (%s); playing without picture\n", SDL_GetError());
            SDL_ClearError();
            SDL_GL_MakeCurrent(previousWindow, previous);
            return;
        }
        window = sdl;
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        texWidth = texHeight = 0;
        SDL_GL_MakeCurrent(previousWindow, previous);
    }

    void Detach() {
        if (context) {
            SDL_GLContext previous = SDL_GL_GetCurrentContext();
            SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
            // A window another program destroyed takes no more GL calls; the texture goes with
            // the context.
            if (!os::IsNativeWindowLost(window)) {
                SDL_GL_MakeCurrent(window, context);
                if (texture) glDeleteTextures(1, &texture);
            }
            texture = 0;
            if (previous == context || previousWindow == window)
                SDL_GL_MakeCurrent(nullptr, nullptr);
            else
                SDL_GL_MakeCurrent(previousWindow, previous);
            SDL_GL_DeleteContext(context);
            context = nullptr;
        }
        window = nullptr;
        owner = nullptr;
    }

    bool ToRgba(const AVFrame* f) {
        sws = sws_getCachedContext(sws, f->width, f->height, AVPixelFormat(f->format), f->width, f->height,
                                   AV_PIX_FMT_RGBA, SWS_BILINEAR, nullptr, nullptr, nullptr);
        if (!sws) return false;
        rgba.resize(size_t(f->width) * size_t(f->height) * 4);
        uint8_t* dst[4] = {rgba.data(), nullptr, nullptr, nullptr};
        int stride[4] = {f->width * 4, 0, 0, 0};
        return sws_scale(sws, f->data, f->linesize, 0, f->height, dst, stride) == f->height;
    }

    // The picture's place in the window: the whole window keeping its shape when full screen,
    // else the rectangle given.
    void Placement(const AVFrame* f, int w, int h, float out[4]) const {
        if (!fullScreen && rect[2] > rect[0] && rect[3] > rect[1]) {
            out[0] = float(rect[0]);
            out[1] = float(rect[1]);
            out[2] = float(rect[2]);
            out[3] = float(rect[3]);
            return;
        }
        double aspect = double(f->width) / double(f->height);
        if (f->sample_aspect_ratio.num > 0 && f->sample_aspect_ratio.den > 0)
            aspect *= av_q2d(f->sample_aspect_ratio);
        double pw = w, ph = w / aspect;
        if (ph > h) {
            ph = h;
            pw = h * aspect;
        }
        out[0] = float((w - pw) / 2);
        out[1] = float((h - ph) / 2);
        out[2] = float(out[0] + pw);
        out[3] = float(out[1] + ph);
    }

    bool Draw(const AVFrame* f, uint8_t centre[4]) {
        if (!context || !visible || !ToRgba(f)) return false;
        // The software rasteriser fails drawing into a window another program destroyed: the
        // picture stops; the close that the loss queued ends the video.
        if (os::IsNativeWindowLost(window)) return false;
        SDL_GLContext previous = SDL_GL_GetCurrentContext();
        SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
        if (SDL_GL_MakeCurrent(window, context) != 0) return false;
        int w = 0, h = 0;
        SDL_GL_GetDrawableSize(window, &w, &h);
        glBindTexture(GL_TEXTURE_2D, texture);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        if (texWidth != f->width || texHeight != f->height) {
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, f->width, f->height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
            texWidth = f->width;
            texHeight = f->height;
        } else {
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, f->width, f->height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        }
        glViewport(0, 0, w, h);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_LIGHTING);
        glDisable(GL_BLEND);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0.0, double(w), double(h), 0.0, -1.0, 1.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glEnable(GL_TEXTURE_2D);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        float r[4];
        Placement(f, w, h, r);
        glBegin(GL_QUADS);
        glTexCoord2f(0.0f, 0.0f);
        glVertex2f(r[0], r[1]);
        glTexCoord2f(1.0f, 0.0f);
        glVertex2f(r[2], r[1]);
        glTexCoord2f(1.0f, 1.0f);
        glVertex2f(r[2], r[3]);
        glTexCoord2f(0.0f, 1.0f);
        glVertex2f(r[0], r[3]);
        glEnd();
        glDisable(GL_TEXTURE_2D);
        if (observer) glReadPixels(w / 2, h / 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, centre);
        SDL_GL_SwapWindow(window);
        SDL_GL_MakeCurrent(previousWindow, previous);
        return true;
    }

    void Present(QueuedFrame& q, int64_t media) {
        PresentedFrame info{};
        info.index = q.index;
        info.ptsMs = uint32_t(q.ptsMs);
        info.mediaMs = uint32_t(media);
        info.drawn = Draw(q.frame.get(), info.centre);
        if (info.drawn) ++stats.framesShown;
        if (observer) observer(info);
    }

    // Of the frames due, only the newest is drawn: a late player catches up with the sound.
    void PresentDue(int64_t media) {
        while (!frames.empty() && frames.front().ptsMs <= media) {
            if (frames.size() >= 2 && frames[1].ptsMs <= media) {
                ++stats.framesDropped;
                frames.pop_front();
                continue;
            }
            Present(frames.front(), media);
            frames.pop_front();
        }
    }

    // ---- events and the clock ----

    void QueueEvent(int32_t code) {
        events.push_back(code);
        if (notifyWindow) os::PostMessage(notifyWindow, notifyMessage, 0, notifyLParam);
    }

    void CheckComplete(int64_t media) {
        if (completed || !inputDone || !frames.empty()) return;
        int64_t end = std::max(videoEndMs, AudioEndMs());
        if (media < end) return;
        completed = true;
        stats.durationMs = uint32_t(end);
        QueueEvent(EVENT_COMPLETE);
    }

    void Service() {
        if (!rendered) return;
        FollowCursor();
        if (state != State::Running) return;
        int64_t media = MediaMs();
        DecodeAhead(media);
        PresentDue(media);
        FeedRing();
        CheckComplete(media);
    }

    // Milliseconds until the next thing due, at most `limit`.
    uint32_t NextWait(uint32_t limit) const {
        if (state != State::Running || completed) return limit;
        int64_t wait = std::min<int64_t>(limit, kServiceMs);
        if (!frames.empty()) wait = std::min(wait, frames.front().ptsMs - MediaMs());
        return uint32_t(std::max<int64_t>(wait, 1));
    }
};

Player::Player() : impl_(std::make_unique<Impl>()) {}
Player::~Player() = default;

HRESULT Player::RenderFile(const char* path, audio::SoundSystem* sound) {
    if (impl_->rendered || impl_->fmt) return VIDEO_E_NOTREADY;
    HRESULT r = impl_->Open(path, sound);
    if (r < 0) {
        // Nothing half-opened stays behind.
        auto fresh = std::make_unique<Impl>();
        fresh->observer = std::move(impl_->observer);
        fresh->notifyWindow = impl_->notifyWindow;
        fresh->notifyMessage = impl_->notifyMessage;
        fresh->notifyLParam = impl_->notifyLParam;
        fresh->visible = impl_->visible;
        fresh->autoShow = impl_->autoShow;
        fresh->hideCursor = impl_->hideCursor;
        impl_ = std::move(fresh);
    }
    return r;
}

void Player::SetOwner(os::WindowHandle window) { impl_->Attach(window); }

void Player::SetWindowPosition(int left, int top, int right, int bottom) {
    impl_->rect[0] = left;
    impl_->rect[1] = top;
    impl_->rect[2] = right;
    impl_->rect[3] = bottom;
}

void Player::SetFullScreen(bool on) { impl_->fullScreen = on; }
void Player::SetVisible(bool on) { impl_->visible = on; }
void Player::SetAutoShow(bool on) { impl_->autoShow = on; }

void Player::HideCursor(bool hide) {
    impl_->hideCursor = hide;
    if (hide) os::SetCursor(nullptr);
}

void Player::SetNotifyWindow(os::WindowHandle window, uint32_t message, intptr_t lParam) {
    impl_->notifyWindow = window;
    impl_->notifyMessage = message;
    impl_->notifyLParam = lParam;
}

HRESULT Player::Pause() {
    Impl& p = *impl_;
    if (!p.rendered) return VIDEO_E_NOTREADY;
    if (p.state == State::Running) {
        p.mediaBase = p.MediaMs();
        if (p.ring) p.ring->Stop();
    }
    p.state = State::Paused;
    p.DecodeAhead(p.mediaBase);
    return S_OK;
}

HRESULT Player::Run() {
    Impl& p = *impl_;
    if (!p.rendered) return VIDEO_E_NOTREADY;
    if (p.state == State::Running) return S_OK;
    if (p.autoShow) p.visible = true;
    if (p.hideCursor) os::SetCursor(nullptr);
    p.runStart = os::timeGetTime();
    p.state = State::Running;
    p.FeedRing();
    if (p.ring) p.ring->Play(audio::PLAY_LOOPING);
    return S_OK;
}

HRESULT Player::Stop() {
    Impl& p = *impl_;
    if (!p.rendered) return VIDEO_E_NOTREADY;
    if (p.state == State::Running) p.mediaBase = p.MediaMs();
    p.state = State::Stopped;
    if (p.ring) p.ring->Stop();
    return S_OK;
}

void Player::Pump(uint32_t ms) {
    const uint32_t start = os::timeGetTime();
    // A clock that stands still (a test's, without a sleep that moves it) must not hold the
    // caller for ever; the real time bounds the pump too, loosely, so a slow machine does not
    // cut pumps short.
    const auto realEnd = std::chrono::steady_clock::now() + std::chrono::milliseconds(uint64_t(ms) * 10 + 1000);
    for (;;) {
        impl_->Service();
        uint32_t elapsed = os::timeGetTime() - start;
        if (elapsed >= ms || std::chrono::steady_clock::now() >= realEnd) return;
        Sleep(impl_->NextWait(ms - elapsed));
    }
}

bool Player::GetEvent(int32_t* code) {
    if (impl_->events.empty()) return false;
    if (code) *code = impl_->events.front();
    impl_->events.pop_front();
    return true;
}

PlaybackStats Player::Stats() const { return impl_->stats; }

void Player::SetPresentObserver(std::function<void(const PresentedFrame&)> observer) {
    impl_->observer = std::move(observer);
}

}  // namespace video
