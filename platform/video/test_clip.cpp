#include "platform/video/test_clip.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cmath>
#include <vector>

namespace video {

int TestClipLuma(const TestClipSpec& spec, int frame) {
    return std::clamp(spec.firstLuma + frame * spec.lumaStep, 16, 235);
}

namespace {

struct Writer {
    AVFormatContext* fmt = nullptr;
    AVCodecContext* venc = nullptr;
    AVCodecContext* aenc = nullptr;
    AVStream* vstream = nullptr;
    AVStream* astream = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    bool headerWritten = false;
    std::string error;

    ~Writer() {
        if (fmt && headerWritten) av_write_trailer(fmt);
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&venc);
        avcodec_free_context(&aenc);
        if (fmt) {
            if (fmt->pb) avio_closep(&fmt->pb);
            avformat_free_context(fmt);
        }
    }

    bool Fail(const char* what, int code = 0) {
        error = what;
        if (code < 0) {
            char text[AV_ERROR_MAX_STRING_SIZE] = {};
            av_strerror(code, text, sizeof text);
            error += ": ";
            error += text;
        }
        return false;
    }

    // Sends one frame (null flushes) and writes every packet the encoder gives back.
    bool Encode(AVCodecContext* enc, AVStream* stream, AVFrame* in) {
        int r = avcodec_send_frame(enc, in);
        if (r < 0) return Fail("encoder refused a frame", r);
        for (;;) {
            r = avcodec_receive_packet(enc, packet);
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
            if (r < 0) return Fail("encoding failed", r);
            av_packet_rescale_ts(packet, enc->time_base, stream->time_base);
            packet->stream_index = stream->index;
            r = av_interleaved_write_frame(fmt, packet);
            if (r < 0) return Fail("muxing failed", r);
        }
    }
};

}  // namespace

bool WriteTestClip(const char* path, const TestClipSpec& spec, std::string* error) {
    Writer w;
    auto done = [&](bool ok) {
        if (error) *error = w.error;
        return ok;
    };
    if (!path || spec.width < 16 || spec.height < 16 || spec.width % 2 || spec.height % 2 || spec.fps <= 0 ||
        spec.frames <= 0 || spec.channels < 1 || spec.channels > 2)
        return done(w.Fail("bad clip description"));
    av_log_set_level(AV_LOG_ERROR);
    int r = avformat_alloc_output_context2(&w.fmt, nullptr, "mpeg", path);
    if (r < 0 || !w.fmt) return done(w.Fail("no mpeg muxer", r));
    // No encoder names or other run-dependent bytes in the stream.
    w.fmt->flags |= AVFMT_FLAG_BITEXACT;
    w.packet = av_packet_alloc();
    w.frame = av_frame_alloc();
    if (!w.packet || !w.frame) return done(w.Fail("out of memory"));

    const AVCodec* vcodec = avcodec_find_encoder(AV_CODEC_ID_MPEG1VIDEO);
    if (!vcodec) return done(w.Fail("no mpeg1video encoder"));
    w.venc = avcodec_alloc_context3(vcodec);
    w.venc->width = spec.width;
    w.venc->height = spec.height;
    w.venc->time_base = AVRational{1, spec.fps};
    w.venc->framerate = AVRational{spec.fps, 1};
    w.venc->pix_fmt = AV_PIX_FMT_YUV420P;
    w.venc->bit_rate = spec.videoBitRate;
    w.venc->gop_size = 12;
    w.venc->max_b_frames = 0;
    w.venc->flags |= AV_CODEC_FLAG_BITEXACT;
    if (w.fmt->oformat->flags & AVFMT_GLOBALHEADER) w.venc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    r = avcodec_open2(w.venc, vcodec, nullptr);
    if (r < 0) return done(w.Fail("cannot open the video encoder", r));
    w.vstream = avformat_new_stream(w.fmt, nullptr);
    if (!w.vstream) return done(w.Fail("out of memory"));
    w.vstream->time_base = w.venc->time_base;
    avcodec_parameters_from_context(w.vstream->codecpar, w.venc);

    const bool audio = spec.toneHz > 0.0;
    if (audio) {
        const AVCodec* acodec = avcodec_find_encoder(AV_CODEC_ID_MP2);
        if (!acodec) return done(w.Fail("no mp2 encoder"));
        w.aenc = avcodec_alloc_context3(acodec);
        w.aenc->sample_fmt = AV_SAMPLE_FMT_S16;
        w.aenc->sample_rate = spec.sampleRate;
        av_channel_layout_default(&w.aenc->ch_layout, spec.channels);
        w.aenc->bit_rate = 128000;
        w.aenc->flags |= AV_CODEC_FLAG_BITEXACT;
        w.aenc->time_base = AVRational{1, spec.sampleRate};
        r = avcodec_open2(w.aenc, acodec, nullptr);
        if (r < 0) return done(w.Fail("cannot open the audio encoder", r));
        w.astream = avformat_new_stream(w.fmt, nullptr);
        if (!w.astream) return done(w.Fail("out of memory"));
        w.astream->time_base = w.aenc->time_base;
        avcodec_parameters_from_context(w.astream->codecpar, w.aenc);
    }

    r = avio_open(&w.fmt->pb, path, AVIO_FLAG_WRITE);
    if (r < 0) return done(w.Fail("cannot create the file", r));
    r = avformat_write_header(w.fmt, nullptr);
    if (r < 0) return done(w.Fail("cannot write the header", r));
    w.headerWritten = true;

    // Video and audio go in alternately by time so the muxer can interleave them.
    const int64_t totalSamples = int64_t(spec.frames) * spec.sampleRate / spec.fps;
    int64_t samplesDone = 0;
    int videoDone = 0;
    const int audioFrameSize = audio ? w.aenc->frame_size : 0;
    while (videoDone < spec.frames || (audio && samplesDone < totalSamples)) {
        bool videoNext = videoDone < spec.frames &&
                         (!audio || samplesDone >= totalSamples ||
                          double(videoDone) / spec.fps <= double(samplesDone) / spec.sampleRate);
        av_frame_unref(w.frame);
        if (videoNext) {
            w.frame->format = AV_PIX_FMT_YUV420P;
            w.frame->width = spec.width;
            w.frame->height = spec.height;
            if (av_frame_get_buffer(w.frame, 0) < 0) return done(w.Fail("out of memory"));
            if (spec.paint) {
                uint8_t* const planes[3] = {w.frame->data[0], w.frame->data[1], w.frame->data[2]};
                const int strides[3] = {w.frame->linesize[0], w.frame->linesize[1], w.frame->linesize[2]};
                spec.paint(videoDone, planes, strides);
            } else {
                const int luma = TestClipLuma(spec, videoDone);
                for (int y = 0; y < spec.height; ++y) std::fill_n(w.frame->data[0] + y * w.frame->linesize[0], spec.width, uint8_t(luma));
                for (int p = 1; p <= 2; ++p) {
                    for (int y = 0; y < spec.height / 2; ++y)
                        std::fill_n(w.frame->data[p] + y * w.frame->linesize[p], spec.width / 2, uint8_t(128));
                }
            }
            w.frame->pts = videoDone;
            if (!w.Encode(w.venc, w.vstream, w.frame)) return done(false);
            ++videoDone;
        } else {
            w.frame->format = AV_SAMPLE_FMT_S16;
            w.frame->sample_rate = spec.sampleRate;
            av_channel_layout_copy(&w.frame->ch_layout, &w.aenc->ch_layout);
            w.frame->nb_samples = audioFrameSize;
            if (av_frame_get_buffer(w.frame, 0) < 0) return done(w.Fail("out of memory"));
            auto* out = reinterpret_cast<int16_t*>(w.frame->data[0]);
            const double twoPi = 2.0 * M_PI;
            for (int i = 0; i < audioFrameSize; ++i) {
                int64_t n = samplesDone + i;
                // The last frame is padded with silence to the encoder's fixed size.
                double v = n < totalSamples ? spec.toneAmplitude * std::sin(twoPi * spec.toneHz * double(n) / spec.sampleRate) : 0.0;
                int16_t s = int16_t(std::lround(v * 32767.0));
                for (int c = 0; c < spec.channels; ++c) out[i * spec.channels + c] = s;
            }
            w.frame->pts = samplesDone;
            if (!w.Encode(w.aenc, w.astream, w.frame)) return done(false);
            samplesDone += audioFrameSize;
        }
    }
    if (!w.Encode(w.venc, w.vstream, nullptr)) return done(false);
    if (audio && !w.Encode(w.aenc, w.astream, nullptr)) return done(false);
    w.headerWritten = false;
    r = av_write_trailer(w.fmt);
    if (r < 0) return done(w.Fail("cannot finish the file", r));
    return done(true);
}

}  // namespace video
