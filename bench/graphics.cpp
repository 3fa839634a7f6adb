// The picture path's heavy steps: JPEG encoding with EXIF against a bare libjpeg-turbo encode of
// the same frame, and the two scalings a zoomed or reduced picture needs; and the live preview's
// scaling into the window.
#include "bench/support/Goal.h"
#include "bench/support/Reference.h"

#include "platform/graphics/BitmapContext.h"
#include "platform/graphics/ImageBlitter.h"
#include "platform/graphics/SurfaceContext.h"
#include "platform/imageio/ImageDestination.h"

#include <benchmark/benchmark.h>


#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace platform;

namespace {

constexpr int kW = 1600, kH = 1200;

// A camera-like frame: smooth gradients with some texture, so the encoder has real work.
ImageRef frame() {
    static ImageRef f = [] {
        std::vector<uint8_t> b(size_t(kW) * kH * 4);
        uint32_t noise = 12345;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                noise = noise * 1103515245u + 12345u;
                int n = int((noise >> 16) & 15) - 8;
                uint8_t* p = &b[(size_t(y) * kW + x) * 4];
                p[0] = uint8_t(std::clamp(int(128 + 100 * std::sin(x * 0.01)) + n, 0, 255));
                p[1] = uint8_t(std::clamp(y * 255 / kH + n, 0, 255));
                p[2] = uint8_t(std::clamp(int(128 + 100 * std::cos((x + y) * 0.005)) + n, 0, 255));
                p[3] = 255;
            }
        return Image::createBGRX(kW, kH, std::move(b));
    }();
    return f;
}

// The reference: libjpeg-turbo alone, B,G,R,X in, quality 90, into memory.
void BM_BareJpegEncode(benchmark::State& state) {
    auto img = frame();
    size_t bytes = 0;
    for (auto _ : state) bytes = bench::bareJpegEncode(*img);
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_BareJpegEncode)->Unit(benchmark::kMillisecond)->UseRealTime();

// Ours: the same frame through the image destination, with orientation, size and GPS EXIF.
void BM_ImageDestinationEncode(benchmark::State& state) {
    auto img = frame();
    ImageProperties props;
    props.pixelWidth = kW;
    props.pixelHeight = kH;
    props.orientation = 6;
    props.gps = GpsProperties{35.689499f, 139.691711f, "N", "E"};
    size_t bytes = 0;
    for (auto _ : state) {
        auto d = ImageDestination::createWithData();
        d->addImage(img, &props);
        if (!d->finalize()) state.SkipWithError("encode failed");
        bytes = d->data().size();
        benchmark::DoNotOptimize(d->data().data());
    }
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_ImageDestinationEncode)->Unit(benchmark::kMillisecond)->UseRealTime();

// Draws `src` into a new context of w x h, as a picture render does (context made per picture).
void drawInto(benchmark::State& state, const ImageRef& src, int w, int h) {
    for (auto _ : state) {
        auto ctx = BitmapContext::create(w, h, 8, w * 4, ColorSpace::DeviceRGB, BitmapInfo::BGRX);
        ctx->drawImage({0, 0, float(w), float(h)}, src);
        if (!ctx->lastDrawWasDirect()) state.SkipWithError("not drawn through libyuv");
        benchmark::DoNotOptimize(ctx->data());
    }
}

// Zoom 3: the centre 533 x 400 crop enlarged to the full 1600 x 1200 picture.
void BM_ScaleUp533x400To1600x1200(benchmark::State& state) {
    auto crop = frame()->crop({533, 400, 533, 400});
    drawInto(state, crop, kW, kH);
}
BENCHMARK(BM_ScaleUp533x400To1600x1200)->Unit(benchmark::kMillisecond)->UseRealTime();

// Size factor 3: the full frame reduced to 960 x 720.
void BM_ScaleDown1600x1200To960x720(benchmark::State& state) { drawInto(state, frame(), 960, 720); }
BENCHMARK(BM_ScaleDown1600x1200To960x720)->Unit(benchmark::kMillisecond)->UseRealTime();

// The live preview's part of a frame: a 320 x 400 camera frame scaled 2.4 times, nearest
// neighbour, into a 166 x 166-pixel damaged square of a 640 x 960 window (scale 2), as the camera
// view draws it thirty times a second. Thread CPU time. Argument 0: the code chosen for this CPU;
// 1: the portable code. The cold variant sweeps 64 MB between frames, untimed, as the sleeping
// window's frames start with cold caches.
void blitPreviewPart(benchmark::State& state, bool cold) {
    ImageBlitter::usePortableCode(state.range(0) != 0);
    auto camera = frame()->crop({0, 0, 320, 400});
    auto c = SurfaceContext::create(640, 960, 2, true);
    c->clipToRect({101.5f, 150.5f, 83, 83});
    std::vector<uint8_t> sweep(cold ? size_t(64) << 20 : 0);
    for (auto _ : state) {
        for (size_t i = 0; i < sweep.size(); i += 64) ++sweep[i];
        const double start = bench::threadCpuSeconds();
        if (!ImageBlitter::drawNearest(*c, {-32, 0, 384, 480}, *camera)) state.SkipWithError("not drawn directly");
        state.SetIterationTime(bench::threadCpuSeconds() - start);
    }
    benchmark::DoNotOptimize(sweep.data());
    ImageBlitter::usePortableCode(false);
}
void BM_BlitPreviewPart(benchmark::State& state) { blitPreviewPart(state, false); }
BENCHMARK(BM_BlitPreviewPart)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMicrosecond);
void BM_BlitPreviewPartCold(benchmark::State& state) { blitPreviewPart(state, true); }
BENCHMARK(BM_BlitPreviewPartCold)->Arg(0)->Arg(1)->UseManualTime()->Iterations(1500)->Unit(benchmark::kMicrosecond);

constexpr const char* kBare = "BM_BareJpegEncode/real_time";

std::string ratioNote(double t, const bench::Results& r) {
    auto y = r.get(kBare);
    if (!y || *y <= 0) return {};
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.3f x the bare encode (%.2f ms)", t / *y, *y * 1e3);
    return buf;
}

std::optional<bench::GoalLine> timeGoal(const bench::Results& r, const char* name, double limitMs) {
    auto t = r.get(name);
    if (!t) return std::nullopt;
    return bench::GoalLine{*t * 1e3, limitMs, "ms", false, ratioNote(*t, r)};
}

bench::GoalRegistrar encodeGoal("graphics.jpegEncodeWithExifVsBare", [](const bench::Results& r) -> std::optional<bench::GoalLine> {
    auto ours = r.get("BM_ImageDestinationEncode/real_time");
    auto bare = r.get(kBare);
    if (!ours || !bare || *bare <= 0) return std::nullopt;
    return bench::GoalLine{*ours / *bare, 1.1, "x", false, ratioNote(*ours, r)};
});
bench::GoalRegistrar upGoal("graphics.scale533x400To1600x1200", [](const bench::Results& r) {
    return timeGoal(r, "BM_ScaleUp533x400To1600x1200/real_time", 6);
});
bench::GoalRegistrar downGoal("graphics.scale1600x1200To960x720", [](const bench::Results& r) {
    return timeGoal(r, "BM_ScaleDown1600x1200To960x720/real_time", 3);
});

}  // namespace
