// The live preview on screen: a 320 x 480-point window at scale 2 holding the camera view on the
// synthetic camera, composed once a frame (frame made, turned upright, scaled into the view,
// composed into the window). Thread CPU time, so the figure does not depend on what else the
// machine runs. A reference draws the same frame through Cairo's filtered scale, as the view did
// before drawing straight into its pixels.
#include "bench/support/Goal.h"
#include "bench/support/Reference.h"

#include "platform/camera/CameraController.h"
#include "platform/cameraui/CameraView.h"
#include "platform/camera/SyntheticSource.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/RunLoop.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/system/Device.h"
#include "platform/ui/Compositor.h"
#include "platform/ui/Window.h"

#include <benchmark/benchmark.h>

#include <algorithm>

using namespace platform;

namespace {

constexpr double kFps = 30;

// The view as it drew before: black, then the frame scaled through Cairo.
class CairoCameraView final : public CameraView {
public:
    using CameraView::CameraView;
    void drawRect(GraphicsContext& context, const Rect&) override {
        const Rect b = bounds();
        context.setFillColor(Color::black());
        context.fillRect(b);
        ImageRef frame = uprightFrame();
        if (!frame) return;
        const float scale = std::max(b.width() / frame->width(), b.height() / frame->height());
        const float w = frame->width() * scale, h = frame->height() * scale;
        context.saveGState();
        context.clipToRect(b);
        context.drawImage({b.midX() - w / 2, b.midY() - h / 2, w, h}, frame);
        context.restoreGState();
    }
};

template <typename ViewClass>
void composeFrames(benchmark::State& state) {
    ManualClock clock{5.0};
    RunLoop loop{clock};
    Device device;
    Device::setCurrentDevice(&device);
    {
        CameraController cc(std::make_unique<SyntheticSource>(clock), &loop);
        cc.startPreview();
        Window window({0, 0, 320, 480});
        auto* view = static_cast<CameraView*>(window.addSubview(std::make_unique<ViewClass>(Rect{0, 0, 320, 480}, &cc)));
        Compositor comp(2);
        comp.composite(window);
        for (auto _ : state) {
            const double start = bench::threadCpuSeconds();
            clock.advance(1 / kFps);
            view->setNeedsDisplay();
            benchmark::DoNotOptimize(comp.composite(window));
            state.SetIterationTime(bench::threadCpuSeconds() - start);
        }
    }
    Device::setCurrentDevice(nullptr);
}

void BM_PreviewComposedFrame(benchmark::State& state) { composeFrames<CameraView>(state); }
BENCHMARK(BM_PreviewComposedFrame)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_PreviewComposedFrameThroughCairo(benchmark::State& state) { composeFrames<CairoCameraView>(state); }
BENCHMARK(BM_PreviewComposedFrameThroughCairo)->UseManualTime()->Unit(benchmark::kMillisecond);

bench::GoalRegistrar previewGoal("camera.previewOnScreen30fpsShareOfCore", [](const bench::Results& r)
                                     -> std::optional<bench::GoalLine> {
    auto t = r.get("BM_PreviewComposedFrame/manual_time");
    if (!t) return std::nullopt;
    return bench::GoalLine{*t * kFps * 100, 10, "%", false, "made, scaled and composed, thread CPU time"};
});

}  // namespace
