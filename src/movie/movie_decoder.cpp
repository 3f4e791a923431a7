#include "movie/movie_decoder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>

#include "platform/files.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avstring.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace textreel {

namespace {

// The containers titles of the time ship movies in: MPEG-1/2 program streams (and bare MPEG video),
// AVI, ASF (WMV) and MP4/QuickTime. Everything else (other containers, playlists, concatenation
// scripts, image sequences, anything that names other files) is refused.
constexpr const char* kAllowedFormats = "mpeg,mpegvideo,avi,asf,mov";
// The decoders for the pictures and sound those containers held: MPEG-1/2, MPEG-4 part 2 and its
// Microsoft forerunners, WMV 1/2/3, H.264, Motion JPEG, Cinepak and Video 1; MPEG audio layers 1-3,
// AAC, AC-3, WMA 1/2, PCM and the ADPCM of WAV files.
constexpr const char* kAllowedCodecs =
    "mpeg1video,mpeg2video,mpeg4,msmpeg4v1,msmpeg4v2,msmpeg4,wmv1,wmv2,wmv3,h264,mjpeg,cinepak,msvideo1,"
    "mp1,mp1float,mp2,mp2float,mp3,mp3float,aac,ac3,ac3_fixed,wmav1,wmav2,"
    "pcm_s16le,pcm_s16be,pcm_u8,pcm_s24le,pcm_dvd,adpcm_ms,adpcm_ima_wav";
// A movie has a picture and a sound stream, a DVD-style one a few more; more is a hostile file.
constexpr int kMaxStreams = 16;
// How much of the file the container probe and the stream search may read.
constexpr int64_t kProbeBytes = int64_t{4} << 20;
// The largest single allocation FFmpeg may make: a 4K picture's plane with room to spare. Header
// fields that ask for more (a huge codec header, an index of absurd length) fail instead.
constexpr size_t kMaxAllocationBytes = size_t{32} << 20;
constexpr int kIoBufferBytes = 64 * 1024;
// Packets of one stream held while the other one is searched for its next packet.
constexpr int64_t kMaxQueuedBytes = int64_t{32} << 20;
// Packets in a row that fail to decode before a stream is given up.
constexpr int kMaxFailuresInARow = 1000;
// Read errors in a row (damaged data the demuxer cannot get past) before the file counts as ended.
constexpr int kMaxReadErrorsInARow = 64;

// The bytes of the movie: an open regular file or a copy in memory.
struct Input {
    std::FILE* file = nullptr;
    std::vector<uint8_t> bytes;
    size_t position = 0;
    int64_t size = 0;

    ~Input() {
        if (file != nullptr) {
            std::fclose(file);
        }
    }
};

int ReadInput(void* opaque, uint8_t* buffer, int size) {
    auto* in = static_cast<Input*>(opaque);
    if (size <= 0) {
        return 0;
    }
    if (in->file == nullptr) {
        size_t left = in->bytes.size() - std::min(in->position, in->bytes.size());
        size_t n = std::min(left, static_cast<size_t>(size));
        if (n == 0) {
            return AVERROR_EOF;
        }
        std::memcpy(buffer, in->bytes.data() + in->position, n);
        in->position += n;
        return static_cast<int>(n);
    }
    size_t n = std::fread(buffer, 1, static_cast<size_t>(size), in->file);
    if (n == 0) {
        return std::ferror(in->file) != 0 ? AVERROR(EIO) : AVERROR_EOF;
    }
    return static_cast<int>(n);
}

int64_t SeekInput(void* opaque, int64_t offset, int whence) {
    auto* in = static_cast<Input*>(opaque);
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE) {
        return in->size;
    }
    int64_t base = 0;
    if (whence == SEEK_CUR) {
        base = in->file != nullptr ? static_cast<int64_t>(std::ftell(in->file))
                                   : static_cast<int64_t>(in->position);
    } else if (whence == SEEK_END) {
        base = in->size;
    } else if (whence != SEEK_SET) {
        return AVERROR(EINVAL);
    }
    if (offset > INT64_MAX - base || offset < -base) {
        return AVERROR(EINVAL);
    }
    int64_t target = base + offset;
    if (in->file != nullptr) {
        if (std::fseek(in->file, static_cast<long>(target), SEEK_SET) != 0) {
            return AVERROR(EIO);
        }
    } else {
        in->position = static_cast<size_t>(std::min(target, in->size));
    }
    return target;
}

// A movie never opens anything else: a demuxer asking for another file or address is refused.
int RefuseNestedOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) {
    return AVERROR(EPERM);
}

std::string ErrorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

struct PacketQueue {
    std::deque<AVPacket*> packets;
    int64_t bytes = 0;

    // What a held packet costs: its data and its bookkeeping, so that a flood of empty packets is
    // bounded too.
    static int64_t Cost(const AVPacket& p) { return int64_t{p.size} + 256; }

    AVPacket* Pop() {
        AVPacket* p = packets.front();
        packets.pop_front();
        bytes -= Cost(*p);
        return p;
    }
    void Clear() {
        while (!packets.empty()) {
            AVPacket* p = Pop();
            av_packet_free(&p);
        }
    }
};

// One decoded stream: its codec, its frame and the packets read ahead for it.
struct Side {
    int index = -1;
    AVStream* stream = nullptr;
    AVCodecContext* codec = nullptr;
    AVFrame* frame = nullptr;
    PacketQueue queue;
    bool draining = false;
    bool ended = false;
    int failures = 0;

    ~Side() {
        queue.Clear();
        av_frame_free(&frame);
        avcodec_free_context(&codec);
    }
};

}  // namespace

struct MovieDecoder::State {
    std::unique_ptr<Input> input;
    AVIOContext* io = nullptr;
    AVFormatContext* format = nullptr;
    Side picture;
    Side sound;
    MovieInfo info;
    bool demuxEnded = false;
    int readErrors = 0;
    int64_t damaged = 0;
    int64_t origin = AV_NOPTS_VALUE;  // the movie's start, in microseconds of the container
    int64_t lastPictureUs = -1;

    SwsContext* scaler = nullptr;
    int outWidth = 0;
    int outHeight = 0;
    SwrContext* resampler = nullptr;
    int resamplerFormat = -1;
    int resamplerRate = 0;
    AVChannelLayout resamplerLayout{};

    ~State() {
        sws_freeContext(scaler);
        swr_free(&resampler);
        av_channel_layout_uninit(&resamplerLayout);
        // The codecs and queued packets (freed with the sides) do not depend on the container.
        avformat_close_input(&format);
        if (io != nullptr) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
    }

    Side* SideOf(int streamIndex) {
        if (streamIndex == picture.index && picture.codec != nullptr) {
            return &picture;
        }
        if (streamIndex == sound.index && sound.codec != nullptr) {
            return &sound;
        }
        return nullptr;
    }

    // The next packet of side s: one read ahead before, or the next one the file holds for it.
    AVPacket* TakePacket(Side& s) {
        if (!s.queue.packets.empty()) {
            return s.queue.Pop();
        }
        while (!demuxEnded) {
            AVPacket* p = av_packet_alloc();
            if (p == nullptr) {
                demuxEnded = true;
                break;
            }
            int r = av_read_frame(format, p);
            if (r < 0) {
                av_packet_free(&p);
                if (r == AVERROR_EOF || avio_feof(format->pb) || ++readErrors > kMaxReadErrorsInARow) {
                    demuxEnded = true;
                }
                continue;
            }
            readErrors = 0;
            if (p->stream_index == s.index) {
                return p;
            }
            Side* other = SideOf(p->stream_index);
            if (other == nullptr || other->ended || other->draining) {
                av_packet_free(&p);
                continue;
            }
            other->queue.packets.push_back(p);
            other->queue.bytes += PacketQueue::Cost(*p);
            // A file whose streams lie far apart loses the oldest packets held for the other
            // stream rather than memory without bound.
            while (other->queue.bytes > kMaxQueuedBytes && other->queue.packets.size() > 1) {
                AVPacket* old = other->queue.Pop();
                av_packet_free(&old);
                ++damaged;
            }
        }
        return nullptr;
    }

    // Decodes the next frame of s into s.frame.
    Result Decode(Side& s) {
        if (s.codec == nullptr || s.ended) {
            return Result::kEnd;
        }
        for (;;) {
            int r = avcodec_receive_frame(s.codec, s.frame);
            if (r == 0) {
                s.failures = 0;
                return Result::kOk;
            }
            if (r == AVERROR_EOF || s.draining) {
                s.ended = true;
                s.queue.Clear();
                return Result::kEnd;
            }
            if (r != AVERROR(EAGAIN) && !Failed(s)) {
                return Result::kEnd;
            }
            AVPacket* p = TakePacket(s);
            if (p == nullptr) {
                avcodec_send_packet(s.codec, nullptr);
                s.draining = true;
                continue;
            }
            r = avcodec_send_packet(s.codec, p);
            av_packet_free(&p);
            if (r < 0 && r != AVERROR(EAGAIN) && !Failed(s)) {
                return Result::kEnd;
            }
        }
    }

    // Counts a packet that failed to decode; false when the stream is given up.
    bool Failed(Side& s) {
        ++damaged;
        if (++s.failures > kMaxFailuresInARow) {
            s.ended = true;
            s.queue.Clear();
            return false;
        }
        return true;
    }

    // A frame's time in microseconds from the movie's start; -1 when it has none, or one too far
    // from the start to be told in 64 bits of microseconds.
    int64_t FrameTime(const Side& s) {
        int64_t ts = s.frame->best_effort_timestamp;
        if (ts == AV_NOPTS_VALUE) {
            return -1;
        }
        // av_rescale_q gives INT64_MIN for a time it cannot hold.
        int64_t us = av_rescale_q(ts, s.stream->time_base, AVRational{1, AV_TIME_BASE});
        if (us == INT64_MIN) {
            return -1;
        }
        if (origin == AV_NOPTS_VALUE) {
            origin = us;
        }
        if (us <= origin) {
            return 0;
        }
        if (origin < 0 && us > INT64_MAX + origin) {
            return -1;
        }
        return us - origin;
    }
};

namespace {

bool OpenSide(AVFormatContext* format, AVMediaType type, int related, Side& side, std::string* error) {
    const AVCodec* codec = nullptr;
    int index = av_find_best_stream(format, type, -1, related, &codec, 0);
    if (index < 0) {
        return false;
    }
    AVStream* stream = format->streams[index];
    const char* what = type == AVMEDIA_TYPE_VIDEO ? "picture" : "sound";
    if (codec == nullptr) {
        if (error != nullptr) {
            *error = std::string("no decoder for its ") + what + " (" +
                     avcodec_get_name(stream->codecpar->codec_id) + ")";
        }
        return false;
    }
    if (av_match_list(codec->name, kAllowedCodecs, ',') <= 0) {
        if (error != nullptr) {
            *error = std::string("its ") + what + " is " + codec->name + ", not a codec the player reads";
        }
        return false;
    }
    const AVCodecParameters* par = stream->codecpar;
    if (type == AVMEDIA_TYPE_VIDEO &&
        (par->width <= 0 || par->height <= 0 || par->width > MovieDecoder::kMaxSide ||
         par->height > MovieDecoder::kMaxSide ||
         int64_t{par->width} * par->height > MovieDecoder::kMaxPixels)) {
        if (error != nullptr) {
            *error = "its picture is " + std::to_string(par->width) + " x " + std::to_string(par->height) +
                     ", which is not a size the player shows";
        }
        return false;
    }
    side.codec = avcodec_alloc_context3(codec);
    side.frame = av_frame_alloc();
    if (side.codec == nullptr || side.frame == nullptr ||
        avcodec_parameters_to_context(side.codec, par) < 0) {
        if (error != nullptr) {
            *error = "out of memory";
        }
        avcodec_free_context(&side.codec);
        return false;
    }
    side.codec->pkt_timebase = stream->time_base;
    side.codec->max_pixels = MovieDecoder::kMaxPixels;
    // Decoding threads pay off for large pictures only; the movies of the time decode on one.
    bool large = type == AVMEDIA_TYPE_VIDEO && int64_t{par->width} * par->height > int64_t{1280} * 720;
    side.codec->thread_count = large ? 2 : 1;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "codec_whitelist", kAllowedCodecs, 0);
    int r = avcodec_open2(side.codec, codec, &options);
    av_dict_free(&options);
    if (r < 0) {
        if (error != nullptr) {
            *error = std::string("its ") + what + " decoder refused it (" + ErrorText(r) + ")";
        }
        avcodec_free_context(&side.codec);
        return false;
    }
    side.index = index;
    side.stream = stream;
    return true;
}

}  // namespace

MovieDecoder::MovieDecoder(std::unique_ptr<State> state) : state_(std::move(state)) {}
MovieDecoder::~MovieDecoder() = default;

std::unique_ptr<MovieDecoder> MovieDecoder::Open(const std::string& realPath, std::string* error) {
    auto input = std::make_unique<Input>();
    uint64_t size = 0;
    if (!files::RegularFileSize(realPath, size)) {
        if (error != nullptr) {
            *error = "not a regular file";
        }
        return nullptr;
    }
    input->file = files::OpenRegularFile(realPath, UINT64_MAX);
    if (input->file == nullptr) {
        if (error != nullptr) {
            *error = "it cannot be opened";
        }
        return nullptr;
    }
    input->size = static_cast<int64_t>(size);
    auto state = std::make_unique<State>();
    state->input = std::move(input);
    return OpenState(std::move(state), error);
}

std::unique_ptr<MovieDecoder> MovieDecoder::OpenFile(std::FILE* file, int64_t size, std::string* error) {
    auto input = std::make_unique<Input>();
    input->file = file;
    if (file == nullptr || size < 0) {
        if (error != nullptr) {
            *error = "it cannot be opened";
        }
        return nullptr;
    }
    input->size = size;
    auto state = std::make_unique<State>();
    state->input = std::move(input);
    return OpenState(std::move(state), error);
}

std::unique_ptr<MovieDecoder> MovieDecoder::OpenBytes(std::vector<uint8_t> bytes, std::string* error) {
    auto state = std::make_unique<State>();
    state->input = std::make_unique<Input>();
    state->input->size = static_cast<int64_t>(bytes.size());
    state->input->bytes = std::move(bytes);
    return OpenState(std::move(state), error);
}

void MovieDecoder::Prepare() {
    // FFmpeg's own complaints about damaged data would flood the terminal; the engine reports what
    // matters itself.
    av_log_set_level(AV_LOG_QUIET);
    // FFmpeg's per-allocation bound is process-wide; it is set once, before the first movie opens.
    static std::once_flag limitSet;
    std::call_once(limitSet, [] { av_max_alloc(kMaxAllocationBytes); });
}

std::unique_ptr<MovieDecoder> MovieDecoder::OpenState(std::unique_ptr<State> state, std::string* error) {
    auto fail = [error](std::string why) -> std::unique_ptr<MovieDecoder> {
        if (error != nullptr) {
            *error = std::move(why);
        }
        return nullptr;
    };
    Prepare();
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferBytes));
    if (buffer == nullptr) {
        return fail("out of memory");
    }
    state->io =
        avio_alloc_context(buffer, kIoBufferBytes, 0, state->input.get(), ReadInput, nullptr, SeekInput);
    if (state->io == nullptr) {
        av_free(buffer);
        return fail("out of memory");
    }
    AVFormatContext* format = avformat_alloc_context();
    if (format == nullptr) {
        return fail("out of memory");
    }
    format->pb = state->io;
    format->flags |= AVFMT_FLAG_CUSTOM_IO;
    format->io_open = RefuseNestedOpen;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "format_whitelist", kAllowedFormats, 0);
    av_dict_set(&options, "codec_whitelist", kAllowedCodecs, 0);
    av_dict_set_int(&options, "max_streams", kMaxStreams, 0);
    av_dict_set_int(&options, "probesize", kProbeBytes, 0);
    av_dict_set_int(&options, "formatprobesize", kProbeBytes, 0);
    int r = avformat_open_input(&format, "", nullptr, &options);
    av_dict_free(&options);
    if (r < 0) {
        // avformat_open_input frees the context it fails on.
        // The format whitelist refuses what it does not allow with EINVAL.
        return fail(r == AVERROR_INVALIDDATA || r == AVERROR(EINVAL)
                        ? "it is not a movie in a container the player reads"
                        : ErrorText(r));
    }
    state->format = format;
    r = avformat_find_stream_info(format, nullptr);
    if (r < 0) {
        return fail("its streams cannot be read (" + ErrorText(r) + ")");
    }
    std::string pictureError;
    std::string soundError;
    bool picture = OpenSide(format, AVMEDIA_TYPE_VIDEO, -1, state->picture, &pictureError);
    if (!picture && !pictureError.empty()) {
        return fail(pictureError);
    }
    bool sound =
        OpenSide(format, AVMEDIA_TYPE_AUDIO, picture ? state->picture.index : -1, state->sound, &soundError);
    if (!picture && !sound) {
        return fail(soundError.empty() ? "it holds neither a picture nor sound" : soundError);
    }
    if (!sound && !soundError.empty()) {
        std::fprintf(stderr, "textreel: the movie plays without sound: %s\n", soundError.c_str());
    }

    MovieInfo& info = state->info;
    info.container = format->iformat != nullptr ? format->iformat->name : "";
    info.hasPicture = picture;
    info.hasSound = sound;
    if (picture) {
        AVStream* st = state->picture.stream;
        info.width = st->codecpar->width;
        info.height = st->codecpar->height;
        AVRational sar = av_guess_sample_aspect_ratio(format, st, nullptr);
        double pixelAspect = sar.num > 0 && sar.den > 0 ? av_q2d(sar) : 1.0;
        if (pixelAspect < 0.1 || pixelAspect > 10) {
            pixelAspect = 1.0;
        }
        info.aspect = info.width * pixelAspect / info.height;
        AVRational rate = av_guess_frame_rate(format, st, nullptr);
        if (rate.num > 0 && rate.den > 0) {
            info.frameUs = std::clamp<int64_t>(av_rescale(1000000, rate.den, rate.num), 1000, 1000000);
        }
    }
    if (format->duration != AV_NOPTS_VALUE && format->duration > 0) {
        info.durationMs = format->duration / 1000;
    }
    if (format->start_time != AV_NOPTS_VALUE) {
        state->origin = format->start_time;
    }
    return std::unique_ptr<MovieDecoder>(new MovieDecoder(std::move(state)));
}

const MovieInfo& MovieDecoder::Info() const {
    return state_->info;
}

bool MovieDecoder::SetPictureSize(int width, int height) {
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
        return false;
    }
    State& s = *state_;
    s.outWidth = width;
    s.outHeight = height;
    if (!s.info.hasPicture) {
        return true;
    }
    const AVCodecContext* codec = s.picture.codec;
    if (codec->pix_fmt == AV_PIX_FMT_NONE) {
        return true;  // known once the first picture is decoded
    }
    s.scaler = sws_getCachedContext(s.scaler, codec->width, codec->height, codec->pix_fmt, width, height,
                                    AV_PIX_FMT_BGR24, SWS_BILINEAR, nullptr, nullptr, nullptr);
    return s.scaler != nullptr;
}

MovieDecoder::Result MovieDecoder::NextPicture(int64_t& timeUs) {
    State& s = *state_;
    for (;;) {
        if (s.Decode(s.picture) != Result::kOk) {
            return Result::kEnd;
        }
        const AVFrame* f = s.picture.frame;
        if (f->width <= 0 || f->height <= 0 || f->width > kMaxSide || f->height > kMaxSide) {
            ++s.damaged;
            continue;
        }
        int64_t t = s.FrameTime(s.picture);
        if (t < 0) {
            t = s.lastPictureUs < 0                            ? 0
                : s.lastPictureUs > INT64_MAX - s.info.frameUs ? s.lastPictureUs
                                                               : s.lastPictureUs + s.info.frameUs;
        }
        s.lastPictureUs = t;
        timeUs = t;
        return Result::kOk;
    }
}

bool MovieDecoder::ConvertPicture(uint8_t* pixels, int stride) {
    State& s = *state_;
    const AVFrame* f = s.picture.frame;
    if (pixels == nullptr || s.outWidth <= 0 || f == nullptr || f->width <= 0 || stride < s.outWidth * 3) {
        return false;
    }
    s.scaler =
        sws_getCachedContext(s.scaler, f->width, f->height, static_cast<AVPixelFormat>(f->format), s.outWidth,
                             s.outHeight, AV_PIX_FMT_BGR24, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (s.scaler == nullptr) {
        return false;
    }
    // The engine's pictures are stored bottom-up: the scaler writes from the last row upwards.
    uint8_t* rows[4] = {pixels + static_cast<ptrdiff_t>(s.outHeight - 1) * stride, nullptr, nullptr, nullptr};
    int strides[4] = {-stride, 0, 0, 0};
    return sws_scale(s.scaler, f->data, f->linesize, 0, f->height, rows, strides) == s.outHeight;
}

MovieDecoder::Result MovieDecoder::NextSound(std::vector<int16_t>& samples, int64_t& timeUs) {
    State& s = *state_;
    for (;;) {
        if (s.Decode(s.sound) != Result::kOk) {
            return Result::kEnd;
        }
        AVFrame* f = s.sound.frame;
        if (f->nb_samples <= 0 || f->sample_rate < 1000 || f->sample_rate > 1000000 ||
            f->ch_layout.nb_channels <= 0) {
            ++s.damaged;
            continue;
        }
        AVChannelLayout layout{};
        if (f->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
            av_channel_layout_default(&layout, f->ch_layout.nb_channels);
        } else if (av_channel_layout_copy(&layout, &f->ch_layout) < 0) {
            continue;
        }
        if (s.resampler == nullptr || s.resamplerFormat != f->format || s.resamplerRate != f->sample_rate ||
            av_channel_layout_compare(&s.resamplerLayout, &layout) != 0) {
            swr_free(&s.resampler);
            av_channel_layout_uninit(&s.resamplerLayout);
            AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
            if (swr_alloc_set_opts2(&s.resampler, &stereo, AV_SAMPLE_FMT_S16, kSoundRate, &layout,
                                    static_cast<AVSampleFormat>(f->format), f->sample_rate, 0, nullptr) < 0 ||
                swr_init(s.resampler) < 0) {
                swr_free(&s.resampler);
                av_channel_layout_uninit(&layout);
                ++s.damaged;
                continue;
            }
            s.resamplerFormat = f->format;
            s.resamplerRate = f->sample_rate;
            av_channel_layout_copy(&s.resamplerLayout, &layout);
        }
        av_channel_layout_uninit(&layout);
        int room = swr_get_out_samples(s.resampler, f->nb_samples);
        if (room <= 0) {
            continue;
        }
        size_t before = samples.size();
        samples.resize(before + static_cast<size_t>(room) * kSoundChannels);
        auto* out = reinterpret_cast<uint8_t*>(samples.data() + before);
        int got = swr_convert(s.resampler, &out, room, const_cast<const uint8_t**>(f->extended_data),
                              f->nb_samples);
        samples.resize(before + static_cast<size_t>(std::max(got, 0)) * kSoundChannels);
        if (got <= 0) {
            continue;
        }
        int64_t t = s.FrameTime(s.sound);
        timeUs = t < 0 ? 0 : t;
        return Result::kOk;
    }
}

int64_t MovieDecoder::DamagedPackets() const {
    return state_->damaged;
}

}  // namespace textreel
