#include "platform/camera/JpegDecoder.h"

#include "platform/camera/FramePool.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

namespace platform {
namespace {

// libjpeg's working memory (a progressive picture keeps all its coefficients at full size) is
// held to this; beyond it the decode fails instead of taking the machine's memory.
constexpr long kWorkingMemory = 96L << 20;  // a 32-megapixel progressive 4:2:0 photo fits

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    bool endedEarly = false;
    bool tooMuchWork = false;
};

// Counts scans and the coefficient blocks each one makes the decoder walk, and stops the decode
// once either passes its limit. libjpeg calls it before every row of every scan.
struct WorkLimit {
    jpeg_progress_mgr pub;
    ErrorManager* err = nullptr;
    int lastScan = 0;
    uint64_t blocks = 0;
    uint64_t budget = 0;
};

void onProgress(j_common_ptr common) {
    if (!common->is_decompressor) return;
    auto* cinfo = reinterpret_cast<j_decompress_ptr>(common);
    auto* limit = reinterpret_cast<WorkLimit*>(common->progress);
    if (cinfo->input_scan_number == limit->lastScan) return;
    limit->lastScan = cinfo->input_scan_number;
    for (int i = 0; i < cinfo->comps_in_scan && i < MAX_COMPS_IN_SCAN; ++i) {
        const jpeg_component_info* c = cinfo->cur_comp_info[i];
        if (c) limit->blocks += uint64_t(c->width_in_blocks) * c->height_in_blocks;
    }
    if (limit->lastScan > JpegDecoder::kMaxScans || limit->blocks > limit->budget) {
        limit->err->tooMuchWork = true;
        std::longjmp(limit->err->jump, 1);
    }
}

// Every block of every component once: the work of one pass over the picture.
uint64_t blocksInPicture(const jpeg_decompress_struct* cinfo) {
    uint64_t n = 0;
    for (int i = 0; i < cinfo->num_components; ++i)
        n += uint64_t(cinfo->comp_info[i].width_in_blocks) * cinfo->comp_info[i].height_in_blocks;
    return n;
}

// False when the stream's first scan starts and no end-of-picture marker follows anywhere after
// it: the stream was cut short, and decoding it would only find that out at its end. In
// entropy-coded data 0xFF is always followed by 0x00 or a marker, so 0xFF 0xD9 there is the
// end. True when the headers cannot be walked; the decoder then judges.
bool mayBeWhole(const uint8_t* d, size_t n) {
    if (n < 4 || d[0] != 0xFF || d[1] != 0xD8) return true;
    size_t i = 2;
    while (i + 4 <= n) {
        if (d[i] != 0xFF) return true;
        const uint8_t marker = d[i + 1];
        if (marker == 0xFF) {  // fill byte
            ++i;
            continue;
        }
        const size_t len = size_t(d[i + 2]) << 8 | d[i + 3];
        if (len < 2 || i + 2 + len > n) return marker != 0xDA;
        if (marker == 0xDA) {
            for (size_t j = i + 2 + len; j + 1 < n; ++j)
                if (d[j] == 0xFF && d[j + 1] == 0xD9) return true;
            return false;
        }
        if (marker == 0xD9) return true;
        i += 2 + len;
    }
    return true;
}

// CMYK as Adobe's applications store it (inverted: 255 is no ink) and as others do, in place.
void cmykToBgrx(uint8_t* px, size_t pixels, bool inverted) {
    for (size_t i = 0; i < pixels; ++i, px += 4) {
        int c = px[0], m = px[1], y = px[2], k = px[3];
        if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        px[0] = uint8_t((y * k + 127) / 255);
        px[1] = uint8_t((m * k + 127) / 255);
        px[2] = uint8_t((c * k + 127) / 255);
        px[3] = 255;
    }
}

void onError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::longjmp(err->jump, 1);
}

// Warnings are not printed. The ones that mean the data stopped before the picture did mark the
// frame as cut short; others (extraneous bytes before a marker, which many webcams send) are
// harmless.
void onMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;  // trace messages
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    const int code = cinfo->err->msg_code;
    if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_MUST_RESYNC) err->endedEarly = true;
}

// Each step that may fail sets its own jump point and keeps objects with destructors out of the
// frames that longjmp leaves.
bool readHeader(jpeg_decompress_struct* cinfo, ErrorManager* err, const uint8_t* data, size_t length,
                const JpegDecoder::Request& request) {
    if (setjmp(err->jump)) return false;
    jpeg_mem_src(cinfo, data, static_cast<unsigned long>(length));
    if (jpeg_read_header(cinfo, TRUE) != JPEG_HEADER_OK) return false;
    // libjpeg turns YCCK into CMYK but neither into RGB: that step is ours.
    const bool inks = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    cinfo->out_color_space = inks ? JCS_CMYK : JCS_EXT_BGRX;
    cinfo->scale_num = 8;
    cinfo->scale_denom = 8;
    if (request.enough) {
        for (unsigned num = 1; num <= 8; ++num) {
            cinfo->scale_num = num;
            jpeg_calc_output_dimensions(cinfo);
            if (request.enough(int(cinfo->output_width), int(cinfo->output_height))) break;
        }
    }
    jpeg_calc_output_dimensions(cinfo);
    return true;
}

bool start(jpeg_decompress_struct* cinfo, ErrorManager* err) {
    if (setjmp(err->jump)) return false;
    return jpeg_start_decompress(cinfo);
}

bool readRows(jpeg_decompress_struct* cinfo, ErrorManager* err, uint8_t* px) {
    if (setjmp(err->jump)) return false;
    const size_t stride = size_t(cinfo->output_width) * 4;
    while (cinfo->output_scanline < cinfo->output_height) {
        JSAMPROW row = px + size_t(cinfo->output_scanline) * stride;
        jpeg_read_scanlines(cinfo, &row, 1);
    }
    return true;
}

bool readPixels(jpeg_decompress_struct* cinfo, ErrorManager* err, uint8_t* px) {
    if (!readRows(cinfo, err, px)) return false;
    if (cinfo->out_color_space == JCS_CMYK)
        cmykToBgrx(px, size_t(cinfo->output_width) * cinfo->output_height, cinfo->saw_Adobe_marker);
    return true;
}

bool finish(jpeg_decompress_struct* cinfo, ErrorManager* err) {
    if (setjmp(err->jump)) return false;
    return jpeg_finish_decompress(cinfo);
}

ImageRef decodeWith(jpeg_decompress_struct* cinfo, ErrorManager* err, const uint8_t* data, size_t length,
                    const JpegDecoder::Request& request, JpegDecoder::Status* status) {
    *status = JpegDecoder::Status::Broken;
    if (!readHeader(cinfo, err, data, length, request)) return nullptr;
    if (uint64_t(cinfo->output_width) * cinfo->output_height > request.maxPixels) {
        *status = JpegDecoder::Status::TooLarge;
        return nullptr;
    }
    if (!mayBeWhole(data, length)) {
        *status = JpegDecoder::Status::Truncated;
        return nullptr;
    }
    WorkLimit limit{};
    limit.pub.progress_monitor = onProgress;
    limit.err = err;
    limit.budget = blocksInPicture(cinfo) * JpegDecoder::kMaxBlockPasses;
    cinfo->progress = &limit.pub;
    const bool started = start(cinfo, err);
    if (err->tooMuchWork) *status = JpegDecoder::Status::TooMuchWork;
    if (!started) return nullptr;
    const int w = int(cinfo->output_width), h = int(cinfo->output_height);
    ImageRef image;
    if (request.pool) {
        image = request.pool->make(w, h, [&](uint8_t* px) { return readPixels(cinfo, err, px); });
    } else {
        std::vector<uint8_t> px(size_t(w) * size_t(h) * 4);
        if (readPixels(cinfo, err, px.data())) image = Image::createBGRX(w, h, std::move(px));
    }
    if (!image || !finish(cinfo, err)) {
        if (err->tooMuchWork) *status = JpegDecoder::Status::TooMuchWork;
        return nullptr;
    }
    if (err->endedEarly) {
        *status = JpegDecoder::Status::Truncated;
        return nullptr;
    }
    *status = JpegDecoder::Status::Ok;
    return image;
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

ImageRef JpegDecoder::decode(const uint8_t* data, size_t length, const Request& request, Status* status) {
    Status st = Status::Broken;
    ImageRef image;
    if (data && length >= 4) {
        jpeg_decompress_struct cinfo;
        ErrorManager err;
        cinfo.err = jpeg_std_error(&err.pub);
        err.pub.error_exit = onError;
        err.pub.emit_message = onMessage;
        jpeg_create_decompress(&cinfo);
        cinfo.mem->max_memory_to_use = kWorkingMemory;
        image = decodeWith(&cinfo, &err, data, length, request, &st);
        cinfo.progress = nullptr;  // it lived in decodeWith's frame
        jpeg_destroy_decompress(&cinfo);
    }
    if (status) *status = st;
    return image;
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
