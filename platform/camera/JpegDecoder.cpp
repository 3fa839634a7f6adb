#include "platform/camera/JpegDecoder.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace platform {
namespace {

// Larger pictures are refused rather than risking the memory (a hostile header can claim 4 GP).
constexpr uint64_t kMaxPixels = uint64_t(1) << 27;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

void onError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::longjmp(err->jump, 1);
}

void onMessage(j_common_ptr, int) {}  // warnings of a damaged stream are not ours to print

// Kept free of objects with destructors: longjmp leaves it on error.
bool decodeInto(const uint8_t* data, size_t length, int minShortSide, std::vector<uint8_t>& out, int* width,
                int* height) {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = onError;
    err.pub.emit_message = onMessage;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(length));
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    cinfo.out_color_space = JCS_EXT_BGRX;
    if (minShortSide > 0) {
        const unsigned shortSide = std::min(cinfo.image_width, cinfo.image_height);
        unsigned denom = 8;
        while (denom > 1 && shortSide / denom < unsigned(minShortSide)) denom /= 2;
        cinfo.scale_num = 1;
        cinfo.scale_denom = denom;
    }
    jpeg_calc_output_dimensions(&cinfo);
    if (uint64_t(cinfo.output_width) * cinfo.output_height > kMaxPixels) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_start_decompress(&cinfo);
    const int w = int(cinfo.output_width), h = int(cinfo.output_height);
    out.resize(size_t(w) * h * 4);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out.data() + size_t(cinfo.output_scanline) * w * 4;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    *width = w;
    *height = h;
    return true;
}

uint16_t read16(const uint8_t* p, bool little) { return little ? uint16_t(p[0] | p[1] << 8) : uint16_t(p[0] << 8 | p[1]); }
uint32_t read32(const uint8_t* p, bool little) {
    return little ? uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24
                  : uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

// The orientation entry of the first IFD of a TIFF block, bounds-checked throughout.
int orientationInTiff(const uint8_t* t, size_t n) {
    if (n < 8) return 1;
    bool little;
    if (t[0] == 'I' && t[1] == 'I') little = true;
    else if (t[0] == 'M' && t[1] == 'M') little = false;
    else return 1;
    const uint32_t ifd = read32(t + 4, little);
    if (ifd > n - 2) return 1;
    const uint16_t count = read16(t + ifd, little);
    for (uint32_t i = 0; i < count; ++i) {
        const size_t e = size_t(ifd) + 2 + size_t(i) * 12;
        if (e + 12 > n) break;
        if (read16(t + e, little) == 0x0112) {
            const int v = read16(t + e + 8, little);
            return v >= 1 && v <= 8 ? v : 1;
        }
    }
    return 1;
}

}  // namespace

ImageRef JpegDecoder::decode(const uint8_t* data, size_t length, int minShortSide) {
    if (!data || length < 4) return nullptr;
    std::vector<uint8_t> px;
    int w = 0, h = 0;
    if (!decodeInto(data, length, minShortSide, px, &w, &h)) return nullptr;
    return Image::createBGRX(w, h, std::move(px));
}

int JpegDecoder::exifOrientation(const uint8_t* d, size_t n) {
    if (!d || n < 4 || d[0] != 0xFF || d[1] != 0xD8) return 1;
    size_t i = 2;
    while (i + 4 <= n && d[i] == 0xFF) {
        const uint8_t marker = d[i + 1];
        if (marker == 0xDA || marker == 0xD9) break;  // image data: no more headers
        const size_t len = size_t(d[i + 2]) << 8 | d[i + 3];
        if (len < 2 || i + 2 + len > n) break;
        if (marker == 0xE1 && len >= 8 && std::equal(d + i + 4, d + i + 10, "Exif\0\0"))
            return orientationInTiff(d + i + 10, len - 8);
        i += 2 + len;
    }
    return 1;
}

}  // namespace platform
