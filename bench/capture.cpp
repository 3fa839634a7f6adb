// The photo pipeline against a bare libjpeg-turbo encode of the same unzoomed frame (Y): the
// worst-case picture (zoom 3, full size, a colour effect, EXIF with GPS, plus its thumbnail) and
// each of its stages on its own, plain pictures at full and small size, each colour filter over a
// whole frame, the fan image, and the process's peak memory while a burst fills the save queue.
#include "bench/support/Goal.h"
#include "bench/support/Reference.h"

#include "capture/ColorFilters.h"
#include "capture/ImageRenderer.h"
#include "capture/PictureRows.h"
#include "capture/SaveWorker.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/RunLoop.h"
#include "platform/graphics/ImageScaler.h"
#include "platform/imageio/ExifWriter.h"
#include "platform/imageio/JpegEncoder.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>

using namespace kestrova;
using platform::Image;
using platform::ImageRef;
namespace fs = std::filesystem;

namespace {

constexpr int kW = 1600, kH = 1200;
constexpr auto kPortrait = platform::DeviceOrientation::Portrait;

// A camera-like frame: smooth gradients with some texture, so the encoder has real work.
std::vector<uint8_t> frameBytes(int w, int h) {
    std::vector<uint8_t> b(size_t(w) * h * 4);
    uint32_t noise = 12345;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            noise = noise * 1103515245u + 12345u;
            int n = int((noise >> 16) & 15) - 8;
            uint8_t* p = &b[(size_t(y) * w + x) * 4];
            p[0] = uint8_t(std::clamp(int(128 + 100 * std::sin(x * 0.01)) + n, 0, 255));
            p[1] = uint8_t(std::clamp(y * 255 / h + n, 0, 255));
            p[2] = uint8_t(std::clamp(int(128 + 100 * std::cos((x + y) * 0.005)) + n, 0, 255));
            p[3] = 255;
        }
    return b;
}

ImageRef picture() {
    static ImageRef f = Image::createBGRX(kW, kH, frameBytes(kW, kH));
    return f;
}

ImageRef preview() {
    static ImageRef f = Image::createBGRX(400, 320, frameBytes(400, 320));
    return f;
}

// A device root for the files the benchmarks write, removed at exit.
struct Scratch {
    fs::path root;
    platform::FileManager files;
    Scratch() : root(fs::temp_directory_path() / ("kestrova-bench-" + std::to_string(std::random_device{}()))),
                files(root) {
        fs::create_directories(root / "out");
    }
    ~Scratch() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    // A fresh name each time: the renderer never replaces a file.
    std::string next(const char* ext) { return "/out/IMG_" + std::to_string(counter++) + ext; }
    int counter = 0;
};

Scratch& scratch() {
    static Scratch s;
    return s;
}

double peakMegabytes = 0;

// Peak memory while a burst fills the queue: seven pictures as the camera delivers them (each in
// its own buffer), the producer blocked at five queued, then the drain. Runs first, so the
// process's peak is the burst's.
void BM_BurstPeakMemory(benchmark::State& state) {
    for (auto _ : state) {
        Scratch s;
        platform::ManualClock clock;
        platform::RunLoop loop(clock);
        SaveWorker worker(s.files, loop, [] { return std::optional<GeoSnapshot>(GeoSnapshot{-33.86f, 151.21f, "S", "E"}); });
        worker.initializePhotoProcessingThread();
        loop.settle(60.0);
        CaptureSettings settings;
        settings.colorMode = ColorMode::Red;
        settings.zoom = 3.0f;
        for (int i = 0; i < 7; ++i) {
            auto pict = Image::createBGRX(kW, kH, picture()->copyData());
            auto prev = Image::createBGRX(400, 320, preview()->copyData());
            worker.cameraControllerTookPicture(pict, prev, settings, [](ImageRef, int) {});
        }
        worker.waitTillFinishedSaving();
    }
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    peakMegabytes = double(ru.ru_maxrss) / 1024.0;
    state.counters["peak_MB"] = peakMegabytes;
}
BENCHMARK(BM_BurstPeakMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

// Y: libjpeg-turbo alone, B,G,R,X in, quality 90, into memory.
void BM_BareJpegEncode(benchmark::State& state) {
    auto img = picture();
    for (auto _ : state) benchmark::DoNotOptimize(bench::bareJpegEncode(*img));
}
BENCHMARK(BM_BareJpegEncode)->Unit(benchmark::kMillisecond);

// The worker's job for one picture, into memory as Y is: thumbnail, then picture with EXIF and
// GPS. The file writes (fsync-bound, the disk's cost) are measured apart in BM_WorstCaseWithFiles.
void pictureJob(benchmark::State& state, ImageSize size, float zoom, ColorMode colorMode, bool gps) {
    ImageRenderer renderer(scratch().files);
    std::optional<GeoSnapshot> fix;
    if (gps) fix = GeoSnapshot{-33.86f, -151.21f, "S", "W"};
    for (auto _ : state) {
        auto thumb = renderer.encodeThumbnail(preview(), zoom, colorMode, kPortrait);
        auto pict = renderer.encodePicture(picture(), size, zoom, colorMode, kPortrait, fix);
        if (!thumb || !pict) state.SkipWithError("encoding failed");
        benchmark::DoNotOptimize(pict);
    }
}

void BM_WorstCaseWithFiles(benchmark::State& state) {
    ImageRenderer renderer(scratch().files);
    const GeoSnapshot fix{-33.86f, -151.21f, "S", "W"};
    for (auto _ : state) {
        bool ok = renderer.makeThumbnail(preview(), scratch().next(".THM"), 3.0f, ColorMode::Red, kPortrait);
        ok = renderer.makeImage(picture(), scratch().next(".JPG"), ImageSize::Large, 3.0f, ColorMode::Red, kPortrait,
                                fix) &&
             ok;
        if (!ok) state.SkipWithError("a file was not written");
    }
}
BENCHMARK(BM_WorstCaseWithFiles)->Unit(benchmark::kMillisecond);

void BM_WorstCaseSepia(benchmark::State& state) { pictureJob(state, ImageSize::Large, 3.0f, ColorMode::Sepia, true); }
void BM_WorstCaseSingleColor(benchmark::State& state) {
    pictureJob(state, ImageSize::Large, 3.0f, ColorMode::Red, true);
}
BENCHMARK(BM_WorstCaseSepia)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WorstCaseSingleColor)->Unit(benchmark::kMillisecond);

void picturePlain(benchmark::State& state, ImageSize size) {
    ImageRenderer renderer(scratch().files);
    for (auto _ : state) {
        auto pict = renderer.encodePicture(picture(), size, 1.0f, ColorMode::FullColor, kPortrait, std::nullopt);
        if (!pict) state.SkipWithError("encoding failed");
        benchmark::DoNotOptimize(pict);
    }
}
void BM_LargeNoEffect(benchmark::State& state) { picturePlain(state, ImageSize::Large); }
void BM_SmallNoEffect(benchmark::State& state) { picturePlain(state, ImageSize::Small); }
BENCHMARK(BM_LargeNoEffect)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmallNoEffect)->Unit(benchmark::kMillisecond);

// The worst case's stages one by one, each as the pipeline runs it.
// Crop and scale: the centre 533 x 400 enlarged to 1600 x 1200, a band of 16 rows at a time.
void BM_StageCropScale(benchmark::State& state) {
    auto crop = picture()->crop(ImageRenderer::pictureCropRect(3.0f));
    std::vector<uint8_t> band(size_t(kW) * 4 * 16);
    for (auto _ : state)
        for (int y = 0; y < kH; y += 16)
            platform::ImageScaler::scaleRows(*crop, kW, kH, y, std::min(16, kH - y), band.data(), kW * 4);
}
BENCHMARK(BM_StageCropScale)->Unit(benchmark::kMillisecond);

// Each colour filter over a 1600 x 1200 frame as the pipeline runs it at zoom 1: a band of 16
// rows at a time from the frame into the band the encoder reads next (which stays in the cache).
void filterAlone(benchmark::State& state, ColorMode mode) {
    const int kBand = PictureRows::kBand;
    const uint8_t* rows[PictureRows::kBand];
    for (auto _ : state) {
        PictureRows bands(picture(), kW, kH, mode);
        for (int y = 0; y < kH; y += kBand)
            if (!bands.rows(y, std::min(kBand, kH - y), rows)) state.SkipWithError("no rows");
        benchmark::DoNotOptimize(rows[0]);
    }
}
void BM_FilterSepia(benchmark::State& state) { filterAlone(state, ColorMode::Sepia); }
void BM_FilterNegative(benchmark::State& state) { filterAlone(state, ColorMode::Negative); }
void BM_FilterSingleColor(benchmark::State& state) { filterAlone(state, ColorMode::Red); }
BENCHMARK(BM_FilterSepia)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterNegative)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterSingleColor)->Unit(benchmark::kMillisecond);

// The same filters over the whole frame into a frame-sized buffer of its own (the fan image and
// thumbnail way, at picture size; no goal): the difference is the cost of writing 7.7 MB out.
void filterWholeFrame(benchmark::State& state, int mode) {
    const auto in = picture()->copyData();
    std::vector<uint8_t> out(in.size());
    for (auto _ : state) {
        switch (mode) {
            case 2: ColorFilters::sepia(in.data(), out.data(), in.size()); break;
            case 3: ColorFilters::inverse(in.data(), out.data(), in.size()); break;
            default: ColorFilters::singleColor(in.data(), out.data(), in.size(), kW, ColorMode(mode)); break;
        }
        benchmark::DoNotOptimize(out.data());
    }
}
void BM_FilterSepiaWholeFrame(benchmark::State& state) { filterWholeFrame(state, 2); }
void BM_FilterSingleColorWholeFrame(benchmark::State& state) { filterWholeFrame(state, 4); }
BENCHMARK(BM_FilterSepiaWholeFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterSingleColorWholeFrame)->Unit(benchmark::kMillisecond);

void BM_StageExif(benchmark::State& state) {
    const auto props = ImageRenderer::pictureProperties(kW, kH, kPortrait, GeoSnapshot{-33.86f, -151.21f, "S", "W"});
    for (auto _ : state) benchmark::DoNotOptimize(platform::ExifWriter::app1(props, kW, kH));
}
BENCHMARK(BM_StageExif)->Unit(benchmark::kMillisecond);

// The encoder's own work on a finished frame, with the EXIF block.
void BM_StageEncode(benchmark::State& state) {
    const auto props = ImageRenderer::pictureProperties(kW, kH, kPortrait, GeoSnapshot{-33.86f, -151.21f, "S", "W"});
    const auto app1 = platform::ExifWriter::app1(props, kW, kH);
    std::vector<uint8_t> out;
    for (auto _ : state) benchmark::DoNotOptimize(platform::JpegEncoder::encode(*picture(), 90, app1, out));
}
BENCHMARK(BM_StageEncode)->Unit(benchmark::kMillisecond);

void BM_StageThumbnail(benchmark::State& state) {
    ImageRenderer renderer(scratch().files);
    for (auto _ : state) benchmark::DoNotOptimize(renderer.encodeThumbnail(preview(), 3.0f, ColorMode::Sepia, kPortrait));
}
BENCHMARK(BM_StageThumbnail)->Unit(benchmark::kMillisecond);

// The fan image on the main thread, at its most expensive: zoomed and single colour.
void BM_FanImage(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(ImageRenderer::transformImage(preview(), 270.0f, 3.0f, ColorMode::Red));
}
BENCHMARK(BM_FanImage)->Unit(benchmark::kMillisecond);

std::optional<bench::GoalLine> ratioGoal(const bench::Results& r, const std::string& name, double limit) {
    auto y = r.get("BM_BareJpegEncode");
    auto t = r.get(name);
    if (!y || !t || *y <= 0) return std::nullopt;
    char note[96];
    std::snprintf(note, sizeof note, "%.2f ms against Y = %.2f ms", *t * 1e3, *y * 1e3);
    return bench::GoalLine{*t / *y, limit, "Y", false, note};
}

bench::GoalRegistrar worstSepia("capture_worst_case_sepia", [](const bench::Results& r) {
    return ratioGoal(r, "BM_WorstCaseSepia", 1.5);
});
bench::GoalRegistrar worstSingle("capture_worst_case_single_colour", [](const bench::Results& r) {
    return ratioGoal(r, "BM_WorstCaseSingleColor", 1.6);
});
bench::GoalRegistrar large("capture_1600x1200_no_effect", [](const bench::Results& r) {
    return ratioGoal(r, "BM_LargeNoEffect", 1.1);
});
bench::GoalRegistrar small("capture_960x720_no_effect", [](const bench::Results& r) {
    return ratioGoal(r, "BM_SmallNoEffect", 0.55);
});
bench::GoalRegistrar sepiaAlone("capture_filter_sepia", [](const bench::Results& r) {
    return ratioGoal(r, "BM_FilterSepia", 0.15);
});
bench::GoalRegistrar negativeAlone("capture_filter_negative", [](const bench::Results& r) {
    return ratioGoal(r, "BM_FilterNegative", 0.15);
});
bench::GoalRegistrar singleAlone("capture_filter_single_colour", [](const bench::Results& r) {
    return ratioGoal(r, "BM_FilterSingleColor", 0.3);
});
bench::GoalRegistrar fan("capture_fan_image", [](const bench::Results& r) -> std::optional<bench::GoalLine> {
    auto t = r.get("BM_FanImage");
    if (!t) return std::nullopt;
    return bench::GoalLine{*t * 1e3, 3.0, "ms", false, ""};
});
bench::GoalRegistrar memory("capture_burst_peak_memory", [](const bench::Results&) -> std::optional<bench::GoalLine> {
    if (peakMegabytes <= 0) return std::nullopt;
    return bench::GoalLine{peakMegabytes, 75.0, "MB", false, "ru_maxrss of the whole process"};
});

}  // namespace
