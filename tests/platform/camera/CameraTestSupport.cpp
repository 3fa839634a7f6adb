#include "CameraTestSupport.h"

#include <gtest/gtest.h>

#include <cairo.h>
#include <jpeglib.h>

#include <chrono>
#include <cstring>

namespace cameratest {

std::array<uint8_t, 4> px(const platform::ImageRef& im, int x, int y) {
    const uint8_t* p = im->pixel(x, y);
    return {p[0], p[1], p[2], p[3]};
}

std::array<uint8_t, 3> bgr(const platform::ImageRef& im, int x, int y) {
    const uint8_t* p = im->pixel(x, y);
    return {p[0], p[1], p[2]};
}

void expectNear(const BGR& got, const BGR& want, int tolerance, const std::string& what) {
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(got[i], want[i], tolerance) << what << " byte " << i;
}

platform::ImageRef paint(int w, int h, const std::function<std::array<uint8_t, 3>(int, int)>& colour) {
    std::vector<uint8_t> bytes(size_t(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            auto c = colour(x, y);
            uint8_t* p = bytes.data() + (size_t(y) * w + x) * 4;
            p[0] = c[0], p[1] = c[1], p[2] = c[2], p[3] = 255;
        }
    return platform::Image::createBGRX(w, h, std::move(bytes));
}

platform::ImageRef solid(int w, int h, BGR colour) {
    return paint(w, h, [&](int, int) { return colour; });
}

std::vector<uint8_t> encodeJpeg(const platform::ImageRef& im, const JpegOptions& o) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = unsigned(im->width());
    c.image_height = unsigned(im->height());
    c.input_components = 4;
    c.in_color_space = o.inputSpace ? J_COLOR_SPACE(o.inputSpace) : JCS_EXT_BGRX;
    jpeg_set_defaults(&c);
    if (o.storedSpace) jpeg_set_colorspace(&c, J_COLOR_SPACE(o.storedSpace));
    if (o.lumaAcross) c.comp_info[0].h_samp_factor = o.lumaAcross, c.comp_info[0].v_samp_factor = o.lumaDown;
    jpeg_set_quality(&c, o.quality, TRUE);
    if (o.progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(im->pixel(0, int(c.next_scanline)));
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    std::vector<uint8_t> bytes(out, out + size);
    jpeg_destroy_compress(&c);
    free(out);
    return bytes;
}

std::vector<uint8_t> claimSize(std::vector<uint8_t> jpeg, int width, int height) {
    for (size_t i = 2; i + 9 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
            jpeg[i + 5] = uint8_t(height >> 8), jpeg[i + 6] = uint8_t(height);
            jpeg[i + 7] = uint8_t(width >> 8), jpeg[i + 8] = uint8_t(width);
            break;
        }
    return jpeg;
}

bool writePng(const platform::ImageRef& im, const std::filesystem::path& file) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, im->width(), im->height());
    cairo_surface_flush(s);
    uint8_t* dst = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    for (int y = 0; y < im->height(); ++y) std::memcpy(dst + y * stride, im->pixel(0, y), size_t(im->width()) * 4);
    cairo_surface_mark_dirty(s);
    const bool ok = cairo_surface_write_to_png(s, file.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(s);
    return ok;
}

BGR pictureCentre(platform::CameraSource& src) {
    platform::ImageRef p = src.pictureFrame(platform::DeviceOrientation::Portrait);
    return p ? bgr(p, p->width() / 2, p->height() / 2) : BGR{};
}

bool waitFor(platform::RunLoop& loop, const std::function<bool()>& done, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        loop.runDue();
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        loop.waitForWork(0.05);
    }
}

}  // namespace cameratest
