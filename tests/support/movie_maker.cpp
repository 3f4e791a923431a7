#include "support/movie_maker.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace textreel::testing {
namespace {

struct Container {
    const char* name;   // MovieRecipe::container
    const char* muxer;  // libavformat's muxer
    AVCodecID video;
    AVCodecID sound;
    int bFrames;  // B-frames between reference frames, as the encoders of the time made them
};

// "vob" is libavformat's MPEG-2 program stream without the DVD's own rules; "mpeg" is MPEG-1's.
constexpr Container kContainers[] = {
    {"mpeg", "mpeg", AV_CODEC_ID_MPEG1VIDEO, AV_CODEC_ID_MP2, 2},
    {"mpeg2", "vob", AV_CODEC_ID_MPEG2VIDEO, AV_CODEC_ID_MP2, 2},
    {"avi", "avi", AV_CODEC_ID_MPEG4, AV_CODEC_ID_MP2, 0},
    {"asf", "asf", AV_CODEC_ID_WMV2, AV_CODEC_ID_WMAV2, 0},
    {"mp4", "mp4", AV_CODEC_ID_MPEG4, AV_CODEC_ID_AAC, 2},
};

std::string AvError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

bool Fail(std::string* error, const std::string& reason) {
    if (error != nullptr) {
        *error = reason;
    }
    return false;
}

struct CodecFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct SwsFree {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};
struct OutputFree {
    void operator()(AVFormatContext* f) const {
        if (f->pb != nullptr && (f->oformat->flags & AVFMT_NOFILE) == 0) {
            avio_closep(&f->pb);
        }
        avformat_free_context(f);
    }
};
struct InputFree {
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using SwsPtr = std::unique_ptr<SwsContext, SwsFree>;

// One encoder feeding one stream of the output.
struct Track {
    CodecPtr codec;
    AVStream* stream = nullptr;
};

// Sends a frame (nullptr: the end) to the encoder and writes every packet it gives back.
bool Encode(AVFormatContext* out, Track& track, AVFrame* frame, AVPacket* packet, std::string* error) {
    int r = avcodec_send_frame(track.codec.get(), frame);
    if (r < 0) {
        return Fail(error, std::string("encoding failed: ") + AvError(r));
    }
    for (;;) {
        r = avcodec_receive_packet(track.codec.get(), packet);
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) {
            return true;
        }
        if (r < 0) {
            return Fail(error, std::string("encoding failed: ") + AvError(r));
        }
        if (packet->duration == 0 && track.codec->codec_type == AVMEDIA_TYPE_VIDEO) {
            packet->duration = 1;  // one frame; MP4's edit list would leave the last frame out without it
        }
        av_packet_rescale_ts(packet, track.codec->time_base, track.stream->time_base);
        packet->stream_index = track.stream->index;
        r = av_interleaved_write_frame(out, packet);  // takes the packet's data
        if (r < 0) {
            return Fail(error, std::string("writing a packet failed: ") + AvError(r));
        }
    }
}

bool OpenEncoder(AVFormatContext* out, Track& track, std::string* error) {
    if ((out->oformat->flags & AVFMT_GLOBALHEADER) != 0) {
        track.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    const AVCodec* codec = track.codec->codec;  // a failed open clears it
    int r = avcodec_open2(track.codec.get(), codec, nullptr);
    if (r < 0) {
        return Fail(error, std::string("cannot open the ") + codec->name + " encoder: " + AvError(r));
    }
    track.stream = avformat_new_stream(out, nullptr);
    if (track.stream == nullptr) {
        return Fail(error, "cannot add a stream");
    }
    track.stream->time_base = track.codec->time_base;
    r = avcodec_parameters_from_context(track.stream->codecpar, track.codec.get());
    if (r < 0) {
        return Fail(error, std::string("cannot describe the stream: ") + AvError(r));
    }
    return true;
}

bool SupportsFormat(const AVCodec* codec, AVSampleFormat format) {
    if (codec->sample_fmts == nullptr) {
        return false;
    }
    for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f) {
        if (*f == format) {
            return true;
        }
    }
    return false;
}

// Writes one sample value into the frame in whatever layout the encoder takes.
void PutSample(AVFrame* frame, AVSampleFormat format, int channels, int index, int channel, int value) {
    const int16_t s = static_cast<int16_t>(std::clamp(value, -32768, 32767));
    switch (format) {
        case AV_SAMPLE_FMT_S16:
            reinterpret_cast<int16_t*>(frame->data[0])[index * channels + channel] = s;
            break;
        case AV_SAMPLE_FMT_S16P:
            reinterpret_cast<int16_t*>(frame->data[channel])[index] = s;
            break;
        case AV_SAMPLE_FMT_FLT:
            reinterpret_cast<float*>(frame->data[0])[index * channels + channel] = s / 32768.0f;
            break;
        default:  // AV_SAMPLE_FMT_FLTP
            reinterpret_cast<float*>(frame->data[channel])[index] = s / 32768.0f;
            break;
    }
}

}  // namespace

bool MakeMovie(const MovieRecipe& movie, const std::string& path, std::string* error) {
    const Container* choice = nullptr;
    for (const Container& c : kContainers) {
        if (movie.container == c.name) {
            choice = &c;
        }
    }
    if (choice == nullptr) {
        return Fail(error, "unknown container \"" + movie.container + "\" (mpeg, mpeg2, avi, asf or mp4)");
    }
    if (movie.width < 16 || movie.height < 16 || movie.width > 4000 || movie.height > 4000 ||
        movie.width % 2 != 0 || movie.height % 2 != 0) {
        return Fail(error, "the size must be even and within 16..4000 pixels");
    }
    if (movie.fps < 1 || movie.fps > 60 || movie.frames < 1) {
        return Fail(error, "the frame rate must be within 1..60 and there must be a frame");
    }
    if (movie.sound && (movie.channels < 1 || movie.channels > 2)) {
        return Fail(error, "the sound must have one or two channels");
    }

    AVFormatContext* raw = nullptr;
    int r = avformat_alloc_output_context2(&raw, nullptr, choice->muxer, path.c_str());
    if (r < 0 || raw == nullptr) {
        return Fail(error, std::string("cannot make a ") + choice->muxer + " file: " + AvError(r));
    }
    std::unique_ptr<AVFormatContext, OutputFree> out(raw);

    // The picture: planar YUV 4:2:0 as every one of these codecs takes it.
    Track video;
    const AVCodec* videoCodec = avcodec_find_encoder(choice->video);
    if (videoCodec == nullptr) {
        return Fail(error, std::string("this FFmpeg has no ") + avcodec_get_name(choice->video) + " encoder");
    }
    video.codec.reset(avcodec_alloc_context3(videoCodec));
    AVCodecContext* vc = video.codec.get();
    vc->width = movie.width;
    vc->height = movie.height;
    vc->time_base = AVRational{1, movie.fps};
    vc->framerate = AVRational{movie.fps, 1};
    vc->pix_fmt = AV_PIX_FMT_YUV420P;
    vc->gop_size = std::max(1, movie.fps / 2);
    vc->max_b_frames = choice->bFrames;
    vc->thread_count = 1;  // the same bytes on every run
    if (movie.bitrate > 0) {
        vc->bit_rate = movie.bitrate;
    } else {
        vc->flags |= AV_CODEC_FLAG_QSCALE;
        vc->global_quality = FF_QP2LAMBDA * 4;
    }
    if (!OpenEncoder(out.get(), video, error)) {
        return false;
    }

    Track sound;
    AVSampleFormat soundFormat = AV_SAMPLE_FMT_NONE;
    if (movie.sound) {
        const AVCodec* soundCodec = avcodec_find_encoder(choice->sound);
        if (soundCodec == nullptr) {
            return Fail(error,
                        std::string("this FFmpeg has no ") + avcodec_get_name(choice->sound) + " encoder");
        }
        for (AVSampleFormat f :
             {AV_SAMPLE_FMT_S16, AV_SAMPLE_FMT_S16P, AV_SAMPLE_FMT_FLTP, AV_SAMPLE_FMT_FLT}) {
            if (soundFormat == AV_SAMPLE_FMT_NONE && SupportsFormat(soundCodec, f)) {
                soundFormat = f;
            }
        }
        if (soundFormat == AV_SAMPLE_FMT_NONE) {
            return Fail(
                error, std::string("the ") + soundCodec->name + " encoder takes no sample format known here");
        }
        sound.codec.reset(avcodec_alloc_context3(soundCodec));
        AVCodecContext* ac = sound.codec.get();
        ac->sample_fmt = soundFormat;
        ac->sample_rate = movie.sampleRate;
        av_channel_layout_default(&ac->ch_layout, movie.channels);
        ac->bit_rate = 64000 * movie.channels;
        ac->time_base = AVRational{1, movie.sampleRate};
        ac->thread_count = 1;
        if (!OpenEncoder(out.get(), sound, error)) {
            return false;
        }
    }

    if ((out->oformat->flags & AVFMT_NOFILE) == 0) {
        r = avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE);
        if (r < 0) {
            return Fail(error, "cannot write " + path + ": " + AvError(r));
        }
    }
    if (choice->video == AV_CODEC_ID_MPEG1VIDEO || choice->video == AV_CODEC_ID_MPEG2VIDEO) {
        // The program stream's clock runs at the multiplex rate, which must stay above the rate
        // of the data or the packets come late; a constant quantizer has no rate of its own, so
        // give it two bits a pixel, more than such pictures take.
        const int64_t rate = movie.bitrate > 0
                                 ? 2 * static_cast<int64_t>(movie.bitrate) + 512000
                                 : 2 * static_cast<int64_t>(movie.width) * movie.height * movie.fps;
        av_opt_set_int(out->priv_data, "muxrate", rate, 0);
    }
    r = avformat_write_header(out.get(), nullptr);
    if (r < 0) {
        return Fail(error, std::string("cannot write the header: ") + AvError(r));
    }

    PacketPtr packet(av_packet_alloc());
    FramePtr picture(av_frame_alloc());
    picture->format = vc->pix_fmt;
    picture->width = vc->width;
    picture->height = vc->height;
    if (av_frame_get_buffer(picture.get(), 0) < 0) {
        return Fail(error, "out of memory for a picture");
    }
    SwsPtr toYuv(sws_getContext(movie.width, movie.height, AV_PIX_FMT_RGB24, movie.width, movie.height,
                                AV_PIX_FMT_YUV420P, SWS_BICUBIC | SWS_ACCURATE_RND, nullptr, nullptr,
                                nullptr));
    if (toYuv == nullptr) {
        return Fail(error, "cannot convert RGB to YUV");
    }
    std::vector<uint8_t> rgb(static_cast<size_t>(movie.width) * movie.height * 3);

    FramePtr samples;
    int frameSize = 0;
    int64_t totalSamples = 0;
    if (movie.sound) {
        AVCodecContext* ac = sound.codec.get();
        frameSize = (ac->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) != 0 || ac->frame_size <= 0
                        ? 1024
                        : ac->frame_size;
        totalSamples = static_cast<int64_t>(movie.frames) * movie.sampleRate / movie.fps;
        samples.reset(av_frame_alloc());
        samples->format = soundFormat;
        samples->sample_rate = movie.sampleRate;
        samples->nb_samples = frameSize;
        av_channel_layout_copy(&samples->ch_layout, &ac->ch_layout);
        if (av_frame_get_buffer(samples.get(), 0) < 0) {
            return Fail(error, "out of memory for sound");
        }
    }

    int nextFrame = 0;
    int64_t nextSample = 0;
    const int64_t soundEnd = movie.sound ? totalSamples + frameSize : 0;
    while (nextFrame < movie.frames || nextSample < soundEnd) {
        const bool pictureNext =
            nextFrame < movie.frames &&
            (nextSample >= soundEnd ||
             av_compare_ts(nextFrame, vc->time_base, nextSample, AVRational{1, movie.sampleRate}) <= 0);
        if (pictureNext) {
            if (movie.draw) {
                std::fill(rgb.begin(), rgb.end(), uint8_t{0});
                movie.draw(nextFrame, rgb);
                if (rgb.size() != static_cast<size_t>(movie.width) * movie.height * 3) {
                    return Fail(error, "the drawing changed the picture's size");
                }
            } else {
                const std::array<uint8_t, 3> c =
                    movie.colour ? movie.colour(nextFrame) : std::array<uint8_t, 3>{0, 0, 0};
                for (size_t i = 0; i < rgb.size(); i += 3) {
                    rgb[i] = c[0];
                    rgb[i + 1] = c[1];
                    rgb[i + 2] = c[2];
                }
            }
            if (av_frame_make_writable(picture.get()) < 0) {
                return Fail(error, "out of memory for a picture");
            }
            const uint8_t* source[1] = {rgb.data()};
            const int sourceStride[1] = {movie.width * 3};
            sws_scale(toYuv.get(), source, sourceStride, 0, movie.height, picture->data, picture->linesize);
            picture->pts = nextFrame;
            if (!Encode(out.get(), video, picture.get(), packet.get(), error)) {
                return false;
            }
            ++nextFrame;
        } else {
            if (av_frame_make_writable(samples.get()) < 0) {
                return Fail(error, "out of memory for sound");
            }
            // The last frame is filled up with silence (encoders of fixed frame sizes need it whole),
            // and one frame of silence follows, which the encoders that hold a frame back give out.
            for (int i = 0; i < frameSize; ++i) {
                const int64_t at = nextSample + i;
                for (int ch = 0; ch < movie.channels; ++ch) {
                    int value = 0;
                    if (at < totalSamples) {
                        value = movie.sample ? movie.sample(at, ch)
                                             : static_cast<int>(std::lround(
                                                   movie.amplitude *
                                                   std::sin(2 * std::numbers::pi * movie.toneHz *
                                                            static_cast<double>(at) / movie.sampleRate)));
                    }
                    PutSample(samples.get(), soundFormat, movie.channels, i, ch, value);
                }
            }
            samples->pts = nextSample;
            if (!Encode(out.get(), sound, samples.get(), packet.get(), error)) {
                return false;
            }
            nextSample += frameSize;
        }
    }
    if (!Encode(out.get(), video, nullptr, packet.get(), error)) {
        return false;
    }
    if (movie.sound && !Encode(out.get(), sound, nullptr, packet.get(), error)) {
        return false;
    }
    r = av_write_trailer(out.get());
    if (r < 0) {
        return Fail(error, std::string("cannot finish the file: ") + AvError(r));
    }
    if ((out->oformat->flags & AVFMT_NOFILE) == 0) {
        r = avio_closep(&out->pb);
        if (r < 0) {
            return Fail(error, "cannot write " + path + ": " + AvError(r));
        }
    }
    return true;
}

namespace {

CodecPtr OpenDecoder(const AVStream* stream, std::string* error) {
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (codec == nullptr) {
        Fail(error, std::string("no decoder for ") + avcodec_get_name(stream->codecpar->codec_id));
        return nullptr;
    }
    CodecPtr c(avcodec_alloc_context3(codec));
    if (avcodec_parameters_to_context(c.get(), stream->codecpar) < 0) {
        Fail(error, "cannot describe the decoder");
        return nullptr;
    }
    c->pkt_timebase = stream->time_base;
    c->thread_count = 1;
    int r = avcodec_open2(c.get(), codec, nullptr);
    if (r < 0) {
        Fail(error, std::string("cannot open the ") + codec->name + " decoder: " + AvError(r));
        return nullptr;
    }
    return c;
}

}  // namespace

bool DecodeMovie(const std::string& path, DecodedMovie* out,
                 const std::function<void(int frame, const std::vector<uint8_t>& rgb)>& onFrame,
                 std::string* error) {
    *out = DecodedMovie{};
    AVFormatContext* raw = nullptr;
    int r = avformat_open_input(&raw, path.c_str(), nullptr, nullptr);
    if (r < 0) {
        return Fail(error, "cannot open " + path + ": " + AvError(r));
    }
    std::unique_ptr<AVFormatContext, InputFree> in(raw);
    r = avformat_find_stream_info(in.get(), nullptr);
    if (r < 0) {
        return Fail(error, "cannot read the streams of " + path + ": " + AvError(r));
    }
    out->format = in->iformat->name;
    if (in->duration != AV_NOPTS_VALUE) {
        out->durationSeconds = static_cast<double>(in->duration) / AV_TIME_BASE;
    }
    const int videoIndex = av_find_best_stream(in.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (videoIndex < 0) {
        return Fail(error, path + " has no video stream");
    }
    const int soundIndex = av_find_best_stream(in.get(), AVMEDIA_TYPE_AUDIO, -1, videoIndex, nullptr, 0);
    const AVStream* videoStream = in->streams[videoIndex];
    CodecPtr videoCodec = OpenDecoder(videoStream, error);
    if (videoCodec == nullptr) {
        return false;
    }
    out->videoCodec = videoCodec->codec->name;
    out->width = videoCodec->width;
    out->height = videoCodec->height;
    CodecPtr soundCodec;
    if (soundIndex >= 0) {
        soundCodec = OpenDecoder(in->streams[soundIndex], error);
        if (soundCodec == nullptr) {
            return false;
        }
        out->sound = true;
        out->soundCodec = soundCodec->codec->name;
        out->sampleRate = soundCodec->sample_rate;
        out->channels = soundCodec->ch_layout.nb_channels;
    }

    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    SwsPtr toRgb;
    std::vector<uint8_t> rgb;
    // Takes every frame the decoder has ready.
    auto drain = [&](AVCodecContext* codec, bool isVideo) {
        for (;;) {
            int got = avcodec_receive_frame(codec, frame.get());
            if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) {
                return true;
            }
            if (got < 0) {
                return Fail(error, std::string("decoding failed: ") + AvError(got));
            }
            if (!isVideo) {
                out->soundSamples += frame->nb_samples;
                av_frame_unref(frame.get());
                continue;
            }
            const int64_t pts = frame->best_effort_timestamp;
            out->frameSeconds.push_back(pts == AV_NOPTS_VALUE ? -1.0 : pts * av_q2d(videoStream->time_base));
            if (onFrame) {
                toRgb.reset(sws_getCachedContext(toRgb.release(), frame->width, frame->height,
                                                 static_cast<AVPixelFormat>(frame->format), frame->width,
                                                 frame->height, AV_PIX_FMT_RGB24,
                                                 SWS_BICUBIC | SWS_ACCURATE_RND, nullptr, nullptr, nullptr));
                if (toRgb == nullptr) {
                    return Fail(error, "cannot convert the picture to RGB");
                }
                rgb.resize(static_cast<size_t>(frame->width) * frame->height * 3);
                uint8_t* target[1] = {rgb.data()};
                const int targetStride[1] = {frame->width * 3};
                sws_scale(toRgb.get(), frame->data, frame->linesize, 0, frame->height, target, targetStride);
                onFrame(out->frames, rgb);
            }
            ++out->frames;
            av_frame_unref(frame.get());
        }
    };
    while ((r = av_read_frame(in.get(), packet.get())) >= 0) {
        AVCodecContext* codec = packet->stream_index == videoIndex   ? videoCodec.get()
                                : packet->stream_index == soundIndex ? soundCodec.get()
                                                                     : nullptr;
        if (codec != nullptr) {
            r = avcodec_send_packet(codec, packet.get());
            if (r < 0 && r != AVERROR_INVALIDDATA) {
                av_packet_unref(packet.get());
                return Fail(error, std::string("decoding failed: ") + AvError(r));
            }
            if (!drain(codec, codec == videoCodec.get())) {
                av_packet_unref(packet.get());
                return false;
            }
        }
        av_packet_unref(packet.get());
    }
    if (r != AVERROR_EOF) {
        return Fail(error, "cannot read " + path + ": " + AvError(r));
    }
    avcodec_send_packet(videoCodec.get(), nullptr);
    if (!drain(videoCodec.get(), true)) {
        return false;
    }
    if (soundCodec != nullptr) {
        avcodec_send_packet(soundCodec.get(), nullptr);
        if (!drain(soundCodec.get(), false)) {
            return false;
        }
    }
    return true;
}

}  // namespace textreel::testing
