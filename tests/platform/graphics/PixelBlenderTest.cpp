#include "platform/graphics/PixelBlender.h"

#include <cairo.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

using namespace platform;

namespace {

// A little generator, so that every run sees the same pixels.
struct Random {
    uint32_t state;
    uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
};

// Premultiplied pixels of every kind: clear, solid, and translucent with channels up to alpha.
std::vector<uint8_t> premultipliedPixels(int w, int h, Random& rnd) {
    std::vector<uint8_t> px(size_t(w) * h * 4);
    for (size_t i = 0; i < px.size(); i += 4) {
        const uint32_t kind = rnd.next() % 4;
        const uint8_t a = kind == 0 ? 0 : kind == 1 ? 255 : uint8_t(rnd.next() % 256);
        for (int k = 0; k < 3; ++k) px[i + size_t(k)] = uint8_t(a ? rnd.next() % (a + 1u) : 0);
        px[i + 3] = a;
    }
    return px;
}

std::vector<uint8_t> anyPixels(int w, int h, Random& rnd) {
    std::vector<uint8_t> px(size_t(w) * h * 4);
    for (auto& b : px) b = uint8_t(rnd.next());
    return px;
}

cairo_surface_t* wrap(std::vector<uint8_t>& px, cairo_format_t format, int w, int h) {
    return cairo_image_surface_create_for_data(px.data(), format, w, h, w * 4);
}

}  // namespace

// Painting content over the screen, with and without an opacity, from content with alpha and
// opaque content: the bytes Cairo gives for the same paint, and nothing outside the box.
TEST(PixelBlenderTest, PaintGivesCairosBytes) {
    Random rnd{12345};
    const int w = 23, h = 9;  // rows of every length modulo 4 inside the box below
    for (bool opaque : {false, true}) {
        for (double opacity : {1.0, 0.5, 0.25, 0.9}) {
            for (int x0 = 0; x0 < 4; ++x0) {
                std::vector<uint8_t> source = opaque ? anyPixels(w, h, rnd) : premultipliedPixels(w, h, rnd);
                std::vector<uint8_t> screen = anyPixels(w, h, rnd), want = screen;
                const PixelBox box{x0, 1, w - 1 - x0 % 2, h - 2};
                cairo_surface_t* dst = wrap(want, CAIRO_FORMAT_RGB24, w, h);
                cairo_surface_t* src = wrap(source, opaque ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32, w, h);
                cairo_t* cr = cairo_create(dst);
                cairo_rectangle(cr, box.x0, box.y0, box.x1 - box.x0, box.y1 - box.y0);
                cairo_clip(cr);
                cairo_set_source_surface(cr, src, 0, 0);
                if (opacity >= 1) cairo_paint(cr);
                else cairo_paint_with_alpha(cr, opacity);
                cairo_destroy(cr);
                cairo_surface_flush(dst);
                cairo_surface_destroy(src);
                cairo_surface_destroy(dst);

                const PixelRows rows{screen.data(), w, h, w * 4};
                PixelBlender::paint(rows, box, source.data() + size_t(box.y0) * w * 4 + size_t(box.x0) * 4, w * 4,
                                    opaque, opacity >= 1 ? 255 : PixelBlender::opacity(opacity));
                for (size_t i = 0; i < screen.size(); ++i) {
                    if (i % 4 == 3) continue;  // the screen's fourth byte means nothing
                    ASSERT_EQ(int(screen[i]), int(want[i]))
                        << "pixel " << i / 4 % w << "," << i / 4 / w << " opaque " << opaque << " opacity " << opacity;
                }
            }
        }
    }
}

// A translucent colour over the screen: Cairo's bytes, its 16-bit colour rounding included.
TEST(PixelBlenderTest, FillGivesCairosBytes) {
    Random rnd{777};
    const int w = 13, h = 5;
    const double colours[][4] = {{0.5, 0.5, 0.5, 0.5}, {1, 1, 1, 0.3}, {0, 0, 0, 0.6}, {0.2, 0.7, 0.9, 0.85},
                                 {1, 0, 0, 1},         {0.1, 0.2, 0.3, 0.001}, {0.33, 0.66, 0.99, 0.999}};
    for (const auto& c : colours) {
        std::vector<uint8_t> screen = anyPixels(w, h, rnd), want = screen;
        const PixelBox box{1, 1, w - 2, h - 1};
        cairo_surface_t* dst = wrap(want, CAIRO_FORMAT_RGB24, w, h);
        cairo_t* cr = cairo_create(dst);
        cairo_set_source_rgba(cr, c[0], c[1], c[2], c[3]);
        cairo_rectangle(cr, box.x0, box.y0, box.x1 - box.x0, box.y1 - box.y0);
        cairo_fill(cr);
        cairo_destroy(cr);
        cairo_surface_flush(dst);
        cairo_surface_destroy(dst);

        PixelBlender::fill(PixelRows{screen.data(), w, h, w * 4}, box, PixelBlender::premultiplied(c[0], c[1], c[2], c[3]));
        for (size_t i = 0; i < screen.size(); ++i) {
            if (i % 4 == 3) continue;
            ASSERT_EQ(int(screen[i]), int(want[i])) << "pixel " << i / 4 % w << "," << i / 4 / w << " alpha " << c[3];
        }
    }
}

// A box reaching past the rows is cut to them, and the source moves along with it.
TEST(PixelBlenderTest, BoxesAreCutToTheRows) {
    std::vector<uint8_t> screen(size_t(4) * 3 * 4, 0);
    std::vector<uint8_t> source(size_t(6) * 5 * 4, 0);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) {
            uint8_t* p = &source[size_t(y) * 24 + size_t(x) * 4];
            p[0] = uint8_t(10 * x), p[1] = uint8_t(10 * y), p[3] = 255;
        }
    const PixelRows rows{screen.data(), 4, 3, 16};
    PixelBlender::paint(rows, PixelBox{-1, -2, 5, 3}, source.data(), 24, false, 255);
    // Screen pixel (x, y) shows source pixel (x + 1, y + 2).
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            const uint8_t* p = &screen[size_t(y) * 16 + size_t(x) * 4];
            ASSERT_EQ(p[0], 10 * (x + 1)) << x << "," << y;
            ASSERT_EQ(p[1], 10 * (y + 2)) << x << "," << y;
        }
}
