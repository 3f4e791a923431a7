#include "graphics/png_loader.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

#include "platform/files.h"

namespace textreel {

namespace {

constexpr size_t kSignatureBytes = 4;
constexpr png_uint_32 kMaxSide = kMaxPngSide;
constexpr double kScreenGamma = 2.2;
// The file gamma assumed when the file does not state one.
constexpr double kDefaultFileGamma = 0.5;
// The ancillary chunks the loader has no use for, as libpng's list of 4-letter names.
// (sRGB and cHRM stay: they bear on the gamma libpng reports.)
constexpr png_byte kIgnoredChunks[] =
    "bKGD\0eXIf\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0sCAL\0sPLT\0sBIT\0tEXt\0tIME\0zTXt";
// The largest chunk libpng may hold in memory at once (pixel data is inflated row by row, never
// held whole).
constexpr png_alloc_size_t kMaxChunkBytes = 1u << 20;
// The most ancillary chunks libpng keeps track of in one file.
constexpr png_uint_32 kMaxAncillaryChunks = 64;

// Everything the decoder fills lives here, owned by DecodePng, so that libpng's error jump leaves
// no object with a destructor behind in the frames it skips.
struct DecodeJob {
    const uint8_t* data;  // the file in memory, or
    std::FILE* file;      // the file read as the decoder goes
    size_t size;
    size_t position;
    uint64_t maxPixels;
    DecodedPng* picture;
    std::vector<png_bytep>* rows;
    bool tooLarge;
};

void ReadFromSource(png_structp png, png_bytep destination, size_t length) {
    auto* job = static_cast<DecodeJob*>(png_get_io_ptr(png));
    if (job->file != nullptr) {
        if (std::fread(destination, 1, length, job->file) != length) {
            png_error(png, "unexpected end of file");
        }
        return;
    }
    if (length > job->size - job->position) {
        png_error(png, "unexpected end of file");
    }
    std::memcpy(destination, job->data + job->position, length);
    job->position += length;
}

[[noreturn]] void OnError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

template <typename T>
bool Resize(std::vector<T>& buffer, size_t count) noexcept {
    try {
        buffer.resize(count);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// The decoding steps proper; a libpng error jumps out of them back into RunDecoder.
bool DecodeSteps(png_structp png, png_infop info, DecodeJob* job) {
    png_set_read_fn(png, job, ReadFromSource);
    png_set_sig_bytes(png, static_cast<int>(kSignatureBytes));
    // Absurd sides (libpng's own limit) fail inside png_read_info; larger sides than the engine
    // uses, and more pixels than the caller allows, are refused here, before any pixel is decoded.
    // Nothing but the pixels, the palette, transparency and gamma is used: text, colour profiles,
    // suggested palettes and every unknown chunk are skipped unread, never inflated or kept, so a
    // file of a thousand compressed text chunks costs no more than one without them.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kIgnoredChunks,
                                static_cast<int>(sizeof kIgnoredChunks / 5));
    // The chunks that are read are small (a palette is 768 bytes); any larger one is damage.
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    png_set_chunk_cache_max(png, kMaxAncillaryChunks);
    png_read_info(png, info);
    {
        const png_uint_32 width = png_get_image_width(png, info);
        const png_uint_32 height = png_get_image_height(png, info);
        if (width > kMaxSide || height > kMaxSide ||
            (job->maxPixels != kAnyPixelCount && uint64_t{width} * height > job->maxPixels)) {
            job->tooLarge = true;
            return false;
        }
    }

    double fileGamma = kDefaultFileGamma;
    double storedGamma = 0;
    if (png_get_gAMA(png, info, &storedGamma) != 0 && storedGamma > 0) {
        fileGamma = storedGamma;
    }
    png_set_gamma(png, kScreenGamma, fileGamma);

    // Whatever the colour type and depth, the rows come out as 8-bit red, green, blue.
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_strip_alpha(png);
    png_set_gray_to_rgb(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide ||
        png_get_channels(png, info) != 3 || png_get_bit_depth(png, info) != 8 ||
        rowBytes != static_cast<size_t>(width) * 3) {
        return false;
    }
    if (!Resize(job->picture->rgb, rowBytes * height) || !Resize(*job->rows, height)) {
        return false;
    }
    for (png_uint_32 row = 0; row < height; ++row) {
        (*job->rows)[row] = job->picture->rgb.data() + static_cast<size_t>(row) * rowBytes;
    }
    png_read_image(png, job->rows->data());
    job->picture->width = static_cast<int>(width);
    job->picture->height = static_cast<int>(height);
    return true;
}

// Holds the error jump target; false when libpng reports an error or the picture is refused.
bool RunDecoder(png_structp png, png_infop info, DecodeJob* job) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    return DecodeSteps(png, info, job);
}

// Copies count pixels, turning red-green-blue into blue-green-red.
void SwapRedBlue(const uint8_t* in, uint8_t* out, int count) {
    for (int x = 0; x < count; ++x) {
        out[3 * x] = in[3 * x + 2];
        out[3 * x + 1] = in[3 * x + 1];
        out[3 * x + 2] = in[3 * x];
    }
}

// A picture whose buffer does not hold its declared rows counts as empty.
bool Usable(const DecodedPng& png) {
    return png.width > 0 && png.height > 0 &&
           png.rgb.size() >= static_cast<size_t>(png.width) * static_cast<size_t>(png.height) * 3;
}

}  // namespace

namespace {

PngResult Decode(DecodeJob job, DecodedPng& out) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (png == nullptr) {
        return PngResult::kDamaged;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return PngResult::kDamaged;
    }
    DecodedPng picture;
    std::vector<png_bytep> rows;
    job.picture = &picture;
    job.rows = &rows;
    const bool decoded = RunDecoder(png, info, &job);
    png_destroy_read_struct(&png, &info, nullptr);
    if (!decoded) {
        return job.tooLarge ? PngResult::kTooLarge : PngResult::kDamaged;
    }
    out = std::move(picture);
    return PngResult::kOk;
}

}  // namespace

PngResult DecodePng(const uint8_t* data, size_t size, DecodedPng& out, uint64_t maxPixels) {
    if (data == nullptr || size < kSignatureBytes || png_sig_cmp(data, 0, kSignatureBytes) != 0) {
        return PngResult::kNotPng;
    }
    return Decode(DecodeJob{data, nullptr, size, kSignatureBytes, maxPixels, nullptr, nullptr, false}, out);
}

PngResult LoadPng(const std::string& realPath, DecodedPng& out, uint64_t maxPixels) {
    bool tooLarge = false;
    std::FILE* file = files::OpenRegularFile(realPath, kMaxPngFileBytes, &tooLarge);
    if (file == nullptr) {
        return tooLarge ? PngResult::kTooLarge : PngResult::kMissing;
    }
    uint8_t signature[kSignatureBytes] = {};
    PngResult result = PngResult::kNotPng;
    if (std::fread(signature, 1, kSignatureBytes, file) == kSignatureBytes &&
        png_sig_cmp(signature, 0, kSignatureBytes) == 0) {
        result =
            Decode(DecodeJob{nullptr, file, 0, kSignatureBytes, maxPixels, nullptr, nullptr, false}, out);
    }
    std::fclose(file);
    return result;
}

void ConvertToScreen(const DecodedPng& png, Surface& target) {
    const bool usable = Usable(png);
    const int copyWidth = usable ? std::min(png.width, target.Width()) : 0;
    const int copyHeight = usable ? std::min(png.height, target.Height()) : 0;
    const size_t pictureStride = static_cast<size_t>(png.width) * 3;
    for (int y = 0; y < target.Height(); ++y) {
        uint8_t* out = target.RowTop(y);
        size_t done = 0;
        if (y < copyHeight) {
            SwapRedBlue(png.rgb.data() + static_cast<size_t>(y) * pictureStride, out, copyWidth);
            done = static_cast<size_t>(copyWidth) * 3;
        }
        std::memset(out + done, 0, static_cast<size_t>(target.Stride()) - done);
    }
}

Surface ToSurface(const DecodedPng& png) {
    Surface surface;
    if (!Usable(png)) {
        return surface;
    }
    surface.Create(png.width, png.height);
    const size_t pictureStride = static_cast<size_t>(png.width) * 3;
    for (int y = 0; y < png.height; ++y) {
        SwapRedBlue(png.rgb.data() + static_cast<size_t>(y) * pictureStride, surface.RowTop(y), png.width);
    }
    return surface;
}

}  // namespace textreel
