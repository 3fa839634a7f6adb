#include "platform/imageio/JpegEncoder.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>
#include <jerror.h>

namespace platform {
namespace {

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void errorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::longjmp(err->jump, 1);
}

void silent(j_common_ptr, int) {}
void silentOutput(j_common_ptr) {}

constexpr size_t kGrowthStep = 65536;

// Writes straight into a vector, growing it as needed.
struct VectorDestination {
    jpeg_destination_mgr pub;
    std::vector<uint8_t>* out;
};

void initDestination(j_compress_ptr cinfo) {
    auto* d = reinterpret_cast<VectorDestination*>(cinfo->dest);
    d->pub.next_output_byte = d->out->data();
    d->pub.free_in_buffer = d->out->size();
}

boolean emptyOutputBuffer(j_compress_ptr cinfo) {
    auto* d = reinterpret_cast<VectorDestination*>(cinfo->dest);
    // Called when the whole buffer is full (free_in_buffer is 0). Within the reserved guess it
    // grows a step at a time, so pages past the end of the file are never touched.
    const size_t used = d->out->size(), room = d->out->capacity();
    bool grown = true;
    try {
        d->out->resize(used < room ? std::min(room, used + kGrowthStep) : std::max(used * 2, kGrowthStep));
    } catch (...) {
        grown = false;
    }
    if (!grown) ERREXIT(cinfo, JERR_OUT_OF_MEMORY);  // leaves through the error manager
    d->pub.next_output_byte = d->out->data() + used;
    d->pub.free_in_buffer = d->out->size() - used;
    return TRUE;
}

void termDestination(j_compress_ptr cinfo) {
    auto* d = reinterpret_cast<VectorDestination*>(cinfo->dest);
    d->out->resize(d->out->size() - d->pub.free_in_buffer);
}

// The libjpeg calls, apart so that setjmp has no C++ objects with destructors in its frame.
struct Picture {
    int width, height;
    bool grey;
    const JpegEncoder::RowSource* source;
};

bool run(jpeg_compress_struct* cinfo, ErrorManager* err, VectorDestination* dest, const Picture& picture, int quality,
         const std::vector<uint8_t>& app1) {
    cinfo->err = jpeg_std_error(&err->pub);
    err->pub.error_exit = errorExit;
    err->pub.emit_message = silent;
    err->pub.output_message = silentOutput;
    if (setjmp(err->jump)) {
        jpeg_destroy_compress(cinfo);
        return false;
    }
    jpeg_create_compress(cinfo);
    dest->pub.init_destination = initDestination;
    dest->pub.empty_output_buffer = emptyOutputBuffer;
    dest->pub.term_destination = termDestination;
    cinfo->dest = &dest->pub;

    const bool gray = picture.grey;
    cinfo->image_width = JDIMENSION(picture.width);
    cinfo->image_height = JDIMENSION(picture.height);
    cinfo->input_components = gray ? 1 : 4;
    cinfo->in_color_space = gray ? JCS_GRAYSCALE : JCS_EXT_BGRX;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, quality, TRUE);
    if (!app1.empty()) cinfo->write_JFIF_header = FALSE;
    jpeg_start_compress(cinfo, TRUE);
    if (!app1.empty()) jpeg_write_marker(cinfo, JPEG_APP0 + 1, app1.data(), unsigned(app1.size()));
    const uint8_t* given[JpegEncoder::kMaxRows];
    JSAMPROW rows[JpegEncoder::kMaxRows];
    while (cinfo->next_scanline < cinfo->image_height) {
        const JDIMENSION n = std::min<JDIMENSION>(JpegEncoder::kMaxRows, cinfo->image_height - cinfo->next_scanline);
        if (!(*picture.source)(int(cinfo->next_scanline), int(n), given)) {
            jpeg_destroy_compress(cinfo);
            return false;
        }
        for (JDIMENSION i = 0; i < n; ++i) rows[i] = const_cast<JSAMPROW>(given[i]);  // only read
        // Rows are taken in whole: a suspending destination is never used.
        jpeg_write_scanlines(cinfo, rows, n);
    }
    jpeg_finish_compress(cinfo);
    jpeg_destroy_compress(cinfo);
    return true;
}

}  // namespace

bool JpegEncoder::encode(const Image& image, int quality, const std::vector<uint8_t>& app1, std::vector<uint8_t>& out) {
    out.clear();
    const bool gray = image.bitsPerPixel() == 8 && image.colorSpace() == ColorSpace::DeviceGray;
    const bool color = image.bitsPerPixel() == 32 && image.colorSpace() == ColorSpace::DeviceRGB &&
                       (image.bitmapInfo() == BitmapInfo::BGRX || image.bitmapInfo() == BitmapInfo::BGRAPremultiplied);
    if (!gray && !color) return false;
    const uint8_t* base = image.data();
    const size_t stride = size_t(image.bytesPerRow());
    const RowSource rows = [base, stride](int first, int count, const uint8_t** r) {
        for (int i = 0; i < count; ++i) r[i] = base + size_t(first + i) * stride;
        return true;
    };
    return encodeRows(image.width(), image.height(), gray, rows, quality, app1, out);
}

bool JpegEncoder::encodeRows(int width, int height, bool grey, const RowSource& source, int quality,
                             const std::vector<uint8_t>& app1, std::vector<uint8_t>& out) {
    out.clear();
    if (width <= 0 || height <= 0 || !source) return false;
    // Sizes beyond JPEG's 65500 limit are refused by libjpeg itself, through the error manager.
    if (app1.size() > 65533) return false;
    // A first guess at the size that avoids most regrowth at ordinary qualities, reserved; only
    // its first step is zeroed now.
    const size_t guess =
        std::min<size_t>(size_t(width) * size_t(height) * (grey ? 1 : 3) / 8, 64u << 20) + app1.size() + 4096;
    out.reserve(guess);
    out.resize(std::min(guess, kGrowthStep));
    jpeg_compress_struct cinfo{};
    ErrorManager err{};
    VectorDestination dest{};
    dest.out = &out;
    const Picture picture{width, height, grey, &source};
    if (!run(&cinfo, &err, &dest, picture, std::clamp(quality, 1, 100), app1)) {
        out.clear();
        return false;
    }
    return true;
}

}  // namespace platform
